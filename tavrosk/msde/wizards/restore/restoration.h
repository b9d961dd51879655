// The settings of the Restore Database wizard, one record for the whole process (one run of the wizard
// at a time): the pages fill it before the worker starts, the worker restores what it names, and the
// finish page reads the outcome after the worker has posted its end. The worker reaches the pages only
// through window messages.
#pragma once

#include <atomic>
#include <string>

#include "sqldmo.h"
#include "windows.h"

namespace MSDE::Wizards::Restore {

struct RestoreState {
    long media = 0; // 0: a disk file
    std::wstring serverName;
    std::wstring targetName;
    std::wstring backupFile;
    std::wstring errorText; // description of the failure that ended the run
    HWND progressWindow = nullptr;
    HWND sheetWindow = nullptr; // the worker presses Next on it when done
    HRESULT result = S_OK;      // negative when the run failed
    bool targetExists = true;   // restore over a listed storage area rather than into a new database
};

RestoreState& Restoration();
// Back to the values of a new run, as the wizard's first page does.
void ResetRestoration();

// The worker thread's body: restores the backup file into the target on the server, moving the
// progress bar, then presses Next on the sheet.
void RestoreDatabase();

// Moves a progress bar to the percent the restore reports. Counted from 0: whoever holds it adds the
// first reference; the last Release deletes it.
class CProgressSink : public IWSQLDMORestoreSink {
public:
    explicit CProgressSink(HWND progressBar) : m_progressBar(progressBar) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP PercentComplete(SQLDMO_LPCSTR message, long percent) override;
    STDMETHODIMP NextMedia(SQLDMO_LPCSTR message) override;
    STDMETHODIMP Complete(SQLDMO_LPCSTR message) override;
    virtual ~CProgressSink() = default;

private:
    std::atomic<ULONG> m_references{0};
    HWND m_progressBar;
};

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
