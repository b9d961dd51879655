// Databases through the object model: every property the database list shows, the read-only option,
// the lock list, file groups, and creating and removing a database with files of the caller's choice.
#include "dmo_fixture.h"

#include <filesystem>

using namespace dmotest;

namespace {

ComPtr<IWSQLDMODatabase> Find(IWSQLDMOServer* server, const wchar_t* name) {
    ComPtr<IWSQLDMODatabases> databases;
    EXPECT_EQ(S_OK, server->GetDatabases(databases.Receive()));
    ComPtr<IWSQLDMODatabase> database;
    EXPECT_EQ(S_OK, databases->GetItemByName(name, database.Receive())) << ErrorDescription();
    return database;
}

TEST(Databases, ListShowsEveryPropertyOfEachDatabase) {
    Prepare();
    MakeDatabase("Listed");
    auto server = Connected();
    ComPtr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(databases.Receive()));
    ASSERT_EQ(S_OK, databases->Refresh(VARIANT_FALSE));
    long count = Number(databases.Get(), &IWSQLDMODatabases::GetCount);
    bool sawListed = false, sawMaster = false;
    for (long i = 0; i < count; ++i) {
        ComPtr<IWSQLDMODatabase> database;
        ASSERT_EQ(S_OK, databases->GetItemByOrd(i, database.Receive()));
        std::wstring name = Text(database.Get(), &IWSQLDMODatabase::GetName);
        VARIANT_BOOL system = VARIANT_TRUE;
        ASSERT_EQ(S_OK, database->GetSystemObject(&system));
        float space = -1;
        ASSERT_EQ(S_OK, database->GetSpaceAvailableInMB(&space));
        EXPECT_GE(space, 0);
        EXPECT_GE(Number(database.Get(), &IWSQLDMODatabase::GetSize), 0);
        ComPtr<IWSQLDMOTransactionLog> log;
        ASSERT_EQ(S_OK, database->GetTransactionLog(log.Receive()));
        EXPECT_GE(Number(log.Get(), &IWSQLDMOTransactionLog::GetSize), 0);
        if (name == L"master") {
            sawMaster = true;
            EXPECT_EQ(VARIANT_TRUE, system);
        }
        if (name == L"Listed") {
            sawListed = true;
            EXPECT_EQ(VARIANT_FALSE, system);
            EXPECT_EQ(SQLDMODBStat_Normal, Number(database.Get(), &IWSQLDMODatabase::GetStatus));
            EXPECT_EQ(19u, Text(log.Get(), &IWSQLDMOTransactionLog::GetCreateDate).size());
            // Never backed up: no date, which the list shows as "Unknown".
            EXPECT_EQ(L"", Text(log.Get(), &IWSQLDMOTransactionLog::GetLastBackup));
        }
    }
    EXPECT_TRUE(sawListed);
    EXPECT_TRUE(sawMaster);
}

TEST(Databases, ReadOnlyOptionIsSetAndCleared) {
    Prepare();
    MakeDatabase("Toggled");
    auto server = Connected();
    auto database = Find(server.Get(), L"Toggled");
    ComPtr<IWSQLDMODBOption> option;
    ASSERT_EQ(S_OK, database->GetDBOption(option.Receive()));
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
    auto database = Find(server.Get(), L"Locked");
    ComPtr<IWSQLDMOQueryResults> locks;
    ASSERT_EQ(S_OK, database->EnumLocks(-1, locks.Receive())) << ErrorDescription();
    ASSERT_GE(Number(locks.Get(), &IWSQLDMOQueryResults::GetColumns), 1);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, locks->GetColumnName(1, &name));
    EXPECT_EQ(L"req_spid", Take(name));

    ComPtr<IWSQLDMOFileGroups> groups;
    ASSERT_EQ(S_OK, database->GetFileGroups(groups.Receive()));
    ComPtr<IWSQLDMOFileGroup> primary;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"PRIMARY", primary.Receive()));
    ComPtr<IWSQLDMODBFiles> files;
    ASSERT_EQ(S_OK, primary->GetDBFiles(files.Receive()));
    EXPECT_EQ(1, Number(files.Get(), &IWSQLDMODBFiles::GetCount));
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
    ComPtr<IWSQLDMOFileGroups> groups;
    ASSERT_EQ(S_OK, database->GetFileGroups(groups.Receive()));
    ComPtr<IWSQLDMOFileGroup> primary;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"PRIMARY", primary.Receive()));
    ComPtr<IWSQLDMODBFiles> files;
    ASSERT_EQ(S_OK, primary->GetDBFiles(files.Receive()));
    ASSERT_EQ(S_OK, files->Add(dataFile.Get())) << ErrorDescription();
    auto logFile = Create<IWSQLDMOLogFile>(CLSID_SQLDMOLogFile, IID_IWSQLDMOLogFile);
    logFile->SetName(L"Fresh_log");
    logFile->SetPhysicalName(log.c_str());
    ComPtr<IWSQLDMOTransactionLog> transactionLog;
    ASSERT_EQ(S_OK, database->GetTransactionLog(transactionLog.Receive()));
    ComPtr<IWSQLDMOLogFiles> logFiles;
    ASSERT_EQ(S_OK, transactionLog->GetLogFiles(logFiles.Receive()));
    ASSERT_EQ(S_OK, logFiles->Add(logFile.Get())) << ErrorDescription();

    ComPtr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(databases.Receive()));
    ASSERT_EQ(S_OK, databases->Add(database.Get())) << ErrorDescription();
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(data)));
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(log)));
    // The object now stands for the database on the server.
    EXPECT_GE(Number(database.Get(), &IWSQLDMODatabase::GetSize), 0);

    // Adding it again is refused with the reason.
    auto twin = Create<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase);
    twin->SetName(L"Fresh");
    EXPECT_TRUE(FAILED(databases->Add(twin.Get())));
    EXPECT_EQ(L"[Tavrosk][Engine]Database 'Fresh' already exists.", ErrorDescription());

    ASSERT_EQ(S_OK, database->Remove()) << ErrorDescription();
    ASSERT_EQ(S_OK, databases->Refresh(VARIANT_FALSE));
    ComPtr<IWSQLDMODatabase> gone;
    EXPECT_TRUE(FAILED(databases->GetItemByName(L"Fresh", gone.Receive())));
}

TEST(Databases, DatabaseInUseIsNotRemoved) {
    Prepare();
    MakeDatabase("Busy");
    auto user = tvengine::Connect("(local)");
    user->Use("Busy");
    auto server = Connected();
    auto database = Find(server.Get(), L"Busy");
    EXPECT_TRUE(FAILED(database->Remove()));
    EXPECT_EQ(L"[Tavrosk][Engine]Cannot drop the database 'Busy' because it is currently in use.",
              ErrorDescription());
    EXPECT_EQ(L"Busy", Text(database.Get(), &IWSQLDMODatabase::GetName));
}

} // namespace
