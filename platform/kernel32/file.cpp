// Files and folders: CreateFileW with its access, sharing and creation rules, reading and writing,
// FindFirstFileW with wildcards, attributes, deletion and new folders. Handles are ids into a table
// of this process's open objects.
//
// Sharing is checked exactly among the opens of this process; between processes an open that shares
// nothing holds an exclusive flock and every other open a shared one, so an exclusive open fails while
// any other process has the file open, and the other way round.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <variant>
#include <vector>

#include "kernel32_internal.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

struct OpenFile {
    int fd = -1;
    dev_t dev = 0;
    ino_t ino = 0;
    DWORD access = 0;
    DWORD share = 0;
    bool deleteOnClose = false;
    std::string path;
};

struct FindState {
    std::string folder;
    std::vector<std::string> names; // the matches still to hand out
};

std::mutex g_lock;
std::map<ULONG_PTR, std::variant<OpenFile, FindState>> g_handles;
ULONG_PTR g_nextHandle = 0x100;

HANDLE AddHandle(std::variant<OpenFile, FindState> object) {
    ULONG_PTR id = g_nextHandle;
    g_nextHandle += 4;
    g_handles.emplace(id, std::move(object));
    return reinterpret_cast<HANDLE>(id);
}

template <class T> T* Lookup(HANDLE handle) {
    auto it = g_handles.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == g_handles.end() ? nullptr : std::get_if<T>(&it->second);
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
        return ERROR_INVALID_NAME;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EWOULDBLOCK:
        return ERROR_SHARING_VIOLATION;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

// A missing file and a missing folder on its way are told apart, as the documented errors are.
DWORD MissingError(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
    struct stat st;
    std::string parent = path.substr(0, slash);
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND
                                                                 : ERROR_PATH_NOT_FOUND;
}

bool Reads(DWORD access) {
    return access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE);
}
bool Writes(DWORD access) {
    return access & (GENERIC_WRITE | GENERIC_ALL);
}

// Would a new open (access, share) conflict with one already open in this process?
bool Conflicts(const OpenFile& open, DWORD access, DWORD share) {
    if (Reads(access) && !(open.share & FILE_SHARE_READ)) return true;
    if (Writes(access) && !(open.share & FILE_SHARE_WRITE)) return true;
    if (Reads(open.access) && !(share & FILE_SHARE_READ)) return true;
    if (Writes(open.access) && !(share & FILE_SHARE_WRITE)) return true;
    return false;
}

