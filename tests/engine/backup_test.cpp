// Backup and restore: the round trip, history and last backup date, appended sets, the file list,
// restore over a database or into a new one with its files moved, the server's errors for what this
// engine cannot do, files that are not whole backups, and what an interrupted backup or restore
// leaves behind (the work is killed in a child process at many points).
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_fixture.h"
#include "internal.h"
#include "media.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;

namespace {

std::string BackupPath(const std::string& name) {
    return tvtest::MakeFolder("backups") + "/" + name;
}

void Backup(Session& session, const std::string& database, const std::string& file, bool initialize = true,
            const std::string& description = {}) {
    BackupRequest request{database, file};
    request.initialize = initialize;
    request.description = description;
    request.name = database + " full";
    session.Backup(request);
}

// Every set of a medium is whole: headers and payload checksums hold.
bool MediumIsWhole(const std::string& file) {
    try {
        detail::FileSource source(file);
        for (const auto& set : detail::ReadMedia(source, file))
            detail::ReadPayload(source, set, {});
        return true;
    } catch (const Error&) {
        return false;
    }
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs work in a child process and kills it: from inside the work when progress reaches `killAt`
// (0..100; above 100 never), or after `delayMicros` when killAt is negative. Returns once the child
// is gone.
void RunAndKill(const std::function<void(const Progress&)>& work, int killAt, int delayMicros) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            work([killAt](int percent) {
                if (killAt >= 0 && percent >= killAt) raise(SIGKILL);
            });
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    if (killAt < 0) {
        usleep(static_cast<useconds_t>(delayMicros));
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace

TEST(Backup, RoundTripRestoresTheData) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Trip", "original", 2);
    std::string file = BackupPath("trip.bak");
    std::vector<int> percents;
    BackupRequest request{"Trip", file, BackupAction::Database, "Trip set", "before the change", true};
    session->Backup(request, [&](int percent) { percents.push_back(percent); });
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());

    session->Execute("Trip", "UPDATE t SET marker = 'changed' WHERE id = 1; DELETE FROM t WHERE id > 10");
    RestoreRequest restore{"Trip", file};
    percents.clear();
    session->Restore(restore, [&](int percent) { percents.push_back(percent); });
    EXPECT_EQ(percents.back(), 100);
    EXPECT_EQ(enginetest::Marker(*session, "Trip"), "original");
    auto count = session->Execute("Trip", "SELECT count(*) FROM t");
    EXPECT_EQ(count[0].Integer(0, 0), 1 + 2 * 16);
    auto check = session->Execute("Trip", "PRAGMA integrity_check");
    EXPECT_EQ(check[0].Text(0, 0), "ok");
    EXPECT_EQ(session->Database("Trip").status, kStatusReady);
}

TEST(Backup, HistoryGivesTheLastBackupDate) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Dated", "d");
    EXPECT_EQ(session->Database("Dated").lastBackup, 0);
    std::time_t before = std::time(nullptr);
    Backup(*session, "Dated", BackupPath("dated.bak"));
    EXPECT_GE(session->Database("Dated").lastBackup, before);
    bool listed = false;
    for (const auto& db : session->Databases())
        if (db.name == "Dated") listed = db.lastBackup >= before;
    EXPECT_TRUE(listed);
    // A new database of the same name has no backup of its own.
    session->DropDatabase("Dated");
    enginetest::MakeDatabase(*session, "Dated", "again");
    EXPECT_EQ(session->Database("Dated").lastBackup, 0);
}

