// The Backup Database wizard as a person runs it from a storage area or from the Databases container,
// against the real object model and the default instance in the test's prefix: a backup that restores,
// the file page's refusals, the remembered file, the remote server's bare file name, failures on the
// finish page; and the schedule record's encoding on the server.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "msde/nodes/database.h"
#include "msde/nodes/databases.h"
#include "msde/nodes/server.h"
#include "msde/schedule.h"
#include "msde/wizards/backup/settings.h"
#include "resources/resource.h"
#include "engine/engine.h"
#include "fake_console.h"
#include "objectmodel_setup.h"
#include "wizard_provider.h"
#include "pages_test_support.h"
#include "test_support.h"
#include "tvfrontend.h"
#include "tvplatform.h"

using namespace MSDE;
using namespace MSDE::Nodes;
using namespace pagestest;
namespace Backup = MSDE::Wizards::Backup;

namespace {

using wizardtest::g_sheet;
using wizardtest::Provider;

HWND Control(int id) {
    return GetDlgItem(PropSheet_GetCurrentPageHwnd(g_sheet), id);
}
bool NextEnabled() {
    return Enabled(GetDlgItem(g_sheet, ID_WIZNEXT));
}
bool Checked(int id) {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Type(int id, const std::wstring& text) {
    SetWindowTextW(Control(id), text.c_str());
}
void Next() {
    PropSheet_PressButton(g_sheet, PSBTN_NEXT);
}
// The progress page's summary, read once the worker has moved the wizard on: the page stays in the sheet.
std::wstring ProgressSummary() {
    HWND page = PropSheet_IndexToHwnd(g_sheet, PropSheet_IdToIndex(g_sheet, IDD_BACKUP_PROGRESS));
    return TextOf(GetDlgItem(page, IDC_BACKUP_TEXT));
}
bool OnFinishPage() {
    return CurrentDialog(g_sheet) == IDD_BACKUP_FINISH;
}

class BackupWizard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tvengine::CreateInstance("");
        objectmodel::Register();
        objectmodel::SetProgramFolder();
        for (const char* area : {"Sales", "Engineering"})
            objectmodel::MakeArea(area);
    }
    void SetUp() override {
        ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                        CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
                  S_OK);
        Snapins::SnapinModule().lastBackupPath.clear();
    }
    void TearDown() override { CoRevokeClassObject(registration); }

    CDatabases* Databases(CServer& server, bool expand) {
        server.OnExpand(&console, &console, 6);
        auto* databases = dynamic_cast<CDatabases*>(server.GetChild(0));
        if (databases && expand) databases->OnExpand(&console, &console, 7);
        return databases;
    }
    CDatabase* Area(CDatabases* databases, const std::wstring& name) {
        for (auto it = databases->ChildrenBegin(); it != databases->ChildrenEnd(); ++it)
            if ((*it)->GetDisplayText(0) == name) return dynamic_cast<CDatabase*>(*it);
        return nullptr;
    }
    // Runs "Backup Database..." on the node with the script acting on the sheet.
    void Run(Snapins::CBaseNode* node, std::vector<tvtest::Script::Step> steps) {
        g_sheet = nullptr;
        provider.node = node;
        tvtest::Script script(std::move(steps));
        node->OnMenuCommand(&console, IDM_BACKUP, nullptr, nullptr, nullptr);
        EXPECT_TRUE(script.Finished());
    }

    fake::Console console;
    Provider provider;
    DWORD registration = 0;
};

