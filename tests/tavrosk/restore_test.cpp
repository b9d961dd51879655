// The Restore Database wizard as a person runs it from the Databases container or a database node, in a
// real sheet against the object model and the default instance of the test's prefix: restoring over a
// storage area from its backup, restoring into a new database with both files moved, the refusals of
// the file and database pages, the name limit, a failed restore reaching the finish page, and cancel.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "msde/nodes/database.h"
#include "msde/nodes/databases.h"
#include "msde/nodes/server.h"
#include "msde/wizards/restore/restoration.h"
#include "snapins/wizard.h"
#include "resources/resource.h"
#include "snapins/module.h"
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
namespace Restore = MSDE::Wizards::Restore;

namespace {

using wizardtest::g_sheet;
using wizardtest::Provider;

HWND Control(int id) {
    return GetDlgItem(PropSheet_GetCurrentPageHwnd(g_sheet), id);
}

bool Button(int id) {
    return Enabled(GetDlgItem(g_sheet, id));
}

void Next() {
    PropSheet_PressButton(g_sheet, PSBTN_NEXT);
}

bool OnFinishPage() {
    return CurrentDialog(g_sheet) == IDD_RESTORE_FINISH;
}

std::vector<std::string> Tables(const std::string& database) {
    auto results = tvengine::Connect("(local)")->Execute(
        database, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    std::vector<std::string> names;
    if (!results.empty())
        for (size_t row = 0; row < results[0].RowCount(); ++row)
            names.push_back(results[0].Text(row, 0));
    return names;
}

bool HasTable(const std::string& database, const std::string& table) {
    auto names = Tables(database);
    return std::find(names.begin(), names.end(), table) != names.end();
}

const std::wstring kSucceeded = L"You have successfully completed the Restore Database wizard.";
const std::wstring kFailed = L"You have successfully completed the Restore Database wizard, however, one or "
                             L"more errors occured.\n\n";

// The default instance with the storage areas Sales and Engineering and a backup of Sales, made once;
// every test has (local) connected with its Databases container listed.
class RestoreWizard : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        settings = tvengine::CreateInstance("");
        objectmodel::Register();
        objectmodel::SetProgramFolder();
        objectmodel::MakeArea("Sales");
        objectmodel::MakeArea("Engineering");
        tvengine::BackupRequest backup;
        backup.database = "Sales";
        backup.file = settings.backupFolder + "/sales.bak";
        backup.initialize = true;
        tvengine::Connect("(local)")->Backup(backup);
        backupFile = tvp::FromUtf8(backup.file);
        backedUpTables = Tables("Sales");
    }
    void SetUp() override {
        server.OnExpand(&console, &console, 6);
        databases = dynamic_cast<CDatabases*>(server.GetChild(0));
        ASSERT_NE(databases, nullptr);
        databases->OnExpand(&console, &console, 7);
        ASSERT_EQ(CoRegisterClassObject(CLSID_NodeManager, static_cast<IClassFactory*>(&provider),
                                        CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &registration),
                  S_OK);
    }
    void TearDown() override { CoRevokeClassObject(registration); }

    CDatabase* Area(const std::wstring& name) {
        for (auto it = databases->ChildrenBegin(); it != databases->ChildrenEnd(); ++it)
            if ((*it)->GetDisplayText(0) == name) return dynamic_cast<CDatabase*>(*it);
        return nullptr;
    }
    // Runs "Restore Database..." of the node with the script acting on the sheet; the wizard's outcome.
    INT_PTR RunWizard(Snapins::CBaseNode* node, std::vector<tvtest::Script::Step> steps) {
        g_sheet = nullptr;
        provider.node = node;
        tvtest::Script script(std::move(steps));
        EXPECT_EQ(node->OnMenuCommand(&console, IDM_RESTORE, nullptr, nullptr, nullptr), S_FALSE);
        EXPECT_TRUE(script.Finished());
        return provider.outcome;
    }
    // Steps from the start page to the database page with this backup file.
    static std::vector<tvtest::Script::Step> ToDatabasePage(const std::wstring& file) {
        return {
            [] { Next(); },
            [file] { tvp::TypeText(Control(IDC_RESTORE_FILE), file); },
            [] { Next(); },
        };
    }
    static std::vector<tvtest::Script::Step> Join(std::vector<tvtest::Script::Step> first,
                                                  std::vector<tvtest::Script::Step> then) {
        for (auto& step : then)
            first.push_back(std::move(step));
        return first;
    }

    static inline tvengine::InstanceSettings settings;
    static inline std::wstring backupFile;
    static inline std::vector<std::string> backedUpTables;
    fake::Console console;
    Provider provider;
    DWORD registration = 0;
    CServer server{L"(local)"};
    CDatabases* databases = nullptr;
};

