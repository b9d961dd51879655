// Modules: LoadLibraryW maps "name.dll" to the shared library "libname.so", keeps a reference count per
// module and calls the library's DllMain on the first load and the last free, as the loader does.
// HMODULE values are ids into the module table, so a freed module's handle names nothing.
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "kernel32_internal.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

struct Module {
    std::string path;
    void* dl = nullptr;             // null for a data-file module
    std::vector<BYTE> dataFileBlob; // the resources of a data-file module
    LONG loadCount = 0;             // LoadLibrary references; 0 for a module found in the process
    bool attached = false;          // DllMain(DLL_PROCESS_ATTACH) was called and succeeded
};

std::recursive_mutex g_lock;
std::map<ULONG_PTR, Module> g_modules;
// Libraries that FreeLibrary let go of. The dynamic loader may keep such a library mapped (a library
// with unique symbols cannot be unloaded), but to the program it is gone.
std::set<std::string> g_released;
ULONG_PTR g_nextId = 0x10000;

HMODULE ToHandle(ULONG_PTR id) {
    return reinterpret_cast<HMODULE>(id);
}
ULONG_PTR ToId(HMODULE module) {
    return reinterpret_cast<ULONG_PTR>(module);
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : path;
}

std::string ExecutablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

// The file a library name stands for: a name with a folder keeps its folder; a bare name is looked for
// beside the program, then in the program's ../lib, then in the system folder, then in the folders of
// PATH in their order (the program's own folders and the system folder come before PATH, as in the
// loader's standard search), then where the dynamic loader looks.
std::string ResolveLibrary(LPCWSTR name) {
    std::string native = tvp::NativePath(name);
    std::filesystem::path path(native);
    std::string file = k32::LibraryFileName(path.filename().string());
    if (path.has_parent_path()) return (path.parent_path() / file).string();
    std::filesystem::path exeDir = std::filesystem::path(ExecutablePath()).parent_path();
    std::vector<std::filesystem::path> folders{exeDir, exeDir.parent_path() / "lib", tvp::SystemFolder()};
    if (const char* searchPath = getenv("PATH")) {
        std::string_view rest(searchPath);
        while (!rest.empty()) {
            size_t colon = rest.find(':');
            std::string_view folder = rest.substr(0, colon);
            // An empty entry would mean the working folder, which the standard search no longer trusts.
            if (!folder.empty()) folders.emplace_back(folder);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    // Library names are case-insensitive, as on Windows ("Comdlg32.dll"); our libraries' files are
    // lower case.
    std::string lower = file;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (const std::string& candidate : {file, lower})
        for (const auto& dir : folders) {
            std::error_code ec;
            if (!dir.empty() && std::filesystem::is_regular_file(dir / candidate, ec))
                return (dir / candidate).string();
        }
    return file;
}

// The real path of a library that dlopen found.
std::string PathOfHandle(void* dl, const std::string& fallback) {
    struct link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0])
        return RealPath(map->l_name);
    return RealPath(fallback);
}

HMODULE FindLoaded(const std::string& realPath) {
    for (auto& [id, module] : g_modules)
        if (module.path == realPath) return ToHandle(id);
    return nullptr;
}

