// The restore record, the progress sink and the worker thread that runs the restore. The worker makes
// its own objects of the object model in its own apartment and reaches the wizard only by messages: the
// sink sends the progress bar its position, and the end is posted as a press of Next. Both fail
// harmlessly once the wizard's windows are gone.
#include "msde/wizards/restore/restoration.h"

#include <cstdio>
#include <stdexcept>

#include "resources/resource.h"
#include "msde/dmo.h"
#include "msde/nodes/nodetext.h"
#include "commctrl.h"
#include "ocidl.h"
#include "prsht.h"

namespace MSDE::Wizards::Restore {

namespace {

// The result of the worker's last call of the object model, kept when the call throws.
thread_local HRESULT t_last = S_OK;

template <class I> HRESULT Step(const DmoPtr<I>& object, HRESULT hr) {
    t_last = hr;
    return DmoCheck(object, hr);
}

// A class of the object model that cannot be made ends the run with this text.
[[noreturn]] void CannotCreate(const char* what, HRESULT hr) {
    char text[160];
    snprintf(text, sizeof text, "The %s object could not be created (0x%08X).", what,
             static_cast<unsigned>(hr));
    t_last = FAILED(hr) ? hr : E_NOINTERFACE;
    throw std::runtime_error(text);
}

std::wstring Bracketed(const std::wstring& text) {
    return L"[" + text + L"]";
}

// Row and column count from 1, as the object model's results do.
std::wstring Cell(const QueryResultsPtr& results, long row, long column) {
    BSTR text = nullptr;
    Step(results, raw(results)->GetColumnString(row, column, &text));
    return Nodes::TakeText(text);
}

std::wstring RootFolder(const ServerPtr& server) {
    RegistryPtr registry;
    Step(server, raw(server)->GetRegistry(out(registry)));
    BSTR root = nullptr;
    Step(registry, raw(registry)->GetSQLRootPath(&root));
    return Nodes::TakeText(root);
}

// Creates the empty target on the server with its files in dataFolder, and answers the relocation list
// that moves the backup's data and log files onto them. Without the file objects the database is not
// created and the list is empty.
std::wstring PrepareNewDatabase(const ServerPtr& server, const RestorePtr& restore,
                                const std::wstring& target) {
    QueryResultsPtr files;
    Step(restore, raw(restore)->ReadFileList(raw(server), out(files)));
    const std::wstring dataName = Cell(files, 1, 1);
    const std::wstring logName = Cell(files, 2, 1);
    const std::wstring folder = DataFolder(Cell(files, 1, 2), [&] { return RootFolder(server); });

    HRESULT hr = S_OK;
    auto database = CreateDmo<IWSQLDMODatabase>(CLSID_SQLDMODatabase, IID_IWSQLDMODatabase, &hr);
    if (!raw(database)) CannotCreate("database", hr);
    Step(database, raw(database)->SetName(target.c_str()));
    auto dataFile = CreateDmo<IWSQLDMODBFile>(CLSID_SQLDMODBFile, IID_IWSQLDMODBFile);
    auto logFile = CreateDmo<IWSQLDMOLogFile>(CLSID_SQLDMOLogFile, IID_IWSQLDMOLogFile);
    if (!raw(dataFile) || !raw(logFile)) return std::wstring();

    const std::wstring dataPath = folder + target + L".mdf";
    const std::wstring logPath = folder + target + L"_log" + L".LDF";
    Step(dataFile, raw(dataFile)->SetName(target.c_str()));
    Step(dataFile, raw(dataFile)->SetPhysicalName(dataPath.c_str()));
    FileGroupsPtr groups;
    Step(database, raw(database)->GetFileGroups(out(groups)));
    FileGroupPtr primary;
    Step(groups, raw(groups)->GetItemByName(L"PRIMARY", out(primary)));
    DBFilesPtr dataFiles;
    Step(primary, raw(primary)->GetDBFiles(out(dataFiles)));
    Step(dataFiles, raw(dataFiles)->Add(raw(dataFile)));

    const std::wstring logFileName = target + L"_log";
    Step(logFile, raw(logFile)->SetName(logFileName.c_str()));
    Step(logFile, raw(logFile)->SetPhysicalName(logPath.c_str()));
    TransactionLogPtr log;
    Step(database, raw(database)->GetTransactionLog(out(log)));
    LogFilesPtr logFiles;
    Step(log, raw(log)->GetLogFiles(out(logFiles)));
    Step(logFiles, raw(logFiles)->Add(raw(logFile)));

    DatabasesPtr databases;
    Step(server, raw(server)->GetDatabases(out(databases)));
    Step(databases, raw(databases)->Add(raw(database)));
    return Bracketed(dataName) + L"," + Bracketed(dataPath) + L"," + Bracketed(logName) + L"," +
           Bracketed(logPath);
}

// The restore's connection point for the sink; Advise adds the sink's first reference.
class SinkConnection {
public:
    SinkConnection(const RestorePtr& restore, IUnknown* sink) {
        IConnectionPointContainer* container = nullptr;
        if (FAILED(raw(restore)->QueryInterface(IID_IConnectionPointContainer,
                                                reinterpret_cast<void**>(&container))) ||
            !container)
            return;
        if (SUCCEEDED(container->FindConnectionPoint(IID_IWSQLDMORestoreSink, &m_point)) && m_point &&
            FAILED(m_point->Advise(sink, &m_cookie))) {
            m_point->Release();
            m_point = nullptr;
        }
        container->Release();
    }
    SinkConnection(const SinkConnection&) = delete;
    SinkConnection& operator=(const SinkConnection&) = delete;
    ~SinkConnection() {
        if (!m_point) return;
        m_point->Unadvise(m_cookie);
        m_point->Release();
    }

private:
    IConnectionPoint* m_point = nullptr;
    DWORD m_cookie = 0;
};

// Exception texts are in the system code page.
std::wstring Wide(const char* text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size - 1));
    return wide;
}

