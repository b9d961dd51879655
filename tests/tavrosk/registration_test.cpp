// Registering the snap-in: the keys and values the console reads to list it and to create it, and
// what unregistering takes away and leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mmc.h"
#include "objbase.h"
#include "test_support.h"
#include "tvplatform.h"

namespace {

DEFINE_GUID(CLSID_SnapinAbout, 0x32C6893E, 0x853A, 0x49A3, 0x95, 0x64, 0xEF, 0x35, 0x3D, 0x0E, 0xF6, 0xFF);

const wchar_t kSnapinClass[] = L"CLSID\\{B121F51B-F25A-4977-8CB1-799DAC971AB5}";
const wchar_t kAboutClass[] = L"CLSID\\{32C6893E-853A-49A3-9564-EF353D0EF6FF}";
const wchar_t kSnapinEntry[] = L"SOFTWARE\\Microsoft\\MMC\\SnapIns\\{B121F51B-F25A-4977-8CB1-799DAC971AB5}";

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value with its UTF-16 byte count, or "(missing)".
std::wstring StringValue(HKEY root, const std::wstring& path, LPCWSTR name, DWORD* bytesOut = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return L"(missing)";
    WCHAR buffer[1024] = {};
    DWORD type = 0, bytes = ARRAYSIZE(buffer) * 2;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return L"(missing)";
    if (type != REG_SZ) return L"(not REG_SZ)";
    if (bytesOut) *bytesOut = bytes;
    return buffer;
}

DWORD ValueCount(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return DWORD(-1);
    DWORD values = 0, subkeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return values + subkeys;
}

std::string Tool(const std::string& arguments, std::string* output = nullptr) {
    std::string command = tvtest::BuildDir() + "/bin/" + arguments + " 2>&1";
    std::string text;
    int status = tvtest::Run(command, &text);
    if (output) *output = text;
    return std::to_string(status);
}

TEST(Registration, RegisteringWritesTheClassesAndTheConsoleEntryAndUnregisteringLeavesTheAboutClass) {
    std::string library = tvtest::BuildDir() + "/lib/libtavrosk.so";
    std::string output;
    ASSERT_EQ(Tool("regsvr32 " + library, &output), "0") << output;

    std::wstring libraryPath = tvp::FromUtf8(std::filesystem::canonical(library).string());
    DWORD bytes = 0;
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kSnapinClass, nullptr, &bytes), L"Korvath Console");
    EXPECT_EQ(bytes, (wcslen(L"Korvath Console") + 1) * 2) << "the byte count includes the terminating null";
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kSnapinClass) + L"\\InprocServer32", nullptr),
              libraryPath);
    EXPECT_EQ(
        StringValue(HKEY_CLASSES_ROOT, std::wstring(kSnapinClass) + L"\\InprocServer32", L"ThreadingModel"),
        L"Apartment");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kAboutClass, nullptr), L"Korvath Console");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kAboutClass) + L"\\InprocServer32", nullptr),
              libraryPath);
    EXPECT_EQ(
        StringValue(HKEY_CLASSES_ROOT, std::wstring(kAboutClass) + L"\\InprocServer32", L"threadingmodel"),
        L"Apartment");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kSnapinEntry, L"NameString"), L"Korvath Console");
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kSnapinEntry, L"About"),
              L"{32C6893E-853A-49A3-9564-EF353D0EF6FF}");
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, std::wstring(kSnapinEntry) + L"\\StandAlone"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MMC\\NodeTypes"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + kSnapinClass))
        << "the classes root is a view of the machine's Software\\Classes";

    // An administrator sees the same through reg.
    ASSERT_EQ(Tool("reg query \"HKLM\\SOFTWARE\\Microsoft\\MMC\\SnapIns\" /s", &output), "0") << output;
    EXPECT_NE(output.find("NameString"), std::string::npos) << output;
    EXPECT_NE(output.find("{32C6893E-853A-49A3-9564-EF353D0EF6FF}"), std::string::npos) << output;
    EXPECT_NE(output.find("StandAlone"), std::string::npos) << output;

    // The console can now create the about class through its registration.
    CoInitialize(nullptr);
    ISnapinAbout* about = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SnapinAbout, nullptr, CLSCTX_INPROC_SERVER, IID_ISnapinAbout,
                               reinterpret_cast<void**>(&about)),
              S_OK);
    LPOLESTR provider = nullptr;
    EXPECT_EQ(about->GetProvider(&provider), S_OK);
    EXPECT_STREQ(provider, L"Kestrin, Inc.");
    CoTaskMemFree(provider);
    about->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();

    ASSERT_EQ(Tool("regsvr32 /u /s " + library, &output), "0") << output;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kSnapinClass));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSnapinEntry));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\MMC\\SnapIns"));
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kAboutClass, nullptr), L"Korvath Console");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kAboutClass) + L"\\InprocServer32", nullptr),
              libraryPath);

    // Unregistering what is not registered still succeeds.
    EXPECT_EQ(Tool("regsvr32 /u /s " + library, &output), "0") << output;
}

} // namespace
