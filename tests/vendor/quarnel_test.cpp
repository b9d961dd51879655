// The storage-area access library as its callers use it: the user tables, users and their fixed fields,
// permissions per data type and per storage area, connection handles, failures that are results, and
// two processes changing one user at once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/engine.h"
#include "quarnel.h"
#include "test_support.h"

namespace {

const char kServer[] = "(local)";

class UserPermissions : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto instances = tvengine::ListInstances();
        if (std::find(instances.begin(), instances.end(), tvengine::kDefaultInstance) == instances.end())
            tvengine::CreateInstance(tvengine::kDefaultInstance);
    }
    void SetUp() override {
        auto session = tvengine::Connect(kServer);
        if (session->DatabaseExists("UserPerm")) session->DropDatabase("UserPerm");
    }
    static std::string Text(const char* field, size_t size) {
        return std::string(field, strnlen(field, size));
    }
};

TEST_F(UserPermissions, CountFailsUntilTheUserTablesAreCreated) {
    int32_t count = -1;
    EXPECT_EQ(vtrnDB_GetNumUsers(kServer, &count, 0), 0);
    EXPECT_EQ(vtrnDB_CreateUserTables(kServer, 0), 1);
    EXPECT_EQ(vtrnDB_CreateUserTables(kServer, 0), 1) << "creating them again is harmless";
    EXPECT_EQ(vtrnDB_GetNumUsers(kServer, &count, 0), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(vtrnDB_CreateUserTables("ELSEWHERE", 0), 0) << "a server name that reaches nothing";
}

TEST_F(UserPermissions, UsersAreListedInNameOrderWithTheirFieldsAndNoMoreThanAsked) {
    ASSERT_EQ(vtrnDB_SetUser(kServer, "mona", "Pattern room", "2nd floor", 7, 0), 1);
    ASSERT_EQ(vtrnDB_SetUser(kServer, "arne", "", "", 0, 0), 1);
    ASSERT_EQ(vtrnDB_SetUser(kServer, "mona", "Cutting", "", 9, 0), 1) << "setting again replaces the fields";
    int32_t count = 0;
    ASSERT_EQ(vtrnDB_GetNumUsers(kServer, &count, 0), 1);
    ASSERT_EQ(count, 2);

    char names[3][VTRN_NAME_BYTES], text50[3][VTRN_TEXT50_BYTES], text30[3][VTRN_TEXT30_BYTES];
    int32_t numbers[3] = {-1, -1, -1};
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(vtrnDB_GetUsers(kServer, names[0], text50[0], text30[0], numbers, 3, 0), 2);
    EXPECT_EQ(Text(names[0], VTRN_NAME_BYTES), "arne");
    EXPECT_EQ(Text(names[1], VTRN_NAME_BYTES), "mona");
    EXPECT_EQ(Text(text50[1], VTRN_TEXT50_BYTES), "Cutting");
    EXPECT_EQ(Text(text30[1], VTRN_TEXT30_BYTES), "");
    EXPECT_EQ(numbers[1], 9);
    EXPECT_EQ(numbers[2], -1);

    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(vtrnDB_GetUsers(kServer, names[0], nullptr, nullptr, nullptr, 1, 0), 1)
        << "a user added since the count never overruns the caller's arrays";
    EXPECT_EQ(names[1][0], 'x');
}

TEST_F(UserPermissions, TextLongerThanItsFieldIsRefusedNotCut) {
    std::string longest(VTRN_NAME_BYTES - 1, 'n'), tooLong(VTRN_NAME_BYTES, 'n');
    EXPECT_EQ(vtrnDB_SetUser(kServer, tooLong.c_str(), "", "", 0, 0), 0);
    EXPECT_EQ(vtrnDB_SetUser(kServer, "", "", "", 0, 0), 0);
    EXPECT_EQ(vtrnDB_SetUser(kServer, "t", std::string(VTRN_TEXT50_BYTES, 'a').c_str(), "", 0, 0), 0);
    EXPECT_EQ(vtrnDB_SetUser(kServer, "t", "", std::string(VTRN_TEXT30_BYTES, 'a').c_str(), 0, 0), 0);
    ASSERT_EQ(vtrnDB_SetUser(kServer, longest.c_str(), std::string(VTRN_TEXT50_BYTES - 1, 'a').c_str(),
                             std::string(VTRN_TEXT30_BYTES - 1, 'b').c_str(), 0, 0),
              1);
    int32_t count = 0;
    ASSERT_EQ(vtrnDB_GetNumUsers(kServer, &count, 0), 1);
    EXPECT_EQ(count, 1) << "refused users were not stored under a shortened name";
    char name[VTRN_NAME_BYTES];
    ASSERT_EQ(vtrnDB_GetUsers(kServer, name, nullptr, nullptr, nullptr, 1, 0), 1);
    EXPECT_EQ(std::string(name), longest) << "the field keeps its terminating zero";
}

TEST_F(UserPermissions, TypePermissionsAreStoredPerTypeAndReadBackInTheirElements) {
    int32_t read[26], write[26], third[26], fourth[26];
    EXPECT_EQ(vtrnDB_GetUserTypePermissions(kServer, "nobody", read, write, third, fourth, 0), 0);
    EXPECT_EQ(vtrnDB_SetUserTypePermission(kServer, "nobody", 1, 1, 1, 1, 1, 0), 0)
        << "permissions of a user that does not exist are not stored";

    ASSERT_EQ(vtrnDB_SetUser(kServer, "Mona", "", "", 0, 0), 1);
    EXPECT_EQ(vtrnDB_SetUserTypePermission(kServer, "mona", 10, 1, 0, 1, 1, 0), 1) << "names ignore case";
    EXPECT_EQ(vtrnDB_SetUserTypePermission(kServer, "Mona", 12, 5, 1, 0, 0, 0), 1);
    EXPECT_EQ(vtrnDB_SetUserTypePermission(kServer, "Mona", 0, 1, 1, 1, 1, 0), 0);
    EXPECT_EQ(vtrnDB_SetUserTypePermission(kServer, "Mona", 27, 1, 1, 1, 1, 0), 0);
    ASSERT_EQ(vtrnDB_GetUserTypePermissions(kServer, "Mona", read, write, third, fourth, 0), 1);
    for (int i = 0; i < 26; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read[i], i == 9 || i == 11 ? 1 : 0);
        EXPECT_EQ(write[i], i == 11 ? 1 : 0);
        EXPECT_EQ(third[i], i == 9 ? 1 : 0);
    }
    for (int i = 0; i < 26; ++i)
        read[i] = write[i] = third[i] = fourth[i] = (i + 1) % 2;
    ASSERT_EQ(vtrnDB_SetUserTypePermissions(kServer, "Mona", read, write, third, fourth, 0), 1);
    int32_t r = -1, w = -1, t = -1, f = -1;
    ASSERT_EQ(vtrnDB_GetUserTypePermission(kServer, "Mona", 1, &r, &w, &t, &f, 0), 1);
    EXPECT_EQ(r + w + t + f, 4);
    ASSERT_EQ(vtrnDB_GetUserTypePermission(kServer, "Mona", 10, &r, &w, &t, &f, 0), 1);
    EXPECT_EQ(r + w + t + f, 0) << "storing all types replaces the earlier flags";
}

