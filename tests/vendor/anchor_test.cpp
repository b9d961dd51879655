// kx4anchor.exe and what the access library makes of its storage areas, and the administrator check.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "engine/engine.h"
#include "quarnel.h"
#include "test_support.h"

extern "C" bool IsUserAdministrator();

namespace {

class StorageAreas : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto instances = tvengine::ListInstances();
        if (std::find(instances.begin(), instances.end(), tvengine::kDefaultInstance) == instances.end())
            tvengine::CreateInstance(tvengine::kDefaultInstance);
    }
    static int Anchor(const std::string& arguments, std::string* output = nullptr) {
        return tvtest::Run(tvtest::BuildDir() + "/vendor/kx4anchor.exe " + arguments + " 2>&1", output);
    }
    static int32_t Recognised(const char* database) {
        int32_t flag = -1;
        return vtrnDB_IsVeltraneDB("(local)", database, &flag, 0) ? flag : -1;
    }
};

TEST_F(StorageAreas, MadeByTheAnchorAreRecognisedAndPlainDatabasesAreNot) {
    ASSERT_EQ(Anchor("create '(local)' Sales"), 0);
    ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-engine database create '(local)' Plain"), 0);
    EXPECT_EQ(Recognised("Sales"), 1);
    EXPECT_EQ(Recognised("Plain"), 0);
    int32_t handle = vtrnDB_InitDB("(local)", "Sales", 0, false);
    ASSERT_GT(handle, 0);
    int32_t flag = 0;
    EXPECT_EQ(vtrnDB_IsVeltraneDB("(local)", "Sales", &flag, handle), 1);
    EXPECT_EQ(flag, 1);
    vtrnDB_ExitDB(handle);

    std::string output;
    ASSERT_EQ(Anchor("list '(local)'", &output), 0);
    EXPECT_EQ(output, "Sales\n") << "only storage areas are listed";

    EXPECT_NE(Anchor("create '(local)' Sales", &output), 0);
    EXPECT_NE(output.find("already exists"), std::string::npos) << output;
    EXPECT_EQ(Recognised("Sales"), 1) << "a failed second create leaves the first alone";
}

TEST_F(StorageAreas, RemoveDropsStorageAreasOnlyAndAnUnknownServerFails) {
    ASSERT_EQ(Anchor("create '(local)' Engineering"), 0);
    ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-engine database create '(local)' Ledger"), 0);
    std::string output;
    EXPECT_EQ(Anchor("remove '(local)' Ledger", &output), 1);
    EXPECT_NE(output.find("not a storage area"), std::string::npos) << output;
    EXPECT_EQ(Recognised("Ledger"), 0) << "the plain database is still there";

    EXPECT_EQ(Anchor("remove '(local)' Engineering"), 0);
    EXPECT_EQ(Recognised("Engineering"), -1);
    EXPECT_EQ(Anchor("list ELSEWHERE", &output), 1);
    EXPECT_NE(output.find("does not exist"), std::string::npos) << output;
    EXPECT_EQ(Anchor("create '(local)'"), 2);
}

TEST(AdministratorCheck, RootAndTheSudoAndWheelGroupsAreAdministrators) {
    std::string groups;
    ASSERT_EQ(tvtest::Run("id -Gn", &groups), 0);
    groups = " " + groups.substr(0, groups.find('\n')) + " ";
    bool expected = geteuid() == 0 || groups.find(" sudo ") != std::string::npos ||
                    groups.find(" wheel ") != std::string::npos;
    EXPECT_EQ(IsUserAdministrator(), expected) << "groups:" << groups;
}

} // namespace
