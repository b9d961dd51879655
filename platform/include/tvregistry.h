// What this platform adds to the registry functions: the text of the last hive problem, so that a
// program can tell an administrator which file is damaged or unreadable and why, where the registry
// functions themselves can only return ERROR_BADDB, ERROR_ACCESS_DENIED or ERROR_REGISTRY_IO_FAILED.
// Implemented in advapi32.
#pragma once

#include <string>

#include "tvplatform.h"

namespace tvp {

// The hive problem that made the most recent registry call fail, naming the file and the cause
// ("The registry hive /home/u/.local/share/tavrosk/registry.db is damaged (...)"); empty when that
// call met no problem with the hive itself.
TVPAPI std::string RegistryProblem();

} // namespace tvp
