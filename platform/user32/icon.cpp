// Icons from a module's resources. LoadIconW reads the RT_GROUP_ICON directory, picks the 32 x 32 image
// (the one with the most colours if there are several), else the first, and keeps the image's colour
// bitmap and AND mask as DIBs; GetIconInfo makes gdi32 bitmaps of them. Icons are ids into a table.
// Loaded icons are shared, as LoadIcon's are: the same module and name give the same handle.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>
#include <cwctype>

#include "dib.h"
#include "user32_internal.h"

namespace {

constexpr size_t kGroupHeader = 6; // GRPICONDIR
constexpr size_t kGroupEntry = 14; // GRPICONDIRENTRY

struct Icon {
    LONG width = 0;
    LONG height = 0;
    std::vector<BYTE> colour; // a DIB: header, masks or colour table, bits
    size_t colourBits = 0;    // where the bits of `colour` start
    std::vector<BYTE> mask;   // a 1-bit DIB with a black and white colour table
    size_t maskBits = 0;
};

std::mutex g_lock;
std::map<ULONG_PTR, Icon> g_icons;
std::map<std::pair<ULONG_PTR, std::wstring>, ULONG_PTR> g_shared; // (module, name) -> icon
ULONG_PTR g_nextId = 0x8000;

std::wstring NameKey(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(LOWORD(name));
    std::wstring key = name;
    for (WCHAR& c : key)
        c = static_cast<WCHAR>(towupper(c));
    return key;
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

// Reads the icon image that the group `name` of `module` prefers.
bool ReadIcon(HMODULE module, LPCWSTR name, Icon& icon) {
    const BYTE* group;
    DWORD size;
    if (!u32::ResourceBytes(module, name, RT_GROUP_ICON, group, size)) return false;
    if (size < kGroupHeader || dib::ReadU16(group) != 0 || dib::ReadU16(group + 2) != 1)
        return Fail(ERROR_INVALID_DATA);
    size_t count = dib::ReadU16(group + 4);
    if (count == 0 || (size - kGroupHeader) / kGroupEntry < count) return Fail(ERROR_INVALID_DATA);
    size_t chosen = 0;
    int bestBits = -1;
    for (size_t i = 0; i < count; ++i) {
        const BYTE* entry = group + kGroupHeader + i * kGroupEntry;
        int bits = dib::ReadU16(entry + 6);
        if (entry[0] == 32 && entry[1] == 32 && bits > bestBits) {
            chosen = i;
            bestBits = bits;
        }
    }
    WORD id = dib::ReadU16(group + kGroupHeader + chosen * kGroupEntry + 12);
    const BYTE* image;
    if (!u32::ResourceBytes(module, MAKEINTRESOURCEW(id), RT_ICON, image, size)) return false;
    dib::Layout layout;
    if (!dib::Measure(image, size, true, layout)) return Fail(ERROR_INVALID_DATA); // PNG images too

    icon.width = layout.width;
    icon.height = layout.height;
    icon.colour.assign(image, image + layout.bitsOffset + layout.imageSize);
    LONG rows = layout.height;
    std::memcpy(icon.colour.data() + 8, &rows, sizeof rows); // the colour image alone
    icon.colourBits = layout.bitsOffset;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = layout.width;
    header.biHeight = layout.height;
    header.biPlanes = 1;
    header.biBitCount = 1;
    header.biCompression = BI_RGB;
    header.biClrUsed = 2;
    const RGBQUAD colours[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    icon.mask.resize(sizeof header + sizeof colours);
    std::memcpy(icon.mask.data(), &header, sizeof header);
    std::memcpy(icon.mask.data() + sizeof header, colours, sizeof colours);
    icon.maskBits = icon.mask.size();
    const BYTE* maskBits = image + layout.bitsOffset + layout.imageSize;
    icon.mask.insert(icon.mask.end(), maskBits, maskBits + layout.maskSize);
    return true;
}

HBITMAP MakeBitmap(const std::vector<BYTE>& dib, size_t bits) {
    auto info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    return CreateDIBitmap(nullptr, &info->bmiHeader, CBM_INIT, dib.data() + bits, info, DIB_RGB_COLORS);
}

} // namespace

extern "C" HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    if (!hInstance || !lpIconName) { // the system's predefined icons do not exist here
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto key = std::make_pair(reinterpret_cast<ULONG_PTR>(hInstance), NameKey(lpIconName));
    {
        std::lock_guard guard(g_lock);
        auto it = g_shared.find(key);
        if (it != g_shared.end()) return reinterpret_cast<HICON>(it->second);
    }
    Icon icon;
    if (!ReadIcon(hInstance, lpIconName, icon)) return nullptr;
    std::lock_guard guard(g_lock);
    auto [it, added] = g_shared.emplace(key, g_nextId);
    if (added) {
        g_icons.emplace(g_nextId, std::move(icon));
        g_nextId += 4;
    }
    return reinterpret_cast<HICON>(it->second);
}

extern "C" BOOL WINAPI DestroyIcon(HICON hIcon) {
    std::lock_guard guard(g_lock);
    if (!g_icons.count(reinterpret_cast<ULONG_PTR>(hIcon))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE; // every icon here is a shared one, which stays for the next LoadIconW
}

extern "C" BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
    if (!piconinfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Icon icon;
    {
        std::lock_guard guard(g_lock);
        auto it = g_icons.find(reinterpret_cast<ULONG_PTR>(hIcon));
        if (it == g_icons.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        icon = it->second;
    }
    HBITMAP colour = MakeBitmap(icon.colour, icon.colourBits);
    HBITMAP mask = MakeBitmap(icon.mask, icon.maskBits);
    if (!colour || !mask) {
        if (colour) DeleteObject(colour);
        if (mask) DeleteObject(mask);
        return FALSE;
    }
    piconinfo->fIcon = TRUE;
    piconinfo->xHotspot = static_cast<DWORD>(icon.width / 2); // an icon's hot spot is its centre
    piconinfo->yHotspot = static_cast<DWORD>(icon.height / 2);
    piconinfo->hbmMask = mask;
    piconinfo->hbmColor = colour;
    return TRUE;
}
