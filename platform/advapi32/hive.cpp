// The registry hive: one SQLite file per prefix, holding the keys as a tree of rows (each row names its
// parent) and the values beside them. A missing hive is created (the file 0600 in a 0700 prefix); an
// existing file that cannot be opened or fails its check is reported by name and never touched, so a
// damaged hive is not silently replaced and nothing in it is lost.
//
// Every registry call is one transaction, immediate when it writes, with a busy timeout, so that the
// console, the agent and the tools can write at once without losing each other's changes. The callers
// in registry.cpp hold the registry lock around every use of this file's functions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>

#include "advapi32_internal.h"
#include "tvplatform.h"
#include "tvregistry.h"

namespace adv {

namespace {

constexpr int64_t kApplicationId = 0x54565247; // "TVRG" in the file header marks a registry hive
constexpr int64_t kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 30000;

const char kSchema[] = R"(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    written INTEGER NOT NULL,
    CHECK (parent <> id));
CREATE UNIQUE INDEX keys_by_name ON keys(parent, fold);
CREATE TABLE vals(
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    fold TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL);
CREATE UNIQUE INDEX vals_by_name ON vals(key, fold);
CREATE INDEX vals_in_order ON vals(key);
)";

std::mutex g_problemLock;
std::string g_problem;
std::string g_lastPrinted;

std::map<std::string, std::unique_ptr<Hive>> g_hives;

// Connections inherited across a fork: the child must neither use nor close them, and keeping them here
// keeps them reachable rather than leaked.
std::vector<sqlite3*> g_inherited;

// 100-nanosecond ticks since 1601, as FILETIME counts.
int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<int64_t>(now.tv_sec) + 11644473600LL) * 10000000LL + now.tv_nsec / 100;
}

LONG ErrnoCode(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED
                                                               : ERROR_REGISTRY_IO_FAILED;
}

std::string Narrow(std::wstring_view text) {
    return tvp::ToUtf8(text);
}

} // namespace

// A cached prepared statement, reset when it goes out of scope. A SQLite failure throws HiveError.
class Statement {
public:
    Statement(Hive& hive, const char* sql) : hive_(hive), stmt_(hive.Prepare(sql)) {}
    ~Statement() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int64_t value) { return Checked(sqlite3_bind_int64(stmt_, ++bound_, value)); }
    Statement& Bind(std::wstring_view text) {
        std::string utf8 = Narrow(text);
        return Checked(
            sqlite3_bind_text(stmt_, ++bound_, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    }
    Statement& BindBlob(const std::vector<BYTE>& data) {
        // A zero-length blob, not NULL: an empty REG_BINARY value is a value.
        const void* bytes = data.empty() ? static_cast<const void*>("") : data.data();
        return Checked(
            sqlite3_bind_blob(stmt_, ++bound_, bytes, static_cast<int>(data.size()), SQLITE_TRANSIENT));
    }

    bool Step() {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw HiveError{hive_.Fail(rc)};
    }

    int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
    std::wstring Text(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text ? tvp::FromUtf8(std::string_view(text, sqlite3_column_bytes(stmt_, column)))
                    : std::wstring();
    }
    std::vector<BYTE> Blob(int column) {
        const auto* bytes = static_cast<const BYTE*>(sqlite3_column_blob(stmt_, column));
        int size = sqlite3_column_bytes(stmt_, column);
        return bytes ? std::vector<BYTE>(bytes, bytes + size) : std::vector<BYTE>();
    }

private:
    Statement& Checked(int rc) {
        if (rc != SQLITE_OK) throw HiveError{hive_.Fail(rc)};
        return *this;
    }
    Hive& hive_;
    sqlite3_stmt* stmt_;
    int bound_ = 0;
};

// --- Problems ---------------------------------------------------------------------------------------

void ReportProblem(const std::string& text) {
    std::lock_guard<std::mutex> lock(g_problemLock);
    g_problem = text;
    // A damaged hive fails every call; the debug output says so once, not once per call.
    if (text != g_lastPrinted) {
        OutputDebugStringA(("registry: " + text + "\n").c_str());
        g_lastPrinted = text;
    }
}

void ClearProblem() {
    std::lock_guard<std::mutex> lock(g_problemLock);
    g_problem.clear();
}

// --- Finding the hive -------------------------------------------------------------------------------

std::string CurrentHivePath() {
    return tvp::Prefix() + "/registry.db";
}

Hive& HiveAt(const std::string& path) {
    auto& slot = g_hives[path];
    if (!slot) slot = std::make_unique<Hive>(path);
    return *slot;
}

void ForgetHives(const std::vector<std::string>& inUse) {
    std::string current = CurrentHivePath();
    for (auto it = g_hives.begin(); it != g_hives.end();) {
        bool used = it->first == current;
        for (const auto& path : inUse)
            used = used || path == it->first;
        it = used ? std::next(it) : g_hives.erase(it);
    }
}

// --- Opening and checking ---------------------------------------------------------------------------

Hive::~Hive() {
    Close();
}

void Hive::Close() {
    if (!db_) return;
    if (pid_ != getpid()) {
        g_inherited.push_back(db_);
    } else {
        for (auto& [sql, stmt] : statements_)
            sqlite3_finalize(stmt);
        sqlite3_close_v2(db_);
    }
    statements_.clear();
    db_ = nullptr;
    recheck_ = false;
}

LONG Hive::Ready() {
    if (db_ && pid_ != getpid()) Close();
    if (db_ && recheck_) Close();
    if (db_) {
        struct stat st {};
        if (stat(path_.c_str(), &st) != 0 || st.st_dev != device_ || st.st_ino != inode_) Close();
    }
    return db_ ? ERROR_SUCCESS : Open();
}

LONG Hive::Open() {
    std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder.parent_path(), ec);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            int error = errno;
            ReportProblem("The registry hive " + path_ + " cannot be created: the folder " + folder.string() +
                          " cannot be made (" + std::strerror(error) + ").");
            return ErrnoCode(error);
        }
    }
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        close(fd); // a new empty file; Check() gives it its tables
    } else if (errno != EEXIST) {
        int error = errno;
        ReportProblem("The registry hive " + path_ + " cannot be created (" + std::strerror(error) + ").");
        return ErrnoCode(error);
    }

    // SQLite would quietly open a file it may only read, and says little about one it cannot open; look
    // first, so that the problem names its cause.
    fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        ReportProblem("The registry hive " + path_ + " cannot be opened (" + std::strerror(error) + ").");
        return ErrnoCode(error);
    }
    struct stat st {};
    int statResult = fstat(fd, &st);
    close(fd);
    if (statResult != 0 || !S_ISREG(st.st_mode)) {
        ReportProblem("The registry hive " + path_ + " is not a file.");
        return ERROR_REGISTRY_IO_FAILED;
    }

    int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    pid_ = getpid();
    device_ = st.st_dev;
    inode_ = st.st_ino;
    if (rc != SQLITE_OK) {
        LONG result = Fail(rc);
        Close();
        return result;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    LONG result = Check();
    if (result != ERROR_SUCCESS) Close();
    return result;
}