TEST(Backup, AppendKeepsEarlierSetsAndInitReplacesThem) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Sets", "first");
    std::string file = BackupPath("sets.bak");
    Backup(*session, "Sets", file, true, "one");
    session->Execute("Sets", "UPDATE t SET marker = 'second' WHERE id = 1");
    Backup(*session, "Sets", file, false, "two");
    auto sets = ReadBackupSets(file);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].position, 1);
    EXPECT_EQ(sets[0].description, "one");
    EXPECT_EQ(sets[1].position, 2);
    EXPECT_EQ(sets[1].description, "two");
    EXPECT_EQ(sets[1].name, "Sets full");
    EXPECT_EQ(sets[1].databaseName, "Sets");
    EXPECT_EQ(sets[1].serverName, session->Settings().serverName);
    EXPECT_EQ(sets[1].userName, session->LoginName());

    RestoreRequest first{"Sets", file};
    session->Restore(first);
    EXPECT_EQ(enginetest::Marker(*session, "Sets"), "first");
    RestoreRequest second{"Sets", file, 2};
    session->Restore(second);
    EXPECT_EQ(enginetest::Marker(*session, "Sets"), "second");
    RestoreRequest third{"Sets", file, 3};
    EXPECT_EQ(ErrorOf([&] { session->Restore(third); }), kErrNoSuchBackupSet);

    Backup(*session, "Sets", file, true, "three");
    ASSERT_EQ(ReadBackupSets(file).size(), 1u);
    EXPECT_EQ(ReadBackupSets(file)[0].description, "three");
}

TEST(Backup, FileListDescribesTheBackedUpFiles) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Listing", "l", 1);
    std::string file = BackupPath("listing.bak");
    Backup(*session, "Listing", file);
    ResultSet list = ReadFileList(file);
    ASSERT_EQ(list.ColumnCount(), 6u);
    std::vector<std::string> names;
    for (const auto& column : list.Columns())
        names.push_back(column.name);
    EXPECT_EQ(names, (std::vector<std::string>{"LogicalName", "PhysicalName", "Type", "FileGroupName", "Size",
                                               "MaxSize"}));
    ASSERT_EQ(list.RowCount(), 2u);
    DatabaseInfo db = session->Database("Listing");
    EXPECT_EQ(list.Text(0, 0), "Listing");
    EXPECT_EQ(list.Text(0, 1), db.files[0].physicalName);
    EXPECT_EQ(list.Text(0, 2), "D");
    EXPECT_EQ(list.Text(0, 3), "PRIMARY");
    EXPECT_EQ(list.Integer(0, 4), db.files[0].sizeBytes);
    EXPECT_EQ(list.Columns()[4].type, ColumnType::BigInt);
    EXPECT_EQ(list.Text(1, 0), "Listing_log");
    EXPECT_EQ(list.Text(1, 2), "L");
    EXPECT_EQ(list.Text(1, 3), "");
}

TEST(Backup, RelativeFileNamesGoToTheBackupFolderAndDevicesToTheirFile) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Placed", "p");
    Backup(*session, "Placed", "placed.bak");
    EXPECT_TRUE(std::filesystem::exists(session->Settings().backupFolder + "/placed.bak"));
    session->AddBackupDevice({"PlacedDevice", BackupPath("device.bak")});
    BackupRequest toDevice{"Placed"};
    toDevice.device = "PlacedDevice";
    session->Backup(toDevice);
    EXPECT_EQ(ReadBackupSets(BackupPath("device.bak"))[0].databaseName, "Placed");
    // A disk file named like a device is that file, in the Backup folder, never the device's file.
    Backup(*session, "Placed", "PlacedDevice", false);
    EXPECT_EQ(ReadBackupSets(session->Settings().backupFolder + "/PlacedDevice").size(), 1u);
    EXPECT_EQ(ReadBackupSets(BackupPath("device.bak")).size(), 1u);
    // Reading a medium names it the same way.
    EXPECT_EQ(session->ReadFileList({"placed.bak"}).Text(0, 0), "Placed");
    EXPECT_EQ(session->ReadBackupSets({{}, "PlacedDevice"}).size(), 1u);
    EXPECT_EQ(ErrorOf([&] { session->ReadFileList({"placed.bak"}, 2); }), kErrNoSuchBackupSet);
    EXPECT_EQ(ErrorOf([&] { session->ReadBackupSets({{}, "NoSuchDevice"}); }), kErrNoSuchDevice);
}

