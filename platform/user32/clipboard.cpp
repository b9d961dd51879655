// Registered clipboard formats: a name gives the same format number everywhere in the process, which
// is how a console and its snap-ins agree on the formats of their data objects. Names compare without
// regard to case, in every script that has case, as atom names do; numbers start at 0xC000.
#include <clocale>
#include <cwctype>
#include <map>
#include <mutex>
#include <string>

#include "windows.h"

namespace {

constexpr UINT kFirstFormat = 0xC000;
constexpr UINT kLastFormat = 0xFFFF;

std::mutex g_lock;
std::map<std::wstring, UINT> g_formats;

// Folded with the C.UTF-8 locale's case table, not the process's locale, so that the answer does not
// change with the user's settings.
std::wstring Fold(LPCWSTR name) {
    static locale_t table = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    std::wstring folded(name);
    for (auto& c : folded) {
        if (table)
            c = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), table));
        else if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return folded;
}

} // namespace

extern "C" UINT WINAPI RegisterClipboardFormatW(LPCWSTR lpszFormat) {
    if (!lpszFormat || !*lpszFormat) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring key = Fold(lpszFormat);
    std::lock_guard guard(g_lock);
    auto it = g_formats.find(key);
    if (it != g_formats.end()) return it->second;
    if (g_formats.size() > kLastFormat - kFirstFormat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT format = kFirstFormat + static_cast<UINT>(g_formats.size());
    g_formats.emplace(std::move(key), format);
    return format;
}
