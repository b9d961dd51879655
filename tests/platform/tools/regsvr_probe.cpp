// A small in-process server for the regsvr32 tests: registering writes a value, unregistering removes
// its key, and registering fails with E_FAIL when TAVROSK_TEST_REGISTER_FAILS is set.
#include <cstdlib>

#include "windows.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
const wchar_t kKey[] = L"Software\\RegsvrProbe";
}

EXPORT HRESULT DllRegisterServer() {
    if (std::getenv("TAVROSK_TEST_REGISTER_FAILS")) return E_FAIL;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return E_FAIL;
    const wchar_t text[] = L"yes";
    LONG result =
        RegSetValueExW(key, L"Registered", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text) / 2);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? S_OK : E_FAIL;
}

EXPORT HRESULT DllUnregisterServer() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
    return S_OK;
}