TEST(Restore, IntoANewDatabaseWithFilesMoved) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Source", "from source", 1);
    std::string file = BackupPath("source.bak");
    Backup(*session, "Source", file);
    std::string folder = tvtest::MakeFolder("moved");
    RestoreRequest restore{"Copy", file};
    restore.move = {{"Source", folder + "/Copy.mdf"}, {"Source_log", folder + "/Copy_log.LDF"}};
    session->Restore(restore);
    DatabaseInfo copy = session->Database("Copy");
    EXPECT_EQ(copy.files[0].physicalName, folder + "/Copy.mdf");
    EXPECT_EQ(copy.files[1].physicalName, folder + "/Copy_log.LDF");
    EXPECT_EQ(copy.files[0].logicalName, "Source");
    EXPECT_FALSE(copy.systemObject);
    EXPECT_EQ(enginetest::Marker(*session, "Copy"), "from source");
    // The source is untouched and both are separate databases.
    session->Execute("Copy", "UPDATE t SET marker = 'copy' WHERE id = 1");
    EXPECT_EQ(enginetest::Marker(*session, "Source"), "from source");
}

TEST(Restore, IntoANewDatabaseOverTheSourcesFilesIsRefused) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Owner", "o");
    std::string file = BackupPath("owner.bak");
    Backup(*session, "Owner", file);
    RestoreRequest restore{"Intruder", file};
    EXPECT_EQ(MessageOf([&] { session->Restore(restore); }),
              "The file '" + session->Database("Owner").files[0].physicalName +
                  "' cannot be overwritten.  It is being used by database 'Owner'.");
    EXPECT_FALSE(session->DatabaseExists("Intruder"));
    RestoreRequest badMove{"Intruder", file};
    badMove.move = {{"NoSuchLogical", "/tmp/x.mdf"}};
    EXPECT_EQ(ErrorOf([&] { session->Restore(badMove); }), kErrLogicalFile);
}

TEST(Restore, OverAnotherDatabaseNeedsReplaceAndKeepsItsFiles) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Alpha", "alpha");
    enginetest::MakeDatabase(*session, "Beta", "beta");
    std::string file = BackupPath("alpha.bak");
    Backup(*session, "Alpha", file);
    RestoreRequest restore{"Beta", file};
    EXPECT_EQ(MessageOf([&] { session->Restore(restore); }),
              "The backup set holds a backup of a database other than the existing 'Beta' database.");
    EXPECT_EQ(enginetest::Marker(*session, "Beta"), "beta");
    restore.replace = true;
    std::string betaData = session->Database("Beta").files[0].physicalName;
    session->Restore(restore);
    EXPECT_EQ(enginetest::Marker(*session, "Beta"), "alpha");
    EXPECT_EQ(session->Database("Beta").files[0].physicalName, betaData);
    EXPECT_EQ(enginetest::Marker(*session, "Alpha"), "alpha");
}

TEST(Restore, RefusedWhileTheDatabaseIsInUse) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "InUse", "before");
    std::string file = BackupPath("inuse.bak");
    Backup(*session, "InUse", file);
    session->Execute("InUse", "UPDATE t SET marker = 'after' WHERE id = 1");
    auto other = Connect("(local)");
    other->Use("InUse");
    RestoreRequest restore{"InUse", file};
    EXPECT_EQ(MessageOf([&] { session->Restore(restore); }),
              "Exclusive access could not be obtained because the database is in use.");
    EXPECT_EQ(enginetest::Marker(*session, "InUse"), "after");
    other.reset();
    session->Restore(restore);
    EXPECT_EQ(enginetest::Marker(*session, "InUse"), "before");
}

TEST(Restore, ReadOnlyOptionComesBackWithTheDatabase) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "RoSource", "r");
    session->SetReadOnly("RoSource", true);
    std::string file = BackupPath("ro.bak");
    Backup(*session, "RoSource", file);
    RestoreRequest restore{"RoCopy", file};
    restore.move = {{"RoSource", BackupPath("RoCopy.mdf")}, {"RoSource_log", BackupPath("RoCopy.ldf")}};
    session->Restore(restore);
    EXPECT_TRUE(session->Database("RoCopy").readOnly);
}

