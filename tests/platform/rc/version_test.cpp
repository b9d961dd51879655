// Version information read from library files without loading them: the values of a compiled
// VERSIONINFO, file names as the loader maps them, and files that are not what they seem.
#include <gtest/gtest.h>

#include <filesystem>

#include "rc_test_support.h"

namespace {

std::vector<BYTE> VersionBlock(const std::wstring& file) {
    DWORD handle = 7;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    if (size == 0) return {};
    std::vector<BYTE> block(size);
    EXPECT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data())) << GetLastError();
    return block;
}

std::wstring StringValue(std::vector<BYTE>& block, const wchar_t* path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, &value, &length)) return L"<absent>";
    std::wstring text(static_cast<wchar_t*>(value));
    EXPECT_EQ(length, text.size() + 1) << "the length counts the characters with the null";
    return text;
}

// The error of GetFileVersionInfoSizeW for a file, 0 if it succeeds.
DWORD SizeError(const std::string& path) {
    if (GetFileVersionInfoSizeW(tvp::FromUtf8(path).c_str(), nullptr) != 0) return 0;
    return GetLastError();
}

TEST(VersionInfo, GivesTheFixedInfoTranslationAndStrings) {
    std::vector<BYTE> block = VersionBlock(rctest::WideLibraryPath("rctestres"));
    ASSERT_FALSE(block.empty()) << GetLastError();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, DWORD(VS_FFI_SIGNATURE));
    EXPECT_EQ(fixed->dwStrucVersion, DWORD(VS_FFI_STRUCVERSION));
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(8 << 16 | 0));
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(3 << 16 | 7));
    EXPECT_EQ(fixed->dwProductVersionMS, DWORD(8 << 16 | 5));
    EXPECT_EQ(fixed->dwProductVersionLS, DWORD(0 << 16 | 97));
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_DLL));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<LPVOID*>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(StringValue(block, L"\\StringFileInfo\\040904b0\\CompanyName"), L"Kestrin, Inc.");
    EXPECT_EQ(StringValue(block, L"\\StringFileInfo\\040904b0\\ProductVersion"), L"8.5.0.97");
    EXPECT_EQ(StringValue(block, L"\\stringfileinfo\\040904B0\\comments"), L"Gr\u00f6\u00dfe");
    EXPECT_EQ(StringValue(block, L"\\StringFileInfo\\040904b0\\LegalCopyright"), L"<absent>");
    EXPECT_EQ(StringValue(block, L"\\StringFileInfo\\040704b0\\CompanyName"), L"<absent>");
}

TEST(VersionInfo, IsReadFromALibraryThatMustNotRun) {
    // Loading rcabort would abort this process: the version comes from the file alone. Its script
    // names the VERSIONINFO "VS_VERSION_INFO" rather than 1, which counts as well.
    std::vector<BYTE> block = VersionBlock(rctest::WideLibraryPath("rcabort"));
    ASSERT_FALSE(block.empty()) << GetLastError();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, DWORD(8 << 16 | 5));
    EXPECT_EQ(fixed->dwProductVersionLS, DWORD(0 << 16 | 98));
    EXPECT_EQ(StringValue(block, L"\\StringFileInfo\\040904b0\\ProductVersion"), L"8.5.0.98");
}

TEST(VersionInfo, NamesLibrariesTheWayTheLoaderDoes) {
    // "name.dll" is the file libname.so of the same folder, also under a drive letter.
    std::string lib = tvtest::BuildDir() + "/lib";
    EXPECT_FALSE(VersionBlock(tvp::FromUtf8(lib + "/rctestres.dll")).empty());
    std::string folder = tvtest::MakeFolder("drives/c/Program Files/app");
    std::filesystem::copy_file(rctest::LibraryPath("rctestres"), folder + "/librctestres.so");
    EXPECT_FALSE(VersionBlock(L"C:\\Program Files\\app\\rctestres.dll").empty()) << GetLastError();
}

TEST(VersionInfo, FilesThatAreNotLibrariesWithVersionsFailCleanly) {
    std::string folder = tvtest::MakeFolder("versions");
    EXPECT_EQ(SizeError(folder + "/missing.so"), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(SizeError(folder), DWORD(ERROR_BAD_FORMAT));

    rctest::WriteFile(folder + "/text.so", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(SizeError(folder + "/text.so"), DWORD(ERROR_BAD_FORMAT));

    // Cut short: the section headers are at the end of the file.
    std::vector<BYTE> library = rctest::ReadFile(rctest::LibraryPath("rctestres"));
    ASSERT_GT(library.size(), 4096u);
    for (size_t length : {size_t(64), library.size() / 2, library.size() - 1}) {
        rctest::WriteFile(folder + "/cut.so", std::vector<BYTE>(library.begin(), library.begin() + length));
        EXPECT_EQ(SizeError(folder + "/cut.so"), DWORD(ERROR_BAD_FORMAT)) << length;
    }

    // An ELF library without a resource section, and one without version information.
    EXPECT_EQ(SizeError(rctest::LibraryPath("rcplain")), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));

    // A damaged resource section: the blob claims to be larger than its section.
    auto magic = std::search(library.begin(), library.end(), std::begin("TVRS"), std::end("TVRS") - 1);
    ASSERT_NE(magic, library.end());
    std::vector<BYTE> damaged = library;
    size_t at = static_cast<size_t>(magic - library.begin()) + 8; // totalSize
    damaged[at + 3] = 0x7F;
    rctest::WriteFile(folder + "/damaged.so", damaged);
    EXPECT_EQ(SizeError(folder + "/damaged.so"), DWORD(ERROR_INVALID_DATA));
}

TEST(VersionInfo, ABufferSmallerThanTheSizeFailsInsteadOfCuttingTheTree) {
    std::wstring file = rctest::WideLibraryPath("rctestres");
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    EXPECT_FALSE(GetFileVersionInfoW(file.c_str(), 0, size - 1, block.data()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(GetFileVersionInfoW(file.c_str(), 0, size, nullptr));
}

} // namespace
