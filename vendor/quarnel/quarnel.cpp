// The storage-area access library. Users and their permissions live in three tables of the UserPerm
// database of the instance a server name reaches; storage areas are recognised by their marker table.
//
// Each change is one statement (or one IMMEDIATE transaction), so two processes that change the same
// user at once each keep their own change: nothing is read, changed in memory and written back. Every
// function catches whatever goes wrong below it and answers 0: a caller never sees an exception.
#include "quarnel.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "storagearea.h"

namespace {

using tvengine::Session;
using tvengine::Value;

const char kUserPerm[] = "UserPerm";

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS users ("
    "  name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, text50 TEXT NOT NULL DEFAULT '',"
    "  text30 TEXT NOT NULL DEFAULT '', number INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE IF NOT EXISTS type_permissions ("
    "  name TEXT NOT NULL COLLATE NOCASE REFERENCES users(name), type INTEGER NOT NULL,"
    "  read INTEGER NOT NULL, write INTEGER NOT NULL, third INTEGER NOT NULL, fourth INTEGER NOT NULL,"
    "  PRIMARY KEY (name, type));"
    "CREATE TABLE IF NOT EXISTS area_permissions ("
    "  name TEXT NOT NULL COLLATE NOCASE REFERENCES users(name), area TEXT NOT NULL COLLATE NOCASE,"
    "  read INTEGER NOT NULL, write INTEGER NOT NULL, PRIMARY KEY (name, area));";

// A connection from vtrnDB_InitDB. A session serves one thread at a time, hence the lock.
struct Connection {
    std::mutex lock;
    std::unique_ptr<Session> session;
};

std::mutex g_connectionsLock;
std::map<int32_t, std::shared_ptr<Connection>> g_connections;
int32_t g_nextHandle = 1;

// Text that fits a field with its terminating zero; null pointers and longer text do not.
bool Fits(const char* text, size_t field) {
    return text && std::strlen(text) < field;
}
bool ValidName(const char* name) {
    return Fits(name, VTRN_NAME_BYTES) && *name;
}

long long Flag(int32_t value) {
    return value ? 1 : 0;
}

// Runs `work` on the handle's session, or on a session of its own when the handle is 0. An unknown
// handle, a server that cannot be reached and any error inside give 0.
template <class Work> int32_t WithSession(const char* server, int32_t handle, Work&& work) noexcept {
    try {
        if (!server) return 0;
        if (handle == 0) {
            std::unique_ptr<Session> session = tvengine::Connect(server, {}, "quarnel");
            return work(*session);
        }
        std::shared_ptr<Connection> connection;
        {
            std::lock_guard guard(g_connectionsLock);
            auto it = g_connections.find(handle);
            if (it == g_connections.end()) return 0;
            connection = it->second;
        }
        std::lock_guard guard(connection->lock);
        return work(*connection->session);
    } catch (...) {
        return 0;
    }
}

std::vector<tvengine::ResultSet> Run(Session& session, const std::string& sql,
                                     const std::vector<Value>& values = {}) {
    return session.ExecuteWith(kUserPerm, sql, values);
}

// Runs a change in an IMMEDIATE transaction: it takes the write lock before it reads, so a process that
// finds another one writing waits for it instead of failing on a lock it cannot upgrade. 1 when the
// last statement changed a row.
int32_t Change(Session& session, const std::string& statements, const std::vector<Value>& values) {
    auto results = Run(session, "BEGIN IMMEDIATE;" + statements + ";SELECT changes();COMMIT;", values);
    return !results.empty() && results.back().RowCount() && results.back().Integer(0, 0) > 0 ? 1 : 0;
}

bool UserExists(Session& session, const std::string& name) {
    auto results = Run(session, "SELECT count(*) FROM users WHERE name = ?1", {name});
    return !results.empty() && results[0].Integer(0, 0) > 0;
}

void CreateTables(Session& session) {
    if (!session.DatabaseExists(kUserPerm)) {
        try {
            session.CreateDatabase({.name = kUserPerm});
        } catch (const tvengine::Error& error) {
            // Another process may have made it in the meantime; that is as good.
            if (error.Number() != tvengine::kErrDatabaseExists) throw;
        }
    }
    session.Execute(kUserPerm, kSchema);
}

// Copies text into a fixed field, zero-filled behind it.
void PutField(char* field, size_t size, const std::string& text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

} // namespace

VTRNDB_API int32_t vtrnDB_InitDB(const char* server, const char* database, int32_t, bool) {
    try {
        if (!server) return 0;
        auto connection = std::make_shared<Connection>();
        connection->session = tvengine::Connect(server, {}, "quarnel");
        if (database && !connection->session->DatabaseExists(database)) return 0;
        std::lock_guard guard(g_connectionsLock);
        // Handles stay positive 32-bit numbers; one still open is never handed out twice.
        while (g_nextHandle <= 0 || g_connections.count(g_nextHandle))
            g_nextHandle = g_nextHandle <= 0 ? 1 : g_nextHandle + 1;
        int32_t handle = g_nextHandle++;
        g_connections[handle] = std::move(connection);
        return handle;
    } catch (...) {
        return 0;
    }
}

VTRNDB_API int32_t vtrnDB_ExitDB(int32_t handle) {
    std::shared_ptr<Connection> connection;
    {
        std::lock_guard guard(g_connectionsLock);
        auto it = g_connections.find(handle);
        if (it == g_connections.end()) return 0;
        connection = std::move(it->second);
        g_connections.erase(it);
    }
    // A call still running on it finishes before the session goes.
    std::lock_guard guard(connection->lock);
    try {
        connection->session.reset();
    } catch (...) {
    }
    return 1;
}

VTRNDB_API int32_t vtrnDB_CreateUserTables(const char* server, int32_t handle) {
    return WithSession(server, handle, [&](Session& session) {
        CreateTables(session);
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_GetNumUsers(const char* server, int32_t* count, int32_t handle) {
    if (!count) return 0;
    return WithSession(server, handle, [&](Session& session) {
        auto results = Run(session, "SELECT count(*) FROM users");
        *count = static_cast<int32_t>(results.at(0).Integer(0, 0));
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_GetUsers(const char* server, char* names, char* text50, char* text30,
                                   int32_t* numbers, int32_t capacity, int32_t handle) {
    if (!names || capacity <= 0) return 0;
    return WithSession(server, handle, [&](Session& session) {
        auto results = Run(session, "SELECT name, text50, text30, number FROM users ORDER BY name LIMIT ?1",
                           {static_cast<long long>(capacity)});
        const tvengine::ResultSet& users = results.at(0);
        int32_t filled = static_cast<int32_t>(std::min<size_t>(users.RowCount(), capacity));
        for (int32_t i = 0; i < filled; ++i) {
            PutField(names + i * VTRN_NAME_BYTES, VTRN_NAME_BYTES, users.Text(i, 0));
            if (text50) PutField(text50 + i * VTRN_TEXT50_BYTES, VTRN_TEXT50_BYTES, users.Text(i, 1));
            if (text30) PutField(text30 + i * VTRN_TEXT30_BYTES, VTRN_TEXT30_BYTES, users.Text(i, 2));
            if (numbers) numbers[i] = static_cast<int32_t>(users.Integer(i, 3));
        }
        return filled;
    });
}

VTRNDB_API int32_t vtrnDB_SetUser(const char* server, const char* name, const char* text50,
                                  const char* text30, int32_t number, int32_t handle) {
    if (!ValidName(name) || !Fits(text50 ? text50 : "", VTRN_TEXT50_BYTES) ||
        !Fits(text30 ? text30 : "", VTRN_TEXT30_BYTES))
        return 0;
    return WithSession(server, handle, [&](Session& session) {
        CreateTables(session);
        return Change(session,
                      "INSERT INTO users (name, text50, text30, number) VALUES (?1, ?2, ?3, ?4) "
                      "ON CONFLICT (name) DO UPDATE SET text50 = excluded.text50, text30 = excluded.text30, "
                      "number = excluded.number",
                      {std::string(name), std::string(text50 ? text50 : ""),
                       std::string(text30 ? text30 : ""), static_cast<long long>(number)});
    });
}

VTRNDB_API int32_t vtrnDB_DeleteUser(const char* server, const char* name, int32_t handle) {
    if (!ValidName(name)) return 0;
    return WithSession(server, handle, [&](Session& session) {
        return Change(session,
                      "DELETE FROM area_permissions WHERE name = ?1;"
                      "DELETE FROM type_permissions WHERE name = ?1;"
                      "DELETE FROM users WHERE name = ?1",
                      {std::string(name)});
    });
}

VTRNDB_API int32_t vtrnDB_GetUserTypePermissions(const char* server, const char* name, int32_t* read,
                                                 int32_t* write, int32_t* third, int32_t* fourth,
                                                 int32_t handle) {
    if (!ValidName(name) || !read || !write || !third || !fourth) return 0;
    return WithSession(server, handle, [&](Session& session) {
        if (!UserExists(session, name)) return 0;
        auto results = Run(session,
                           "SELECT type, read, write, third, fourth FROM type_permissions "
                           "WHERE name = ?1 AND type BETWEEN 1 AND 26",
                           {std::string(name)});
        int32_t* flags[] = {read, write, third, fourth};
        for (int32_t* array : flags)
            std::fill(array, array + VTRN_TYPE_COUNT, 0);
        const tvengine::ResultSet& rows = results.at(0);
        for (size_t row = 0; row < rows.RowCount(); ++row) {
            size_t element = rows.Integer(row, 0) - 1;
            for (int f = 0; f < 4; ++f)
                flags[f][element] = static_cast<int32_t>(rows.Integer(row, f + 1));
        }
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_SetUserTypePermissions(const char* server, const char* name, const int32_t* read,
                                                 const int32_t* write, const int32_t* third,
                                                 const int32_t* fourth, int32_t handle) {
    if (!ValidName(name) || !read || !write || !third || !fourth) return 0;
    // One statement for all 26 types: either every type is stored or none is.
    std::string sql = "INSERT INTO type_permissions (name, type, read, write, third, fourth) "
                      "SELECT ?1, column1, column2, column3, column4, column5 FROM (VALUES ";
    std::vector<Value> values{std::string(name)};
    for (int type = 1; type <= VTRN_TYPE_COUNT; ++type) {
        int first = static_cast<int>(values.size()) + 1;
        sql += (type > 1 ? "," : "") + std::string("(") + std::to_string(type);
        for (int f = 0; f < 4; ++f)
            sql += ", ?" + std::to_string(first + f);
        sql += ")";
        for (const int32_t* array : {read, write, third, fourth})
            values.emplace_back(Flag(array[type - 1]));
    }
    sql += ") WHERE EXISTS (SELECT 1 FROM users WHERE name = ?1) "
           "ON CONFLICT (name, type) DO UPDATE SET read = excluded.read, write = excluded.write, "
           "third = excluded.third, fourth = excluded.fourth";
    return WithSession(server, handle, [&](Session& session) { return Change(session, sql, values); });
}

VTRNDB_API int32_t vtrnDB_GetUserTypePermission(const char* server, const char* name, int32_t type,
                                                int32_t* read, int32_t* write, int32_t* third,
                                                int32_t* fourth, int32_t handle) {
    if (!ValidName(name) || type < 1 || type > VTRN_TYPE_COUNT || !read || !write || !third || !fourth)
        return 0;
    return WithSession(server, handle, [&](Session& session) {
        if (!UserExists(session, name)) return 0;
        auto results = Run(
            session, "SELECT read, write, third, fourth FROM type_permissions WHERE name = ?1 AND type = ?2",
            {std::string(name), static_cast<long long>(type)});
        const tvengine::ResultSet& rows = results.at(0);
        int32_t* flags[] = {read, write, third, fourth};
        for (int f = 0; f < 4; ++f)
            *flags[f] = rows.RowCount() ? static_cast<int32_t>(rows.Integer(0, f)) : 0;
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_SetUserTypePermission(const char* server, const char* name, int32_t type,
                                                int32_t read, int32_t write, int32_t third, int32_t fourth,
                                                int32_t handle) {
    if (!ValidName(name) || type < 1 || type > VTRN_TYPE_COUNT) return 0;
    return WithSession(server, handle, [&](Session& session) {
        return Change(session,
                      "INSERT INTO type_permissions (name, type, read, write, third, fourth) "
                      "SELECT name, ?2, ?3, ?4, ?5, ?6 FROM users WHERE name = ?1 "
                      "ON CONFLICT (name, type) DO UPDATE SET read = excluded.read, "
                      "write = excluded.write, third = excluded.third, fourth = excluded.fourth",
                      {std::string(name), static_cast<long long>(type), Flag(read), Flag(write), Flag(third),
                       Flag(fourth)});
    });
}

VTRNDB_API int32_t vtrnDB_IsVeltraneDB(const char* server, const char* database, int32_t* flag,
                                       int32_t handle) {
    if (!database || !*database || !flag) return 0;
    return WithSession(server, handle, [&](Session& session) {
        auto results = session.ExecuteWith(
            database, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1",
            {std::string(vtrn::kMarkerTable)});
        *flag = results.at(0).Integer(0, 0) > 0 ? 1 : 0;
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_GetUserDBPermission(const char* server, const char* database, const char* name,
                                              int32_t* read, int32_t* write, int32_t handle) {
    if (!database || !ValidName(name) || !read || !write) return 0;
    return WithSession(server, handle, [&](Session& session) {
        if (!UserExists(session, name)) return 0;
        auto results = Run(session, "SELECT read, write FROM area_permissions WHERE name = ?1 AND area = ?2",
                           {std::string(name), std::string(database)});
        const tvengine::ResultSet& rows = results.at(0);
        *read = rows.RowCount() ? static_cast<int32_t>(rows.Integer(0, 0)) : 1;
        *write = rows.RowCount() ? static_cast<int32_t>(rows.Integer(0, 1)) : 1;
        return 1;
    });
}

VTRNDB_API int32_t vtrnDB_SetUserDBPermission(const char* server, const char* database, const char* name,
                                              int32_t read, int32_t write, int32_t handle) {
    if (!database || !*database || !ValidName(name)) return 0;
    return WithSession(server, handle, [&](Session& session) {
        return Change(session,
                      "INSERT INTO area_permissions (name, area, read, write) "
                      "SELECT name, ?2, ?3, ?4 FROM users WHERE name = ?1 "
                      "ON CONFLICT (name, area) DO UPDATE SET read = excluded.read, "
                      "write = excluded.write",
                      {std::string(name), std::string(database), Flag(read), Flag(write)});
    });
}
