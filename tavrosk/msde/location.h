// Where the programs of the Veltrane product family are installed on this computer, and whether the
// current user is an administrator.
#pragma once

#include <string>

#include "windows.h"

namespace MSDE {

// The full path of the program `name` (with `extension`, e.g. ".exe"): from the product's location
// keys in the registry, else from the product's usual folders. Never fails: with nothing found it
// gives the last usual folder's path all the same, and loading from it fails later.
std::wstring FindProgramLocation(const std::wstring& name, const std::wstring& extension);

// True when the maker's administrator check says so; false when it cannot be asked.
bool IsCurrentUserAdministrator();

} // namespace MSDE
