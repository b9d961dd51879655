// The hive file behind the registry: where it is, that it is found afresh for another prefix, that
// writers in two processes lose nothing, and that a damaged or unreadable file is reported by name and
// never replaced or changed.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "test_support.h"
#include "tvregistry.h"
#include "windows.h"

namespace {

// Points TAVROSK_PREFIX at a folder of the test's own (not yet existing) while it lives.
class PrefixScope {
public:
    explicit PrefixScope(const std::string& name) : old_(std::getenv("TAVROSK_PREFIX")) {
        path_ = tvtest::MakeFolder("prefixes") + "/" + name;
        setenv("TAVROSK_PREFIX", path_.c_str(), 1);
    }
    ~PrefixScope() { setenv("TAVROSK_PREFIX", old_.c_str(), 1); }
    const std::string& Path() const { return path_; }
    std::string Hive() const { return path_ + "/registry.db"; }

private:
    std::string old_, path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG GetDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof(value);
    return RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}

HKEY MakeKey(const wchar_t* path, LONG expected = ERROR_SUCCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        expected);
    return key;
}

// Uses another prefix for a moment, so that the registry lets go of the current hive.
void LetGo() {
    PrefixScope elsewhere("elsewhere");
    RegCloseKey(MakeKey(L"Software\\Elsewhere"));
}

TEST(Hive, IsCreatedPrivateInANewPrefixAndFoundAfreshWhenThePrefixChanges) {
    PrefixScope first("first");
    HKEY fromFirst = MakeKey(L"Software\\Where");
    ASSERT_EQ(SetDword(fromFirst, L"Prefix", 1), ERROR_SUCCESS);
    struct stat folder {};
    struct stat file {};
    ASSERT_EQ(stat(first.Path().c_str(), &folder), 0);
    ASSERT_EQ(stat(first.Hive().c_str(), &file), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    {
        PrefixScope second("second");
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        // A handle keeps naming the key of the hive it was opened in.
        DWORD value = 0;
        EXPECT_EQ(GetDword(fromFirst, L"Prefix", value), ERROR_SUCCESS);
        EXPECT_EQ(value, 1u);
    }
    RegCloseKey(fromFirst);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(Hive, WritersInTwoProcessesLoseNothing) {
    PrefixScope prefix("race");
    // The parent has the hive open before it forks: the children must not share its connection.
    RegCloseKey(MakeKey(L"Software\\Race"));
    constexpr int kWriters = 2, kValues = 150;
    pid_t children[kWriters];
    for (int writer = 0; writer < kWriters; ++writer) {
        children[writer] = fork();
        ASSERT_GE(children[writer], 0);
        if (children[writer] != 0) continue;
        int failures = 0;
        for (int i = 0; i < kValues; ++i) {
            HKEY key = nullptr;
            std::wstring name = L"w" + std::to_wstring(writer) + L"-" + std::to_wstring(i);
            failures += RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Race", 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &key, nullptr) != ERROR_SUCCESS ||
                        SetDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS;
            RegCloseKey(key);
        }
        _exit(failures == 0 ? 0 : 1);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer saw failures";
    }
    HKEY key = MakeKey(L"Software\\Race");
    DWORD values = 0, value = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kWriters * kValues));
    EXPECT_EQ(GetDword(key, L"W1-149", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 149u);
    RegCloseKey(key);
}

TEST(Hive, AFileOfGarbageIsReportedByNameAndLeftUntouched) {
    PrefixScope prefix("garbage");
    std::string garbage;
    for (int i = 0; i < 200; ++i)
        garbage += "this is no registry hive " + std::to_string(i) + "\n";
    std::filesystem::create_directories(prefix.Path());
    std::ofstream(prefix.Hive(), std::ios::binary) << garbage;

    MakeKey(L"Software\\X", ERROR_BADDB);
    std::string problem = tvp::RegistryProblem();
    EXPECT_NE(problem.find("The registry hive " + prefix.Hive() + " is damaged"), std::string::npos)
        << problem;
    DWORD value = 0;
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, L"v", 1), ERROR_BADDB);
    EXPECT_EQ(GetDword(HKEY_CLASSES_ROOT, L"v", value), ERROR_BADDB);
    EXPECT_EQ(ReadFile(prefix.Hive()), garbage);
    EXPECT_NE(ReadFile(prefix.Path() + "/debug.log").find(prefix.Hive()), std::string::npos);

    // Once the administrator moves it aside, a new hive is made and the problem is gone.
    std::filesystem::rename(prefix.Hive(), prefix.Hive() + ".bad");
    RegCloseKey(MakeKey(L"Software\\X"));
    EXPECT_EQ(tvp::RegistryProblem(), "");
    EXPECT_EQ(ReadFile(prefix.Hive() + ".bad"), garbage);
}

TEST(Hive, AHiveDamagedWhileInUseIsReportedAndNotRepaired) {
    PrefixScope prefix("damaged-in-use");
    HKEY key = MakeKey(L"Software\\InUse");
    ASSERT_EQ(SetDword(key, L"v", 1), ERROR_SUCCESS);
    // Overwritten in place, as a faulty disk or program would.
    std::string damaged = ReadFile(prefix.Hive());
    for (size_t i = 0; i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(i * 7);
    std::fstream(prefix.Hive(), std::ios::binary | std::ios::in | std::ios::out)
        .write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    DWORD value = 0;
    EXPECT_EQ(GetDword(key, L"v", value), ERROR_BADDB);
    EXPECT_EQ(SetDword(key, L"v", 2), ERROR_BADDB);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    EXPECT_EQ(ReadFile(prefix.Hive()), damaged);
    RegCloseKey(key);
}

TEST(Hive, AnotherProgramsDatabaseIsNotTakenForAHive) {
    PrefixScope prefix("foreign");
    std::filesystem::create_directories(prefix.Path());
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(prefix.Hive().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    std::string before = ReadFile(prefix.Hive());
    MakeKey(L"Software\\X", ERROR_BADDB);
    EXPECT_NE(tvp::RegistryProblem().find("not a registry hive"), std::string::npos)
        << tvp::RegistryProblem();
    EXPECT_EQ(ReadFile(prefix.Hive()), before);
}

TEST(Hive, AnUnreadableHiveIsReportedByNameAndAReadOnlyOneCanStillBeRead) {
    {
        PrefixScope prefix("folder");
        std::filesystem::create_directories(prefix.Hive());
        MakeKey(L"Software\\X", ERROR_REGISTRY_IO_FAILED);
        EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    }
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    PrefixScope prefix("permissions");
    RegCloseKey(MakeKey(L"Software\\X"));
    LetGo();
    chmod(prefix.Hive().c_str(), 0400);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, L"v", 1), ERROR_ACCESS_DENIED);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    RegCloseKey(key);
    LetGo();
    chmod(prefix.Hive().c_str(), 0);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
}

} // namespace
