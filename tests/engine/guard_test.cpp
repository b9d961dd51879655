// What the engine promises against every caller: caller SQL stays in its database, no file the engine
// does not own is written or deleted (checked case by case and by random path shapes against canaries),
// a restore from another instance leaves that instance alone, concurrent appends keep every set, and
// one name rule everywhere.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "engine_fixture.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;
namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::unique_ptr<Session> PlainLogin(Session& admin, const std::string& name, const std::string& database) {
    if (!admin.DatabaseExists(database)) enginetest::MakeDatabase(admin, database, "m");
    bool exists = false;
    for (const auto& login : admin.Logins())
        exists = exists || login.name == name;
    if (!exists) {
        LoginInfo login;
        login.name = name;
        login.defaultDatabase = database;
        admin.AddLogin(login, "pw");
    }
    return Connect("(local)", {false, name, "pw"});
}

} // namespace

TEST(Gate, CallerSqlStaysInItsDatabase) {
    auto admin = enginetest::Admin();
    auto plain = PlainLogin(*admin, "plain", "Open");
    enginetest::MakeDatabase(*admin, "Iced", "f");
    admin->SetReadOnly("Iced", true);
    std::string catalog = admin->Settings().rootFolder + "/catalog.db";
    std::string copy = tvtest::MakeFolder("gate") + "/copy.db";
    // Every way out of the database is the server's permission error, for any login.
    for (const std::string& sql :
         {"ATTACH DATABASE '" + catalog + "' AS c", std::string("DETACH DATABASE main"),
          "VACUUM INTO '" + copy + "'", std::string("/* x */ vacuum"),
          std::string("PRAGMA writable_schema = 1"), std::string("PRAGMA journal_mode = OFF"),
          std::string("PRAGMA synchronous = 0"), std::string("PRAGMA temp_store_directory = '/tmp'"),
          std::string("SELECT load_extension('libx')"),
          std::string("INSERT INTO sqlite_master VALUES ('table', 'x', 'x', 0, 'CREATE TABLE x(a)')"),
          std::string("CREATE TABLE IF NOT EXISTS s(id INTEGER PRIMARY KEY AUTOINCREMENT); UPDATE "
                      "sqlite_sequence SET seq = 9")}) {
        EXPECT_EQ(ErrorOf([&] { plain->Execute("Open", sql); }), kErrPermissionDenied) << sql;
        EXPECT_EQ(ErrorOf([&] { admin->Execute("Open", sql); }), kErrPermissionDenied) << sql;
    }
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(MessageOf([&] { plain->Execute("Open", "ATTACH '" + catalog + "' AS c"); }),
              "ATTACH permission denied in database 'Open'.");
    // A read-only database refuses every write, settings included.
    for (const char* sql : {"INSERT INTO t(marker) VALUES ('x')", "CREATE TABLE n(a)",
                            "PRAGMA user_version = 3", "PRAGMA query_only = 0", "DELETE FROM t"})
        EXPECT_EQ(ErrorOf([&] { plain->Execute("Iced", sql); }), kErrReadOnly) << sql;
    EXPECT_EQ(enginetest::Marker(*admin, "Iced"), "f");
    // Ordinary work goes on.
    plain->Execute("Open", "CREATE TABLE mine(a); INSERT INTO mine VALUES (1); PRAGMA user_version = 4");
    EXPECT_EQ(plain->Execute("Open", "PRAGMA table_info(mine)")[0].RowCount(), 1u);
    EXPECT_EQ(plain->Execute("Open", "PRAGMA user_version")[0].Integer(0, 0), 4);
    // Nothing reached the catalog.
    for (const auto& member : admin->RoleMembers("sysadmin"))
        EXPECT_NE(member, "plain");
}

