// Backup and restore of a database to and from a disk file in the media format of media.h.
//
// A backup never harms the file it writes to: the new medium (the old sets copied first when the set
// is appended) is written beside the target, flushed and renamed into place, so killing the backup at
// any moment leaves the previous file as it was. The data file is read under a shared lock, which lets
// other sessions read while writers wait, so the copy is a consistent image.
//
// A restore reads and checks the whole set into files beside the targets first; only then, under the
// catalog's write lock and an exclusive lock on the database, are they renamed over the database's
// files. The data file's rename is the moment the database changes: before it the database is as it
// was, after it the database is the restored one.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "internal.h"
#include "media.h"
#include "session_impl.h"

namespace tvengine {

using namespace detail;

namespace {

std::atomic<unsigned> g_tempCounter{0};

// Files that a killed backup or restore left beside its target: named after the target, the purpose and
// the pid of a process that no longer runs. A live process's files are never touched.
void RemoveLeftovers(const std::string& path, const char* purpose) {
    std::string prefix(1, '.');
    prefix.append(FileNameOf(path)).append(1, '.').append(purpose).append(1, '-');
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

std::string TempBeside(const std::string& path, const char* purpose) {
    RemoveLeftovers(path, purpose);
    return FolderOf(path) + "/." + FileNameOf(path) +
           Format(".%s-%d-%u", purpose, static_cast<int>(::getpid()), g_tempCounter.fetch_add(1));
}

void WriteAll(int fd, const void* data, size_t length, const std::string& device) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t written = ::write(fd, p, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            throw Error(3202, Format("Write on '%s' failed, status = %d(%s).", device.c_str(), errno,
                                     strerror(errno)));
        p += written;
        length -= static_cast<size_t>(written);
    }
}

// Copies the first length bytes of one file to the end of another, in the kernel where it can.
void CopyPrefix(int from, int to, uint64_t length, const std::string& device) {
    loff_t in = 0;
    while (length > 0) {
        ssize_t copied = ::copy_file_range(from, &in, to, nullptr, length, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied <= 0) break;
        length -= static_cast<uint64_t>(copied);
    }
    if (length == 0) return;
    // Filesystems without copy_file_range: plain reads and writes.
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    while (length > 0) {
        ssize_t got = ::pread(from, buffer.get(), std::min<uint64_t>(length, 1 << 20), in);
        if (got <= 0) throw Error(3202, "Read of the existing backup sets on '" + device + "' failed.");
        WriteAll(to, buffer.get(), static_cast<size_t>(got), device);
        in += got;
        length -= static_cast<uint64_t>(got);
    }
}

// Copies length bytes between two files at the given offsets and returns the CRC-32C of them, chained
// on crc. The kernel copies (as cp does) while a second thread reads the same bytes from the page cache
// for the checksum, so the work takes about as long as the copy alone.
uint32_t CopyWithCrc(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t length, uint32_t crc,
                     const std::function<void(uint64_t)>& advanced, const std::string& source,
                     const std::string& device) {
    bool readFailed = false;
    std::atomic<bool> stop{false};
    std::thread checksum([&] {
        constexpr size_t kChunk = 1 << 20;
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[kChunk]);
        uint64_t at = fromOffset, left = length;
        while (left > 0 && !stop) {
            ssize_t got =
                ::pread(from, buffer.get(), std::min<uint64_t>(left, kChunk), static_cast<off_t>(at));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                readFailed = true;
                return;
            }
            crc = Crc32c(crc, buffer.get(), static_cast<size_t>(got));
            at += static_cast<uint64_t>(got);
            left -= static_cast<uint64_t>(got);
        }
    });
    // A failed copy stops the checksum too; the thread is always joined before the frame goes.
    struct Joiner {
        std::thread& thread;
        std::atomic<bool>& stop;
        ~Joiner() {
            stop = true;
            if (thread.joinable()) thread.join();
        }
    } joiner{checksum, stop};

