// The registry functions: key handles, the predefined roots, access masks, and the conversion of value
// data between the caller's WCHAR strings and the UTF-16 text that the hive keeps. The storage is in
// hive.cpp. An HKEY is an id into the handle table: a closed handle names nothing (ERROR_INVALID_HANDLE),
// and a handle whose key anyone has deleted since finds no row (ERROR_KEY_DELETED).
#include <pwd.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "advapi32_internal.h"
#include "tvplatform.h"
#include "windows.h"

namespace {

using adv::Hive;

// One registry call at a time in the process; the hive's transactions order them between processes.
std::mutex g_lock;

struct KeyHandle {
    std::string hive;
    int64_t key;
    REGSAM access;
};

std::map<ULONG_PTR, KeyHandle> g_handles;
ULONG_PTR g_nextHandle = 0x1000; // ids are never reused, so a stale copy of a closed handle stays invalid
std::string g_lastCurrentHive;

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

// What a call works on: a key of a hive and, for a predefined handle, the names that lead from it to
// the key the handle stands for (HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes).
struct Target {
    Hive* hive = nullptr;
    int64_t key = 0;
    std::vector<std::wstring> base;
    REGSAM access = 0;
    bool predefined = false;
};

bool IsPredefined(HKEY key) {
    return key == HKEY_LOCAL_MACHINE || key == HKEY_USERS || key == HKEY_CLASSES_ROOT ||
           key == HKEY_CURRENT_USER;
}

// HKEY_CURRENT_USER is HKEY_USERS\<name of the Unix user>.
std::wstring UserName() {
    static uid_t cachedUid = static_cast<uid_t>(-1);
    static std::wstring cachedName;
    uid_t uid = geteuid();
    if (uid == cachedUid) return cachedName;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name[0])
        cachedName = tvp::FromUtf8(found->pw_name);
    else
        cachedName = std::to_wstring(uid);
    cachedUid = uid;
    return cachedName;
}

REGSAM GrantedAccess(REGSAM desired) {
    REGSAM access =
        desired & ~static_cast<REGSAM>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
    if (desired & GENERIC_READ) access |= KEY_READ;
    if (desired & GENERIC_WRITE) access |= KEY_WRITE;
    if (desired & GENERIC_EXECUTE) access |= KEY_EXECUTE;
    if (desired & GENERIC_ALL) access |= KEY_ALL_ACCESS;
    return access;
}

HKEY NewHandle(const std::string& hive, int64_t key, REGSAM access) {
    ULONG_PTR id = g_nextHandle;
    g_nextHandle += 4;
    g_handles[id] = KeyHandle{hive, key, access};
    return reinterpret_cast<HKEY>(id);
}

// Closes the connections to hives of earlier prefixes once no handle names them.
void DropUnusedHives() {
    std::vector<std::string> inUse;
    for (const auto& [id, handle] : g_handles)
        inUse.push_back(handle.hive);
    adv::ForgetHives(inUse);
}

LONG Resolve(HKEY hKey, Target& target) {
    std::string current = adv::CurrentHivePath();
    if (current != g_lastCurrentHive) {
        g_lastCurrentHive = current;
        DropUnusedHives();
    }
    std::string path;
    if (IsPredefined(hKey)) {
        path = current;
        target.predefined = true;
        target.access = KEY_ALL_ACCESS;
        target.key =
            hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CLASSES_ROOT ? adv::kLocalMachineKey : adv::kUsersKey;
        if (hKey == HKEY_CLASSES_ROOT) target.base = {L"Software", L"Classes"};
        if (hKey == HKEY_CURRENT_USER) target.base = {UserName()};
    } else {
        auto found = g_handles.find(reinterpret_cast<ULONG_PTR>(hKey));
        if (found == g_handles.end()) return ERROR_INVALID_HANDLE;
        path = found->second.hive;
        target.key = found->second.key;
        target.access = found->second.access;
    }
    target.hive = &adv::HiveAt(path);
    return target.hive->Ready();
}