TEST_F(BackupWizard, BackupOfAStorageAreaWritesAFileThatRestoresAndIsRemembered) {
    CServer server(L"(local)");
    CDatabase* sales = Area(Databases(server, true), L"Sales");
    ASSERT_NE(sales, nullptr);
    const std::string file = tvtest::MakeFolder("full") + "/sales.bak";
    std::wstring chosen, summary, result;
    Run(sales, {
                   [&] { Next(); },
                   [&] {
                       EXPECT_EQ(CurrentDialog(g_sheet), IDD_BACKUP_DATABASE);
                       chosen = TextOf(Control(IDC_BACKUP_DATABASE));
                       Type(IDC_BACKUP_DESCRIPTION, L"weekly 1");
                       Next();
                   },
                   [&] {
                       EXPECT_EQ(CurrentDialog(g_sheet), IDD_BACKUP_FILE);
                       EXPECT_FALSE(NextEnabled()) << "no file yet";
                       Type(IDC_BACKUP_FILE, tvp::FromUtf8(file));
                   },
                   [&] {
                       EXPECT_TRUE(NextEnabled());
                       Next();
                   },
                   OnFinishPage,
                   [&] {
                       summary = ProgressSummary();
                       result = TextOf(Control(IDC_BACKUP_TEXT));
                       PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                   },
               });
    EXPECT_EQ(chosen, L"Sales") << "the node's own database is preselected";
    EXPECT_EQ(summary, L"Performing a Full backup of the Sales database to Disk.\n\nThe backup will have the "
                       L"following description, \"weekly 1\".\n\nThe backup file will be stored to " +
                           tvp::FromUtf8(file) + L".");
    EXPECT_EQ(result,
              L"You have successfully completed the Backup Database wizard.\n\nThe backup file has been "
              L"stored as " +
                  tvp::FromUtf8(file) + L".");
    EXPECT_EQ(Snapins::SnapinModule().lastBackupPath, tvp::FromUtf8(file));

    std::vector<tvengine::BackupSetInfo> sets = tvengine::ReadBackupSets(file);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].databaseName, "Sales");
    EXPECT_EQ(sets[0].description, "weekly 1");
    tvengine::RestoreRequest restore;
    restore.database = "SalesCopy";
    restore.file = file;
    const std::string target = tvtest::MakeFolder("restored");
    for (const tvengine::DatabaseFileInfo& f : sets[0].files)
        restore.move.emplace_back(f.logicalName,
                                  target + "/" + f.logicalName + (f.type == 'L' ? ".ldf" : ".mdf"));
    auto session = tvengine::Connect("(local)");
    EXPECT_NO_THROW(session->Restore(restore));
    EXPECT_EQ(session->Database("SalesCopy").status, tvengine::kStatusReady);
    EXPECT_NE(session->Database("Sales").lastBackup, 0);
}

TEST_F(BackupWizard, ExistingFileNeedsOverwriteAndTheRememberedFileIsOffered) {
    const std::string file = tvtest::MakeFolder("existing") + "/old.bak";
    { std::ofstream(file) << "old"; }
    Snapins::SnapinModule().lastBackupPath = tvp::FromUtf8(file);
    CServer server(L"(local)");
    CDatabases* databases = Databases(server, true);
    std::wstring offered, chosen;
    bool nextWithoutOverwrite = true, boxAfterRefusal = true, nextWithOverwrite = false, nextEmpty = true;
    Run(databases, {
                       [&] { Next(); },
                       [&] {
                           chosen = TextOf(Control(IDC_BACKUP_DATABASE));
                           Next();
                       },
                       [&] {
                           offered = TextOf(Control(IDC_BACKUP_FILE));
                           nextWithoutOverwrite = NextEnabled();
                           tvp::Click(Control(IDC_BACKUP_OVERWRITE));
                       },
                       [&] {
                           nextWithOverwrite = NextEnabled();
                           Type(IDC_BACKUP_FILE,
                                tvp::FromUtf8(file)); // the same file again: the box stays as it is
                       },
                       [&] {
                           EXPECT_TRUE(NextEnabled());
                           tvp::Click(Control(IDC_BACKUP_OVERWRITE)); // cleared while the file exists
                       },
                       [&] {
                           EXPECT_FALSE(NextEnabled());
                           boxAfterRefusal = Checked(IDC_BACKUP_OVERWRITE);
                           Type(IDC_BACKUP_FILE, L"");
                       },
                       [&] {
                           nextEmpty = NextEnabled();
                           PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                       },
                   });
    EXPECT_EQ(chosen, L"Engineering") << "from the container the first of the sorted list";
    EXPECT_EQ(offered, tvp::FromUtf8(file));
    EXPECT_FALSE(nextWithoutOverwrite);
    EXPECT_TRUE(nextWithOverwrite);
    EXPECT_FALSE(boxAfterRefusal);
    EXPECT_FALSE(nextEmpty);
}

// Answers the save dialog with a file that exists, and yes when asked whether to replace it.
class SaveAnswer : public ITvFrontEnd {
public:
    std::wstring path, title;
    int MessageBox(HWND, const wchar_t*, const wchar_t*, UINT) override { return IDYES; }
    bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& chosen) override {
        if (!save) return false;
        title = request.lpstrTitle ? request.lpstrTitle : L"";
        chosen = path;
        return true;
    }
};

