// Backup and restore of a database to and from a disk file in the media format of media.h, each in
// three steps: plan (every check, every path resolved and owned), stage (the new medium or the restored
// files written beside their targets and checked), commit (renamed into place, then the catalog).
//
// A backup never harms the file it writes to: the new medium (the old sets copied first when the set
// is appended) is written beside the target, flushed and renamed into place, so killing the backup at
// any moment leaves the previous file as it was. The writers of one medium take its lock one at a time,
// so two appends never lose a set. The data file is read under a shared lock, which lets other sessions
// read while writers wait, so the copy is a consistent image.
//
// A restore reads and checks the whole set into files beside the targets first; only then, under the
// catalog's write lock and an exclusive lock on the database, are they renamed over the database's
// files. The data file's rename is the moment the database changes: before it the database is as it
// was, after it the database is the restored one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include "errors.h"
#include "files.h"
#include "internal.h"
#include "media.h"
#include "session_impl.h"

namespace tvengine {

using namespace detail;

namespace {

// Copies the first length bytes of one file to the end of another, in the kernel where it can.
void CopyPrefix(int from, int to, uint64_t length, const std::string& device) {
    loff_t in = 0;
    while (length > 0) {
        ssize_t copied = ::copy_file_range(from, &in, to, nullptr, length, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EIO))
            throw WriteFailed(device, errno);
        if (copied <= 0) break;
        length -= static_cast<uint64_t>(copied);
    }
    if (length == 0) return;
    // Filesystems without copy_file_range: plain reads and writes.
    std::unique_ptr<char[]> buffer(new char[1 << 20]);
    while (length > 0) {
        ssize_t got = ::pread(from, buffer.get(), std::min<uint64_t>(length, 1 << 20), in);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw ReadFailed(device, got < 0 ? errno : 0);
        WriteAll(to, buffer.get(), static_cast<size_t>(got), device);
        in += got;
        length -= static_cast<uint64_t>(got);
    }
}

// Copies length bytes between two files at the given offsets and returns the CRC-32C of them, chained
// on crc. The kernel copies (as cp does) while a second thread reads the same bytes from the page cache
// for the checksum, so the work takes about as long as the copy alone. Every failure names the errno of
// the call that failed, never one left over from an earlier call.
uint32_t CopyWithCrc(int from, uint64_t fromOffset, int to, uint64_t toOffset, uint64_t length, uint32_t crc,
                     const std::function<void(uint64_t)>& advanced, const std::string& source,
                     const std::string& device) {
    int readError = -1; // -1: no failure; 0: the file ended early; else the errno
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
                readError = got < 0 ? errno : 0;
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
        ssize_t copied = 0;
        if (kernel) {
            copied = ::copy_file_range(from, &in, to, &out, slice, 0);
            if (copied < 0) {
                int error = errno;
                if (error == EINTR) continue;
                if (error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
                    kernel = false; // this filesystem pair cannot: plain reads and writes from here on
                    continue;
                }
                if (error == ENOSPC || error == EIO || error == EDQUOT || error == EFBIG)
                    throw WriteFailed(device, error);
                throw ReadFailed(source, error);
            }
            if (copied == 0) throw ReadFailed(source, 0);
        } else {
            if (!buffer) buffer.reset(new char[kSlice]);
            copied = ::pread(from, buffer.get(), slice, in);
            if (copied < 0 && errno == EINTR) continue;
            if (copied < 0) throw ReadFailed(source, errno);
            if (copied == 0) throw ReadFailed(source, 0);
            for (ssize_t written = 0; written < copied;) {
                ssize_t n = ::pwrite(to, buffer.get() + written, static_cast<size_t>(copied - written),
                                     out + written);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) throw WriteFailed(device, errno);
                if (n == 0) throw WriteFailed(device, ENOSPC);
                written += n;
            }
            in += copied;
            out += copied;
        }
        // Start writing the slice to disk now, so that the flush before the rename finds little left.
        ::sync_file_range(to, out - copied, copied, SYNC_FILE_RANGE_WRITE);
        done += static_cast<uint64_t>(copied);
        if (advanced) advanced(static_cast<uint64_t>(copied));
    }
    checksum.join();
    if (readError >= 0) throw ReadFailed(source, readError);
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

std::string ReadTrailer(const FileSource& source, uint64_t at) {
    std::string trailer(kTrailerSize, '\0');
    if (!source.Read(at, trailer.data(), trailer.size())) return {};
    return trailer;
}

