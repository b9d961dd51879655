// Who may use an instance: the accounts that integrated authentication maps a Unix user to, salted
// slow hashes of SQL login passwords (never the password itself), and the session's logins, server
// roles and backup devices. The sysadmin role is checked by every administrative act.
#include <grp.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "files.h"
#include "internal.h"
#include "session_impl.h"

namespace tvengine::detail {

namespace {

// Slow enough to make guessing expensive, quick enough for a person logging in.
constexpr int kIterations = 120000;
constexpr size_t kSaltBytes = 16;
constexpr size_t kHashBytes = 32;

std::string Hex(const unsigned char* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

bool FromHex(const std::string& text, std::vector<unsigned char>& bytes) {
    if (text.size() % 2) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        char pair[3] = {text[i], text[i + 1], 0};
        char* end = nullptr;
        long value = std::strtol(pair, &end, 16);
        if (end != pair + 2) return false;
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return true;
}

std::vector<unsigned char> Derive(const std::string& password, const std::vector<unsigned char>& salt,
                                  int iterations) {
    std::vector<unsigned char> hash(kHashBytes);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(hash.size()), hash.data()) != 1)
        throw Error(kErrInternal, "The password could not be hashed.");
    return hash;
}

} // namespace

std::string HashPassword(const std::string& password) {
    std::vector<unsigned char> salt(kSaltBytes);
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        throw Error(kErrInternal, "No random numbers for a password salt.");
    auto hash = Derive(password, salt, kIterations);
    return "pbkdf2-sha256$" + std::to_string(kIterations) + "$" + Hex(salt.data(), salt.size()) + "$" +
           Hex(hash.data(), hash.size());
}

bool VerifyPassword(const std::string& password, const std::string& stored) {
    // pbkdf2-sha256$<iterations>$<salt>$<hash>
    size_t a = stored.find('$'), b = stored.find('$', a + 1), c = stored.find('$', b + 1);
    if (a == std::string::npos || b == std::string::npos || c == std::string::npos) return false;
    if (stored.substr(0, a) != "pbkdf2-sha256") return false;
    int iterations = std::atoi(stored.substr(a + 1, b - a - 1).c_str());
    std::vector<unsigned char> salt, expected;
    if (iterations <= 0 || !FromHex(stored.substr(b + 1, c - b - 1), salt) ||
        !FromHex(stored.substr(c + 1), expected) || expected.size() != kHashBytes)
        return false;
    auto hash = Derive(password, salt, iterations);
    return CRYPTO_memcmp(hash.data(), expected.data(), kHashBytes) == 0;
}

std::vector<std::string> WindowsAccountsFor(const std::string& host, const std::string& user, unsigned uid,
                                            const std::vector<std::string>& groups) {
    std::vector<std::string> accounts{host + "\\" + user};
    bool administrator = uid == 0;
    for (const std::string& group : groups) {
        accounts.push_back(host + "\\" + group);
        if (group == "sudo") administrator = true;
    }
    accounts.push_back("BUILTIN\\Users");
    if (administrator) accounts.push_back("BUILTIN\\Administrators");
    return accounts;
}

std::vector<std::string> CurrentUserAccounts(std::string* primary) {
    uid_t uid = ::geteuid();
    std::string user = std::to_string(uid);
    gid_t gid = ::getegid();
    if (struct passwd* pw = ::getpwuid(uid)) {
        user = pw->pw_name;
        gid = pw->pw_gid;
    }
    std::vector<std::string> groups;
    int count = 64;
    std::vector<gid_t> ids(count);
    if (::getgrouplist(user.c_str(), gid, ids.data(), &count) < 0) {
        ids.resize(count);
        ::getgrouplist(user.c_str(), gid, ids.data(), &count);
    }
    ids.resize(std::max(count, 0));
    for (gid_t id : ids)
        if (struct group* gr = ::getgrgid(id)) groups.push_back(gr->gr_name);
    std::string host = ThisComputerName();
    if (primary) *primary = host + "\\" + user;
    return WindowsAccountsFor(host, user, uid, groups);
}

} // namespace tvengine::detail

