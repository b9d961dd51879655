// Databases: creation with their files and figures, names that need quoting, the read-only option on
// every write, the lock list, file groups, drop refused while in use, and running SQL.
#include <filesystem>

#include "engine_fixture.h"
#include "internal.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;

TEST(Databases, CreateGivesFilesFiguresAndDates) {
    auto session = enginetest::Admin();
    std::time_t before = std::time(nullptr);
    enginetest::MakeDatabase(*session, "Figures", "f", 3);
    DatabaseInfo db = session->Database("figures");
    EXPECT_EQ(db.name, "Figures");
    EXPECT_FALSE(db.systemObject);
    EXPECT_FALSE(db.readOnly);
    EXPECT_EQ(db.status, kStatusReady);
    EXPECT_GE(db.created, before);
    EXPECT_EQ(db.lastBackup, 0);
    EXPECT_EQ(db.logSizeMB, 1);
    EXPECT_GE(db.sizeMB, 4); // three megabytes of rows and the log
    EXPECT_GE(db.spaceAvailableMB, 0.0);
    EXPECT_DOUBLE_EQ(db.logSpaceAvailableMB, 1.0);
    ASSERT_EQ(db.files.size(), 2u);
    EXPECT_EQ(db.files[0].logicalName, "Figures");
    EXPECT_EQ(db.files[0].physicalName, session->Settings().dataFolder + "/Figures.mdf");
    EXPECT_EQ(db.files[0].fileGroup, "PRIMARY");
    EXPECT_EQ(db.files[1].logicalName, "Figures_log");
    EXPECT_EQ(db.files[1].physicalName, session->Settings().dataFolder + "/Figures_log.LDF");
    EXPECT_EQ(db.files[1].type, 'L');

    // Freed pages show as space available.
    session->Execute("Figures", "DELETE FROM t WHERE marker = 'fill'");
    EXPECT_GE(session->Database("Figures").spaceAvailableMB, 2.0);
}

TEST(Databases, ListHoldsSystemAndUserDatabasesWithTheirFlag) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Listed", "l");
    bool sawMaster = false, sawListed = false;
    for (const auto& db : session->Databases()) {
        if (db.name == "master") sawMaster = db.systemObject;
        if (db.name == "Listed") sawListed = !db.systemObject;
    }
    EXPECT_TRUE(sawMaster);
    EXPECT_TRUE(sawListed);
}

TEST(Databases, NamesWithQuotesBracketsBlanksAndAccentsRoundTrip) {
    auto session = enginetest::Admin();
    for (const std::string& name :
         {std::string("O'Brien's \"data\""), std::string("[Sales] 2024; DROP TABLE t"),
          std::string("Größe Überblick ñ 東京"), std::string("a/b\\c")}) {
        enginetest::MakeDatabase(*session, name, "mark " + name);
        EXPECT_EQ(session->Database(name).name, name);
        EXPECT_EQ(enginetest::Marker(*session, name), "mark " + name);
        bool listed = false;
        for (const auto& db : session->Databases())
            listed = listed || db.name == name;
        EXPECT_TRUE(listed) << name;
        BackupRequest backup{name,
                             session->Settings().backupFolder + "/" + detail::SafeFileName(name) + ".bak"};
        session->Backup(backup);
        EXPECT_EQ(ReadBackupSets(backup.file)[0].databaseName, name);
        RestoreRequest restore{name + " copy", backup.file};
        restore.move = {
            {name, tvtest::MakeFolder("copies") + "/" + detail::SafeFileName(name) + " c.mdf"},
            {name + "_log", tvtest::MakeFolder("copies") + "/" + detail::SafeFileName(name) + " c.ldf"}};
        session->Restore(restore);
        EXPECT_EQ(enginetest::Marker(*session, name + " copy"), "mark " + name);
        session->DropDatabase(name);
        EXPECT_FALSE(session->DatabaseExists(name));
    }
}

TEST(Databases, CreateRefusesDuplicatesAndForeignFiles) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Dup", "d");
    EXPECT_EQ(MessageOf([&] { session->CreateDatabase({"DUP"}); }), "Database 'DUP' already exists.");
    DatabaseSpec clash{"Clash", session->Settings().dataFolder + "/Dup.mdf"};
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase(clash); }), kErrFileInUse);
    std::string stray = session->Settings().dataFolder + "/Stray.mdf";
    FILE* f = fopen(stray.c_str(), "w");
    fputs("someone's file", f);
    fclose(f);
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase({"Stray"}); }), kErrFileExists);
    EXPECT_EQ(enginetest::ReadFile(stray), "someone's file");
    EXPECT_FALSE(session->DatabaseExists("Stray"));
    DatabaseSpec nowhere{"Nowhere", "/no/such/folder/n.mdf"};
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase(nowhere); }), 5123);
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase({""}); }), kErrInvalidName);
    // The catalog's own files, present or not at this moment, are never a database's.
    DatabaseSpec wal{"Wal", session->Settings().rootFolder + "/catalog.db-journal"};
    EXPECT_EQ(ErrorOf([&] { session->CreateDatabase(wal); }), kErrFileExists);
}

