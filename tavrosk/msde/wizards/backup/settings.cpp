// The Backup Database wizard's record, the texts composed from it, and the worker thread that runs the
// backup. The worker talks to the pages only through window messages: its progress sink sends
// PBM_SETPOS to the progress bar, and the end of the run is posted to the wizard as a press of Next.
#include "msde/wizards/backup/settings.h"

#include <atomic>
#include <exception>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/dmo.h"
#include "commctrl.h"
#include "ocidl.h"
#include "prsht.h"

namespace MSDE::Wizards::Backup {

namespace {

std::wstring Widen(const char* text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (size <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
    wide.resize(static_cast<size_t>(size - 1));
    return wide;
}

UINT TypeTextId(LONG type) {
    if (type == kFullBackup) return IDS_BACKUP_TYPE_FULL;
    return type == kDifferentialBackup ? IDS_BACKUP_TYPE_INCREMENTAL : IDS_BACKUP_TYPE_LOG;
}

// The backup object's action of each type.
long BackupAction(LONG type) {
    if (type == kFullBackup) return SQLDMOBackup_Database;
    return type == kDifferentialBackup ? SQLDMOBackup_Incremental : SQLDMOBackup_Log;
}

// Moves the progress bar as the server reports; lives as long as the backup object holds it.
class CProgressSink : public IWSQLDMOBackupSink {
public:
    explicit CProgressSink(HWND progressBar) : m_progressBar(progressBar) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IWSQLDMOBackupSink)) {
            *ppv = static_cast<IWSQLDMOBackupSink*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_references; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG count = --m_references;
        if (count == 0) delete this;
        return count;
    }
    // Sent, not posted: the worker waits until the page's thread has moved the bar.
    STDMETHODIMP PercentComplete(SQLDMO_LPCSTR, long percent) override {
        SendMessageW(m_progressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        return S_OK;
    }
    STDMETHODIMP NextMedia(SQLDMO_LPCSTR) override { return S_OK; }
    STDMETHODIMP Complete(SQLDMO_LPCSTR) override { return S_OK; }

private:
    virtual ~CProgressSink() = default;
    std::atomic<ULONG> m_references{0};
    HWND m_progressBar;
};

// The backup itself on a connected server; the failing call's result, or S_OK.
HRESULT Backup(const ServerPtr& server, BackupSettings& settings) {
    HRESULT hr = S_OK;
    BackupPtr backup = CreateDmo<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup, &hr);
    if (FAILED(hr) || !raw(backup)) return FAILED(hr) ? hr : E_NOINTERFACE;

    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(raw(backup)->QueryInterface(IID_IConnectionPointContainer,
                                              reinterpret_cast<void**>(&container)))) {
        if (SUCCEEDED(container->FindConnectionPoint(IID_IWSQLDMOBackupSink, &point))) {
            auto* sink = new CProgressSink(GetDlgItem(settings.progressWindow, IDC_BACKUP_PROGRESS));
            sink->AddRef();
            if (FAILED(point->Advise(sink, &cookie))) cookie = 0;
            sink->Release(); // the connection point keeps its own reference
        }
        container->Release();
    }

    try {
        DmoCheck(backup, raw(backup)->SetAction(BackupAction(settings.backupType)));
        const std::wstring devices = L"[" + settings.backupFile + L"]";
        if (settings.media == kDiskMedia)
            DmoCheck(backup, raw(backup)->SetFiles(devices.c_str()));
        else
            DmoCheck(backup, raw(backup)->SetDevices(devices.c_str()));
        DmoCheck(backup, raw(backup)->SetDatabase(settings.databaseName.c_str()));
        DmoCheck(backup, raw(backup)->SetBackupSetDescription(settings.description.c_str()));
        // Each run replaces the backup sets already in the file.
        DmoCheck(backup, raw(backup)->SetInitialize(VARIANT_TRUE));
        hr = raw(backup)->SQLBackup(raw(server));
        DmoCheck(backup, hr);
    } catch (const dmo_error<BackupPtr>& error) {
        if (SUCCEEDED(hr)) hr = E_FAIL;
        settings.errorText = Widen(error.what());
    } catch (const std::exception& error) {
        // Not the server's failure: nothing for the person to read, but never a success.
        OutputDebugStringA(error.what());
        hr = E_FAIL;
    }

    if (point) {
        if (cookie) point->Unadvise(cookie);
        point->Release();
    }
    return hr;
}

} // namespace

BackupSettings& Settings() {
    static BackupSettings settings;
    return settings;
}

void ResetSettings() {
    Settings() = BackupSettings();
}

std::wstring WithoutMarker(const std::wstring& file) {
    if (file.size() >= 2 && file.front() == L'[' && file.back() == L']')
        return file.substr(1, file.size() - 2);
    return file;
}

std::wstring ProgressText(const std::wstring& pattern, const BackupSettings& settings) {
    std::wstring text;
    for (wchar_t c : pattern) {
        switch (c) {
        case L'1':
            text += Snapins::LoadResString(TypeTextId(settings.backupType));
            break;
        case L'2':
            text += settings.databaseName;
            break;
        case L'3':
            text += Snapins::LoadResString(settings.media == kDiskMedia ? IDS_BACKUP_MEDIA_DISK
                                                                        : IDS_BACKUP_MEDIA_TAPE);
            break;
        case L'4':
            text += settings.description;
            break;
        case L'5':
            text += WithoutMarker(settings.backupFile);
            break;
        default:
            text += c;
            break;
        }
    }
    return text;
}

std::wstring FinishText(BackupSettings& settings) {
    if (settings.result < 0) return Snapins::LoadResString(IDS_BACKUP_FAILED) + L"\n\n" + settings.errorText;
    settings.backupFile = WithoutMarker(settings.backupFile);
    return Snapins::LoadResString(IDS_BACKUP_SUCCEEDED) + L"\n\n" +
           Snapins::LoadResString(IDS_BACKUP_STORED_AS) + settings.backupFile + L".";
}

void RunBackup(Credentials credentials) {
    BackupSettings& settings = Settings();
    HRESULT coInit = CoInitialize(nullptr);
    HRESULT hr = S_OK;
    ServerPtr server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer, &hr);
    if (SUCCEEDED(hr) && raw(server)) {
        // Windows authentication when the node has neither login nor password, as the node itself does.
        if (credentials.login.empty() && credentials.password.empty())
            hr = raw(server)->SetLoginSecure(VARIANT_TRUE);
        if (SUCCEEDED(hr))
            hr = raw(server)->Connect(settings.serverName.c_str(), credentials.login.c_str(),
                                      credentials.password.c_str());
        if (SUCCEEDED(hr)) hr = Backup(server, settings);
    } else if (SUCCEEDED(hr)) {
        hr = E_NOINTERFACE;
    }
    server = ServerPtr();
    settings.result = hr;
    HWND wizard = settings.wizardWindow;
    if (SUCCEEDED(coInit)) CoUninitialize();
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

} // namespace MSDE::Wizards::Backup
