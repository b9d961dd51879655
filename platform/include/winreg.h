// advapi32's registry: one hive per prefix ($TAVROSK_PREFIX/registry.db). Key and value names are
// case-insensitive and case-preserving; every write is a transaction.
//
// Byte counts of string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are UTF-16 byte counts: two bytes
// per character, terminating nulls included, whatever the size of WCHAR. A buffer of N WCHARs is
// passed as N * 2 bytes.
//
// How this registry settles what the documentation leaves open:
// - RegSetValueExW reads at most cbData / 2 characters of string data and stops at the terminating null
//   (at the empty string that ends a REG_MULTI_SZ), so a count of characters * sizeof(WCHAR) is harmless.
//   Strings are kept as UTF-16 text, always terminated: RegQueryValueExW gives a REG_SZ of n characters
//   as (n + 1) * 2 bytes, and an empty REG_MULTI_SZ as two nulls.
// - Names compare with a case mapping of our own, the same in every process and locale: each upper-case
//   letter of the scripts that have case (Latin, Greek, Cyrillic, Armenian, Georgian, ...) matches its
//   one lower-case letter. Name lengths are counted in WCHARs: key names up to 255, value names up to
//   16383. A subkey path may end in a backslash; an empty name inside it gives ERROR_BAD_PATHNAME.
// - RegEnumKeyExW lists subkeys in the order of their case-folded names; RegEnumValueW lists values in
//   the order in which they were first set.
// - HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes and HKEY_CURRENT_USER is
//   HKEY_USERS\<Unix user name>; a key that a predefined handle stands for reads as empty until the
//   first write creates it. RegOpenKeyExW of a predefined handle with no subkey gives that handle.
// - Access: RegCreateKeyExW needs KEY_CREATE_SUB_KEY on hKey, RegDeleteTreeW needs DELETE,
//   KEY_ENUMERATE_SUB_KEYS and KEY_QUERY_VALUE; GENERIC_* rights map to KEY_READ, KEY_WRITE, KEY_EXECUTE
//   and KEY_ALL_ACCESS. Keys have no class and no security descriptor; REG_OPTION_VOLATILE keys persist.
// - A hive that is damaged gives ERROR_BADDB; one that cannot be read or written gives
//   ERROR_ACCESS_DENIED or ERROR_REGISTRY_IO_FAILED. The file is never reset, and tvp::RegistryProblem()
//   (tvregistry.h) names it and the cause.
#pragma once

#include "windef.h"
#include "winerror.h"

typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_ALL 0x001F0000L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & (~SYNCHRONIZE))
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & (~SYNCHRONIZE))
#define KEY_EXECUTE ((KEY_READ) & (~SYNCHRONIZE))
#define KEY_ALL_ACCESS                                                                                  \
    ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS |   \
      KEY_NOTIFY | KEY_CREATE_LINK) &                                                                   \
     (~SYNCHRONIZE))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

WINADVAPI LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                                      REGSAM samDesired, const void* lpSecurityAttributes, PHKEY phkResult,
                                      LPDWORD lpdwDisposition);
WINADVAPI LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                    PHKEY phkResult);
WINADVAPI LONG WINAPI RegCloseKey(HKEY hKey);
WINADVAPI LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                       LPBYTE lpData, LPDWORD lpcbData);
WINADVAPI LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                     const BYTE* lpData, DWORD cbData);
WINADVAPI LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
WINADVAPI LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
WINADVAPI LONG WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
WINADVAPI LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                    LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                    PFILETIME lpftLastWriteTime);
WINADVAPI LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                    LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINADVAPI LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                       LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                       LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                       LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);
