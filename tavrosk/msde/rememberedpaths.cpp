// The remembered paths live under HKEY_LOCAL_MACHINE\Software\Kestrin\Veltrane Management\Korvath as
// the REG_SZ values "Last Backup" and "Last Restore", each read with room for 259 characters.
#include "msde/rememberedpaths.h"

#include <string>

#include "snapins/module.h"

namespace MSDE {

namespace {

const WCHAR kSettingsKey[] = L"Software\\Kestrin\\Veltrane Management\\Korvath";

void ReadPath(HKEY key, LPCWSTR name, std::wstring& path) {
    WCHAR buffer[260] = {};
    DWORD type = 0, bytes = 520; // UTF-16 bytes: 259 characters and the terminator
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes) ==
            ERROR_SUCCESS &&
        type == REG_SZ)
        path = buffer;
}

void WritePath(HKEY key, LPCWSTR name, const std::wstring& path) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * 2));
}

} // namespace

void LoadRememberedPaths() {
    Snapins::CSnapinModule& module = Snapins::SnapinModule();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ReadPath(key, L"Last Restore", module.lastRestorePath);
        ReadPath(key, L"Last Backup", module.lastBackupPath);
        RegCloseKey(key);
        return;
    }
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

void SaveRememberedPaths() {
    Snapins::CSnapinModule& module = Snapins::SnapinModule();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    WritePath(key, L"Last Restore", module.lastRestorePath);
    WritePath(key, L"Last Backup", module.lastBackupPath);
    RegCloseKey(key);
}

} // namespace MSDE
