// The Backup Database wizard's record, the texts composed from it, and the work of its worker thread.
// The worker talks to the pages only through window messages: its progress sink sends PBM_SETPOS to
// the progress bar, and the framework posts the end of the run to the wizard as a press of Next.
#include "msde/wizards/backup/settings.h"

#include <exception>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/dmo.h"

namespace MSDE::Wizards::Backup {

namespace {

UINT TypeTextId(LONG type) {
    if (type == kFullBackup) return IDS_BACKUP_TYPE_FULL;
    return type == kDifferentialBackup ? IDS_BACKUP_TYPE_INCREMENTAL : IDS_BACKUP_TYPE_LOG;
}

// The backup object's action of each type.
long BackupAction(LONG type) {
    if (type == kFullBackup) return SQLDMOBackup_Database;
    return type == kDifferentialBackup ? SQLDMOBackup_Incremental : SQLDMOBackup_Log;
}

// The backup itself on a connected server; the failing call's result, or S_OK. Only the backup's own
// failure has a text for the finish page.
HRESULT Backup(const ServerPtr& server, BackupSettings& settings) {
    HRESULT hr = S_OK;
    BackupPtr backup = CreateDmo<IWSQLDMOBackup>(CLSID_SQLDMOBackup, IID_IWSQLDMOBackup, &hr);
    if (FAILED(hr) || !raw(backup)) return FAILED(hr) ? hr : E_NOINTERFACE;
    auto progress =
        Snapins::ConnectProgress<IWSQLDMOBackupSink>(raw(backup), IID_IWSQLDMOBackupSink, settings);
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
        DmoCheck(backup, raw(backup)->SQLBackup(raw(server)));
    } catch (const dmo_error<BackupPtr>& error) {
        settings.errorText = error.Description();
        return error.Result();
    } catch (const std::exception& error) {
        // Not the server's failure: nothing for the person to read, but never a success.
        OutputDebugStringA(error.what());
        return E_FAIL;
    }
    return S_OK;
}

} // namespace

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

HRESULT RunBackup(BackupSettings& settings) {
    HRESULT hr = S_OK;
    ServerPtr server = OpenServer(settings.serverName, settings.credentials, &hr);
    if (FAILED(hr)) return hr;
    return Backup(server, settings);
}

} // namespace MSDE::Wizards::Backup