TEST_F(RestoreWizard, RestoreOverTheChosenStorageAreaNeedsTheUsersWordAndBringsBackItsBackup) {
    tvengine::Connect("(local)")->Execute("Sales", "CREATE TABLE after_backup (x INTEGER)");
    ASSERT_TRUE(HasTable("Sales", "after_backup"));
    std::vector<bool> next; // Next as each step left it
    auto sample = [&] { next.push_back(Button(ID_WIZNEXT)); };
    std::wstring target, result;
    bool boxEnabled = false, backOnStart = true;
    INT_PTR outcome = RunWizard(
        Area(L"Sales"),
        Join({[&] {
                  EXPECT_EQ(CurrentDialog(g_sheet), IDD_RESTORE_START);
                  backOnStart = Button(ID_WIZBACK);
              },
              sample},
             Join(ToDatabasePage(backupFile), {
                                                  [&] {
                                                      EXPECT_EQ(CurrentDialog(g_sheet), IDD_RESTORE_DATABASE);
                                                      target = TextOf(Control(IDC_RESTORE_TARGET));
                                                      boxEnabled = Enabled(Control(IDC_RESTORE_OVERWRITE));
                                                  },
                                                  sample,
                                                  [] { tvp::Click(Control(IDC_RESTORE_OVERWRITE)); },
                                                  sample,
                                                  [] { tvp::Click(Control(IDC_RESTORE_OVERWRITE)); },
                                                  sample,
                                                  [] { tvp::Click(Control(IDC_RESTORE_OVERWRITE)); },
                                                  [] { Next(); },
                                                  OnFinishPage,
                                                  [&] {
                                                      sample();
                                                      EXPECT_TRUE(Button(ID_WIZFINISH));
                                                      result = TextOf(Control(IDC_RESTORE_RESULT));
                                                      PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                                                  },
                                              })));
    EXPECT_EQ(outcome, 1);
    EXPECT_FALSE(backOnStart);
    EXPECT_EQ(target, L"Sales") << "the database the wizard was started from";
    EXPECT_TRUE(boxEnabled);
    EXPECT_EQ(next, (std::vector<bool>{true, false, true, false, false}))
        << "over an existing storage area only while the box is ticked";
    EXPECT_EQ(result, kSucceeded);
    EXPECT_EQ(Tables("Sales"), backedUpTables) << "the backup's state is back";
    EXPECT_EQ(Snapins::SnapinModule().lastRestorePath, backupFile);
    EXPECT_FALSE(tvengine::Connect("(local)")->DatabaseExists("sales_2")) << "nothing new made";
}

TEST_F(RestoreWizard, ANewNameGetsANewDatabaseWithBothFilesBesideTheBackedUpDataFile) {
    bool boxEnabled = true, next = false;
    std::wstring result;
    INT_PTR outcome =
        RunWizard(databases, Join(ToDatabasePage(backupFile),
                                  {
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"Archive"); },
                                      [&] {
                                          boxEnabled = Enabled(Control(IDC_RESTORE_OVERWRITE));
                                          next = Button(ID_WIZNEXT);
                                          Next();
                                      },
                                      OnFinishPage,
                                      [&] {
                                          result = TextOf(Control(IDC_RESTORE_RESULT));
                                          PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                                      },
                                  }));
    EXPECT_EQ(outcome, 1);
    EXPECT_FALSE(boxEnabled) << "nothing to overwrite";
    EXPECT_TRUE(next);
    EXPECT_EQ(result, kSucceeded);
    auto session = tvengine::Connect("(local)");
    ASSERT_TRUE(session->DatabaseExists("Archive"));
    const std::string salesData = session->Database("Sales").files.front().physicalName;
    const std::string folder = salesData.substr(0, salesData.find_last_of('/') + 1);
    std::vector<std::string> files;
    for (const auto& file : session->Database("Archive").files)
        files.push_back(file.physicalName);
    EXPECT_EQ(files, (std::vector<std::string>{folder + "Archive.mdf", folder + "Archive_log.LDF"}));
    for (const auto& file : files)
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
    EXPECT_EQ(Tables("Archive"), backedUpTables) << "Sales as it was backed up";
    EXPECT_EQ(databases->ChildCount(), 0u) << "the container lists its storage areas again";
}