TEST_F(UserPermissions, StorageAreaAccessIsGrantedUntilDeniedAndKeptPerArea) {
    ASSERT_EQ(vtrnDB_SetUser(kServer, "arne", "", "", 0, 0), 1);
    int32_t read = 0, write = 0;
    ASSERT_EQ(vtrnDB_GetUserDBPermission(kServer, "Sales", "arne", &read, &write, 0), 1);
    EXPECT_EQ(read, 1);
    EXPECT_EQ(write, 1);
    ASSERT_NE(vtrnDB_SetUserDBPermission(kServer, "Sales", "arne", 1, 0, 0), 0);
    ASSERT_NE(vtrnDB_SetUserDBPermission(kServer, "Engineering", "arne", 0, 1, 0), 0);
    ASSERT_EQ(vtrnDB_GetUserDBPermission(kServer, "sales", "arne", &read, &write, 0), 1);
    EXPECT_EQ(read, 1);
    EXPECT_EQ(write, 0);
    ASSERT_EQ(vtrnDB_GetUserDBPermission(kServer, "Engineering", "arne", &read, &write, 0), 1);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(write, 1);

    read = write = 7;
    EXPECT_EQ(vtrnDB_GetUserDBPermission(kServer, "Sales", "nobody", &read, &write, 0), 0);
    EXPECT_EQ(read, 7) << "a failed read leaves the caller's values";
    EXPECT_EQ(vtrnDB_SetUserDBPermission(kServer, "Sales", "nobody", 1, 1, 0), 0);
}