TEST(Backup, DifferentialLogAndTempdbGiveTheServersErrors) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Simple", "s");
    BackupRequest log{"Simple", BackupPath("log.trn"), BackupAction::Log};
    EXPECT_EQ(ErrorOf([&] { session->Backup(log); }), kErrLogBackup);
    BackupRequest diff{"Simple", BackupPath("diff.bak"), BackupAction::Differential};
    EXPECT_EQ(ErrorOf([&] { session->Backup(diff); }), kErrDifferential);
    Backup(*session, "Simple", BackupPath("simple.bak"));
    EXPECT_EQ(ErrorOf([&] { session->Backup(diff); }), kErrDifferential);
    EXPECT_FALSE(std::filesystem::exists(BackupPath("diff.bak")));
    EXPECT_EQ(ErrorOf([&] { session->Backup({"tempdb", BackupPath("t.bak")}); }), kErrTempdb);
    EXPECT_EQ(ErrorOf([&] { session->Backup({"NoSuchDb", BackupPath("n.bak")}); }), kErrNoSuchDatabase);
    EXPECT_EQ(ErrorOf([&] {
                  session->Restore({"master", BackupPath("simple.bak")});
              }),
              kErrSystemDatabaseRestore);
}

TEST(Backup, NotInsideATransaction) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Txn", "t");
    session->BeginTransaction();
    EXPECT_EQ(ErrorOf([&] { Backup(*session, "Txn", BackupPath("txn.bak")); }), kErrBackupInTransaction);
    EXPECT_EQ(ErrorOf([&] { session->Restore({"Txn", BackupPath("txn.bak")}); }), kErrBackupInTransaction);
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase({"TxnNew"}); }), 226);
    session->RollbackTransaction();
}

TEST(Restore, CorruptTruncatedAndForeignFilesAreRefusedAndChangeNothing) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Guard", "guarded", 1);
    std::string good = BackupPath("guard.bak");
    Backup(*session, "Guard", good);
    session->Execute("Guard", "UPDATE t SET marker = 'current' WHERE id = 1");
    std::string bytes = enginetest::ReadFile(good);
    ASSERT_GT(bytes.size(), 1000u);

    std::string header = bytes;
    header[40] ^= 0x5A; // inside the set header
    std::string payload = bytes;
    payload[payload.size() / 2] ^= 0x01; // inside the data
    std::vector<std::pair<std::string, std::string>> cases = {
        {"truncated.bak", bytes.substr(0, bytes.size() - 100)},
        {"cut-header.bak", bytes.substr(0, 30)},
        {"header.bak", header},
        {"payload.bak", payload},
        {"foreign.bak",
         "MZ\x90\x00 this is not a backup at all, just some other file" + std::string(200, 'x')},
        {"empty.bak", ""},
        {"trailing.bak", bytes + "junk"},
    };
    for (const auto& [name, content] : cases) {
        std::string path = BackupPath(name);
        WriteFile(path, content);
        RestoreRequest restore{"Guard", path};
        int error = ErrorOf([&] { session->Restore(restore); });
        EXPECT_TRUE(error == kErrMediaFormed || error == kErrDamagedBackup) << name << " gave " << error;
        EXPECT_EQ(enginetest::Marker(*session, "Guard"), "current") << name;
        RestoreRequest fresh{"Fresh " + name, path};
        fresh.move = {{"Guard", BackupPath(name + ".mdf")}, {"Guard_log", BackupPath(name + ".ldf")}};
        EXPECT_NE(ErrorOf([&] { session->Restore(fresh); }), 0) << name;
        EXPECT_FALSE(session->DatabaseExists("Fresh " + name)) << name;
        EXPECT_FALSE(std::filesystem::exists(BackupPath(name + ".mdf"))) << name;
    }
    EXPECT_EQ(MessageOf([&] { ReadFileList(BackupPath("foreign.bak")); }),
              "The media family on device '" + BackupPath("foreign.bak") +
                  "' is incorrectly formed. SQL Server cannot process this media family.");
    EXPECT_EQ(ErrorOf([&] { ReadFileList(BackupPath("missing.bak")); }), kErrCannotOpenDevice);
    // Appending to a file that is not a backup is refused and leaves the file alone.
    BackupRequest append{"Guard", BackupPath("foreign.bak")};
    append.initialize = false;
    EXPECT_EQ(ErrorOf([&] { session->Backup(append); }), kErrMediaFormed);
    EXPECT_EQ(enginetest::ReadFile(BackupPath("foreign.bak")).substr(0, 2), "MZ");
}

