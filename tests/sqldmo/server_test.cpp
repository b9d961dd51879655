// Connecting to servers both ways, what a connected server says about itself, the failures a caller
// must be able to show, and the logins, roles and backup devices of a server.
#include "dmo_fixture.h"

#include "oaidl.h"

using namespace dmotest;

namespace {

std::wstring ComputerName() {
    WCHAR name[64] = {};
    DWORD size = 64;
    GetComputerNameW(name, &size);
    return name;
}

TEST(ServerConnect, IntegratedConnectionReportsServerFacts) {
    auto server = Connected();
    EXPECT_EQ(L"us_english", Text(server.Get(), &IWSQLDMOServer::GetLanguage));
    EXPECT_EQ(8, Number(server.Get(), &IWSQLDMOServer::GetVersionMajor));
    EXPECT_FALSE(Text(server.Get(), &IWSQLDMOServer::GetVersionString).empty());
    // The nodes decide "is this server local" by comparing this with the computer's name.
    EXPECT_EQ(ComputerName(), Text(server.Get(), &IWSQLDMOServer::GetNetName));
}

TEST(ServerConnect, EveryNameOfThisComputerReachesTheDefaultInstance) {
    for (const std::wstring& name :
         {std::wstring(L"(local)"), std::wstring(L"."), std::wstring(L"localhost"), ComputerName()}) {
        auto server = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
        server->SetLoginSecure(VARIANT_TRUE);
        EXPECT_EQ(S_OK, server->Connect(name.c_str(), nullptr, nullptr)) << ErrorDescription();
    }
}

TEST(ServerConnect, SqlLoginConnectsWithItsPasswordAndFailsWithAnother) {
    Prepare();
    {
        auto admin = tvengine::Connect("(local)");
        tvengine::LoginInfo login;
        login.name = "builder";
        login.type = tvengine::LoginType::Sql;
        admin->AddLogin(login, "s3cret!");
    }
    auto good = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    EXPECT_EQ(S_OK, good->Connect(L"(local)", L"builder", L"s3cret!")) << ErrorDescription();

    auto bad = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    HRESULT hr = bad->Connect(L"(local)", L"builder", L"wrong");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(L"[Tavrosk][Engine]Login failed for user 'builder'.", ErrorDescription());
    // A server object that failed to connect answers nothing as if it were connected.
    BSTR text = nullptr;
    EXPECT_TRUE(FAILED(bad->GetLanguage(&text)));
    EXPECT_EQ(nullptr, text);
    EXPECT_NE(L"<none>", ErrorDescription());
}

TEST(ServerConnect, UnknownServerFailsWithTheServersSentence) {
    auto server = Create<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer);
    server->SetLoginSecure(VARIANT_TRUE);
    EXPECT_TRUE(FAILED(server->Connect(L"NOSUCHHOST\\NOWHERE", nullptr, nullptr)));
    EXPECT_EQ(L"[Tavrosk][Engine]SQL Server does not exist or access denied.", ErrorDescription());
}

TEST(ServerConnect, EveryObjectSupportsErrorInfoForItsInterface) {
    auto server = Connected();
    auto support = server.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IWSQLDMOServer));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IWSQLDMODatabase));

    ComPtr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(databases.Receive()));
    support = databases.As<ISupportErrorInfo>();
    ASSERT_TRUE(support);
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IWSQLDMODatabases));
}

TEST(ServerConnect, ObjectsOfADisconnectedServerFailInsteadOfReachingIt) {
    auto server = Connected();
    ComPtr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(databases.Receive()));
    ASSERT_EQ(S_OK, server->DisConnect());
    LONG count = -1;
    EXPECT_TRUE(FAILED(databases->GetCount(&count)));
    EXPECT_EQ(L"[Tavrosk][Object Model]The object is not connected to a server.", ErrorDescription());
}