TEST_F(UserPermissions, DeletingAUserTakesItsPermissionsWithIt) {
    ASSERT_EQ(vtrnDB_SetUser(kServer, "arne", "", "", 0, 0), 1);
    ASSERT_EQ(vtrnDB_SetUserTypePermission(kServer, "arne", 3, 1, 1, 1, 1, 0), 1);
    ASSERT_NE(vtrnDB_SetUserDBPermission(kServer, "Sales", "arne", 0, 0, 0), 0);
    EXPECT_EQ(vtrnDB_DeleteUser(kServer, "ARNE", 0), 1);
    EXPECT_EQ(vtrnDB_DeleteUser(kServer, "arne", 0), 0) << "already gone";

    ASSERT_EQ(vtrnDB_SetUser(kServer, "arne", "", "", 0, 0), 1);
    int32_t r = -1, w = -1, t = -1, f = -1;
    ASSERT_EQ(vtrnDB_GetUserTypePermission(kServer, "arne", 3, &r, &w, &t, &f, 0), 1);
    EXPECT_EQ(r + w + t + f, 0) << "a new user of the same name starts without the old rights";
    ASSERT_EQ(vtrnDB_GetUserDBPermission(kServer, "Sales", "arne", &r, &w, 0), 1);
    EXPECT_EQ(r + w, 2);
}

TEST_F(UserPermissions, HandlesConnectToExistingDatabasesAndEndOnce) {
    EXPECT_EQ(vtrnDB_InitDB("ELSEWHERE", nullptr, 0, false), 0);
    EXPECT_EQ(vtrnDB_InitDB(kServer, "UserPerm", 0, false), 0) << "UserPerm is not created yet";
    int32_t handle = vtrnDB_InitDB(kServer, nullptr, 0, false);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(vtrnDB_CreateUserTables(kServer, handle), 1);
    int32_t other = vtrnDB_InitDB(kServer, "UserPerm", 0, false);
    ASSERT_GT(other, 0);
    EXPECT_NE(other, handle);
    EXPECT_EQ(vtrnDB_SetUser(kServer, "mona", "", "", 0, other), 1);
    int32_t count = 0;
    EXPECT_EQ(vtrnDB_GetNumUsers(kServer, &count, handle), 1);
    EXPECT_EQ(count, 1);

    EXPECT_EQ(vtrnDB_ExitDB(handle), 1);
    EXPECT_EQ(vtrnDB_ExitDB(handle), 0);
    EXPECT_EQ(vtrnDB_GetNumUsers(kServer, &count, handle), 0) << "an ended handle is refused, not used";
    EXPECT_EQ(vtrnDB_ExitDB(0), 0);
    EXPECT_EQ(vtrnDB_ExitDB(other), 1);
}

TEST_F(UserPermissions, MissingArgumentsAreFailuresNotCrashes) {
    ASSERT_EQ(vtrnDB_CreateUserTables(kServer, 0), 1);
    int32_t value = 0, array[26];
    EXPECT_EQ(vtrnDB_GetNumUsers(nullptr, &value, 0), 0);
    EXPECT_EQ(vtrnDB_GetNumUsers(kServer, nullptr, 0), 0);
    EXPECT_EQ(vtrnDB_GetUsers(kServer, nullptr, nullptr, nullptr, nullptr, 4, 0), 0);
    EXPECT_EQ(vtrnDB_SetUser(kServer, nullptr, "", "", 0, 0), 0);
    EXPECT_EQ(vtrnDB_GetUserTypePermissions(kServer, "a", array, nullptr, array, array, 0), 0);
    EXPECT_EQ(vtrnDB_IsVeltraneDB(kServer, nullptr, &value, 0), 0);
    EXPECT_EQ(vtrnDB_IsVeltraneDB(kServer, "NoSuchDatabase", &value, 0), 0);
    EXPECT_EQ(vtrnDB_SetUserDBPermission(kServer, "Sales", nullptr, 1, 1, 0), 0);
}

TEST_F(UserPermissions, TwoProcessesChangingOneUserAtOnceKeepBothChanges) {
    ASSERT_EQ(vtrnDB_SetUser(kServer, "mona", "", "", 0, 0), 1);
    std::string writer = tvtest::BuildDir() + "/tests/quarnel_permission_writer '(local)' mona ";
    std::string output;
    ASSERT_EQ(tvtest::Run("(" + writer + "1 13 Sales 8 & " + writer +
                              "14 26 Engineering 8 & wait %1 || exit 1; wait %2) 2>&1",
                          &output),
              0)
        << output;

    int32_t read[26], write[26], third[26], fourth[26];
    ASSERT_EQ(vtrnDB_GetUserTypePermissions(kServer, "mona", read, write, third, fourth, 0), 1);
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(read[i] + write[i] + third[i] + fourth[i], 4) << "type " << i + 1;
    for (const char* area : {"Sales", "Engineering"}) {
        int32_t r = 0, w = 0;
        ASSERT_EQ(vtrnDB_GetUserDBPermission(kServer, area, "mona", &r, &w, 0), 1);
        EXPECT_EQ(r, 1) << area;
    }
}

} // namespace