TEST(Backup, KillingABackupAtAnyMomentLeavesThePreviousFileIntact) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Killed", "old", 8);
    std::string file = BackupPath("killed.bak");
    Backup(*session, "Killed", file, true, "previous");
    std::string previous = enginetest::ReadFile(file);
    session->Execute("Killed", "UPDATE t SET marker = 'new' WHERE id = 1");

    auto work = [&](const Progress& progress) {
        auto child = Connect("(local)");
        BackupRequest request{"Killed", file};
        request.initialize = true;
        request.description = "replacement";
        child->Backup(request, progress);
    };
    for (int percent : {0, 1, 50, 99, 100}) {
        RunAndKill(work, percent, 0);
        EXPECT_EQ(enginetest::ReadFile(file), previous) << "killed at " << percent << "%";
    }
    for (int delay : {0, 2000, 10000, 30000, 80000, 150000}) {
        RunAndKill(work, -1, delay);
        std::string now = enginetest::ReadFile(file);
        // Either the kill came first and the old file stands, or the new backup was complete.
        EXPECT_TRUE(now == previous ||
                    (MediumIsWhole(file) && ReadBackupSets(file)[0].description == "replacement"))
            << "killed after " << delay << " us";
        if (now != previous) WriteFile(file, previous);
    }
    EXPECT_EQ(ReadBackupSets(file)[0].description, "previous");
    // The next backup clears what the killed ones left beside the file.
    Backup(*session, "Killed", BackupPath("killed-2.bak"));
    Backup(*session, "Killed", file, true, "previous");
    for (const auto& entry : std::filesystem::directory_iterator(BackupPath("")))
        EXPECT_EQ(entry.path().filename().string().find(".killed.bak."), std::string::npos) << entry.path();
    // The database was never harmed, and sessions of killed processes hold nothing.
    EXPECT_EQ(enginetest::Marker(*session, "Killed"), "new");
    EXPECT_EQ(session->EnumLocks("Killed").RowCount(), 0u);
    session->DropDatabase("Killed");
}

TEST(Restore, KillingARestoreLeavesTheDatabaseAsItWasOrFullyRestored) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Target", "restored", 8);
    std::string file = BackupPath("target.bak");
    Backup(*session, "Target", file);
    auto reset = [&] { session->Execute("Target", "UPDATE t SET marker = 'as it was' WHERE id = 1"); };

    auto work = [&](const Progress& progress) {
        auto child = Connect("(local)");
        RestoreRequest request{"Target", file};
        child->Restore(request, progress);
    };
    auto check = [&](const std::string& when) {
        std::string marker = enginetest::Marker(*session, "Target");
        EXPECT_TRUE(marker == "as it was" || marker == "restored") << when << ": " << marker;
        EXPECT_EQ(session->Execute("Target", "PRAGMA integrity_check")[0].Text(0, 0), "ok") << when;
        EXPECT_EQ(session->Execute("Target", "SELECT count(*) FROM t")[0].Integer(0, 0), 1 + 8 * 16) << when;
        return marker;
    };
    for (int percent : {0, 30, 100}) {
        reset();
        RunAndKill(work, percent, 0);
        EXPECT_EQ(check("at " + std::to_string(percent) + "%"), "as it was");
    }
    for (int delay : {1000, 5000, 20000, 60000, 120000, 250000}) {
        reset();
        RunAndKill(work, -1, delay);
        check("after " + std::to_string(delay) + " us");
    }
    // Nothing is left that would stop the next restore, and it clears what the killed ones left.
    reset();
    RunAndKill(work, 101, 0); // never killed: runs to its end
    EXPECT_EQ(check("after a whole run"), "restored");
    for (const auto& entry : std::filesystem::directory_iterator(session->Settings().dataFolder))
        EXPECT_EQ(entry.path().filename().string().find(".restore-"), std::string::npos) << entry.path();
}

TEST(Concurrency, BackupInOneProcessWhileAnotherListsDatabases) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Shared", "s", 16);
    std::string file = BackupPath("shared.bak");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int failures = 0;
        for (int i = 0; i < 40; ++i) {
            try {
                auto lister = Connect("(local)");
                bool found = false;
                for (const auto& db : lister->Databases())
                    found = found || db.name == "Shared";
                if (!found) ++failures;
                lister->Execute("Shared", "SELECT count(*) FROM t");
            } catch (...) {
                ++failures;
            }
        }
        _exit(failures == 0 ? 0 : 1);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ErrorOf([&] { Backup(*session, "Shared", file); }), 0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(MediumIsWhole(file));
}