namespace tvengine {

using namespace detail;

namespace {

struct RoleName {
    const char* name;
    const char* description;
};

const RoleName kServerRoles[] = {
    {"sysadmin", "System Administrators"},      {"securityadmin", "Security Administrators"},
    {"serveradmin", "Server Administrators"},   {"setupadmin", "Setup Administrators"},
    {"processadmin", "Process Administrators"}, {"diskadmin", "Disk Administrators"},
    {"dbcreator", "Database Creators"},         {"bulkadmin", "Bulk Insert Administrators"},
};

const char* CanonicalRole(const std::string& role) {
    for (const RoleName& known : kServerRoles)
        if (EqualsNoCase(known.name, role)) return known.name;
    throw NoSuchRole(role);
}

void RequireLogin(Connection& catalog, const std::string& name) {
    auto query = catalog.Prepare("SELECT 1 FROM logins WHERE name = ?");
    if (!query.With(name).Step()) throw NoSuchLogin(name);
}

} // namespace

std::vector<LoginInfo> Session::Logins() {
    std::vector<LoginInfo> logins;
    auto query = impl_->catalog.Prepare(
        "SELECT name, type, default_database, language, created FROM logins ORDER BY name COLLATE NOCASE");
    while (query.Step()) {
        LoginInfo login;
        login.name = query.Text(0);
        login.type = static_cast<LoginType>(query.Int(1));
        login.defaultDatabase = query.Text(2);
        login.language = query.Text(3);
        login.created = query.Int(4);
        logins.push_back(std::move(login));
    }
    return logins;
}

void Session::AddLogin(const LoginInfo& login, const std::string& password) {
    impl_->RequireSysadmin();
    CheckName("login", login.name);
    bool windows = login.type != LoginType::Sql;
    if (windows && login.name.find('\\') == std::string::npos) throw NotWindowsName(login.name);
    if (!windows && login.name.find('\\') != std::string::npos)
        throw InvalidName("login", login.name, "a SQL login holds no '\\'");
    // Hash before taking the catalog's write lock: the hash is slow on purpose.
    std::string hash = windows ? std::string() : HashPassword(password);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto exists = impl_->catalog.Prepare("SELECT 1 FROM logins WHERE name = ?");
    if (exists.With(login.name).Step()) throw LoginExists(login.name);
    auto insert = impl_->catalog.Prepare("INSERT INTO logins(name, type, password_hash, default_database, "
                                         "language, created) VALUES (?, ?, ?, ?, ?, ?)");
    insert.With(login.name, static_cast<int>(login.type));
    if (windows)
        insert.BindNull(3);
    else
        insert.Bind(3, hash);
    insert.Bind(4, login.defaultDatabase.empty() ? std::string("master") : login.defaultDatabase)
        .Bind(5, login.language.empty() ? std::string("us_english") : login.language)
        .Bind(6, static_cast<long long>(std::time(nullptr)))
        .Run();
    write.Commit();
}

void Session::DropLogin(const std::string& name) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    RequireLogin(impl_->catalog, name);
    impl_->catalog.Prepare("DELETE FROM logins WHERE name = ?").With(name).Run();
    write.Commit();
}

void Session::SetPassword(const std::string& login, const std::string& password) {
    // A login may change its own password; anyone else's needs sysadmin.
    if (!EqualsNoCase(login, impl_->login)) impl_->RequireSysadmin();
    std::string hash = HashPassword(password);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto update = impl_->catalog.Prepare("UPDATE logins SET password_hash = ? WHERE name = ? AND type = 2");
    update.With(hash, login).Run();
    if (impl_->catalog.Changes() == 0)
        throw Error(kErrNoSuchLogin, "'" + login + "' is not a valid login or you do not have permission.");
    write.Commit();
}

std::vector<ServerRoleInfo> Session::ServerRoles() {
    std::vector<ServerRoleInfo> roles;
    for (const RoleName& role : kServerRoles)
        roles.push_back({role.name, role.description});
    return roles;
}

std::vector<std::string> Session::RoleMembers(const std::string& role) {
    const char* canonical = CanonicalRole(role);
    std::vector<std::string> members;
    auto query =
        impl_->catalog.Prepare("SELECT login FROM role_members WHERE role = ? ORDER BY login COLLATE NOCASE");
    query.With(canonical);
    while (query.Step())
        members.push_back(query.Text(0));
    return members;
}

void Session::AddRoleMember(const std::string& role, const std::string& login) {
    impl_->RequireSysadmin();
    const char* canonical = CanonicalRole(role);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    RequireLogin(impl_->catalog, login);
    impl_->catalog.Prepare("INSERT OR IGNORE INTO role_members(role, login) VALUES (?, ?)")
        .With(canonical, login)
        .Run();
    write.Commit();
}

void Session::DropRoleMember(const std::string& role, const std::string& login) {
    impl_->RequireSysadmin();
    const char* canonical = CanonicalRole(role);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    RequireLogin(impl_->catalog, login);
    impl_->catalog.Prepare("DELETE FROM role_members WHERE role = ? AND login = ?")
        .With(canonical, login)
        .Run();
    write.Commit();
}

std::vector<BackupDeviceInfo> Session::BackupDevices() {
    std::vector<BackupDeviceInfo> devices;
    auto query =
        impl_->catalog.Prepare("SELECT name, physical_name FROM backup_devices ORDER BY name COLLATE NOCASE");
    while (query.Step())
        devices.push_back({query.Text(0), query.Text(1)});
    return devices;
}

void Session::AddBackupDevice(const BackupDeviceInfo& device) {
    impl_->RequireSysadmin();
    CheckName("backup device", device.name);
    if (device.physicalName.empty()) throw DeviceNeedsName();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto exists = impl_->catalog.Prepare("SELECT 1 FROM backup_devices WHERE name = ?");
    if (exists.With(device.name).Step()) throw DeviceExists(device.name);
    // Stored absolute (a name without a folder is in the Backup folder); it is resolved and checked
    // again each time a backup writes to it.
    impl_->catalog.Prepare("INSERT INTO backup_devices(name, physical_name) VALUES (?, ?)")
        .With(device.name, Canonical(device.physicalName, impl_->settings.backupFolder).path)
        .Run();
    write.Commit();
}

void Session::DropBackupDevice(const std::string& name) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    impl_->catalog.Prepare("DELETE FROM backup_devices WHERE name = ?").With(name).Run();
    if (impl_->catalog.Changes() == 0) throw NoSuchDevice(name);
    write.Commit();
}

} // namespace tvengine
