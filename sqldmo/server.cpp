// The server object: connecting to an instance by the names that reach it, what the server says about
// itself, transactions over catalog changes, and the collections hung off it: logins, server roles,
// backup devices, the registry settings, and query results.
#include "collection.h"

namespace sqldmo {

namespace {

const char kProgram[] = "Tavrosk object model";

// Query results ---------------------------------------------------------------------------------------

class QueryResults final : public Object<IWSQLDMOQueryResults> {
public:
    explicit QueryResults(tvengine::ResultSet results) : results_(std::move(results)) {}

    STDMETHODIMP GetRows(LPLONG p) override {
        return Call([&] { Out(p, long(results_.RowCount())); });
    }
    STDMETHODIMP GetColumns(LPLONG p) override {
        return Call([&] { Out(p, long(results_.ColumnCount())); });
    }
    STDMETHODIMP GetColumnName(long column, SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(results_.Columns()[Column(column)].name)); });
    }
    STDMETHODIMP GetColumnType(long column, LPLONG p) override {
        return Call([&] { Out(p, long(results_.Columns()[Column(column)].type)); });
    }
    STDMETHODIMP GetColumnString(long row, long column, SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(results_.Text(Row(row), Column(column)))); });
    }
    STDMETHODIMP GetColumnLong(long row, long column, LPLONG p) override {
        return Call([&] { Out(p, long(results_.Integer(Row(row), Column(column)))); });
    }
    STDMETHODIMP GetColumnDouble(long row, long column, double* p) override {
        return Call([&] { Out(p, results_.Real(Row(row), Column(column))); });
    }

private:
    // Rows and columns count from 1.
    size_t Row(long row) const {
        if (row < 1 || size_t(row) > results_.RowCount())
            Fail(L"There is no row " + std::to_wstring(row) + L" in the results.", E_INVALIDARG);
        return size_t(row - 1);
    }
    size_t Column(long column) const {
        if (column < 1 || size_t(column) > results_.ColumnCount())
            Fail(L"There is no column " + std::to_wstring(column) + L" in the results.", E_INVALIDARG);
        return size_t(column - 1);
    }

    tvengine::ResultSet results_;
};

// Logins ------------------------------------------------------------------------------------------------

class Login final : public Object<IWSQLDMOLogin> {
public:
    Login() = default;
    Login(ConnectionPtr connection, tvengine::LoginInfo info)
        : connection_(std::move(connection)), info_(std::move(info)) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.name)); });
    }
    STDMETHODIMP SetName(SQLDMO_LPCSTR v) override {
        return Call([&] {
            Detached();
            info_.name = Utf8(In(v));
        });
    }
    STDMETHODIMP GetType(LPLONG p) override {
        return Call([&] { Out(p, long(info_.type)); });
    }
    STDMETHODIMP SetType(long v) override {
        return Call([&] {
            Detached();
            if (v < SQLDMOLogin_NTUser || v > SQLDMOLogin_Standard)
                Fail(L"The login type " + std::to_wstring(v) + L" is not valid.", E_INVALIDARG);
            info_.type = tvengine::LoginType(v);
        });
    }
    STDMETHODIMP GetDatabase(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.defaultDatabase)); });
    }
    STDMETHODIMP SetDatabase(SQLDMO_LPCSTR v) override {
        return Call([&] {
            Detached();
            info_.defaultDatabase = Utf8(In(v));
        });
    }
    STDMETHODIMP Remove() override {
        return Call([&] {
            if (!connection_) Fail(L"The login has not been added to a server.");
            connection_->Live().DropLogin(info_.name);
            connection_.reset();
        });
    }

    void AddTo(const ConnectionPtr& connection) {
        Detached();
        if (info_.name.empty()) Fail(L"A login needs a name.", E_INVALIDARG);
        connection->Live().AddLogin(info_);
        connection_ = connection;
    }

private:
    void Detached() const {
        if (connection_) Fail(L"This property of a login cannot be changed once the login exists.");
    }

    ConnectionPtr connection_; // null until added
    tvengine::LoginInfo info_;
};

class Logins final : public Collection<IWSQLDMOLogins, IWSQLDMOLogin> {
public:
    explicit Logins(ConnectionPtr connection) : connection_(std::move(connection)) {}
    STDMETHODIMP Add(IWSQLDMOLogin* pObj) override {
        return Call([&] {
            Implementation<Login>(pObj, L"login")->AddTo(connection_);
            Forget();
        });
    }

protected:
    std::vector<std::wstring> Load() override {
        logins_ = connection_->Live().Logins();
        std::vector<std::wstring> names;
        for (const auto& login : logins_)
            names.push_back(Wide(login.name));
        return names;
    }
    IWSQLDMOLogin* Make(size_t index) override { return new Login(connection_, logins_[index]); }

private:
    ConnectionPtr connection_;
    std::vector<tvengine::LoginInfo> logins_;
};

