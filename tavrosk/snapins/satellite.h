// The satellite resource library: translated resources with the same ids, used in place of the
// library's own when it sits beside the current resource module with the same product version.
#pragma once

#include "windows.h"

namespace Snapins {

// Loads `fileName` from the folder of `current`; null when there is none, when its product version
// differs from the current module's (the user is told), or when it fails to load (the user is told).
HMODULE LoadSatelliteLibrary(HMODULE current, LPCWSTR fileName);

} // namespace Snapins
