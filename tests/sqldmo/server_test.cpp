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
    EXPECT_EQ(L"us_english", Text(server.get(), &IWSQLDMOServer::GetLanguage));
    EXPECT_EQ(8, Number(server.get(), &IWSQLDMOServer::GetVersionMajor));
    EXPECT_FALSE(Text(server.get(), &IWSQLDMOServer::GetVersionString).empty());
    // The nodes decide "is this server local" by comparing this with the computer's name.
    EXPECT_EQ(ComputerName(), Text(server.get(), &IWSQLDMOServer::GetNetName));
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
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(S_OK, server->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IWSQLDMOServer));
    EXPECT_EQ(S_FALSE, support->InterfaceSupportsErrorInfo(IID_IWSQLDMODatabase));
    support->Release();

    Ptr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(&databases));
    ASSERT_EQ(S_OK, databases->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IWSQLDMODatabases));
    support->Release();
}

TEST(ServerConnect, ObjectsOfADisconnectedServerFailInsteadOfReachingIt) {
    auto server = Connected();
    Ptr<IWSQLDMODatabases> databases;
    ASSERT_EQ(S_OK, server->GetDatabases(&databases));
    ASSERT_EQ(S_OK, server->DisConnect());
    LONG count = -1;
    EXPECT_TRUE(FAILED(databases->GetCount(&count)));
    EXPECT_EQ(L"[Tavrosk][Object Model]The object is not connected to a server.", ErrorDescription());
}

TEST(ServerRegistry, NamesTheBackupFolderAndRootPath) {
    auto server = Connected();
    Ptr<IWSQLDMORegistry> registry;
    ASSERT_EQ(S_OK, server->GetRegistry(&registry));
    auto root = Text(registry.get(), &IWSQLDMORegistry::GetSQLRootPath);
    EXPECT_EQ(root + L"/Backup", Text(registry.get(), &IWSQLDMORegistry::GetBackupDirectory));
}

TEST(ServerSecurity, ListsLoginsAddsAGroupLoginAndARoleMember) {
    auto server = Connected();
    Ptr<IWSQLDMOLogins> logins;
    ASSERT_EQ(S_OK, server->GetLogins(&logins));
    long before = Number(logins.get(), &IWSQLDMOLogins::GetCount);
    EXPECT_GT(before, 0);

    auto login = Create<IWSQLDMOLogin>(CLSID_SQLDMOLogin, IID_IWSQLDMOLogin);
    std::wstring group = ComputerName() + L"\\designers";
    ASSERT_EQ(S_OK, login->SetName(group.c_str()));
    ASSERT_EQ(S_OK, login->SetType(SQLDMOLogin_NTGroup));
    ASSERT_EQ(S_OK, logins->Add(login.get())) << ErrorDescription();
    EXPECT_EQ(before + 1, Number(logins.get(), &IWSQLDMOLogins::GetCount));
    Ptr<IWSQLDMOLogin> found;
    ASSERT_EQ(S_OK, logins->GetItemByName(group.c_str(), &found));
    EXPECT_EQ(SQLDMOLogin_NTGroup, Number(found.get(), &IWSQLDMOLogin::GetType));

    // Adding the same login twice is the server's refusal, not a silent success.
    auto again = Create<IWSQLDMOLogin>(CLSID_SQLDMOLogin, IID_IWSQLDMOLogin);
    again->SetName(group.c_str());
    again->SetType(SQLDMOLogin_NTGroup);
    EXPECT_TRUE(FAILED(logins->Add(again.get())));
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"[Tavrosk][Engine]"));

    Ptr<IWSQLDMOServerRoles> roles;
    ASSERT_EQ(S_OK, server->GetServerRoles(&roles));
    Ptr<IWSQLDMOServerRole> sysadmin;
    ASSERT_EQ(S_OK, roles->GetItemByName(L"sysadmin", &sysadmin));
    ASSERT_EQ(S_OK, sysadmin->AddMember(group.c_str())) << ErrorDescription();
    Ptr<IWSQLDMONameList> members;
    ASSERT_EQ(S_OK, sysadmin->EnumServerRoleMember(&members));
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
    Ptr<IWSQLDMOBackupDevices> devices;
    ASSERT_EQ(S_OK, server->GetBackupDevices(&devices));
    ASSERT_EQ(1, Number(devices.get(), &IWSQLDMOBackupDevices::GetCount));
    Ptr<IWSQLDMOBackupDevice> device;
    ASSERT_EQ(S_OK, devices->GetItemByOrd(0, &device));
    EXPECT_EQ(L"nightly", Text(device.get(), &IWSQLDMOBackupDevice::GetName));
    // Past the end is a failure with a reason, not a null object.
    Ptr<IWSQLDMOBackupDevice> none;
    EXPECT_EQ(E_INVALIDARG, devices->GetItemByOrd(1, &none));
    EXPECT_FALSE(none);
    EXPECT_EQ(L"[Tavrosk][Object Model]There is no item at position 1 of the collection.",
              ErrorDescription());
}

} // namespace