TEST_F(RestoreWizard, ABackupFromAFolderThatIsGoneGetsItsNewFilesInTheServersDataFolder) {
    // A folder of the administrator's beside the prefix: the engine makes no database files inside the
    // instance's folder other than its Data folder.
    const std::string gone = tvtest::MakeFolder("Gone");
    auto session = tvengine::Connect("(local)");
    tvengine::DatabaseSpec spec;
    spec.name = "Elsewhere";
    spec.dataFile = gone + "/Elsewhere.mdf";
    spec.logFile = gone + "/Elsewhere_log.LDF";
    session->CreateDatabase(spec);
    tvengine::BackupRequest backup;
    backup.database = "Elsewhere";
    backup.file = settings.backupFolder + "/elsewhere.bak";
    backup.initialize = true;
    session->Backup(backup);
    session->DropDatabase("Elsewhere");
    std::filesystem::remove_all(gone);

    std::wstring result;
    RunWizard(databases, Join(ToDatabasePage(tvp::FromUtf8(backup.file)),
                              {
                                  [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"Moved"); },
                                  [] { Next(); },
                                  OnFinishPage,
                                  [&] {
                                      result = TextOf(Control(IDC_RESTORE_RESULT));
                                      PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                                  },
                              }));
    EXPECT_EQ(result, kSucceeded);
    ASSERT_TRUE(session->DatabaseExists("Moved"));
    for (const auto& file : session->Database("Moved").files)
        EXPECT_EQ(std::filesystem::path(tvp::NativePath(tvp::FromUtf8(file.physicalName))).parent_path(),
                  std::filesystem::path(settings.dataFolder))
            << file.physicalName;
    EXPECT_FALSE(std::filesystem::exists(gone)) << "nothing is made where the backed-up files were";
}

TEST_F(RestoreWizard, TheFilePageOffersNextOnlyForAFileThatExists) {
    const std::string emptyPath = settings.backupFolder + "/nothing.bak";
    std::filesystem::remove(emptyPath);
    std::vector<bool> next;
    auto sample = [&] { next.push_back(Button(ID_WIZNEXT)); };
    INT_PTR outcome =
        RunWizard(databases, {
                                 [] { Next(); },
                                 [] { tvp::TypeText(Control(IDC_RESTORE_FILE), L""); },
                                 sample,
                                 [&] { tvp::TypeText(Control(IDC_RESTORE_FILE), tvp::FromUtf8(emptyPath)); },
                                 sample,
                                 [] { tvp::TypeText(Control(IDC_RESTORE_FILE), backupFile); },
                                 sample,
                                 [] { PropSheet_PressButton(g_sheet, PSBTN_BACK); },
                                 [] { Next(); },
                                 sample,
                                 [] { PropSheet_PressButton(g_sheet, PSBTN_CANCEL); },
                             });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(next, (std::vector<bool>{false, false, true, true}))
        << "empty, missing, present, and present again when the page is shown again";
}

TEST_F(RestoreWizard, AFileThatIsNotABackupFailsTheRunWithTheServersReason) {
    const std::string notBackup = settings.backupFolder + "/notes.txt";
    std::ofstream(notBackup) << "not a backup";
    std::wstring result;
    INT_PTR outcome =
        RunWizard(databases, Join(ToDatabasePage(tvp::FromUtf8(notBackup)),
                                  {
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"Notes"); },
                                      [] { Next(); },
                                      OnFinishPage,
                                      [&] {
                                          result = TextOf(Control(IDC_RESTORE_RESULT));
                                          PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                                      },
                                  }));
    EXPECT_EQ(outcome, 1);
    ASSERT_EQ(result.rfind(kFailed, 0), 0u) << testing::PrintToString(tvp::ToUtf8(result));
    EXPECT_GT(result.size(), kFailed.size()) << "the reason follows";
    EXPECT_FALSE(tvengine::Connect("(local)")->DatabaseExists("Notes"));
}

TEST_F(RestoreWizard, TargetNamesAreLimitedToEightTypedLettersAndCompareInAnyCase) {
    std::wstring typed, chosen;
    std::vector<bool> next, box;
    auto sample = [&] {
        next.push_back(Button(ID_WIZNEXT));
        box.push_back(Enabled(Control(IDC_RESTORE_OVERWRITE)));
    };
    int stayed = 0;
    INT_PTR outcome =
        RunWizard(databases, Join(ToDatabasePage(backupFile),
                                  {
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"Warehouse9"); },
                                      [&] { typed = TextOf(Control(IDC_RESTORE_TARGET)); },
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"sALES"); },
                                      sample,
                                      [] {
                                          HWND combo = Control(IDC_RESTORE_TARGET);
                                          int index = static_cast<int>(
                                              SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                           reinterpret_cast<LPARAM>(L"Engineering")));
                                          tvp::ChooseItem(combo, index);
                                      },
                                      [&] {
                                          chosen = TextOf(Control(IDC_RESTORE_TARGET));
                                          sample();
                                      },
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L""); },
                                      sample,
                                      [&] {
                                          // Next pressed by the sheet's own message while the name is empty
                                          // stays here.
                                          Next();
                                      },
                                      [&] { stayed = CurrentDialog(g_sheet); },
                                      [] { PropSheet_PressButton(g_sheet, PSBTN_CANCEL); },
                                  }));
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(typed, L"Warehous") << "a ninth letter is refused";
    EXPECT_EQ(chosen, L"Engineering") << "a longer name comes from the list";
    EXPECT_EQ(next, (std::vector<bool>{false, false, false})) << "existing in any case, then empty";
    EXPECT_EQ(box, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(stayed, IDD_RESTORE_DATABASE);
}

