// The loader: name mapping, reference counts, the entry point, module names.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

std::wstring ProbePath() {
    return tvp::FromUtf8(tvtest::BuildDir() + "/lib/k32probe.dll");
}

TEST(LoadLibrary, DllNameLoadsSharedLibraryAndCallsEntryPointOnce) {
    HMODULE first = LoadLibraryW(ProbePath().c_str());
    ASSERT_NE(first, nullptr) << GetLastError();
    HMODULE second = LoadLibraryW(ProbePath().c_str());
    EXPECT_EQ(first, second);
    auto count = reinterpret_cast<LONG (*)()>(GetProcAddress(first, "ProbeAttachCount"));
    auto instance = reinterpret_cast<HINSTANCE (*)()>(GetProcAddress(first, "ProbeInstance"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(instance(), first);
    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_NE(GetModuleHandleW(ProbePath().c_str()), nullptr);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetModuleHandleW(ProbePath().c_str()), nullptr) << "a freed library is gone for the program";
}

TEST(LoadLibrary, MissingLibraryAndProcedureFailWithTheirCodes) {
    EXPECT_EQ(LoadLibraryW(L"no-such-library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    HMODULE module = LoadLibraryW(ProbePath().c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    FreeLibrary(module);
}

TEST(LoadLibrary, BareNameIsFoundInTheProgramsFoldersTheSystemFolderThenPath) {
    std::string folder = tvtest::MakeFolder("on-path");
    std::filesystem::copy_file(tvtest::BuildDir() + "/lib/libk32probe.so", folder + "/libk32pathprobe.so");
    EXPECT_EQ(LoadLibraryW(L"k32pathprobe.dll"), nullptr) << "not yet on PATH";

    std::string saved = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", ("/nonexistent::" + folder + ":" + saved).c_str(), 1);
    HMODULE module = LoadLibraryW(L"k32pathprobe.dll");
    setenv("PATH", saved.c_str(), 1);
    ASSERT_NE(module, nullptr) << GetLastError();
    WCHAR path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(tvp::ToUtf8(path), std::filesystem::canonical(folder + "/libk32pathprobe.so").string());
    FreeLibrary(module);

    // An installer's library in the system folder is found without PATH, and before a copy on it.
    std::filesystem::create_directories(tvp::SystemFolder());
    std::filesystem::copy_file(tvtest::BuildDir() + "/lib/libk32probe.so", tvp::SystemFolder() + "/libk32sysprobe.so");
    std::filesystem::copy_file(tvtest::BuildDir() + "/lib/libk32probe.so", folder + "/libk32sysprobe.so");
    setenv("PATH", (folder + ":" + saved).c_str(), 1);
    module = LoadLibraryW(L"k32sysprobe.dll");
    setenv("PATH", saved.c_str(), 1);
    ASSERT_NE(module, nullptr) << GetLastError();
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(tvp::ToUtf8(path), std::filesystem::canonical(tvp::SystemFolder() + "/libk32sysprobe.so").string());
    FreeLibrary(module);

    // The program's ../lib comes first: the build's own k32probe wins over a copy on PATH.
    std::filesystem::copy_file(tvtest::BuildDir() + "/lib/libk32probe.so", folder + "/libk32probe.so");
    setenv("PATH", (folder + ":" + saved).c_str(), 1);
    module = LoadLibraryW(L"k32probe.dll");
    setenv("PATH", saved.c_str(), 1);
    ASSERT_NE(module, nullptr);
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_EQ(tvp::ToUtf8(path),
              std::filesystem::canonical(tvtest::BuildDir() + "/lib/libk32probe.so").string());
    FreeLibrary(module);
}

TEST(GetModuleFileName, GivesTheRealPathAndTruncatesAsDocumented) {
    HMODULE module = LoadLibraryW(ProbePath().c_str());
    ASSERT_NE(module, nullptr);
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_TRUE(std::wstring(path).ends_with(L"/libk32probe.so")) << tvp::ToUtf8(path);
    EXPECT_EQ(GetModuleHandleW(path), module);

    WCHAR small[5];
    EXPECT_EQ(GetModuleFileNameW(module, small, 5), 5u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(small).size(), 4u);
    FreeLibrary(module);
    EXPECT_EQ(GetModuleFileNameW(module, path, MAX_PATH), 0u);
}

TEST(ComputerName, IsTheUpperCaseShortHostNameOfAtMostFifteenCharacters) {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = ARRAYSIZE(name);
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_EQ(size, wcslen(name));
    EXPECT_LE(size, 15u);
    for (WCHAR c : std::wstring(name))
        EXPECT_FALSE(iswlower(c));

    DWORD tooSmall = 1;
    EXPECT_FALSE(GetComputerNameW(name, &tooSmall));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(tooSmall, size + 1);
}

TEST(Interlocked, ReturnsTheNewValueForIncrementAndDecrement) {
    LONG value = 0;
    EXPECT_EQ(InterlockedIncrement(&value), 1);
    EXPECT_EQ(InterlockedDecrement(&value), 0);
    EXPECT_EQ(InterlockedDecrement(&value), -1);
    EXPECT_EQ(InterlockedCompareExchange(&value, 7, -1), -1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 0), 7);
    EXPECT_EQ(value, 7);
}

} // namespace
