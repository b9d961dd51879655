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
        std::wstring name = L"Software\\RegistryTest\\" + tvp_name();
        path_ = name;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str());
    }
    static std::wstring tvp_name() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        return std::wstring(name.begin(), name.end());
    }

    LONG SetString(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * 2));
    }
    std::wstring GetString(HKEY key, const wchar_t* name) {
        WCHAR buffer[256] = {};
        DWORD size = sizeof(buffer) / sizeof(WCHAR) * 2;
        DWORD type = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            return L"<missing>";
        return buffer;
    }
    HKEY Create(HKEY parent, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    HKEY Open(HKEY parent, const wchar_t* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        return RegOpenKeyExW(parent, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
    }
    std::vector<std::wstring> SubKeys(HKEY key) {
        std::vector<std::wstring> names;
        WCHAR name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            LONG result = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result != ERROR_SUCCESS) {
                EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
                break;
            }
            names.emplace_back(name, length);
        }
        return names;
    }

    std::wstring path_;
    HKEY key_ = nullptr;
};

// --- Names ------------------------------------------------------------------------------------------

TEST_F(RegistryTest, KeysAndValuesMatchWhateverTheirCaseAndKeepTheCaseTheyWereMadeWith) {
    HKEY made = Create(key_, L"InprocServer32");
    ASSERT_EQ(SetString(made, L"ThreadingModel", L"Apartment"), ERROR_SUCCESS);
    RegCloseKey(made);

    HKEY opened = Open(key_, L"INPROCSERVER32");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(GetString(opened, L"threadingmodel"), L"Apartment");
    // Setting the value under another spelling replaces it and keeps the first spelling.
    ASSERT_EQ(SetString(opened, L"THREADINGMODEL", L"Both"), ERROR_SUCCESS);
    WCHAR name[64];
    DWORD length = 64;
    ASSERT_EQ(RegEnumValueW(opened, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), L"ThreadingModel");
    EXPECT_EQ(GetString(opened, L"ThreadingModel"), L"Both");
    RegCloseKey(opened);

    DWORD disposition = 0;
    HKEY again = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key_, L"inprocserver32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &again,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(again);
    EXPECT_EQ(SubKeys(key_), std::vector<std::wstring>{L"InprocServer32"});
}

TEST_F(RegistryTest, NamesMatchCaseInsensitivelyBeyondAscii) {
    RegCloseKey(Create(key_, L"ÄRGER"));
    RegCloseKey(Create(key_, L"ПРИВЕТ"));
    HKEY umlaut = Open(key_, L"ärger");
    HKEY cyrillic = Open(key_, L"привет");
    EXPECT_NE(umlaut, nullptr);
    EXPECT_NE(cyrillic, nullptr);
    RegCloseKey(umlaut);
    RegCloseKey(cyrillic);
    ASSERT_EQ(SetString(key_, L"Größe", L"1"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key_, L"GRÖßE"), L"1");
    // Different letters stay different keys.
    EXPECT_EQ(Open(key_, L"arger"), nullptr);
    EXPECT_EQ(SubKeys(key_), (std::vector<std::wstring>{L"ÄRGER", L"ПРИВЕТ"}));
}