HMODULE LoadDataFile(const std::string& file) {
    std::string path = RealPath(file);
    auto blob = k32::ReadResourceBlobFromFile(path);
    if (!blob) {
        SetLastError(access(path.c_str(), R_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard guard(g_lock);
    ULONG_PTR id = g_nextId++;
    Module& module = g_modules[id];
    module.path = path;
    module.dataFileBlob = std::move(*blob);
    module.loadCount = 1;
    return ToHandle(id);
}

} // namespace

extern "C" HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (!lpLibFileName || !*lpLibFileName || hFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string file = ResolveLibrary(lpLibFileName);
    if (dwFlags &
        (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
        return LoadDataFile(file);

    std::lock_guard guard(g_lock);
    void* dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char* error = dlerror();
        std::string why = error ? error : "";
        OutputDebugStringA(("LoadLibrary: cannot load " + file + ": " + why + "\n").c_str());
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string path = PathOfHandle(dl, file);
    g_released.erase(path);
    if (HMODULE existing = FindLoaded(path)) {
        Module& module = g_modules[ToId(existing)];
        if (module.dl) {
            dlclose(dl); // the table already holds one dlopen reference
            ++module.loadCount;
            return existing;
        }
    }
    ULONG_PTR id = g_nextId++;
    Module& module = g_modules[id];
    module.path = path;
    module.dl = dl;
    module.loadCount = 1;
    if (!(dwFlags & DONT_RESOLVE_DLL_REFERENCES)) {
        if (auto entry = reinterpret_cast<PDLLMAIN>(dlsym(dl, "DllMain"))) {
            if (!entry(ToHandle(id), DLL_PROCESS_ATTACH, nullptr)) {
                g_modules.erase(id);
                dlclose(dl);
                SetLastError(ERROR_DLL_INIT_FAILED);
                return nullptr;
            }
        }
        module.attached = true;
    }
    return ToHandle(id);
}

extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    return LoadLibraryExW(lpLibFileName, nullptr, 0);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    std::unique_lock guard(g_lock);
    auto it = g_modules.find(ToId(hLibModule));
    if (it == g_modules.end() || it->second.loadCount == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->second.loadCount > 0) return TRUE;
    Module module = std::move(it->second);
    g_modules.erase(it);
    if (module.dl) g_released.insert(module.path);
    if (module.attached)
        if (auto entry = reinterpret_cast<PDLLMAIN>(dlsym(module.dl, "DllMain")))
            entry(hLibModule, DLL_PROCESS_DETACH, nullptr);
    if (module.dl) dlclose(module.dl);
    return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    std::lock_guard guard(g_lock);
    void* dl = nullptr;
    if (!hModule) {
        dl = dlopen(nullptr, RTLD_NOW);
    } else {
        auto it = g_modules.find(ToId(hModule));
        if (it == g_modules.end() || !it->second.dl) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        dl = it->second.dl;
    }
    if (!lpProcName || IS_INTRESOURCE(lpProcName)) { // no ordinals on this platform
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(dl, lpProcName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

extern "C" HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    std::lock_guard guard(g_lock);
    std::string path;
    void* dl = nullptr;
    if (!lpModuleName) {
        path = RealPath(ExecutablePath());
    } else {
        std::string file = ResolveLibrary(lpModuleName);
        dl = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!dl) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        path = PathOfHandle(dl, file);
        if (g_released.count(path)) {
            dlclose(dl);
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
    }
    if (HMODULE existing = FindLoaded(path)) {
        if (dl) dlclose(dl);
        return existing;
    }
    // A module in the process that LoadLibrary did not load (the program itself, a linked library):
    // it gets a handle, but FreeLibrary cannot unload it.
    if (!dl) dl = dlopen(nullptr, RTLD_NOW);
    ULONG_PTR id = g_nextId++;
    Module& module = g_modules[id];
    module.path = path;
    module.dl = dl;
    return ToHandle(id);
}

extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::string path;
    if (!hModule) {
        path = RealPath(ExecutablePath());
    } else {
        std::lock_guard guard(g_lock);
        auto it = g_modules.find(ToId(hModule));
        if (it == g_modules.end()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = it->second.path;
    }
    std::wstring wide = tvp::FromUtf8(path);
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Documented truncation: the name is cut to nSize - 1 characters and the result is nSize.
    if (wide.size() >= nSize) {
        wmemcpy(lpFilename, wide.c_str(), nSize - 1);
        lpFilename[nSize - 1] = L'\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    wmemcpy(lpFilename, wide.c_str(), wide.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(wide.size());
}

namespace k32 {

std::string LibraryFileName(const std::string& name) {
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (lower.size() > 3 && lower.find(".so") != std::string::npos) return name;
    std::string stem = name;
    auto dot = lower.rfind('.');
    if (dot != std::string::npos && lower.substr(dot) == ".dll")
        stem = name.substr(0, dot);
    else if (dot != std::string::npos)
        return name; // another extension: a file name of its own
    return "lib" + stem + ".so";
}

bool GetModuleView(HMODULE handle, ModuleView& view) {
    std::lock_guard guard(g_lock);
    if (!handle) handle = GetModuleHandleW(nullptr);
    auto it = g_modules.find(ToId(handle));
    if (it == g_modules.end()) return false;
    Module& module = it->second;
    view.path = module.path;
    if (module.dl) {
        auto [blob, size] = FindResourceBlob(module.dl, module.path);
        view.rsrc = blob;
        view.rsrcSize = size;
    } else {
        view.rsrc = module.dataFileBlob.data();
        view.rsrcSize = module.dataFileBlob.size();
    }
    return true;
}

} // namespace k32
