// The computer's name, the clock, threads and processes.
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <string>

#include "tvplatform.h"
#include "windows.h"

namespace {

// The name an administrator set in the prefix's registry. The registry is advapi32's, which is built
// on kernel32, so it is reached at run time rather than linked.
std::wstring ComputerNameFromRegistry() {
    HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (!advapi) return {};
    using OpenKey = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    using QueryValue = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    using CloseKey = LONG(WINAPI*)(HKEY);
    auto open = reinterpret_cast<OpenKey>(GetProcAddress(advapi, "RegOpenKeyExW"));
    auto query = reinterpret_cast<QueryValue>(GetProcAddress(advapi, "RegQueryValueExW"));
    auto close = reinterpret_cast<CloseKey>(GetProcAddress(advapi, "RegCloseKey"));
    std::wstring name;
    HKEY key = nullptr;
    if (open && query && close &&
        open(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", 0,
             KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        WCHAR buffer[256] = {};
        DWORD type = 0, bytes = sizeof(buffer) / sizeof(WCHAR) * 2; // UTF-16 byte count of the buffer
        if (query(key, L"ComputerName", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            name = buffer;
        close(key);
    }
    FreeLibrary(advapi);
    return name;
}

std::wstring HostName() {
    char host[256] = {};
    if (gethostname(host, sizeof(host) - 1) != 0) return L"LOCALHOST";
    std::string shortName(host);
    if (auto dot = shortName.find('.'); dot != std::string::npos) shortName.resize(dot);
    for (char& c : shortName)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tvp::FromUtf8(shortName);
}

void ToSystemTime(const struct tm& tm, long nanoseconds, LPSYSTEMTIME out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

} // namespace

extern "C" BOOL WINAPI GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) {
    if (!nSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring name = ComputerNameFromRegistry();
    if (name.empty()) name = HostName();
    if (name.size() > MAX_COMPUTERNAME_LENGTH) name.resize(MAX_COMPUTERNAME_LENGTH);
    if (!lpBuffer || *nSize < name.size() + 1) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    wmemcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return TRUE;
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm tm;
    localtime_r(&now.tv_sec, &tm);
    ToSystemTime(tm, now.tv_nsec, lpSystemTime);
}

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm tm;
    gmtime_r(&now.tv_sec, &tm);
    ToSystemTime(tm, now.tv_nsec, lpSystemTime);
}

extern "C" DWORD WINAPI GetTickCount(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

extern "C" void WINAPI Sleep(DWORD dwMilliseconds) {
    struct timespec delay = {static_cast<time_t>(dwMilliseconds / 1000),
                             static_cast<long>(dwMilliseconds % 1000) * 1000000};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

extern "C" DWORD WINAPI GetCurrentThreadId(void) {
    return static_cast<DWORD>(syscall(SYS_gettid));
}
extern "C" DWORD WINAPI GetCurrentProcessId(void) {
    return static_cast<DWORD>(getpid());
}
