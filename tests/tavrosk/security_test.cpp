// The Security, Logins and Users nodes and the login pages against the real object model, an instance
// in the test's prefix and the storage-area access library: the tree under a server and a storage area,
// the logins and users listed from the library, read and write access granted and denied per storage
// area, deletion of logins, the administrator check that gates the commands and the Permissions page,
// and the page's permissions read from and written to the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>

#include "../../tavrosk/msde/dbaccess.h"
#include "../../tavrosk/msde/nodes/database.h"
#include "../../tavrosk/msde/nodes/databases.h"
#include "../../tavrosk/msde/nodes/login.h"
#include "../../tavrosk/msde/nodes/logins.h"
#include "../../tavrosk/msde/nodes/security.h"
#include "../../tavrosk/msde/nodes/server.h"
#include "../../tavrosk/msde/nodes/user.h"
#include "../../tavrosk/msde/nodes/users.h"
#include "../../tavrosk/resources/resource.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "wizard_provider.h"
#include "pages_test_support.h"
#include "objectmodel_setup.h"
#include "test_support.h"
#include "tvmmc.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;

namespace {

using Console = fake::AnsweringConsole;
using objectmodel::ComputerName;
using objectmodel::SetProgramFolder;
using wizardtest::SheetCallback;

// Whom the maker's administrator check calls an administrator: the stand-in library that PATH finds.
void SetAdministrator(bool administrator) {
    std::string folder = tvtest::BuildDir() + "/tests/lib/" + (administrator ? "administrator" : "user");
    setenv("PATH", folder.c_str(), 1);
}

std::vector<std::wstring> Names(Snapins::CBaseNode& container) {
    std::vector<std::wstring> names;
    for (auto it = container.ChildrenBegin(); it != container.ChildrenEnd(); ++it)
        names.push_back((*it)->GetDisplayText(0));
    return names;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::wstring> Menu(Snapins::CBaseNode& node, std::vector<std::wstring>* statusTexts = nullptr) {
    fake::MenuCallback menu;
    long allowed = CCM_INSERTIONALLOWED_TOP | CCM_INSERTIONALLOWED_NEW | CCM_INSERTIONALLOWED_TASK |
                   CCM_INSERTIONALLOWED_VIEW;
    node.AddMenuItems(&menu, &allowed);
    if (statusTexts) *statusTexts = menu.statusTexts;
    return menu.names;
}

// The library's users on (local), with Sales made once; every test has (local) connected, with Security
// and Logins expanded and the Users container of Sales, and starts as an administrator.
class SecurityNodes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        objectmodel::Register();
        objectmodel::SetProgramFolder();
        objectmodel::MakeArea("Sales");
    }
    void SetUp() override {
        SetAdministrator(true);
        server.OnExpand(&console, &console, 6);
        ASSERT_EQ(server.ChildCount(), 3u);
        security = dynamic_cast<CSecurity*>(server.GetChild(2));
        ASSERT_NE(security, nullptr);
        security->OnExpand(&console, &console, 7);
        logins = dynamic_cast<CLogins*>(security->GetChild(0));
        ASSERT_NE(logins, nullptr);
        auto* databases = dynamic_cast<CDatabases*>(server.GetChild(0));
        databases->OnExpand(&console, &console, 8);
        for (auto it = databases->ChildrenBegin(); it != databases->ChildrenEnd(); ++it)
            if ((*it)->GetDisplayText(0) == L"Sales") sales = dynamic_cast<CDatabase*>(*it);
        ASSERT_NE(sales, nullptr);
        sales->OnExpand(&console, &console, 9);
        users = dynamic_cast<CUsers*>(sales->GetChild(0));
        ASSERT_NE(users, nullptr);
    }

