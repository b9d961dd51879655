// Security: integrated authentication's account mapping, SQL logins with salted slow hashes, the
// server's login failure, the sysadmin check on administrative acts, server roles and backup devices.
#include <sqlite3.h>

#include "engine_fixture.h"
#include "internal.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;

TEST(IntegratedAccounts, UserGroupsAndBuiltinGroups) {
    auto accounts = detail::WindowsAccountsFor("HOST", "ann", 1000, {"ann", "staff"});
    EXPECT_EQ(accounts,
              (std::vector<std::string>{"HOST\\ann", "HOST\\ann", "HOST\\staff", "BUILTIN\\Users"}));
}

TEST(IntegratedAccounts, RootAndSudoersAreAdministrators) {
    auto root = detail::WindowsAccountsFor("HOST", "root", 0, {"root"});
    EXPECT_EQ(root.back(), "BUILTIN\\Administrators");
    auto sudoer = detail::WindowsAccountsFor("HOST", "bob", 1001, {"bob", "sudo"});
    EXPECT_EQ(sudoer.back(), "BUILTIN\\Administrators");
    auto plain = detail::WindowsAccountsFor("HOST", "eve", 1002, {"eve", "wheelchair"});
    EXPECT_EQ(std::count(plain.begin(), plain.end(), "BUILTIN\\Administrators"), 0);
}

TEST(Passwords, StoredAsSaltedSlowHashes) {
    std::string first = detail::HashPassword("Secret1");
    std::string second = detail::HashPassword("Secret1");
    EXPECT_NE(first, second); // salted
    EXPECT_EQ(first.find("Secret1"), std::string::npos);
    EXPECT_EQ(first.rfind("pbkdf2-sha256$", 0), 0u);
    EXPECT_GE(std::stoi(first.substr(14)), 100000);
    EXPECT_TRUE(detail::VerifyPassword("Secret1", first));
    EXPECT_FALSE(detail::VerifyPassword("secret1", first));
    EXPECT_FALSE(detail::VerifyPassword("", first));
    EXPECT_FALSE(detail::VerifyPassword("Secret1", "pbkdf2-sha256$1$zz$00"));
    EXPECT_FALSE(detail::VerifyPassword("Secret1", ""));
}

TEST(Logins, SqlLoginConnectsWithItsPasswordOnly) {
    auto admin = enginetest::Admin();
    LoginInfo login;
    login.name = "clerk";
    admin->AddLogin(login, "right pw");
    Credentials good{false, "clerk", "right pw"};
    auto session = Connect("(local)", good);
    EXPECT_EQ(session->LoginName(), "clerk");
    EXPECT_FALSE(session->IsSysadmin());

    EXPECT_EQ(MessageOf([] {
                  Connect("(local)", {false, "clerk", "wrong"});
              }),
              "Login failed for user 'clerk'.");
    EXPECT_EQ(ErrorOf([] { Connect("(local)", {false, "sa", ""}); }), kErrLoginFailed);
    EXPECT_EQ(MessageOf([] { Connect("(local)", {false, "sa", ""}); }), "Login failed for user 'sa'.");
    // A Windows login cannot be used as a SQL login.
    std::string me = admin->LoginName();
    EXPECT_EQ(ErrorOf([&] { Connect("(local)", {false, me, ""}); }), kErrLoginFailed);

    // The password is nowhere in the catalog.
    std::string catalog = enginetest::ReadFile(admin->Settings().rootFolder + "/catalog.db") +
                          enginetest::ReadFile(admin->Settings().rootFolder + "/catalog.db-wal");
    EXPECT_EQ(catalog.find("right pw"), std::string::npos);

    admin->SetPassword("clerk", "new pw");
    EXPECT_EQ(ErrorOf([&] { Connect("(local)", good); }), kErrLoginFailed);
    EXPECT_EQ(Connect("(local)", {false, "clerk", "new pw"})->LoginName(), "clerk");
}

TEST(Logins, IntegratedSessionRunsAsTheUsersWindowsName) {
    auto session = enginetest::Admin();
    std::string primary;
    detail::CurrentUserAccounts(&primary);
    EXPECT_EQ(session->LoginName(), primary);
    EXPECT_TRUE(session->IsSysadmin());
}

TEST(Logins, IntegratedLoginFailsWithoutAMatchingLogin) {
    enginetest::EnsureDefaultInstance();
    CreateInstance("Locked", {8, {"ELSEWHERE\\admin"}});
    {
        auto admin = Connect(".\\Locked");
        LoginInfo sa;
        sa.name = "sa";
        admin->AddLogin(sa, "pw");
        admin->AddRoleMember("sysadmin", "sa");
    }
    auto sa = Connect(".\\Locked", {false, "sa", "pw"});
    sa->DropLogin("BUILTIN\\Administrators");
    sa->DropLogin("ELSEWHERE\\admin");
    std::string primary;
    detail::CurrentUserAccounts(&primary);
    EXPECT_EQ(MessageOf([] { Connect(".\\Locked"); }), "Login failed for user '" + primary + "'.");

    // A login for a group the user is in lets the user in, without sysadmin.
    LoginInfo users;
    users.name = "BUILTIN\\Users";
    users.type = LoginType::WindowsGroup;
    sa->AddLogin(users);
    auto session = Connect(".\\Locked");
    EXPECT_EQ(session->LoginName(), primary);
    EXPECT_FALSE(session->IsSysadmin());
    sa->AddRoleMember("sysadmin", "builtin\\users");
    EXPECT_TRUE(Connect(".\\Locked")->IsSysadmin());
    sa.reset();
    session.reset();
    DropInstance("Locked");
}

