// What the engine's files share and nobody outside sees: a thin holder for SQLite connections and
// statements (every value goes in as a bound parameter), the instance catalog, file helpers that keep
// the owner-only modes, and the server's message texts.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "errors.h"

namespace tvengine::detail {

// How long a connection waits for another process's lock before giving up.
inline constexpr int kBusyTimeoutMs = 60000;

class Statement;

class Connection {
public:
    Connection() = default;
    Connection(const std::string& path, int flags, const char* what);
    ~Connection();
    Connection(Connection&& other) noexcept : db_(other.db_), what_(other.what_) { other.db_ = nullptr; }
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* Handle() const { return db_; }
    explicit operator bool() const { return db_ != nullptr; }
    void Exec(const char* sql);
    Statement Prepare(const char* sql);
    long long LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
    int Changes() const { return sqlite3_changes(db_); }
    [[noreturn]] void Fail(int code) const;

private:
    sqlite3* db_ = nullptr;
    const char* what_ = "catalog";
};

class Statement {
public:
    Statement(Connection& connection, sqlite3_stmt* stmt) : connection_(&connection), stmt_(stmt) {}
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(Statement&& other) noexcept : connection_(other.connection_), stmt_(other.stmt_) {
        other.stmt_ = nullptr;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, long long value);
    Statement& Bind(int index, int value) { return Bind(index, static_cast<long long>(value)); }
    Statement& Bind(int index, double value);
    Statement& Bind(int index, std::string_view value);
    Statement& Bind(int index, const std::string& value) { return Bind(index, std::string_view(value)); }
    Statement& Bind(int index, const char* value) { return Bind(index, std::string_view(value)); }
    Statement& BindNull(int index);
    // Binds the values in order, from parameter 1.
    template <typename... T> Statement& With(const T&... values) {
        int index = 1;
        (Bind(index++, values), ...);
        return *this;
    }
    bool Step(); // true while a row is there
    void Run();  // steps to the end
    void Reset();
    long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    double Real(int column) const { return sqlite3_column_double(stmt_, column); }
    std::string Text(int column) const;
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

private:
    Connection* connection_;
    sqlite3_stmt* stmt_;
};

// A catalog write: BEGIN IMMEDIATE ... COMMIT, or a savepoint inside the session's own transaction,
// rolled back when the scope is left by an exception.
class WriteScope {
public:
    WriteScope(Connection& catalog, bool inTransaction);
    ~WriteScope();
    void Commit();

private:
    Connection& catalog_;
    bool nested_;
    bool done_ = false;
};

// A consistent read of several catalog statements.
class ReadScope {
public:
    ReadScope(Connection& catalog, bool inTransaction);
    ~ReadScope();

private:
    Connection& catalog_;
    bool active_;
};

// The instance catalog: opens it (creating the schema on first use) in WAL mode with the busy timeout.
Connection OpenCatalog(const std::string& instanceFolder, bool create);
void CreateCatalogSchema(Connection& catalog);
// Brings an instance's catalog made by an earlier version of the engine up to date.
void UpgradeCatalog(Connection& catalog);

// Paths and files.
std::string InstancesFolder();
std::string InstanceFolder(const std::string& name);
std::string NativePath(const std::string& path); // Windows-style paths map under the prefix's drives
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);
bool FileExists(const std::string& path);
long long FileSize(const std::string& path);     // -1 when missing
void MakePrivateFolder(const std::string& path); // 0700, parents as needed
int CreatePrivateFile(const std::string& path);  // O_EXCL, 0600; returns the descriptor or -1
void FsyncFolder(const std::string& folder);
// A file name made from a database name: the characters a path cannot hold become '_'.
std::string SafeFileName(const std::string& name);

// Text helpers.
std::string Lower(std::string text);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string DateTimeText(std::time_t when); // "YYYY-MM-DD HH:MM:SS", local time
std::string NewGuid();                      // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::string ThisComputerName();
bool ProcessAlive(long long pid, const std::string& startTime);
std::string ProcessStartTime(long long pid);

// Wakes the agent: touches the job change signal file (after a job store change or an instance made or
// dropped). A failure is ignored: the agent still finds the change at its next wake-up.
void SignalJobChange();

// Password hashes: salted PBKDF2-HMAC-SHA256; the text holds the method, the count, the salt and the hash.
std::string HashPassword(const std::string& password);
bool VerifyPassword(const std::string& password, const std::string& stored);

// The Windows-style accounts a Unix user stands for under integrated authentication.
std::vector<std::string> WindowsAccountsFor(const std::string& host, const std::string& user, unsigned uid,
                                            const std::vector<std::string>& groups);
std::vector<std::string> CurrentUserAccounts(std::string* primary);

} // namespace tvengine::detail
