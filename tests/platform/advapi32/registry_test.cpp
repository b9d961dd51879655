// The registry functions as callers use them: names that match whatever their case, string data whose
// byte counts are UTF-16, deleting trees, the HKEY_CLASSES_ROOT and HKEY_CURRENT_USER views, access
// masks, and handles that outlive their key.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "windows.h"

namespace {

// A key under HKLM\Software that the test owns, removed again afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        path_ = L"Software\\RegistryTest\\" + std::wstring(test.begin(), test.end());
        key_ = Create(HKEY_LOCAL_MACHINE, path_.c_str());
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    }

    static LONG SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * 2));
    }
    static std::wstring GetString(HKEY key, const wchar_t* name) {
        WCHAR buffer[64] = {};
        DWORD size = 64 * 2;
        LONG result = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
        return result == ERROR_SUCCESS ? buffer : L"<error " + std::to_wstring(result) + L">";
    }
    static HKEY Create(HKEY parent, const wchar_t* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    // Whether the key can be opened; the handle is closed again.
    static bool Exists(HKEY parent, const wchar_t* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static std::vector<std::wstring> SubKeys(HKEY key) {
        std::vector<std::wstring> names;
        WCHAR name[256];
        DWORD length = 256;
        for (DWORD i = 0;
             RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
             ++i, length = 256)
            names.emplace_back(name, length);
        return names;
    }

    std::wstring path_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, NamesMatchWhateverTheirCaseInAnyScriptAndKeepTheirFirstSpelling) {
    RegCloseKey(Create(key_, L"InprocServer32"));
    RegCloseKey(Create(key_, L"ÄRGER"));
    RegCloseKey(Create(key_, L"ПРИВЕТ"));
    EXPECT_TRUE(Exists(key_, L"INPROCSERVER32"));
    EXPECT_TRUE(Exists(key_, L"ärger"));
    EXPECT_TRUE(Exists(key_, L"привет"));
    EXPECT_FALSE(Exists(key_, L"arger"));

    DWORD disposition = 0;
    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key_, L"inprocserver32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    ASSERT_EQ(SetString(again, L"ThreadingModel", L"Apartment"), ERROR_SUCCESS);
    ASSERT_EQ(SetString(again, L"THREADINGMODEL", L"Both"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(again, L"threadingmodel"), L"Both");
    WCHAR name[64];
    DWORD length = 64;
    ASSERT_EQ(RegEnumValueW(again, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), L"ThreadingModel");
    EXPECT_EQ(RegEnumValueW(again, 1, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(again);
    // Subkeys come in the order of their names, whatever their case.
    EXPECT_EQ(SubKeys(key_), (std::vector<std::wstring>{L"InprocServer32", L"ÄRGER", L"ПРИВЕТ"}));
}

TEST_F(RegistryTest, MalformedPathsAreRefusedAndCreateNothing) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key_, L"a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExW(key_, L"\\a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    std::wstring tooLong(256, L'x');
    EXPECT_EQ(RegCreateKeyExW(key_, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(SubKeys(key_).empty());
}

TEST_F(RegistryTest, StringSizesAreUtf16ByteCountsWithTheTerminatingNull) {
    ASSERT_EQ(SetString(key_, L"ThreadingModel", L"Apartment"), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"ThreadingModel", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 20u);

    // One WCHAR short: the size needed comes back and the buffer is left alone.
    WCHAR buffer[10];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    size = 18;
    EXPECT_EQ(
        RegQueryValueExW(key_, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(buffer[0], L'#');
    size = 20;
    ASSERT_EQ(
        RegQueryValueExW(key_, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(buffer), L"Apartment");

    // A character outside the basic plane takes two UTF-16 units.
    ASSERT_EQ(SetString(key_, L"Wide", L"a\U0001F600"), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueExW(key_, L"Wide", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(GetString(key_, L"Wide"), L"a\U0001F600");
}

TEST_F(RegistryTest, StringDataIsReadOnlyUpToItsCountOrItsNull) {
    // Without its null: the string still comes back terminated.
    const wchar_t text[] = {L'a', L'b', L'c', L'X'};
    ASSERT_EQ(RegSetValueExW(key_, L"Short", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_SUCCESS);
    EXPECT_EQ(GetString(key_, L"Short"), L"abc");
    // A count of characters * sizeof(WCHAR) must not read beyond the string.
    std::wstring model = L"Apartment";
    ASSERT_EQ(RegSetValueExW(key_, L"Model", 0, REG_SZ, reinterpret_cast<const BYTE*>(model.c_str()),
                             static_cast<DWORD>((model.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"Model", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 20u);

    const wchar_t multi[] = L"one\0two\0";
    ASSERT_EQ(
        RegSetValueExW(key_, L"M", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof(multi)),
        ERROR_SUCCESS);
    WCHAR got[16] = {};
    size = 16 * 2;
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"m", nullptr, &type, reinterpret_cast<BYTE*>(got), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(size, 9u * 2);
    EXPECT_EQ(std::wstring(got, 9), std::wstring(L"one\0two\0", 9));
}

TEST_F(RegistryTest, TheDefaultValueIsTheValueWithAnEmptyOrNullName) {
    ASSERT_EQ(SetString(key_, nullptr, L"Korvath Console"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key_, L""), L"Korvath Console");
    ASSERT_EQ(RegDeleteValueW(key_, L""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key_, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EnumerationReportsShortBuffersAndQueryInfoCountsWhatIsThere) {
    RegCloseKey(Create(key_, L"LongerName"));
    RegCloseKey(Create(key_, L"b"));
    SetString(key_, L"ValueName", L"12345");
    WCHAR name[4];
    DWORD length = 4;
    EXPECT_EQ(RegEnumKeyExW(key_, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    WCHAR valueName[16];
    length = 16;
    BYTE data[4];
    DWORD size = sizeof(data);
    EXPECT_EQ(RegEnumValueW(key_, 0, valueName, &length, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u);

    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 10u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(maxValueName, 9u);
    EXPECT_EQ(maxValue, 12u);
}

TEST_F(RegistryTest, DeleteKeyRefusesAKeyWithSubkeysAndDeleteTreeRemovesEveryLevel) {
    HKEY deep = Create(key_, L"CLSID\\{B121F51B}\\InprocServer32\\Deeper");
    SetString(deep, L"Leaf", L"1");
    RegCloseKey(deep);

    EXPECT_EQ(RegDeleteKeyW(key_, L"CLSID\\{B121F51B}"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(key_, L"CLSID\\{B121F51B}\\InprocServer32\\Deeper"));

    ASSERT_EQ(RegDeleteTreeW(key_, L"clsid\\{b121f51b}"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(key_, L"CLSID\\{B121F51B}"));
    EXPECT_EQ(SubKeys(key_), std::vector<std::wstring>{L"CLSID"});
    EXPECT_EQ(RegDeleteTreeW(key_, L"CLSID\\{B121F51B}"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(key_, L"CLSID"), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(key_).empty());

    // Without a subkey, the key's values and subkeys go and the key stays.
    RegCloseKey(Create(key_, L"a\\b"));
    SetString(key_, L"v", L"1");
    ASSERT_EQ(RegDeleteTreeW(key_, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(key_).empty());
    EXPECT_EQ(RegQueryValueExW(key_, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetString(key_, L"still", L"there"), ERROR_SUCCESS);

    // The roots stay.
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, L""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, ClassesRootAndCurrentUserAreViewsOfKeysBelowTheRealRoots) {
    HKEY clsid = Create(HKEY_CLASSES_ROOT, L"CLSID\\{32C6893E-853A-49A3-9564-EF353D0EF6FF}");
    SetString(clsid, nullptr, L"About");
    RegCloseKey(clsid);
    HKEY seen = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            L"Software\\Classes\\CLSID\\{32C6893E-853A-49A3-9564-EF353D0EF6FF}", 0, KEY_READ,
                            &seen),
              ERROR_SUCCESS);
    EXPECT_EQ(GetString(seen, nullptr), L"About");
    RegCloseKey(seen);
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\CLASSES\\CLSID"), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(HKEY_CLASSES_ROOT, L"CLSID"));

    struct passwd* pw = getpwuid(geteuid());
    ASSERT_NE(pw, nullptr);
    std::string user = pw->pw_name;
    HKEY mine = Create(HKEY_CURRENT_USER, L"Software\\Tavrosk\\Client");
    SetString(mine, L"Setting", L"on");
    RegCloseKey(mine);
    std::wstring path = std::wstring(user.begin(), user.end()) + L"\\Software\\Tavrosk\\Client";
    ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, path.c_str(), 0, KEY_READ, &seen), ERROR_SUCCESS);
    EXPECT_EQ(GetString(seen, L"Setting"), L"on");
    RegCloseKey(seen);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tavrosk");
}

TEST_F(RegistryTest, AccessMasksLimitWhatAHandleMayDo) {
    SetString(key_, L"v", L"1");
    RegCloseKey(Create(key_, L"sub"));
    HKEY reader = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_READ, &reader), ERROR_SUCCESS);
    EXPECT_EQ(GetString(reader, L"v"), L"1");
    EXPECT_EQ(SubKeys(reader), std::vector<std::wstring>{L"sub"});
    EXPECT_EQ(SetString(reader, L"v", L"2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(reader, L"v"), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(reader, L"new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeW(reader, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(reader);
    EXPECT_EQ(GetString(key_, L"v"), L"1");
    EXPECT_EQ(SubKeys(key_), std::vector<std::wstring>{L"sub"});

    HKEY writer = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
    EXPECT_EQ(SetString(writer, L"v", L"3"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(writer, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    WCHAR name[16];
    DWORD length = 16;
    EXPECT_EQ(RegEnumKeyExW(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(writer);

    HKEY generic = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, GENERIC_READ, &generic), ERROR_SUCCESS);
    EXPECT_EQ(GetString(generic, L"v"), L"3");
    EXPECT_EQ(SetString(generic, L"v", L"4"), ERROR_ACCESS_DENIED);
    RegCloseKey(generic);
}

TEST_F(RegistryTest, ClosedHandlesAreInvalidAndHandlesOfDeletedKeysReportIt) {
    HKEY closed = Create(key_, L"closed");
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    HKEY other = Create(key_, L"other"); // a new handle never takes a closed one's id
    EXPECT_EQ(SetString(closed, L"v", L"1"), ERROR_INVALID_HANDLE);
    RegCloseKey(other);

    HKEY held = Create(key_, L"victim");
    SetString(held, L"v", L"1");
    ASSERT_EQ(RegDeleteTreeW(key_, L"victim"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(held, L"v", L"2"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExW(held, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExW(held, L"child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr),
              ERROR_KEY_DELETED);
    // A new key of the same name is another key.
    HKEY reborn = Create(key_, L"victim");
    EXPECT_EQ(SetString(held, L"v", L"3"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegQueryValueExW(reborn, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(held), ERROR_SUCCESS);
    RegCloseKey(reborn);
}

} // namespace
