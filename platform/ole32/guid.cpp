// GUIDs as strings: the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case hex, and
// its parsing.
#include <cwctype>

#include "objbase.h"

namespace {

constexpr int kGuidChars = 38; // without the terminating null

void Format(REFGUID guid, wchar_t* out) {
    swprintf(out, kGuidChars + 1, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
             guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
             guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Reads `digits` hex digits from text[at].
bool ReadHex(LPCOLESTR text, int at, int digits, uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        int digit = HexDigit(text[at + i]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

bool Parse(LPCOLESTR text, GUID& guid) {
    if (!text || wcslen(text) != kGuidChars || text[0] != L'{' || text[37] != L'}' || text[9] != L'-' ||
        text[14] != L'-' || text[19] != L'-' || text[24] != L'-')
        return false;
    uint32_t value;
    if (!ReadHex(text, 1, 8, value)) return false;
    guid.Data1 = value;
    if (!ReadHex(text, 10, 4, value)) return false;
    guid.Data2 = static_cast<unsigned short>(value);
    if (!ReadHex(text, 15, 4, value)) return false;
    guid.Data3 = static_cast<unsigned short>(value);
    static const int kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteAt[i], 2, value)) return false;
        guid.Data4[i] = static_cast<unsigned char>(value);
    }
    return true;
}

} // namespace

extern "C" int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < kGuidChars + 1) return 0;
    Format(rguid, lpsz);
    return kGuidChars + 1;
}

extern "C" HRESULT WINAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
    if (!lplpsz) return E_INVALIDARG;
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc((kGuidChars + 1) * sizeof(OLECHAR)));
    *lplpsz = text;
    if (!text) return E_OUTOFMEMORY;
    Format(rclsid, text);
    return S_OK;
}

extern "C" HRESULT WINAPI StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) {
    return StringFromCLSID(rclsid, lplpsz);
}

extern "C" HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid) return E_INVALIDARG;
    // A null string is the null class, as documented.
    if (!lpsz) {
        *pclsid = CLSID_NULL;
        return S_OK;
    }
    GUID guid;
    if (!Parse(lpsz, guid)) {
        *pclsid = CLSID_NULL;
        return CO_E_CLASSSTRING;
    }
    *pclsid = guid;
    return S_OK;
}

extern "C" HRESULT WINAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    if (!lpiid) return E_INVALIDARG;
    if (!lpsz) {
        *lpiid = IID_NULL;
        return S_OK;
    }
    return Parse(lpsz, *lpiid) ? S_OK : E_INVALIDARG;
}
