// The databases container and the database node against the real object model and an instance in the
// test's prefix, with storage areas made by the maker's tool: the list of storage areas and its
// progress, the row texts, sorting, the menus on local, remote and newer servers, the read-only toggle,
// deletion on the user's word, the wizard commands, and failures that must not lose what was shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "../../tavrosk/iterators/databaseiterator.h"
#include "../../tavrosk/msde/nodes/database.h"
#include "../../tavrosk/msde/nodes/databases.h"
#include "../../tavrosk/msde/nodes/nodetext.h"
#include "../../tavrosk/msde/nodes/server.h"
#include "../../tavrosk/resources/resource.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "wizard_provider.h"
#include "pages_test_support.h"
#include "objectmodel_setup.h"
#include "test_support.h"
#include "tvfrontend.h"
#include "tvmmc.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;

namespace {

// Message boxes with no owner: the shown form of the error report.
class FrontEnd : public ITvFrontEnd {
public:
    std::vector<std::wstring> boxes; // "caption: text"
    int MessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT) override {
        boxes.push_back(std::wstring(caption) + L": " + text);
        return IDOK;
    }
};

using Console = fake::AnsweringConsole;
using objectmodel::ComputerName;
using objectmodel::MakeArea;
using objectmodel::SetProgramFolder;
using wizardtest::SheetCallback;

// A database of the test's own, for figures the engine does not give; its log answers from its fields.
class FakeLog : public fake::Unknown<IWSQLDMOTransactionLog> {
public:
    long size = 0;
    float space = 0;
    std::wstring created = L"2026-01-02 03:04:05";
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP GetCreateDate(SQLDMO_LPBSTR p) override {
        return *p = SysAllocString(created.c_str()), S_OK;
    }
    STDMETHODIMP GetLastBackup(SQLDMO_LPBSTR p) override { return *p = SysAllocString(L""), S_OK; }
    STDMETHODIMP GetSize(LPLONG p) override { return *p = size, S_OK; }
    STDMETHODIMP GetSpaceAvailableInMB(float* p) override { return *p = space, S_OK; }
    STDMETHODIMP GetLogFiles(IWSQLDMOLogFiles**) override { return E_NOTIMPL; }
};
class FakeDatabase : public fake::Unknown<IWSQLDMODatabase> {
public:
    long size = 0, status = 0;
    float space = 0;
    HRESULT logResult = S_OK;
    FakeLog log;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override { return *p = SysAllocString(L"Figures"), S_OK; }
    STDMETHODIMP SetName(SQLDMO_LPCSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetSize(LPLONG p) override { return *p = size, S_OK; }
    STDMETHODIMP GetSpaceAvailableInMB(float* p) override { return *p = space, S_OK; }
    STDMETHODIMP GetSystemObject(VARIANT_BOOL* p) override { return *p = VARIANT_FALSE, S_OK; }
    STDMETHODIMP GetStatus(LPLONG p) override { return *p = status, S_OK; }
    STDMETHODIMP GetCreateDate(SQLDMO_LPBSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetTransactionLog(IWSQLDMOTransactionLog** p) override {
        *p = nullptr;
        if (FAILED(logResult)) return logResult;
        log.AddRef();
        return *p = &log, S_OK;
    }
    STDMETHODIMP GetDBOption(IWSQLDMODBOption**) override { return E_NOTIMPL; }
    STDMETHODIMP GetFileGroups(IWSQLDMOFileGroups**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumLocks(long, IWSQLDMOQueryResults**) override { return E_NOTIMPL; }
    STDMETHODIMP Remove() override { return E_NOTIMPL; }
};

DatabasePtr Held(IWSQLDMODatabase* database) {
    database->AddRef();
    return DatabasePtr(database);
}

// The object model registered, the default instance with the storage areas Sales and Engineering and
// the plain database Plain made once; every test has (local) connected with its Databases container.
class DatabaseNodes : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        objectmodel::Register();
        objectmodel::SetProgramFolder();
        MakeArea("Sales");
        MakeArea("Engineering");
        tvengine::DatabaseSpec plain;
        plain.name = "Plain";
        tvengine::Connect("(local)")->CreateDatabase(plain);
    }
    void SetUp() override {
        TvSetFrontEnd(&frontEnd);
        server.OnExpand(&console, &console, 6);
        databases = dynamic_cast<CDatabases*>(server.GetChild(0));
        ASSERT_NE(databases, nullptr);
        databases->OnExpand(&console, &console, 7);
    }
    void TearDown() override { TvSetFrontEnd(nullptr); }

    CDatabase* Area(const std::wstring& name) {
        for (auto it = databases->ChildrenBegin(); it != databases->ChildrenEnd(); ++it)
            if ((*it)->GetDisplayText(0) == name) return dynamic_cast<CDatabase*>(*it);
        return nullptr;
    }
    std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        for (auto it = databases->ChildrenBegin(); it != databases->ChildrenEnd(); ++it)
            names.push_back((*it)->GetDisplayText(0));
        return names;
    }
    // The menu's names, a separator as an empty name, or left out when the console refuses separators
    // as the console does.
    static std::vector<std::wstring> Menu(Snapins::CBaseNode& node, bool refuseSeparators = false) {
        class Callback : public fake::MenuCallback {
        public:
            bool refuseSeparators = false;
            STDMETHODIMP AddItem(CONTEXTMENUITEM* item) override {
                if (refuseSeparators && (item->fFlags & MF_SEPARATOR)) return E_INVALIDARG;
                return fake::MenuCallback::AddItem(item);
            }
        } menu;
        menu.refuseSeparators = refuseSeparators;
        long allowed = 0xF;
        node.AddMenuItems(&menu, &allowed);
        return menu.names;
    }

