// The Backup Database wizard's record of settings: one per process, written by the pages, read by the
// worker thread that runs the backup, and reset by the database page at the start of every run. Also
// the texts the progress and finish pages compose from it, and the worker itself.
#pragma once

#include <string>

#include "msde/schedule.h"
#include "windows.h"

namespace MSDE::Wizards::Backup {

enum BackupType { kFullBackup = 0, kDifferentialBackup = 1, kLogBackup = 2 };
enum BackupMedia { kDiskMedia = 0, kTapeMedia = 1 };

struct BackupSettings {
    LONG backupType = kFullBackup;
    LONG media = kDiskMedia;
    std::wstring serverName;
    std::wstring databaseName;
    std::wstring description;
    std::wstring backupFile; // "[name]" marks a file name without a folder
    std::wstring errorText;
    HWND progressWindow = nullptr;
    HWND wizardWindow = nullptr;
    HRESULT result = S_OK;
    bool scheduled = false; // create a scheduled job as well
    ScheduleSettings schedule;
};

BackupSettings& Settings();
void ResetSettings();

// The backup file as a person reads it: without the brackets of a bare file name.
std::wstring WithoutMarker(const std::wstring& file);

// The progress page's summary: each of the digits 1 to 5 in the template becomes type, database,
// media, description and file; digits within the inserted values stay as they are.
std::wstring ProgressText(const std::wstring& pattern, const BackupSettings& settings);

// The finish page's text; takes the bracket marker off the stored file of a successful run.
std::wstring FinishText(BackupSettings& settings);

// The server's credentials as the server node holds them, copied for the worker so that it never
// reaches into a node the console may refresh under it.
struct Credentials {
    std::wstring login;
    std::wstring password;
};

// The worker: connects on its own, backs up as the record says with the progress shown on the
// progress page, stores the outcome in the record and presses the wizard's Next.
void RunBackup(Credentials credentials);

} // namespace MSDE::Wizards::Backup