// Server roles --------------------------------------------------------------------------------------------

class ServerRole final : public Object<IWSQLDMOServerRole> {
public:
    ServerRole(ConnectionPtr connection, tvengine::ServerRoleInfo info)
        : connection_(std::move(connection)), info_(std::move(info)) {}

    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.name)); });
    }
    STDMETHODIMP GetDescription(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.description)); });
    }
    STDMETHODIMP AddMember(SQLDMO_LPCSTR login) override {
        return Call([&] { connection_->Live().AddRoleMember(info_.name, Utf8(In(login))); });
    }
    STDMETHODIMP DropMember(SQLDMO_LPCSTR login) override {
        return Call([&] { connection_->Live().DropRoleMember(info_.name, Utf8(In(login))); });
    }
    STDMETHODIMP EnumServerRoleMember(IWSQLDMONameList** pp) override {
        return Call([&] {
            std::vector<std::wstring> names;
            for (const auto& member : connection_->Live().RoleMembers(info_.name))
                names.push_back(Wide(member));
            Out(pp, NewNameList(std::move(names)));
        });
    }

private:
    ConnectionPtr connection_;
    tvengine::ServerRoleInfo info_;
};

class ServerRoles final : public Collection<IWSQLDMOServerRoles, IWSQLDMOServerRole> {
public:
    explicit ServerRoles(ConnectionPtr connection) : connection_(std::move(connection)) {}

protected:
    std::vector<std::wstring> Load() override {
        roles_ = connection_->Live().ServerRoles();
        std::vector<std::wstring> names;
        for (const auto& role : roles_)
            names.push_back(Wide(role.name));
        return names;
    }
    IWSQLDMOServerRole* Make(size_t index) override { return new ServerRole(connection_, roles_[index]); }

private:
    ConnectionPtr connection_;
    std::vector<tvengine::ServerRoleInfo> roles_;
};

// Backup devices ------------------------------------------------------------------------------------------

class BackupDevice final : public Object<IWSQLDMOBackupDevice> {
public:
    explicit BackupDevice(tvengine::BackupDeviceInfo info) : info_(std::move(info)) {}
    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.name)); });
    }
    STDMETHODIMP GetPhysicalLocation(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(info_.physicalName)); });
    }

private:
    tvengine::BackupDeviceInfo info_;
};

class BackupDevices final : public Collection<IWSQLDMOBackupDevices, IWSQLDMOBackupDevice> {
public:
    explicit BackupDevices(ConnectionPtr connection) : connection_(std::move(connection)) {}

protected:
    std::vector<std::wstring> Load() override {
        devices_ = connection_->Live().BackupDevices();
        std::vector<std::wstring> names;
        for (const auto& device : devices_)
            names.push_back(Wide(device.name));
        return names;
    }
    IWSQLDMOBackupDevice* Make(size_t index) override { return new BackupDevice(devices_[index]); }

private:
    ConnectionPtr connection_;
    std::vector<tvengine::BackupDeviceInfo> devices_;
};

// Registry settings ---------------------------------------------------------------------------------------

class Registry final : public Object<IWSQLDMORegistry> {
public:
    explicit Registry(ConnectionPtr connection) : connection_(std::move(connection)) {}
    STDMETHODIMP GetBackupDirectory(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(connection_->Live().Settings().backupFolder)); });
    }
    STDMETHODIMP GetSQLRootPath(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(connection_->Live().Settings().rootFolder)); });
    }
    STDMETHODIMP GetSQLDataRoot(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(connection_->Live().Settings().rootFolder)); });
    }

private:
    ConnectionPtr connection_;
};

// The server ----------------------------------------------------------------------------------------------

