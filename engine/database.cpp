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

#include "errors.h"
#include "files.h"
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

// The gate of caller SQL: what a statement may do is decided while it is prepared. The statement stays
// in its own database (no ATTACH or DETACH, no VACUUM, which can write a copy anywhere), leaves the
// engine's safety settings and the schema tables alone, and loads no code.
struct Gate {
    bool readOnly = false;
    std::string refused; // what the last refusal was about
    bool wrote = false;  // the refusal was of a write to a read-only database
};

// PRAGMAs that only read; with an argument only those that take a table or index name.
bool ReadingPragma(const char* name, const char* argument) {
    static const char* const kBare[] = {"page_count",  "page_size",       "freelist_count", "schema_version",
                                        "encoding",    "collation_list",  "function_list",  "module_list",
                                        "pragma_list", "compile_options", "data_version"};
    static const char* const kOnTable[] = {"table_info",        "table_xinfo",     "index_list",
                                           "index_info",        "index_xinfo",     "foreign_key_list",
                                           "foreign_key_check", "integrity_check", "quick_check"};
    std::string lower = Lower(name);
    // Values of the database's own header and of this connection's behaviour: neither reaches a file
    // nor weakens a safeguard.
    if (lower == "user_version" || lower == "application_id" || lower == "foreign_keys" ||
        lower == "recursive_triggers")
        return true;
    for (const char* known : kOnTable)
        if (lower == known) return true;
    if (argument) return false;
    for (const char* known : kBare)
        if (lower == known) return true;
    return false;
}

bool IsSchemaTable(const char* name) {
    std::string lower = Lower(name);
    return lower == "sqlite_master" || lower == "sqlite_schema" || lower == "sqlite_temp_master" ||
           lower == "sqlite_temp_schema";
}

int Authorize(void* data, int action, const char* a, const char* b, const char*, const char*) {
    Gate& gate = *static_cast<Gate*>(data);
    switch (action) {
    case SQLITE_ATTACH:
        gate.refused = "ATTACH";
        return SQLITE_DENY;
    case SQLITE_DETACH:
        gate.refused = "DETACH";
        return SQLITE_DENY;
    case SQLITE_PRAGMA:
        // A read-only database takes no value at all: that refusal says read-only.
        if (b && gate.readOnly) {
            gate.wrote = true;
            return SQLITE_DENY;
        }
        if (ReadingPragma(a, b)) return SQLITE_OK;
        gate.refused = "PRAGMA " + std::string(a);
        return SQLITE_DENY;
    case SQLITE_FUNCTION:
        if (b && (EqualsNoCase(b, "load_extension") || EqualsNoCase(b, "fts3_tokenizer"))) {
            gate.refused = "EXECUTE " + std::string(b);
            return SQLITE_DENY;
        }
        return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_DROP_TABLE:
    case SQLITE_ALTER_TABLE:
        // CREATE and DROP check their own bookkeeping in the schema table, which defensive mode keeps
        // from being written by hand; the other sqlite_ tables are written only by SQLite itself.
        if (a && Lower(a).rfind("sqlite_", 0) == 0 && !IsSchemaTable(a)) {
            gate.refused = "UPDATE " + std::string(a);
            return SQLITE_DENY;
        }
        return SQLITE_OK;
    default:
        return SQLITE_OK;
    }
}

// True when a statement's text starts with the word VACUUM (VACUUM INTO writes a file anywhere).
bool IsVacuum(const char* sql, const char* tail) {
    std::string text(sql, tail ? static_cast<size_t>(tail - sql) : std::strlen(sql));
    size_t at = 0;
    for (;;) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
            ++at;
        if (text.compare(at, 2, "--") == 0)
            at = text.find('\n', at) == std::string::npos ? text.size() : text.find('\n', at);
        else if (text.compare(at, 2, "/*") == 0)
            at = text.find("*/", at) == std::string::npos ? text.size() : text.find("*/", at) + 2;
        else
            break;
    }
    return text.size() - at >= 6 && EqualsNoCase(std::string_view(text).substr(at, 6), "vacuum");
}

void RequireFolder(const std::string& path) {
    if (!FileExists(FolderOf(path))) throw CreateFileFailed(path, ENOENT);
}

// Opens a database for caller SQL, behind the gate.
void CloseTheGate(Connection& db, Gate& gate) {
    sqlite3* handle = db.Handle();
    sqlite3_limit(handle, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_set_authorizer(handle, Authorize, &gate);
}

} // namespace

