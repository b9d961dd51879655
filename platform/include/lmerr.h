// The status codes of the network management functions, with their documented numbers. Win32 codes
// (ERROR_ACCESS_DENIED, ERROR_MORE_DATA, ERROR_INVALID_LEVEL...) come from winerror.h.
#pragma once

#include "winerror.h"

#define NERR_Success 0
#define NERR_BASE 2100
#define NERR_InvalidComputer (NERR_BASE + 251) // 2351: the computer name is invalid
#define NERR_DCNotFound (NERR_BASE + 353)      // 2453: no domain controller for the domain was found