    // Adds users to the library and lists the containers anew.
    void AddUsers(std::initializer_list<const wchar_t*> names) {
        CDBAccessModule library(L"(local)");
        library.CreateUserTables();
        for (const wchar_t* name : names)
            library.AddUser(name);
        Relist();
    }
    void Relist() {
        logins->OnRefresh(&console);
        logins->OnShow(&console, TRUE, 10);
        users->OnRefresh(&console);
        users->OnShow(&console, TRUE, 11);
    }
    template <class Node> Node* Child(Snapins::CBaseNode& container, const std::wstring& name) {
        for (auto it = container.ChildrenBegin(); it != container.ChildrenEnd(); ++it)
            if ((*it)->GetDisplayText(0) == name) return dynamic_cast<Node*>(*it);
        return nullptr;
    }
    static std::pair<int, int> Access(const std::wstring& area, const std::wstring& name) {
        CDBAccessModule library(L"(local)", area.c_str());
        int read = -1, write = -1;
        EXPECT_EQ(library.GetUserDBPermission(name, read, write), 1);
        return {read, write};
    }
    static bool InLibrary(const std::wstring& name) {
        CDBAccessModule library(L"(local)", L"UserPerm");
        int flags[4][CDBAccessModule::kDataTypes];
        return library.GetUserTypePermissions(name, flags[0], flags[1], flags[2], flags[3]) == 1;
    }

    Console console;
    CServer server{L"(local)"};
    CSecurity* security = nullptr;
    CLogins* logins = nullptr;
    CDatabase* sales = nullptr;
    CUsers* users = nullptr;
};

TEST_F(SecurityNodes, ServerHoldsSecurityWithLoginsAndAStorageAreaHoldsUsers) {
    EXPECT_EQ(Names(server), (std::vector<std::wstring>{L"Databases", L"Management", L"Security"}));
    EXPECT_EQ(security->ChildCount(), 1u);
    EXPECT_EQ(logins->GetDisplayText(0), L"Logins");
    EXPECT_EQ(security->GetImageIndex(), 3);
    EXPECT_EQ(security->GetOpenImageIndex(), 4);
    EXPECT_EQ(logins->GetImageIndex(), 12);
    EXPECT_EQ(users->GetDisplayText(0), L"Users");
    EXPECT_EQ(sales->ChildCount(), 1u) << "one Users container, however often it is expanded";
    sales->OnExpand(&console, &console, 9);
    EXPECT_EQ(sales->ChildCount(), 1u);
    // Both containers are leaves in the tree: their members are result items.
    const SCOPEDATAITEM& inserted = console.scopeItems.back();
    EXPECT_EQ(inserted.lParam, reinterpret_cast<LPARAM>(users));
    EXPECT_TRUE(inserted.mask & SDI_CHILDREN);
    EXPECT_EQ(inserted.cChildren, 0);

    logins->InsertColumns(&console);
    EXPECT_EQ(console.columns, std::vector<std::wstring>{L"Name"});
    console.columns.clear();
    users->InsertColumns(&console);
    EXPECT_EQ(console.columns, (std::vector<std::wstring>{L"Name", L"Read", L"Write"}));

    logins->OnContextHelp(&console, L"tavrosk.chm");
    users->OnContextHelp(&console, L"tavrosk.chm");
    EXPECT_EQ(console.helpTopics,
              (std::vector<std::wstring>{L"tavrosk.chm::logins.htm", L"tavrosk.chm::users.htm"}));
    logins->OnSelect(&console, TRUE, TRUE);
    EXPECT_EQ(console.verbs.enabled, std::vector<MMC_CONSOLE_VERB>{MMC_VERB_REFRESH});
}

