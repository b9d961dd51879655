// Finding and checking the satellite resource library. A missing satellite is normal and silent; one
// of another version, or one that fails to load, is reported once and the untranslated resources
// stay in use.
#include "snapins/satellite.h"

#include <cstdio>
#include <string>
#include <vector>

#include "winver.h"

namespace Snapins {

namespace {

// The product version of a file, as its two 32-bit halves.
bool ReadProductVersion(const std::wstring& path, DWORD& most, DWORD& least) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), handle, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    most = fixed->dwProductVersionMS;
    least = fixed->dwProductVersionLS;
    return true;
}

void ReportIncompatible(LPCWSTR fileName) {
    WCHAR text[512];
    swprintf(
        text, ARRAYSIZE(text),
        L"Error loading resource DLL! (%ls)  Incompatable version.\nUntranslated resources will be used.",
        fileName);
    MessageBoxW(nullptr, text, nullptr, MB_OK);
}

void ReportLoadFailure(LPCWSTR fileName, DWORD error) {
    WCHAR text[512];
    swprintf(text, ARRAYSIZE(text),
             L"Error loading resource DLL! (%ls)  Error Code %ld.\nUntranslated resources will be used.",
             fileName, static_cast<long>(error));
    MessageBoxW(nullptr, text, nullptr, MB_OK);
}

// The folder part of a path, separator included; either separator counts.
std::wstring FolderOf(const std::wstring& path) {
    auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

HMODULE LoadSatelliteLibrary(HMODULE current, LPCWSTR fileName) {
    WCHAR modulePath[MAX_PATH] = {};
    GetModuleFileNameW(current, modulePath, MAX_PATH);
    std::wstring candidate = FolderOf(modulePath) + fileName;

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(candidate.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    FindClose(search);

    DWORD moduleMost = 0, moduleLeast = 0, candidateMost = 0, candidateLeast = 0;
    if (!ReadProductVersion(modulePath, moduleMost, moduleLeast) ||
        !ReadProductVersion(candidate, candidateMost, candidateLeast) || candidateMost != moduleMost ||
        candidateLeast != moduleLeast) {
        ReportIncompatible(fileName);
        return nullptr;
    }

    HMODULE satellite = LoadLibraryW(candidate.c_str());
    if (!satellite) ReportLoadFailure(fileName, GetLastError());
    return satellite;
}

} // namespace Snapins
