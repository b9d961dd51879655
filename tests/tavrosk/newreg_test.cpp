// The Register Server wizard as a person runs it from a server group, against the real object model and
// instances in the test's prefix: which servers it offers, the manual and the local paths with their
// buttons and jumps, what it registers and in which order, how the finish page reports failures, the
// login and role of the local Users group, and a wizard closed under its worker.
#include <algorithm>
#include <functional>

#include "msde/nodes/korvath.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/servers.h"
#include "msde/wizards/newreg/registration.h"
#include "resources/resource.h"
#include "snapins/twolistpick.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "objectmodel_setup.h"
#include "wizard_provider.h"
#include "pages_test_support.h"
#include "test_support.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;
using namespace pagestest;
namespace NewReg = MSDE::Wizards::NewReg;

namespace {

using wizardtest::g_sheet;
using wizardtest::Provider;

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

HWND Control(int id) {
    return GetDlgItem(PropSheet_GetCurrentPageHwnd(g_sheet), id);
}

bool Button(int id) {
    return Enabled(GetDlgItem(g_sheet, id));
}

std::vector<std::wstring> ListTexts(HWND list) {
    tvp::WindowState state;
    tvp::GetWindowState(list, state);
    std::vector<std::wstring> texts;
    for (const tvp::ListItem& item : state.items)
        texts.push_back(item.text);
    return texts;
}

bool Checked(int id) {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The instances of the computer (the default one and three named ones) made once; every test starts
// with one empty group "Servers" in the store, which the root has listed.
class RegisterWizard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        for (const char* name : {"ALPHA", "BRAVO", "CHARLIE"})
            tvengine::CreateInstance(name);
        objectmodel::Register();
    }
    void SetUp() override {
        root.Initialize();
        ASSERT_TRUE(raw(root.Application()) != nullptr);
        DmoCheck(root.Application(), raw(root.Application())->GetServerGroups(out(groups)));
        for (LONG count = 1; SUCCEEDED(raw(groups)->GetCount(&count)) && count > 0;)
            raw(groups)->RemoveByOrd(0);
        auto group = CreateDmo<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
        DmoCheck(group, raw(group)->SetName(L"Servers"));
        DmoCheck(groups, raw(groups)->Add(raw(group)));
        DmoCheck(group, raw(group)->GetRegisteredServers(out(registered)));
        root.OnExpand(&console, &console, 1);
        group_ = dynamic_cast<CServers*>(root.GetChild(0));
        ASSERT_NE(group_, nullptr);
        provider.node = group_;
        ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                        CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
                  S_OK);
    }
    void TearDown() override { CoRevokeClassObject(registration); }

    void Register(const std::wstring& name) {
        auto entry =
            CreateDmo<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer, IID_IWSQLDMORegisteredServer);
        DmoCheck(entry, raw(entry)->SetName(name.c_str()));
        DmoCheck(registered, raw(registered)->Add(raw(entry)));
    }
    std::vector<std::wstring> Stored() {
        std::vector<std::wstring> names;
        raw(registered)->Refresh(VARIANT_TRUE);
        LONG count = 0;
        raw(registered)->GetCount(&count);
        for (LONG i = 0; i < count; ++i) {
            RegisteredServerPtr server;
            BSTR name = nullptr;
            if (SUCCEEDED(raw(registered)->GetItemByOrd(i, out(server))) &&
                SUCCEEDED(raw(server)->GetName(&name)))
                names.push_back(TakeText(name));
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The group shows the servers of the store as its children.
    void ExpandGroup() { group_->OnExpand(&console, &console, group_->ScopeItem()); }
    // Runs "Server Registration..." with the script acting on the sheet; the wizard's outcome.
    INT_PTR RunWizard(std::vector<tvtest::Script::Step> steps) {
        g_sheet = nullptr;
        tvtest::Script script(std::move(steps));
        EXPECT_EQ(group_->OnMenuCommand(&console, IDM_REGISTER_SERVER, nullptr, nullptr, nullptr), S_OK);
        EXPECT_TRUE(script.Finished());
        return provider.outcome;
    }
    std::wstring Result() { return TextOf(Control(IDC_NEWREG_RESULT)); }
    // Waits, as a step, for the worker to press Next and the finish page to show.
    static bool OnFinishPage() { return CurrentDialog(g_sheet) == IDD_NEWREG_FINISH; }

    CKorvath root;
    fake::Console console;
    Provider provider;
    DWORD registration = 0;
    ServerGroupsPtr groups;
    RegisteredServersPtr registered;
    CServers* group_ = nullptr;
    const std::wstring host = objectmodel::ComputerName();
};

TEST_F(RegisterWizard, OffersTheComputersInstancesThatTheGroupDoesNotShowExactly) {
    Register(Lower(host));
    Register(host + L"\\ALPHA");
    ExpandGroup();
    std::vector<std::wstring> available, added;
    RunWizard({
        [&] {
            EXPECT_EQ(CurrentDialog(g_sheet), IDD_NEWREG_START);
            EXPECT_FALSE(Checked(IDC_NEWREG_MANUAL));
            EXPECT_FALSE(Button(ID_WIZBACK));
            PropSheet_PressButton(g_sheet, PSBTN_NEXT);
        },
        [&] {
            EXPECT_EQ(CurrentDialog(g_sheet), IDD_NEWREG_SERVERS);
            EXPECT_EQ(TextOf(Control(IDC_NEWREG_AVAILABLE_CAPTION)), L"Available Servers");
            EXPECT_EQ(TextOf(Control(IDC_NEWREG_ADDED_CAPTION)), L"Added Servers");
            available = ListTexts(Control(IDC_NEWREG_AVAILABLE_LIST));
            added = ListTexts(Control(IDC_NEWREG_ADDED_LIST));
            EXPECT_FALSE(Button(ID_WIZNEXT)) << "nothing added yet";
            PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
        },
    });
    // The name the group shows in other letters is offered; the one it shows exactly is not.
    EXPECT_EQ(available, (std::vector<std::wstring>{host, host + L"\\BRAVO", host + L"\\CHARLIE"}));
    EXPECT_TRUE(added.empty());
}

TEST_F(RegisterWizard, AddedServersRegisterFromTheLastToTheFirstAndTheLastFailureIsReported) {
    // Registered behind the group's back: offered, as the group does not show them, and refused.
    for (const wchar_t* instance : {L"\\ALPHA", L"\\BRAVO", L"\\CHARLIE"})
        Register(host + instance);
    bool nextAfterPick = false;
    std::wstring result;
    INT_PTR outcome = RunWizard({
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] {
            tvp::PickItems(Control(IDC_NEWREG_AVAILABLE_LIST), {1, 2, 3});
            tvp::Click(Control(Snapins::kPickSelectedButton));
        },
        [&] {
            EXPECT_EQ(ListTexts(Control(IDC_NEWREG_AVAILABLE_LIST)), std::vector<std::wstring>{host});
            nextAfterPick = Button(ID_WIZNEXT);
            PropSheet_PressButton(g_sheet, PSBTN_NEXT);
        },
        OnFinishPage,
        [&] {
            EXPECT_FALSE(Button(ID_WIZBACK));
            EXPECT_FALSE(Button(ID_WIZNEXT));
            EXPECT_TRUE(Button(ID_WIZFINISH));
            result = Result();
            PropSheet_PressButton(g_sheet, PSBTN_FINISH);
        },
    });
    EXPECT_TRUE(nextAfterPick);
    EXPECT_EQ(outcome, 1);
    // ALPHA came last, so its refusal is the one shown.
    EXPECT_EQ(result, L"You have completed the Server Registration Wizard.\n\n"
                      L"One or more errors have occured as shown below :\n\n"
                      L"[Tavrosk][Object Model]The server '" +
                          host + L"\\ALPHA' is already registered in group 'Servers'.")
        << "the description as the object model gives it";
}