namespace detail {

void CreateDatabaseFiles(const std::string& dataPath, const std::string& logPath, long long logSize) {
    int data = CreatePrivateFile(dataPath);
    if (data < 0) {
        int error = errno;
        if (error == EEXIST) throw FileExistsAlready(dataPath);
        throw CreateFileFailed(dataPath, error);
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
        if (error == EEXIST) throw FileExistsAlready(logPath);
        throw CreateFileFailed(logPath, error);
    }
    // The log's space is taken now, so a full disk shows at creation and not in the middle of work.
    int rc = ::posix_fallocate(log, 0, logSize);
    if (rc == EINVAL || rc == EOPNOTSUPP) rc = ::ftruncate(log, logSize) == 0 ? 0 : errno;
    ::close(log);
    if (rc != 0) {
        ::unlink(dataPath.c_str());
        ::unlink(logPath.c_str());
        if (rc == ENOSPC || rc == EDQUOT) throw DiskFull("the log file '" + logPath + "'");
        throw CreateFileFailed(logPath, rc);
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
    if (!impl_->sysadmin) throw CreateDatabaseDenied();
    if (impl_->inTransaction) throw StatementInTransaction("CREATE DATABASE");
    CheckName("database", requested.name, kDatabaseNameLength);
    DatabaseSpec spec = requested;
    // Paths are stored absolute: a relative name is in the instance's Data folder, never the caller's
    // working folder, so a later drop from anywhere removes these files and no others.
    std::string base = SafeFileName(spec.name);
    std::string dataPath =
        Canonical(spec.dataFile.empty() ? base + ".mdf" : spec.dataFile, impl_->settings.dataFolder).path;
    std::string logPath =
        Canonical(spec.logFile.empty() ? base + "_log.LDF" : spec.logFile, impl_->settings.dataFolder).path;
    if (dataPath == logPath) throw SameFileNames();
    if (spec.logSizeBytes < 512 * 1024) spec.logSizeBytes = 512 * 1024;

    WriteScope write(impl_->catalog, false);
    if (impl_->FindDatabase(spec.name)) throw DatabaseAlreadyExists(spec.name);
    for (const std::string& path : {dataPath, logPath}) {
        RequireFolder(path);
        PathOwner owner = OwnerOf(*impl_, path);
        if (!owner.database.empty()) throw FileInUse(path, owner.database);
        if (owner.server) throw FileExistsAlready(path);
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
    if (impl_->inTransaction) throw StatementInTransaction("DROP DATABASE");
    std::vector<std::string> paths;
    {
        WriteScope write(impl_->catalog, false);
        auto row = impl_->RequireDatabase(name);
        if (row.system) throw DropSystem(row.name);
        if (!impl_->SessionsUsing(row.name, true).empty()) throw DropInUse(row.name);
        impl_->catalog.Prepare("DELETE FROM databases WHERE dbid = ?").With(row.id).Run();
        impl_->catalog.Prepare("DELETE FROM backup_history WHERE database_name = ?").With(row.name).Run();
        for (const auto& file : row.files)
            paths.push_back(Canonical(file.physicalName, impl_->settings.dataFolder).path);
        write.Commit();
    }
    // The catalog no longer names the files; removing them can no longer hurt a session. A file that
    // the server owns (another database's, a catalog) is never removed, whatever the row said.
    for (const std::string& path : paths) {
        if (!OwnerOf(*impl_, path).Free()) continue;
        ::unlink(path.c_str());
        ::unlink((path + "-journal").c_str());
    }
}

void Session::SetReadOnly(const std::string& database, bool readOnly) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto row = impl_->RequireDatabase(database);
    if (row.system && (EqualsNoCase(row.name, "master") || EqualsNoCase(row.name, "tempdb")))
        throw OptionNotAllowed("read only", row.name);
    if (!impl_->SessionsUsing(row.name, false).empty()) throw StateInUse(row.name);
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

std::vector<ResultSet> Session::ExecuteAsLogin(const std::string& login, const std::string& database,
                                               const std::string& sql, const Progress& progress) {
    impl_->RequireSysadmin();
    bool sysadmin = false;
    std::string name;
    {
        ReadScope read(impl_->catalog, impl_->inTransaction);
        auto query = impl_->catalog.Prepare("SELECT name FROM logins WHERE name = ?");
        if (!query.With(login).Step()) throw NoSuchLogin(login);
        name = query.Text(0);
        auto role =
            impl_->catalog.Prepare("SELECT 1 FROM role_members WHERE role = 'sysadmin' AND login = ?");
        sysadmin = role.With(name).Step();
    }
    // The session takes the login's rights for the length of the call and gets its own back after.
    struct Rights {
        SessionImpl& session;
        std::string login;
        bool sysadmin;
        ~Rights() {
            session.login = login;
            session.sysadmin = sysadmin;
        }
    } restore{*impl_, impl_->login, impl_->sysadmin};
    impl_->login = name;
    impl_->sysadmin = sysadmin;
    return Execute(database, sql, progress);
}

std::vector<ResultSet> SessionImpl::RunSql(const std::string& database, const std::string& sql,
                                           const std::vector<Value>* parameters) {
    auto row = RequireDatabase(database);
    if (row.system) RequireSysadmin();
    const DatabaseFileInfo* data = row.DataFile();
    if (!data || !FileExists(data->physicalName)) throw Suspect(row.name);
    WorkInDatabase work(*this, row.name, "S");

    Connection db(data->physicalName, row.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                  "database");
    if (row.readOnly) db.Exec("PRAGMA query_only = 1");
    Gate gate;
    gate.readOnly = row.readOnly;
    CloseTheGate(db, gate);
    std::vector<ResultSet> results;
    const char* next = sql.c_str();
    while (next && *next) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        gate.refused.clear();
        gate.wrote = false;
        int rc = sqlite3_prepare_v2(db.Handle(), next, -1, &raw, &tail);
        if (rc != SQLITE_OK) {
            // A refusal of the gate, whichever error SQLite reports it with, and what defensive mode
            // and the attach limit refuse on their own, are the same refusal.
            std::string reason = sqlite3_errmsg(db.Handle());
            if (gate.wrote) throw ReadOnlyDatabase(row.name);
            if (!gate.refused.empty()) throw PermissionDenied(gate.refused, row.name);
            if (reason.find("too many attached") == 0) throw PermissionDenied("ATTACH", row.name);
            if (reason.find("may not be modified") != std::string::npos)
                throw PermissionDenied("UPDATE " + reason.substr(6, reason.find(' ', 6) - 6), row.name);
        }
        if (rc != SQLITE_OK) throw Error(kErrSyntax, sqlite3_errmsg(db.Handle()));
        if (raw && IsVacuum(next, tail)) {
            sqlite3_finalize(raw);
            throw PermissionDenied("VACUUM", row.name);
        }
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
        if (writes && row.readOnly) throw ReadOnlyDatabase(row.name);
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
