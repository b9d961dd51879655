// The work of the Restore Database wizard's worker thread. It makes its own objects of the object model
// in its own apartment and reaches the wizard only by messages: its sink sends the progress bar its
// position, and the framework posts the end as a press of Next. Both fail harmlessly once the wizard's
// windows are gone.
#include "msde/wizards/restore/restoration.h"

#include "msde/connection.h"
#include "msde/dmo.h"
#include "msde/nodes/nodetext.h"

namespace MSDE::Wizards::Restore {

namespace {

std::wstring Bracketed(const std::wstring& text) {
    return L"[" + text + L"]";
}

// Row and column count from 1, as the object model's results do.
std::wstring Cell(const QueryResultsPtr& results, long row, long column) {
    BSTR text = nullptr;
    DmoCheck(results, raw(results)->GetColumnString(row, column, &text));
    return Nodes::TakeText(text);
}

std::wstring RootFolder(const ServerPtr& server) {
    RegistryPtr registry;
    DmoCheck(server, raw(server)->GetRegistry(out(registry)));
    BSTR root = nullptr;
    DmoCheck(registry, raw(registry)->GetSQLRootPath(&root));
    return Nodes::TakeText(root);
}

// Creates the empty target on the server with its files in dataFolder, and answers the relocation list
// that moves the backup's data and log files onto them. Without the file objects the database is not
// created and the list is empty.
std::wstring PrepareNewDatabase(const ServerPtr& server, const RestorePtr& restore,
                                const std::wstring& target) {
    QueryResultsPtr files;
    DmoCheck(restore, raw(restore)->ReadFileList(raw(server), out(files)));
    const std::wstring dataName = Cell(files, 1, 1);
    const std::wstring logName = Cell(files, 2, 1);
    const std::wstring folder = DataFolder(Cell(files, 1, 2), [&] { return RootFolder(server); });

    auto database =
        CreateDmoOrThrow<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase, L"database");
    DmoCheck(database, raw(database)->SetName(target.c_str()));
    auto dataFile = CreateDmo<IWSQLDMODBFile>(CLSID_SQLDMODBFile, IID_IWSQLDMODBFile);
    auto logFile = CreateDmo<IWSQLDMOLogFile>(CLSID_SQLDMOLogFile, IID_IWSQLDMOLogFile);
    if (!raw(dataFile) || !raw(logFile)) return std::wstring();

    const std::wstring dataPath = folder + target + L".mdf";
    const std::wstring logPath = folder + target + L"_log" + L".LDF";
    DmoCheck(dataFile, raw(dataFile)->SetName(target.c_str()));
    DmoCheck(dataFile, raw(dataFile)->SetPhysicalName(dataPath.c_str()));
    FileGroupsPtr groups;
    DmoCheck(database, raw(database)->GetFileGroups(out(groups)));
    FileGroupPtr primary;
    DmoCheck(groups, raw(groups)->GetItemByName(L"PRIMARY", out(primary)));
    DBFilesPtr dataFiles;
    DmoCheck(primary, raw(primary)->GetDBFiles(out(dataFiles)));
    DmoCheck(dataFiles, raw(dataFiles)->Add(raw(dataFile)));

    const std::wstring logFileName = target + L"_log";
    DmoCheck(logFile, raw(logFile)->SetName(logFileName.c_str()));
    DmoCheck(logFile, raw(logFile)->SetPhysicalName(logPath.c_str()));
    TransactionLogPtr log;
    DmoCheck(database, raw(database)->GetTransactionLog(out(log)));
    LogFilesPtr logFiles;
    DmoCheck(log, raw(log)->GetLogFiles(out(logFiles)));
    DmoCheck(logFiles, raw(logFiles)->Add(raw(logFile)));

    DatabasesPtr databases;
    DmoCheck(server, raw(server)->GetDatabases(out(databases)));
    DmoCheck(databases, raw(databases)->Add(raw(database)));
    return Bracketed(dataName) + L"," + Bracketed(dataPath) + L"," + Bracketed(logName) + L"," +
           Bracketed(logPath);
}

} // namespace

// Any failure ends the run where it happened; its description is what the finish page shows.
HRESULT RestoreDatabase(RestoreState& state) {
    try {
        // A failed connection shows in the first call that needs it, with the server's own reason. The
        // restore reads its file on this computer, with Windows authentication.
        HRESULT hr = S_OK;
        ServerPtr server = OpenServer(state.serverName, Credentials(), &hr);
        if (!raw(server)) ThrowNotCreated(L"server", hr);
        auto restore =
            CreateDmoOrThrow<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore, L"restore");
        auto progress =
            Snapins::ConnectProgress<IWSQLDMORestoreSink>(raw(restore), IID_IWSQLDMORestoreSink, state);
        DmoCheck(restore, raw(restore)->SetFiles(Bracketed(state.backupFile).c_str()));
        // A listed storage area is overwritten, and so is the empty database made for a new name.
        DmoCheck(restore, raw(restore)->SetReplaceDatabase(VARIANT_TRUE));
        if (!state.targetExists) {
            std::wstring relocation = PrepareNewDatabase(server, restore, state.targetName);
            DmoCheck(restore, raw(restore)->SetRelocateFiles(relocation.c_str()));
        }
        // Ready for use after this one restore, from the file's first backup set.
        DmoCheck(restore, raw(restore)->SetLastRestore(VARIANT_TRUE));
        DmoCheck(restore, raw(restore)->SetDatabase(state.targetName.c_str()));
        DmoCheck(restore, raw(restore)->SetFileNumber(0));
        DmoCheck(restore, raw(restore)->SQLRestore(raw(server)));
        raw(server)->DisConnect();
    } catch (const DmoFailure& failure) {
        state.errorText = failure.Description();
        return failure.Result();
    }
    return S_OK;
}

} // namespace MSDE::Wizards::Restore
