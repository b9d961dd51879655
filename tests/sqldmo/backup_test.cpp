// Backup and restore through the object model: progress reaches the sinks on the caller's thread,
// the file list of a backup is read, and a restore under a new name puts the files where the
// relocation list says, while the original stays as it was.
#include "dmo_fixture.h"

#include <filesystem>
#include <thread>
#include <vector>

#include "ocidl.h"

using namespace dmotest;

namespace {

// Both sinks' members have one meaning here, so one implementation serves both interfaces.
class Sink final : public tvcom::Object<IWSQLDMOBackupSink, IWSQLDMORestoreSink> {
public:
    STDMETHODIMP PercentComplete(SQLDMO_LPCSTR, long percent) override {
        percents.push_back(percent);
        if (std::this_thread::get_id() != caller) offThread = true;
        return S_OK;
    }
    STDMETHODIMP NextMedia(SQLDMO_LPCSTR) override { return S_OK; }
    STDMETHODIMP Complete(SQLDMO_LPCSTR) override {
        ++completions;
        return S_OK;
    }

    std::vector<long> percents;
    int completions = 0;
    bool offThread = false;
    std::thread::id caller = std::this_thread::get_id();
};

// Attaches a sink through the object's connection point; returns the cookie.
DWORD Attach(IUnknown* object, REFIID sinkIid, Sink* sink, ComPtr<IConnectionPoint>& point) {
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()));
    EXPECT_EQ(S_OK, container->FindConnectionPoint(sinkIid, point.Receive()));
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, point->Advise(static_cast<IWSQLDMOBackupSink*>(sink), &cookie));
    return cookie;
}

void ExpectRisingTo100(const std::vector<long>& percents) {
    ASSERT_FALSE(percents.empty());
    for (size_t i = 1; i < percents.size(); ++i)
        EXPECT_LT(percents[i - 1], percents[i]);
    EXPECT_EQ(100, percents.back());
}

TEST(BackupRestore, BackupReportsProgressAndRestoreRelocatesUnderANewName) {
    auto backupSink = tvcom::Make<Sink>();
    auto restoreSink = tvcom::Make<Sink>();
    Prepare();
    MakeDatabase("Sales");
    auto server = Connected();
    std::string folder = tvtest::MakeFolder("media");
    std::wstring file = tvp::FromUtf8(folder + "/sales.bak");

    auto backup = Create<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup);
    ComPtr<IConnectionPoint> backupPoint;
    DWORD cookie = Attach(backup.Get(), IID_IWSQLDMOBackupSink, backupSink.Get(), backupPoint);
    ASSERT_EQ(S_OK, backup->SetAction(SQLDMOBackup_Database));
    ASSERT_EQ(S_OK, backup->SetFiles((L"[" + file + L"]").c_str()));
    ASSERT_EQ(S_OK, backup->SetDatabase(L"Sales"));
    ASSERT_EQ(S_OK, backup->SetBackupSetDescription(L"weekly"));
    ASSERT_EQ(S_OK, backup->SetInitialize(VARIANT_TRUE));
    ASSERT_EQ(S_OK, backup->SQLBackup(server.Get())) << ErrorDescription();
    ExpectRisingTo100(backupSink->percents);
    EXPECT_FALSE(backupSink->offThread);
    EXPECT_EQ(1, backupSink->completions);
    ASSERT_EQ(S_OK, backupPoint->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, backupPoint->Unadvise(cookie));

    auto restore = Create<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore);
    ComPtr<IConnectionPoint> restorePoint;
    Attach(restore.Get(), IID_IWSQLDMORestoreSink, restoreSink.Get(), restorePoint);
    ASSERT_EQ(S_OK, restore->SetFiles((L"[" + file + L"]").c_str()));
    ComPtr<IWSQLDMOQueryResults> list;
    ASSERT_EQ(S_OK, restore->ReadFileList(server.Get(), list.Receive())) << ErrorDescription();
    ASSERT_EQ(2, Number(list.Get(), &IWSQLDMOQueryResults::GetRows));
    BSTR text = nullptr;
    list->GetColumnString(1, 1, &text);
    std::wstring dataLogical = Take(text);
    list->GetColumnString(2, 1, &text);
    std::wstring logLogical = Take(text);
    EXPECT_EQ(L"Sales", dataLogical);

    std::string target = tvtest::MakeFolder("relocated");
    std::wstring data = tvp::FromUtf8(target + "/SalesCopy.mdf"),
                 log = tvp::FromUtf8(target + "/SalesCopy_log.LDF");
    std::wstring moves = L"[" + dataLogical + L"],[" + data + L"],[" + logLogical + L"],[" + log + L"]";
    ASSERT_EQ(S_OK, restore->SetRelocateFiles(moves.c_str())) << ErrorDescription();
    ASSERT_EQ(S_OK, restore->SetDatabase(L"SalesCopy"));
    ASSERT_EQ(S_OK, restore->SetReplaceDatabase(VARIANT_TRUE));
    ASSERT_EQ(S_OK, restore->SQLRestore(server.Get())) << ErrorDescription();
    ExpectRisingTo100(restoreSink->percents);
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(data)));
    EXPECT_TRUE(std::filesystem::exists(tvp::ToUtf8(log)));

    auto session = tvengine::Connect("(local)");
    auto rows = session->Execute("SalesCopy", "SELECT marker FROM t");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("marker of Sales", rows[0].Text(0, 0));
    EXPECT_TRUE(session->DatabaseExists("Sales"));

    // The backup is remembered as the database's last backup.
    ComPtr<IWSQLDMODatabases> databases;
    server->GetDatabases(databases.Receive());
    ComPtr<IWSQLDMODatabase> sales;
    ASSERT_EQ(S_OK, databases->GetItemByName(L"Sales", sales.Receive()));
    ComPtr<IWSQLDMOTransactionLog> transactionLog;
    sales->GetTransactionLog(transactionLog.Receive());
    EXPECT_FALSE(Text(transactionLog.Get(), &IWSQLDMOTransactionLog::GetLastBackup).empty());
}