// The key reached from `from` through `names`; 0 when one is missing and `create` is false.
int64_t Follow(Hive& hive, int64_t from, const std::vector<std::wstring>& names, bool create,
               bool* created = nullptr) {
    for (const auto& name : names) {
        int64_t next = hive.Child(from, name);
        if (!next) {
            if (!create) return 0;
            next = hive.AddChild(from, name);
            if (created) *created = true;
        }
        from = next;
    }
    return from;
}

// The key a handle stands for; 0 when a predefined handle's key does not exist yet and `create` is false
// (such a key reads as empty, as if it were there).
int64_t KeyOf(Hive& hive, const Target& target, bool create, bool* created = nullptr) {
    return Follow(hive, target.key, target.base, create, created);
}

// Runs `work(hive, target)` in one transaction on the key of a handle that has the `needed` access.
// The caller holds g_lock.
template <class Work> LONG OnKey(HKEY hKey, REGSAM needed, bool write, Work work) {
    adv::ClearProblem();
    Target target;
    LONG result = Resolve(hKey, target);
    if (result != ERROR_SUCCESS) return result;
    if ((target.access & needed) != needed) return ERROR_ACCESS_DENIED;
    Hive& hive = *target.hive;
    auto body = [&]() -> LONG {
        if (!hive.KeyExists(target.key)) return ERROR_KEY_DELETED;
        return work(hive, target);
    };
    return write ? hive.Write(body) : hive.Read(body);
}