    FrontEnd frontEnd;
    Console console;
    CServer server{L"(local)"};
    CDatabases* databases = nullptr;
};

TEST_F(DatabaseNodes, ContainerListsTheStorageAreasWithAProgressOverEveryDatabase) {
    EXPECT_EQ(databases->GetDisplayText(0), L"Databases");
    std::vector<std::wstring> names = Names();
    EXPECT_NE(std::find(names.begin(), names.end(), L"Sales"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), L"Engineering"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), L"Plain"), names.end()) << "not a storage area";
    EXPECT_EQ(std::find(names.begin(), names.end(), L"master"), names.end()) << "a system database";
    size_t progress = std::count_if(console.statusTexts.begin(), console.statusTexts.end(),
                                    [](const std::wstring& text) { return text.rfind(L"|%", 0) == 0; });
    EXPECT_EQ(progress, tvengine::Connect("(local)")->Databases().size());
    EXPECT_EQ(console.LastStatus(), std::to_wstring(names.size()) + L" Items");

    databases->InsertColumns(&console);
    EXPECT_EQ(console.columns,
              (std::vector<std::wstring>{L"Name", L"Size (MB)", L"Available (MB)", L"Log Size (MB)",
                                         L"Log Available (MB)", L"Type", L"Created On", L"Last Backup",
                                         L"Status", L"Read Only"}));
}

TEST_F(DatabaseNodes, RowShowsWhatTheServerReportsAndUnknownWhereItCannotBeRead) {
    tvengine::DatabaseInfo info = tvengine::Connect("(local)")->Database("Sales");
    CDatabase* sales = Area(L"Sales");
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(sales->GetDisplayText(1), info.sizeMB == 0 ? L"< 1" : std::to_wstring(info.sizeMB));
    EXPECT_EQ(sales->GetDisplayText(5), L"User");
    EXPECT_NE(sales->GetDisplayText(6), L"Unknown");
    EXPECT_EQ(sales->GetDisplayText(7), L"Unknown") << "never backed up";
    EXPECT_EQ(sales->GetDisplayText(8), L"Ready");
    EXPECT_EQ(sales->GetDisplayText(9), L"No");
    EXPECT_EQ(sales->GetDisplayText(10), L"");

    MakeArea("Vanishing");
    databases->OnRefresh(&console);
    databases->OnExpand(&console, &console, 7);
    CDatabase* vanishing = Area(L"Vanishing");
    ASSERT_NE(vanishing, nullptr);
    tvengine::Connect("(local)")->DropDatabase("Vanishing");
    EXPECT_TRUE(FAILED(vanishing->Initialize()));
    EXPECT_EQ(vanishing->GetDisplayText(0), L"Vanishing");
    for (int column : {1, 2, 3, 4, 6, 7, 8})
        EXPECT_EQ(vanishing->GetDisplayText(column), L"Unknown") << column;
}

