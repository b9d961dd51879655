// The Restore Database wizard's record, one per run of the wizard: the pages fill it before the worker
// starts, the worker restores what it names, and the finish page reads the outcome after the worker has
// pressed Next. Also the worker's work and the rule for the folder of a new database's files.
#pragma once

#include <string>

#include "snapins/wizard.h"
#include "sqldmo.h"
#include "windows.h"

namespace MSDE::Wizards::Restore {

// The outcome, the sheet and the progress bar are the framework's part of the record.
struct RestoreState : Snapins::CWizardRun {
    long media = 0; // 0: a disk file
    std::wstring serverName;
    std::wstring targetName;
    std::wstring backupFile;
    bool targetExists = true; // restore over a listed storage area rather than into a new database
};

// The worker's work: restores the backup file into the target on the server, moving the progress bar.
// The failing call's result, or S_OK.
HRESULT RestoreDatabase(RestoreState& state);

// The folder of the backup's first file (up to and including its last '\'), when it exists on this
// computer; otherwise the server's root folder followed by "\Data\". rootFolder is asked only then.
// The server names its files with either separator, so a '/' ends the folder as well.
template <class RootFolder>
std::wstring DataFolder(const std::wstring& firstPhysicalName, RootFolder rootFolder) {
    size_t slash = firstPhysicalName.find_last_of(L"\\/");
    std::wstring folder =
        slash == std::wstring::npos ? std::wstring() : firstPhysicalName.substr(0, slash + 1);
    HANDLE directory = folder.empty()
                           ? INVALID_HANDLE_VALUE
                           : CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory != INVALID_HANDLE_VALUE) {
        CloseHandle(directory);
        return folder;
    }
    return rootFolder() + L"\\Data\\";
}

} // namespace MSDE::Wizards::Restore