TEST(Gate, SqlAsALoginHasThatLoginsRights) {
    auto admin = enginetest::Admin();
    auto plain = PlainLogin(*admin, "owner", "Owned");
    std::string file = tvtest::MakeFolder("asowner") + "/owned.bak";
    EXPECT_EQ(ErrorOf([&] { admin->ExecuteAsLogin("owner", "Owned", "ATTACH 'x' AS y"); }),
              kErrPermissionDenied);
    EXPECT_EQ(ErrorOf([&] { admin->ExecuteAsLogin("owner", "master", "SELECT 1"); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] {
                  admin->ExecuteAsLogin("owner", "Owned",
                                        "BACKUP DATABASE [Owned] TO DISK = N'" + file + "'");
              }),
              kErrNotPermitted);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(admin->ExecuteAsLogin("owner", "Owned", "SELECT marker FROM t")[0].Text(0, 0), "m");
    EXPECT_EQ(ErrorOf([&] { admin->ExecuteAsLogin("nobody", "Owned", "SELECT 1"); }), kErrNoSuchLogin);
    // Only a sysadmin runs SQL as someone else, and the session's own rights come back.
    EXPECT_EQ(ErrorOf([&] { plain->ExecuteAsLogin("owner", "Owned", "SELECT 1"); }), kErrNotPermitted);
    EXPECT_TRUE(admin->IsSysadmin());
    admin->Execute("master", "SELECT 1");
}

TEST(Paths, BackupsAndRestoresStayOffTheServersFiles) {
    auto admin = enginetest::Admin();
    enginetest::MakeDatabase(*admin, "Kept", "kept");
    enginetest::MakeDatabase(*admin, "Neighbour", "n");
    const auto& settings = admin->Settings();
    std::string prefix = tvtest::Prefix();
    std::string outside = tvtest::MakeFolder("paths");
    WriteFile(prefix + "/registry.db", "hive");
    fs::create_symlink(settings.rootFolder + "/catalog.db", settings.backupFolder + "/catalog-link.bak");
    std::string neighbourLog = admin->Database("Neighbour").files[1].physicalName;
    // Each of these names a file of the server's: refused, and the file is as it was.
    for (const std::string& target :
         {std::string("../catalog.db"), std::string("..\\catalog.db-wal"),
          settings.rootFolder + "/catalog.db", settings.rootFolder + "/LOG/x.bak", prefix + "/registry.db",
          prefix + "/x.bak", settings.backupFolder + "/../../../registry.db", std::string("catalog-link.bak"),
          admin->Database("Kept").files[0].physicalName, neighbourLog,
          settings.dataFolder + "/Kept.mdf-journal"}) {
        std::string before = fs::exists(target) ? enginetest::ReadFile(target) : "";
        EXPECT_EQ(ErrorOf([&] { admin->Backup({"Kept", target}); }), kErrCannotOpenDevice) << target;
        if (!before.empty()) EXPECT_EQ(enginetest::ReadFile(target), before) << target;
    }
    EXPECT_EQ(enginetest::ReadFile(prefix + "/registry.db"), "hive");
    EXPECT_TRUE(fs::is_symlink(settings.backupFolder + "/catalog-link.bak"));
    // A drive path never climbs out of its drive; a symlink elsewhere writes its target and stays a link.
    tvtest::MakeFolder("drives/c");
    admin->Backup({"Kept", "C:\\..\\..\\..\\up.bak"});
    EXPECT_TRUE(fs::exists(prefix + "/drives/c/up.bak"));
    fs::create_symlink(outside + "/real.bak", outside + "/link.bak");
    admin->Backup({"Kept", outside + "/link.bak"});
    EXPECT_TRUE(fs::is_symlink(outside + "/link.bak"));
    EXPECT_EQ(ReadBackupSets(outside + "/real.bak").size(), 1u);

    // A restore: never onto the server's files, never over a file it was not told to replace.
    std::string file = outside + "/kept.bak";
    admin->Backup({"Kept", file});
    RestoreRequest onCatalog{"Elsewhere", file};
    onCatalog.move = {{"Kept", settings.rootFolder + "/catalog.db"}, {"Kept_log", outside + "/e.ldf"}};
    EXPECT_EQ(ErrorOf([&] { admin->Restore(onCatalog); }), 3156);
    RestoreRequest onNeighbour{"Elsewhere", file};
    onNeighbour.move = {{"Kept", outside + "/e.mdf"}, {"Kept_log", neighbourLog}};
    EXPECT_EQ(ErrorOf([&] { admin->Restore(onNeighbour); }), kErrFileInUse);
    WriteFile(outside + "/someone.mdf", "someone's");
    RestoreRequest over{"Elsewhere", file};
    over.move = {{"Kept", outside + "/someone.mdf"}, {"Kept_log", outside + "/e.ldf"}};
    EXPECT_EQ(ErrorOf([&] { admin->Restore(over); }), kErrRestoreOverExisting);
    EXPECT_EQ(enginetest::ReadFile(outside + "/someone.mdf"), "someone's");
    over.replace = true;
    admin->Restore(over);
    EXPECT_EQ(enginetest::Marker(*admin, "Elsewhere"), "kept");
    EXPECT_EQ(enginetest::Marker(*admin, "Neighbour"), "n");

    // A relative database file is in the Data folder and stored absolute, whatever the working folder.
    DatabaseSpec relative{"Relative", "rel.mdf", "rel.ldf"};
    admin->CreateDatabase(relative);
    EXPECT_EQ(admin->Database("Relative").files[0].physicalName, settings.dataFolder + "/rel.mdf");
    admin->DropDatabase("Relative");
    EXPECT_FALSE(fs::exists(settings.dataFolder + "/rel.mdf"));
}

