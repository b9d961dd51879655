// Databases of an instance: each is a SQLite data file (.mdf) with a log file (_log.LDF) beside it,
// listed in the catalog with its options. Here: creation and drop (refused while the database is in
// use), the figures that the database list shows, the read-only option (enforced by opening the data
// file read-only for every statement), file groups, the lock list of the sessions using a database,
// and running SQL in a database.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "internal.h"
#include "session_impl.h"

namespace tvengine {

using namespace detail;

namespace {

constexpr double kMB = 1024.0 * 1024.0;

// The free pages of a SQLite file, read from its header: a thousand databases are listed without
// opening a thousand connections.
long long FreeBytes(const std::string& dataPath) {
    int fd = ::open(dataPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    unsigned char header[100];
    ssize_t got = ::pread(fd, header, sizeof(header), 0);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof(header)) || std::memcmp(header, "SQLite format 3", 16) != 0)
        return 0;
    long long pageSize = (header[16] << 8) | header[17];
    if (pageSize == 1) pageSize = 65536;
    long long freePages =
        (static_cast<long long>(header[36]) << 24) | (header[37] << 16) | (header[38] << 8) | header[39];
    return pageSize * freePages;
}

DatabaseInfo Describe(const SessionImpl::DatabaseRow& row, std::time_t lastBackup) {
    DatabaseInfo info;
    info.id = row.id;
    info.name = row.name;
    info.systemObject = row.system;
    info.readOnly = row.readOnly;
    info.created = row.created;
    info.lastBackup = lastBackup;
    info.files = row.files;
    long long dataBytes = 0, dataFree = 0, logBytes = 0;
    for (const auto& file : row.files) {
        if (file.type == 'L') {
            logBytes += file.sizeBytes;
        } else {
            if (!FileExists(file.physicalName)) info.status = kStatusSuspect;
            dataBytes += file.sizeBytes;
            dataFree += FreeBytes(file.physicalName);
        }
    }
    // The log holds what an open transaction has written aside; a quiet database's log is all free.
    long long logUsed = 0;
    if (const auto* data = row.DataFile()) logUsed = std::max(0LL, FileSize(data->physicalName + "-journal"));
    long long logFree = std::max(0LL, logBytes - logUsed);
    info.sizeMB = static_cast<int>((dataBytes + logBytes) / (1024 * 1024));
    info.spaceAvailableMB = (dataFree + logFree) / kMB;
    info.logSizeMB = static_cast<int>(logBytes / (1024 * 1024));
    info.logSpaceAvailableMB = logFree / kMB;
    return info;
}

std::map<std::string, std::time_t> LastBackups(Connection& catalog) {
    std::map<std::string, std::time_t> last;
    auto query = catalog.Prepare("SELECT lower(database_name), max(finished) FROM backup_history GROUP BY 1");
    while (query.Step())
        last[query.Text(0)] = query.Int(1);
    return last;
}

void CheckDatabaseName(const std::string& name) {
    bool bad = name.empty() || name.size() > 123;
    for (unsigned char c : name)
        if (c < 0x20) bad = true;
    if (bad) throw Error(kErrSyntax, "'" + name + "' is not a valid database name.");
}

void RequireFolder(const std::string& path) {
    std::string folder = FolderOf(path);
    if (!FileExists(folder))
        throw Error(5123, "CREATE FILE encountered operating system error 2(The system cannot find the path "
                          "specified.) while attempting to open or create the physical file '" +
                              path + "'.");
}

} // namespace

