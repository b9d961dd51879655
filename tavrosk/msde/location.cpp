// The program location lookup reads HKLM\SOFTWARE\Kestrin\Location\V8 (or, when that key cannot be
// opened, HKLM\SOFTWARE\Kestrin\Location), whose values name a program and hold its folder. The
// product's launcher is known under several names, and a program name may carry a "_QX" help suffix.
#include "msde/location.h"

#include <cwctype>
#include <optional>
#include <utility>

namespace MSDE {

namespace {

const WCHAR* const kFallbackFolders[] = {L"c:\\vroot\\prog\\pro\\", L"c:\\vroot\\prog\\appl\\",
                                         L"c:\\vroot\\prog\\util\\", L"c:\\vroot\\system\\text\\",
                                         L"c:\\qzs\\"};
const WCHAR* const kSiblingNames[] = {L"orm7700.exe",        L"orm7700",       L"ormd7700", L"ormd7700.exe",
                                      L"ormondale 7700.exe", L"ormondale 7700"};

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (towlower(a[i]) != towlower(b[i])) return false;
    return true;
}

// A folder ends with the separator it already uses: '\' in a Windows path, '/' in a native one (and
// in a name without any); an empty folder becomes "\".
void EndWithSeparator(std::wstring& folder) {
    if (folder.empty()) {
        folder = L"\\";
        return;
    }
    if (folder.back() == L'\\' || folder.back() == L'/') return;
    folder += folder.find(L'\\') != std::wstring::npos ? L'\\' : L'/';
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The folder recorded under `valueName`; a value too long for 259 characters counts as missing.
std::optional<std::wstring> ReadLocation(HKEY key, const std::wstring& valueName) {
    WCHAR buffer[260] = {};
    DWORD type = 0, bytes = 520;
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    return std::wstring(buffer);
}

std::optional<std::wstring> RegisteredFolder(const std::wstring& valueName, const std::wstring& fileName) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location\\V8", 0, KEY_READ, &key) !=
            ERROR_SUCCESS &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::wstring> folder = ReadLocation(key, valueName);
    if (!folder && EqualsIgnoringCase(fileName, L"orm7700.exe"))
        folder = ReadLocation(key, L"ormondale 7700");
    RegCloseKey(key);
    return folder;
}

} // namespace

std::wstring FindProgramLocation(const std::wstring& name, const std::wstring& extension) {
    std::wstring valueName = name, fileName = name, baseName, helpName;

    bool sibling = false;
    for (const WCHAR* candidate : kSiblingNames)
        if (EqualsIgnoringCase(valueName, candidate)) sibling = true;
    if (sibling) {
        valueName = L"orm7700.exe";
        fileName = L"orm7700Launcher.exe";
    } else if (auto at = valueName.find(extension);
               at != std::wstring::npos && valueName.size() >= extension.size()) {
        baseName = valueName.substr(0, at);
        auto underscore = fileName.rfind(L'_');
        if (underscore != std::wstring::npos && fileName.find(L'.', underscore) == std::wstring::npos) {
            std::wstring suffix = fileName.substr(underscore);
            helpName = baseName + (EqualsIgnoringCase(suffix, L"_QX") ? suffix : std::wstring()) + L".chm";
            fileName.resize(fileName.size() - suffix.size());
        }
    } else {
        valueName += extension;
        fileName += extension;
    }

    if (std::optional<std::wstring> folder = RegisteredFolder(valueName, fileName)) {
        EndWithSeparator(*folder);
        std::wstring path = *folder + (EqualsIgnoringCase(baseName, L"orm7700") ? helpName : fileName);
        if (FileExists(path)) return path;
    }

    std::wstring path;
    for (const WCHAR* folder : kFallbackFolders) {
        path = std::wstring(folder) + fileName;
        if (FileExists(path)) return path;
    }
    return path;
}

bool IsCurrentUserAdministrator() {
    HMODULE library = LoadLibraryW(L"morvane.dll");
    if (!library) {
        // Without the maker's check nobody is an administrator; say why once, not at every menu.
        static bool said = false;
        if (!std::exchange(said, true))
            OutputDebugStringW(L"morvane.dll could not be loaded; the administrator's items are not offered.\n");
        return false;
    }
    bool answer = false;
    if (auto check = reinterpret_cast<bool (*)()>(GetProcAddress(library, "IsUserAdministrator")))
        answer = check();
    FreeLibrary(library);
    return answer;
}

} // namespace MSDE