// The medium a backup or restore names: a disk file (a name without a folder is in the instance's Backup
// folder, as a server does with a relative name) or a backup device, which stands for its file. A disk
// file is never taken for a device of the same name. The path comes back canonical.
std::string MediaPath(SessionImpl& session, const std::string& file, const std::string& device) {
    std::string given = file;
    if (!device.empty()) {
        auto query = session.catalog.Prepare("SELECT physical_name FROM backup_devices WHERE name = ?");
        if (!query.With(device).Step()) throw NoSuchDevice(device);
        given = query.Text(0);
    }
    if (given.empty()) throw CannotOpenDevice(given, ENOENT);
    CanonicalPath path = Canonical(given, session.settings.backupFolder);
    if (path.osError != 0) throw CannotOpenDevice(path.path, path.osError);
    return path.path;
}

// ---------------------------------------------------------------------------------------------------
// Backup

struct BackupPlan {
    std::string database;
    std::string media; // canonical
};

BackupPlan PlanBackup(SessionImpl& session, const BackupRequest& request) {
    session.RequireSysadmin();
    if (session.inTransaction) throw BackupInTransaction();
    auto row = session.RequireDatabase(request.database);
    if (EqualsNoCase(row.name, "tempdb")) throw Tempdb();
    if (request.action == BackupAction::Log) throw LogBackup();
    if (request.action == BackupAction::Differential) {
        auto query = session.catalog.Prepare("SELECT 1 FROM backup_history WHERE database_name = ?");
        throw Differential(row.name, query.With(row.name).Step());
    }
    BackupPlan plan{row.name, MediaPath(session, request.file, request.device)};
    // A backup never lands on a database's file (its own included) nor on the server's own files.
    PathOwner owner = OwnerOf(session, plan.media);
    if (!owner.Free()) throw DeviceBelongsToServer(plan.media, owner.Text());
    return plan;
}

struct StagedBackup {
    TempFile medium;
    BackupSetInfo info;
};

// Writes the new medium beside the old one: the sets already there (unless INIT), then the new set, its
// data taken under the database's shared lock. The medium's lock is held by the caller.
StagedBackup StageBackup(SessionImpl& session, const BackupPlan& plan, const BackupRequest& request,
                         const Progress& progress) {
    auto row = session.RequireDatabase(plan.database); // a drop that came first has won
    const DatabaseFileInfo* data = row.DataFile();
    const DatabaseFileInfo* log = row.LogFile();
    if (!data || !log || !FileExists(data->physicalName)) throw Suspect(row.name);

    // The shared lock: writers of other sessions wait until the image is taken. Read-write, so that what
    // a crashed writer left in the journal is rolled back before the image is taken.
    Connection db(data->physicalName, SQLITE_OPEN_READWRITE, "database");
    db.Exec("BEGIN; SELECT count(*) FROM sqlite_master");

    uint64_t keep = 0;
    StagedBackup staged{TempFile(plan.media, "backup"), {}};
    BackupSetInfo& info = staged.info;
    info.position = 1;
    if (!request.initialize && FileSize(plan.media) > 0) {
        FileSource existing(plan.media);
        auto sets = ReadMedia(existing, plan.media);
        keep = sets.back().end;
        info.position = static_cast<int>(sets.size()) + 1;
    }
    info.name = request.name;
    info.description = request.description;
    info.databaseName = row.name;
    info.serverName = session.settings.serverName;
    info.userName = session.login;
    info.type = 'D';
    info.started = std::time(nullptr);
    info.finished = info.started;
    info.majorVersion = session.settings.majorVersion;
    info.readOnly = row.readOnly;
    std::vector<UniqueFd> sources;
    for (const DatabaseFileInfo* file : {data, log}) {
        UniqueFd fd(::open(file->physicalName.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat st;
        if (!fd || ::fstat(fd.Get(), &st) != 0) throw ReadFailed(file->physicalName, errno);
        DatabaseFileInfo copy = *file;
        copy.sizeBytes = st.st_size;
        info.files.push_back(copy);
        sources.push_back(std::move(fd));
    }

    TempFile& out = staged.medium;
    const std::string& path = plan.media;
    if (!out.Made()) throw CannotOpenDevice(path, out.OsError());
    if (keep > 0) {
        UniqueFd old(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!old) throw CannotOpenDevice(path, errno);
        CopyPrefix(old.Get(), out.Fd(), keep, path);
    } else {
        std::string header = EncodeMediaHeader(info.started);
        WriteAll(out.Fd(), header.data(), header.size(), path);
    }
    off_t headerAt = ::lseek(out.Fd(), 0, SEEK_CUR);
    std::string header = EncodeSetHeader(info);
    WriteAll(out.Fd(), header.data(), header.size(), path);

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
            sources[i].Get(), 0, out.Fd(), static_cast<uint64_t>(at), length, crc,
            [&](uint64_t copied) { percent.At(done += copied); }, info.files[i].physicalName, path);
        at += static_cast<off_t>(length);
    }
    if (::lseek(out.Fd(), at, SEEK_SET) != at) throw WriteFailed(path, errno);
    std::string trailer = EncodeTrailer(crc);
    WriteAll(out.Fd(), trailer.data(), trailer.size(), path);
    // The finishing time goes into the header now that it is known; the header keeps its length.
    info.finished = std::time(nullptr);
    header = EncodeSetHeader(info);
    ssize_t written = ::pwrite(out.Fd(), header.data(), header.size(), headerAt);
    if (written != static_cast<ssize_t>(header.size())) throw WriteFailed(path, written < 0 ? errno : ENOSPC);
    out.Flush(path);
    db.Exec("COMMIT");
    return staged;
}

