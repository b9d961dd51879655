// SQLite underneath the engine: connections with the busy timeout that lets several processes share an
// instance, statements whose values are always bound (never pasted into SQL text), the write and read
// scopes of catalog work, and the catalog's schema.
#include <unistd.h>

#include <cstring>

#include "internal.h"

namespace tvengine::detail {

Connection::Connection(const std::string& path, int flags, const char* what) : what_(what) {
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw Error(kErrInternal,
                    Format("Could not open the %s '%s': %s", what, path.c_str(), reason.c_str()));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Connection::~Connection() {
    if (db_) sqlite3_close_v2(db_);
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        if (db_) sqlite3_close_v2(db_);
        db_ = other.db_;
        what_ = other.what_;
        other.db_ = nullptr;
    }
    return *this;
}

void Connection::Fail(int code) const {
    int primary = code & 0xFF;
    std::string reason = sqlite3_errmsg(db_);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) throw LockTimeout();
    if (primary == SQLITE_READONLY) throw Error(kErrReadOnly, "The database is read-only: " + reason);
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        throw Error(kErrInternal, Format("The %s is damaged: %s", what_, reason.c_str()));
    if (primary == SQLITE_FULL) throw DiskFull(Format("the %s", what_));
    throw Error(kErrInternal, Format("The %s failed: %s", what_, reason.c_str()));
}

void Connection::Exec(const char* sql) {
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
}

Statement Connection::Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) Fail(rc);
    return Statement(*this, stmt);
}

Statement& Statement::Bind(int index, long long value) {
    if (int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK) connection_->Fail(rc);
    return *this;
}

Statement& Statement::Bind(int index, double value) {
    if (int rc = sqlite3_bind_double(stmt_, index, value); rc != SQLITE_OK) connection_->Fail(rc);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view value) {
    int rc = sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) connection_->Fail(rc);
    return *this;
}

Statement& Statement::BindNull(int index) {
    if (int rc = sqlite3_bind_null(stmt_, index); rc != SQLITE_OK) connection_->Fail(rc);
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    connection_->Fail(rc);
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string Statement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt_, column));
}

WriteScope::WriteScope(Connection& catalog, bool inTransaction) : catalog_(catalog), nested_(inTransaction) {
    // IMMEDIATE takes the write lock up front, so the busy timeout applies; a deferred transaction that
    // upgrades later could fail at once instead of waiting.
    catalog_.Exec(nested_ ? "SAVEPOINT engine_write" : "BEGIN IMMEDIATE");
}