TEST(Logins, AdministrativeActsNeedSysadmin) {
    auto admin = enginetest::Admin();
    LoginInfo login;
    login.name = "reader";
    admin->AddLogin(login, "pw");
    enginetest::MakeDatabase(*admin, "Guarded", "g");
    auto reader = Connect("(local)", {false, "reader", "pw"});

    EXPECT_EQ(MessageOf([&] { reader->CreateDatabase({"Nope"}); }),
              "CREATE DATABASE permission denied in database 'master'.");
    EXPECT_EQ(ErrorOf([&] { reader->DropDatabase("Guarded"); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->SetReadOnly("Guarded", true); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->AddLogin({"x"}, "y"); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->AddRoleMember("sysadmin", "reader"); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->Backup({"Guarded", "g.bak"}); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->Restore({"Guarded", "g.bak"}); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->AddJob({}); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->Execute("master", "SELECT 1"); }), kErrNotPermitted);
    EXPECT_EQ(ErrorOf([&] { reader->AddBackupDevice({"d", "/tmp/d.bak"}); }), kErrNotPermitted);
    // What it may do: look, and work in a user database.
    EXPECT_FALSE(reader->Databases().empty());
    EXPECT_EQ(enginetest::Marker(*reader, "Guarded"), "g");
    EXPECT_TRUE(admin->DatabaseExists("Guarded"));
    EXPECT_EQ(MessageOf([&] { reader->SetPassword("clerk2", "x"); }),
              "User does not have permission to perform this action.");
}

TEST(Logins, WindowsAndSqlNamesAreChecked) {
    auto admin = enginetest::Admin();
    LoginInfo windows;
    windows.name = "justaname";
    windows.type = LoginType::WindowsUser;
    EXPECT_EQ(ErrorOf([&] { admin->AddLogin(windows); }), 15407);
    LoginInfo sql;
    sql.name = "DOMAIN\\user";
    EXPECT_NE(ErrorOf([&] { admin->AddLogin(sql, "pw"); }), 0);
    sql.name = "Dup";
    admin->AddLogin(sql, "pw");
    sql.name = "DUP";
    EXPECT_EQ(MessageOf([&] { admin->AddLogin(sql, "pw"); }), "The login 'DUP' already exists.");
    EXPECT_EQ(ErrorOf([&] { admin->DropLogin("nobody here"); }), kErrNoSuchLogin);
}

TEST(ServerRoles, MembersAddAndDrop) {
    auto admin = enginetest::Admin();
    auto roles = admin->ServerRoles();
    ASSERT_EQ(roles.size(), 8u);
    EXPECT_EQ(roles[0].name, "sysadmin");
    LoginInfo group;
    group.name = "BUILTIN\\Users";
    group.type = LoginType::WindowsGroup;
    // Another test of this program may have added the group already; either way it is there now.
    int added = ErrorOf([&] { admin->AddLogin(group); });
    EXPECT_TRUE(added == 0 || added == kErrLoginExists);
    admin->AddRoleMember("SysAdmin", "BUILTIN\\Users");
    auto members = admin->RoleMembers("sysadmin");
    EXPECT_NE(std::find(members.begin(), members.end(), "BUILTIN\\Users"), members.end());
    admin->DropRoleMember("sysadmin", "BUILTIN\\Users");
    members = admin->RoleMembers("sysadmin");
    EXPECT_EQ(std::find(members.begin(), members.end(), "BUILTIN\\Users"), members.end());
    EXPECT_EQ(ErrorOf([&] { admin->AddRoleMember("superuser", "BUILTIN\\Users"); }), kErrNoSuchRole);
    EXPECT_EQ(ErrorOf([&] { admin->AddRoleMember("sysadmin", "ghost"); }), kErrNoSuchLogin);
}

TEST(BackupDevices, AddListDrop) {
    auto admin = enginetest::Admin();
    auto find = [&](const std::string& name) -> std::optional<BackupDeviceInfo> {
        for (const auto& device : admin->BackupDevices())
            if (device.name == name) return device;
        return std::nullopt;
    };
    admin->AddBackupDevice({"Nightly", "c:\\backups\\nightly.bak"});
    ASSERT_TRUE(find("Nightly"));
    EXPECT_EQ(find("Nightly")->physicalName, tvtest::Prefix() + "/drives/c/backups/nightly.bak");
    EXPECT_EQ(ErrorOf([&] { admin->AddBackupDevice({"nightly", "/x"}); }), kErrDeviceExists);
    admin->DropBackupDevice("NIGHTLY");
    EXPECT_FALSE(find("Nightly"));
    EXPECT_EQ(ErrorOf([&] { admin->DropBackupDevice("Nightly"); }), kErrNoSuchDevice);
}