// Puts the new medium in place of the old one and records the set in the history.
void CommitBackup(SessionImpl& session, const BackupPlan& plan, StagedBackup& staged) {
    if (int error = staged.medium.RenameIntoPlace(); error != 0) throw CannotOpenDevice(plan.media, error);
    const BackupSetInfo& info = staged.info;
    WriteScope write(session.catalog, false);
    session.catalog
        .Prepare(
            "INSERT INTO backup_history(database_name, name, description, type, started, finished, device, "
            "position, size, user_name) VALUES (?, ?, ?, 'D', ?, ?, ?, ?, ?, ?)")
        .With(plan.database, info.name, info.description, static_cast<long long>(info.started),
              static_cast<long long>(info.finished), plan.media, info.position,
              static_cast<long long>(FileSize(plan.media)), session.login)
        .Run();
    write.Commit();
}

// ---------------------------------------------------------------------------------------------------
// Restore

struct RestorePlan {
    std::string media;
    std::unique_ptr<FileSource> source;
    SetLayout set;
    std::optional<SessionImpl::DatabaseRow> existing;
    std::string name;                 // the database's name once restored
    std::vector<std::string> targets; // canonical, one for each file of the set
    size_t dataIndex = 0, logIndex = 1;
};

void CheckRestoreTarget(const std::string& target) {
    CheckName("database", target, kDatabaseNameLength);
    if (EqualsNoCase(target, "tempdb")) throw Tempdb();
    if (EqualsNoCase(target, "master")) throw SystemDatabaseRestore();
}

// Where each file of the set goes: a MOVE; else the existing database's own file; else, for a new
// database, the instance's Data folder under the recorded file's name (files recorded on another
// instance or prefix are never reused as they stand, nor are those of this instance outside its Data
// folder).
std::vector<std::string> RestoreTargets(SessionImpl& session, const RestoreRequest& request,
                                        const RestorePlan& plan) {
    std::vector<std::string> targets;
    for (const auto& file : plan.set.info.files) {
        std::string given;
        for (const auto& [logical, physical] : request.move)
            if (EqualsNoCase(file.logicalName, logical)) given = physical;
        if (given.empty() && plan.existing)
            given = (file.type == 'D' ? plan.existing->DataFile() : plan.existing->LogFile())->physicalName;
        if (given.empty()) {
            std::string name = FileNameOf(NativePath(file.physicalName));
            given = session.settings.dataFolder + "/" + SafeFileName(name);
        }
        CanonicalPath path = Canonical(given, session.settings.dataFolder);
        if (path.osError != 0) throw CannotRestoreFile(file.logicalName, path.path);
        targets.push_back(path.path);
    }
    return targets;
}