TEST_F(RegisterWizard, ATypedNameIsRegisteredExactlyAsTyped) {
    std::vector<bool> nextEnabled;
    std::vector<int> pages;
    std::wstring result;
    auto page = [&] { pages.push_back(CurrentDialog(g_sheet)); };
    RunWizard({
        [&] { tvp::Click(Control(IDC_NEWREG_MANUAL)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        page,
        [&] { nextEnabled.push_back(Button(ID_WIZNEXT)); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"MYSERVER\\BACKUP"); },
        [&] { nextEnabled.push_back(Button(ID_WIZNEXT)); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L""); },
        [&] { nextEnabled.push_back(Button(ID_WIZNEXT)); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"MYSERVER\\BACKUP"); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_BACK); },
        page,
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        page,
        [&] { nextEnabled.push_back(Button(ID_WIZNEXT)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        OnFinishPage,
        [&] {
            result = Result();
            PropSheet_PressButton(g_sheet, PSBTN_FINISH);
        },
    });
    EXPECT_EQ(pages, (std::vector<int>{IDD_NEWREG_MANUAL, IDD_NEWREG_START, IDD_NEWREG_MANUAL}));
    EXPECT_EQ(nextEnabled, (std::vector<bool>{false, true, false, true}))
        << "Next only with a name, also when the page is shown again";
    EXPECT_EQ(result, L"You have completed the Server Registration Wizard.\n\n"
                      L"The servers you selected have been added to the console.");
    EXPECT_EQ(Stored(), std::vector<std::wstring>{L"MYSERVER\\BACKUP"});
    EXPECT_EQ(group_->ChildCount(), 0u) << "the group reads its servers again";
    ExpandGroup();
    ASSERT_EQ(group_->ChildCount(), 1u);
    EXPECT_EQ(group_->GetChild(0)->GetDisplayText(0), L"MYSERVER\\BACKUP");
}

