// The root, server group and server nodes against the real object model in the test's prefix: groups
// read from the registration store (and made on first use), deletion of groups and servers on the
// user's word, the server's connection with Windows authentication or a login given in the Connect As
// dialog, and the logon failure page.
#include <deque>

#include "../../tavrosk/msde/nodes/korvath.h"
#include "../../tavrosk/msde/nodes/server.h"
#include "../../tavrosk/msde/nodes/servers.h"
#include "../../tavrosk/resources/resource.h"
#include "../../tavrosk/snapins/basedlg.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "wizard_provider.h"
#include "pages_test_support.h"
#include "objectmodel_setup.h"
#include "test_support.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;

namespace {

using Console = fake::AnsweringConsole;
using objectmodel::ComputerName;

// The object model registered and the default instance made once; every test starts with an empty
// registration store and a root that has read it.
class ServerNodes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        objectmodel::Register();
    }
    void SetUp() override {
        root.Initialize();
        ASSERT_TRUE(raw(root.Application()) != nullptr);
        DmoCheck(root.Application(), raw(root.Application())->GetServerGroups(out(groups)));
        for (LONG count = 1; SUCCEEDED(raw(groups)->GetCount(&count)) && count > 0;)
            raw(groups)->RemoveByOrd(0);
    }
    // A group in the store with these servers registered in it.
    void AddGroup(const std::wstring& name, std::vector<std::wstring> servers = {}) {
        auto group = CreateDmo<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
        DmoCheck(group, raw(group)->SetName(name.c_str()));
        DmoCheck(groups, raw(groups)->Add(raw(group)));
        RegisteredServersPtr registered;
        DmoCheck(group, raw(group)->GetRegisteredServers(out(registered)));
        for (const std::wstring& server : servers) {
            auto entry = CreateDmo<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer,
                                                             IID_IWSQLDMORegisteredServer);
            DmoCheck(entry, raw(entry)->SetName(server.c_str()));
            DmoCheck(registered, raw(registered)->Add(raw(entry)));
        }
    }
    std::vector<std::wstring> StoredGroups() {
        std::vector<std::wstring> names;
        LONG count = 0;
        raw(groups)->Refresh(VARIANT_TRUE);
        raw(groups)->GetCount(&count);
        for (LONG i = 0; i < count; ++i) {
            ServerGroupPtr group;
            BSTR name = nullptr;
            if (SUCCEEDED(raw(groups)->GetItemByOrd(i, out(group))) && SUCCEEDED(raw(group)->GetName(&name)))
                names.emplace_back(name);
            SysFreeString(name);
        }
        return names;
    }
    static std::vector<std::wstring> Names(Snapins::CBaseNode& node) {
        std::vector<std::wstring> names;
        for (auto it = node.ChildrenBegin(); it != node.ChildrenEnd(); ++it)
            names.push_back((*it)->GetDisplayText(0));
        return names;
    }
    // The root expanded and its group `index` expanded in turn.
    CServers* Group(size_t index) {
        root.OnExpand(&console, &console, 1);
        auto* group = dynamic_cast<CServers*>(root.GetChild(static_cast<unsigned>(index)));
        if (group) group->OnExpand(&console, &console, group->ScopeItem());
        return group;
    }

    CKorvath root;
    Console console;
    ServerGroupsPtr groups;
};

TEST_F(ServerNodes, FirstUseMakesTheDefaultGroupWhichAppearsOnlyAfterARefresh) {
    EXPECT_EQ(root.OnExpand(&console, &console, 1), S_OK);
    EXPECT_EQ(root.ChildCount(), 0u);
    EXPECT_TRUE(console.scopeItems.empty());
    EXPECT_EQ(StoredGroups(), std::vector<std::wstring>{L"SQL Server Group"});

    EXPECT_EQ(root.OnRefresh(&console), S_OK);
    EXPECT_EQ(console.viewUpdates.back().second, 1);
    root.OnShow(&console, TRUE, 1); // the view selects the root again
    EXPECT_EQ(Names(root), std::vector<std::wstring>{L"SQL Server Group"});
    ASSERT_EQ(console.scopeItems.size(), 1u);
    EXPECT_EQ(console.scopeItems[0].nImage, 1);
}

TEST_F(ServerNodes, RefreshOfTheRootKeepsAPathRememberedSinceTheStart) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Kestrin\\Veltrane Management\\Korvath", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t stored[] = L"/stored.bak";
    RegSetValueExW(key, L"Last Backup", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored), sizeof stored);
    RegCloseKey(key);
    {
        CKorvath started;
        started.Initialize();
        EXPECT_EQ(Snapins::SnapinModule().lastBackupPath, L"/stored.bak");
        Snapins::SnapinModule().lastBackupPath = L"/since.bak";
        started.OnRefresh(&console);
        EXPECT_EQ(Snapins::SnapinModule().lastBackupPath, L"/since.bak");
    }
    Snapins::SnapinModule().lastBackupPath.clear();
}