namespace detail {

void CreateDatabaseFiles(const std::string& dataPath, const std::string& logPath, long long logSize) {
    int data = CreatePrivateFile(dataPath);
    if (data < 0) {
        int error = errno;
        if (error == EEXIST)
            throw Error(kErrFileExists,
                        "Cannot create file '" + dataPath +
                            "' because it already exists. Change the file path or the file name, "
                            "and retry the operation.");
        throw Error(
            5123, Format("CREATE FILE encountered operating system error %d(%s) while attempting to open or "
                         "create the physical file '%s'.",
                         error, strerror(error), dataPath.c_str()));
    }
    ::close(data);
    try {
        Connection db(dataPath, SQLITE_OPEN_READWRITE, "database");
        // Writing the header makes the file a database of its own from the start.
        db.Exec("PRAGMA application_id = 1415926085; PRAGMA user_version = 1");
    } catch (...) {
        ::unlink(dataPath.c_str());
        throw;
    }
    int log = CreatePrivateFile(logPath);
    if (log < 0) {
        int error = errno;
        ::unlink(dataPath.c_str());
        if (error == EEXIST)
            throw Error(kErrFileExists,
                        "Cannot create file '" + logPath +
                            "' because it already exists. Change the file path or the file name, "
                            "and retry the operation.");
        throw Error(
            5123, Format("CREATE FILE encountered operating system error %d(%s) while attempting to open or "
                         "create the physical file '%s'.",
                         error, strerror(error), logPath.c_str()));
    }
    int rc = ::ftruncate(log, logSize);
    ::close(log);
    if (rc != 0) {
        ::unlink(dataPath.c_str());
        ::unlink(logPath.c_str());
        throw Error(1105, "Could not allocate space for the log file '" + logPath + "': the disk is full.");
    }
}

void InsertDatabaseRow(Connection& catalog, const std::string& name, bool system, const DatabaseSpec& spec,
                       const std::string& dataPath, const std::string& logPath, const std::string& owner) {
    catalog.Prepare("INSERT INTO databases(name, system, read_only, created, owner) VALUES (?, ?, 0, ?, ?)")
        .With(name, system ? 1 : 0, static_cast<long long>(std::time(nullptr)), owner)
        .Run();
    long long dbid = catalog.LastInsertId();
    auto file = catalog.Prepare("INSERT INTO files(dbid, fileid, logical_name, physical_name, type, "
                                "filegroup) VALUES (?, ?, ?, ?, ?, ?)");
    file.With(dbid, 1, spec.dataLogicalName.empty() ? name : spec.dataLogicalName, dataPath, "D", "PRIMARY")
        .Run();
    file.Reset();
    file.With(dbid, 2, spec.logLogicalName.empty() ? name + "_log" : spec.logLogicalName, logPath, "L", "")
        .Run();
}

} // namespace detail

std::vector<DatabaseInfo> Session::Databases() {
    std::vector<DatabaseInfo> list;
    ReadScope read(impl_->catalog, impl_->inTransaction);
    auto rows = impl_->AllDatabases();
    auto last = LastBackups(impl_->catalog);
    for (const auto& row : rows) {
        auto found = last.find(Lower(row.name));
        list.push_back(Describe(row, found == last.end() ? 0 : found->second));
    }
    return list;
}

DatabaseInfo Session::Database(const std::string& name) {
    ReadScope read(impl_->catalog, impl_->inTransaction);
    auto row = impl_->RequireDatabase(name);
    auto query = impl_->catalog.Prepare("SELECT max(finished) FROM backup_history WHERE database_name = ?");
    std::time_t last = query.With(row.name).Step() ? query.Int(0) : 0;
    return Describe(row, last);
}

bool Session::DatabaseExists(const std::string& name) {
    return impl_->FindDatabase(name).has_value();
}

void Session::CreateDatabase(const DatabaseSpec& requested) {
    if (!impl_->sysadmin)
        throw Error(kErrPermissionCreateDb, "CREATE DATABASE permission denied in database 'master'.");
    impl_->RequireNoTransaction(226,
                                "CREATE DATABASE statement not allowed within multi-statement transaction.");
    CheckDatabaseName(requested.name);
    DatabaseSpec spec = requested;
    std::string base = impl_->settings.dataFolder + "/" + SafeFileName(spec.name);
    std::string dataPath = spec.dataFile.empty() ? base + ".mdf" : NativePath(spec.dataFile);
    std::string logPath = spec.logFile.empty() ? base + "_log.LDF" : NativePath(spec.logFile);
    for (const std::string& path : {dataPath, logPath})
        if (path.rfind(impl_->settings.rootFolder + "/catalog.db", 0) == 0)
            throw Error(kErrFileExists, "Cannot create file '" + path +
                                            "' because it already exists. Change the file path or the file "
                                            "name, and retry the operation.");
    if (dataPath == logPath)
        throw Error(1828,
                    "The logical file name or physical file name of the log and the data file are the same.");
    if (spec.logSizeBytes < 512 * 1024) spec.logSizeBytes = 512 * 1024;

    WriteScope write(impl_->catalog, false);
    if (impl_->FindDatabase(spec.name))
        throw Error(kErrDatabaseExists, "Database '" + spec.name + "' already exists.");
    auto owner = impl_->catalog.Prepare(
        "SELECT d.name FROM files f JOIN databases d ON d.dbid = f.dbid WHERE f.physical_name = ?");
    for (const std::string& path : {dataPath, logPath}) {
        if (owner.With(path).Step())
            throw Error(kErrFileInUse, "The file '" + path +
                                           "' cannot be overwritten.  It is being used by database '" +
                                           owner.Text(0) + "'.");
        owner.Reset();
        RequireFolder(path);
    }
    CreateDatabaseFiles(dataPath, logPath, spec.logSizeBytes);
    try {
        InsertDatabaseRow(impl_->catalog, spec.name, false, spec, dataPath, logPath, impl_->login);
        write.Commit();
    } catch (...) {
        ::unlink(dataPath.c_str());
        ::unlink(logPath.c_str());
        throw;
    }
}