TEST(Databases, CreateWithWindowsPathsPlacesFilesUnderTheDrives) {
    auto session = enginetest::Admin();
    std::filesystem::create_directories(tvtest::Prefix() + "/drives/c/data");
    DatabaseSpec spec{"OnDrive", "c:\\data\\OnDrive.mdf", "c:\\data\\OnDrive_log.LDF"};
    session->CreateDatabase(spec);
    EXPECT_EQ(session->Database("OnDrive").files[0].physicalName,
              tvtest::Prefix() + "/drives/c/data/OnDrive.mdf");
    EXPECT_TRUE(std::filesystem::exists(tvtest::Prefix() + "/drives/c/data/OnDrive_log.LDF"));
}

TEST(Databases, ReadOnlyRefusesEveryWriteAndKeepsReads) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Frozen", "before");
    session->SetReadOnly("Frozen", true);
    EXPECT_TRUE(session->Database("Frozen").readOnly);
    for (const char* write : {"INSERT INTO t(marker) VALUES ('x')", "UPDATE t SET marker = 'after'",
                              "DELETE FROM t", "CREATE TABLE u(a)", "DROP TABLE t", "PRAGMA user_version = 7",
                              "SELECT 1; UPDATE t SET marker = 'after'"}) {
        EXPECT_EQ(MessageOf([&] { session->Execute("Frozen", write); }),
                  "Failed to update database \"Frozen\" because the database is read-only.")
            << write;
    }
    EXPECT_EQ(enginetest::Marker(*session, "Frozen"), "before");
    session->SetReadOnly("Frozen", false);
    session->Execute("Frozen", "UPDATE t SET marker = 'after' WHERE id = 1");
    EXPECT_EQ(enginetest::Marker(*session, "Frozen"), "after");
    EXPECT_EQ(ErrorOf([&] { session->SetReadOnly("master", true); }), 5058);
}

TEST(Databases, DropIsRefusedWhileAnotherSessionUsesIt) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Busy", "b");
    auto other = Connect("(local)");
    other->Use("Busy");
    EXPECT_EQ(MessageOf([&] { session->DropDatabase("Busy"); }),
              "Cannot drop the database 'Busy' because it is currently in use.");
    EXPECT_EQ(ErrorOf([&] { session->SetReadOnly("Busy", true); }), 5070);
    EXPECT_TRUE(session->DatabaseExists("Busy"));
    other->Use("master");
    std::string data = session->Database("Busy").files[0].physicalName;
    session->DropDatabase("Busy");
    EXPECT_FALSE(session->DatabaseExists("Busy"));
    EXPECT_FALSE(std::filesystem::exists(data));
    EXPECT_EQ(ErrorOf([&] { session->DropDatabase("Busy"); }), kErrNoSuchDatabase);
    EXPECT_EQ(ErrorOf([&] { other->Use("Busy"); }), kErrNoSuchDatabase);
}

TEST(Databases, ASessionThatEndedNoLongerHoldsItsDatabase) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Released", "r");
    {
        auto other = Connect("(local)");
        other->Use("Released");
    }
    session->DropDatabase("Released");
    EXPECT_FALSE(session->DatabaseExists("Released"));
}

TEST(Databases, SystemDatabasesCannotBeDropped) {
    auto session = enginetest::Admin();
    EXPECT_EQ(MessageOf([&] { session->DropDatabase("msdb"); }),
              "Cannot drop the database 'msdb' because it is a system database.");
}

TEST(Databases, LockListShowsTheSessionsUsingADatabase) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Locked", "l");
    ResultSet empty = session->EnumLocks("Locked");
    ASSERT_EQ(empty.ColumnCount(), 6u);
    EXPECT_EQ(empty.RowCount(), 0u);
    EXPECT_EQ(empty.Columns()[0].name, "req_spid");
    EXPECT_EQ(empty.Columns()[0].type, ColumnType::Integer);
    EXPECT_EQ(empty.Columns()[1].name, "locktype");
    EXPECT_EQ(empty.Columns()[1].type, ColumnType::WVarChar);
    EXPECT_EQ(empty.Columns()[2].name, "dbname");
    EXPECT_EQ(empty.Columns()[5].name, "status");

    auto a = Connect("(local)");
    auto b = Connect("(local)");
    a->Use("Locked");
    b->Use("Locked");
    ResultSet locks = session->EnumLocks("locked");
    ASSERT_EQ(locks.RowCount(), 2u);
    EXPECT_EQ(locks.Integer(0, 0), a->ProcessId());
    EXPECT_EQ(locks.Integer(1, 0), b->ProcessId());
    EXPECT_EQ(locks.Text(0, 1), "S");
    EXPECT_EQ(locks.Text(0, 2), "Locked");
    EXPECT_EQ(session->EnumLocks("Locked", b->ProcessId()).RowCount(), 1u);
    b.reset();
    EXPECT_EQ(session->EnumLocks("Locked").RowCount(), 1u);
    EXPECT_EQ(ErrorOf([&] { session->EnumLocks("NoSuchDb"); }), kErrNoSuchDatabase);
}