TEST(BackupRestore, FailuresNameTheirCause) {
    auto server = Connected();
    auto backup = Create<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup);
    backup->SetFiles(L"[nowhere.bak]");
    backup->SetDatabase(L"NoSuchDatabase");
    EXPECT_TRUE(FAILED(backup->SQLBackup(server.Get())));
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"[Tavrosk][Engine]"));

    // A backup without a connected server fails instead of pretending to run.
    auto idle = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    backup->SetDatabase(L"master");
    EXPECT_TRUE(FAILED(backup->SQLBackup(idle.Get())));
    EXPECT_EQ(L"[Tavrosk][Object Model]The server object is not connected.", ErrorDescription());

    EXPECT_TRUE(FAILED(backup->SetFiles(L"[unclosed")));
    EXPECT_EQ(L"[Tavrosk][Object Model]The device list '[unclosed' has an unclosed '['.", ErrorDescription());

    std::string folder = tvtest::MakeFolder("foreign");
    std::string foreign = folder + "/foreign.bak";
    FILE* out = std::fopen(foreign.c_str(), "wb");
    std::fputs("this is not a backup", out);
    std::fclose(out);
    auto restore = Create<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore);
    restore->SetFiles((L"[" + tvp::FromUtf8(foreign) + L"]").c_str());
    ComPtr<IWSQLDMOQueryResults> list;
    EXPECT_TRUE(FAILED(restore->ReadFileList(server.Get(), list.Receive())));
    EXPECT_FALSE(list);
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"[Tavrosk][Engine]"));

    // The relocation list pairs names with places.
    EXPECT_TRUE(FAILED(restore->SetRelocateFiles(L"[a],[b],[c]")));

    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(S_OK, restore->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()));
    ComPtr<IConnectionPoint> wrong;
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              container->FindConnectionPoint(IID_IWSQLDMOBackupSink, wrong.Receive()));
}

} // namespace