TEST_F(ServerNodes, GroupListsItsServersWithAProgressBar) {
    AddGroup(L"Alpha", {L"(local)", L"ELSEWHERE"});
    CServers* group = Group(0);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(Names(*group), (std::vector<std::wstring>{L"(local)", L"ELSEWHERE"}));
    auto& status = console.statusTexts;
    EXPECT_NE(std::find(status.begin(), status.end(), L"|%50"), status.end());
    EXPECT_NE(std::find(status.begin(), status.end(), L"|%100"), status.end());
}

TEST_F(ServerNodes, DeletingAGroupAsksAndNoKeepsIt) {
    AddGroup(L"Sales");
    CServers* group = Group(0);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->OnDelete(&console), S_FALSE);
    ASSERT_EQ(console.boxes.size(), 1u);
    EXPECT_EQ(console.boxes[0],
              L"Delete Server Group: Are you sure you want to delete server group 'Sales'?");
    EXPECT_EQ(console.styles[0], 0x24u);
    EXPECT_EQ(root.ChildCount(), 1u);
    EXPECT_EQ(StoredGroups(), std::vector<std::wstring>{L"Sales"});

    console.answers = {IDYES};
    HSCOPEITEM item = group->ScopeItem();
    EXPECT_EQ(group->OnDelete(&console), S_OK);
    EXPECT_EQ(console.deletedScopeItems, std::vector<HSCOPEITEM>{item});
    EXPECT_EQ(root.ChildCount(), 0u);
    EXPECT_TRUE(StoredGroups().empty());
    root.OnShow(&console, TRUE, 1); // the view selects the root again
    EXPECT_TRUE(StoredGroups().empty()) << "the deleted last group is not made again as on first use";
}

// After an earlier group is deleted the later one moves up in the store; it must still find itself.
TEST_F(ServerNodes, GroupFindsItsOwnServersAfterAnEarlierGroupWasDeleted) {
    AddGroup(L"First", {L"FIRSTSERVER"});
    AddGroup(L"Second", {L"SECONDSERVER"});
    AddGroup(L"Third", {L"THIRDSERVER"});
    root.OnExpand(&console, &console, 1);
    console.answers = {IDYES};
    dynamic_cast<CServers*>(root.GetChild(0))->OnDelete(&console);
    ASSERT_EQ(Names(root), (std::vector<std::wstring>{L"Second", L"Third"}));
    CServers* second = Group(0);
    EXPECT_EQ(Names(*second), std::vector<std::wstring>{L"SECONDSERVER"});
}

// The store refuses a second group of the same name; an Application of the test's own lists two.
class TwoSalesGroups
    : public fake::Unknown<IWSQLDMOApplication, IWSQLDMOServerGroups, IWSQLDMOServerGroup, IClassFactory> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IWSQLDMOApplication))
            *ppv = static_cast<IWSQLDMOApplication*>(this);
        else if (IsEqualIID(riid, IID_IClassFactory) || IsEqualIID(riid, IID_IUnknown))
            *ppv = static_cast<IClassFactory*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        return QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    STDMETHODIMP GetServerGroups(IWSQLDMOServerGroups** out) override {
        AddRef();
        return *out = this, S_OK;
    }
    STDMETHODIMP ListAvailableSQLServers(IWSQLDMONameList**) override { return E_NOTIMPL; }
    STDMETHODIMP GetVersionMajor(LPLONG) override { return E_NOTIMPL; }
    STDMETHODIMP GetVersionMinor(LPLONG) override { return E_NOTIMPL; }
    // Three groups: Sales, one that cannot be read, Sales again.
    STDMETHODIMP GetCount(LPLONG count) override { return *count = 3, S_OK; }
    STDMETHODIMP GetItemByOrd(long i, IWSQLDMOServerGroup** out) override {
        *out = nullptr;
        if (i == 1) return E_FAIL;
        AddRef();
        return *out = this, S_OK;
    }
    STDMETHODIMP GetItemByName(SQLDMO_LPCSTR, IWSQLDMOServerGroup**) override { return E_NOTIMPL; }
    STDMETHODIMP Refresh(VARIANT_BOOL) override { return S_OK; }
    STDMETHODIMP Add(IWSQLDMOServerGroup*) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveByOrd(long) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetName(SQLDMO_LPBSTR name) override { return *name = SysAllocString(L"Sales"), S_OK; }
    STDMETHODIMP SetName(SQLDMO_LPCSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetRegisteredServers(IWSQLDMORegisteredServers**) override { return E_NOTIMPL; }
    STDMETHODIMP Remove() override { return E_NOTIMPL; }
};

