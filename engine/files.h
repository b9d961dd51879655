// Files the engine writes: a descriptor that closes itself, a file written beside its target and
// renamed over it, the lock that serialises the writers of one backup medium, and the one owner of
// every path the engine writes or deletes (resolved canonically, then checked in one place).
#pragma once

#include <string>
#include <vector>

namespace tvengine {
class SessionImpl;
}

namespace tvengine::detail {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// A file made O_EXCL and owner-only beside its target (".<target>.<purpose>-<pid>-<n>"), renamed over
// the target once complete. Until then the target is untouched, and a TempFile that is left behind
// (an exception, a failed check) removes its file. What a killed process left beside a target is
// removed by the next TempFile there.
class TempFile {
public:
    TempFile(const std::string& target, const char* purpose);
    ~TempFile();
    TempFile(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Made() const { return static_cast<bool>(fd_); }
    int OsError() const { return error_; } // why the file could not be made
    int Fd() const { return fd_.Get(); }
    const std::string& Target() const { return target_; }
    // Flushes the file to disk; throws WriteFailed naming `device`.
    void Flush(const std::string& device);
    // Closes the file and renames it over the target, then flushes the folder. Returns 0 or the errno.
    int RenameIntoPlace();

private:
    std::string target_, path_;
    UniqueFd fd_;
    int error_ = 0;
    bool placed_ = false;
};

// Writes all of data, retrying short writes; throws WriteFailed naming `device` with the real errno.
void WriteAll(int fd, const void* data, size_t length, const std::string& device);

// The writers of one backup medium, one at a time: a lock file beside it (".<file>.lock"), held from
// reading the sets already there until the new set's history is recorded, and removed as it is let go
// (a killed writer's lock file stays and locks nothing). A second writer waits up to the busy timeout
// and then fails with the device's "in use" error.
class MediaLock {
public:
    explicit MediaLock(const std::string& media);
    ~MediaLock();
    MediaLock(const MediaLock&) = delete;
    MediaLock& operator=(const MediaLock&) = delete;

private:
    std::string path_;
    UniqueFd fd_;
};

// A path resolved as the engine writes it: drive letters under the prefix's drive folders (".." never
// climbs above a drive's root), a relative name against `relativeTo` (never the working folder), the
// folder and a symlink at the end followed to their targets. osError is set when the folder cannot be
// resolved (it is missing).
struct CanonicalPath {
    std::string path;
    int osError = 0;
};
CanonicalPath Canonical(const std::string& given, const std::string& relativeTo);

// What owns a path the engine must not write or delete: a database (of this instance or another), or
// the server itself. Free() when nothing does.
struct PathOwner {
    std::string database;
    std::string instance; // set when the database is another instance's
    bool server = false;
    bool Free() const { return database.empty() && !server; }
    std::string Text() const; // "database 'Sales'", "the server"
};

// The one check of a path the engine is about to write or delete for a session: refused are the data
// and log files (and their journals) of every database of every instance, except those in `ownFiles`;
// and everything under the prefix except its drive folders and the session's instance's own Data and
// Backup folders, which keeps every catalog, the registry hive, the logs and the locks out of reach.
PathOwner OwnerOf(SessionImpl& session, const std::string& canonical,
                  const std::vector<std::string>& ownFiles = {});

} // namespace tvengine::detail
