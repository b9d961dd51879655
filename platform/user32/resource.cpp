// Strings and bitmaps from a module's resources: LoadStringW reads the string blocks (sixteen
// length-prefixed UTF-16 strings per block, block id = string id / 16 + 1), LoadBitmapW turns a bitmap
// resource into a gdi32 bitmap. Both check the resource's lengths, since a module loaded as a data file
// is outside input.
#include "dib.h"
#include "tvplatform.h"
#include "user32_internal.h"

namespace u32 {

bool ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, const BYTE*& data, DWORD& size) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return false;
    data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    size = SizeofResource(module, found);
    return data != nullptr;
}

} // namespace u32

extern "C" int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpBuffer[0] = L'\0';
    const BYTE* data;
    DWORD size;
    if (uID > 0xFFFF) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    if (!u32::ResourceBytes(hInstance, MAKEINTRESOURCEW(uID / 16 + 1), RT_STRING, data, size)) return 0;
    size_t at = 0;
    for (UINT i = 0;; ++i) {
        if (size - at < 2) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND); // a block cut short holds no more strings
            return 0;
        }
        size_t length = dib::ReadU16(data + at);
        at += 2;
        if ((size - at) / 2 < length) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        if (i == uID % 16) {
            if (length == 0) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return 0;
            }
            std::u16string text(length, u'\0');
            std::memcpy(text.data(), data + at, length * 2);
            std::wstring wide = tvp::FromUtf16(text);
            size_t copied = std::min(wide.size(), static_cast<size_t>(cchBufferMax - 1));
            wmemcpy(lpBuffer, wide.data(), copied);
            lpBuffer[copied] = L'\0';
            return static_cast<int>(copied);
        }
        at += length * 2;
    }
}

extern "C" HBITMAP WINAPI LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    if (!hInstance) { // the system's predefined bitmaps do not exist here
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const BYTE* data;
    DWORD size;
    if (!u32::ResourceBytes(hInstance, lpBitmapName, RT_BITMAP, data, size)) return nullptr;
    dib::Layout layout;
    if (!dib::Measure(data, size, false, layout)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    auto info = reinterpret_cast<const BITMAPINFO*>(data);
    return CreateDIBitmap(nullptr, &info->bmiHeader, CBM_INIT, data + layout.bitsOffset, info,
                          DIB_RGB_COLORS);
}
