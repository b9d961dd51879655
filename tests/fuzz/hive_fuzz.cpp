// Fuzz target for the registry hive as it is read from disk. A sound hive is made once; each input is a
// list of edits to a copy of it (three bytes each: a little-endian offset into the file and the byte to
// put there), and the registry then reads every key and value it can reach. Whatever the damage,
// nothing may crash, and a hive that a call reported as damaged must be left exactly as it was.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "windows.h"

namespace {

std::string g_prefix;
std::string g_sound;

std::string Hive() {
    return g_prefix + "/registry.db";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void RemovePrefix() {
    std::error_code ec;
    std::filesystem::remove_all(g_prefix, ec);
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
}

// A hive with keys at several levels and values of every type, spread over several pages.
void MakeSoundHive() {
    char pattern[] = "/tmp/tavrosk-hive-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    g_prefix = pattern;
    setenv("TAVROSK_PREFIX", g_prefix.c_str(), 1);
    atexit(RemovePrefix);
    for (int i = 0; i < 4; ++i) {
        std::wstring path = L"Software\\Classes\\CLSID\\{" + std::to_wstring(i) + L"}\\InprocServer32";
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            abort();
        SetString(key, nullptr, L"/usr/lib/libserver" + std::to_wstring(i) + L".so");
        SetString(key, L"ThreadingModel", L"Apartment");
        SetString(key, L"Path", L"%HOME%\\bin", REG_EXPAND_SZ);
        DWORD number = static_cast<DWORD>(i);
        RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
        ULONGLONG big = 0x1122334455667788ULL + i;
        RegSetValueExW(key, L"Big", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&big), 8);
        const BYTE bytes[] = {0, 1, 2, 3, static_cast<BYTE>(i)};
        RegSetValueExW(key, L"Bytes", 0, REG_BINARY, bytes, sizeof(bytes));
        const wchar_t list[] = L"one\0two\0";
        RegSetValueExW(key, L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list), 9 * 2);
        RegCloseKey(key);
    }
    HKEY user = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tavrosk\\Client\\Server Registration", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &user, nullptr);
    SetString(user, L"Group", L"SQL Server Group");
    RegCloseKey(user);
    g_sound = ReadFile(Hive());
    if (g_sound.empty()) abort();
}

void Note(LONG result, bool& damaged) {
    if (result == ERROR_BADDB) damaged = true;
}

// Reads everything below `key` that the hive lets it reach.
void Walk(HKEY key, int depth, bool& damaged) {
    static std::vector<WCHAR> name(16384);
    static std::vector<BYTE> data(1 << 20);
    for (DWORD i = 0; i < 64; ++i) {
        DWORD length = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size() / 2);
        LONG result = RegEnumValueW(key, i, name.data(), &length, nullptr, &type, data.data(), &size);
        Note(result, damaged);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) break;
    }
    if (depth >= 8) return;
    for (DWORD i = 0; i < 64; ++i) {
        DWORD length = 256;
        LONG result = RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        Note(result, damaged);
        if (result != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        result = RegOpenKeyExW(key, name.data(), 0, KEY_READ, &sub);
        Note(result, damaged);
        if (result != ERROR_SUCCESS) continue;
        // Once the hive is found damaged, every further call only says so again.
        if (!damaged) Walk(sub, depth + 1, damaged);
        RegCloseKey(sub);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_sound.empty()) MakeSoundHive();
    std::string bytes = g_sound;
    for (size_t i = 0; i + 3 <= size; i += 3)
        bytes[(data[i] | data[i + 1] << 8) % bytes.size()] = static_cast<char>(data[i + 2]);
    // A new file each time, as an administrator's copy would be: the registry must notice and reopen.
    std::string temporary = Hive() + ".new";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << bytes;
    std::filesystem::rename(temporary, Hive());

    bool damaged = false;
    DWORD subKeys = 0, values = 0;
    Note(RegQueryInfoKeyW(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr),
         damaged);
    Walk(HKEY_LOCAL_MACHINE, 0, damaged);
    Walk(HKEY_USERS, 0, damaged);
    if (damaged && ReadFile(Hive()) != bytes) abort();
    return 0;
}