// Random path shapes (drive letters, "..", ".", relative names, symlinks, other instances' folders)
// against a prefix with a canary in every place the engine must not write: every canary survives.
TEST(Paths, RandomPathShapesLeaveEveryCanaryAlone) {
    auto admin = enginetest::Admin();
    CreateInstance("CANARIES");
    enginetest::MakeDatabase(*admin, "ShapeSource", "s");
    enginetest::MakeDatabase(*admin, "ShapeBystander", "b");
    const auto& settings = admin->Settings();
    std::string prefix = tvtest::Prefix(), other = prefix + "/instances/CANARIES";
    std::string outside = tvtest::MakeFolder("shapes");
    std::vector<std::string> canaries = {prefix + "/registry.db",
                                         prefix + "/canary",
                                         prefix + "/instances/canary",
                                         settings.rootFolder + "/canary",
                                         settings.rootFolder + "/LOG/canary",
                                         other + "/canary",
                                         other + "/Data/canary.mdf",
                                         other + "/Backup/canary.bak"};
    for (const auto& file : admin->Database("ShapeBystander").files)
        canaries.push_back(file.physicalName);
    std::map<std::string, std::string> before;
    for (const std::string& canary : canaries) {
        if (!fs::exists(canary)) WriteFile(canary, "canary " + canary);
        before[canary] = enginetest::ReadFile(canary);
    }
    fs::create_symlink(prefix, outside + "/to-prefix");
    fs::create_symlink(settings.rootFolder + "/canary", outside + "/to-canary.bak");
    fs::create_symlink(other, settings.backupFolder + "/to-other");
    std::string backup = outside + "/source.bak";
    admin->Backup({"ShapeSource", backup});

    const std::vector<std::string> roots = {"",
                                            "C:\\",
                                            "c:/",
                                            "D:",
                                            outside + "/",
                                            outside + "/to-prefix/",
                                            prefix + "/",
                                            settings.rootFolder + "/",
                                            settings.backupFolder + "/",
                                            settings.dataFolder + "/",
                                            other + "/"};
    const std::vector<std::string> parts = {"..",
                                            ".",
                                            "canary",
                                            "registry.db",
                                            "instances",
                                            "MSSQLSERVER",
                                            "CANARIES",
                                            "Data",
                                            "Backup",
                                            "LOG",
                                            "to-other",
                                            "to-canary.bak",
                                            "catalog.db",
                                            "catalog.db-journal",
                                            "canary.mdf",
                                            "ShapeBystander.mdf",
                                            "ShapeBystander_log.LDF",
                                            "x.bak"};
    std::mt19937 random(20261208);
    auto shape = [&] {
        std::string path = roots[random() % roots.size()];
        int count = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i)
            path += parts[random() % parts.size()] + (i + 1 < count ? (random() % 2 ? "/" : "\\") : "");
        return path;
    };
    for (int round = 0; round < 64; ++round) {
        std::string a = shape(), b = shape();
        try {
            switch (round % 4) {
            case 0:
                admin->Backup({"ShapeSource", a, BackupAction::Database, {}, {}, round % 8 == 0});
                break;
            case 1: {
                RestoreRequest restore{"Shape" + std::to_string(round), backup};
                restore.move = {{"ShapeSource", a}, {"ShapeSource_log", b}};
                restore.replace = round % 3 == 0;
                admin->Restore(restore);
                admin->DropDatabase(restore.database);
                break;
            }
            case 2: {
                admin->CreateDatabase({"Made" + std::to_string(round), a, b});
                admin->DropDatabase("Made" + std::to_string(round));
                break;
            }
            default:
                admin->AddBackupDevice({"dev" + std::to_string(round), a});
                BackupRequest request{"ShapeSource"};
                request.device = "dev" + std::to_string(round);
                admin->Backup(request);
            }
        } catch (const Error&) {
        }
        for (const auto& [canary, bytes] : before)
            ASSERT_TRUE(fs::exists(canary) && enginetest::ReadFile(canary) == bytes)
                << canary << " after round " << round << ": " << a << " | " << b;
    }
    EXPECT_EQ(enginetest::Marker(*admin, "ShapeBystander"), "b");
    DropInstance("CANARIES");
}