TEST_F(RestoreWizard, ANameOfAListedAreaInOtherLettersRestoresOverItAndMakesNoSecondDatabase) {
    tvengine::Connect("(local)")->Execute("Sales", "CREATE TABLE again_after (x INTEGER)");
    std::wstring result;
    RunWizard(databases, Join(ToDatabasePage(backupFile),
                              {
                                  [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"sales"); },
                                  [] { tvp::Click(Control(IDC_RESTORE_OVERWRITE)); },
                                  [] { Next(); },
                                  OnFinishPage,
                                  [&] {
                                      result = TextOf(Control(IDC_RESTORE_RESULT));
                                      PropSheet_PressButton(g_sheet, PSBTN_FINISH);
                                  },
                              }));
    EXPECT_EQ(result, kSucceeded);
    EXPECT_FALSE(HasTable("Sales", "again_after")) << "restored over the listed storage area";
}

TEST_F(RestoreWizard, CancelBeforeTheRunRestoresNothingAndKeepsTheRememberedFile) {
    Snapins::SnapinModule().lastRestorePath = L"remembered.bak";
    std::wstring shown;
    INT_PTR outcome = RunWizard(databases, {
                                               [] { Next(); },
                                               [&] { shown = TextOf(Control(IDC_RESTORE_FILE)); },
                                               [] { tvp::TypeText(Control(IDC_RESTORE_FILE), backupFile); },
                                               [] { PropSheet_PressButton(g_sheet, PSBTN_CANCEL); },
                                           });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(shown, L"remembered.bak") << "the last restore file is offered";
    EXPECT_EQ(Snapins::SnapinModule().lastRestorePath, L"remembered.bak");
}

TEST_F(RestoreWizard, CancelDuringTheRunClosesTheWizardAndTheRestoreRunsToItsEnd) {
    bool cancelEnabled = false;
    INT_PTR outcome =
        RunWizard(databases, Join(ToDatabasePage(backupFile),
                                  {
                                      [] { tvp::TypeText(Control(IDC_RESTORE_TARGET), L"Late"); },
                                      [] { Next(); },
                                      [&] {
                                          cancelEnabled = Button(IDCANCEL);
                                          PropSheet_PressButton(g_sheet, PSBTN_CANCEL);
                                      },
                                  }));
    EXPECT_EQ(outcome, 0);
    EXPECT_TRUE(cancelEnabled);
    // The wizard closed without waiting; the worker finishes the restore it had begun on its own.
    wizardtest::WaitForWorkers();
    EXPECT_TRUE(tvengine::Connect("(local)")->DatabaseExists("Late"));
    EXPECT_EQ(Tables("Late"), backedUpTables);
}

TEST(RestoreDataFolder, TheBackedUpFolderWhenItExistsElseTheServersDataFolder) {
    const std::string here = std::filesystem::temp_directory_path().string();
    int asked = 0;
    auto root = [&] {
        ++asked;
        return std::wstring(L"C:\\Root");
    };
    EXPECT_EQ(Restore::DataFolder(tvp::FromUtf8(here + "/x.mdf"), root), tvp::FromUtf8(here + "/"));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Restore::DataFolder(L"C:\\No Such Folder\\x.mdf", root), L"C:\\Root\\Data\\");
    EXPECT_EQ(Restore::DataFolder(L"x.mdf", root), L"C:\\Root\\Data\\");
    EXPECT_EQ(asked, 2);
}

// One sink serves the backup and the restore: each answers its own interface and moves the bar.
TEST(WizardProgressSink, AnswersItsInterfaceMovesTheBarAndFreesItselfWithTheLastRelease) {
    HWND bar =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    auto sink = tvcom::Make<Snapins::CProgressSink<IWSQLDMORestoreSink>>(bar);
    auto unknown = sink.As<IUnknown>();
    ASSERT_TRUE(unknown);
    EXPECT_FALSE(sink.As<IWSQLDMOBackupSink>()) << "the backup's interface is another sink's";
    EXPECT_TRUE(sink.As<IWSQLDMORestoreSink>());
    EXPECT_EQ(sink->PercentComplete(L"", 50), S_OK);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 50);
    sink.Reset();
    unknown.Reset(); // the last reference: LeakSanitizer reports the sink if it did not free itself
    DestroyWindow(bar);
}

} // namespace
