// The Backup Database wizard's record of settings: one per run of the wizard, made with the run's pages
// and shared by them (the schedule page included) and by the run's worker thread, so every run starts
// from the values below. Also the texts the progress and
// finish pages compose from it, and the worker's work.
#pragma once

#include <string>

#include "snapins/wizard.h"
#include "msde/connection.h"
#include "msde/schedule.h"

namespace MSDE::Wizards::Backup {

enum BackupType { kFullBackup = 0, kDifferentialBackup = 1, kLogBackup = 2 };
enum BackupMedia { kDiskMedia = 0, kTapeMedia = 1 };

// The outcome, the sheet and the progress bar are the framework's part of the record.
struct BackupSettings : Snapins::CWizardRun {
    LONG backupType = kFullBackup;
    LONG media = kDiskMedia;
    std::wstring serverName;
    std::wstring databaseName;
    std::wstring description;
    std::wstring backupFile; // "[name]" marks a file name without a folder
    bool scheduled = false;  // create a scheduled job as well
    ScheduleSettings schedule;
    // The server node's credentials, copied on the console's thread when the run starts: the worker
    // never reaches into a node that the console may refresh under it.
    Credentials credentials;
};

// The backup file as a person reads it: without the brackets of a bare file name.
std::wstring WithoutMarker(const std::wstring& file);

// The progress page's summary: each of the digits 1 to 5 in the template becomes type, database,
// media, description and file; digits within the inserted values stay as they are.
std::wstring ProgressText(const std::wstring& pattern, const BackupSettings& settings);

// The finish page's text; takes the bracket marker off the stored file of a successful run.
std::wstring FinishText(BackupSettings& settings);

// The worker's work: connects on its own with the node's credentials and backs up as the record says,
// with the progress shown on the progress page. The failing result, or S_OK.
HRESULT RunBackup(BackupSettings& settings);

} // namespace MSDE::Wizards::Backup
