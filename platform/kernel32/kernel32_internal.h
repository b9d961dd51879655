// What the files of kernel32 share among themselves and nothing else sees: the module table's view of a
// module, and the resource blob that the resource compiler links into a module (or that is read from
// a library's file without loading it).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windows.h"

namespace k32 {

struct ModuleView {
    std::string path;           // the real path of the file
    const BYTE* rsrc = nullptr; // the module's resource blob, or null when it has none
    size_t rsrcSize = 0;
};

// The module that a handle names; false for a handle that names no loaded module.
bool GetModuleView(HMODULE module, ModuleView& view);

// The resource blob of a library loaded with dlopen (handle `dl`, real path `path`); empty when the
// library has no resources of its own.
std::pair<const BYTE*, size_t> FindResourceBlob(void* dl, const std::string& path);

// The resource blob of a library file, read from the file without loading it; nullopt when the file
// cannot be read or has no resource section.
std::optional<std::vector<BYTE>> ReadResourceBlobFromFile(const std::string& path);

// "name.dll" -> "libname.so"; a name without an extension gets ".dll" first, as the loader does.
// Names that already are shared-library file names, or have another extension, stay as they are.
std::string LibraryFileName(const std::string& name);

// The native file named by a Win32 file name, for the file functions: drive letters map under the
// prefix, and a library named "name.dll" (no wildcards) is the file "libname.so" of that folder.
std::string FilePath(LPCWSTR name);

} // namespace k32