void Session::DropDatabase(const std::string& name) {
    impl_->RequireSysadmin();
    impl_->RequireNoTransaction(226,
                                "DROP DATABASE statement not allowed within multi-statement transaction.");
    std::vector<std::string> paths;
    {
        WriteScope write(impl_->catalog, false);
        auto row = impl_->RequireDatabase(name);
        if (row.system)
            throw Error(kErrDropSystem,
                        "Cannot drop the database '" + row.name + "' because it is a system database.");
        if (!impl_->SessionsUsing(row.name, true).empty())
            throw Error(kErrDropInUse,
                        "Cannot drop the database '" + row.name + "' because it is currently in use.");
        impl_->catalog.Prepare("DELETE FROM databases WHERE dbid = ?").With(row.id).Run();
        impl_->catalog.Prepare("DELETE FROM backup_history WHERE database_name = ?").With(row.name).Run();
        for (const auto& file : row.files)
            paths.push_back(file.physicalName);
        write.Commit();
    }
    // The catalog no longer names the files; removing them can no longer hurt a session.
    for (const std::string& path : paths) {
        ::unlink(path.c_str());
        ::unlink((path + "-journal").c_str());
    }
}

void Session::SetReadOnly(const std::string& database, bool readOnly) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto row = impl_->RequireDatabase(database);
    if (row.system && (EqualsNoCase(row.name, "master") || EqualsNoCase(row.name, "tempdb")))
        throw Error(5058, "Option 'read only' cannot be set in database '" + row.name + "'.");
    if (!impl_->SessionsUsing(row.name, false).empty())
        throw Error(5070, "Database state cannot be changed while other users are using the database '" +
                              row.name + "'");
    if (readOnly && row.DataFile() && FileExists(row.DataFile()->physicalName)) {
        // A read-only database is opened read-only, which cannot roll back what a crashed writer left in
        // the journal: settle that now.
        Connection db(row.DataFile()->physicalName, SQLITE_OPEN_READWRITE, "database");
        db.Exec("SELECT count(*) FROM sqlite_master");
    }
    impl_->catalog.Prepare("UPDATE databases SET read_only = ? WHERE dbid = ?")
        .With(readOnly ? 1 : 0, row.id)
        .Run();
    write.Commit();
}

std::vector<FileGroupInfo> Session::FileGroups(const std::string& database) {
    auto row = impl_->RequireDatabase(database);
    std::vector<FileGroupInfo> groups;
    for (const auto& file : row.files) {
        if (file.type != 'D') continue;
        auto group = std::find_if(groups.begin(), groups.end(), [&](const FileGroupInfo& g) {
            return EqualsNoCase(g.name, file.fileGroup);
        });
        if (group == groups.end()) group = groups.insert(groups.end(), FileGroupInfo{file.fileGroup, {}});
        group->files.push_back(file);
    }
    return groups;
}

ResultSet Session::EnumLocks(const std::string& database, int who) {
    ResultSet locks({{"req_spid", ColumnType::Integer},
                     {"locktype", ColumnType::WVarChar},
                     {"dbname", ColumnType::WVarChar},
                     {"tablename", ColumnType::WVarChar},
                     {"indexname", ColumnType::WVarChar},
                     {"status", ColumnType::TinyInt}});
    ReadScope read(impl_->catalog, impl_->inTransaction);
    auto row = impl_->RequireDatabase(database);
    auto query = impl_->catalog.Prepare(
        "SELECT spid, pid, pid_start, dbname = ?1, work_db = ?1, work_mode FROM processes "
        "WHERE dbname = ?1 OR work_db = ?1 ORDER BY spid");
    query.With(row.name);
    while (query.Step()) {
        long long spid = query.Int(0);
        if (who != -1 && spid != who) continue;
        if (spid != impl_->spid && !ProcessAlive(query.Int(1), query.Text(2))) continue;
        // A session in the database holds a shared lock on it; work in progress holds its own mode.
        if (query.Int(3)) locks.AddRow({spid, std::string("S"), row.name, std::string(), std::string(), 1LL});
        if (query.Int(4)) locks.AddRow({spid, query.Text(5), row.name, std::string(), std::string(), 1LL});
    }
    return locks;
}

std::string QuoteIdentifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::vector<ResultSet> Session::ExecuteWith(const std::string& database, const std::string& sql,
                                            const std::vector<Value>& parameters) {
    return impl_->RunSql(database, sql, &parameters);
}