    constexpr uint64_t kSlice = 16 << 20;
    loff_t in = static_cast<loff_t>(fromOffset), out = static_cast<loff_t>(toOffset);
    uint64_t done = 0;
    bool kernel = true;
    std::unique_ptr<char[]> buffer;
    while (done < length) {
        size_t slice = static_cast<size_t>(std::min(kSlice, length - done));
        ssize_t copied = -1;
        if (kernel) {
            copied = ::copy_file_range(from, &in, to, &out, slice, 0);
            if (copied < 0 && errno == EINTR) continue;
            if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernel = false; // this filesystem pair cannot: plain reads and writes from here on
                continue;
            }
        } else {
            if (!buffer) buffer.reset(new char[kSlice]);
            copied = ::pread(from, buffer.get(), slice, in);
            if (copied > 0) {
                if (::pwrite(to, buffer.get(), static_cast<size_t>(copied), out) != copied)
                    throw Error(3202, Format("Write on '%s' failed, status = %d(%s).", device.c_str(), errno,
                                             strerror(errno)));
                in += copied;
                out += copied;
            }
        }
        if (copied < 0 && errno != 0 &&
            (errno == ENOSPC || errno == EIO || errno == EDQUOT || errno == EBADF))
            throw Error(3202, Format("Write on '%s' failed, status = %d(%s).", device.c_str(), errno,
                                     strerror(errno)));
        if (copied <= 0)
            throw Error(3203, Format("Read on '%s' failed, status = %d(%s).", source.c_str(), errno,
                                     strerror(errno)));
        // Start writing the slice to disk now, so that the flush before the rename finds little left.
        ::sync_file_range(to, out - copied, copied, SYNC_FILE_RANGE_WRITE);
        done += static_cast<uint64_t>(copied);
        if (advanced) advanced(static_cast<uint64_t>(copied));
    }
    checksum.join();
    if (readFailed) throw Error(3203, "Read on '" + source + "' failed: the file ended early.");
    return crc;
}

// Reports whole percents, each at most once and rising.
class PercentReporter {
public:
    PercentReporter(const Progress& progress, uint64_t total) : progress_(progress), total_(total) {}
    void At(uint64_t done) {
        if (!progress_) return;
        int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
        if (percent > last_) {
            last_ = percent;
            progress_(percent);
        }
    }

private:
    const Progress& progress_;
    uint64_t total_;
    int last_ = -1;
};

void Fsync(int fd, const std::string& device) {
    if (::fsync(fd) != 0)
        throw Error(3202,
                    Format("Write on '%s' failed, status = %d(%s).", device.c_str(), errno, strerror(errno)));
}

} // namespace

// A backup file named without a folder goes to the instance's Backup folder, as a server does with a
// relative name; a backup device's name stands for its file.
static std::string ReadTrailer(const FileSource& source, uint64_t at) {
    std::string trailer(kTrailerSize, '\0');
    if (!source.Read(at, trailer.data(), trailer.size())) return {};
    return trailer;
}

static std::string ResolveBackupPath(SessionImpl& session, const std::string& file) {
    if (file.empty()) ThrowCannotOpenDevice(file, ENOENT);
    if (file.find('/') == std::string::npos && file.find('\\') == std::string::npos) {
        auto device = session.catalog.Prepare("SELECT physical_name FROM backup_devices WHERE name = ?");
        if (device.With(file).Step()) return device.Text(0);
        return session.settings.backupFolder + "/" + file;
    }
    std::string path = NativePath(file);
    if (path[0] != '/') path = session.settings.backupFolder + "/" + path;
    return path;
}

