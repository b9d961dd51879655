// BSTR strings: a 32-bit byte count, then the characters and a terminating null. The pointer handed
// out is the first character, so a BSTR reads as an ordinary wide string; SysStringLen reads the
// count, which also covers strings with embedded nulls.
#include <cstdlib>
#include <cstring>

#include "oleauto.h"

namespace {

constexpr size_t kPrefix = sizeof(wchar_t) >= 4 ? sizeof(wchar_t) : 4;

DWORD* Header(BSTR text) {
    return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(text) - kPrefix);
}

} // namespace

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    // The byte count is 32 bits wide; longer strings cannot be described.
    if (ui > (0xFFFFFFFFu - kPrefix) / sizeof(OLECHAR) - 1) return nullptr;
    char* block = static_cast<char*>(std::malloc(kPrefix + (size_t(ui) + 1) * sizeof(OLECHAR)));
    if (!block) return nullptr;
    *reinterpret_cast<DWORD*>(block) = DWORD(ui * sizeof(OLECHAR));
    BSTR text = reinterpret_cast<BSTR>(block + kPrefix);
    if (strIn)
        std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    else
        std::memset(text, 0, ui * sizeof(OLECHAR));
    text[ui] = L'\0';
    return text;
}

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    return SysAllocStringLen(psz, UINT(std::wcslen(psz)));
}

void SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(Header(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
    return pbstr ? UINT(*Header(pbstr) / sizeof(OLECHAR)) : 0;
}