std::vector<ResultSet> Session::Execute(const std::string& database, const std::string& sql,
                                        const Progress& progress) {
    if (IsBackupStatement(sql)) {
        BackupRequest request = ParseBackupStatement(sql);
        int every = request.stats, next = request.stats;
        // Each multiple of STATS is reported once, also when the work passes several in one step.
        Backup(request, [&](int percent) {
            for (; progress && every > 0 && next <= percent; next += every)
                progress(next);
        });
        return {};
    }
    return impl_->RunSql(database, sql, nullptr);
}

std::vector<ResultSet> SessionImpl::RunSql(const std::string& database, const std::string& sql,
                                           const std::vector<Value>* parameters) {
    auto row = RequireDatabase(database);
    if (row.system) RequireSysadmin();
    const DatabaseFileInfo* data = row.DataFile();
    if (!data || !FileExists(data->physicalName))
        throw Error(926,
                    "Database '" + row.name + "' cannot be opened. It has been marked SUSPECT by recovery.");
    WorkInDatabase work(*this, row.name, "S");

    Connection db(data->physicalName, row.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                  "database");
    if (row.readOnly) db.Exec("PRAGMA query_only = 1");
    std::vector<ResultSet> results;
    const char* next = sql.c_str();
    while (next && *next) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v2(db.Handle(), next, -1, &raw, &tail);
        if (rc != SQLITE_OK) throw Error(kErrSyntax, sqlite3_errmsg(db.Handle()));
        next = tail;
        if (!raw) continue; // blanks or a comment
        Statement statement(db, raw);
        int wanted = sqlite3_bind_parameter_count(raw);
        if (wanted > 0 && (!parameters || static_cast<int>(parameters->size()) < wanted))
            throw Error(kErrSyntax, Format("The statement needs %d parameters and was given %d.", wanted,
                                           parameters ? static_cast<int>(parameters->size()) : 0));
        for (int p = 1; p <= wanted; ++p) {
            const Value& value = (*parameters)[p - 1];
            if (auto* integer = std::get_if<long long>(&value))
                statement.Bind(p, *integer);
            else if (auto* real = std::get_if<double>(&value))
                statement.Bind(p, *real);
            else if (auto* text = std::get_if<std::string>(&value))
                statement.Bind(p, *text);
            else
                statement.BindNull(p);
        }
        bool writes = !sqlite3_stmt_readonly(raw);
        if (writes && row.readOnly)
            throw Error(kErrReadOnly,
                        "Failed to update database \"" + row.name + "\" because the database is read-only.");
        int columns = sqlite3_column_count(raw);
        std::vector<Column> header;
        for (int c = 0; c < columns; ++c) {
            const char* declared = sqlite3_column_decltype(raw, c);
            std::string type = declared ? Lower(declared) : std::string();
            ColumnType kind = ColumnType::WVarChar;
            if (type.find("bigint") != std::string::npos)
                kind = ColumnType::BigInt;
            else if (type.find("int") != std::string::npos)
                kind = ColumnType::Integer;
            else if (type.find("real") != std::string::npos || type.find("floa") != std::string::npos ||
                     type.find("doub") != std::string::npos)
                kind = ColumnType::Float;
            else if (type.find("blob") != std::string::npos || type.find("binary") != std::string::npos)
                kind = ColumnType::Binary;
            else if (type.empty())
                kind = ColumnType::VarChar; // settled by the first row below
            header.push_back({sqlite3_column_name(raw, c), kind});
        }
        ResultSet result(header);
        bool first = true;
        while (statement.Step()) {
            std::vector<Value> values;
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(raw, c)) {
                case SQLITE_INTEGER:
                    values.emplace_back(statement.Int(c));
                    break;
                case SQLITE_FLOAT:
                    values.emplace_back(statement.Real(c));
                    break;
                case SQLITE_NULL:
                    values.emplace_back(std::monostate{});
                    break;
                default:
                    values.emplace_back(statement.Text(c));
                    break;
                }
            }
            if (first && columns > 0) {
                // An expression has no declared type: its first value tells.
                std::vector<Column> settled = result.Columns();
                for (int c = 0; c < columns; ++c) {
                    if (sqlite3_column_decltype(raw, c)) continue;
                    int type = sqlite3_column_type(raw, c);
                    settled[c].type = type == SQLITE_INTEGER ? ColumnType::BigInt
                                      : type == SQLITE_FLOAT ? ColumnType::Float
                                                             : ColumnType::WVarChar;
                }
                ResultSet retyped(settled);
                result = retyped;
            }
            first = false;
            result.AddRow(std::move(values));
        }
        if (columns > 0) results.push_back(std::move(result));
    }
    return results;
}

} // namespace tvengine