// "A\B\C" into its names. A trailing backslash is allowed; an empty name anywhere else is not.
LONG SplitPath(LPCWSTR path, std::vector<std::wstring>& names) {
    if (!path) return ERROR_SUCCESS;
    std::wstring_view rest(path);
    if (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
    if (rest.empty()) return ERROR_SUCCESS;
    size_t start = 0;
    for (;;) {
        size_t end = rest.find(L'\\', start);
        std::wstring_view name = rest.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (name.empty()) return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        names.emplace_back(name);
        if (end == std::wstring_view::npos) return ERROR_SUCCESS;
        start = end + 1;
    }
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The caller's data as the hive keeps it. String data is WCHARs with a UTF-16 byte count: at most
// cbData / 2 characters are read, one at a time, and reading stops at the terminating null (two for
// REG_MULTI_SZ), so a count made as characters * sizeof(WCHAR) never reads past the string. Strings are
// stored as UTF-16LE, always terminated.
std::vector<BYTE> Encode(DWORD type, const BYTE* data, DWORD cbData) {
    if (!IsString(type)) return data ? std::vector<BYTE>(data, data + cbData) : std::vector<BYTE>();
    std::wstring text;
    size_t count = cbData / 2;
    for (size_t i = 0; i < count; ++i) {
        WCHAR c;
        std::memcpy(&c, data + i * sizeof(WCHAR), sizeof(WCHAR));
        if (c == 0) {
            // One string ends here; an empty one ends the list.
            if (type != REG_MULTI_SZ || text.empty() || text.back() == 0) break;
        }
        text += c;
    }
    if (type == REG_MULTI_SZ) {
        if (!text.empty() && text.back() != 0) text += L'\0';
        text += L'\0';
        if (text.size() == 1) text += L'\0'; // the empty list: an empty string, terminated
    } else {
        text += L'\0';
    }
    std::u16string units = tvp::ToUtf16(text);
    std::vector<BYTE> bytes(units.size() * 2);
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<BYTE>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<BYTE>(units[i] >> 8);
    }
    return bytes;
}

// Hands a value's data to the caller: strings as terminated WCHARs with their UTF-16 byte count
// ((characters + 1) * 2 for REG_SZ), other types byte for byte. ERROR_MORE_DATA, with the size needed,
// when the buffer is too small.
LONG Deliver(const adv::ValueRow& value, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpType) *lpType = value.type;
    DWORD needed = static_cast<DWORD>(value.data.size());
    std::wstring text;
    if (IsString(value.type)) {
        std::u16string units(value.data.size() / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(value.data[2 * i] | (value.data[2 * i + 1] << 8));
        // A string kept without its terminator (a hive written elsewhere) still comes back terminated.
        if (units.empty() || units.back() != 0) units.push_back(0);
        if (value.type == REG_MULTI_SZ && units.size() > 1 && units[units.size() - 2] != 0)
            units.push_back(0);
        needed = static_cast<DWORD>(units.size() * 2);
        text = tvp::FromUtf16(units);
    }
    if (!lpcbData) return ERROR_SUCCESS;
    if (lpData) {
        if (needed > *lpcbData) {
            *lpcbData = needed;
            return ERROR_MORE_DATA;
        }
        if (IsString(value.type))
            std::memcpy(lpData, text.data(), text.size() * sizeof(WCHAR));
        else if (!value.data.empty())
            std::memcpy(lpData, value.data.data(), value.data.size());
    }
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

LONG DeliverName(const std::wstring& name, LPWSTR buffer, LPDWORD cchBuffer) {
    if (name.size() + 1 > *cchBuffer) return ERROR_MORE_DATA;
    std::wmemcpy(buffer, name.c_str(), name.size() + 1);
    *cchBuffer = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

void SetFileTime(PFILETIME time, int64_t ticks) {
    if (!time) return;
    time->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFF);
    time->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
}

} // namespace

extern "C" LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                       DWORD dwOptions, REGSAM samDesired, const void* lpSecurityAttributes,
                                       PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::vector<std::wstring> names;
    if (LONG result = SplitPath(lpSubKey, names); result != ERROR_SUCCESS) return result;
    std::lock_guard<std::mutex> lock(g_lock);
    int64_t made = 0;
    bool created = false;
    std::string hivePath;
    LONG result = OnKey(hKey, KEY_CREATE_SUB_KEY, true, [&](Hive& hive, const Target& target) {
        made = Follow(hive, KeyOf(hive, target, true, &created), names, true, &created);
        hivePath = hive.Path();
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
    *phkResult = NewHandle(hivePath, made, GrantedAccess(samDesired));
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                     PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::vector<std::wstring> names;
    if (LONG result = SplitPath(lpSubKey, names); result != ERROR_SUCCESS) return result;
    // A predefined key opened with no subkey is that predefined handle itself.
    if (names.empty() && IsPredefined(hKey)) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    int64_t opened = 0;
    std::string hivePath;
    LONG result = OnKey(hKey, 0, false, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        opened = key ? Follow(hive, key, names, false) : 0;
        hivePath = hive.Path();
        return opened ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (result != ERROR_SUCCESS) return result;
    *phkResult = NewHandle(hivePath, opened, GrantedAccess(samDesired));
    return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegCloseKey(HKEY hKey) {
    if (IsPredefined(hKey)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(g_lock);
    auto found = g_handles.find(reinterpret_cast<ULONG_PTR>(hKey));
    if (found == g_handles.end()) return ERROR_INVALID_HANDLE;
    bool current = found->second.hive == adv::CurrentHivePath();
    g_handles.erase(found);
    if (!current) DropUnusedHives();
    return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                        LPBYTE lpData, LPDWORD lpcbData) {
    if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
    std::wstring name = lpValueName ? lpValueName : L"";
    std::lock_guard<std::mutex> lock(g_lock);
    adv::ValueRow value;
    LONG result = OnKey(hKey, KEY_QUERY_VALUE, false, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        auto found = key ? hive.Value(key, name) : std::nullopt;
        if (!found) return ERROR_FILE_NOT_FOUND;
        value = std::move(*found);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
    return Deliver(value, lpType, lpData, lpcbData);
}

extern "C" LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                      const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
    std::wstring name = lpValueName ? lpValueName : L"";
    if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> data = Encode(dwType, lpData, cbData);
    std::lock_guard<std::mutex> lock(g_lock);
    return OnKey(hKey, KEY_SET_VALUE, true, [&](Hive& hive, const Target& target) {
        hive.SetValue(KeyOf(hive, target, true), name, dwType, data);
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    std::wstring name = lpValueName ? lpValueName : L"";
    std::lock_guard<std::mutex> lock(g_lock);
    return OnKey(hKey, KEY_SET_VALUE, true, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        return key && hive.DeleteValue(key, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

extern "C" LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    std::vector<std::wstring> names;
    if (LONG result = SplitPath(lpSubKey, names); result != ERROR_SUCCESS) return result;
    std::lock_guard<std::mutex> lock(g_lock);
    return OnKey(hKey, 0, true, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        int64_t victim = key ? Follow(hive, key, names, false) : 0;
        if (!victim) return ERROR_FILE_NOT_FOUND;
        // The roots themselves stay; a key with subkeys is refused, as documented.
        if (victim == adv::kLocalMachineKey || victim == adv::kUsersKey ||
            (target.predefined && names.empty()))
            return ERROR_ACCESS_DENIED;
        if (hive.HasChildren(victim)) return ERROR_ACCESS_DENIED;
        hive.DeleteSubtree(victim, false);
        return ERROR_SUCCESS;
    });
}

extern "C" LONG WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    std::vector<std::wstring> names;
    if (LONG result = SplitPath(lpSubKey, names); result != ERROR_SUCCESS) return result;
    std::lock_guard<std::mutex> lock(g_lock);
    return OnKey(hKey, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, true,
                 [&](Hive& hive, const Target& target) {
                     int64_t key = KeyOf(hive, target, false);
                     // No subkey: the key's values and subkeys go and the key stays.
                     if (names.empty()) {
                         if (key) hive.DeleteSubtree(key, true);
                         return ERROR_SUCCESS;
                     }
                     int64_t victim = key ? Follow(hive, key, names, false) : 0;
                     if (!victim) return ERROR_FILE_NOT_FOUND;
                     hive.DeleteSubtree(victim, false);
                     return ERROR_SUCCESS;
                 });
}

extern "C" LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                     LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                     PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(g_lock);
    adv::KeyRow row;
    LONG result = OnKey(hKey, KEY_ENUMERATE_SUB_KEYS, false, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        auto found = key ? hive.ChildAt(key, dwIndex) : std::nullopt;
        if (!found) return ERROR_NO_MORE_ITEMS;
        row = std::move(*found);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
    if (LONG delivered = DeliverName(row.name, lpName, lpcchName); delivered != ERROR_SUCCESS)
        return delivered;
    // Keys have no class here.
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = L'\0';
    if (lpcchClass) *lpcchClass = 0;
    SetFileTime(lpftLastWriteTime, row.written);
    return ERROR_SUCCESS;
}

extern "C" LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(g_lock);
    adv::ValueRow value;
    LONG result = OnKey(hKey, KEY_QUERY_VALUE, false, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        auto found = key ? hive.ValueAt(key, dwIndex) : std::nullopt;
        if (!found) return ERROR_NO_MORE_ITEMS;
        value = std::move(*found);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
    if (LONG delivered = DeliverName(value.name, lpValueName, lpcchValueName); delivered != ERROR_SUCCESS)
        return delivered;
    return Deliver(value, lpType, lpData, lpcbData);
}

extern "C" LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                        LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                        LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                        LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                        PFILETIME lpftLastWriteTime) {
    std::lock_guard<std::mutex> lock(g_lock);
    adv::KeyCounts counts;
    int64_t written = 0;
    LONG result = OnKey(hKey, KEY_QUERY_VALUE, false, [&](Hive& hive, const Target& target) {
        int64_t key = KeyOf(hive, target, false);
        if (key) counts = hive.Counts(key);
        written = hive.Written(key ? key : target.key);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = L'\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpcSubKeys) *lpcSubKeys = counts.subKeys;
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = counts.maxSubKeyLen;
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = counts.values;
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = counts.maxValueNameLen;
    if (lpcbMaxValueLen) *lpcbMaxValueLen = counts.maxValueLen;
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    SetFileTime(lpftLastWriteTime, written);
    return ERROR_SUCCESS;
}
