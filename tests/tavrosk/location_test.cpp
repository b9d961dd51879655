// Finding the product family's programs: the location keys, the launcher's many names, the help
// suffix, and the usual folders when the registry knows nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../../tavrosk/msde/location.h"
#include "test_support.h"
#include "tvplatform.h"

namespace {

const wchar_t kV8[] = L"SOFTWARE\\Kestrin\\Location\\V8";
const wchar_t kOlder[] = L"SOFTWARE\\Kestrin\\Location";

class ProgramLocation : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin");
        std::error_code ec;
        std::filesystem::remove_all(tvtest::Prefix() + "/drives", ec);
    }

    static void SetLocation(const wchar_t* keyPath, const wchar_t* name, const std::wstring& folder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        if (name)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * 2));
        RegCloseKey(key);
    }

    // Creates a file given by its Windows path and returns that path.
    static std::wstring MakeFile(const std::wstring& path) {
        std::string native = tvp::NativePath(path);
        std::filesystem::create_directories(std::filesystem::path(native).parent_path());
        std::ofstream(native) << "program";
        return path;
    }
};

TEST_F(ProgramLocation, RegisteredFolderGetsOneBackslashBeforeTheFileName) {
    MakeFile(L"c:\\tools\\kx4anchor.exe");
    SetLocation(kV8, L"kx4anchor.exe", L"c:\\tools");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\tools\\kx4anchor.exe");
    SetLocation(kV8, L"kx4anchor.exe", L"c:\\tools\\");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\tools\\kx4anchor.exe");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor", L".exe"), L"c:\\tools\\kx4anchor.exe")
        << "a name without the extension gets it appended to both the value name and the file name";
}

TEST_F(ProgramLocation, ANativeFolderGetsASlash) {
    std::string folder = tvtest::MakeFolder("vendor");
    std::ofstream(folder + "/kx4anchor.exe") << "program";
    SetLocation(kV8, L"kx4anchor.exe", tvp::FromUtf8(folder));
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), tvp::FromUtf8(folder + "/kx4anchor.exe"));
}

TEST_F(ProgramLocation, TheOlderKeyIsReadOnlyWhenTheNewerOneIsMissing) {
    MakeFile(L"c:\\older\\kx4anchor.exe");
    SetLocation(kOlder, L"kx4anchor.exe", L"c:\\older");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\older\\kx4anchor.exe");

    SetLocation(kV8, nullptr, L""); // the newer key exists without the value
    MakeFile(L"c:\\vroot\\prog\\util\\kx4anchor.exe");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\vroot\\prog\\util\\kx4anchor.exe");
}

TEST_F(ProgramLocation, UsualFoldersAreTriedInOrderAndTheLastIsGivenWhenNothingExists) {
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\qzs\\kx4anchor.exe");
    MakeFile(L"c:\\vroot\\system\\text\\kx4anchor.exe");
    MakeFile(L"c:\\vroot\\prog\\appl\\kx4anchor.exe");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\vroot\\prog\\appl\\kx4anchor.exe");
    SetLocation(kV8, L"kx4anchor.exe", L"c:\\nowhere");
    EXPECT_EQ(MSDE::FindProgramLocation(L"kx4anchor.exe", L".exe"), L"c:\\vroot\\prog\\appl\\kx4anchor.exe")
        << "a registered folder without the file falls back to the usual folders";
}

TEST_F(ProgramLocation, TheLaunchersNamesAllFindItsLauncherFile) {
    MakeFile(L"c:\\launcher\\orm7700Launcher.exe");
    SetLocation(kV8, L"orm7700.exe", L"c:\\launcher");
    for (const wchar_t* name : {L"ORM7700", L"orm7700.exe", L"Ormondale 7700", L"ormd7700.EXE"})
        EXPECT_EQ(MSDE::FindProgramLocation(name, L".exe"), L"c:\\launcher\\orm7700Launcher.exe")
            << tvp::ToUtf8(name);
}

TEST_F(ProgramLocation, AHelpSuffixFindsTheHelpFileUnderTheLaunchersOtherName) {
    MakeFile(L"c:\\family\\orm7700_qx.chm");
    SetLocation(kV8, L"ormondale 7700", L"c:\\family");
    EXPECT_EQ(MSDE::FindProgramLocation(L"orm7700.exe_qx", L".exe"), L"c:\\family\\orm7700_qx.chm");
}

TEST(AdministratorCheck, IsFalseWhenTheMakersLibraryIsMissing) {
    EXPECT_FALSE(MSDE::IsCurrentUserAdministrator());
}

} // namespace