TEST_F(DatabaseNodes, SmallFiguresStatusesAndNumericSorting) {
    FakeDatabase figures;
    CDatabase node(Held(&figures), true);
    node.Initialize();
    EXPECT_EQ(node.GetDisplayText(1), L"< 1");
    EXPECT_EQ(node.GetDisplayText(2), L"0.00") << "no \"< 1\" for free space";
    EXPECT_EQ(node.GetDisplayText(3), L"< 1");
    EXPECT_EQ(node.GetDisplayText(4), L"0.00");
    EXPECT_EQ(node.GetDisplayText(7), L"Unknown") << "an empty date";
    const std::pair<long, const wchar_t*> statuses[] = {
        {0x20, L"Loading"},       {0xC0, L"Recovering"}, {0x100, L"Suspect"},    {0x200, L"Offline"},
        {0x3E0, L"Inaccessible"}, {0x400, L"Standby"},   {0x8000, L"Emergency"}, {0x220, L"Unknown"}};
    for (auto [status, text] : statuses) {
        figures.status = status;
        node.Initialize();
        EXPECT_EQ(node.GetDisplayText(8), text) << status;
    }
    // A log that cannot be had leaves the log's figures as they were.
    figures.logResult = E_FAIL;
    figures.log.created = L"2027-01-01 00:00:00";
    node.Initialize();
    EXPECT_EQ(node.GetDisplayText(6), L"2026-01-02 03:04:05");

    FakeDatabase larger;
    larger.size = 10;
    larger.space = 1.5f;
    CDatabase other(Held(&larger), true);
    other.Initialize();
    figures.size = 9;
    node.Initialize();
    EXPECT_EQ(other.GetDisplayText(2), L"1.50");
    int result = 0;
    EXPECT_EQ(node.CompareResultItems(&other, 1, &result), S_OK);
    EXPECT_EQ(result, -1) << "9 before 10, which a text comparison would not give";
    other.CompareResultItems(&node, 1, &result);
    EXPECT_EQ(result, 1);
    for (int column : {3, 4}) {
        node.CompareResultItems(&other, column, &result);
        EXPECT_EQ(result, 0) << "equal figures are equal in column " << column;
        other.CompareResultItems(&node, column, &result);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(node.CompareResultItems(&other, 10, &result), E_FAIL);
    EXPECT_EQ(node.CompareResultItems(databases, 1, &result), E_FAIL);
}

TEST_F(DatabaseNodes, ReadOnlyToggleChangesTheServerTheRowAndTheMenu) {
    CDatabase* sales = Area(L"Sales");
    ASSERT_NE(sales, nullptr);
    EXPECT_EQ(Menu(*sales).back(), L"Make Read-Only");
    EXPECT_EQ(Menu(*sales, true).back(), L"Make Read-Only") << "a refused separator keeps the toggle";
    EXPECT_EQ(sales->OnMenuCommand(&console, IDM_MAKE_READ_ONLY, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(tvengine::Connect("(local)")->Database("Sales").readOnly);
    EXPECT_EQ(sales->GetDisplayText(9), L"Yes");
    EXPECT_EQ(console.updatedResultItems.size(), 1u);
    EXPECT_EQ(Menu(*sales).back(), L"Make Writeable");
    sales->OnMenuCommand(&console, IDM_MAKE_WRITEABLE, nullptr, nullptr, nullptr);
    EXPECT_FALSE(tvengine::Connect("(local)")->Database("Sales").readOnly);
    EXPECT_EQ(sales->GetDisplayText(9), L"No");
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_EQ(sales->OnMenuCommand(&console, IDM_CONNECT_AS, nullptr, nullptr, nullptr), S_FALSE);
}

TEST_F(DatabaseNodes, FailedToggleIsShownAndLeavesTheFlag) {
    MakeArea("Fleeting");
    databases->OnRefresh(&console);
    databases->OnExpand(&console, &console, 7);
    CDatabase* fleeting = Area(L"Fleeting");
    ASSERT_NE(fleeting, nullptr);
    tvengine::Connect("(local)")->DropDatabase("Fleeting");
    EXPECT_EQ(fleeting->OnMenuCommand(&console, IDM_MAKE_READ_ONLY, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_EQ(frontEnd.boxes[0].rfind(L"[Tavrosk]", 0), 0u) << "the bracketed sources are the caption";
    EXPECT_FALSE(fleeting->ReadOnly());
}

TEST_F(DatabaseNodes, DeletionAsksWithTheWholeNameAndDropsOnlyOnYes) {
    MakeArea("Area1");
    databases->OnRefresh(&console);
    databases->OnExpand(&console, &console, 7);
    CDatabase* area = Area(L"Area1");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->OnDelete(&console), S_OK);
    EXPECT_EQ(console.boxes,
              std::vector<std::wstring>{L"Delete Database -- Area1: Are you sure you want to delete database "
                                        L"'Area1'?"});
    EXPECT_EQ(console.styles, std::vector<UINT>{0x24});
    EXPECT_TRUE(tvengine::Connect("(local)")->DatabaseExists("Area1"));

    // A database in use cannot be dropped: the server says why, and the node stays.
    auto user = tvengine::Connect("(local)");
    user->Use("Area1");
    console.answers = {IDYES};
    area->OnDelete(&console);
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    EXPECT_NE(frontEnd.boxes[0].find(L"currently in use"), std::wstring::npos);
    EXPECT_EQ(Area(L"Area1"), area);
    user.reset();

    HSCOPEITEM item = area->ScopeItem();
    console.answers = {IDYES};
    area->OnDelete(&console);
    EXPECT_FALSE(tvengine::Connect("(local)")->DatabaseExists("Area1"));
    EXPECT_EQ(Area(L"Area1"), nullptr);
    EXPECT_EQ(console.deletedScopeItems.back(), item);
}

TEST_F(DatabaseNodes, LocalOlderServerOffersBothWizardsAndTheVerbs) {
    EXPECT_EQ(Menu(*databases), (std::vector<std::wstring>{L"Backup Database...", L"Restore Database..."}));
    CDatabase* sales = Area(L"Sales");
    EXPECT_EQ(Menu(*sales), (std::vector<std::wstring>{L"Backup Database...", L"Restore Database...", L"",
                                                       L"Make Read-Only"}));
    sales->OnSelect(&console, TRUE, TRUE);
    EXPECT_EQ(console.verbs.enabled,
              (std::vector<MMC_CONSOLE_VERB>{MMC_VERB_REFRESH, MMC_VERB_PROPERTIES, MMC_VERB_DELETE}));
    EXPECT_EQ(console.verbs.defaultVerb, MMC_VERB_PROPERTIES);
    databases->OnSelect(&console, TRUE, TRUE);
    EXPECT_EQ(console.verbs.enabled, std::vector<MMC_CONSOLE_VERB>{MMC_VERB_REFRESH});

    // A system database is the server's own: no toggle, no Delete.
    iterators::database_iterator master(server.Server());
    auto* system = new CDatabase(*master, true);
    databases->AddChild(system, true);
    system->Initialize();
    ASSERT_TRUE(system->SystemObject());
    EXPECT_EQ(Menu(*system), (std::vector<std::wstring>{L"Backup Database...", L"Restore Database..."}));
    system->OnSelect(&console, TRUE, TRUE);
    EXPECT_EQ(std::count(console.verbs.enabled.begin(), console.verbs.enabled.end(), MMC_VERB_DELETE), 0);
}

// The same computer written with other letter cases is another computer to the test.
TEST_F(DatabaseNodes, RemoteServerOffersNoRestore) {
    std::wstring lower = ComputerName();
    std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
    ASSERT_NE(lower, ComputerName());
    const wchar_t* path = L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"ComputerName", 0, REG_SZ, reinterpret_cast<const BYTE*>(lower.c_str()),
                   static_cast<DWORD>((lower.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    EXPECT_EQ(Menu(*databases), std::vector<std::wstring>{L"Backup Database..."});
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
}

TEST_F(DatabaseNodes, NewerServerOffersOnlyTheToggle) {
    tvengine::InstanceOptions options;
    options.majorVersion = 9;
    tvengine::CreateInstance("NEWER", options);
    std::string name = tvp::ToUtf8(ComputerName()) + "\\NEWER";
    MakeArea("Drawings", name);
    CServer newer(tvp::FromUtf8(name));
    newer.OnExpand(&console, &console, 8);
    auto* container = dynamic_cast<CDatabases*>(newer.GetChild(0));
    ASSERT_NE(container, nullptr);
    container->OnExpand(&console, &console, 8);
    ASSERT_EQ(container->ChildCount(), 1u);
    EXPECT_TRUE(Menu(*container).empty());
    EXPECT_EQ(Menu(*container->GetChild(0)), (std::vector<std::wstring>{L"", L"Make Read-Only"}));
}

TEST_F(DatabaseNodes, WithoutTheStorageAreaLibraryTheListIsEmptyAndNothingIsShown) {
    SetProgramFolder(tvtest::Prefix() + "/nowhere");
    databases->OnRefresh(&console);
    databases->OnExpand(&console, &console, 7);
    SetProgramFolder(tvtest::BuildDir() + "/vendor");
    EXPECT_EQ(databases->ChildCount(), 0u);
    EXPECT_TRUE(frontEnd.boxes.empty());
    EXPECT_TRUE(console.boxes.empty());
}

// The console's node manager, which reports what the node offers while its wizard is being built.
class Provider : public wizardtest::NodeManager {
public:
    Snapins::CBaseNode* node = nullptr;
    std::vector<HRESULT> pagesAsked;
    std::vector<bool> pictures;
    std::vector<size_t> pagesMade;
    STDMETHODIMP AddPrimaryPages(LPUNKNOWN, BOOL, HWND, BOOL) override {
        pagesAsked.push_back(node->QueryPagesFor());
        HBITMAP watermark = nullptr, header = nullptr;
        BOOL stretch = FALSE;
        node->GetWatermarks(&watermark, &header, nullptr, &stretch);
        pictures.push_back(watermark && header && stretch);
        SheetCallback callback;
        node->CreatePropertyPages(&callback, 0);
        pagesMade.push_back(callback.pages.size());
        return S_OK;
    }
    STDMETHODIMP Show(LONG_PTR, int) override { return S_OK; }
};

TEST_F(DatabaseNodes, WizardCommandsRunTheWizardMarkedAndThenRefresh) {
    Provider provider;
    DWORD registration = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    CDatabase* sales = Area(L"Sales");
    provider.node = sales;
    EXPECT_EQ(sales->OnMenuCommand(&console, IDM_RESTORE, nullptr, nullptr, nullptr), S_FALSE);
    EXPECT_EQ(sales->WizardSelector(), 0);
    EXPECT_EQ(console.updatedResultItems.size(), 1u) << "the row is read again";

    provider.node = databases;
    EXPECT_EQ(databases->QueryPagesFor(), S_FALSE) << "no pages outside a wizard";
    EXPECT_EQ(databases->OnMenuCommand(&console, IDM_BACKUP, nullptr, nullptr, nullptr), S_FALSE);
    CoRevokeClassObject(registration);
    EXPECT_EQ(provider.pagesAsked, (std::vector<HRESULT>{S_OK, S_OK}));
    EXPECT_EQ(provider.pictures, (std::vector<bool>{true, true}));
    EXPECT_EQ(provider.pagesMade, (std::vector<size_t>{5, 6}))
        << "the Restore wizard's pages, the Backup pages";
    EXPECT_EQ(databases->WizardSelector(), 0);
    EXPECT_EQ(databases->ChildCount(), 0u) << "the storage areas are listed again on the next display";
}

// The server's databases without any, for the iterator.
class EmptyDatabases : public fake::Unknown<IWSQLDMODatabases> {
public:
    int fetched = 0;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP GetCount(LPLONG p) override { return *p = 0, S_OK; }
    STDMETHODIMP GetItemByOrd(long, IWSQLDMODatabase**) override { return ++fetched, E_INVALIDARG; }
    STDMETHODIMP GetItemByName(SQLDMO_LPCSTR, IWSQLDMODatabase**) override { return E_NOTIMPL; }
    STDMETHODIMP Refresh(VARIANT_BOOL) override { return S_OK; }
    STDMETHODIMP Add(IWSQLDMODatabase*) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveByName(SQLDMO_LPCSTR) override { return E_NOTIMPL; }
};

TEST_F(DatabaseNodes, IteratorWalksEveryDatabaseOnceAndAnEmptyServerStartsAtTheEnd) {
    std::vector<std::wstring> walked;
    iterators::database_iterator end;
    for (iterators::database_iterator it(server.Server()); it != end; it++) {
        BSTR name = nullptr;
        raw(*it)->GetName(&name);
        walked.push_back(TakeText(name));
        EXPECT_EQ(walked.back(), it.Name());
    }
    std::vector<std::wstring> expected;
    for (const auto& info : tvengine::Connect("(local)")->Databases())
        expected.push_back(tvp::FromUtf8(info.name));
    EXPECT_EQ(walked, expected);

    // A server whose collection is empty: nothing to fetch at position 0.
    class EmptyServer : public fake::Unknown<IWSQLDMOServer> {
    public:
        EmptyDatabases databases;
        STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
        STDMETHODIMP GetDatabases(IWSQLDMODatabases** p) override {
            databases.AddRef();
            return *p = &databases, S_OK;
        }
#define NOT_HERE(name, ...)                                                                                  \
    STDMETHODIMP name(__VA_ARGS__) override {                                                                \
        return E_NOTIMPL;                                                                                    \
    }
        NOT_HERE(GetName, SQLDMO_LPBSTR)
        NOT_HERE(GetLoginSecure, VARIANT_BOOL*)
        NOT_HERE(SetLoginSecure, VARIANT_BOOL)
        NOT_HERE(GetLogin, SQLDMO_LPBSTR)
        NOT_HERE(SetLogin, SQLDMO_LPCSTR)
        NOT_HERE(SetPassword, SQLDMO_LPCSTR)
        NOT_HERE(Connect, SQLDMO_LPCSTR, SQLDMO_LPCSTR, SQLDMO_LPCSTR)
        NOT_HERE(DisConnect)
        NOT_HERE(GetLanguage, SQLDMO_LPBSTR)
        NOT_HERE(GetVersionString, SQLDMO_LPBSTR)
        NOT_HERE(GetNetName, SQLDMO_LPBSTR)
        NOT_HERE(GetTrueName, SQLDMO_LPBSTR)
        NOT_HERE(GetVersionMajor, LPLONG)
        NOT_HERE(GetVersionMinor, LPLONG)
        NOT_HERE(GetJobServer, IWSQLDMOJobServer**)
        NOT_HERE(GetLogins, IWSQLDMOLogins**)
        NOT_HERE(GetServerRoles, IWSQLDMOServerRoles**)
        NOT_HERE(GetBackupDevices, IWSQLDMOBackupDevices**)
        NOT_HERE(GetRegistry, IWSQLDMORegistry**)
        NOT_HERE(BeginTransaction, SQLDMO_LPCSTR)
        NOT_HERE(CommitTransaction, SQLDMO_LPCSTR)
        NOT_HERE(RollbackTransaction, SQLDMO_LPCSTR)
        NOT_HERE(ExecuteWithResults, SQLDMO_LPCSTR, IWSQLDMOQueryResults**)
#undef NOT_HERE
    } empty;
    empty.AddRef();
    iterators::database_iterator none{ServerPtr(&empty)};
    EXPECT_TRUE(none == end);
    EXPECT_EQ(empty.databases.fetched, 0);
}

using wizardtest::g_sheet;
using wizardtest::RememberSheet;

HWND PageControl(Snapins::CBasePropPage* page, int id) {
    return GetDlgItem(page->PageWindow(), id);
}

// The three pages in a real sheet: the General page's texts and its Apply, which changes the server
// only when the box differs from the database; the locks and file groups the server reports.
TEST_F(DatabaseNodes, PropertyPagesShowTheDatabaseAndApplyTheReadOnlyOption) {
    CDatabase* sales = Area(L"Sales");
    SheetCallback callback;
    ASSERT_EQ(sales->CreatePropertyPages(&callback, 0), S_OK);
    ASSERT_EQ(callback.pages.size(), 3u);
    std::unique_ptr<tvengine::Session> user;
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_USECALLBACK;
    header.pfnCallback = RememberSheet;
    header.pszCaption = L"Sales";
    header.nPages = 3;
    header.phpage = callback.pages.data();
    using pagestest::TextOf;
    auto current = [] { return Snapins::CBasePropPage::FromWindow(PropSheet_GetCurrentPageHwnd(g_sheet)); };
    tvtest::Script script({
        [&] {
            HWND sheet = g_sheet;
            Snapins::CBasePropPage* general = current();
            ASSERT_NE(general, nullptr);
            EXPECT_EQ(TextOf(PageControl(general, IDC_DB_NAME)), L"Sales");
            EXPECT_EQ(TextOf(PageControl(general, IDC_DB_SIZE)), sales->GetDisplayText(1) + L" MB");
            EXPECT_EQ(TextOf(PageControl(general, IDC_DB_LAST_BACKUP)), L"Unknown");
            EXPECT_EQ(TextOf(PageControl(general, IDC_DB_STATUS)), L"Ready");
            // Ticked and cleared again: nothing changes on Apply.
            tvp::Click(PageControl(general, IDC_DB_READ_ONLY));
            tvp::Click(PageControl(general, IDC_DB_READ_ONLY));
            PropSheet_Apply(sheet);
            EXPECT_FALSE(sales->ReadOnly());
            tvp::Click(PageControl(general, IDC_DB_READ_ONLY));
            PropSheet_Apply(sheet);
            EXPECT_TRUE(tvengine::Connect("(local)")->Database("Sales").readOnly);
            EXPECT_TRUE(sales->ReadOnly());
            tvp::Click(PageControl(general, IDC_DB_READ_ONLY));
            PropSheet_Apply(sheet);
            EXPECT_FALSE(tvengine::Connect("(local)")->Database("Sales").readOnly);
            EXPECT_TRUE(frontEnd.boxes.empty());
            user = tvengine::Connect("(local)");
            user->Use("Sales"); // a session in the database holds a lock there
            PropSheet_SetCurSel(sheet, nullptr, 1);
        },
        [&] {
            HWND locks = PageControl(current(), IDC_LOCKS_LIST);
            EXPECT_GE(SendMessageW(locks, LVM_GETITEMCOUNT, 0, 0), 1);
            LVCOLUMNW column{};
            WCHAR title[64] = {};
            column.mask = LVCF_TEXT;
            column.pszText = title;
            column.cchTextMax = 64;
            SendMessageW(locks, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
            EXPECT_EQ(std::wstring(title), L"req_spid") << "the result set's own column names";
            PropSheet_SetCurSel(g_sheet, nullptr, 2);
        },
        [&] {
            HWND groups = PageControl(current(), IDC_FILE_GROUPS_LIST);
            ASSERT_EQ(SendMessageW(groups, LVM_GETITEMCOUNT, 0, 0), 1);
            WCHAR name[64] = {};
            LVITEMW item{};
            item.pszText = name;
            item.cchTextMax = 64;
            SendMessageW(groups, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(std::wstring(name), L"PRIMARY");
            PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
        },
    });
    PropertySheetW(&header);
}

// Building the next sheet deletes the pages of the last one; the General page of the last sheet frees
// the handle of its own sheet, never the one the new sheet has just been given.
TEST_F(DatabaseNodes, NextSheetKeepsItsOwnNotifyHandle) {
    CDatabase* sales = Area(L"Sales");
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    LONG_PTR first = TvCreateNotifyHandle(window, WM_APP, WM_APP + 1);
    LONG_PTR second = TvCreateNotifyHandle(window, WM_APP, WM_APP + 1);
    SheetCallback callback;
    sales->CreatePropertyPages(&callback, first);
    sales->CreatePropertyPages(&callback, second);
    EXPECT_EQ(MMCPropertyChangeNotify(second, 1), S_OK);
    EXPECT_EQ(MMCPropertyChangeNotify(first, 1), E_INVALIDARG) << "the first sheet's handle is freed";
    DestroyWindow(window);
}

} // namespace
