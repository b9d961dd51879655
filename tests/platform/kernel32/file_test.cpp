// Files: creation rules, exclusive opens, wildcards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

std::wstring InFolder(const std::string& folder, const char* name) {
    return tvp::FromUtf8(tvtest::MakeFolder(folder) + "/" + name);
}

HANDLE OpenExclusive(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(CreateFile, CreationDispositionsFollowTheDocumentedRules) {
    std::wstring path = InFolder("dispositions", "a.bak");
    EXPECT_EQ(OpenExclusive(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OpenExclusive(InFolder("dispositions", "missing/a.bak")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

    HANDLE created =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(created, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_TRUE(CloseHandle(created));
    EXPECT_FALSE(CloseHandle(created));

    EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));

    HANDLE again = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(again, nullptr), 5u);
    CloseHandle(again);

    HANDLE truncated = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(truncated, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(truncated, nullptr), 0u);
    CloseHandle(truncated);
}

TEST(CreateFile, AnExclusiveOpenFailsWhileTheFileIsOpenHereOrInAnotherProcess) {
    std::wstring path = InFolder("sharing", "b.bak");
    HANDLE shared = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(shared, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenExclusive(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    HANDLE reader =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    CloseHandle(shared);

    HANDLE exclusive = OpenExclusive(path);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    if (child == 0) {
        HANDLE other = OpenExclusive(path);
        char verdict = other == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION ? 'y' : 'n';
        (void)!write(pipeFds[1], &verdict, 1);
        _exit(0);
    }
    char verdict = 0;
    ASSERT_EQ(read(pipeFds[0], &verdict, 1), 1);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(verdict, 'y');
    CloseHandle(exclusive);
}

TEST(CreateFile, FoldersOpenOnlyWithBackupSemantics) {
    std::wstring folder = tvp::FromUtf8(tvtest::MakeFolder("folders"));
    EXPECT_EQ(CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    HANDLE dir = CreateFileW(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(dir, INVALID_HANDLE_VALUE);
    CloseHandle(dir);
}

TEST(FindFirstFile, MatchesExactNamesAndWildcardsCaseInsensitively) {
    std::string folder = tvtest::MakeFolder("find");
    for (const char* name : {"tavroskres.so", "Other.TXT", "notes.txt"}) {
        HANDLE h = CreateFileW(tvp::FromUtf8(folder + "/" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_NEW, 0, nullptr);
        CloseHandle(h);
    }
    WIN32_FIND_DATAW data;
    HANDLE exact = FindFirstFileW(tvp::FromUtf8(folder + "/tavroskres.so").c_str(), &data);
    ASSERT_NE(exact, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"tavroskres.so");
    EXPECT_FALSE(FindNextFileW(exact, &data));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(exact));

    HANDLE txt = FindFirstFileW(tvp::FromUtf8(folder + "\\*.txt").c_str(), &data);
    ASSERT_NE(txt, INVALID_HANDLE_VALUE);
    int found = 1;
    while (FindNextFileW(txt, &data))
        ++found;
    EXPECT_EQ(found, 2);
    FindClose(txt);

    EXPECT_EQ(FindFirstFileW(tvp::FromUtf8(folder + "/absent.so").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

} // namespace

namespace {

TEST(FilePath, ALibraryNamedDotDllIsItsSharedLibraryFile) {
    std::string folder = tvtest::MakeFolder("libraries");
    HANDLE h = CreateFileW(tvp::FromUtf8(folder + "/libsatellite.so").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    WIN32_FIND_DATAW data;
    HANDLE found = FindFirstFileW(tvp::FromUtf8(folder + "\\Satellite.DLL").c_str(), &data);
    ASSERT_NE(found, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, L"libsatellite.so");
    FindClose(found);
    EXPECT_EQ(GetFileAttributesW(tvp::FromUtf8(folder + "/other.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