TEST(Backup, AWriterKilledMidTransactionLeavesNothingInTheBackupOrTheReadOnlyDatabase) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Crashed", "committed", 1);
    std::string data = session->Database("Crashed").files[0].physicalName;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A writer whose changes spill into the data file before it commits, killed before it does.
        sqlite3* db = nullptr;
        sqlite3_open(data.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA cache_size = 2; BEGIN; UPDATE t SET marker = 'half done'; "
                     "UPDATE t SET filler = randomblob(65536) WHERE id > 1",
                     nullptr, nullptr, nullptr);
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(std::filesystem::exists(data + "-journal"));

    std::string file = BackupPath("crashed.bak");
    Backup(*session, "Crashed", file);
    RestoreRequest restore{"Crashed copy", file};
    restore.move = {{"Crashed", BackupPath("crashed-copy.mdf")},
                    {"Crashed_log", BackupPath("crashed-copy.ldf")}};
    session->Restore(restore);
    EXPECT_EQ(enginetest::Marker(*session, "Crashed copy"), "committed");
    session->SetReadOnly("Crashed", true);
    EXPECT_EQ(enginetest::Marker(*session, "Crashed"), "committed");
    EXPECT_EQ(session->Execute("Crashed", "PRAGMA integrity_check")[0].Text(0, 0), "ok");
}

TEST(Concurrency, AWorkerThreadBacksUpWhileTheMainThreadWorks) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Threaded", "t", 8);
    std::string file = BackupPath("threaded.bak");
    std::vector<int> percents;
    std::string failure;
    std::thread worker([&] {
        try {
            auto own = Connect("(local)"); // a worker opens a session of its own
            BackupRequest request{"Threaded", file};
            request.initialize = true;
            own->Backup(request, [&](int percent) { percents.push_back(percent); });
        } catch (const Error& error) {
            failure = error.Message();
        }
    });
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(session->Databases().empty());
        session->Execute("Threaded", "SELECT count(*) FROM t");
    }
    worker.join();
    EXPECT_EQ(failure, "");
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(MediumIsWhole(file));
}

TEST(Backup, NeverOverADatabaseFileOrTheCatalog) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Precious", "keep me");
    enginetest::MakeDatabase(*session, "Other", "o");
    std::string data = session->Database("Precious").files[0].physicalName;
    std::string other = session->Database("Other").files[1].physicalName;
    for (const std::string& target : {data, other, session->Settings().rootFolder + "/catalog.db"}) {
        BackupRequest request{"Other", target};
        request.initialize = true;
        EXPECT_EQ(ErrorOf([&] { session->Backup(request); }), kErrCannotOpenDevice) << target;
    }
    EXPECT_EQ(enginetest::Marker(*session, "Precious"), "keep me");
    EXPECT_EQ(enginetest::Marker(*session, "Other"), "o");
}

TEST(Restore, SwappingTheDataAndLogFilesIsRefused) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Swapped", "as it was");
    std::string file = BackupPath("swapped.bak");
    Backup(*session, "Swapped", file);
    DatabaseInfo db = session->Database("Swapped");
    RestoreRequest restore{"Swapped", file};
    restore.move = {{"Swapped", db.files[1].physicalName}, {"Swapped_log", db.files[0].physicalName}};
    EXPECT_EQ(ErrorOf([&] { session->Restore(restore); }), 3156);
    EXPECT_EQ(enginetest::Marker(*session, "Swapped"), "as it was");
    // Nor may a restore take the place of its own backup file or of the catalog.
    RestoreRequest over{"Swapped new", file, 1, true};
    over.move = {{"Swapped", file}, {"Swapped_log", BackupPath("swapped-new.ldf")}};
    EXPECT_EQ(ErrorOf([&] { session->Restore(over); }), 3156);
    over.move[0].second = session->Settings().rootFolder + "/catalog.db";
    EXPECT_EQ(ErrorOf([&] { session->Restore(over); }), 3156);
    EXPECT_TRUE(MediumIsWhole(file));
    EXPECT_FALSE(session->DatabaseExists("Swapped new"));
}