TEST_F(SecurityNodes, LoginsAndUsersAreTheLibrarysUsersWithTheirAccessToTheArea) {
    AddUsers({L"anna", L"bert", L"J\u00fcrgen"});
    std::vector<std::wstring> listed = Names(*logins);
    EXPECT_TRUE(Contains(listed, L"anna") && Contains(listed, L"bert") && Contains(listed, L"J\u00fcrgen"));
    CLogin* anna = Child<CLogin>(*logins, L"anna");
    ASSERT_NE(anna, nullptr);
    EXPECT_FALSE(anna->IsScopeItem());
    EXPECT_EQ(anna->GetDisplayText(1), L"anna") << "the name in every column";
    EXPECT_EQ(anna->GetImageIndex(), 13);
    EXPECT_EQ(console.LastStatus(), std::to_wstring(users->ChildCount()) + L" Items");

    CDBAccessModule area(L"(local)", L"Sales");
    ASSERT_NE(area.SetUserDBPermission(L"bert", 0, 1), 0);
    Relist();
    CUser* bert = Child<CUser>(*users, L"bert");
    CUser* jurgen = Child<CUser>(*users, L"J\u00fcrgen");
    ASSERT_NE(bert, nullptr);
    ASSERT_NE(jurgen, nullptr);
    EXPECT_EQ(bert->GetDisplayText(1), L"No");
    EXPECT_EQ(bert->GetDisplayText(2), L"Yes");
    EXPECT_EQ(jurgen->GetDisplayText(1), L"Yes") << "access never stored is granted";
    EXPECT_EQ(jurgen->GetDisplayText(3), L"");
}

TEST_F(SecurityNodes, AFreshServerGetsItsUserTablesOnTheFirstListingAndShowsNoLogins) {
    tvengine::CreateInstance("FRESH");
    std::wstring name = ComputerName() + L"\\FRESH";
    CDBAccessModule before(name);
    int count = -1;
    ASSERT_NE(before.GetUserCount(count), 1) << "no user tables yet";
    CServer fresh(name);
    fresh.OnExpand(&console, &console, 20);
    auto* freshSecurity = dynamic_cast<CSecurity*>(fresh.GetChild(2));
    ASSERT_NE(freshSecurity, nullptr);
    freshSecurity->OnExpand(&console, &console, 21);
    Snapins::CBaseNode* freshLogins = freshSecurity->GetChild(0);
    freshLogins->OnShow(&console, TRUE, 22);
    EXPECT_EQ(freshLogins->ChildCount(), 0u);
    EXPECT_EQ(before.GetUserCount(count), 1);
    EXPECT_EQ(count, 0);
}