TEST(Databases, FileGroupsHoldPrimaryWithTheDataFile) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Grouped", "g");
    auto groups = session->FileGroups("Grouped");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "PRIMARY");
    ASSERT_EQ(groups[0].files.size(), 1u);
    EXPECT_EQ(groups[0].files[0].logicalName, "Grouped");
}

TEST(Databases, ExecuteReturnsTypedResultSets) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Typed", "t");
    auto results = session->Execute("Typed", "CREATE TABLE v(i INTEGER, r REAL, s TEXT);"
                                             "INSERT INTO v VALUES (7, 2.5, 'x'), (NULL, NULL, NULL);"
                                             "SELECT i, r, s, i * 2 AS twice FROM v ORDER BY i DESC;"
                                             "SELECT count(*) AS n FROM v");
    ASSERT_EQ(results.size(), 2u);
    const ResultSet& rows = results[0];
    EXPECT_EQ(rows.Columns()[0].type, ColumnType::Integer);
    EXPECT_EQ(rows.Columns()[1].type, ColumnType::Float);
    EXPECT_EQ(rows.Columns()[2].type, ColumnType::WVarChar);
    EXPECT_EQ(rows.Columns()[3].name, "twice");
    EXPECT_EQ(rows.Columns()[3].type, ColumnType::BigInt);
    ASSERT_EQ(rows.RowCount(), 2u);
    EXPECT_EQ(rows.Integer(0, 3), 14);
    EXPECT_EQ(rows.Text(0, 2), "x");
    EXPECT_DOUBLE_EQ(rows.Real(0, 1), 2.5);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(rows.At(1, 0)));
    EXPECT_EQ(rows.Text(1, 0), "");
    EXPECT_EQ(results[1].Integer(0, 0), 2);
    EXPECT_EQ(ErrorOf([&] { session->Execute("Typed", "SELEC nonsense"); }), kErrSyntax);
    EXPECT_EQ(ErrorOf([&] { session->Execute("NoSuchDb", "SELECT 1"); }), kErrNoSuchDatabase);
}

TEST(Databases, ParametersKeepOutsideTextAsData) {
    auto session = enginetest::Admin();
    enginetest::MakeDatabase(*session, "Bound", "b");
    std::string hostile = "x'); DROP TABLE t; --";
    session->ExecuteWith("Bound", "INSERT INTO t(id, marker) VALUES (?1, ?2)", {100LL, hostile});
    auto found = session->ExecuteWith("Bound", "SELECT marker, ?2 FROM t WHERE id = ?1", {100LL, 2.5});
    ASSERT_EQ(found[0].RowCount(), 1u);
    EXPECT_EQ(found[0].Text(0, 0), hostile);
    EXPECT_DOUBLE_EQ(found[0].Real(0, 1), 2.5);
    EXPECT_EQ(session->ExecuteWith("Bound", "SELECT ? IS NULL", {std::monostate{}})[0].Integer(0, 0), 1);
    EXPECT_EQ(ErrorOf([&] { session->ExecuteWith("Bound", "SELECT ?1, ?2", {1LL}); }), kErrSyntax);
    EXPECT_EQ(ErrorOf([&] { session->Execute("Bound", "SELECT ?"); }), kErrSyntax);

    std::string table = "we\"ird [name]";
    session->Execute("Bound", "CREATE TABLE " + QuoteIdentifier(table) + "(" + QuoteIdentifier("a\"b") + ")");
    session->ExecuteWith("Bound", "INSERT INTO " + QuoteIdentifier(table) + " VALUES (?)",
                         {std::string("v")});
    auto names = session->ExecuteWith("Bound", "SELECT name FROM sqlite_master WHERE name = ?", {table});
    EXPECT_EQ(names[0].RowCount(), 1u);
    EXPECT_EQ(session->Execute("Bound", "SELECT count(*) FROM t")[0].Integer(0, 0), 2);
}