WriteScope::~WriteScope() {
    if (done_) return;
    if (nested_)
        sqlite3_exec(catalog_.Handle(), "ROLLBACK TO engine_write; RELEASE engine_write", nullptr, nullptr,
                     nullptr);
    else
        sqlite3_exec(catalog_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteScope::Commit() {
    catalog_.Exec(nested_ ? "RELEASE engine_write" : "COMMIT");
    done_ = true;
}

ReadScope::ReadScope(Connection& catalog, bool inTransaction) : catalog_(catalog), active_(!inTransaction) {
    if (active_) catalog_.Exec("BEGIN");
}

ReadScope::~ReadScope() {
    if (active_) sqlite3_exec(catalog_.Handle(), "COMMIT", nullptr, nullptr, nullptr);
}

namespace {

// What each version of the catalog adds to the one before; an older instance is brought up to date the
// first time it is opened. Version 0 is the first schema of CreateCatalogSchema.
const char* const kUpgrades[] = {
    // 1: the agent's registration and the requests to start jobs
    R"sql(
CREATE TABLE IF NOT EXISTS agents(spid INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS job_requests(
    id INTEGER PRIMARY KEY,
    job_id TEXT NOT NULL REFERENCES jobs(job_id) ON DELETE CASCADE,
    step_name TEXT NOT NULL, requested INTEGER NOT NULL);
)sql",
    // 2: indexes on the job store's child tables, the run in progress, steps asked for by number, the
    // error of a failed step
    R"sql(
CREATE INDEX IF NOT EXISTS job_steps_job ON job_steps(job_id, step_id);
CREATE INDEX IF NOT EXISTS job_schedules_job ON job_schedules(job_id);
CREATE INDEX IF NOT EXISTS job_history_job ON job_history(job_id, id);
CREATE INDEX IF NOT EXISTS job_requests_job ON job_requests(job_id);
ALTER TABLE jobs ADD COLUMN current_step INTEGER NOT NULL DEFAULT 0;
ALTER TABLE jobs ADD COLUMN run_started INTEGER NOT NULL DEFAULT 0;
ALTER TABLE job_requests ADD COLUMN step_id INTEGER NOT NULL DEFAULT 0;
ALTER TABLE job_requests ADD COLUMN requested_by TEXT NOT NULL DEFAULT '';
ALTER TABLE job_history ADD COLUMN sql_message_id INTEGER NOT NULL DEFAULT 0;
ALTER TABLE job_history ADD COLUMN sql_severity INTEGER NOT NULL DEFAULT 0;
)sql",
};
constexpr int kCatalogVersion = sizeof(kUpgrades) / sizeof(kUpgrades[0]);

int CatalogVersion(Connection& catalog) {
    auto query = catalog.Prepare("PRAGMA user_version");
    return query.Step() ? static_cast<int>(query.Int(0)) : 0;
}

} // namespace

void UpgradeCatalog(Connection& catalog) {
    if (CatalogVersion(catalog) >= kCatalogVersion) return;
    WriteScope write(catalog, false);
    // Another process may have upgraded it while this one waited for the lock.
    int version = CatalogVersion(catalog);
    for (int next = version; next < kCatalogVersion; ++next)
        catalog.Exec(kUpgrades[next]);
    if (version < kCatalogVersion)
        catalog.Exec(("PRAGMA user_version = " + std::to_string(kCatalogVersion)).c_str());
    write.Commit();
}

Connection OpenCatalog(const std::string& instanceFolder, bool create) {
    std::string path = instanceFolder + "/catalog.db";
    if (create) {
        int fd = CreatePrivateFile(path);
        if (fd < 0) throw Error(kErrInternal, "Could not create the instance catalog " + path);
        ::close(fd);
    } else if (!FileExists(path)) {
        throw ServerNotFound();
    }
    Connection catalog(path, SQLITE_OPEN_READWRITE, "catalog");
    // WAL lets sessions of other processes read the catalog while one of them writes.
    catalog.Exec("PRAGMA journal_mode=WAL");
    catalog.Exec("PRAGMA synchronous=NORMAL");
    catalog.Exec("PRAGMA foreign_keys=ON");
    UpgradeCatalog(catalog);
    return catalog;
}

void CreateCatalogSchema(Connection& catalog) {
    catalog.Exec(R"sql(
CREATE TABLE settings(name TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE logins(
    name TEXT PRIMARY KEY COLLATE NOCASE,
    type INTEGER NOT NULL,
    password_hash TEXT,
    default_database TEXT NOT NULL DEFAULT 'master',
    language TEXT NOT NULL DEFAULT 'us_english',
    created INTEGER NOT NULL);
CREATE TABLE role_members(
    role TEXT NOT NULL COLLATE NOCASE,
    login TEXT NOT NULL COLLATE NOCASE REFERENCES logins(name) ON DELETE CASCADE,
    PRIMARY KEY(role, login));
CREATE TABLE databases(
    dbid INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    system INTEGER NOT NULL DEFAULT 0,
    read_only INTEGER NOT NULL DEFAULT 0,
    created INTEGER NOT NULL,
    owner TEXT);
CREATE TABLE files(
    dbid INTEGER NOT NULL REFERENCES databases(dbid) ON DELETE CASCADE,
    fileid INTEGER NOT NULL,
    logical_name TEXT NOT NULL,
    physical_name TEXT NOT NULL UNIQUE,
    type TEXT NOT NULL,
    filegroup TEXT NOT NULL,
    max_size INTEGER NOT NULL DEFAULT -1,
    PRIMARY KEY(dbid, fileid));
CREATE TABLE backup_devices(name TEXT PRIMARY KEY COLLATE NOCASE, physical_name TEXT NOT NULL);
CREATE TABLE backup_history(
    id INTEGER PRIMARY KEY,
    database_name TEXT NOT NULL COLLATE NOCASE,
    name TEXT, description TEXT, type TEXT NOT NULL,
    started INTEGER NOT NULL, finished INTEGER NOT NULL,
    device TEXT NOT NULL, position INTEGER NOT NULL, size INTEGER NOT NULL, user_name TEXT);
CREATE INDEX backup_history_database ON backup_history(database_name);
CREATE TABLE restore_history(
    id INTEGER PRIMARY KEY,
    database_name TEXT NOT NULL COLLATE NOCASE,
    restored INTEGER NOT NULL, device TEXT NOT NULL, position INTEGER NOT NULL,
    source_database TEXT, user_name TEXT);
CREATE TABLE processes(
    spid INTEGER PRIMARY KEY AUTOINCREMENT,
    pid INTEGER NOT NULL, pid_start TEXT NOT NULL,
    login TEXT NOT NULL, program TEXT NOT NULL,
    dbname TEXT COLLATE NOCASE,
    work_db TEXT COLLATE NOCASE, work_mode TEXT,
    login_time INTEGER NOT NULL);
CREATE TABLE job_categories(name TEXT PRIMARY KEY COLLATE NOCASE);
CREATE TABLE jobs(
    job_id TEXT PRIMARY KEY,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    category TEXT NOT NULL REFERENCES job_categories(name),
    description TEXT NOT NULL DEFAULT '',
    owner TEXT NOT NULL DEFAULT '',
    enabled INTEGER NOT NULL DEFAULT 1,
    start_step INTEGER NOT NULL DEFAULT 1,
    target_server TEXT NOT NULL DEFAULT '',
    current_status INTEGER NOT NULL DEFAULT 4,
    last_run_outcome INTEGER NOT NULL DEFAULT 5,
    last_run_date INTEGER NOT NULL DEFAULT 0,
    last_run_time INTEGER NOT NULL DEFAULT 0,
    created INTEGER NOT NULL, modified INTEGER NOT NULL);
CREATE TABLE job_steps(
    rowid INTEGER PRIMARY KEY,
    job_id TEXT NOT NULL REFERENCES jobs(job_id) ON DELETE CASCADE,
    step_id INTEGER NOT NULL, step_name TEXT NOT NULL, subsystem TEXT NOT NULL,
    command TEXT NOT NULL, database_name TEXT NOT NULL,
    on_success_action INTEGER NOT NULL, on_success_step INTEGER NOT NULL,
    on_fail_action INTEGER NOT NULL, on_fail_step INTEGER NOT NULL);
CREATE TABLE job_schedules(
    schedule_id INTEGER PRIMARY KEY,
    job_id TEXT NOT NULL REFERENCES jobs(job_id) ON DELETE CASCADE,
    name TEXT NOT NULL, enabled INTEGER NOT NULL,
    freq_type INTEGER NOT NULL, freq_interval INTEGER NOT NULL,
    freq_subday_type INTEGER NOT NULL, freq_subday_interval INTEGER NOT NULL,
    freq_relative_interval INTEGER NOT NULL, freq_recurrence_factor INTEGER NOT NULL,
    active_start_date INTEGER NOT NULL, active_end_date INTEGER NOT NULL,
    active_start_time INTEGER NOT NULL, active_end_time INTEGER NOT NULL,
    next_run_date INTEGER NOT NULL, next_run_time INTEGER NOT NULL);
CREATE TABLE job_history(
    id INTEGER PRIMARY KEY,
    job_id TEXT NOT NULL REFERENCES jobs(job_id) ON DELETE CASCADE,
    step_id INTEGER NOT NULL, step_name TEXT NOT NULL, message TEXT NOT NULL,
    run_status INTEGER NOT NULL, run_date INTEGER NOT NULL, run_time INTEGER NOT NULL,
    run_duration INTEGER NOT NULL);
INSERT INTO job_categories(name) VALUES ('[Uncategorized (Local)]'), ('Database Maintenance');
)sql");
}

} // namespace tvengine::detail
