// Conversions between wide strings and the narrow code pages. The system code page (CP_ACP) is UTF-8
// here, so CP_ACP, CP_OEMCP, CP_THREAD_ACP and CP_UTF8 all convert UTF-8. Wide text is UTF-32 in
// wchar_t; UTF-16 conversions serve the byte-level formats that store text as UTF-16.
#include <string>

#include "tvplatform.h"
#include "windows.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSupported(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP || codePage == CP_UTF8;
}

// Decodes UTF-8; malformed sequences become U+FFFD, or make `valid` false.
std::u32string DecodeUtf8(std::string_view in, bool& valid) {
    std::u32string out;
    out.reserve(in.size());
    valid = true;
    size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = extra >= 0 && i + extra < in.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            valid = false;
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

namespace tvp {

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text)
        AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    bool valid;
    std::u32string decoded = DecodeUtf8(text, valid);
    return std::wstring(decoded.begin(), decoded.end());
}

std::u16string ToUtf16(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        char32_t c = static_cast<char32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::wstring FromUtf16(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}

} // namespace tvp

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    if (!IsSupported(CodePage) || !lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1: the string is null-terminated and the null is converted too.
    size_t length =
        cbMultiByte < 0 ? std::char_traits<char>::length(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    bool valid;
    std::u32string decoded = DecodeUtf8(std::string_view(lpMultiByteStr, length), valid);
    if (!valid && (dwFlags & MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (cchWideChar == 0) return static_cast<int>(decoded.size());
    if (decoded.size() > size_t(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < decoded.size(); ++i)
        lpWideCharStr[i] = static_cast<wchar_t>(decoded[i]);
    return static_cast<int>(decoded.size());
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
    if (!IsSupported(CodePage) || !lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || lpDefaultChar || lpUsedDefaultChar) {
        // UTF-8 has no default character: the documented rule for CP_UTF8.
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = cchWideChar < 0 ? wcslen(lpWideCharStr) + 1 : size_t(cchWideChar);
    std::wstring_view in(lpWideCharStr, length);
    if (dwFlags & WC_ERR_INVALID_CHARS)
        for (wchar_t c : in)
            if (static_cast<char32_t>(c) > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
    std::string out = tvp::ToUtf8(in);
    if (cbMultiByte == 0) return static_cast<int>(out.size());
    if (out.size() > size_t(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::char_traits<char>::copy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}
