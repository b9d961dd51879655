// Bitmaps: CreateDIBitmap makes a bitmap object from a device-independent bitmap (the form of bitmap
// and icon resources), and GetDIBits reads its pixels back as 24- or 32-bit colours, which is how the
// console's front ends draw resource images.
#include <algorithm>
#include <bit>
#include <cstring>

#include "dib.h"
#include "gdi32_internal.h"

namespace {

constexpr size_t kMaxBitmapBytes = 256u << 20;

// A colour channel of a BI_BITFIELDS pixel, scaled to 8 bits.
BYTE Channel(DWORD pixel, DWORD mask) {
    if (!mask) return 0;
    int shift = std::countr_zero(mask);
    int width = std::popcount(mask >> shift);
    DWORD value = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<BYTE>(value >> (width - 8));
    return static_cast<BYTE>(value * 255 / ((1u << width) - 1));
}

RGBQUAD Pixel(const gdi::Bitmap& bitmap, const BYTE* row, LONG x) {
    RGBQUAD colour{0, 0, 0, 0};
    switch (bitmap.bitCount) {
    case 1:
    case 4:
    case 8: {
        size_t bit = static_cast<size_t>(x) * bitmap.bitCount;
        unsigned index = (row[bit / 8] >> (8 - bitmap.bitCount - bit % 8)) & ((1u << bitmap.bitCount) - 1);
        if (index < bitmap.colours.size()) colour = bitmap.colours[index];
        colour.rgbReserved = 0;
        break;
    }
    case 16: {
        DWORD v = dib::ReadU16(row + 2 * x);
        if (bitmap.bitfields) {
            colour = {Channel(v, bitmap.masks[2]), Channel(v, bitmap.masks[1]), Channel(v, bitmap.masks[0]),
                      0};
        } else { // 5-5-5
            colour = {Channel(v, 0x001F), Channel(v, 0x03E0), Channel(v, 0x7C00), 0};
        }
        break;
    }
    case 24:
        colour = {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
        break;
    case 32: {
        const BYTE* p = row + 4 * x;
        if (bitmap.bitfields) {
            DWORD v = dib::ReadU32(p);
            colour = {Channel(v, bitmap.masks[2]), Channel(v, bitmap.masks[1]), Channel(v, bitmap.masks[0]),
                      0};
        } else {
            colour = {p[0], p[1], p[2], p[3]};
        }
        break;
    }
    }
    return colour;
}

} // namespace

extern "C" HBITMAP WINAPI CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit,
                                         const VOID* pjBits, const BITMAPINFO* pbmi, UINT iUsage) {
    bool init = flInit & CBM_INIT;
    if (!pbmih || (init && (!pjBits || !pbmi)) || iUsage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The caller vouches for the sizes of its structures; only the header's own fields are checked.
    const BYTE* info = reinterpret_cast<const BYTE*>(pbmi ? &pbmi->bmiHeader : pbmih);
    dib::Layout layout;
    if (!dib::MeasureHeader(info, SIZE_MAX / 2, false, layout) || pbmih->biWidth != layout.width ||
        (pbmih->biHeight < 0 ? -pbmih->biHeight : pbmih->biHeight) != layout.height ||
        layout.imageSize > kMaxBitmapBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    gdi::Bitmap bitmap;
    bitmap.width = layout.width;
    bitmap.height = layout.height;
    bitmap.bitCount = layout.bitCount;
    bitmap.bitfields = layout.compression == BI_BITFIELDS;
    std::memcpy(bitmap.masks, layout.masks, sizeof bitmap.masks);
    bitmap.stride = layout.stride;
    if (pbmi) {
        bitmap.colours.resize(layout.colourCount);
        if (layout.colourCount)
            std::memcpy(bitmap.colours.data(), info + layout.colourOffset,
                        layout.colourCount * sizeof(RGBQUAD));
    }
    bitmap.bits.assign(layout.imageSize, 0);
    if (init) {
        const BYTE* source = static_cast<const BYTE*>(pjBits);
        for (LONG row = 0; row < layout.height; ++row) {
            // Kept bottom-up: a top-down DIB's first row is the bitmap's top row.
            LONG from = layout.topDown ? layout.height - 1 - row : row;
            std::memcpy(bitmap.bits.data() + row * layout.stride, source + from * layout.stride,
                        layout.stride);
        }
    }
    return static_cast<HBITMAP>(gdi::Insert(std::move(bitmap)));
}

extern "C" int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits,
                                LPBITMAPINFO lpbmi, UINT usage) {
    if (!lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int result = 0;
    bool found = gdi::With(hbm, [&](gdi::Object& object) {
        auto* bitmap = std::get_if<gdi::Bitmap>(&object);
        if (!bitmap) return;
        BITMAPINFOHEADER& header = lpbmi->bmiHeader;
        if (!lpvBits) {
            if (header.biBitCount == 0) {
                header.biBitCount = bitmap->bitCount;
                header.biCompression = bitmap->bitfields ? BI_BITFIELDS : BI_RGB;
                header.biClrUsed = 0;
            }
            header.biWidth = bitmap->width;
            header.biHeight = bitmap->height;
            header.biPlanes = 1;
            header.biSizeImage =
                static_cast<DWORD>(dib::Stride(bitmap->width, header.biBitCount) * bitmap->height);
            result = bitmap->height;
            return;
        }
        if ((header.biBitCount != 24 && header.biBitCount != 32) || header.biCompression != BI_RGB) return;
        bool topDown = header.biHeight < 0;
        UINT height = static_cast<UINT>(bitmap->height);
        if (start >= height) return;
        UINT lines = std::min(cLines, height - start);
        size_t stride = dib::Stride(bitmap->width, header.biBitCount);
        BYTE* out = static_cast<BYTE*>(lpvBits);
        for (UINT i = 0; i < lines; ++i) {
            UINT scan = topDown ? start + lines - 1 - i : start + i; // scans count from the bottom
            const BYTE* row = bitmap->bits.data() + scan * bitmap->stride;
            BYTE* target = out + i * stride;
            std::memset(target, 0, stride);
            for (LONG x = 0; x < bitmap->width; ++x) {
                RGBQUAD c = Pixel(*bitmap, row, x);
                BYTE* p = target + x * (header.biBitCount / 8);
                p[0] = c.rgbBlue;
                p[1] = c.rgbGreen;
                p[2] = c.rgbRed;
                if (header.biBitCount == 32) p[3] = c.rgbReserved;
            }
        }
        header.biWidth = bitmap->width;
        header.biPlanes = 1;
        header.biSizeImage = static_cast<DWORD>(stride * lines);
        result = static_cast<int>(lines);
    });
    SetLastError(found ? (result ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER) : ERROR_INVALID_HANDLE);
    return result;
}