TEST_F(SecurityNodes, GrantAndDenyChangeTheLibraryTheFlagAndTheRow) {
    AddUsers({L"carla"});
    CUser* carla = Child<CUser>(*users, L"carla");
    ASSERT_NE(carla, nullptr);
    std::vector<std::wstring> status;
    EXPECT_EQ(Menu(*carla, &status),
              (std::vector<std::wstring>{L"Disable Read Access", L"Disable Write Access"}));
    EXPECT_EQ(status, (std::vector<std::wstring>{L"Deny this user read access to the database.",
                                                 L"Deny this user write access to the database."}));

    console.viewUpdates.clear();
    EXPECT_EQ(carla->OnMenuCommand(&console, IDM_DISABLE_READ, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(Access(L"Sales", L"carla"), std::make_pair(0, 1));
    EXPECT_FALSE(carla->Read());
    EXPECT_EQ(carla->GetDisplayText(1), L"No");
    ASSERT_EQ(console.viewUpdates.size(), 1u);
    EXPECT_EQ(console.viewUpdates[0], std::make_pair(static_cast<LPARAM>(carla->ResultItem()), LONG_PTR(2)));
    EXPECT_EQ(Menu(*carla, &status),
              (std::vector<std::wstring>{L"Enable Read Access", L"Disable Write Access"}));
    EXPECT_EQ(status[0], L"Grant this user read access to the database.");

    carla->OnMenuCommand(&console, IDM_DISABLE_WRITE, nullptr, nullptr, nullptr);
    EXPECT_EQ(Access(L"Sales", L"carla"), std::make_pair(0, 0));
    EXPECT_EQ(Menu(*carla, &status),
              (std::vector<std::wstring>{L"Enable Read Access", L"Enable Write Access"}));
    EXPECT_EQ(status[1], L"Grant this user write access to the database.");
    carla->OnMenuCommand(&console, IDM_ENABLE_WRITE, nullptr, nullptr, nullptr);
    carla->OnMenuCommand(&console, IDM_ENABLE_READ, nullptr, nullptr, nullptr);
    EXPECT_EQ(Access(L"Sales", L"carla"), std::make_pair(1, 1));
    EXPECT_TRUE(carla->Read() && carla->Write());
    EXPECT_EQ(carla->OnMenuCommand(&console, IDM_ADD_LOGINS, nullptr, nullptr, nullptr), S_FALSE);
}

TEST_F(SecurityNodes, DenyingWriteKeepsAReadDenialMadeSinceTheListing) {
    AddUsers({L"dora"});
    CUser* dora = Child<CUser>(*users, L"dora");
    ASSERT_NE(dora, nullptr);
    ASSERT_TRUE(dora->Read());
    CDBAccessModule area(L"(local)", L"Sales");
    ASSERT_NE(area.SetUserDBPermission(L"dora", 0, 1), 0); // another console denied read
    dora->OnMenuCommand(&console, IDM_DISABLE_WRITE, nullptr, nullptr, nullptr);
    EXPECT_EQ(Access(L"Sales", L"dora"), std::make_pair(0, 0));
    EXPECT_TRUE(dora->Read()) << "the row shows what the listing read until it is listed again";
    EXPECT_FALSE(dora->Write());
}

TEST_F(SecurityNodes, AFailedStoreLeavesTheFlagAndTheRow) {
    AddUsers({L"emil"});
    CUser* emil = Child<CUser>(*users, L"emil");
    ASSERT_NE(emil, nullptr);
    CDBAccessModule(L"(local)").DeleteUser(L"emil");
    console.viewUpdates.clear();
    EXPECT_EQ(emil->OnMenuCommand(&console, IDM_DISABLE_READ, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(emil->Read());
    EXPECT_TRUE(console.viewUpdates.empty());
    EXPECT_TRUE(console.boxes.empty()) << "no message";
}

TEST_F(SecurityNodes, DeletingALoginAsksAndRemovesTheUserFromTheLibraryOnlyOnYes) {
    AddUsers({L"fritz"});
    CLogin* fritz = Child<CLogin>(*logins, L"fritz");
    ASSERT_NE(fritz, nullptr);
    fritz->OnSelect(&console, FALSE, TRUE);
    EXPECT_EQ(console.verbs.enabled, (std::vector<MMC_CONSOLE_VERB>{MMC_VERB_DELETE, MMC_VERB_PROPERTIES}));
    EXPECT_EQ(console.verbs.defaultVerb, MMC_VERB_PROPERTIES);
    EXPECT_EQ(fritz->OnSelect(&console, FALSE, FALSE), S_FALSE);

    fritz->OnDelete(&console);
    EXPECT_EQ(console.boxes,
              std::vector<std::wstring>{L"fritz: Are you sure you want to delete this login?"});
    EXPECT_EQ(console.styles, std::vector<UINT>{MB_YESNO | MB_ICONQUESTION});
    EXPECT_TRUE(InLibrary(L"fritz"));
    EXPECT_EQ(Child<CLogin>(*logins, L"fritz"), fritz);

    HRESULTITEM item = fritz->ResultItem();
    console.answers = {IDYES};
    EXPECT_EQ(fritz->OnDelete(&console), S_OK);
    EXPECT_FALSE(InLibrary(L"fritz"));
    EXPECT_EQ(Child<CLogin>(*logins, L"fritz"), nullptr);
    EXPECT_EQ(console.deletedResultItems.back(), item);
}

// Refreshing drops the login nodes: the users they stand for stay in the library.
TEST_F(SecurityNodes, RefreshListsTheLoginsAgainAndKeepsTheirUsers) {
    AddUsers({L"greta", L"hans"});
    ASSERT_TRUE(Contains(Names(*logins), L"greta"));
    console.viewUpdates.clear();
    logins->OnRefresh(&console);
    EXPECT_EQ(logins->ChildCount(), 0u);
    ASSERT_EQ(console.viewUpdates.size(), 1u);
    EXPECT_EQ(console.viewUpdates[0].second, 1);
    EXPECT_TRUE(InLibrary(L"greta"));
    EXPECT_TRUE(InLibrary(L"hans"));
    logins->OnShow(&console, TRUE, 10);
    EXPECT_TRUE(Contains(Names(*logins), L"greta") && Contains(Names(*logins), L"hans"));
}

TEST_F(SecurityNodes, OnlyAdministratorsGetTheCommandsAndThePermissionsPage) {
    AddUsers({L"ida"});
    CUser* ida = Child<CUser>(*users, L"ida");
    CLogin* login = Child<CLogin>(*logins, L"ida");
    ASSERT_TRUE(ida && login);
    std::vector<std::wstring> status;
    EXPECT_EQ(Menu(*logins, &status), std::vector<std::wstring>{L"Add / Modify Logins"});
    EXPECT_EQ(status, std::vector<std::wstring>{L"Add new logins or modify existing logins."});
    SheetCallback callback;
    ASSERT_EQ(login->CreatePropertyPages(&callback, 0), S_OK);
    EXPECT_EQ(callback.pages.size(), 2u);
    EXPECT_EQ(login->QueryPagesFor(), S_OK);

    SetAdministrator(false); // asked anew each time
    EXPECT_TRUE(Menu(*logins).empty());
    EXPECT_TRUE(Menu(*ida).empty());
    SheetCallback general;
    login->CreatePropertyPages(&general, 0);
    EXPECT_EQ(general.pages.size(), 1u);

    SetAdministrator(true);
    EXPECT_EQ(Menu(*ida).size(), 2u);
}

// The console's node manager, which reports what the container offers while its wizard is being built.
class Provider : public wizardtest::NodeManager {
public:
    Snapins::CBaseNode* node = nullptr;
    std::vector<HRESULT> pagesAsked;
    bool pictures = false;
    STDMETHODIMP AddPrimaryPages(LPUNKNOWN, BOOL, HWND, BOOL) override {
        pagesAsked.push_back(node->QueryPagesFor());
        HBITMAP watermark = nullptr, header = nullptr;
        BOOL stretch = FALSE;
        node->GetWatermarks(&watermark, &header, nullptr, &stretch);
        BITMAP size{};
        pictures = watermark && header && stretch && GetObjectW(watermark, sizeof size, &size) &&
                   size.bmWidth == 164 && size.bmHeight == 314;
        return S_OK;
    }
    STDMETHODIMP Show(LONG_PTR, int) override { return S_OK; }
};

TEST_F(SecurityNodes, AddModifyLoginsRunsTheWizardAndListsTheLoginsAgain) {
    AddUsers({L"jens"});
    Provider provider;
    provider.node = logins;
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    EXPECT_EQ(logins->QueryPagesFor(), S_FALSE) << "the container has no property sheet";
    console.viewUpdates.clear();
    EXPECT_EQ(logins->OnMenuCommand(&console, IDM_ADD_LOGINS, nullptr, nullptr, nullptr), S_OK);
    CoRevokeClassObject(registration);
    EXPECT_EQ(provider.pagesAsked, std::vector<HRESULT>{S_OK});
    EXPECT_TRUE(provider.pictures);
    EXPECT_FALSE(logins->WizardRunning());
    EXPECT_TRUE(logins->PagesMode());
    EXPECT_EQ(logins->ChildCount(), 0u) << "the logins are listed again on the next display";
    EXPECT_EQ(console.viewUpdates.back().second, 1);
    EXPECT_TRUE(InLibrary(L"jens"));
}

TEST_F(SecurityNodes, WithoutTheLibraryTheListsAreEmptyAndCommandsDoNothing) {
    AddUsers({L"karl"});
    CUser* karl = Child<CUser>(*users, L"karl");
    CLogin* login = Child<CLogin>(*logins, L"karl");
    ASSERT_TRUE(karl && login);
    SetProgramFolder(tvtest::Prefix() + "/nowhere");
    EXPECT_EQ(karl->OnMenuCommand(&console, IDM_DISABLE_READ, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(karl->Read());
    console.answers = {IDYES};
    login->OnDelete(&console); // the node goes; the library cannot be asked
    Relist();
    SetProgramFolder(tvtest::BuildDir() + "/vendor");
    EXPECT_EQ(logins->ChildCount(), 0u);
    EXPECT_EQ(users->ChildCount(), 0u);
    EXPECT_TRUE(InLibrary(L"karl"));
    EXPECT_EQ(Access(L"Sales", L"karl"), std::make_pair(1, 1));
}

using wizardtest::g_sheet;
using wizardtest::RememberSheet;

using pagestest::TextOf;

HWND Control(int id) {
    return GetDlgItem(PropSheet_GetCurrentPageHwnd(g_sheet), id);
}

void RunSheet(SheetCallback& callback, std::vector<tvtest::Script::Step> steps) {
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_USECALLBACK;
    header.pfnCallback = RememberSheet;
    header.pszCaption = L"Login";
    header.nPages = static_cast<UINT>(callback.pages.size());
    header.phpage = callback.pages.data();
    tvtest::Script script(std::move(steps));
    PropertySheetW(&header);
}

struct TypeFlags {
    int read, write, third, fourth;
    bool operator==(const TypeFlags&) const = default;
};

TypeFlags Flags(const std::wstring& name, int type) {
    CDBAccessModule library(L"(local)", L"UserPerm");
    int flags[4][CDBAccessModule::kDataTypes] = {};
    EXPECT_EQ(library.GetUserTypePermissions(name, flags[0], flags[1], flags[2], flags[3]), 1);
    return {flags[0][type - 1], flags[1][type - 1], flags[2][type - 1], flags[3][type - 1]};
}

// The rows of the data-type list that the test uses: Annotation Data, Markers (type 10) and Matching
// Data (type 11); type 12 has no row and follows Markers.
constexpr int kAnnotationRow = 1, kMarkersRow = 9, kMatchingRow = 10;

TEST_F(SecurityNodes, PermissionsPageShowsTheLibrarysFlagsAndAppliesEveryType) {
    AddUsers({L"lena"});
    {
        CDBAccessModule library(L"(local)", L"UserPerm");
        library.SetUserTypePermission(L"lena", 1, 1, 1, 0, 0);
        library.SetUserTypePermission(L"lena", 2, 0, 1, 0, 0);
    }
    CLogin* lena = Child<CLogin>(*logins, L"lena");
    SheetCallback callback;
    lena->CreatePropertyPages(&callback, 0);
    ASSERT_EQ(callback.pages.size(), 2u);
    RunSheet(callback, {
                           [&] {
                               EXPECT_EQ(TextOf(Control(IDC_LOGIN_NAME)), L"lena");
                               PropSheet_SetCurSel(g_sheet, nullptr, 1);
                           },
                           [&] {
                               HWND list = Control(IDC_LOGIN_TYPE);
                               ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 25);
                               EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_ALTERATIONS)), L"r w ");
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_ANNOTATION)), L"w ") << "write alone";
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_MARKERS)), L"");
                               EXPECT_EQ(IsDlgButtonChecked(GetParent(list), IDC_LOGIN_READ), BST_CHECKED);
                               EXPECT_EQ(IsDlgButtonChecked(GetParent(list), IDC_LOGIN_WRITE), BST_CHECKED);
                               ASSERT_TRUE(tvp::ChooseItem(list, kAnnotationRow));
                               EXPECT_EQ(IsDlgButtonChecked(GetParent(list), IDC_LOGIN_READ), BST_UNCHECKED);
                               EXPECT_EQ(IsDlgButtonChecked(GetParent(list), IDC_LOGIN_WRITE), BST_CHECKED);
                               EXPECT_FALSE(IsWindowVisible(Control(IDC_LOGIN_CREATE)) ||
                                            IsWindowEnabled(Control(IDC_LOGIN_DELETE)));

                               // Markers: type 12 takes the same read and write.
                               ASSERT_TRUE(tvp::ChooseItem(list, kMarkersRow));
                               ASSERT_TRUE(tvp::Click(Control(IDC_LOGIN_READ)));
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_MARKERS)), L"r ");
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_MEXT)), L"r ");
                               // Matching Data: ticked and cleared again, still marked as changed; type 12
                               // stays.
                               ASSERT_TRUE(tvp::ChooseItem(list, kMatchingRow));
                               tvp::Click(Control(IDC_LOGIN_WRITE));
                               tvp::Click(Control(IDC_LOGIN_WRITE));
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_MATCHING)), L"");
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_MEXT)), L"r ");
                               EXPECT_TRUE(IsWindowEnabled(GetDlgItem(g_sheet, ID_APPLY_NOW)))
                                   << "Apply is offered";
                               PropSheet_Apply(g_sheet);
                               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_sheet, ID_APPLY_NOW)))
                                   << "every store succeeded";
                               PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                           },
                       });
    EXPECT_EQ(Flags(L"lena", 10), (TypeFlags{1, 0, 1, 1}));
    EXPECT_EQ(Flags(L"lena", 12), (TypeFlags{1, 0, 0, 0})) << "type 12 follows Markers' read and write only";
    EXPECT_EQ(Flags(L"lena", 11), (TypeFlags{0, 0, 1, 1})) << "changed types get the third and fourth flags";
    EXPECT_EQ(Flags(L"lena", 2), (TypeFlags{0, 1, 0, 0})) << "unedited types are written as they were read";
    EXPECT_EQ(Flags(L"lena", 1), (TypeFlags{1, 1, 0, 0}));
}

