// Databases through the object model: every property the database list shows, the read-only option,
// the lock list, file groups, and creating and removing a database with files of the caller's choice.
#include "dmo_fixture.h"

#include <filesystem>

using namespace dmotest;

namespace {

Ptr<IWSQLDMODatabase> Find(IWSQLDMOServer* server, const wchar_t* name) {
    Ptr<IWSQLDMODatabases> databases;
    EXPECT_EQ(S_OK, server->GetDatabases(&databases));
    Ptr<IWSQLDMODatabase> database;
    EXPECT_EQ(S_OK, databases->GetItemByName(name, &database)) << ErrorDescription();
    return database;
}

TEST(Databases, ListShowsEveryPropertyOfEachDatabase) {
    Prepare();
    MakeDatabase("Listed");
    auto server = Connected();
    Ptr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(&databases));
    ASSERT_EQ(S_OK, databases->Refresh(VARIANT_FALSE));
    long count = Number(databases.get(), &IWSQLDMODatabases::GetCount);
    bool sawListed = false, sawMaster = false;
    for (long i = 0; i < count; ++i) {
        Ptr<IWSQLDMODatabase> database;
        ASSERT_EQ(S_OK, databases->GetItemByOrd(i, &database));
        std::wstring name = Text(database.get(), &IWSQLDMODatabase::GetName);
        VARIANT_BOOL system = VARIANT_TRUE;
        ASSERT_EQ(S_OK, database->GetSystemObject(&system));
        float space = -1;
        ASSERT_EQ(S_OK, database->GetSpaceAvailableInMB(&space));
        EXPECT_GE(space, 0);
        EXPECT_GE(Number(database.get(), &IWSQLDMODatabase::GetSize), 0);
        Ptr<IWSQLDMOTransactionLog> log;
        ASSERT_EQ(S_OK, database->GetTransactionLog(&log));
        EXPECT_GE(Number(log.get(), &IWSQLDMOTransactionLog::GetSize), 0);
        if (name == L"master") {
            sawMaster = true;
            EXPECT_EQ(VARIANT_TRUE, system);
        }
        if (name == L"Listed") {
            sawListed = true;
            EXPECT_EQ(VARIANT_FALSE, system);
            EXPECT_EQ(SQLDMODBStat_Normal, Number(database.get(), &IWSQLDMODatabase::GetStatus));
            EXPECT_EQ(19u, Text(log.get(), &IWSQLDMOTransactionLog::GetCreateDate).size());
            // Never backed up: no date, which the list shows as "Unknown".
            EXPECT_EQ(L"", Text(log.get(), &IWSQLDMOTransactionLog::GetLastBackup));
        }
    }
    EXPECT_TRUE(sawListed);
    EXPECT_TRUE(sawMaster);
}

TEST(Databases, ReadOnlyOptionIsSetAndCleared) {
    Prepare();
    MakeDatabase("Toggled");
    auto server = Connected();
    auto database = Find(server.get(), L"Toggled");
    Ptr<IWSQLDMODBOption> option;
    ASSERT_EQ(S_OK, database->GetDBOption(&option));
    ASSERT_EQ(S_OK, option->SetReadOnly(VARIANT_TRUE)) << ErrorDescription();
    VARIANT_BOOL readOnly = VARIANT_FALSE;
    ASSERT_EQ(S_OK, option->GetReadOnly(&readOnly));
    EXPECT_EQ(VARIANT_TRUE, readOnly);
    auto session = tvengine::Connect("(local)");
    EXPECT_THROW(session->Execute("Toggled", "INSERT INTO t(marker) VALUES ('x')"), tvengine::Error);

    ASSERT_EQ(S_OK, option->SetReadOnly(VARIANT_FALSE));
    ASSERT_EQ(S_OK, option->GetReadOnly(&readOnly));
    EXPECT_EQ(VARIANT_FALSE, readOnly);
    EXPECT_NO_THROW(session->Execute("Toggled", "INSERT INTO t(marker) VALUES ('x')"));
}

