// The storage-area access module: binding the library found beside kx4anchor.exe, the calls the nodes
// and pages make through it, and the exception that every method throws when the library or one of its
// functions is missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "../../tavrosk/msde/dbaccess.h"
#include "test_support.h"
#include "tvplatform.h"

namespace {

using MSDE::CDBAccessModule;

class AccessModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string output;
        ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-engine instance list", &output), 0);
        if (output.find("MSSQLSERVER") == std::string::npos) {
            ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-engine instance create"), 0);
        }
    }
    void SetUp() override { SetProgramFolder(tvtest::BuildDir() + "/vendor"); }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin"); }

    static void SetProgramFolder(const std::string& folder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location\\V8", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::wstring value = tvp::FromUtf8(folder);
        RegSetValueExW(key, L"kx4anchor.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(key);
    }

    // Every method of the module, each with the name it throws.
    static std::vector<std::pair<const char*, std::function<void(CDBAccessModule&)>>> Methods() {
        static int flags[4][CDBAccessModule::kDataTypes];
        static char names[CDBAccessModule::kNameBytes];
        return {
            {"Connect", [](CDBAccessModule& m) { m.Connect(); }},
            {"Disconnect", [](CDBAccessModule& m) { m.Disconnect(); }},
            {"GetUserCount",
             [](CDBAccessModule& m) {
                 int c;
                 m.GetUserCount(c);
             }},
            {"CreateUserTables", [](CDBAccessModule& m) { m.CreateUserTables(); }},
            {"GetUsers", [](CDBAccessModule& m) { m.GetUsers(names, nullptr, nullptr, nullptr, 1); }},
            {"AddUser", [](CDBAccessModule& m) { m.AddUser(L"mona"); }},
            {"DeleteUser", [](CDBAccessModule& m) { m.DeleteUser(L"mona"); }},
            {"GetUserTypePermissions",
             [](CDBAccessModule& m) {
                 m.GetUserTypePermissions(L"mona", flags[0], flags[1], flags[2], flags[3]);
             }},
            {"SetUserTypePermission",
             [](CDBAccessModule& m) { m.SetUserTypePermission(L"mona", 1, 1, 1, 1, 1); }},
            {"IsVeltrane", [](CDBAccessModule& m) { m.IsVeltrane(L"Sales"); }},
            {"GetUserDBPermission",
             [](CDBAccessModule& m) {
                 int r, w;
                 m.GetUserDBPermission(L"mona", r, w);
             }},
            {"SetUserDBPermission", [](CDBAccessModule& m) { m.SetUserDBPermission(L"mona", 1, 1); }},
        };
    }

    static void ExpectEveryMethodThrowsItsName() {
        CDBAccessModule module(L"(local)", L"UserPerm");
        for (auto& [name, call] : Methods()) {
            try {
                call(module);
                ADD_FAILURE() << name << " did not throw";
            } catch (const MSDE::dbaccess_exception& error) {
                EXPECT_STREQ(error.what(), name);
            }
        }
    }
};

TEST_F(AccessModule, WithoutTheProgramFolderEveryMethodThrowsItsName) {
    SetProgramFolder(tvtest::Prefix() + "/no-such-folder");
    ExpectEveryMethodThrowsItsName();
}

TEST_F(AccessModule, ALibraryWithoutTheFunctionsMakesEveryMethodThrowItsName) {
    std::string folder = tvtest::MakeFolder("not-the-library");
    std::ofstream(folder + "/kx4anchor.exe") << "program";
    std::filesystem::copy_file(tvtest::BuildDir() + "/vendor/libmorvane.so", folder + "/libquarnel.so");
    SetProgramFolder(folder);
    ExpectEveryMethodThrowsItsName();
}

TEST_F(AccessModule, ConnectedModuleCallsTheLibraryWithNamesInTheSystemCodePage) {
    CDBAccessModule missing(L"(local)", L"NoSuchDatabase");
    EXPECT_EQ(missing.Connect(), 0);

    CDBAccessModule logins(L"(local)", L"UserPerm");
    ASSERT_EQ(logins.CreateUserTables(), 1);
    ASSERT_GT(logins.Connect(), 0);
    int before = 0, after = 0;
    ASSERT_EQ(logins.GetUserCount(before), 1);
    logins.AddUser(L"J\u00fcrgen");
    ASSERT_EQ(logins.GetUserCount(after), 1);
    ASSERT_EQ(after, before + 1);
    std::vector<char> names(after * CDBAccessModule::kNameBytes);
    ASSERT_EQ(logins.GetUsers(names.data(), nullptr, nullptr, nullptr, after), after);
    bool found = false;
    for (int i = 0; i < after; ++i)
        found = found || std::string(&names[i * CDBAccessModule::kNameBytes]) == "J\xc3\xbcrgen";
    EXPECT_TRUE(found) << "names reach the library in the system code page";

    EXPECT_EQ(logins.SetUserTypePermission(L"J\u00fcrgen", 10, 1, 0, 1, 1), 1);
    int flags[4][CDBAccessModule::kDataTypes];
    ASSERT_EQ(logins.GetUserTypePermissions(L"J\u00fcrgen", flags[0], flags[1], flags[2], flags[3]), 1);
    EXPECT_EQ(flags[0][9], 1) << "element 9 holds type 10";
    EXPECT_EQ(flags[1][9], 0);

    logins.Disconnect();
    EXPECT_EQ(logins.Handle(), 0);
    EXPECT_NO_THROW(logins.Disconnect()) << "the logins listing disconnects without a connection";
}

TEST_F(AccessModule, StorageAreasAreRecognisedAndCarryEachUsersAccess) {
    ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/vendor/kx4anchor.exe create '(local)' Cutting"), 0);
    CDBAccessModule server(L"(local)");
    EXPECT_TRUE(server.IsVeltrane(L"Cutting"));
    EXPECT_FALSE(server.IsVeltrane(L"master"));
    server.AddUser(L"arne");

    CDBAccessModule area(L"(local)", L"Cutting");
    EXPECT_NE(area.SetUserDBPermission(L"arne", 0, 1), 0);
    int read = 1, write = 0;
    ASSERT_EQ(area.GetUserDBPermission(L"arne", read, write), 1);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(write, 1);
}

} // namespace