// A backup file must never take the place of a file the instance itself lives in.
static void RefuseInstanceFile(SessionImpl& session, const std::string& path) {
    auto owner = session.catalog.Prepare(
        "SELECT d.name FROM files f JOIN databases d ON d.dbid = f.dbid WHERE f.physical_name = ?");
    if (owner.With(path).Step())
        throw Error(kErrCannotOpenDevice, "Cannot open backup device '" + path +
                                              "'. The file is in use by database '" + owner.Text(0) + "'.");
    if (path.rfind(session.settings.rootFolder + "/catalog.db", 0) == 0)
        throw Error(kErrCannotOpenDevice,
                    "Cannot open backup device '" + path + "'. The file is in use by the server.");
}

void Session::Backup(const BackupRequest& request, const Progress& progress) {
    impl_->RequireSysadmin();
    impl_->RequireNoTransaction(kErrBackupInTransaction,
                                "Cannot perform a backup or restore operation within a transaction.");
    auto row = impl_->RequireDatabase(request.database);
    if (EqualsNoCase(row.name, "tempdb"))
        throw Error(kErrTempdb, "Backup and restore operations are not allowed on database tempdb.");
    if (request.action == BackupAction::Log)
        throw Error(kErrLogBackup,
                    "The statement BACKUP LOG is not allowed while the recovery model is SIMPLE. Use "
                    "BACKUP DATABASE or change the recovery model using ALTER DATABASE.");
    if (request.action == BackupAction::Differential) {
        auto query = impl_->catalog.Prepare("SELECT 1 FROM backup_history WHERE database_name = ?");
        if (!query.With(row.name).Step())
            throw Error(kErrDifferential,
                        "Cannot perform a differential backup for database \"" + row.name +
                            "\", because a current database backup does not exist. Perform a full database "
                            "backup by reissuing BACKUP DATABASE, omitting the WITH DIFFERENTIAL option.");
        throw Error(kErrDifferential,
                    "Cannot perform a differential backup for database \"" + row.name +
                        "\": this server keeps no record of changed extents. Perform a full "
                        "database backup by reissuing BACKUP DATABASE, omitting the WITH "
                        "DIFFERENTIAL option.");
    }
    std::string path = ResolveBackupPath(*impl_, request.file);
    RefuseInstanceFile(*impl_, path);

    WorkInDatabase work(*impl_, row.name, "S");
    row = impl_->RequireDatabase(request.database); // a drop that came first has won
    const DatabaseFileInfo* data = row.DataFile();
    const DatabaseFileInfo* log = row.LogFile();
    if (!data || !log || !FileExists(data->physicalName))
        throw Error(926,
                    "Database '" + row.name + "' cannot be opened. It has been marked SUSPECT by recovery.");

    // The shared lock: writers of other sessions wait until the image is taken. Read-write, so that what
    // a crashed writer left in the journal is rolled back before the image is taken.
    Connection db(data->physicalName, SQLITE_OPEN_READWRITE, "database");
    db.Exec("BEGIN; SELECT count(*) FROM sqlite_master");

    uint64_t keep = 0;
    int position = 1;
    if (!request.initialize && FileSize(path) > 0) {
        FileSource existing(path);
        auto sets = ReadMedia(existing, path);
        keep = sets.back().end;
        position = static_cast<int>(sets.size()) + 1;
    }

    BackupSetInfo info;
    info.position = position;
    info.name = request.name;
    info.description = request.description;
    info.databaseName = row.name;
    info.serverName = impl_->settings.serverName;
    info.userName = impl_->login;
    info.type = 'D';
    info.started = std::time(nullptr);
    info.finished = info.started;
    info.majorVersion = impl_->settings.majorVersion;
    info.readOnly = row.readOnly;
    std::vector<int> sources;
    for (const DatabaseFileInfo* file : {data, log}) {
        int fd = ::open(file->physicalName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            for (int open : sources)
                ::close(open);
            throw Error(3203, Format("Read on '%s' failed, status = %d(%s).", file->physicalName.c_str(),
                                     errno, strerror(errno)));
        }
        struct stat st;
        ::fstat(fd, &st);
        DatabaseFileInfo copy = *file;
        copy.sizeBytes = st.st_size;
        info.files.push_back(copy);
        sources.push_back(fd);
    }
    struct Closer {
        std::vector<int>& fds;
        ~Closer() {
            for (int fd : fds)
                ::close(fd);
        }
    } closer{sources};

    std::string temp = TempBeside(path, "backup");
    int out = CreatePrivateFile(temp);
    if (out < 0) ThrowCannotOpenDevice(path, errno);
    try {
        if (keep > 0) {
            int old = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (old < 0) ThrowCannotOpenDevice(path, errno);
            try {
                CopyPrefix(old, out, keep, path);
            } catch (...) {
                ::close(old);
                throw;
            }
            ::close(old);
        } else {
            std::string header = EncodeMediaHeader(info.started);
            WriteAll(out, header.data(), header.size(), path);
        }
        off_t headerAt = ::lseek(out, 0, SEEK_CUR);
        std::string header = EncodeSetHeader(info);
        WriteAll(out, header.data(), header.size(), path);

        uint64_t total = 0;
        for (const auto& file : info.files)
            total += static_cast<uint64_t>(file.sizeBytes);
        PercentReporter percent(progress, total);
        percent.At(0);
        uint32_t crc = 0;
        uint64_t done = 0;
        off_t at = headerAt + static_cast<off_t>(header.size());
        for (size_t i = 0; i < sources.size(); ++i) {
            uint64_t length = static_cast<uint64_t>(info.files[i].sizeBytes);
            crc = CopyWithCrc(
                sources[i], 0, out, static_cast<uint64_t>(at), length, crc,
                [&](uint64_t copied) { percent.At(done += copied); }, info.files[i].physicalName, path);
            at += static_cast<off_t>(length);
        }
        if (::lseek(out, at, SEEK_SET) != at) throw Error(3202, "Write on '" + path + "' failed.");
        std::string trailer = EncodeTrailer(crc);
        WriteAll(out, trailer.data(), trailer.size(), path);
        // The finishing time goes into the header now that it is known; the header keeps its length.
        info.finished = std::time(nullptr);
        header = EncodeSetHeader(info);
        if (::pwrite(out, header.data(), header.size(), headerAt) != static_cast<ssize_t>(header.size()))
            throw Error(3202, "Write on '" + path + "' failed.");
        Fsync(out, path);
        ::close(out);
        out = -1;
        if (::rename(temp.c_str(), path.c_str()) != 0) ThrowCannotOpenDevice(path, errno);
        FsyncFolder(FolderOf(path));
    } catch (...) {
        if (out >= 0) ::close(out);
        ::unlink(temp.c_str());
        throw;
    }
    db.Exec("COMMIT");

    WriteScope write(impl_->catalog, false);
    impl_->catalog
        .Prepare(
            "INSERT INTO backup_history(database_name, name, description, type, started, finished, device, "
            "position, size, user_name) VALUES (?, ?, ?, 'D', ?, ?, ?, ?, ?, ?)")
        .With(row.name, info.name, info.description, static_cast<long long>(info.started),
              static_cast<long long>(info.finished), path, position, static_cast<long long>(FileSize(path)),
              impl_->login)
        .Run();
    write.Commit();
}