TEST(Databases, LocksAndFileGroupsAreReported) {
    Prepare();
    MakeDatabase("Locked");
    auto server = Connected();
    auto database = Find(server.get(), L"Locked");
    Ptr<IWSQLDMOQueryResults> locks;
    ASSERT_EQ(S_OK, database->EnumLocks(-1, &locks)) << ErrorDescription();
    ASSERT_GE(Number(locks.get(), &IWSQLDMOQueryResults::GetColumns), 1);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, locks->GetColumnName(1, &name));
    EXPECT_EQ(L"req_spid", Take(name));

    Ptr<IWSQLDMOFileGroups> groups;
    ASSERT_EQ(S_OK, database->GetFileGroups(&groups));
    Ptr<IWSQLDMOFileGroup> primary;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"PRIMARY", &primary));
    Ptr<IWSQLDMODBFiles> files;
    ASSERT_EQ(S_OK, primary->GetDBFiles(&files));
    EXPECT_EQ(1, Number(files.get(), &IWSQLDMODBFiles::GetCount));
}

TEST(Databases, NewDatabaseIsCreatedWithTheFilesGivenAndRemoved) {
    auto server = Connected();
    std::string folder = tvtest::MakeFolder("newdb");
    std::wstring data = tvp::FromUtf8(folder + "/Fresh.mdf"), log = tvp::FromUtf8(folder + "/Fresh_log.LDF");

    auto database = Create<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase);
    ASSERT_EQ(S_OK, database->SetName(L"Fresh"));
    auto dataFile = Create<IWSQLDMODBFile>(CLSID_SQLDMODBFile, IID_IWSQLDMODBFile);
    dataFile->SetName(L"Fresh");
    dataFile->SetPhysicalName(data.c_str());
    Ptr<IWSQLDMOFileGroups> groups;
    ASSERT_EQ(S_OK, database->GetFileGroups(&groups));
    Ptr<IWSQLDMOFileGroup> primary;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"PRIMARY", &primary));
    Ptr<IWSQLDMODBFiles> files;
    ASSERT_EQ(S_OK, primary->GetDBFiles(&files));
    ASSERT_EQ(S_OK, files->Add(dataFile.get())) << ErrorDescription();
    auto logFile = Create<IWSQLDMOLogFile>(CLSID_SQLDMOLogFile, IID_IWSQLDMOLogFile);
    logFile->SetName(L"Fresh_log");
    logFile->SetPhysicalName(log.c_str());
    Ptr<IWSQLDMOTransactionLog> transactionLog;
    ASSERT_EQ(S_OK, database->GetTransactionLog(&transactionLog));
    Ptr<IWSQLDMOLogFiles> logFiles;
    ASSERT_EQ(S_OK, transactionLog->GetLogFiles(&logFiles));
    ASSERT_EQ(S_OK, logFiles->Add(logFile.get())) << ErrorDescription();

    Ptr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(&databases));
    ASSERT_EQ(S_OK, databases->Add(database.get())) << ErrorDescription();
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(data)));
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(log)));
    // The object now stands for the database on the server.
    EXPECT_GE(Number(database.get(), &IWSQLDMODatabase::GetSize), 0);

    // Adding it again is refused with the reason.
    auto twin = Create<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase);
    twin->SetName(L"Fresh");
    EXPECT_TRUE(FAILED(databases->Add(twin.get())));
    EXPECT_EQ(L"[Tavrosk][Engine]Database 'Fresh' already exists.", ErrorDescription());

    ASSERT_EQ(S_OK, database->Remove()) << ErrorDescription();
    ASSERT_EQ(S_OK, databases->Refresh(VARIANT_FALSE));
    Ptr<IWSQLDMODatabase> gone;
    EXPECT_TRUE(FAILED(databases->GetItemByName(L"Fresh", &gone)));
}

TEST(Databases, DatabaseInUseIsNotRemoved) {
    Prepare();
    MakeDatabase("Busy");
    auto user = tvengine::Connect("(local)");
    user->Use("Busy");
    auto server = Connected();
    auto database = Find(server.get(), L"Busy");
    EXPECT_TRUE(FAILED(database->Remove()));
    EXPECT_EQ(L"[Tavrosk][Engine]Cannot drop the database 'Busy' because it is currently in use.",
              ErrorDescription());
    EXPECT_EQ(L"Busy", Text(database.get(), &IWSQLDMODatabase::GetName));
}

} // namespace
