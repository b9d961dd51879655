// What this platform adds to the Windows functions: where the prefix is, how Windows-style paths
// map to native ones, and UTF-8 / wide conversions for C++ code. Implemented in kernel32.
#pragma once

#include <string>
#include <string_view>

#include "windef.h"

#define TVPAPI __attribute__((visibility("default")))

namespace tvp {

// The folder that holds everything that persists: $TAVROSK_PREFIX, else ~/.local/share/tavrosk.
// Read afresh on every call, so a test may point it at a new temporary folder.
TVPAPI std::string Prefix();

// A native path for a Windows-style one: "c:\dir\f" -> "$TAVROSK_PREFIX/drives/c/dir/f", backslashes
// become slashes; a native path comes back unchanged.
TVPAPI std::string NativePath(std::wstring_view path);

// The native folder of the prefix's C:\Windows\System32: an installer puts shared libraries there, and
// the library search looks there for a bare name after the program's own folders.
TVPAPI std::string SystemFolder();

TVPAPI std::string ToUtf8(std::wstring_view text);
TVPAPI std::wstring FromUtf8(std::string_view text);

// UTF-16 code units, as the byte-level formats of the platform store text.
TVPAPI std::u16string ToUtf16(std::wstring_view text);
TVPAPI std::wstring FromUtf16(std::u16string_view text);

} // namespace tvp