std::vector<BackupSetInfo> ReadBackupSets(const std::string& file) {
    std::string path = NativePath(file);
    FileSource source(path);
    std::vector<BackupSetInfo> sets;
    for (auto& set : ReadMedia(source, path))
        sets.push_back(std::move(set.info));
    return sets;
}

namespace {

ResultSet FileListOf(const std::vector<BackupSetInfo>& sets, const std::string& file, int fileNumber) {
    if (fileNumber < 1 || fileNumber > static_cast<int>(sets.size()))
        throw Error(
            kErrNoSuchBackupSet,
            Format("The backup set at position %d does not exist on device '%s'.", fileNumber, file.c_str()));
    ResultSet list({{"LogicalName", ColumnType::WVarChar},
                    {"PhysicalName", ColumnType::WVarChar},
                    {"Type", ColumnType::Char},
                    {"FileGroupName", ColumnType::WVarChar},
                    {"Size", ColumnType::BigInt},
                    {"MaxSize", ColumnType::BigInt}});
    for (const auto& f : sets[fileNumber - 1].files)
        list.AddRow({f.logicalName, f.physicalName, std::string(1, f.type), f.fileGroup, f.sizeBytes,
                     f.maxSizeBytes});
    return list;
}

} // namespace

ResultSet ReadFileList(const std::string& file, int fileNumber) {
    return FileListOf(ReadBackupSets(file), file, fileNumber);
}