namespace {

// The Restore wizard's path for a new name: create the database with its files first, then restore
// over it with the backup's files moved onto the new ones.
TEST(BackupRestore, RestoreOverADatabaseJustCreatedForIt) {
    Prepare();
    MakeDatabase("Parts");
    auto server = Connected();
    std::string folder = tvtest::MakeFolder("wizard");
    std::wstring file = tvp::FromUtf8(folder + "/parts.bak");
    auto backup = Create<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup);
    backup->SetFiles((L"[" + file + L"]").c_str());
    backup->SetDatabase(L"Parts");
    backup->SetInitialize(VARIANT_TRUE);
    ASSERT_EQ(S_OK, backup->SQLBackup(server.Get())) << ErrorDescription();

    auto restore = Create<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore);
    restore->SetFiles((L"[" + file + L"]").c_str());
    restore->SetReplaceDatabase(VARIANT_TRUE);
    ComPtr<IWSQLDMOQueryResults> list;
    ASSERT_EQ(S_OK, restore->ReadFileList(server.Get(), list.Receive()));
    BSTR text = nullptr;
    list->GetColumnString(1, 1, &text);
    std::wstring dataLogical = Take(text);
    list->GetColumnString(2, 1, &text);
    std::wstring logLogical = Take(text);

    std::wstring dataFolder = tvp::FromUtf8(tvtest::MakeFolder("wizarddata") + "/");
    std::wstring data = dataFolder + L"PartsCopy.mdf", log = dataFolder + L"PartsCopy_log.LDF";
    auto database = Create<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase);
    database->SetName(L"PartsCopy");
    auto dataFile = Create<IWSQLDMODBFile>(CLSID_SQLDMODBFile, IID_IWSQLDMODBFile);
    dataFile->SetName(L"PartsCopy");
    dataFile->SetPhysicalName(data.c_str());
    ComPtr<IWSQLDMOFileGroups> groups;
    database->GetFileGroups(groups.Receive());
    ComPtr<IWSQLDMOFileGroup> primary;
    groups->GetItemByName(L"PRIMARY", primary.Receive());
    ComPtr<IWSQLDMODBFiles> files;
    primary->GetDBFiles(files.Receive());
    ASSERT_EQ(S_OK, files->Add(dataFile.Get()));
    auto logFile = Create<IWSQLDMOLogFile>(CLSID_SQLDMOLogFile, IID_IWSQLDMOLogFile);
    logFile->SetName(L"PartsCopy_log");
    logFile->SetPhysicalName(log.c_str());
    ComPtr<IWSQLDMOTransactionLog> transactionLog;
    database->GetTransactionLog(transactionLog.Receive());
    ComPtr<IWSQLDMOLogFiles> logFiles;
    transactionLog->GetLogFiles(logFiles.Receive());
    ASSERT_EQ(S_OK, logFiles->Add(logFile.Get()));
    ComPtr<IWSQLDMODatabases> databases;
    server->GetDatabases(databases.Receive());
    ASSERT_EQ(S_OK, databases->Add(database.Get())) << ErrorDescription();

    std::wstring moves = L"[" + dataLogical + L"],[" + data + L"],[" + logLogical + L"],[" + log + L"]";
    ASSERT_EQ(S_OK, restore->SetRelocateFiles(moves.c_str()));
    restore->SetLastRestore(VARIANT_TRUE);
    restore->SetDatabase(L"PartsCopy");
    restore->SetFileNumber(0);
    ASSERT_EQ(S_OK, restore->SQLRestore(server.Get())) << ErrorDescription();

    auto session = tvengine::Connect("(local)");
    auto rows = session->Execute("PartsCopy", "SELECT marker FROM t");
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("marker of Parts", rows[0].Text(0, 0));
    auto info = session->Database("PartsCopy");
    ASSERT_FALSE(info.files.empty());
    EXPECT_EQ(tvp::ToUtf8(data), info.files.front().physicalName);
}

} // namespace