TEST(Restore, FromAnotherInstanceLeavesThatInstanceAlone) {
    auto first = enginetest::Admin();
    CreateInstance("SECOND");
    enginetest::MakeDatabase(*first, "Travel", "first");
    std::string file = tvtest::MakeFolder("travel") + "/travel.bak";
    first->Backup({"Travel", file});
    auto files = first->Database("Travel").files;
    std::string data = enginetest::ReadFile(files[0].physicalName);
    auto second = Connect(first->Settings().machineName + "\\SECOND");
    // Without a move the files go into the second instance's own Data folder.
    second->Restore({"Travel", file});
    EXPECT_EQ(second->Database("Travel").files[0].physicalName,
              second->Settings().dataFolder + "/Travel.mdf");
    second->Execute("Travel", "UPDATE t SET marker = 'second'");
    // A move onto the first instance's files, or into its folders, is refused.
    RestoreRequest moved{"Travel2", file};
    moved.move = {{"Travel", files[0].physicalName},
                  {"Travel_log", tvtest::MakeFolder("travel") + "/t2.ldf"}};
    EXPECT_NE(ErrorOf([&] { second->Restore(moved); }), 0);
    moved.move[0].second = first->Settings().dataFolder + "/Travel2.mdf";
    EXPECT_EQ(ErrorOf([&] { second->Restore(moved); }), 3156);
    moved.move[0].second = tvtest::MakeFolder("travel") + "/t2.mdf";
    second->Restore(moved);
    EXPECT_EQ(enginetest::ReadFile(files[0].physicalName), data);
    EXPECT_EQ(enginetest::Marker(*first, "Travel"), "first");
    second.reset();
    DropInstance("SECOND");
}

