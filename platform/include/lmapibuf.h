// Buffers that the network management functions allocate for their callers.
#pragma once

#include "lmcons.h"

// A zeroed block of ByteCount bytes, to be released with NetApiBufferFree.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION NetApiBufferAllocate(DWORD ByteCount, LPVOID* Buffer);
// Releases a buffer that a network management function returned. A null Buffer is NERR_Success; a
// pointer that is not such a buffer (or one already released) is ERROR_INVALID_PARAMETER and touches
// nothing.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION NetApiBufferFree(LPVOID Buffer);