// Whether the local Users group has a login on the default instance, and whether it is a sysadmin.
std::pair<bool, bool> LocalUsersRights() {
    auto server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    raw(server)->SetLoginSecure(VARIANT_TRUE);
    if (FAILED(raw(server)->Connect(L"(local)", nullptr, nullptr))) return {false, false};
    LoginsPtr logins;
    LoginPtr login;
    raw(server)->GetLogins(out(logins));
    bool hasLogin = SUCCEEDED(raw(logins)->GetItemByName(L"BUILTIN\\Users", out(login)));
    ServerRolesPtr roles;
    ServerRolePtr sysadmin;
    NameListPtr members;
    LONG found = -1;
    raw(server)->GetServerRoles(out(roles));
    raw(roles)->GetItemByName(L"sysadmin", out(sysadmin));
    raw(sysadmin)->EnumServerRoleMember(out(members));
    bool isSysadmin = SUCCEEDED(raw(members)->FindName(L"BUILTIN\\Users", &found)) && found >= 0;
    raw(server)->DisConnect();
    return {hasLogin, isSysadmin};
}

TEST_F(RegisterWizard, TheLocalServerLeadsToItsPermissionsAndTheLoginCanGoWithoutTheRole) {
    std::vector<std::pair<bool, bool>> sysadminBox; // (checked, enabled) as the clicks leave it
    auto box = [&] {
        sysadminBox.emplace_back(Checked(IDC_NEWREG_SYSADMIN), Enabled(Control(IDC_NEWREG_SYSADMIN)));
    };
    int permissionsPage = 0, backTo = 0;
    std::wstring result;
    RunWizard({
        [&] { tvp::Click(Control(IDC_NEWREG_MANUAL)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"(local)"); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] {
            permissionsPage = CurrentDialog(g_sheet);
            EXPECT_TRUE(Checked(IDC_NEWREG_ADD_LOGIN));
        },
        box,
        [&] { tvp::Click(Control(IDC_NEWREG_ADD_LOGIN)); },
        box,
        [&] { tvp::Click(Control(IDC_NEWREG_ADD_LOGIN)); },
        box,
        // Back to the name and on again: the name is still registered once.
        [&] { PropSheet_PressButton(g_sheet, PSBTN_BACK); },
        [&] { backTo = CurrentDialog(g_sheet); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        OnFinishPage,
        [&] {
            result = Result();
            PropSheet_PressButton(g_sheet, PSBTN_FINISH);
        },
    });
    EXPECT_EQ(permissionsPage, IDD_NEWREG_PERMISSIONS);
    EXPECT_EQ(backTo, IDD_NEWREG_MANUAL);
    EXPECT_EQ(result, L"You have completed the Server Registration Wizard.\n\n"
                      L"The servers you selected have been added to the console.");
    EXPECT_EQ(sysadminBox, (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}, {false, true}}))
        << "re-checking the login enables the role but does not check it again";
    EXPECT_EQ(Stored(), std::vector<std::wstring>{L"(local)"});
    EXPECT_EQ(LocalUsersRights(), std::make_pair(true, false));
}

