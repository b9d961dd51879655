// The Management, SQL Server Agent and Jobs nodes and the server's property pages, against the real
// object model and instances in the test's prefix: the chain under an older server and the notice of a
// newer one, the job rows with their texts, the positions of the job nodes, and the logins and backup
// devices the two pages list.
#include <algorithm>

#include "../../tavrosk/msde/nodes/job.h"
#include "../../tavrosk/msde/nodes/jobs.h"
#include "../../tavrosk/msde/nodes/management.h"
#include "../../tavrosk/msde/nodes/server.h"
#include "../../tavrosk/msde/nodes/sqlagent.h"
#include "../../tavrosk/resources/resource.h"
#include "../../tavrosk/snapins/resstring.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "pages_test_support.h"
#include "objectmodel_setup.h"
#include "wizard_provider.h"
#include "test_support.h"
#include "tvmmc.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;

namespace {

using Console = fake::AnsweringConsole;
using objectmodel::ComputerName;

// The object model registered, the default instance (version 8) and a version 9 one made once; every
// test starts with no jobs on the default instance.
class Management : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        tvengine::InstanceOptions newer;
        newer.majorVersion = 9;
        tvengine::CreateInstance("NEWER", newer);
        objectmodel::Register();
    }
    void SetUp() override {
        Snapins::SnapinModule().locale = std::locale::classic();
        engine = tvengine::Connect("(local)");
        for (const tvengine::Job& job : engine->Jobs())
            engine->RemoveJob(job.id);
    }
    void AddJob(const std::string& name, bool enabled = true, bool withStep = false, int nextRunDate = 0) {
        tvengine::Job job;
        job.name = name;
        job.enabled = enabled;
        if (withStep) {
            tvengine::JobStep step;
            step.name = "Step";
            step.command = "SELECT 1";
            job.steps.push_back(step);
        }
        if (nextRunDate) {
            tvengine::JobSchedule schedule;
            schedule.name = "Daily";
            schedule.frequencyType = 4;
            schedule.frequencyInterval = 1;
            schedule.activeStartDate = 20260101;
            schedule.nextRunDate = nextRunDate;
            schedule.nextRunTime = 233000;
            job.schedules.push_back(schedule);
        }
        engine->AddJob(job);
    }
    // The server's Management > SQL Server Agent > Jobs, each made the way a user's expansion makes it.
    CJobs* Jobs() {
        server.OnExpand(&console, &console, 1);
        auto* management = dynamic_cast<CManagement*>(server.GetChild(1));
        if (!management) return nullptr;
        management->OnExpand(&console, &console, 2);
        Snapins::CBaseNode* agent = management->GetChild(0);
        if (!agent) return nullptr;
        agent->OnExpand(&console, &console, 3);
        return dynamic_cast<CJobs*>(agent->GetChild(0));
    }
    static std::vector<std::wstring> Row(Snapins::CBaseNode* node) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < 8; ++column)
            cells.push_back(node->GetDisplayText(column));
        return cells;
    }

    std::unique_ptr<tvengine::Session> engine;
    Console console;
    CServer server{L"(local)"};
};

TEST_F(Management, OlderServerHoldsTheAgentAndItsJobsWithEmptyUpperPanes) {
    CJobs* jobs = Jobs();
    ASSERT_NE(jobs, nullptr);
    auto* management = server.GetChild(1);
    EXPECT_EQ(server.ChildCount(), 3u) << "Databases, Management and Security are made once";
    EXPECT_EQ(management->GetDisplayText(0), L"Management");
    EXPECT_EQ(management->GetImageIndex(), 3);
    EXPECT_EQ(management->GetOpenImageIndex(), 4);
    EXPECT_EQ(management->GetChild(0)->GetDisplayText(2), L"SQL Server Agent");
    EXPECT_EQ(jobs->GetDisplayText(0), L"Jobs");
    EXPECT_TRUE(raw(jobs->JobServer()) != nullptr) << "bound as soon as it was made";
    LPOLESTR type = reinterpret_cast<LPOLESTR>(1);
    EXPECT_EQ(management->GetResultViewType(&type, nullptr), S_OK);
    EXPECT_EQ(type, nullptr) << "a list, no notice";
    type = reinterpret_cast<LPOLESTR>(1);
    management->GetChild(0)->GetResultViewType(&type, nullptr);
    EXPECT_EQ(type, nullptr);
    // Each was inserted into the scope pane with an expand button.
    ASSERT_GE(console.scopeItems.size(), 3u);
    for (const SCOPEDATAITEM& item : console.scopeItems)
        EXPECT_EQ(item.mask & SDI_CHILDREN, 0u);
}