TEST_F(ServerNodes, TwoGroupsOfOneNameAreBothShownAndAnUnreadableOneIsSkipped) {
    TwoSalesGroups fake;
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_SQLDMOApplication, static_cast<IClassFactory*>(&fake),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    {
        CKorvath other;
        other.Initialize();
        other.OnExpand(&console, &console, 1);
        EXPECT_EQ(Names(other), (std::vector<std::wstring>{L"Sales", L"Sales"}));
        EXPECT_EQ(dynamic_cast<CServers*>(other.GetChild(1))->Ordinal(), 2);
    }
    CoRevokeClassObject(registration);
}

TEST_F(ServerNodes, ServerConnectsWithWindowsAuthenticationAndShowsItsFactsOnOneLine) {
    AddGroup(L"Alpha", {L"(local)"});
    auto* server = dynamic_cast<CServer*>(Group(0)->GetChild(0));
    ASSERT_NE(server, nullptr);
    server->OnExpand(&console, &console, server->ScopeItem());
    ASSERT_TRUE(server->Connected()) << std::string(server->ErrorText().begin(), server->ErrorText().end());
    EXPECT_EQ(server->GetDisplayText(1), L"us_english");
    EXPECT_FALSE(server->GetDisplayText(2).empty());
    EXPECT_EQ(server->GetDisplayText(2).find_first_of(L"\n\t"), std::wstring::npos);
    EXPECT_EQ(server->GetDisplayText(3), ComputerName());
    EXPECT_TRUE(server->OlderServer());
    LPOLESTR type = nullptr;
    EXPECT_EQ(server->GetResultViewType(&type, nullptr), S_OK);
    EXPECT_EQ(type, nullptr) << "the list";
}

TEST_F(ServerNodes, NewerServerIsNotOlder) {
    tvengine::InstanceOptions options;
    options.majorVersion = 9;
    tvengine::CreateInstance("NEWER", options);
    CServer server(ComputerName() + L"\\NEWER");
    ASSERT_EQ(server.Connect(), S_OK);
    EXPECT_FALSE(server.OlderServer());
}

TEST_F(ServerNodes, FailedConnectionShowsTheLogonFailurePageAndIsNotRetried) {
    CServer server(L"NOSUCHHOST\\NOWHERE");
    EXPECT_TRUE(FAILED(server.Connect()));
    const std::wstring error = L"[Tavrosk][Engine]SQL Server does not exist or access denied.";
    EXPECT_EQ(server.ErrorText(), error);
    EXPECT_EQ(server.Connect(), S_OK) << "the failed server object is kept";
    LPOLESTR type = nullptr;
    EXPECT_EQ(server.GetResultViewType(&type, nullptr), S_OK);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(std::wstring(type), L"{80F94176-FCCC-11D2-B991-00C04F8ECD78}");
    CoTaskMemFree(type);
    EXPECT_EQ(server.OnShow(&console, TRUE, 5), S_OK);
    EXPECT_EQ(console.messageView.icon, Icon_Warning);
    EXPECT_EQ(console.messageView.title, L"Server Logon Failure");
    EXPECT_EQ(console.messageView.body,
              L"A logon failure occured while logging into this server.  Contact your "
              L"administrator for help.\n\n" +
                  error);
    EXPECT_EQ(server.QueryPagesFor(), S_FALSE);
}

using pagestest::Script;

HWND Control(int id) {
    return GetDlgItem(Snapins::CBaseDlg::Current()->DialogWindow(), id);
}