TEST_F(RegisterWizard, BothPermissionsGiveTheLocalUsersTheirLoginAndTheSysadminRole) {
    RunWizard({
        [&] { tvp::Click(Control(IDC_NEWREG_MANUAL)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"(local)"); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        OnFinishPage,
        [&] { PropSheet_PressButton(g_sheet, PSBTN_FINISH); },
    });
    EXPECT_EQ(LocalUsersRights(), std::make_pair(true, true));
}

// Cancel is pressed before the worker's first message is handled: the wizard closes at once, the
// worker's late messages go nowhere, and the next run works as before.
TEST_F(RegisterWizard, ClosingTheWizardUnderItsWorkerEndsCleanly) {
    RunWizard({
        [&] { tvp::Click(Control(IDC_NEWREG_MANUAL)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"LATE"); },
        [&] {
            PropSheet_PressButton(g_sheet, PSBTN_NEXT);
            PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(provider.outcome, 0);
    EXPECT_FALSE(group_->WizardRunning());
    wizardtest::WaitForWorkers();
    RunWizard({
        [&] { tvp::Click(Control(IDC_NEWREG_MANUAL)); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        [&] { tvp::TypeText(Control(IDC_NEWREG_SERVER_NAME), L"AGAIN"); },
        [&] { PropSheet_PressButton(g_sheet, PSBTN_NEXT); },
        OnFinishPage,
        [&] { PropSheet_PressButton(g_sheet, PSBTN_FINISH); },
    });
    EXPECT_EQ(provider.outcome, 1);
    std::vector<std::wstring> stored = Stored();
    EXPECT_EQ(std::count(stored.begin(), stored.end(), L"AGAIN"), 1);
}

// A progress bar whose positions are recorded with the servers stored at that moment.
struct ProgressRecord {
    std::vector<int> positions;
    std::vector<size_t> storedCounts;
    std::function<size_t()> count;
};
ProgressRecord* g_record = nullptr;
WNDPROC g_progressProc = nullptr;

LRESULT CALLBACK RecordingProgress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_SETPOS && g_record) {
        g_record->positions.push_back(static_cast<int>(wParam));
        g_record->storedCounts.push_back(g_record->count());
    }
    return CallWindowProcW(g_progressProc, window, message, wParam, lParam);
}

TEST_F(RegisterWizard, TheWorkerMovesTheBarAfterEachServerAndAnEarlierFailureOutlivesALaterSuccess) {
    Register(L"TAKEN");
    HWND page =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 10, 10, page,
                               reinterpret_cast<HMENU>(IDC_NEWREG_PROGRESS), nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    g_progressProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProgress)));
    ProgressRecord record;
    record.count = [&] { return Stored().size(); };
    g_record = &record;

    NewReg::RegistrationState state;
    state.serverNames = {L"TAKEN", L"FRESH", L"OTHER"};
    state.progressBar = bar;
    state.groupName = L"Servers";
    HRESULT result = NewReg::RegisterServers(state); // on this thread: the bar's messages come straight to it
    g_record = nullptr;

    EXPECT_EQ(record.positions, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(record.storedCounts, (std::vector<size_t>{1, 2, 3})) << "one server more at each step";
    EXPECT_LT(result, 0) << "TAKEN failed, even though the servers after it registered";
    EXPECT_NE(state.errorText.find(L"'TAKEN' is already registered"), std::wstring::npos) << state.errorText;
    DestroyWindow(page);
}

TEST(LocalUsersGroup, IsNamedByItsWellKnownSidAndOtherSidsAreUnknown) {
    EXPECT_EQ(NewReg::LocalUsersGroupName(), L"BUILTIN\\Users");

    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, 999, 0, 0, 0, 0, 0, 0, &sid));
    WCHAR name[32], domain[32];
    DWORD nameSize = 32, domainSize = 32;
    SID_NAME_USE use;
    EXPECT_FALSE(LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NONE_MAPPED));
    FreeSid(sid);

    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0,
                                         0, 0, 0, &sid));
    nameSize = 3;
    domainSize = 32;
    EXPECT_FALSE(LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(nameSize, 6u) << "\"Users\" and its null";
    EXPECT_EQ(domainSize, 8u) << "\"BUILTIN\" and its null";
    FreeSid(sid);
}

} // namespace