TEST(ServerRegistry, NamesTheBackupFolderAndRootPath) {
    auto server = Connected();
    ComPtr<IWSQLDMORegistry> registry;
    ASSERT_EQ(S_OK, server->GetRegistry(registry.Receive()));
    auto root = Text(registry.Get(), &IWSQLDMORegistry::GetSQLRootPath);
    EXPECT_EQ(root + L"/Backup", Text(registry.Get(), &IWSQLDMORegistry::GetBackupDirectory));
}

TEST(ServerSecurity, ListsLoginsAddsAGroupLoginAndARoleMember) {
    auto server = Connected();
    ComPtr<IWSQLDMOLogins> logins;
    ASSERT_EQ(S_OK, server->GetLogins(logins.Receive()));
    long before = Number(logins.Get(), &IWSQLDMOLogins::GetCount);
    EXPECT_GT(before, 0);

    auto login = Create<IWSQLDMOLogin>(CLSID_SQLDMOLogin, IID_IWSQLDMOLogin);
    std::wstring group = ComputerName() + L"\\designers";
    ASSERT_EQ(S_OK, login->SetName(group.c_str()));
    ASSERT_EQ(S_OK, login->SetType(SQLDMOLogin_NTGroup));
    ASSERT_EQ(S_OK, logins->Add(login.Get())) << ErrorDescription();
    EXPECT_EQ(before + 1, Number(logins.Get(), &IWSQLDMOLogins::GetCount));
    ComPtr<IWSQLDMOLogin> found;
    ASSERT_EQ(S_OK, logins->GetItemByName(group.c_str(), found.Receive()));
    EXPECT_EQ(SQLDMOLogin_NTGroup, Number(found.Get(), &IWSQLDMOLogin::GetType));

    // Adding the same login twice is the server's refusal, not a silent success.
    auto again = Create<IWSQLDMOLogin>(CLSID_SQLDMOLogin, IID_IWSQLDMOLogin);
    again->SetName(group.c_str());
    again->SetType(SQLDMOLogin_NTGroup);
    EXPECT_TRUE(FAILED(logins->Add(again.Get())));
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"[Tavrosk][Engine]"));

    ComPtr<IWSQLDMOServerRoles> roles;
    ASSERT_EQ(S_OK, server->GetServerRoles(roles.Receive()));
    ComPtr<IWSQLDMOServerRole> sysadmin;
    ASSERT_EQ(S_OK, roles->GetItemByName(L"sysadmin", sysadmin.Receive()));
    ASSERT_EQ(S_OK, sysadmin->AddMember(group.c_str())) << ErrorDescription();
    ComPtr<IWSQLDMONameList> members;
    ASSERT_EQ(S_OK, sysadmin->EnumServerRoleMember(members.Receive()));
    LONG index = -1;
    EXPECT_EQ(S_OK, members->FindName(group.c_str(), &index));
}

TEST(ServerSecurity, BackupDevicesAreListedByName) {
    Prepare();
    {
        auto admin = tvengine::Connect("(local)");
        admin->AddBackupDevice({"nightly", tvtest::Prefix() + "/nightly.bak"});
    }
    auto server = Connected();
    ComPtr<IWSQLDMOBackupDevices> devices;
    ASSERT_EQ(S_OK, server->GetBackupDevices(devices.Receive()));
    ASSERT_EQ(1, Number(devices.Get(), &IWSQLDMOBackupDevices::GetCount));
    ComPtr<IWSQLDMOBackupDevice> device;
    ASSERT_EQ(S_OK, devices->GetItemByOrd(0, device.Receive()));
    EXPECT_EQ(L"nightly", Text(device.Get(), &IWSQLDMOBackupDevice::GetName));
    // Past the end is a failure with a reason, not a null object.
    ComPtr<IWSQLDMOBackupDevice> none;
    EXPECT_EQ(E_INVALIDARG, devices->GetItemByOrd(1, none.Receive()));
    EXPECT_FALSE(none);
    EXPECT_EQ(L"[Tavrosk][Object Model]There is no item at position 1 of the collection.",
              ErrorDescription());
}

} // namespace
