// Types and constants that the network management functions share.
#pragma once

#include "windef.h"

#define NET_API_FUNCTION
#define NET_API_STATUS_DECL extern "C" __attribute__((visibility("default")))
typedef DWORD NET_API_STATUS;

// A buffer length that lets the function allocate whatever the data needs.
#define MAX_PREFERRED_LENGTH ((DWORD)-1)
