// tavrosk-init's part for the maker's programs: the location key, the default instance, UserPerm and the
// two demo storage areas, and a second run that finds them all in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "quarnel.h"
#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

std::string Init() {
    std::string output;
    EXPECT_EQ(tvtest::Run(tvtest::BuildDir() + "/bin/tavrosk-init 2>&1", &output), 0) << output;
    return output;
}

TEST(Init, PreparesTheMakersProgramsAndRunsAgainHarmlessly) {
    std::string first = Init();
    EXPECT_NE(first.find("created the default instance"), std::string::npos) << first;
    EXPECT_NE(first.find("created the UserPerm database"), std::string::npos) << first;
    EXPECT_NE(first.find("created the storage area Sales"), std::string::npos) << first;

    WCHAR folder[MAX_PATH] = {};
    DWORD bytes = sizeof folder;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location\\V8", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(
        RegQueryValueExW(key, L"kx4anchor.exe", nullptr, nullptr, reinterpret_cast<BYTE*>(folder), &bytes),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(std::filesystem::path(tvp::ToUtf8(folder)),
              std::filesystem::canonical(tvtest::BuildDir() + "/vendor"));

    int32_t count = -1;
    EXPECT_EQ(vtrnDB_GetNumUsers("(local)", &count, 0), 1) << "the user tables are in place";
    for (const char* area : {"Sales", "Engineering"}) {
        int32_t flag = 0;
        EXPECT_EQ(vtrnDB_IsVeltraneDB("(local)", area, &flag, 0), 1) << area;
        EXPECT_EQ(flag, 1) << area;
    }

    std::string second = Init();
    EXPECT_EQ(second.find("created"), std::string::npos) << second;
    EXPECT_NE(second.find("the storage area Engineering is there"), std::string::npos) << second;
}

} // namespace
