// Where the prefix is, and how Windows-style file names map to native paths under it.
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "tvplatform.h"
#include "windows.h"

namespace tvp {

std::string Prefix() {
    if (const char* prefix = std::getenv("TAVROSK_PREFIX"); prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        struct passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.local/share/tavrosk";
}

std::string SystemFolder() {
    return NativePath(L"C:\\Windows\\System32");
}

std::string NativePath(std::wstring_view path) {
    std::string utf8 = ToUtf8(path);
    for (char& c : utf8)
        if (c == '\\') c = '/';
    // "c:/dir/file" (or "c:" alone) lives under the prefix's drive folder of that letter.
    if (utf8.size() >= 2 && std::isalpha(static_cast<unsigned char>(utf8[0])) && utf8[1] == ':') {
        std::string drive(1, static_cast<char>(std::tolower(static_cast<unsigned char>(utf8[0]))));
        std::string rest = utf8.substr(2);
        if (!rest.empty() && rest[0] != '/') rest = "/" + rest;
        return Prefix() + "/drives/" + drive + rest;
    }
    return utf8;
}

} // namespace tvp