LONG Hive::Damaged(const std::string& why) {
    ReportProblem("The registry hive " + path_ + " is damaged (" + why +
                  "). It was left as it is: restore it from a backup, or move it aside to start with an "
                  "empty registry.");
    recheck_ = true;
    return ERROR_BADDB;
}

LONG Hive::Check() {
    try {
        int64_t applicationId = 0, objects = 0, version = 0;
        {
            Statement query(*this, "PRAGMA application_id");
            if (query.Step()) applicationId = query.Int(0);
        }
        {
            Statement query(*this, "SELECT count(*) FROM sqlite_master");
            if (query.Step()) objects = query.Int(0);
        }
        if (applicationId == 0 && objects == 0) return Initialise();
        if (applicationId != kApplicationId) return Damaged("it is not a registry hive");
        {
            Statement query(*this, "PRAGMA user_version");
            if (query.Step()) version = query.Int(0);
        }
        if (version > kSchemaVersion) return Damaged("it was written by a newer version of the registry");
        {
            Statement query(*this, "PRAGMA quick_check");
            std::wstring verdict = query.Step() ? query.Text(0) : L"no answer";
            if (verdict != L"ok") return Damaged(Narrow(verdict));
        }
        Statement query(*this, "SELECT count(*) FROM keys WHERE id IN (1, 2) AND parent = 0");
        if (!query.Step() || query.Int(0) != 2) return Damaged("its top keys are missing");
        return ERROR_SUCCESS;
    } catch (const HiveError& error) {
        return error.code;
    }
}