TEST_F(SecurityNodes, PermissionsPageOfALoginTheLibraryCannotReadStaysBlank) {
    auto* ghost = new CLogin(L"ghost");
    logins->AddChild(ghost, true);
    SheetCallback callback;
    ghost->CreatePropertyPages(&callback, 0);
    ASSERT_EQ(callback.pages.size(), 2u);
    RunSheet(callback, {
                           [&] { PropSheet_SetCurSel(g_sheet, nullptr, 1); },
                           [&] {
                               EXPECT_EQ(SendMessageW(Control(IDC_LOGIN_TYPE), CB_GETCOUNT, 0, 0), 25)
                                   << "the list is filled";
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_ALTERATIONS)), L"");
                               EXPECT_TRUE(tvp::Click(Control(IDC_LOGIN_READ))) << "editable all the same";
                               EXPECT_EQ(TextOf(Control(IDC_SUMMARY_ALTERATIONS)), L"r ");
                               PropSheet_Apply(g_sheet);
                               PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                           },
                       });
    EXPECT_FALSE(InLibrary(L"ghost")) << "the library stores nothing for a user it does not know";
}

// The sheet's notify handle is freed once: by the Permissions page, or by the General page when the
// sheet has no Permissions page.
TEST_F(SecurityNodes, TheSheetsNotifyHandleIsFreedWithItsPages) {
    AddUsers({L"mia"});
    CLogin* mia = Child<CLogin>(*logins, L"mia");
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (bool administrator : {true, false}) {
        SetAdministrator(administrator);
        LONG_PTR handle = TvCreateNotifyHandle(window, WM_APP, WM_APP + 1);
        SheetCallback callback;
        mia->CreatePropertyPages(&callback, handle);
        EXPECT_EQ(MMCPropertyChangeNotify(handle, 1), S_OK);
        SheetCallback next;
        mia->CreatePropertyPages(&next, 0); // deletes the pages of the last sheet
        EXPECT_EQ(MMCPropertyChangeNotify(handle, 1), E_INVALIDARG) << "administrator " << administrator;
    }
    DestroyWindow(window);
}

} // namespace
