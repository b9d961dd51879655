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
    std::string old_;
    std::string path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG GetDword(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof(value);
    return RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}

LONG MakeKey(const wchar_t* path) {
    HKEY key = nullptr;
    LONG result =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result;
}

bool IsRoot() {
    return geteuid() == 0;
}

TEST(Hive, IsCreatedPrivateInANewPrefixAndFoundAfreshWhenThePrefixChanges) {
    HKEY fromFirst = nullptr;
    {
        PrefixScope first("first");
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &fromFirst, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(SetDword(fromFirst, L"Prefix", 1), ERROR_SUCCESS);
        struct stat folder {
        }, file{};
        ASSERT_EQ(stat(first.Path().c_str(), &folder), 0);
        ASSERT_EQ(stat(first.Hive().c_str(), &file), 0);
        EXPECT_EQ(folder.st_mode & 0777, 0700u);
        EXPECT_EQ(file.st_mode & 0777, 0600u);

        PrefixScope second("second");
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, KEY_READ, &key),
                  ERROR_FILE_NOT_FOUND);
        ASSERT_EQ(MakeKey(L"Software\\Where"), ERROR_SUCCESS);
        // A handle keeps naming the key of the hive it was opened in.
        DWORD value = 0;
        ASSERT_EQ(GetDword(fromFirst, L"Prefix", value), ERROR_SUCCESS);
        EXPECT_EQ(value, 1u);
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, KEY_READ, &key), ERROR_SUCCESS);
        EXPECT_EQ(GetDword(key, L"Prefix", value), ERROR_FILE_NOT_FOUND);
        RegCloseKey(key);
    }
    PrefixScope first("first");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Where", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(GetDword(key, L"Prefix", value), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(fromFirst);
}

TEST(Hive, WritersInTwoProcessesLoseNothing) {
    PrefixScope prefix("race");
    // The parent has the hive open before it forks: the children must not share its connection.
    ASSERT_EQ(MakeKey(L"Software\\Race"), ERROR_SUCCESS);
    constexpr int kWriters = 2, kValues = 150;
    pid_t children[kWriters];
    for (int writer = 0; writer < kWriters; ++writer) {
        children[writer] = fork();
        ASSERT_GE(children[writer], 0);
        if (children[writer] == 0) {
            int failures = 0;
            for (int i = 0; i < kValues; ++i) {
                HKEY key = nullptr;
                if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Race", 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr) != ERROR_SUCCESS) {
                    ++failures;
                    continue;
                }
                std::wstring name = L"w" + std::to_wstring(writer) + L"-" + std::to_wstring(i);
                failures += SetDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS;
                RegCloseKey(key);
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer saw failures";
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Race", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kWriters * kValues));
    DWORD value = 0;
    EXPECT_EQ(GetDword(key, L"W1-149", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 149u);
    RegCloseKey(key);
}

TEST(Hive, AFileOfGarbageIsReportedByNameAndLeftUntouched) {
    PrefixScope prefix("garbage");
    std::string garbage;
    for (int i = 0; i < 200; ++i)
        garbage += "this is no registry hive " + std::to_string(i) + "\n";
    WriteFile(prefix.Hive(), garbage);

    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_BADDB);
    std::string problem = tvp::RegistryProblem();
    EXPECT_NE(problem.find(prefix.Hive()), std::string::npos) << problem;
    EXPECT_NE(problem.find("damaged"), std::string::npos) << problem;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, &key), ERROR_BADDB);
    DWORD value = 0;
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, L"v", 1), ERROR_BADDB);
    EXPECT_EQ(GetDword(HKEY_CLASSES_ROOT, L"v", value), ERROR_BADDB);
    EXPECT_EQ(ReadFile(prefix.Hive()), garbage);
    EXPECT_NE(ReadFile(prefix.Path() + "/debug.log").find(prefix.Hive()), std::string::npos);

    // Once the administrator moves it aside, a new hive is made and the problem is gone.
    std::filesystem::rename(prefix.Hive(), prefix.Hive() + ".bad");
    EXPECT_EQ(MakeKey(L"Software\\X"), ERROR_SUCCESS);
    EXPECT_EQ(tvp::RegistryProblem(), "");
    EXPECT_EQ(ReadFile(prefix.Hive() + ".bad"), garbage);
}

TEST(Hive, AHiveDamagedWhileInUseIsReportedAndNotRepaired) {
    PrefixScope prefix("damaged-in-use");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\InUse", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, L"v", 1), ERROR_SUCCESS);
    // Overwritten in place, as a faulty disk or program would.
    std::string bytes = ReadFile(prefix.Hive());
    std::string damaged = bytes;
    for (size_t i = 0; i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(i * 7);
    {
        std::fstream file(prefix.Hive(), std::ios::binary | std::ios::in | std::ios::out);
        file.write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    }
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
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep me');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    std::string before = ReadFile(prefix.Hive());

    EXPECT_EQ(MakeKey(L"Software\\X"), ERROR_BADDB);
    EXPECT_NE(tvp::RegistryProblem().find("not a registry hive"), std::string::npos)
        << tvp::RegistryProblem();
    EXPECT_EQ(ReadFile(prefix.Hive()), before);
}

TEST(Hive, ATruncatedHiveIsReportedAsDamaged) {
    PrefixScope prefix("truncated");
    for (int i = 0; i < 40; ++i) {
        std::wstring path = L"Software\\Many\\Key" + std::to_wstring(i) + L"\\With\\Some\\Depth";
        ASSERT_EQ(MakeKey(path.c_str()), ERROR_SUCCESS);
    }
    // Another prefix for a moment, so that the hive is closed when it is cut.
    {
        PrefixScope elsewhere("truncated-elsewhere");
        ASSERT_EQ(MakeKey(L"Software\\Y"), ERROR_SUCCESS);
    }
    std::string bytes = ReadFile(prefix.Hive());
    ASSERT_GT(bytes.size(), 8192u);
    std::string cut = bytes.substr(0, 8192);
    WriteFile(prefix.Hive(), cut);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Many", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(ReadFile(prefix.Hive()), cut);
}

TEST(Hive, AHiveThatIsNotAFileIsReportedAsUnreadable) {
    PrefixScope prefix("folder");
    std::filesystem::create_directories(prefix.Hive());
    EXPECT_EQ(MakeKey(L"Software\\X"), ERROR_REGISTRY_IO_FAILED);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(prefix.Hive()));
}

TEST(Hive, AnUnreadableHiveGivesAccessDeniedAndAReadOnlyOneCanStillBeRead) {
    if (IsRoot()) GTEST_SKIP() << "file permissions do not bind root";
    PrefixScope prefix("permissions");
    ASSERT_EQ(MakeKey(L"Software\\X"), ERROR_SUCCESS);
    {
        PrefixScope elsewhere("permissions-elsewhere");
        ASSERT_EQ(MakeKey(L"Software\\Y"), ERROR_SUCCESS);
    }

    chmod(prefix.Hive().c_str(), 0400);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(key, L"v", 1), ERROR_ACCESS_DENIED);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    RegCloseKey(key);

    {
        PrefixScope elsewhere("permissions-elsewhere");
        ASSERT_EQ(MakeKey(L"Software\\Y"), ERROR_SUCCESS);
    }
    chmod(prefix.Hive().c_str(), 0);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, KEY_READ, &key), ERROR_ACCESS_DENIED);
    EXPECT_NE(tvp::RegistryProblem().find(prefix.Hive()), std::string::npos);
    chmod(prefix.Hive().c_str(), 0600);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\X", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace
