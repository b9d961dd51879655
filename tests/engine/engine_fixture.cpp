// Shared helpers of the engine's tests.
#include "engine_fixture.h"

#include <fstream>
#include <iterator>

namespace enginetest {

void EnsureDefaultInstance() {
    static bool made = false;
    if (made) return;
    tvengine::CreateInstance("");
    made = true;
}

std::unique_ptr<tvengine::Session> Admin() {
    EnsureDefaultInstance();
    return tvengine::Connect("(local)");
}

void MakeDatabase(tvengine::Session& session, const std::string& name, const std::string& marker,
                  int megabytes) {
    tvengine::DatabaseSpec spec;
    spec.name = name;
    session.CreateDatabase(spec);
    session.Execute(name, "CREATE TABLE t(id INTEGER PRIMARY KEY, marker TEXT, filler BLOB)");
    session.ExecuteWith(name, "INSERT INTO t(marker) VALUES (?)", {marker});
    if (megabytes > 0)
        session.Execute(name, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                  std::to_string(megabytes * 16) +
                                  ") INSERT INTO t(marker, filler) SELECT 'fill', randomblob(65536) FROM n");
}

std::string Marker(tvengine::Session& session, const std::string& name) {
    auto results = session.Execute(name, "SELECT marker FROM t WHERE id = 1");
    if (results.empty() || results[0].RowCount() == 0) return {};
    return results[0].Text(0, 0);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace enginetest
