// Reading a module's resource blob from its ELF file without loading it: the ".rsrc" section found
// through the section headers, every offset and length checked against the file, since the file is
// outside input (GetFileVersionInfoW reads libraries that must not be run).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace k32 {

// The blob of the ".rsrc" section of an ELF64 image held in memory. On failure `error` tells why:
// ERROR_BAD_FORMAT (not ELF64, or cut short), ERROR_RESOURCE_DATA_NOT_FOUND (no resource section),
// ERROR_INVALID_DATA (a resource section that is damaged).
std::optional<std::vector<BYTE>> ReadResourceBlobFromImage(const BYTE* image, size_t size, DWORD* error);

// The same for a file; ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or ERROR_ACCESS_DENIED when it cannot
// be opened.
std::optional<std::vector<BYTE>> ReadResourceBlobFromFile(const std::string& path, DWORD* error);

} // namespace k32