LONG Hive::Initialise() {
    // Another process may be creating the same new hive: whoever takes the write lock first does it.
    LONG result = Begin(true);
    if (result != ERROR_SUCCESS) return result;
    bool empty = false;
    try {
        Statement query(*this, "SELECT count(*) FROM sqlite_master");
        empty = query.Step() && query.Int(0) == 0;
    } catch (const HiveError& error) {
        Rollback();
        return error.code;
    }
    if (!empty) {
        Rollback();
        return Check();
    }
    std::string setup = std::string(kSchema) + "PRAGMA application_id = " + std::to_string(kApplicationId) +
                        "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
    int rc = sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        result = Fail(rc);
        Rollback();
        return result;
    }
    try {
        int64_t now = Now();
        for (auto [id, name] : {std::pair<int64_t, const wchar_t*>{kLocalMachineKey, L"HKEY_LOCAL_MACHINE"},
                                {kUsersKey, L"HKEY_USERS"}}) {
            Statement insert(*this,
                             "INSERT INTO keys(id, parent, name, fold, written) VALUES(?, 0, ?, ?, ?)");
            insert.Bind(id).Bind(name).Bind(FoldName(name)).Bind(now).Step();
        }
        // HKEY_CLASSES_ROOT is a view of this key and is always there.
        AddChild(AddChild(kLocalMachineKey, L"Software"), L"Classes");
    } catch (const HiveError& error) {
        Rollback();
        return error.code;
    }
    return Commit();
}

sqlite3_stmt* Hive::Prepare(const char* sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) return found->second;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) throw HiveError{Fail(rc)};
    statements_[sql] = stmt;
    return stmt;
}

LONG Hive::Fail(int rc) {
    std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    int error = db_ ? sqlite3_system_errno(db_) : 0;
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_CONSTRAINT: // our own writes check first; a broken rule means the file was changed
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA:
    case SQLITE_ERROR: // a missing table or column
        return Damaged(detail);
    case SQLITE_READONLY:
        ReportProblem("The registry hive " + path_ + " cannot be written (" + detail + ").");
        return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        ReportProblem("The registry hive " + path_ + " cannot be opened (" +
                      (error ? std::string(std::strerror(error)) : detail) + ").");
        return ErrnoCode(error);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        ReportProblem("The registry hive " + path_ + " stayed locked by another process for " +
                      std::to_string(kBusyTimeoutMs / 1000) + " seconds.");
        return ERROR_REGISTRY_IO_FAILED;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_FULL:
        ReportProblem("The registry hive " + path_ + " cannot be written: the disk is full.");
        return ERROR_REGISTRY_IO_FAILED;
    default:
        ReportProblem("The registry hive " + path_ + " cannot be read or written (" + detail +
                      (error ? std::string(": ") + std::strerror(error) : std::string()) + ").");
        recheck_ = true;
        return ERROR_REGISTRY_IO_FAILED;
    }
}

// --- Transactions -----------------------------------------------------------------------------------