class Server final : public Object<IWSQLDMOServer> {
public:
    STDMETHODIMP GetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, connection_ ? connection_->serverName : std::wstring()); });
    }
    STDMETHODIMP GetLoginSecure(VARIANT_BOOL* p) override {
        return Call([&] { Out(p, loginSecure_); });
    }
    STDMETHODIMP SetLoginSecure(VARIANT_BOOL v) override {
        return Call([&] { loginSecure_ = v != VARIANT_FALSE; });
    }
    STDMETHODIMP GetLogin(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, login_); });
    }
    STDMETHODIMP SetLogin(SQLDMO_LPCSTR v) override {
        return Call([&] { login_ = In(v); });
    }
    STDMETHODIMP SetPassword(SQLDMO_LPCSTR v) override {
        return Call([&] { password_ = In(v); });
    }
    STDMETHODIMP Connect(SQLDMO_LPCSTR serverName, SQLDMO_LPCSTR login, SQLDMO_LPCSTR password) override {
        return Call([&] {
            if (connection_ && connection_->session) Fail(L"The server object is already connected.");
            if (login && *login) login_ = login;
            if (password && *password) password_ = password;
            std::wstring name = In(serverName).empty() ? L"(local)" : In(serverName);
            tvengine::Credentials credentials;
            credentials.integrated = loginSecure_;
            if (!loginSecure_) {
                credentials.login = Utf8(login_);
                credentials.password = Utf8(password_);
            }
            auto connection = std::make_shared<Connection>();
            connection->session = tvengine::Connect(Utf8(name), credentials, kProgram);
            connection->serverName = name;
            connection_ = std::move(connection);
        });
    }
    STDMETHODIMP DisConnect() override {
        return Call([&] {
            // Objects taken from this server keep the connection record; without its session their
            // calls fail instead of reaching a closed server.
            if (connection_) connection_->session.reset();
            connection_.reset();
        });
    }
    STDMETHODIMP GetLanguage(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Live().Settings().language)); });
    }
    STDMETHODIMP GetVersionString(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Live().Settings().versionString)); });
    }
    STDMETHODIMP GetNetName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Live().Settings().machineName)); });
    }
    STDMETHODIMP GetTrueName(SQLDMO_LPBSTR p) override {
        return Call([&] { Out(p, Wide(Live().Settings().serverName)); });
    }
    STDMETHODIMP GetVersionMajor(LPLONG p) override {
        return Call([&] { Out(p, long(Live().Settings().majorVersion)); });
    }
    STDMETHODIMP GetVersionMinor(LPLONG p) override {
        return Call([&] { Out(p, long(Live().Settings().minorVersion)); });
    }
    STDMETHODIMP GetDatabases(IWSQLDMODatabases** pp) override {
        return Call([&] {
            Live();
            Out(pp, NewDatabases(connection_));
        });
    }
    STDMETHODIMP GetJobServer(IWSQLDMOJobServer** pp) override {
        return Call([&] {
            Live();
            Out(pp, NewJobServer(connection_));
        });
    }
    STDMETHODIMP GetLogins(IWSQLDMOLogins** pp) override {
        return Call([&] {
            Live();
            Out(pp, static_cast<IWSQLDMOLogins*>(new Logins(connection_)));
        });
    }
    STDMETHODIMP GetServerRoles(IWSQLDMOServerRoles** pp) override {
        return Call([&] {
            Live();
            Out(pp, static_cast<IWSQLDMOServerRoles*>(new ServerRoles(connection_)));
        });
    }
    STDMETHODIMP GetBackupDevices(IWSQLDMOBackupDevices** pp) override {
        return Call([&] {
            Live();
            Out(pp, static_cast<IWSQLDMOBackupDevices*>(new BackupDevices(connection_)));
        });
    }
    STDMETHODIMP GetRegistry(IWSQLDMORegistry** pp) override {
        return Call([&] {
            Live();
            Out(pp, static_cast<IWSQLDMORegistry*>(new Registry(connection_)));
        });
    }
    STDMETHODIMP BeginTransaction(SQLDMO_LPCSTR) override {
        return Call([&] { Live().BeginTransaction(); });
    }
    STDMETHODIMP CommitTransaction(SQLDMO_LPCSTR) override {
        return Call([&] { Live().CommitTransaction(); });
    }
    STDMETHODIMP RollbackTransaction(SQLDMO_LPCSTR) override {
        return Call([&] { Live().RollbackTransaction(); });
    }
    STDMETHODIMP ExecuteWithResults(SQLDMO_LPCSTR command, IWSQLDMOQueryResults** pp) override {
        return Call([&] {
            auto& session = Live();
            auto results = session.Execute(session.CurrentDatabase(), Utf8(In(command)));
            Out(pp, NewQueryResults(results.empty() ? tvengine::ResultSet() : results.front()));
        });
    }

    ConnectionPtr Connected() {
        Live();
        return connection_;
    }

private:
    tvengine::Session& Live() {
        if (!connection_) Fail(L"The server object is not connected.", E_UNEXPECTED);
        return connection_->Live();
    }

    bool loginSecure_ = false;
    std::wstring login_, password_;
    ConnectionPtr connection_;
};

} // namespace

IWSQLDMOQueryResults* NewQueryResults(const tvengine::ResultSet& results) {
    return new QueryResults(results);
}
IUnknown* NewServer() {
    return static_cast<IWSQLDMOServer*>(new Server);
}
IUnknown* NewLogin() {
    return static_cast<IWSQLDMOLogin*>(new Login);
}

ConnectionPtr ConnectionOf(IWSQLDMOServer* server) {
    return Implementation<Server>(server, L"server object")->Connected();
}

} // namespace sqldmo
