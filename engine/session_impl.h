// The state behind a Session: the instance it is connected to, its catalog connection, the login it
// runs as, and the helpers that the engine's areas share (permission checks, database look-up, the
// registry of sessions that tells who uses which database).
#pragma once

#include <optional>

#include "internal.h"

namespace tvengine {

class SessionImpl {
public:
    ~SessionImpl();

    InstanceSettings settings;
    detail::Connection catalog;
    std::string login;
    bool sysadmin = false;
    int spid = 0;
    std::string currentDatabase = "master";
    bool inTransaction = false;
    bool jobsChanged = false; // a job change waits for the transaction's commit to wake the agent

    void RequireSysadmin() const;
    // Work on files cannot be part of a catalog transaction.
    void RequireNoTransaction(int number, const std::string& message) const;

    struct DatabaseRow {
        int id = 0;
        std::string name;
        bool system = false;
        bool readOnly = false;
        std::time_t created = 0;
        std::vector<DatabaseFileInfo> files; // data first, then log; sizes as the files have them now
        const DatabaseFileInfo* DataFile() const;
        const DatabaseFileInfo* LogFile() const;
    };
    std::optional<DatabaseRow> FindDatabase(const std::string& name);
    DatabaseRow RequireDatabase(const std::string& name);
    std::vector<DatabaseRow> AllDatabases();

    // The spids of the live sessions that use a database (as their current database or for work in
    // progress), the session itself included or not.
    std::vector<int> SessionsUsing(const std::string& database, bool includeSelf);
    // Marks the database this session works in while a backup, restore or query runs.
    void SetWork(const std::string& database, const char* mode);
    // Runs the statements of sql in a database, binding parameters when given.
    std::vector<ResultSet> RunSql(const std::string& database, const std::string& sql,
                                  const std::vector<Value>* parameters);
};

// Registers work in a database for the length of a scope, so that a drop or a restore elsewhere sees it.
class WorkInDatabase {
public:
    WorkInDatabase(SessionImpl& session, const std::string& database, const char* mode) : session_(session) {
        session_.SetWork(database, mode);
    }
    ~WorkInDatabase() {
        try {
            session_.SetWork({}, nullptr);
        } catch (...) {
            // The row goes when the session ends; a stale mark only delays a drop until then.
        }
    }

private:
    SessionImpl& session_;
};

namespace detail {
// Creates the two files of a new database: an initialised SQLite data file and a log file of the
// given size, both owner-only. Nothing is left behind when it fails.
void CreateDatabaseFiles(const std::string& dataPath, const std::string& logPath, long long logSize);
void InsertDatabaseRow(Connection& catalog, const std::string& name, bool system, const DatabaseSpec& spec,
                       const std::string& dataPath, const std::string& logPath, const std::string& owner);
} // namespace detail

} // namespace tvengine