// The descriptor of an open file whose access allows the operation, or -1 with the last error set.
int Descriptor(HANDLE handle, bool (*allowed)(DWORD access)) {
    std::lock_guard guard(g_lock);
    auto* file = Lookup<OpenFile>(handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (!allowed(file->access)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    return file->fd;
}

void FillFindData(const std::string& folder, const std::string& name, LPWIN32_FIND_DATAW data) {
    *data = WIN32_FIND_DATAW{};
    struct stat st;
    std::string full = folder + "/" + name;
    if (stat(full.c_str(), &st) == 0) {
        data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
        if (!S_ISDIR(st.st_mode) && access(full.c_str(), W_OK) != 0)
            data->dwFileAttributes = FILE_ATTRIBUTE_READONLY;
        ULONGLONG size = static_cast<ULONGLONG>(st.st_size);
        data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data->nFileSizeLow = static_cast<DWORD>(size);
        // FILETIME counts 100 ns intervals since 1601-01-01.
        ULONGLONG ticks = (static_cast<ULONGLONG>(st.st_mtime) + 11644473600ULL) * 10000000ULL;
        data->ftLastWriteTime = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        data->ftCreationTime = data->ftLastAccessTime = data->ftLastWriteTime;
    }
    std::wstring wide = tvp::FromUtf8(name);
    if (wide.size() >= MAX_PATH) wide.resize(MAX_PATH - 1);
    wmemcpy(data->cFileName, wide.c_str(), wide.size() + 1);
}

// Windows wildcards match case-insensitively; "*.*" matches every name.
bool Matches(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

} // namespace

namespace k32 {
std::string FilePath(LPCWSTR name) {
    std::string path = tvp::NativePath(name);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    auto slash = path.rfind('/');
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    bool isLibrary = file.size() > 4 && strcasecmp(file.c_str() + file.size() - 4, ".dll") == 0;
    if (isLibrary && file.find_first_of("*?") == std::string::npos)
        path = path.substr(0, path.size() - file.size()) + LibraryFileName(file);
    return path;
}
} // namespace k32

extern "C" HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    if (!lpFileName || !*lpFileName || dwCreationDisposition < CREATE_NEW ||
        dwCreationDisposition > TRUNCATE_EXISTING ||
        (dwCreationDisposition == TRUNCATE_EXISTING && !Writes(dwDesiredAccess))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = k32::FilePath(lpFileName);
    struct stat st;
    bool existed = stat(path.c_str(), &st) == 0;
    bool isFolder = existed && S_ISDIR(st.st_mode);
    if (isFolder && !(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
        SetLastError(ERROR_ACCESS_DENIED); // a folder opens only with backup semantics
        return INVALID_HANDLE_VALUE;
    }
    if (!existed && (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)) {
        SetLastError(MissingError(path));
        return INVALID_HANDLE_VALUE;
    }
    if (existed && dwCreationDisposition == CREATE_NEW) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }

    std::lock_guard guard(g_lock);
    if (existed)
        for (auto& [id, object] : g_handles)
            if (auto* open = std::get_if<OpenFile>(&object))
                if (open->dev == st.st_dev && open->ino == st.st_ino &&
                    Conflicts(*open, dwDesiredAccess, dwShareMode)) {
                    SetLastError(ERROR_SHARING_VIOLATION);
                    return INVALID_HANDLE_VALUE;
                }

    int flags = O_CLOEXEC;
    if (isFolder)
        flags |= O_RDONLY | O_DIRECTORY;
    else if (Reads(dwDesiredAccess) && Writes(dwDesiredAccess))
        flags |= O_RDWR;
    else if (Writes(dwDesiredAccess))
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (!existed) flags |= O_CREAT | O_EXCL;
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? MissingError(path) : ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (flock(fd, (dwShareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        close(fd);
        if (!existed) unlink(path.c_str());
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (existed && !isFolder &&
        (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING)) {
        if (ftruncate(fd, 0) != 0) {
            DWORD error = ErrorFromErrno(errno);
            close(fd);
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
    }
    fstat(fd, &st);
    OpenFile file;
    file.fd = fd;
    file.dev = st.st_dev;
    file.ino = st.st_ino;
    file.access = dwDesiredAccess;
    file.share = dwShareMode;
    file.deleteOnClose = dwFlagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE;
    file.path = path;
    HANDLE handle = AddHandle(std::move(file));
    // Documented: CREATE_ALWAYS and OPEN_ALWAYS on an existing file succeed with ERROR_ALREADY_EXISTS.
    bool always = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(existed && always ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, void* lpOverlapped) {
    int fd = Descriptor(hFile, Reads);
    if (fd < 0) return FALSE;
    ssize_t got = read(fd, lpBuffer, nNumberOfBytesToRead);
    if (got < 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(got);
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, void* lpOverlapped) {
    int fd = Descriptor(hFile, Writes);
    if (fd < 0) return FALSE;
    size_t done = 0;
    const char* data = static_cast<const char*>(lpBuffer);
    while (done < nNumberOfBytesToWrite) {
        ssize_t put = write(fd, data + done, nNumberOfBytesToWrite - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            SetLastError(errno == ENOSPC ? ERROR_WRITE_FAULT : ErrorFromErrno(errno));
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
            return FALSE;
        }
        done += static_cast<size_t>(put);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
    return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    std::lock_guard guard(g_lock);
    auto* file = Lookup<OpenFile>(hFile);
    struct stat st;
    if (!file || fstat(file->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_ATTRIBUTES;
    }
    ULONGLONG size = static_cast<ULONGLONG>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    std::lock_guard guard(g_lock);
    auto it = g_handles.find(reinterpret_cast<ULONG_PTR>(hObject));
    if (it == g_handles.end() || !std::holds_alternative<OpenFile>(it->second)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    OpenFile& file = std::get<OpenFile>(it->second);
    if (file.deleteOnClose) unlink(file.path.c_str());
    close(file.fd);
    g_handles.erase(it);
    return TRUE;
}

extern "C" HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    if (!lpFileName || !*lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = k32::FilePath(lpFileName);
    auto slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (pattern.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    FindState state;
    state.folder = folder;
    bool wildcard = pattern.find_first_of("*?") != std::string::npos;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (wildcard ? Matches(pattern, name) : strcasecmp(name.c_str(), pattern.c_str()) == 0)
            state.names.push_back(name);
    }
    closedir(dir);
    if (state.names.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    FillFindData(folder, state.names.front(), lpFindFileData);
    state.names.erase(state.names.begin());
    std::lock_guard guard(g_lock);
    return AddHandle(std::move(state));
}

extern "C" BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    std::lock_guard guard(g_lock);
    auto* state = Lookup<FindState>(hFindFile);
    if (!state) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (state->names.empty()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    FillFindData(state->folder, state->names.front(), lpFindFileData);
    state->names.erase(state->names.begin());
    return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile) {
    std::lock_guard guard(g_lock);
    auto it = g_handles.find(reinterpret_cast<ULONG_PTR>(hFindFile));
    if (it == g_handles.end() || !std::holds_alternative<FindState>(it->second)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    g_handles.erase(it);
    return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string path = k32::FilePath(lpFileName);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        SetLastError(errno == ENOENT ? MissingError(path) : ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return access(path.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

extern "C" BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = k32::FilePath(lpFileName);
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        std::lock_guard guard(g_lock);
        for (auto& [id, object] : g_handles)
            if (auto* open = std::get_if<OpenFile>(&object))
                if (open->dev == st.st_dev && open->ino == st.st_ino && !(open->share & FILE_SHARE_DELETE)) {
                    SetLastError(ERROR_SHARING_VIOLATION);
                    return FALSE;
                }
    }
    if (unlink(path.c_str()) != 0) {
        SetLastError(errno == ENOENT ? MissingError(path) : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    if (!lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string path = k32::FilePath(lpPathName);
    if (mkdir(path.c_str(), 0777) != 0) {
        SetLastError(errno == EEXIST   ? ERROR_ALREADY_EXISTS
                     : errno == ENOENT ? ERROR_PATH_NOT_FOUND
                                       : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