TEST_F(Management, NewerServerShowsTheNoticeAndHasNothingToExpand) {
    CServer newer(ComputerName() + L"\\NEWER");
    newer.OnExpand(&console, &console, 1);
    ASSERT_TRUE(newer.Connected());
    auto* management = dynamic_cast<CManagement*>(newer.GetChild(1));
    ASSERT_NE(management, nullptr);
    EXPECT_FALSE(management->OlderServer());
    auto inserted =
        std::find_if(console.scopeItems.begin(), console.scopeItems.end(), [&](const SCOPEDATAITEM& item) {
            return item.lParam == reinterpret_cast<LPARAM>(management);
        });
    ASSERT_NE(inserted, console.scopeItems.end());
    EXPECT_EQ(inserted->mask & SDI_CHILDREN, static_cast<UINT>(SDI_CHILDREN));
    EXPECT_EQ(inserted->cChildren, 0);

    LPOLESTR type = nullptr;
    EXPECT_EQ(management->GetResultViewType(&type, nullptr), S_OK);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(std::wstring(type), L"{80F94176-FCCC-11D2-B991-00C04F8ECD78}");
    CoTaskMemFree(type);

    EXPECT_EQ(management->OnShow(&console, TRUE, 2), S_OK);
    EXPECT_EQ(management->ChildCount(), 0u);
    EXPECT_EQ(console.messageView.icon, Icon_Warning);
    EXPECT_EQ(console.messageView.title, L"SQL Server 2005");
    const std::wstring text = Snapins::LoadResString(IDS_NEWER_SERVER_TEXT);
    EXPECT_EQ(text.substr(text.size() - 2), L"  ");
    EXPECT_EQ(console.messageView.body, text + L"\n\n" + Snapins::LoadResString(IDS_NEWER_SERVER_TOOLS));
}

TEST_F(Management, EmptyJobServerShowsTheEightColumnsAndNoProgress) {
    CJobs* jobs = Jobs();
    ASSERT_NE(jobs, nullptr);
    console.statusTexts.clear();
    console.columns.clear();
    EXPECT_EQ(jobs->OnShow(&console, TRUE, 4), S_OK);
    EXPECT_EQ(jobs->ChildCount(), 0u);
    EXPECT_EQ(console.columns,
              (std::vector<std::wstring>{L"Name", L"Category", L"Enabled", L"Runnable", L"Scheduled",
                                         L"Status", L"Last Run Status (Start Date)", L"Next Run Date"}));
    EXPECT_EQ(std::count_if(console.statusTexts.begin(), console.statusTexts.end(),
                            [](const std::wstring& text) { return text.find(L"|%") != std::wstring::npos; }),
              0);
}

TEST_F(Management, JobRowsShowFlagsStatusAndRunDates) {
    AddJob("Nightly backup", true, true, 20261231);
    AddJob("Never run", false);
    AddJob("Odd");
    engine->RecordJobActivity("Nightly backup", 4, 1, 20260102, 30405);
    engine->RecordJobActivity("Odd", 9, 2, 20260102, 0);
    CJobs* jobs = Jobs();
    ASSERT_NE(jobs, nullptr);
    EXPECT_EQ(jobs->CreateChildren(&console), S_OK);
    ASSERT_EQ(jobs->ChildCount(), 3u);
    EXPECT_NE(std::find(console.statusTexts.begin(), console.statusTexts.end(), L"|%66"),
              console.statusTexts.end());
    EXPECT_EQ(console.LastStatus(), L"|%100");

    // Listed in the collection's order, which is by name.
    auto* never = dynamic_cast<CJob*>(jobs->GetChild(0));
    auto* nightly = dynamic_cast<CJob*>(jobs->GetChild(1));
    ASSERT_TRUE(never && nightly);
    EXPECT_EQ(never->Position(), 0);
    EXPECT_EQ(nightly->Position(), 1);
    // The weekday is the date's own: 2 January 2026 is a Friday, 31 December 2026 a Thursday.
    EXPECT_EQ(Row(nightly),
              (std::vector<std::wstring>{L"Nightly backup", L"[Uncategorized (Local)]", L"Yes", L"Yes",
                                         L"Yes", L"Not running", L"Succeeded (Fri Jan  2 03:04:05 2026)",
                                         L"(Thu Dec 31 23:30:00 2026)"}));
    EXPECT_EQ(nightly->GetImageIndex(), 8);
    EXPECT_EQ(Row(never),
              (std::vector<std::wstring>{L"Never run", L"[Uncategorized (Local)]", L"No", L"No", L"No",
                                         L"Not running", L"Unknown (Unknown)", L"Unknown"}));
    EXPECT_EQ(never->GetImageIndex(), 9) << "a disabled job";
    EXPECT_EQ(never->GetOpenImageIndex(), 9);
    EXPECT_EQ(never->GetDisplayText(8), L"");
    // A status outside the list and outcome 2 show no text of their own.
    EXPECT_EQ(jobs->GetChild(2)->GetDisplayText(5), L"");
    EXPECT_EQ(jobs->GetChild(2)->GetDisplayText(6), L" (Fri Jan  2 00:00:00 2026)");
}

