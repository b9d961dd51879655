// The process-wide state of the snap-in module: where resources come from, the user's locale, the
// remembered backup and restore paths, and the object and lock counts that decide whether the library
// may be unloaded.
#pragma once

#include <locale>
#include <string>

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
// Lock count: LockServer's.
void LockModule(bool lock);
// True while any object lives or the server is locked.
bool ModuleInUse();

} // namespace Snapins