void Run(RestoreState& state) {
    HRESULT hr = S_OK;
    auto server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer, &hr);
    if (!raw(server)) CannotCreate("server", hr);
    raw(server)->SetLoginSecure(VARIANT_TRUE);
    // A failed connection shows in the first call that needs it, with the server's own reason.
    raw(server)->Connect(state.serverName.c_str(), nullptr, nullptr);

    auto restore = CreateDmo<IWSQLDMORestore>(CLSID_SQLDMORestore, IID_IWSQLDMORestore, &hr);
    if (!raw(restore)) CannotCreate("restore", hr);
    auto* sink = new CProgressSink(GetDlgItem(state.progressWindow, IDC_RESTORE_PROGRESS));
    sink->AddRef();
    SinkConnection connection(restore, sink);
    sink->Release(); // the connection holds it now, or nobody does

    Step(restore, raw(restore)->SetFiles(Bracketed(state.backupFile).c_str()));
    // A listed storage area is overwritten, and so is the empty database made for a new name.
    Step(restore, raw(restore)->SetReplaceDatabase(VARIANT_TRUE));
    if (!state.targetExists) {
        std::wstring relocation = PrepareNewDatabase(server, restore, state.targetName);
        Step(restore, raw(restore)->SetRelocateFiles(relocation.c_str()));
    }
    // Ready for use after this one restore, from the file's first backup set.
    Step(restore, raw(restore)->SetLastRestore(VARIANT_TRUE));
    Step(restore, raw(restore)->SetDatabase(state.targetName.c_str()));
    Step(restore, raw(restore)->SetFileNumber(0));
    Step(restore, raw(restore)->SQLRestore(raw(server)));
    raw(server)->DisConnect();
}

} // namespace

RestoreState& Restoration() {
    static RestoreState state;
    return state;
}

void ResetRestoration() {
    Restoration() = RestoreState();
}

void RestoreDatabase() {
    CoInitialize(nullptr);
    RestoreState& state = Restoration();
    t_last = S_OK;
    try {
        Run(state);
    } catch (const std::exception& error) {
        state.errorText = Wide(error.what());
        // A failure without a failing call of its own still ends as a failure.
        if (SUCCEEDED(t_last)) t_last = E_FAIL;
    }
    state.result = t_last;
    PostMessageW(state.sheetWindow, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    CoUninitialize();
}

STDMETHODIMP CProgressSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IWSQLDMORestoreSink)) return E_NOINTERFACE;
    *object = static_cast<IWSQLDMORestoreSink*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CProgressSink::AddRef() {
    return ++m_references;
}

STDMETHODIMP_(ULONG) CProgressSink::Release() {
    ULONG left = --m_references;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP CProgressSink::PercentComplete(SQLDMO_LPCSTR, long percent) {
    SendMessageW(m_progressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    return S_OK;
}

STDMETHODIMP CProgressSink::NextMedia(SQLDMO_LPCSTR) {
    return S_OK;
}

STDMETHODIMP CProgressSink::Complete(SQLDMO_LPCSTR) {
    return S_OK;
}

} // namespace MSDE::Wizards::Restore