TEST_F(Management, RemovingAJobNodeMovesTheLaterOnesUp) {
    for (const char* name : {"A", "B", "C", "D", "E"})
        AddJob(name);
    CJobs* jobs = Jobs();
    ASSERT_NE(jobs, nullptr);
    jobs->CreateChildren(&console);
    ASSERT_EQ(jobs->ChildCount(), 5u);
    Snapins::CBaseNode* third = jobs->GetChild(2);
    jobs->RemoveChild(&console, third);
    delete third;
    std::vector<int> positions;
    for (auto it = jobs->ChildrenBegin(); it != jobs->ChildrenEnd(); ++it)
        positions.push_back(dynamic_cast<CJob*>(*it)->Position());
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(jobs->GetChild(2)->GetDisplayText(0), L"D");

    CJob stranger(7, JobPtr());
    jobs->RemoveChild(&console, &stranger);
    EXPECT_EQ(jobs->ChildCount(), 4u) << "a node not in the list changes nothing";
    EXPECT_EQ(stranger.Position(), 7);
}

TEST_F(Management, JobsWithoutAServerAboveListNothing) {
    CJobs orphan;
    EXPECT_TRUE(FAILED(orphan.Initialize()));
    EXPECT_TRUE(FAILED(orphan.CreateChildren(&console)));
    EXPECT_EQ(orphan.ChildCount(), 0u);
}

// The sheet callback hands the pages to a real property sheet, as the console does.
using Callback = wizardtest::SheetCallback;

std::vector<std::wstring> ListItems(HWND page) {
    HWND list = GetDlgItem(page, IDC_SERVER_LIST);
    std::vector<std::wstring> items;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        WCHAR text[256] = {};
        ListView_GetItemText(list, i, 0, text, 256);
        items.emplace_back(text);
    }
    return items;
}

struct SheetContents {
    std::vector<int> dialogs;
    std::vector<std::wstring> logins, devices;
};

using wizardtest::g_sheet;

// Opens the server's sheet, reads both pages' lists and cancels.
SheetContents ShowSheet(CServer& node, LONG_PTR notifyHandle = 0) {
    Callback callback;
    EXPECT_EQ(node.CreatePropertyPages(&callback, notifyHandle), S_OK);
    EXPECT_EQ(callback.pages.size(), 2u);
    SheetContents contents;
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_DEFAULT | PSH_USECALLBACK;
    header.pfnCallback = wizardtest::RememberSheet;
    header.pszCaption = L"(local)";
    header.nPages = static_cast<UINT>(callback.pages.size());
    header.phpage = callback.pages.data();
    g_sheet = nullptr;
    auto current = [] { return PropSheet_GetCurrentPageHwnd(g_sheet); };
    pagestest::Script script({
        [&] {
            contents.dialogs.push_back(pagestest::CurrentDialog(g_sheet));
            contents.logins = ListItems(current());
            PropSheet_SetCurSel(g_sheet, nullptr, 1);
        },
        [&] {
            contents.dialogs.push_back(pagestest::CurrentDialog(g_sheet));
            contents.devices = ListItems(current());
            pagestest::Press(g_sheet, PSBTN_CANCEL);
        },
    });
    PropertySheetW(&header);
    return contents;
}

TEST_F(Management, ServerSheetListsLoginsThenBackupDevices) {
    tvengine::LoginInfo login;
    login.name = "pageviewer";
    engine->AddLogin(login, "pa55word");
    engine->AddBackupDevice({"nightlytape", "/dev/null"});
    ASSERT_EQ(server.Connect(), S_OK);
    SheetContents contents = ShowSheet(server);
    EXPECT_EQ(contents.dialogs, (std::vector<int>{IDD_SERVER_LOGINS, IDD_SERVER_BACKUP_DEVICES}));
    EXPECT_NE(std::find(contents.logins.begin(), contents.logins.end(), L"pageviewer"),
              contents.logins.end());
    EXPECT_EQ(contents.devices, std::vector<std::wstring>{L"nightlytape"});
    engine->DropBackupDevice("nightlytape");
}

TEST_F(Management, UnconnectedServerShowsEmptyListsAndClosingFreesTheNotifyHandle) {
    CServer nowhere(L"NOSUCHHOST\\NOWHERE");
    nowhere.Connect();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = L"NotifyReceiver";
    RegisterClassExW(&windowClass);
    HWND receiver =
        CreateWindowExW(0, L"NotifyReceiver", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(receiver, nullptr);
    LONG_PTR handle = TvCreateNotifyHandle(receiver, WM_APP + 1, WM_APP + 2);
    ASSERT_NE(handle, 0);
    SheetContents contents = ShowSheet(nowhere, handle);
    EXPECT_EQ(contents.dialogs.size(), 2u);
    EXPECT_TRUE(contents.logins.empty());
    EXPECT_TRUE(contents.devices.empty());
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 0), E_INVALIDARG) << "the handle was given back";
    DestroyWindow(receiver);
}

} // namespace