// A login given in Connect As is used; a failed attempt is not repeated on expansion, while OK in
// Connect As tries again with the same credentials; Windows authentication then forgets the login.
TEST_F(ServerNodes, ConnectAsConnectsWithTheGivenLoginAndWindowsAuthenticationClearsIt) {
    CServer server(L"(local)");
    Script typeLogin({[] {
        EXPECT_TRUE(tvp::Click(Control(IDC_CONNECT_SQL)));
        EXPECT_TRUE(tvp::TypeText(Control(IDC_CONNECT_USER), L"latecomer"));
        EXPECT_TRUE(tvp::TypeText(Control(IDC_CONNECT_PASSWORD), L"pa55word"));
        EXPECT_TRUE(tvp::Click(Control(IDOK)));
    }});
    EXPECT_EQ(server.ConnectAs(&console), E_FAIL);
    EXPECT_EQ(server.Login(), L"latecomer");
    EXPECT_FALSE(server.Connected());
    EXPECT_EQ(server.ErrorText(), L"[Tavrosk][Engine]Login failed for user 'latecomer'.");
    EXPECT_EQ(console.viewUpdates.size(), 1u);

    tvengine::LoginInfo login;
    login.name = "latecomer";
    tvengine::Connect("(local)")->AddLogin(login, "pa55word");
    server.OnExpand(&console, &console, 5);
    EXPECT_FALSE(server.Connected()) << "no second attempt on expansion";

    Script keep({[] {
        EXPECT_EQ(IsDlgButtonChecked(Snapins::CBaseDlg::Current()->DialogWindow(), IDC_CONNECT_SQL),
                  BST_CHECKED);
        EXPECT_EQ(pagestest::TextOf(Control(IDC_CONNECT_USER)), L"latecomer");
        EXPECT_TRUE(tvp::Click(Control(IDOK)));
    }});
    server.ConnectAs(&console);
    EXPECT_TRUE(server.Connected());

    Script windows({[] {
        EXPECT_TRUE(tvp::Click(Control(IDC_CONNECT_WINDOWS)));
        EXPECT_FALSE(IsWindowEnabled(Control(IDC_CONNECT_USER)));
        EXPECT_EQ(pagestest::TextOf(Control(IDC_CONNECT_USER)), L"");
        EXPECT_TRUE(tvp::Click(Control(IDOK)));
    }});
    server.ConnectAs(&console);
    EXPECT_EQ(server.Login(), L"");
    EXPECT_EQ(server.Password(), L"");
    EXPECT_TRUE(server.Connected());

    Script cancel({[] { EXPECT_TRUE(tvp::Click(Control(IDCANCEL))); }});
    EXPECT_EQ(server.ConnectAs(&console), E_FAIL);
    EXPECT_EQ(console.viewUpdates.size(), 3u) << "Cancel changes nothing";
    EXPECT_TRUE(server.Connected());

    Script wrong({[] {
        EXPECT_TRUE(tvp::Click(Control(IDC_CONNECT_SQL)));
        EXPECT_TRUE(tvp::TypeText(Control(IDC_CONNECT_USER), L"latecomer"));
        EXPECT_TRUE(tvp::TypeText(Control(IDC_CONNECT_PASSWORD), L"wrong"));
        EXPECT_TRUE(tvp::Click(Control(IDOK)));
    }});
    server.ConnectAs(&console);
    EXPECT_FALSE(server.Connected()) << "a server object that did not connect is not shown as connected";
    EXPECT_EQ(server.ErrorText(), L"[Tavrosk][Engine]Login failed for user 'latecomer'.");
}

TEST_F(ServerNodes, RemovingAServerAsksAndTakesItsRegistrationAway) {
    AddGroup(L"Alpha", {L"DBSRV1"});
    CServers* group = Group(0);
    auto* server = dynamic_cast<CServer*>(group->GetChild(0));
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->OnDelete(&console), S_OK);
    ASSERT_EQ(console.boxes.size(), 1u);
    EXPECT_EQ(console.boxes[0],
              L"Korvath Console: Are you sure you want to remove server DBSRV1 from the console?");
    EXPECT_EQ(group->ChildCount(), 1u);

    console.answers = {IDYES};
    EXPECT_EQ(server->OnDelete(&console), S_OK);
    EXPECT_EQ(group->ChildCount(), 0u);
    group->OnRefresh(&console);
    group->OnExpand(&console, &console, group->ScopeItem());
    EXPECT_EQ(group->ChildCount(), 0u) << "the registration is gone from the store";
}

// Server Registration... runs the wizard with the group marked, then reads the servers again.
class Provider : public wizardtest::NodeManager {
public:
    CServers* group = nullptr;
    std::vector<HRESULT> pagesAsked;
    STDMETHODIMP AddPrimaryPages(LPUNKNOWN, BOOL, HWND, BOOL) override {
        pagesAsked.push_back(group->QueryPagesFor());
        return S_OK;
    }
    STDMETHODIMP Show(LONG_PTR, int) override { return S_OK; }
};

TEST_F(ServerNodes, ServerRegistrationRunsTheWizardAndRefreshesTheGroup) {
    AddGroup(L"Alpha", {L"(local)"});
    CServers* group = Group(0);
    Provider provider;
    provider.group = group;
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    EXPECT_EQ(group->OnMenuCommand(&console, IDM_REGISTER_SERVER, nullptr, nullptr, nullptr), S_OK);
    CoRevokeClassObject(registration);
    EXPECT_EQ(provider.pagesAsked, std::vector<HRESULT>{S_OK}) << "the group offers pages while it runs";
    EXPECT_FALSE(group->WizardRunning());
    EXPECT_EQ(group->ChildCount(), 0u) << "the children go, to be read again";
    EXPECT_EQ(console.viewUpdates.back(), (std::pair<LPARAM, LONG_PTR>(group->ScopeItem(), 1)));
}

} // namespace