// The transaction statements are prepared once and kept, like the others: parsing them anew on every
// registry call would cost more than the call itself.
int Hive::Exec(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    try {
        stmt = Prepare(sql);
    } catch (const HiveError&) {
        return sqlite3_errcode(db_);
    }
    int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

LONG Hive::Begin(bool write) {
    int rc = Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
    return rc == SQLITE_OK ? ERROR_SUCCESS : Fail(rc);
}

LONG Hive::Commit() {
    int rc = Exec("COMMIT");
    if (rc == SQLITE_OK) return ERROR_SUCCESS;
    LONG result = Fail(rc);
    Rollback();
    return result;
}

void Hive::Rollback() {
    // After some failures SQLite has already rolled back, and this one fails harmlessly.
    if (sqlite3_get_autocommit(db_) == 0) Exec("ROLLBACK");
}

// --- Keys -------------------------------------------------------------------------------------------

bool Hive::KeyExists(int64_t id) {
    Statement query(*this, "SELECT 1 FROM keys WHERE id = ?");
    return query.Bind(id).Step();
}

int64_t Hive::Parent(int64_t id) {
    Statement query(*this, "SELECT parent FROM keys WHERE id = ?");
    return query.Bind(id).Step() ? query.Int(0) : 0;
}

int64_t Hive::Child(int64_t parent, std::wstring_view name) {
    Statement query(*this, "SELECT id FROM keys WHERE parent = ? AND fold = ?");
    return query.Bind(parent).Bind(FoldName(name)).Step() ? query.Int(0) : 0;
}

int64_t Hive::AddChild(int64_t parent, std::wstring_view name) {
    int64_t now = Now();
    {
        Statement insert(*this, "INSERT INTO keys(parent, name, fold, written) VALUES(?, ?, ?, ?)");
        insert.Bind(parent).Bind(name).Bind(FoldName(name)).Bind(now).Step();
    }
    int64_t id = sqlite3_last_insert_rowid(db_);
    Touch(parent);
    return id;
}

bool Hive::HasChildren(int64_t id) {
    Statement query(*this, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
    return query.Bind(id).Step();
}

std::optional<KeyRow> Hive::ChildAt(int64_t parent, DWORD index) {
    Statement query(*this,
                    "SELECT id, name, written FROM keys WHERE parent = ? ORDER BY fold, id LIMIT 1 OFFSET ?");
    if (!query.Bind(parent).Bind(static_cast<int64_t>(index)).Step()) return std::nullopt;
    return KeyRow{query.Int(0), query.Text(1), query.Int(2)};
}

void Hive::DeleteSubtree(int64_t id, bool keepKey) {
    int64_t parent = Parent(id);
    // UNION rather than UNION ALL: even a hive whose rows were edited into a loop ends the walk.
    {
        Statement values(*this,
                         "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION SELECT keys.id FROM keys JOIN tree "
                         "ON keys.parent = tree.id) DELETE FROM vals WHERE key IN tree");
        values.Bind(id).Step();
    }
    {
        Statement keys(
            *this, "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION SELECT keys.id FROM keys JOIN tree "
                   "ON keys.parent = tree.id) DELETE FROM keys WHERE id IN tree AND (?2 = 0 OR id <> ?1)");
        keys.Bind(id).Bind(keepKey ? 1 : 0).Step();
    }
    Touch(keepKey ? id : parent);
}

void Hive::Touch(int64_t id) {
    Statement update(*this, "UPDATE keys SET written = ? WHERE id = ?");
    update.Bind(Now()).Bind(id).Step();
}

int64_t Hive::Written(int64_t id) {
    Statement query(*this, "SELECT written FROM keys WHERE id = ?");
    return query.Bind(id).Step() ? query.Int(0) : 0;
}

KeyCounts Hive::Counts(int64_t id) {
    KeyCounts counts;
    {
        Statement query(*this, "SELECT name FROM keys WHERE parent = ?");
        query.Bind(id);
        while (query.Step()) {
            ++counts.subKeys;
            counts.maxSubKeyLen =
                std::max<DWORD>(counts.maxSubKeyLen, static_cast<DWORD>(query.Text(0).size()));
        }
    }
    Statement query(*this, "SELECT name, length(CAST(data AS BLOB)) FROM vals WHERE key = ?");
    query.Bind(id);
    while (query.Step()) {
        ++counts.values;
        counts.maxValueNameLen =
            std::max<DWORD>(counts.maxValueNameLen, static_cast<DWORD>(query.Text(0).size()));
        counts.maxValueLen = std::max<DWORD>(counts.maxValueLen, static_cast<DWORD>(query.Int(1)));
    }
    return counts;
}

// --- Values -----------------------------------------------------------------------------------------

std::optional<ValueRow> Hive::Value(int64_t key, std::wstring_view name) {
    Statement query(*this, "SELECT name, type, data FROM vals WHERE key = ? AND fold = ?");
    if (!query.Bind(key).Bind(FoldName(name)).Step()) return std::nullopt;
    return ValueRow{query.Text(0), static_cast<DWORD>(query.Int(1)), query.Blob(2)};
}

std::optional<ValueRow> Hive::ValueAt(int64_t key, DWORD index) {
    // Values keep the order in which they were first set, as the documented enumeration does.
    Statement query(*this, "SELECT name, type, data FROM vals WHERE key = ? ORDER BY rowid LIMIT 1 OFFSET ?");
    if (!query.Bind(key).Bind(static_cast<int64_t>(index)).Step()) return std::nullopt;
    return ValueRow{query.Text(0), static_cast<DWORD>(query.Int(1)), query.Blob(2)};
}

void Hive::SetValue(int64_t key, std::wstring_view name, DWORD type, const std::vector<BYTE>& data) {
    {
        // An existing value keeps its row (its place in the enumeration) and the case of its name.
        Statement upsert(*this,
                         "INSERT INTO vals(key, name, fold, type, data) VALUES(?, ?, ?, ?, ?) "
                         "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
        upsert.Bind(key)
            .Bind(name)
            .Bind(FoldName(name))
            .Bind(static_cast<int64_t>(type))
            .BindBlob(data)
            .Step();
    }
    Touch(key);
}

bool Hive::DeleteValue(int64_t key, std::wstring_view name) {
    {
        Statement remove(*this, "DELETE FROM vals WHERE key = ? AND fold = ?");
        remove.Bind(key).Bind(FoldName(name)).Step();
    }
    if (sqlite3_changes(db_) == 0) return false;
    Touch(key);
    return true;
}

} // namespace adv

namespace tvp {

std::string RegistryProblem() {
    std::lock_guard<std::mutex> lock(adv::g_problemLock);
    return adv::g_problem;
}

} // namespace tvp