TEST(Backup, ConcurrentAppendsKeepEverySet) {
    auto admin = enginetest::Admin();
    enginetest::MakeDatabase(*admin, "Appended", "busy", 1);
    std::string folder = tvtest::MakeFolder("appends"), file = folder + "/busy.bak";
    constexpr int kWriters = 6;
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([&, i] {
            auto session = Connect("(local)");
            BackupRequest request{"Appended", file, BackupAction::Database, "set " + std::to_string(i)};
            session->Backup(request);
        });
    for (auto& writer : writers)
        writer.join();
    auto sets = ReadBackupSets(file);
    ASSERT_EQ(sets.size(), static_cast<size_t>(kWriters));
    std::set<std::string> names;
    for (size_t i = 0; i < sets.size(); ++i) {
        names.insert(sets[i].name);
        EXPECT_EQ(sets[i].position, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(kWriters));
    for (int position = 1; position <= kWriters; ++position) {
        RestoreRequest restore{"Appended " + std::to_string(position), file, position};
        restore.move = {{"Appended", folder + "/" + std::to_string(position) + ".mdf"},
                        {"Appended_log", folder + "/" + std::to_string(position) + ".ldf"}};
        admin->Restore(restore);
        EXPECT_EQ(enginetest::Marker(*admin, restore.database), "busy");
    }
    EXPECT_FALSE(fs::exists(folder + "/.busy.bak.lock"));
}

TEST(Names, OneRuleForDatabasesLoginsAndDevices) {
    auto admin = enginetest::Admin();
    enginetest::MakeDatabase(*admin, "Named", "n");
    std::string file = tvtest::MakeFolder("names") + "/named.bak";
    admin->Backup({"Named", file});
    std::string longest(123, 'x'), wide;
    for (int i = 0; i < 123; ++i)
        wide += "é";
    for (const auto& [name, number] :
         std::vector<std::pair<std::string, int>>{{"", kErrInvalidName},
                                                  {"   ", kErrInvalidName},
                                                  {"line\nbreak", kErrInvalidName},
                                                  {"tab\there", kErrInvalidName},
                                                  {"\x1b[31mred", kErrInvalidName},
                                                  {"c1\xc2\x9b", kErrInvalidName},
                                                  {"bad\xff", kErrInvalidName},
                                                  {longest + "y", kErrIdentifierTooLong}}) {
        EXPECT_EQ(ErrorOf([&] { admin->CreateDatabase({name}); }), number) << name;
        EXPECT_EQ(ErrorOf([&] { admin->Restore({name, file}); }), number) << name;
        if (number != kErrIdentifierTooLong) {
            EXPECT_EQ(ErrorOf([&] { admin->AddLogin({name}, "pw"); }), number) << name;
            EXPECT_EQ(ErrorOf([&] { admin->AddBackupDevice({name, "/tmp/x.bak"}); }), number) << name;
            Job job;
            job.name = name;
            EXPECT_EQ(ErrorOf([&] { admin->AddJob(job); }), number) << name;
        }
    }
    EXPECT_EQ(MessageOf([&] { admin->CreateDatabase({longest + "y"}); }),
              "The database name that starts with '" + longest.substr(0, 32) +
                  "' is too long: at most 123 characters.");
    EXPECT_EQ(ErrorOf([&] { admin->AddLogin({std::string(129, 'l')}, "pw"); }), kErrIdentifierTooLong);
    EXPECT_EQ(ErrorOf([&] {
                  admin->AddBackupDevice({std::string(129, 'd'), "/tmp/x.bak"});
              }),
              kErrIdentifierTooLong);
    // Length is counted in characters: 123 two-byte characters are a valid database name.
    RestoreRequest restore{wide, file};
    restore.move = {{"Named", tvtest::MakeFolder("names") + "/w.mdf"},
                    {"Named_log", tvtest::MakeFolder("names") + "/w.ldf"}};
    admin->Restore(restore);
    EXPECT_TRUE(admin->DatabaseExists(wide));
}

// A failing write says why with the errno of the call that failed: a file-size limit here, where a
// stale errno of an earlier call (a cross-device copy that fell back to plain writes) once showed.
TEST(Backup, AFailedWriteNamesItsRealCause) {
    auto admin = enginetest::Admin();
    enginetest::MakeDatabase(*admin, "Limited", "l", 12);
    std::string file = tvtest::MakeFolder("limited") + "/limited.bak";
    std::string message = tvtest::MakeFolder("limited") + "/message.txt";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Connected first: only the backup's own file reaches the limit, well above the catalog's.
        auto session = Connect("(local)");
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {8 << 20, 8 << 20};
        setrlimit(RLIMIT_FSIZE, &limit);
        WriteFile(message, MessageOf([&] { session->Backup({"Limited", file}); }));
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(enginetest::ReadFile(message).substr(0, 40),
              ("Write on '" + file + "' failed, status = 27").substr(0, 40));
    EXPECT_NE(enginetest::ReadFile(message).find("File too large"), std::string::npos)
        << enginetest::ReadFile(message);
    EXPECT_FALSE(fs::exists(file));
}