TEST_F(RegistryTest, SubkeysEnumerateInNameOrderAndValuesInTheOrderTheyWereSet) {
    for (const wchar_t* name : {L"beta", L"Alpha", L"gamma"})
        RegCloseKey(Create(key_, name));
    EXPECT_EQ(SubKeys(key_), (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
    for (const wchar_t* name : {L"z", L"a", L"m"})
        SetString(key_, name, L"x");
    std::vector<std::wstring> values;
    WCHAR name[16];
    DWORD length = 16;
    for (DWORD i = 0;
         RegEnumValueW(key_, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 16)
        values.emplace_back(name);
    EXPECT_EQ(values, (std::vector<std::wstring>{L"z", L"a", L"m"}));
}

TEST_F(RegistryTest, MalformedPathsAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(key_, L"a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExW(key_, L"\\a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BAD_PATHNAME);
    std::wstring tooLong(256, L'x');
    EXPECT_EQ(RegCreateKeyExW(key_, tooLong.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(SubKeys(key_).empty());
    // A trailing backslash names the same key.
    RegCloseKey(Create(key_, L"a\\b\\"));
    EXPECT_EQ(SubKeys(key_), std::vector<std::wstring>{L"a"});
}

// --- Data -------------------------------------------------------------------------------------------

TEST_F(RegistryTest, StringSizesAreUtf16ByteCountsWithTheTerminatingNull) {
    ASSERT_EQ(SetString(key_, L"ThreadingModel", L"Apartment"), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"ThreadingModel", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 20u);

    // One WCHAR short: the size needed comes back and the buffer is left alone.
    WCHAR small[9];
    std::fill(std::begin(small), std::end(small), L'#');
    size = 18;
    EXPECT_EQ(
        RegQueryValueExW(key_, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(small[0], L'#');

    WCHAR exact[10];
    size = 20;
    ASSERT_EQ(
        RegQueryValueExW(key_, L"ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(exact), L"Apartment");
    EXPECT_EQ(size, 20u);

    // A character outside the basic plane takes two UTF-16 units.
    ASSERT_EQ(SetString(key_, L"Wide", L"a\U0001F600"), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueExW(key_, L"Wide", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(GetString(key_, L"Wide"), L"a\U0001F600");
}

TEST_F(RegistryTest, AStringSetWithoutItsNullComesBackTerminated) {
    const wchar_t text[] = {L'a', L'b', L'c', L'X'};
    ASSERT_EQ(RegSetValueExW(key_, L"Short", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_SUCCESS);
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    DWORD size = sizeof(buffer) / sizeof(WCHAR) * 2;
    ASSERT_EQ(RegQueryValueExW(key_, L"Short", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(buffer), L"abc");
    EXPECT_EQ(size, 8u);
}

TEST_F(RegistryTest, AByteCountOfCharactersTimesSizeofWcharReadsOnlyTheString) {
    // The habit of passing (length + 1) * sizeof(WCHAR) must not read beyond the string.
    std::wstring text = L"Apartment";
    ASSERT_EQ(RegSetValueExW(key_, L"Model", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"Model", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(GetString(key_, L"Model"), L"Apartment");
}

TEST_F(RegistryTest, EveryValueTypeComesBackAsItWasSet) {
    DWORD dword = 0x12345678;
    ULONGLONG qword = 0x1122334455667788ULL;
    const BYTE binary[] = {0, 1, 2, 0xFF};
    const wchar_t multi[] = L"one\0two\0"; // the literal adds the final null
    ASSERT_EQ(RegSetValueExW(key_, L"D", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), 4),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key_, L"Q", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&qword), 8),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key_, L"B", 0, REG_BINARY, binary, 4), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key_, L"M", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), 9 * 2),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(key_, L"E", L"%HOME%\\bin", REG_EXPAND_SZ), ERROR_SUCCESS);

    DWORD type = 0, size = 4, gotDword = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"d", nullptr, &type, reinterpret_cast<BYTE*>(&gotDword), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(gotDword, dword);
    ULONGLONG gotQword = 0;
    size = 8;
    ASSERT_EQ(RegQueryValueExW(key_, L"q", nullptr, &type, reinterpret_cast<BYTE*>(&gotQword), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(gotQword, qword);
    BYTE gotBinary[8] = {};
    size = sizeof(gotBinary);
    ASSERT_EQ(RegQueryValueExW(key_, L"b", nullptr, &type, gotBinary, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::vector<BYTE>(gotBinary, gotBinary + 4), std::vector<BYTE>(binary, binary + 4));
    WCHAR gotMulti[16] = {};
    size = sizeof(gotMulti) / sizeof(WCHAR) * 2;
    ASSERT_EQ(RegQueryValueExW(key_, L"m", nullptr, &type, reinterpret_cast<BYTE*>(gotMulti), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(size, 9u * 2);
    EXPECT_EQ(std::wstring(gotMulti, 8), std::wstring(L"one\0two\0", 8));
    EXPECT_EQ(GetString(key_, L"e"), L"%HOME%\\bin");
}

TEST_F(RegistryTest, TheDefaultValueIsTheValueWithAnEmptyOrNullName) {
    ASSERT_EQ(SetString(key_, nullptr, L"Korvath Console"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(key_, L""), L"Korvath Console");
    ASSERT_EQ(RegDeleteValueW(key_, L""), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key_, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key_, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, EnumerationReportsShortBuffersAndQueryInfoCountsWhatIsThere) {
    RegCloseKey(Create(key_, L"LongerName"));
    RegCloseKey(Create(key_, L"b"));
    SetString(key_, L"ValueName", L"12345");
    WCHAR name[4];
    DWORD length = 4;
    // "b" comes first, then "LongerName", which does not fit.
    EXPECT_EQ(RegEnumKeyExW(key_, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 4;
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    WCHAR valueName[16];
    length = 16;
    BYTE data[4];
    DWORD size = sizeof(data);
    EXPECT_EQ(RegEnumValueW(key_, 0, valueName, &length, nullptr, nullptr, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 12u);
    EXPECT_EQ(RegEnumValueW(key_, 1, valueName, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    FILETIME written{};
    ASSERT_EQ(RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 10u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(maxValueName, 9u);
    EXPECT_EQ(maxValue, 12u);
    EXPECT_NE(written.dwHighDateTime, 0u);
}

// --- Deleting ---------------------------------------------------------------------------------------

TEST_F(RegistryTest, DeleteKeyRefusesAKeyWithSubkeysAndDeleteTreeRemovesEveryLevel) {
    HKEY deep = Create(key_, L"CLSID\\{B121F51B}\\InprocServer32\\Deeper");
    SetString(deep, L"Leaf", L"1");
    RegCloseKey(deep);
    HKEY middle = Create(key_, L"CLSID\\{B121F51B}");
    SetString(middle, nullptr, L"Snap-in");
    RegCloseKey(middle);

    EXPECT_EQ(RegDeleteKeyW(key_, L"CLSID\\{B121F51B}"), ERROR_ACCESS_DENIED);
    EXPECT_NE(Open(key_, L"CLSID\\{B121F51B}\\InprocServer32\\Deeper"), nullptr);

    ASSERT_EQ(RegDeleteTreeW(key_, L"clsid\\{b121f51b}"), ERROR_SUCCESS);
    EXPECT_EQ(Open(key_, L"CLSID\\{B121F51B}"), nullptr);
    EXPECT_EQ(Open(key_, L"CLSID\\{B121F51B}\\InprocServer32\\Deeper"), nullptr);
    EXPECT_EQ(SubKeys(key_), std::vector<std::wstring>{L"CLSID"});
    EXPECT_EQ(RegDeleteTreeW(key_, L"CLSID\\{B121F51B}"), ERROR_FILE_NOT_FOUND);

    // A leaf goes with RegDeleteKeyW.
    EXPECT_EQ(RegDeleteKeyW(key_, L"CLSID"), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(key_).empty());
    EXPECT_EQ(RegDeleteKeyW(key_, L"CLSID"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DeleteTreeWithoutASubkeyEmptiesTheKeyAndKeepsIt) {
    RegCloseKey(Create(key_, L"a\\b"));
    SetString(key_, L"v", L"1");
    ASSERT_EQ(RegDeleteTreeW(key_, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(SubKeys(key_).empty());
    EXPECT_EQ(RegQueryValueExW(key_, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetString(key_, L"still", L"there"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, TheRootsCannotBeDeleted) {
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, L""), ERROR_ACCESS_DENIED);
    HKEY top = Create(HKEY_LOCAL_MACHINE, L"");
    EXPECT_EQ(RegDeleteKeyW(top, L""), ERROR_ACCESS_DENIED);
    RegCloseKey(top);
}

// --- The views --------------------------------------------------------------------------------------

TEST_F(RegistryTest, ClassesRootIsAViewOfSoftwareClassesUnderLocalMachine) {
    HKEY clsid = Create(HKEY_CLASSES_ROOT, L"CLSID\\{32C6893E-853A-49A3-9564-EF353D0EF6FF}");
    SetString(clsid, nullptr, L"About");
    RegCloseKey(clsid);
    HKEY seen = Open(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{32C6893E-853A-49A3-9564-EF353D0EF6FF}");
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(GetString(seen, nullptr), L"About");
    RegCloseKey(seen);
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\CLASSES\\CLSID"), ERROR_SUCCESS);
    EXPECT_EQ(Open(HKEY_CLASSES_ROOT, L"CLSID"), nullptr);
}

TEST_F(RegistryTest, CurrentUserIsTheUnixUsersKeyUnderUsers) {
    struct passwd* pw = getpwuid(geteuid());
    ASSERT_NE(pw, nullptr);
    std::string user = pw->pw_name;
    HKEY mine = Create(HKEY_CURRENT_USER, L"Software\\Tavrosk\\Client");
    SetString(mine, L"Setting", L"on");
    RegCloseKey(mine);
    std::wstring path = std::wstring(user.begin(), user.end()) + L"\\Software\\Tavrosk\\Client";
    HKEY seen = Open(HKEY_USERS, path.c_str());
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(GetString(seen, L"Setting"), L"on");
    RegCloseKey(seen);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tavrosk");
}

// --- Access -----------------------------------------------------------------------------------------

TEST_F(RegistryTest, AKeyOpenedForReadingCannotBeWritten) {
    SetString(key_, L"v", L"1");
    RegCloseKey(Create(key_, L"sub"));
    HKEY reader = Open(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_READ);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(GetString(reader, L"v"), L"1");
    EXPECT_EQ(SetString(reader, L"v", L"2"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(reader, L"v"), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(reader, L"new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteTreeW(reader, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SubKeys(reader), std::vector<std::wstring>{L"sub"});
    RegCloseKey(reader);
    EXPECT_EQ(GetString(key_, L"v"), L"1");

    HKEY writer = Open(HKEY_LOCAL_MACHINE, path_.c_str(), KEY_SET_VALUE);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(SetString(writer, L"v", L"3"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(writer, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    WCHAR name[16];
    DWORD length = 16;
    EXPECT_EQ(RegEnumKeyExW(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumValueW(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(writer);

    HKEY generic = Open(HKEY_LOCAL_MACHINE, path_.c_str(), GENERIC_READ);
    EXPECT_EQ(GetString(generic, L"v"), L"3");
    EXPECT_EQ(SetString(generic, L"v", L"4"), ERROR_ACCESS_DENIED);
    RegCloseKey(generic);
}

// --- Handles ----------------------------------------------------------------------------------------

TEST_F(RegistryTest, AClosedHandleIsInvalidAndStaysInvalid) {
    HKEY key = Create(key_, L"sub");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetString(key, L"v", L"1"), ERROR_INVALID_HANDLE);
    // New handles never reuse the id of a closed one.
    HKEY other = Create(key_, L"other");
    EXPECT_NE(other, key);
    EXPECT_EQ(SetString(key, L"v", L"1"), ERROR_INVALID_HANDLE);
    RegCloseKey(other);
    EXPECT_EQ(RegQueryValueExW(reinterpret_cast<HKEY>(0x12345), L"v", nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, AHandleWhoseKeyWasDeletedReportsKeyDeleted) {
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
    EXPECT_EQ(RegCloseKey(held), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(reborn, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    RegCloseKey(reborn);
}

TEST_F(RegistryTest, OpeningAMissingKeyFailsAndCreatingItSaysSo) {
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(key_, L"missing", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyExW(key_, L"missing\\deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(key);
    EXPECT_NE(Open(key_, L"missing"), nullptr);
}

} // namespace
