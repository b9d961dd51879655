// Instances: creation with their settings, the names that reach them, owner-only folders, dropping.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine_fixture.h"
#include "internal.h"

using namespace tvengine;
using enginetest::ErrorOf;

namespace {

int ModeOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return -1;
    return st.st_mode & 0777;
}

} // namespace

TEST(Instances, DefaultInstanceHasTheServerSettings) {
    enginetest::EnsureDefaultInstance();
    InstanceSettings settings = GetInstanceSettings(kDefaultInstance);
    EXPECT_EQ(settings.majorVersion, 8);
    EXPECT_EQ(settings.versionText, "8.00.0001");
    EXPECT_EQ(settings.language, "us_english");
    EXPECT_EQ(settings.machineName, detail::ThisComputerName());
    EXPECT_EQ(settings.serverName, settings.machineName);
    EXPECT_EQ(settings.rootFolder, tvtest::Prefix() + "/instances/MSSQLSERVER");
    EXPECT_EQ(settings.dataFolder, settings.rootFolder + "/Data");
    EXPECT_EQ(settings.backupFolder, settings.rootFolder + "/Backup");
    EXPECT_NE(settings.versionString.find('\n'), std::string::npos);
}

TEST(Instances, FoldersAndFilesAreReadableByTheOwnerOnly) {
    auto session = enginetest::Admin();
    const auto& settings = session->Settings();
    EXPECT_EQ(ModeOf(tvtest::Prefix() + "/instances"), 0700);
    for (const std::string& folder :
         {settings.rootFolder, settings.dataFolder, settings.backupFolder, settings.logFolder})
        EXPECT_EQ(ModeOf(folder), 0700) << folder;
    EXPECT_EQ(ModeOf(settings.rootFolder + "/catalog.db"), 0600);
    enginetest::MakeDatabase(*session, "ModeCheck", "m");
    for (const auto& file : session->Database("ModeCheck").files)
        EXPECT_EQ(ModeOf(file.physicalName), 0600);
    BackupRequest backup;
    backup.database = "ModeCheck";
    backup.file = "modecheck.bak";
    session->Backup(backup);
    EXPECT_EQ(ModeOf(settings.backupFolder + "/modecheck.bak"), 0600);
}

TEST(Instances, ServerNamesReachTheirInstance) {
    enginetest::EnsureDefaultInstance();
    CreateInstance("Second", {9, {}});
    std::string host = detail::ThisComputerName();
    for (const std::string& name :
         {std::string("(local)"), std::string("."), std::string("localhost"), host, detail::Lower(host)})
        EXPECT_EQ(ResolveServer(name), kDefaultInstance) << name;
    EXPECT_EQ(ResolveServer(host + "\\SECOND"), "Second");
    EXPECT_EQ(ResolveServer("(local)\\Second"), "Second");
    EXPECT_EQ(Connect(host + "\\Second")->Settings().majorVersion, 9);
    EXPECT_EQ(Connect(host + "\\Second")->Settings().serverName, host + "\\Second");

    for (const std::string& name : {std::string("OTHERHOST"), std::string("OTHERHOST\\Second"),
                                    host + "\\Missing", std::string("(local)\\..\\x")}) {
        EXPECT_EQ(ErrorOf([&] { Connect(name); }), kErrServerNotFound) << name;
    }
    EXPECT_EQ(enginetest::MessageOf([] { Connect("NOSUCHHOST"); }),
              "SQL Server does not exist or access denied.");
    DropInstance("second");
}

TEST(Instances, ListCreateAndDrop) {
    enginetest::EnsureDefaultInstance();
    CreateInstance("Listed");
    auto names = ListInstances();
    EXPECT_NE(std::find(names.begin(), names.end(), "Listed"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "MSSQLSERVER"), names.end());
    EXPECT_NE(ErrorOf([] { CreateInstance("LISTED"); }), 0);
    {
        auto session = Connect(".\\Listed");
        // A connected session keeps its instance.
        EXPECT_NE(ErrorOf([] { DropInstance("Listed"); }), 0);
    }
    DropInstance("Listed");
    names = ListInstances();
    EXPECT_EQ(std::find(names.begin(), names.end(), "Listed"), names.end());
    EXPECT_FALSE(std::filesystem::exists(tvtest::Prefix() + "/instances/Listed"));
    EXPECT_EQ(ErrorOf([] { Connect(".\\Listed"); }), kErrServerNotFound);
}

TEST(Instances, InvalidNamesAreRefused) {
    for (const std::string& name : {std::string("1abc"), std::string("a/b"), std::string("../x"),
                                    std::string("name with blank"), std::string(17, 'a')})
        EXPECT_NE(ErrorOf([&] { CreateInstance(name); }), 0) << name;
}

TEST(Instances, AFolderLeftByACutShortCreationIsNoInstance) {
    std::string folder = tvtest::Prefix() + "/instances/Half";
    std::filesystem::create_directories(folder + "/Data");
    auto names = ListInstances();
    EXPECT_EQ(std::find(names.begin(), names.end(), "Half"), names.end());
    EXPECT_EQ(ErrorOf([] { Connect(".\\Half"); }), kErrServerNotFound);
    CreateInstance("Half");
    EXPECT_EQ(Connect(".\\Half")->Databases().size(), 4u);
    DropInstance("Half");
}

TEST(Instances, EveryInstanceHasTheFourSystemDatabases) {
    auto session = enginetest::Admin();
    for (const char* name : {"master", "model", "msdb", "tempdb"}) {
        DatabaseInfo db = session->Database(name);
        EXPECT_TRUE(db.systemObject) << name;
        EXPECT_EQ(db.status, kStatusReady) << name;
    }
}

TEST(Instances, AnInstanceMadeByAnEarlierEngineIsBroughtUpToDate) {
    enginetest::EnsureDefaultInstance();
    CreateInstance("Older");
    std::string catalogPath = tvtest::Prefix() + "/instances/Older/catalog.db";
    {
        // The catalog as the first version of the engine left it.
        detail::Connection catalog(catalogPath, SQLITE_OPEN_READWRITE, "catalog");
        catalog.Exec("DROP TABLE job_requests; DROP TABLE agents; DROP INDEX job_steps_job; "
                     "ALTER TABLE jobs DROP COLUMN current_step; ALTER TABLE jobs DROP COLUMN run_started; "
                     "ALTER TABLE job_history DROP COLUMN sql_message_id; "
                     "ALTER TABLE job_history DROP COLUMN sql_severity; PRAGMA user_version = 0");
    }
    auto session = Connect(".\\Older");
    int lock = TakeAgentLock();
    EXPECT_FALSE(session->AgentRunning());
    session->RegisterAsAgent();
    EXPECT_TRUE(session->AgentRunning());
    EXPECT_EQ(session->GetJob(session->AddJob({.name = "Upgraded"})).currentStep, 0);
    session.reset();
    close(lock);
    DropInstance("Older");
}