std::vector<BackupSetInfo> Session::ReadBackupSets(const std::string& file) {
    return tvengine::ReadBackupSets(ResolveBackupPath(*impl_, file));
}

ResultSet Session::ReadFileList(const std::string& file, int fileNumber) {
    std::string path = ResolveBackupPath(*impl_, file);
    return FileListOf(tvengine::ReadBackupSets(path), path, fileNumber);
}

void Session::Restore(const RestoreRequest& request, const Progress& progress) {
    impl_->RequireSysadmin();
    impl_->RequireNoTransaction(kErrBackupInTransaction,
                                "Cannot perform a backup or restore operation within a transaction.");
    std::string path = ResolveBackupPath(*impl_, request.file);
    FileSource source(path);
    auto sets = ReadMedia(source, path);
    if (request.fileNumber < 1 || request.fileNumber > static_cast<int>(sets.size()))
        throw Error(kErrNoSuchBackupSet,
                    Format("The backup set at position %d does not exist on device '%s'.", request.fileNumber,
                           path.c_str()));
    const SetLayout& set = sets[request.fileNumber - 1];
    const BackupSetInfo& info = set.info;
    int dataFiles = 0, logFiles = 0;
    for (const auto& file : info.files)
        (file.type == 'D' ? dataFiles : logFiles)++;
    if (dataFiles != 1 || logFiles != 1)
        throw Error(kErrMediaFormed, "The backup set on device '" + path +
                                         "' holds a database layout this server cannot restore.");

    const std::string& target = request.database;
    if (target.empty() || target.size() > 123)
        throw Error(kErrSyntax, "'" + target + "' is not a valid database name.");
    if (EqualsNoCase(target, "tempdb"))
        throw Error(kErrTempdb, "Backup and restore operations are not allowed on database tempdb.");
    if (EqualsNoCase(target, "master"))
        throw Error(
            kErrSystemDatabaseRestore,
            "RESTORE DATABASE must be used in single user mode when trying to restore the master database.");
    auto existing = impl_->FindDatabase(target);
    if (existing && !request.replace && !EqualsNoCase(existing->name, info.databaseName))
        throw Error(kErrOtherDatabase,
                    "The backup set holds a backup of a database other than the existing '" + existing->name +
                        "' database.");
    for (const auto& [logical, ignored] : request.move) {
        bool known = false;
        for (const auto& file : info.files)
            known = known || EqualsNoCase(file.logicalName, logical);
        if (!known)
            throw Error(kErrLogicalFile, "Logical file '" + logical + "' is not part of database '" +
                                             info.databaseName +
                                             "'. Use RESTORE FILELISTONLY to list the logical file names.");
    }

    // Where each file of the set goes: a MOVE, else the existing database's own file, else where the
    // backed-up database had it.
    std::vector<std::string> targets;
    for (const auto& file : info.files) {
        std::string to;
        for (const auto& [logical, physical] : request.move)
            if (EqualsNoCase(file.logicalName, logical)) to = NativePath(physical);
        if (to.empty() && existing)
            to = (file.type == 'D' ? existing->DataFile() : existing->LogFile())->physicalName;
        if (to.empty()) to = NativePath(file.physicalName);
        targets.push_back(to);
    }
    // Swapping the data and log files of the database would, for a moment, leave its data file holding
    // the log: refused like any other clash of the two.
    if (existing &&
        (targets[0] ==
             (info.files[0].type == 'D' ? existing->LogFile() : existing->DataFile())->physicalName ||
         targets[1] ==
             (info.files[1].type == 'D' ? existing->LogFile() : existing->DataFile())->physicalName))
        throw Error(3156, "File '" + info.files[0].logicalName + "' cannot be restored to '" + targets[0] +
                              "'. Use WITH MOVE to identify a valid location for the file.");
    for (size_t i = 0; i < targets.size(); ++i)
        if (targets[i] == path || targets[i].rfind(impl_->settings.rootFolder + "/catalog.db", 0) == 0)
            throw Error(3156, "File '" + info.files[i].logicalName + "' cannot be restored to '" +
                                  targets[i] + "'. Use WITH MOVE to identify a valid location for the file.");
    if (targets[0] == targets[1])
        throw Error(3156, "File '" + info.files[1].logicalName + "' cannot be restored to '" + targets[1] +
                              "'. Use WITH MOVE to identify a valid location for the file.");
    auto owner = impl_->catalog.Prepare(
        "SELECT d.name FROM files f JOIN databases d ON d.dbid = f.dbid WHERE f.physical_name = ?");
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!FileExists(FolderOf(targets[i])))
            throw Error(3156, "File '" + info.files[i].logicalName + "' cannot be restored to '" +
                                  targets[i] + "'. Use WITH MOVE to identify a valid location for the file.");
        if (owner.With(targets[i]).Step()) {
            if (!existing || !EqualsNoCase(owner.Text(0), existing->name))
                throw Error(kErrFileInUse, "The file '" + targets[i] +
                                               "' cannot be overwritten.  It is being used by database '" +
                                               owner.Text(0) + "'.");
        } else if (FileExists(targets[i]) && !request.replace) {
            throw Error(3142,
                        "File '" + info.files[i].logicalName + "' cannot be restored over the existing '" +
                            targets[i] +
                            "'. Reissue the RESTORE statement using WITH REPLACE to overwrite pre-existing "
                            "files, or WITH MOVE to identify an alternate location.");
        }
        owner.Reset();
    }

    std::string name = existing ? existing->name : target;
    WorkInDatabase work(*impl_, name, "X");
    if (!impl_->SessionsUsing(name, false).empty())
        throw Error(kErrExclusiveAccess,
                    "Exclusive access could not be obtained because the database is in use.");

    // Read and check everything into files beside the targets.
    std::vector<std::string> temps;
    std::vector<int> fds;
    auto cleanup = [&] {
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
        for (const std::string& temp : temps)
            ::unlink(temp.c_str());
    };
    try {
        for (const std::string& to : targets) {
            temps.push_back(TempBeside(to, "restore"));
            int fd = CreatePrivateFile(temps.back());
            if (fd < 0)
                throw Error(3156,
                            Format("File '%s' cannot be restored to '%s': operating system error %d(%s).",
                                   FileNameOf(to).c_str(), to.c_str(), errno, strerror(errno)));
            fds.push_back(fd);
        }
        PercentReporter percent(progress, set.payloadLength);
        percent.At(0);
        uint32_t crc = 0;
        uint64_t at = set.payloadOffset, done = 0;
        for (size_t i = 0; i < fds.size(); ++i) {
            uint64_t length = static_cast<uint64_t>(info.files[i].sizeBytes);
            crc = CopyWithCrc(
                source.Descriptor(), at, fds[i], 0, length, crc,
                [&](uint64_t copied) { percent.At(done += copied); }, path, targets[i]);
            at += length;
        }
        // The set's own checksum decides whether these files may replace anything.
        if (EncodeTrailer(crc) != ReadTrailer(source, at))
            throw Error(kErrDamagedBackup, "Damage to the backup set was detected.");
        for (size_t i = 0; i < fds.size(); ++i) {
            Fsync(fds[i], targets[i]);
            ::close(fds[i]);
            fds[i] = -1;
        }
    } catch (...) {
        cleanup();
        throw;
    }

    std::vector<std::string> oldPaths;
    try {
        WriteScope write(impl_->catalog, false);
        auto now = impl_->FindDatabase(target);
        if (static_cast<bool>(now) != static_cast<bool>(existing) || (now && now->id != existing->id))
            throw Error(kErrExclusiveAccess,
                        "Exclusive access could not be obtained because the database is in use.");
        if (!impl_->SessionsUsing(name, false).empty())
            throw Error(kErrExclusiveAccess,
                        "Exclusive access could not be obtained because the database is in use.");
        Connection lock;
        if (existing && FileExists(existing->DataFile()->physicalName)) {
            lock = Connection(existing->DataFile()->physicalName, SQLITE_OPEN_READWRITE, "database");
            // Waits for a statement still running in the old file, and rolls back what a crashed writer
            // left in its journal, so no journal outlives the file it belongs to.
            lock.Exec("BEGIN EXCLUSIVE; SELECT count(*) FROM sqlite_master");
        }
        size_t dataIndex = info.files[0].type == 'D' ? 0 : 1, logIndex = 1 - dataIndex;
        // The log first, the data file last: the data file's rename is the restore's moment of truth.
        for (size_t i : {logIndex, dataIndex}) {
            ::unlink((targets[i] + "-journal").c_str());
            if (::rename(temps[i].c_str(), targets[i].c_str()) != 0)
                throw Error(3156,
                            Format("File '%s' cannot be restored to '%s': operating system error %d(%s).",
                                   info.files[i].logicalName.c_str(), targets[i].c_str(), errno,
                                   strerror(errno)));
            FsyncFolder(FolderOf(targets[i]));
        }
        temps.clear();
        if (existing) {
            auto update = impl_->catalog.Prepare(
                "UPDATE files SET physical_name = ?, logical_name = ? WHERE dbid = ? AND type = ?");
            update.With(targets[dataIndex], info.files[dataIndex].logicalName, existing->id, "D").Run();
            update.Reset();
            update.With(targets[logIndex], info.files[logIndex].logicalName, existing->id, "L").Run();
            impl_->catalog.Prepare("UPDATE databases SET read_only = ? WHERE dbid = ?")
                .With(info.readOnly ? 1 : 0, existing->id)
                .Run();
            for (size_t i = 0; i < 2; ++i) {
                const auto* old = i == dataIndex ? existing->DataFile() : existing->LogFile();
                if (old->physicalName != targets[i]) oldPaths.push_back(old->physicalName);
            }
        } else {
            DatabaseSpec spec;
            spec.name = target;
            spec.dataLogicalName = info.files[dataIndex].logicalName;
            spec.logLogicalName = info.files[logIndex].logicalName;
            InsertDatabaseRow(impl_->catalog, target, false, spec, targets[dataIndex], targets[logIndex],
                              impl_->login);
            if (info.readOnly)
                impl_->catalog.Prepare("UPDATE databases SET read_only = 1 WHERE name = ?")
                    .With(target)
                    .Run();
        }
        impl_->catalog
            .Prepare(
                "INSERT INTO restore_history(database_name, restored, device, position, source_database, "
                "user_name) VALUES (?, ?, ?, ?, ?, ?)")
            .With(name, static_cast<long long>(std::time(nullptr)), path, request.fileNumber,
                  info.databaseName, impl_->login)
            .Run();
        write.Commit();
    } catch (...) {
        cleanup();
        throw;
    }
    for (const std::string& old : oldPaths) {
        ::unlink(old.c_str());
        ::unlink((old + "-journal").c_str());
    }
}

} // namespace tvengine
