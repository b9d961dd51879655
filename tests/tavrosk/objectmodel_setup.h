// What the tests of nodes and wizards against the real object model set up once per program: COM on the
// test's thread with the object model registered in the test's prefix, the maker's program folder in
// the location keys, storage areas made by the maker's tool, and this computer's name as servers give it.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"
#include "tvplatform.h"
#include "windows.h"

namespace objectmodel {

// COM initialised on this thread and the object model's library registered, as tavrosk-init does.
inline void Register() {
    CoInitialize(nullptr);
    HMODULE module = LoadLibraryW(tvp::FromUtf8(tvtest::BuildDir() + "/lib/libsqldmo.so").c_str());
    ASSERT_NE(nullptr, module);
    auto registerServer =
        reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_NE(nullptr, registerServer);
    ASSERT_EQ(S_OK, registerServer());
}

// The folder of kx4anchor.exe in the location keys, where the storage-area access library is found.
inline void SetProgramFolder(const std::string& folder = tvtest::BuildDir() + "/vendor") {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location\\V8", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    std::wstring value = tvp::FromUtf8(folder);
    RegSetValueExW(key, L"kx4anchor.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
}

// A storage area made on the server by the maker's tool.
inline void MakeArea(const std::string& name, const std::string& server = "(local)") {
    ASSERT_EQ(tvtest::Run(tvtest::BuildDir() + "/vendor/kx4anchor.exe create '" + server + "' " + name), 0);
}

inline std::wstring ComputerName() {
    WCHAR name[64] = {};
    DWORD size = 64;
    GetComputerNameW(name, &size);
    return name;
}

} // namespace objectmodel