RestorePlan PlanRestore(SessionImpl& session, const RestoreRequest& request) {
    session.RequireSysadmin();
    if (session.inTransaction) throw BackupInTransaction();
    RestorePlan plan;
    plan.media = MediaPath(session, request.file, request.device);
    plan.source = std::make_unique<FileSource>(plan.media);
    auto sets = ReadMedia(*plan.source, plan.media);
    if (request.fileNumber < 1 || request.fileNumber > static_cast<int>(sets.size()))
        throw NoSuchBackupSet(request.fileNumber, plan.media);
    plan.set = sets[request.fileNumber - 1];
    const BackupSetInfo& info = plan.set.info;
    int dataFiles = 0, logFiles = 0;
    for (const auto& file : info.files)
        (file.type == 'D' ? dataFiles : logFiles)++;
    if (dataFiles != 1 || logFiles != 1) throw MediaFormed(plan.media);
    plan.dataIndex = info.files[0].type == 'D' ? 0 : 1;
    plan.logIndex = 1 - plan.dataIndex;

    CheckRestoreTarget(request.database);
    plan.existing = session.FindDatabase(request.database);
    if (plan.existing && !request.replace && !EqualsNoCase(plan.existing->name, info.databaseName))
        throw OtherDatabase(plan.existing->name);
    plan.name = plan.existing ? plan.existing->name : request.database;
    for (const auto& [logical, ignored] : request.move) {
        bool known = false;
        for (const auto& file : info.files)
            known = known || EqualsNoCase(file.logicalName, logical);
        if (!known) throw LogicalFile(logical, info.databaseName);
    }

    plan.targets = RestoreTargets(session, request, plan);
    const auto& targets = plan.targets;
    std::vector<std::string> own;
    if (plan.existing)
        for (const auto& file : plan.existing->files)
            own.push_back(Canonical(file.physicalName, session.settings.dataFolder).path);
    // Swapping the data and log files of the database would, for a moment, leave its data file holding
    // the log: refused like any other clash of the two.
    if (plan.existing && own.size() == 2 &&
        (targets[plan.dataIndex] == own[1] || targets[plan.logIndex] == own[0]))
        throw CannotRestoreFile(info.files[0].logicalName, targets[0]);
    if (targets[0] == targets[1]) throw CannotRestoreFile(info.files[1].logicalName, targets[1]);
    for (size_t i = 0; i < targets.size(); ++i) {
        if (targets[i] == plan.media) throw CannotRestoreFile(info.files[i].logicalName, targets[i]);
        PathOwner owner = OwnerOf(session, targets[i], own);
        if (!owner.database.empty()) throw FileInUse(targets[i], owner.database);
        if (owner.server) throw CannotRestoreFile(info.files[i].logicalName, targets[i]);
        bool mine = false;
        for (const std::string& path : own)
            mine = mine || path == targets[i];
        // A file that is not the target's own is overwritten only when the restore says REPLACE.
        if (!mine && FileExists(targets[i]) && !request.replace)
            throw RestoreOverExisting(info.files[i].logicalName, targets[i]);
    }
    return plan;
}

struct StagedRestore {
    std::vector<TempFile> files; // one beside each target
};

// Reads and checks the whole set into files beside the targets.
StagedRestore StageRestore(const RestorePlan& plan, const Progress& progress) {
    const BackupSetInfo& info = plan.set.info;
    StagedRestore staged;
    for (size_t i = 0; i < plan.targets.size(); ++i) {
        staged.files.emplace_back(plan.targets[i], "restore");
        if (!staged.files.back().Made())
            throw CannotRestoreFile(info.files[i].logicalName, plan.targets[i],
                                    staged.files.back().OsError());
    }
    PercentReporter percent(progress, plan.set.payloadLength);
    percent.At(0);
    uint32_t crc = 0;
    uint64_t at = plan.set.payloadOffset, done = 0;
    for (size_t i = 0; i < staged.files.size(); ++i) {
        uint64_t length = static_cast<uint64_t>(info.files[i].sizeBytes);
        crc = CopyWithCrc(
            plan.source->Descriptor(), at, staged.files[i].Fd(), 0, length, crc,
            [&](uint64_t copied) { percent.At(done += copied); }, plan.media, plan.targets[i]);
        at += length;
    }
    // The set's own checksum decides whether these files may replace anything.
    if (EncodeTrailer(crc) != ReadTrailer(*plan.source, at)) throw DamagedBackup();
    for (size_t i = 0; i < staged.files.size(); ++i)
        staged.files[i].Flush(plan.targets[i]);
    return staged;
}