TEST_F(BackupWizard, FileChosenInTheSaveDialogCountsAsOverwrite) {
    SaveAnswer answer;
    answer.path = tvp::FromUtf8(tvtest::MakeFolder("chosen") + "/chosen.bak");
    { std::ofstream(tvp::ToUtf8(answer.path)) << "old"; }
    TvSetFrontEnd(&answer);
    CServer server(L"(local)");
    CDatabases* databases = Databases(server, true);
    std::wstring shown;
    bool overwrite = false, next = false;
    Run(databases, {
                       [&] { Next(); },
                       [&] { Next(); },
                       [&] { tvp::Click(Control(IDC_BACKUP_BROWSE)); },
                       [&] {
                           shown = TextOf(Control(IDC_BACKUP_FILE));
                           overwrite = Checked(IDC_BACKUP_OVERWRITE);
                           next = NextEnabled();
                           PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                       },
                   });
    TvSetFrontEnd(nullptr);
    EXPECT_EQ(answer.title, L"Save Backup File As...");
    EXPECT_EQ(shown, answer.path);
    EXPECT_TRUE(overwrite);
    EXPECT_TRUE(next) << "the existing file is to be replaced";
}

// A container never expanded offers no database: the backup fails and says so.
TEST_F(BackupWizard, EmptyListEndsWithTheFailureText) {
    CServer server(L"(local)");
    CDatabases* databases = Databases(server, false);
    const std::string file = tvtest::MakeFolder("none") + "/none.bak";
    std::wstring result;
    Run(databases, {
                       [&] { Next(); },
                       [&] {
                           EXPECT_EQ(TextOf(Control(IDC_BACKUP_DATABASE)), L"");
                           Next();
                       },
                       [&] { Type(IDC_BACKUP_FILE, tvp::FromUtf8(file)); },
                       [&] { Next(); },
                       OnFinishPage,
                       [&] {
                           result = TextOf(Control(IDC_BACKUP_TEXT));
                           PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                       },
                   });
    EXPECT_EQ(
        result.rfind(L"You have successfully completed the Backup Database wizard, however, one or more "
                     L"errors occured.\n\n",
                     0),
        0u)
        << tvp::ToUtf8(result);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// A server the wizard cannot reach has no default folder: the typed name is kept in brackets and shown
// without them.
TEST_F(BackupWizard, RemoteServerWithoutFolderKeepsABareFileName) {
    CServer server(L"ELSEWHERE\\NOWHERE");
    auto* databases = new CDatabases(true);
    server.AddChild(databases, true);
    std::wstring folder, summary, result;
    bool nextUnnamed = true;
    Run(databases, {
                       [&] { Next(); },
                       [&] { Next(); },
                       [&] {
                           EXPECT_EQ(CurrentDialog(g_sheet), IDD_BACKUP_REMOTE_FILE);
                           folder = TextOf(Control(IDC_BACKUP_FOLDER));
                           nextUnnamed = NextEnabled();
                           Type(IDC_BACKUP_FILE_NAME, L"my 2.bak");
                       },
                       [&] { Next(); },
                       OnFinishPage,
                       [&] {
                           summary = ProgressSummary();
                           result = TextOf(Control(IDC_BACKUP_TEXT));
                           PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                       },
                   });
    EXPECT_EQ(folder, L"");
    EXPECT_FALSE(nextUnnamed);
    EXPECT_NE(summary.find(L"will be stored to my 2.bak."), std::wstring::npos) << tvp::ToUtf8(summary);
    EXPECT_EQ(result, L"You have successfully completed the Backup Database wizard, however, one or more "
                      L"errors occured.\n\n")
        << "the connection was refused before the backup could say why";
}

// The worker waits for a storage area that another program holds; the person cancels meanwhile. The
// wizard closes at once and the console's thread runs another wizard while the worker still waits; the
// backup then runs to its end on the worker's own record, after its wizard has gone.
TEST_F(BackupWizard, CancelDuringTheRunReturnsAtOnceAndTheBackupEndsInTheBackground) {
    CServer server(L"(local)");
    CDatabases* databases = Databases(server, true);
    const std::string data = tvengine::Connect("(local)")->Database("Engineering").files.front().physicalName;
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(data.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string file = tvtest::MakeFolder("late") + "/late.bak";
    int workersAtCancel = 0;
    Run(databases, {
                       [&] { Next(); },
                       [&] {
                           EXPECT_EQ(TextOf(Control(IDC_BACKUP_DATABASE)), L"Engineering");
                           Next();
                       },
                       [&] { Type(IDC_BACKUP_FILE, tvp::FromUtf8(file)); },
                       [&] { Next(); },
                       [&] {
                           EXPECT_EQ(CurrentDialog(g_sheet), IDD_BACKUP_PROGRESS);
                           workersAtCancel = Snapins::RunningWorkers();
                           PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                       },
                   });
    EXPECT_EQ(provider.outcome, 0) << "cancelled";
    EXPECT_EQ(workersAtCancel, 1);
    EXPECT_EQ(Snapins::RunningWorkers(), 1) << "the worker still waits for the storage area";
    EXPECT_TRUE(Snapins::ModuleInUse()) << "and holds the module while it does";
    int page = 0;
    Run(databases, {
                       [&] {
                           page = CurrentDialog(g_sheet);
                           PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                       },
                   });
    EXPECT_EQ(page, IDD_BACKUP_START) << "the console's thread runs another wizard meanwhile";
    EXPECT_EQ(Snapins::RunningWorkers(), 1);

    sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    wizardtest::WaitForWorkers();
    EXPECT_FALSE(Snapins::ModuleInUse());
    std::vector<tvengine::BackupSetInfo> sets = tvengine::ReadBackupSets(file);
    ASSERT_EQ(sets.size(), 1u) << "the backup ran to its end";
    EXPECT_EQ(sets[0].databaseName, "Engineering");
}

TEST(BackupTexts, PlaceholdersAreReplacedOnlyInTheTemplate) {
    Backup::BackupSettings settings;
    settings.backupType = Backup::kLogBackup;
    settings.media = Backup::kTapeMedia;
    settings.databaseName = L"Q3 2026";
    settings.description = L"1 of 5";
    settings.backupFile = L"[x4.bak]";
    EXPECT_EQ(Backup::ProgressText(L"1/2/3/4/5", settings), L"Log Only/Q3 2026/Tape/1 of 5/x4.bak");
    settings.result = S_OK;
    EXPECT_EQ(Backup::FinishText(settings), L"You have successfully completed the Backup Database wizard.\n\n"
                                            L"The backup file has been stored as x4.bak.");
    EXPECT_EQ(settings.backupFile, L"x4.bak") << "the marker leaves the stored value too";
}

TEST(ScheduleEncoding, EachFrequencyIsWrittenAsTheServerReadsIt) {
    ScheduleSettings weekly;
    weekly.frequency = kWeekly;
    weekly.weekdays = 65; // Monday and Sunday
    weekly.startTime = 230000;
    weekly.startDate = 20261207;
    ScheduleEncoding encoded = EncodeSchedule(weekly);
    EXPECT_EQ(encoded.frequencyType, 8);
    EXPECT_EQ(encoded.frequencyInterval, 3);
    EXPECT_EQ(encoded.recurrenceFactor, 1);
    EXPECT_EQ(encoded.activeStartTimeOfDay, 230000);
    EXPECT_EQ(encoded.activeStartDate, 20261207);
    EXPECT_EQ(ServerWeekdayMask(127), 127);
    EXPECT_EQ(ServerWeekdayMask(32), 64) << "Saturday";
    EXPECT_EQ(ServerWeekdayMask(128), 0) << "the reset value names no day";

    ScheduleSettings daily;
    daily.everyDays = 6;
    encoded = EncodeSchedule(daily);
    EXPECT_EQ(encoded.frequencyType, 4);
    EXPECT_EQ(encoded.frequencyInterval, 6);
    EXPECT_EQ(encoded.recurrenceFactor, 0) << "not written for a daily schedule";

    ScheduleSettings monthly;
    monthly.frequency = kMonthly;
    monthly.dayOfMonth = 31;
    encoded = EncodeSchedule(monthly);
    EXPECT_EQ(encoded.frequencyType, 16);
    EXPECT_EQ(encoded.frequencyInterval, 31);
    EXPECT_EQ(encoded.recurrenceFactor, 1);
}

} // namespace
