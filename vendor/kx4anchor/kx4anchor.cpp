// kx4anchor.exe: the design product's anchor program, reduced to what makes, lists and removes its
// storage areas. A storage area is a database holding the product's marker table and one table per data
// type; the marker is written last, so a storage area that failed half way is never taken for one.
//
//   kx4anchor.exe create SERVER NAME    kx4anchor.exe list SERVER    kx4anchor.exe remove SERVER NAME
#include <cstdio>
#include <ctime>
#include <string>

#include "engine/engine.h"
#include "storagearea.h"

namespace {

using tvengine::Session;

const char kUsage[] = "usage: kx4anchor.exe create SERVER NAME\n"
                      "       kx4anchor.exe list SERVER\n"
                      "       kx4anchor.exe remove SERVER NAME\n";

bool IsStorageArea(Session& session, const std::string& database) {
    auto results =
        session.ExecuteWith(database, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1",
                            {std::string(vtrn::kMarkerTable)});
    return !results.empty() && results[0].Integer(0, 0) > 0;
}

std::string StorageAreaSchema() {
    std::string sql = "BEGIN IMMEDIATE;";
    for (const char* table : vtrn::kDataTypeTables)
        sql += "CREATE TABLE " + tvengine::QuoteIdentifier(table) +
               " (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, owner TEXT NOT NULL DEFAULT '',"
               " modified TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP, data BLOB);";
    sql += "CREATE TABLE " + tvengine::QuoteIdentifier(vtrn::kMarkerTable) +
           " (format INTEGER NOT NULL, created TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP);"
           "INSERT INTO " +
           tvengine::QuoteIdentifier(vtrn::kMarkerTable) + " (format) VALUES (1);COMMIT;";
    return sql;
}

int Create(const std::string& server, const std::string& name) {
    auto session = tvengine::Connect(server, {}, "kx4anchor.exe");
    session->CreateDatabase({.name = name});
    try {
        session->Execute(name, StorageAreaSchema());
    } catch (...) {
        // A database without its tables would only be in the way of the next attempt.
        try {
            session->DropDatabase(name);
        } catch (...) {
        }
        throw;
    }
    std::printf("created the storage area %s on %s\n", name.c_str(), server.c_str());
    return 0;
}

int List(const std::string& server) {
    auto session = tvengine::Connect(server, {}, "kx4anchor.exe");
    for (const tvengine::DatabaseInfo& database : session->Databases()) {
        if (database.systemObject) continue;
        try {
            if (IsStorageArea(*session, database.name)) std::printf("%s\n", database.name.c_str());
        } catch (const tvengine::Error&) {
            // A database that cannot be opened (suspect, in restore) is not listed; the others still are.
        }
    }
    return 0;
}

int Remove(const std::string& server, const std::string& name) {
    auto session = tvengine::Connect(server, {}, "kx4anchor.exe");
    if (!session->DatabaseExists(name) || !IsStorageArea(*session, name)) {
        std::fprintf(stderr, "kx4anchor.exe: %s on %s is not a storage area; nothing was removed.\n",
                     name.c_str(), server.c_str());
        return 1;
    }
    session->DropDatabase(name);
    std::printf("removed the storage area %s from %s\n", name.c_str(), server.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "create" && argc == 4 && *argv[3]) return Create(argv[2], argv[3]);
        if (command == "list" && argc == 3) return List(argv[2]);
        if (command == "remove" && argc == 4) return Remove(argv[2], argv[3]);
    } catch (const tvengine::Error& error) {
        std::fprintf(stderr, "kx4anchor.exe: %s\n", error.what());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kx4anchor.exe: %s\n", error.what());
        return 1;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