// Under the catalog's write lock and an exclusive lock on the database: the files renamed in (the data
// file last), the catalog brought in line. Returns the database's old files that are no longer its own.
std::vector<std::string> CommitRestore(SessionImpl& session, const RestoreRequest& request,
                                       const RestorePlan& plan, StagedRestore& staged) {
    const BackupSetInfo& info = plan.set.info;
    const auto& existing = plan.existing;
    std::vector<std::string> oldPaths;
    WriteScope write(session.catalog, false);
    auto now = session.FindDatabase(request.database);
    if (static_cast<bool>(now) != static_cast<bool>(existing) || (now && now->id != existing->id))
        throw ExclusiveAccess();
    if (!session.SessionsUsing(plan.name, false).empty()) throw ExclusiveAccess();
    Connection lock;
    if (existing && FileExists(existing->DataFile()->physicalName)) {
        lock = Connection(existing->DataFile()->physicalName, SQLITE_OPEN_READWRITE, "database");
        // Waits for a statement still running in the old file, and rolls back what a crashed writer
        // left in its journal, so no journal outlives the file it belongs to.
        lock.Exec("BEGIN EXCLUSIVE; SELECT count(*) FROM sqlite_master");
    }
    // The log first, the data file last: the data file's rename is the restore's moment of truth.
    for (size_t i : {plan.logIndex, plan.dataIndex}) {
        ::unlink((plan.targets[i] + "-journal").c_str());
        if (int error = staged.files[i].RenameIntoPlace(); error != 0)
            throw CannotRestoreFile(info.files[i].logicalName, plan.targets[i], error);
    }
    const std::string& dataPath = plan.targets[plan.dataIndex];
    const std::string& logPath = plan.targets[plan.logIndex];
    if (existing) {
        auto update = session.catalog.Prepare(
            "UPDATE files SET physical_name = ?, logical_name = ? WHERE dbid = ? AND type = ?");
        update.With(dataPath, info.files[plan.dataIndex].logicalName, existing->id, "D").Run();
        update.Reset();
        update.With(logPath, info.files[plan.logIndex].logicalName, existing->id, "L").Run();
        session.catalog.Prepare("UPDATE databases SET read_only = ? WHERE dbid = ?")
            .With(info.readOnly ? 1 : 0, existing->id)
            .Run();
        for (size_t i : {plan.dataIndex, plan.logIndex}) {
            const auto* old = i == plan.dataIndex ? existing->DataFile() : existing->LogFile();
            std::string path = Canonical(old->physicalName, session.settings.dataFolder).path;
            if (path != plan.targets[i]) oldPaths.push_back(path);
        }
    } else {
        DatabaseSpec spec;
        spec.name = request.database;
        spec.dataLogicalName = info.files[plan.dataIndex].logicalName;
        spec.logLogicalName = info.files[plan.logIndex].logicalName;
        InsertDatabaseRow(session.catalog, request.database, false, spec, dataPath, logPath, session.login);
        if (info.readOnly)
            session.catalog.Prepare("UPDATE databases SET read_only = 1 WHERE name = ?")
                .With(request.database)
                .Run();
    }
    session.catalog
        .Prepare("INSERT INTO restore_history(database_name, restored, device, position, source_database, "
                 "user_name) VALUES (?, ?, ?, ?, ?, ?)")
        .With(plan.name, static_cast<long long>(std::time(nullptr)), plan.media, request.fileNumber,
              info.databaseName, session.login)
        .Run();
    write.Commit();
    return oldPaths;
}

} // namespace

void Session::Backup(const BackupRequest& request, const Progress& progress) {
    BackupPlan plan = PlanBackup(*impl_, request);
    WorkInDatabase work(*impl_, plan.database, "S");
    MediaLock lock(plan.media);
    StagedBackup staged = StageBackup(*impl_, plan, request, progress);
    CommitBackup(*impl_, plan, staged);
}

void Session::Restore(const RestoreRequest& request, const Progress& progress) {
    RestorePlan plan = PlanRestore(*impl_, request);
    WorkInDatabase work(*impl_, plan.name, "X");
    if (!impl_->SessionsUsing(plan.name, false).empty()) throw ExclusiveAccess();
    StagedRestore staged = StageRestore(plan, progress);
    std::vector<std::string> oldPaths = CommitRestore(*impl_, request, plan, staged);
    // The catalog no longer names the old files; they go unless the server owns them.
    for (const std::string& old : oldPaths) {
        if (!OwnerOf(*impl_, old).Free()) continue;
        ::unlink(old.c_str());
        ::unlink((old + "-journal").c_str());
    }
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
    if (fileNumber < 1 || fileNumber > static_cast<int>(sets.size())) throw NoSuchBackupSet(fileNumber, file);
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

std::vector<BackupSetInfo> Session::ReadBackupSets(const BackupMedia& media) {
    return tvengine::ReadBackupSets(MediaPath(*impl_, media.file, media.device));
}

ResultSet Session::ReadFileList(const BackupMedia& media, int fileNumber) {
    std::string path = MediaPath(*impl_, media.file, media.device);
    return FileListOf(tvengine::ReadBackupSets(path), path, fileNumber);
}

} // namespace tvengine
