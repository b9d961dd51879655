// The process-wide state of the snap-in module: where resources come from, the user's locale, the
// remembered backup and restore paths, and the object and lock counts that decide whether the library
// may be unloaded.
#pragma once

#include <locale>
#include <string>
#include <thread>

#include "windows.h"

namespace Snapins {

class CSnapinModule {
public:
    std::wstring lastBackupPath;
    std::wstring lastRestorePath;
    HMODULE resourceModule = nullptr; // the library itself until the satellite replaces it
    std::locale locale;               // the user's default locale, for collation

    CSnapinModule();
};

// The single module state, created on first use and destroyed at exit (or when the library is
// unloaded). Reaching it after that throws std::logic_error("Dead Reference Detected").
CSnapinModule& SnapinModule();

// Object count: every class factory, component data, component and about object while it lives.
void AddObject();
void RemoveObject();
// Lock count: LockServer's, and one for each wizard's worker thread while it runs.
void LockModule(bool lock);
// True while any object lives or the server is locked.
bool ModuleInUse();

// Keeps the thread of a worker whose wizard has gone, until it has ended.
void KeepWorker(std::thread worker);
// Joins the kept workers. Called once the lock count says that every worker has ended, so that no
// thread is still returning through the library's code when it is unloaded.
void JoinEndedWorkers();
// A wizard's worker holds the module's lock from before its thread starts to its last statement.
void WorkerStarted();
void WorkerEnded();
// The number of wizard workers that have not ended yet.
int RunningWorkers();

} // namespace Snapins
