// Strings from the current resource module (the satellite when it is loaded, else the library).
#pragma once

#include <string>

#include "windows.h"

namespace Snapins {

// The string with this id, cut to 255 characters; empty when there is none.
std::wstring LoadResString(UINT id);

} // namespace Snapins
