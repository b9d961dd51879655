// Sessions: connecting to an instance with integrated or SQL authentication, the registry of live
// sessions in the catalog (which the lock list and the in-use checks read), and transactions over
// catalog changes. Also the result-set type that sessions hand back.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "internal.h"
#include "session_impl.h"

namespace tvengine {

using namespace detail;

// ---------------------------------------------------------------------------------------------------
// ResultSet

std::string ResultSet::Text(size_t row, size_t column) const {
    const Value& value = At(row, column);
    if (auto* text = std::get_if<std::string>(&value)) return *text;
    if (auto* integer = std::get_if<long long>(&value)) return std::to_string(*integer);
    if (auto* real = std::get_if<double>(&value)) return Format("%.15g", *real);
    return {};
}

long long ResultSet::Integer(size_t row, size_t column) const {
    const Value& value = At(row, column);
    if (auto* integer = std::get_if<long long>(&value)) return *integer;
    if (auto* real = std::get_if<double>(&value)) return static_cast<long long>(*real);
    if (auto* text = std::get_if<std::string>(&value)) return std::strtoll(text->c_str(), nullptr, 10);
    return 0;
}

double ResultSet::Real(size_t row, size_t column) const {
    const Value& value = At(row, column);
    if (auto* real = std::get_if<double>(&value)) return *real;
    if (auto* integer = std::get_if<long long>(&value)) return static_cast<double>(*integer);
    if (auto* text = std::get_if<std::string>(&value)) return std::strtod(text->c_str(), nullptr);
    return 0;
}

int ResultSet::ColumnIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (EqualsNoCase(columns_[i].name, name)) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------------------
// SessionImpl

SessionImpl::~SessionImpl() {
    if (!catalog || spid == 0) return;
    try {
        if (inTransaction) sqlite3_exec(catalog.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        catalog.Prepare("DELETE FROM processes WHERE spid = ?").With(spid).Run();
        catalog.Prepare("DELETE FROM agents WHERE spid = ?").With(spid).Run();
    } catch (...) {
        // A row left behind belongs to a process that is gone once this one ends; readers skip it.
    }
}

void SessionImpl::RequireSysadmin() const {
    if (!sysadmin) throw NotPermitted();
}

void SessionImpl::RequireNoTransaction(int number, const std::string& message) const {
    if (inTransaction) throw Error(number, message);
}

const DatabaseFileInfo* SessionImpl::DatabaseRow::DataFile() const {
    for (const auto& file : files)
        if (file.type == 'D') return &file;
    return nullptr;
}

const DatabaseFileInfo* SessionImpl::DatabaseRow::LogFile() const {
    for (const auto& file : files)
        if (file.type == 'L') return &file;
    return nullptr;
}

namespace {

void ReadFiles(Connection& catalog, SessionImpl::DatabaseRow& row) {
    auto files = catalog.Prepare(
        "SELECT logical_name, physical_name, type, filegroup, max_size FROM files WHERE dbid = ? "
        "ORDER BY CASE type WHEN 'D' THEN 0 ELSE 1 END, fileid");
    files.With(row.id);
    while (files.Step()) {
        DatabaseFileInfo file;
        file.logicalName = files.Text(0);
        file.physicalName = files.Text(1);
        file.type = files.Text(2).empty() ? 'D' : files.Text(2)[0];
        file.fileGroup = files.Text(3);
        file.maxSizeBytes = files.Int(4);
        file.sizeBytes = std::max(0LL, FileSize(file.physicalName));
        row.files.push_back(std::move(file));
    }
}

SessionImpl::DatabaseRow RowFrom(Statement& query) {
    SessionImpl::DatabaseRow row;
    row.id = static_cast<int>(query.Int(0));
    row.name = query.Text(1);
    row.system = query.Int(2) != 0;
    row.readOnly = query.Int(3) != 0;
    row.created = query.Int(4);
    return row;
}

} // namespace

std::optional<SessionImpl::DatabaseRow> SessionImpl::FindDatabase(const std::string& name) {
    auto query =
        catalog.Prepare("SELECT dbid, name, system, read_only, created FROM databases WHERE name = ?");
    if (!query.With(name).Step()) return std::nullopt;
    DatabaseRow row = RowFrom(query);
    ReadFiles(catalog, row);
    return row;
}

SessionImpl::DatabaseRow SessionImpl::RequireDatabase(const std::string& name) {
    auto row = FindDatabase(name);
    if (!row) throw NoSuchDatabase(name);
    return *row;
}

std::vector<SessionImpl::DatabaseRow> SessionImpl::AllDatabases() {
    std::vector<DatabaseRow> rows;
    auto query =
        catalog.Prepare("SELECT dbid, name, system, read_only, created FROM databases ORDER BY dbid");
    while (query.Step())
        rows.push_back(RowFrom(query));
    // One pass over the files of every database: listing a thousand databases stays one query each way.
    auto files =
        catalog.Prepare("SELECT dbid, logical_name, physical_name, type, filegroup, max_size FROM files "
                        "ORDER BY dbid, CASE type WHEN 'D' THEN 0 ELSE 1 END, fileid");
    size_t at = 0;
    while (files.Step()) {
        int dbid = static_cast<int>(files.Int(0));
        while (at < rows.size() && rows[at].id < dbid)
            ++at;
        if (at == rows.size()) break;
        if (rows[at].id != dbid) continue;
        DatabaseFileInfo file;
        file.logicalName = files.Text(1);
        file.physicalName = files.Text(2);
        file.type = files.Text(3).empty() ? 'D' : files.Text(3)[0];
        file.fileGroup = files.Text(4);
        file.maxSizeBytes = files.Int(5);
        file.sizeBytes = std::max(0LL, FileSize(file.physicalName));
        rows[at].files.push_back(std::move(file));
    }
    return rows;
}

std::vector<int> SessionImpl::SessionsUsing(const std::string& database, bool includeSelf) {
    std::vector<int> spids;
    auto query = catalog.Prepare(
        "SELECT spid, pid, pid_start FROM processes WHERE dbname = ?1 OR work_db = ?1 ORDER BY spid");
    query.With(database);
    while (query.Step()) {
        int other = static_cast<int>(query.Int(0));
        if (other == spid && !includeSelf) continue;
        if (other == spid || ProcessAlive(query.Int(1), query.Text(2))) spids.push_back(other);
    }
    return spids;
}

void SessionImpl::SetWork(const std::string& database, const char* mode) {
    WriteScope write(catalog, inTransaction);
    auto update = catalog.Prepare("UPDATE processes SET work_db = ?, work_mode = ? WHERE spid = ?");
    if (database.empty())
        update.BindNull(1).BindNull(2);
    else
        update.Bind(1, database).Bind(2, mode ? mode : "S");
    update.Bind(3, spid).Run();
    write.Commit();
}

// ---------------------------------------------------------------------------------------------------
// Connecting

std::unique_ptr<Session> Connect(const std::string& serverName, const Credentials& credentials,
                                 const std::string& program) {
    std::string instance = ResolveServer(serverName);
    auto impl = std::make_unique<SessionImpl>();
    impl->catalog = OpenCatalog(InstanceFolder(instance), false);
    impl->settings = GetInstanceSettings(instance);
    Connection& catalog = impl->catalog;

    std::vector<std::string> matched;
    std::string defaultDatabase = "master";
    if (credentials.integrated) {
        std::string primary;
        std::vector<std::string> accounts = CurrentUserAccounts(&primary);
        auto query =
            catalog.Prepare("SELECT name, default_database FROM logins WHERE name = ? AND type IN (0, 1)");
        for (const std::string& account : accounts) {
            if (query.With(account).Step()) {
                matched.push_back(query.Text(0));
                if (matched.size() == 1) defaultDatabase = query.Text(1);
            }
            query.Reset();
        }
        if (matched.empty()) throw LoginFailed(primary);
        impl->login = primary;
    } else {
        auto query = catalog.Prepare(
            "SELECT name, password_hash, default_database FROM logins WHERE name = ? AND type = 2");
        if (!query.With(credentials.login).Step() || !VerifyPassword(credentials.password, query.Text(1)))
            throw LoginFailed(credentials.login);
        matched.push_back(query.Text(0));
        impl->login = query.Text(0);
        defaultDatabase = query.Text(2);
    }
    auto role = catalog.Prepare("SELECT 1 FROM role_members WHERE role = 'sysadmin' AND login = ?");
    for (const std::string& login : matched) {
        if (role.With(login).Step()) impl->sysadmin = true;
        role.Reset();
    }

    WriteScope write(catalog, false);
    // Sessions of processes that ended without closing them would otherwise hold their databases.
    std::vector<long long> stale;
    auto rows = catalog.Prepare("SELECT spid, pid, pid_start FROM processes");
    while (rows.Step())
        if (!ProcessAlive(rows.Int(1), rows.Text(2))) stale.push_back(rows.Int(0));
    auto remove = catalog.Prepare("DELETE FROM processes WHERE spid = ?");
    auto agent = catalog.Prepare("DELETE FROM agents WHERE spid = ?");
    for (long long spid : stale) {
        remove.With(spid).Run();
        remove.Reset();
        agent.With(spid).Run();
        agent.Reset();
    }
    auto exists = catalog.Prepare("SELECT 1 FROM databases WHERE name = ?");
    if (exists.With(defaultDatabase).Step()) impl->currentDatabase = defaultDatabase;
    long long pid = ::getpid();
    catalog
        .Prepare("INSERT INTO processes(pid, pid_start, login, program, dbname, login_time) VALUES (?, ?, ?, "
                 "?, ?, ?)")
        .With(pid, ProcessStartTime(pid), impl->login, program, impl->currentDatabase,
              static_cast<long long>(std::time(nullptr)))
        .Run();
    impl->spid = static_cast<int>(catalog.LastInsertId());
    write.Commit();
    return std::unique_ptr<Session>(new Session(std::move(impl)));
}

Session::Session(std::unique_ptr<SessionImpl> impl) : impl_(std::move(impl)) {}
Session::~Session() = default;

const InstanceSettings& Session::Settings() const {
    return impl_->settings;
}
std::string Session::LoginName() const {
    return impl_->login;
}
bool Session::IsSysadmin() const {
    return impl_->sysadmin;
}
int Session::ProcessId() const {
    return impl_->spid;
}
std::string Session::CurrentDatabase() const {
    return impl_->currentDatabase;
}

void Session::Use(const std::string& database) {
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto row = impl_->RequireDatabase(database);
    impl_->catalog.Prepare("UPDATE processes SET dbname = ? WHERE spid = ?")
        .With(row.name, impl_->spid)
        .Run();
    write.Commit();
    impl_->currentDatabase = row.name;
}

// ---------------------------------------------------------------------------------------------------
// Transactions

void Session::BeginTransaction() {
    if (impl_->inTransaction) {
        // Nested BEGIN only counts on a real server; one level is all that catalog work needs.
        throw Error(kErrNotInTransaction, "A transaction is already open in this session.");
    }
    impl_->catalog.Exec("BEGIN IMMEDIATE");
    impl_->inTransaction = true;
}

void Session::CommitTransaction() {
    if (!impl_->inTransaction)
        throw Error(kErrNotInTransaction,
                    "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    impl_->catalog.Exec("COMMIT");
    impl_->inTransaction = false;
    if (std::exchange(impl_->jobsChanged, false)) SignalJobChange();
}

void Session::RollbackTransaction() {
    if (!impl_->inTransaction)
        throw Error(kErrNotInTransaction,
                    "The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    impl_->catalog.Exec("ROLLBACK");
    impl_->inTransaction = false;
    impl_->jobsChanged = false;
}

bool Session::InTransaction() const {
    return impl_->inTransaction;
}

} // namespace tvengine