namespace {

// The wizards back up on a worker thread of their own, with objects and a connection made there.
TEST(BackupRestore, ProgressArrivesOnTheWorkerThreadThatRunsTheBackup) {
    Prepare();
    MakeDatabase("Worked");
    std::wstring file = tvp::FromUtf8(tvtest::MakeFolder("worker") + "/worked.bak");
    std::vector<long> percents;
    bool offThread = true;
    std::wstring failure;
    std::thread worker([&] {
        CoInitialize(nullptr);
        {
            auto sink = tvcom::Make<Sink>(); // on this thread, so the sink expects its calls here
            auto server = Connected();
            auto backup = Create<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup);
            ComPtr<IConnectionPoint> point;
            DWORD cookie = Attach(backup.Get(), IID_IWSQLDMOBackupSink, sink.Get(), point);
            backup->SetFiles((L"[" + file + L"]").c_str());
            backup->SetDatabase(L"Worked");
            if (FAILED(backup->SQLBackup(server.Get()))) failure = ErrorDescription();
            point->Unadvise(cookie);
            percents = sink->percents;
            offThread = sink->offThread;
        }
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(L"", failure);
    ExpectRisingTo100(percents);
    EXPECT_FALSE(offThread);
}

} // namespace

namespace {

// The object model passes the lists through: a bare remote file name ("[[name]]", as the Backup wizard
// sends a name without a folder) is a file in the server's Backup folder, a device list names the device,
// and a file named like a device is that file and not the device's.
TEST(BackupRestore, DeviceListsPassThroughToTheEngine) {
    Prepare();
    MakeDatabase("PassedOn");
    auto server = Connected();
    auto session = tvengine::Connect("(local)");
    std::string deviceFile = tvtest::MakeFolder("listed") + "/device.bak";
    session->AddBackupDevice({"ListedDevice", deviceFile});
    auto backup = Create<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup);
    backup->SetDatabase(L"PassedOn");
    backup->SetInitialize(VARIANT_TRUE);
    ASSERT_EQ(S_OK, backup->SetFiles(L"[[listed.bak]]"));
    ASSERT_EQ(S_OK, backup->SQLBackup(server.Get())) << ErrorDescription();
    EXPECT_TRUE(std::filesystem::exists(session->Settings().backupFolder + "/listed.bak"));
    ASSERT_EQ(S_OK, backup->SetFiles(L"[ListedDevice]"));
    ASSERT_EQ(S_OK, backup->SQLBackup(server.Get())) << ErrorDescription();
    EXPECT_TRUE(std::filesystem::exists(session->Settings().backupFolder + "/ListedDevice"));
    EXPECT_FALSE(std::filesystem::exists(deviceFile));
    backup->SetFiles(L"");
    ASSERT_EQ(S_OK, backup->SetDevices(L"[ListedDevice]"));
    ASSERT_EQ(S_OK, backup->SQLBackup(server.Get())) << ErrorDescription();
    EXPECT_TRUE(std::filesystem::exists(deviceFile));

    auto restore = Create<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore);
    ASSERT_EQ(S_OK, restore->SetDevices(L"[ListedDevice]"));
    ComPtr<IWSQLDMOQueryResults> list;
    ASSERT_EQ(S_OK, restore->ReadFileList(server.Get(), list.Receive())) << ErrorDescription();
}

// The object model's SQL meets the engine's gate like every other route.
TEST(BackupRestore, SqlThroughTheObjectModelStaysInItsDatabase) {
    Prepare();
    MakeDatabase("Gated");
    auto session = tvengine::Connect("(local)");
    tvengine::LoginInfo login;
    login.name = "dmoplain";
    login.defaultDatabase = "Gated";
    session->AddLogin(login, "pw");
    auto server = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    ASSERT_EQ(S_OK, server->Connect(L"(local)", L"dmoplain", L"pw")) << ErrorDescription();
    std::wstring catalog = tvp::FromUtf8(session->Settings().rootFolder + "/catalog.db");
    ComPtr<IWSQLDMOQueryResults> results;
    EXPECT_TRUE(FAILED(server->ExecuteWithResults((L"ATTACH '" + catalog + L"' AS c").c_str(), results.Receive())));
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"ATTACH permission denied in database 'Gated'."));
    EXPECT_TRUE(FAILED(server->ExecuteWithResults(L"PRAGMA writable_schema = 1", results.Receive())));
    EXPECT_EQ(S_OK, server->ExecuteWithResults(L"SELECT marker FROM t", results.Receive())) << ErrorDescription();
}

} // namespace
