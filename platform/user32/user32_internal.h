// What the files of user32 share: the bytes of a module's resource.
#pragma once

#include "windows.h"

namespace u32 {

// The bytes of the resource `name` of `type` in `module`; false (with the last error set by the
// resource functions) when the module has no such resource.
bool ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, const BYTE*& data, DWORD& size);

} // namespace u32
