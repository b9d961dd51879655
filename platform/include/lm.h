// The network management functions (netapi32) as this platform provides them: what the system uses to
// list the accounts of this computer and of its primary domain.
#pragma once

#include "windows.h"

#include "lmcons.h"
#include "lmerr.h"
#include "lmaccess.h"
#include "lmapibuf.h"
