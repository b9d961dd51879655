// The server registration store: groups and registered servers as the root node and the Register
// Server wizard use them, and the list of this computer's instances.
#include "dmo_fixture.h"

using namespace dmotest;

namespace {

ComPtr<IWSQLDMOServerGroups> Groups() {
    auto application = Create<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication);
    ComPtr<IWSQLDMOServerGroups> groups;
    EXPECT_EQ(S_OK, application->GetServerGroups(groups.Receive()));
    return groups;
}

void AddGroup(IWSQLDMOServerGroups* groups, const wchar_t* name) {
    auto group = Create<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
    ASSERT_EQ(S_OK, group->SetName(name));
    ASSERT_EQ(S_OK, groups->Add(group.Get())) << ErrorDescription();
}

TEST(Registration, GroupsAreAddedListedAndRemovedByName) {
    auto groups = Groups();
    long before = Number(groups.Get(), &IWSQLDMOServerGroups::GetCount);
    AddGroup(groups.Get(), L"SQL Server Group");
    AddGroup(groups.Get(), L"Branch Offices");
    ASSERT_EQ(before + 2, Number(groups.Get(), &IWSQLDMOServerGroups::GetCount));

    // A second handle on the store sees what the first wrote.
    auto fresh = Groups();
    ComPtr<IWSQLDMOServerGroup> found;
    ASSERT_EQ(S_OK, fresh->GetItemByName(L"branch offices", found.Receive()));
    EXPECT_EQ(L"Branch Offices", Text(found.Get(), &IWSQLDMOServerGroup::GetName));

    ASSERT_EQ(S_OK, fresh->RemoveByName(L"Branch Offices"));
    EXPECT_EQ(before + 1, Number(fresh.Get(), &IWSQLDMOServerGroups::GetCount));
    EXPECT_TRUE(FAILED(fresh->RemoveByName(L"Branch Offices")));
    EXPECT_EQ(L"[Tavrosk][Object Model]'Branch Offices' was not found in the collection.",
              ErrorDescription());
    fresh->RemoveByName(L"SQL Server Group");
}

TEST(Registration, DuplicateOrUnnamedGroupsAreRefused) {
    auto groups = Groups();
    AddGroup(groups.Get(), L"Twins");
    auto twin = Create<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
    twin->SetName(L"TWINS");
    EXPECT_TRUE(FAILED(groups->Add(twin.Get())));
    EXPECT_EQ(L"[Tavrosk][Object Model]A server group named 'Twins' already exists.", ErrorDescription());

    auto unnamed = Create<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
    EXPECT_TRUE(FAILED(groups->Add(unnamed.Get())));
    // A group name is a key name, never a path into other keys.
    auto path = Create<IWSQLDMOServerGroup>(CLSID_SQLDMOServerGroup, IID_IWSQLDMOServerGroup);
    EXPECT_TRUE(FAILED(path->SetName(L"Twins\\inner")));
    groups->RemoveByName(L"Twins");
}

TEST(Registration, ServersWithInstanceNamesAreRegisteredAndRemovedWithTheirGroup) {
    auto groups = Groups();
    AddGroup(groups.Get(), L"Servers");
    ComPtr<IWSQLDMOServerGroup> group;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"Servers", group.Receive()));
    ComPtr<IWSQLDMORegisteredServers> servers;
    ASSERT_EQ(S_OK, group->GetRegisteredServers(servers.Receive()));

    for (const wchar_t* name : {L"(local)", L"HOST\\SECOND"}) {
        auto server =
            Create<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer, IID_IWSQLDMORegisteredServer);
        ASSERT_EQ(S_OK, server->SetName(name));
        ASSERT_EQ(S_OK, server->SetUseTrustedConnection(VARIANT_TRUE));
        ASSERT_EQ(S_OK, servers->Add(server.Get())) << ErrorDescription();
    }
    ASSERT_EQ(S_OK, servers->Refresh(VARIANT_TRUE));
    ASSERT_EQ(2, Number(servers.Get(), &IWSQLDMORegisteredServers::GetCount));
    ComPtr<IWSQLDMORegisteredServer> named;
    ASSERT_EQ(S_OK, servers->GetItemByName(L"HOST\\SECOND", named.Receive()));
    EXPECT_EQ(L"HOST\\SECOND", Text(named.Get(), &IWSQLDMORegisteredServer::GetName));
    VARIANT_BOOL trusted = VARIANT_FALSE;
    EXPECT_EQ(S_OK, named->GetUseTrustedConnection(&trusted));
    EXPECT_EQ(VARIANT_TRUE, trusted);

    auto duplicate =
        Create<IWSQLDMORegisteredServer>(CLSID_SQLDMORegisteredServer, IID_IWSQLDMORegisteredServer);
    duplicate->SetName(L"(local)");
    EXPECT_TRUE(FAILED(servers->Add(duplicate.Get())));
    EXPECT_EQ(L"[Tavrosk][Object Model]The server '(local)' is already registered in group 'Servers'.",
              ErrorDescription());

    ASSERT_EQ(S_OK, servers->RemoveByName(L"(local)"));
    EXPECT_EQ(1, Number(servers.Get(), &IWSQLDMORegisteredServers::GetCount));

    ASSERT_EQ(S_OK, groups->RemoveByName(L"Servers"));
    AddGroup(groups.Get(), L"Servers");
    ComPtr<IWSQLDMOServerGroup> again;
    ASSERT_EQ(S_OK, groups->GetItemByName(L"Servers", again.Receive()));
    ComPtr<IWSQLDMORegisteredServers> empty;
    ASSERT_EQ(S_OK, again->GetRegisteredServers(empty.Receive()));
    EXPECT_EQ(0, Number(empty.Get(), &IWSQLDMORegisteredServers::GetCount));
    groups->RemoveByName(L"Servers");
}

TEST(Registration, AvailableServersAreThisComputersInstances) {
    auto application = Create<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication);
    ComPtr<IWSQLDMONameList> list;
    ASSERT_EQ(S_OK, application->ListAvailableSQLServers(list.Receive()));
    ASSERT_GE(Number(list.Get(), &IWSQLDMONameList::GetCount), 1);
    WCHAR computer[64] = {};
    DWORD size = 64;
    GetComputerNameW(computer, &size);
    LONG index = -1;
    EXPECT_EQ(S_OK, list->FindName(computer, &index)) << ErrorDescription();
}

} // namespace

namespace {

TEST(ServerRegistration, UnregisteredClassesCannotBeCreatedUntilRegisteredAgain) {
    Prepare();
    std::wstring path = tvp::FromUtf8(tvtest::BuildDir() + "/lib/libsqldmo.so");
    HMODULE module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, module);
    auto call = [&](const char* name) {
        return reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(GetProcAddress(module, name))();
    };
    ASSERT_EQ(S_OK, call("DllUnregisterServer"));
    ComPtr<IUnknown> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_SQLDMOServer, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IWSQLDMOServer, object.ReceiveVoid()));
    ASSERT_EQ(S_OK, call("DllRegisterServer"));
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SQLDMOJobSchedule, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IWSQLDMOJobSchedule, object.ReceiveVoid()));
    object.Reset();
    FreeLibrary(module);
}

} // namespace
