// Descriptors, files written beside their targets, the media writers' lock, and the owner of every
// path the engine writes or deletes (files.h).
#include "files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "errors.h"
#include "internal.h"
#include "session_impl.h"
#include "tvplatform.h"

namespace tvengine::detail {

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

namespace {

std::atomic<unsigned> g_tempCounter{0};

// Files that a killed backup or restore left beside its target: named after the target, the purpose and
// the pid of a process that no longer runs. A live process's files are never touched.
void RemoveLeftovers(const std::string& path, const char* purpose) {
    std::string prefix = "." + FileNameOf(path) + "." + purpose + "-";
    DIR* dir = ::opendir(FolderOf(path).c_str());
    if (!dir) return;
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink((FolderOf(path) + "/" + name).c_str());
    }
    ::closedir(dir);
}

bool IsUnder(const std::string& path, const std::string& folder) {
    return !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// "C:\a\..\..\b" is "C:\b": on a drive, ".." stops at the root, as Windows has it.
std::string DrivePath(const std::string& given) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 2; i <= given.size(); ++i) {
        if (i == given.size() || given[i] == '\\' || given[i] == '/') {
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += given[i];
        }
    }
    std::string path = given.substr(0, 2) + "\\";
    for (size_t i = 0; i < parts.size(); ++i)
        path += (i ? "\\" : "") + parts[i];
    return NativePath(path);
}

std::string RealFolder(const std::string& folder, int* osError) {
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved)) {
        *osError = errno;
        return {};
    }
    struct stat st;
    if (::stat(resolved, &st) != 0 || !S_ISDIR(st.st_mode)) {
        *osError = ENOTDIR;
        return {};
    }
    return resolved;
}

} // namespace

TempFile::TempFile(const std::string& target, const char* purpose) : target_(target) {
    RemoveLeftovers(target, purpose);
    path_ = FolderOf(target) + "/." + FileNameOf(target) +
            Format(".%s-%d-%u", purpose, static_cast<int>(::getpid()), g_tempCounter.fetch_add(1));
    fd_.Reset(CreatePrivateFile(path_));
    if (!fd_) error_ = errno;
}

TempFile::TempFile(TempFile&& other) noexcept
    : target_(std::move(other.target_)), path_(std::move(other.path_)), fd_(std::move(other.fd_)),
      error_(other.error_), placed_(other.placed_) {
    other.placed_ = true; // the moved-from object no longer owns the file
}

TempFile::~TempFile() {
    if (placed_ || path_.empty() || error_ != 0) return;
    fd_.Reset();
    ::unlink(path_.c_str());
}

void TempFile::Flush(const std::string& device) {
    if (::fsync(fd_.Get()) != 0) throw WriteFailed(device, errno);
}

int TempFile::RenameIntoPlace() {
    fd_.Reset();
    if (::rename(path_.c_str(), target_.c_str()) != 0) return errno;
    placed_ = true;
    FsyncFolder(FolderOf(target_));
    return 0;
}

void WriteAll(int fd, const void* data, size_t length, const std::string& device) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = ::write(fd, p, length);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throw WriteFailed(device, errno);
        if (written == 0) throw WriteFailed(device, ENOSPC);
        p += written;
        length -= static_cast<size_t>(written);
    }
}

MediaLock::MediaLock(const std::string& media) : path_(FolderOf(media) + "/." + FileNameOf(media) + ".lock") {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        fd_.Reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd_) throw CannotOpenDevice(media, errno);
        if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) {
            // The holder before us removes the file as it lets go: a lock on a file that is no longer
            // the one at the path locks nothing, so start again on the new one.
            struct stat held, named;
            if (::fstat(fd_.Get(), &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino)
                return;
            continue;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) throw CannotOpenDevice(media, errno);
        if (std::chrono::steady_clock::now() >= deadline) throw CannotOpenDevice(media, EBUSY);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

MediaLock::~MediaLock() {
    ::unlink(path_.c_str());
}

CanonicalPath Canonical(const std::string& given, const std::string& relativeTo) {
    std::string path;
    if (given.size() >= 2 && std::isalpha(static_cast<unsigned char>(given[0])) && given[1] == ':')
        path = DrivePath(given);
    else
        path = NativePath(given);
    if (path.empty() || path[0] != '/') path = relativeTo + "/" + path;
    // Each turn resolves the folder; a symlink at the end sends the next turn to its target.
    for (int hops = 0; hops < 40; ++hops) {
        std::string name = FileNameOf(path);
        CanonicalPath result;
        std::string folder = RealFolder(FolderOf(path), &result.osError);
        if (result.osError != 0) {
            result.path = path;
            return result;
        }
        if (name.empty() || name == "." || name == "..") {
            result.path = folder;
            result.osError = EISDIR;
            return result;
        }
        result.path = folder == "/" ? "/" + name : folder + "/" + name;
        struct stat st;
        if (::lstat(result.path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return result;
        char target[PATH_MAX];
        ssize_t length = ::readlink(result.path.c_str(), target, sizeof(target) - 1);
        if (length < 0) return {result.path, errno};
        target[length] = '\0';
        path = target[0] == '/' ? std::string(target) : folder + "/" + target;
    }
    return {path, ELOOP};
}

std::string PathOwner::Text() const {
    if (server) return "the server";
    return "database '" + database + "'" + (instance.empty() ? "" : " of the instance " + instance);
}

PathOwner OwnerOf(SessionImpl& session, const std::string& canonical,
                  const std::vector<std::string>& ownFiles) {
    for (const std::string& own : ownFiles)
        if (canonical == own) return {};

    // The files of every database of every instance, and the journals beside them.
    for (const std::string& instance : ListInstances()) {
        std::string folder = InstanceFolder(instance);
        Connection other;
        Connection* catalog = &session.catalog;
        if (folder != session.settings.rootFolder) {
            try {
                other = Connection(folder + "/catalog.db", SQLITE_OPEN_READONLY, "catalog");
                catalog = &other;
            } catch (const Error&) {
                continue; // its files lie in its own folder under the prefix, refused below
            }
        }
        try {
            auto files = catalog->Prepare(
                "SELECT d.name, f.physical_name FROM files f JOIN databases d ON d.dbid = f.dbid");
            while (files.Step()) {
                std::string file = Canonical(files.Text(1), folder + "/Data").path;
                if (canonical != file && canonical != file + "-journal") continue;
                PathOwner owner;
                owner.database = files.Text(0);
                if (folder != session.settings.rootFolder) owner.instance = instance;
                return owner;
            }
        } catch (const Error&) {
            if (catalog == &session.catalog) throw;
        }
    }

    int ignored = 0;
    std::string prefix = RealFolder(tvp::Prefix(), &ignored);
    if (prefix.empty() || !IsUnder(canonical, prefix)) return {};
    if (IsUnder(canonical, prefix + "/drives")) return {};
    for (const std::string& folder : {session.settings.dataFolder, session.settings.backupFolder})
        if (IsUnder(canonical, RealFolder(folder, &ignored))) return {};
    PathOwner owner;
    owner.server = true;
    return owner;
}

} // namespace tvengine::detail
