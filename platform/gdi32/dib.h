// The layout of a device-independent bitmap as bitmap and icon resources carry it: a BITMAPINFOHEADER (or
// a longer header), the bit-field masks or the colour table, then the pixel rows, each padded to 32 bits.
// An icon image doubles the header's height: its colour rows are followed by a 1-bit AND mask. Measuring
// checks every length against the bytes at hand, since the bitmap comes from files and resources that
// are outside input. Shared by gdi32, user32 and the resource compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wingdi.h"

namespace dib {

struct Layout {
    LONG width = 0;
    LONG height = 0;      // rows of the colour image (of an icon: half the header's height)
    bool topDown = false; // the header's height was negative
    WORD bitCount = 0;
    DWORD compression = BI_RGB;
    DWORD masks[3] = {0, 0, 0}; // red, green and blue masks of a BI_BITFIELDS bitmap
    size_t colourCount = 0;     // RGBQUAD entries of the colour table
    size_t colourOffset = 0;    // where the colour table starts
    size_t bitsOffset = 0;      // where the pixel rows start, when they follow the colour table
    size_t stride = 0;          // bytes per row
    size_t imageSize = 0;       // bytes of the colour rows
    size_t maskStride = 0;      // an icon's AND mask: bytes per row and in all
    size_t maskSize = 0;
};

inline constexpr LONG kMaxDimension = 32768;

inline size_t Stride(LONG width, WORD bitCount) {
    return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
}

inline DWORD ReadU32(const uint8_t* p) {
    DWORD v;
    std::memcpy(&v, p, 4);
    return v;
}

inline WORD ReadU16(const uint8_t* p) {
    WORD v;
    std::memcpy(&v, p, 2);
    return v;
}

// Checks the header, the masks and the colour table within `size` bytes and works out the rest of the
// layout. The pixel rows are not required to be present (a .bmp file may place them elsewhere).
inline bool MeasureHeader(const uint8_t* data, size_t size, bool icon, Layout& out) {
    out = Layout();
    if (!data || size < sizeof(BITMAPINFOHEADER)) return false;
    size_t headerSize = ReadU32(data);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size || headerSize > 1024) return false;
    LONG width = static_cast<LONG>(ReadU32(data + 4));
    LONG height = static_cast<LONG>(ReadU32(data + 8));
    WORD planes = ReadU16(data + 12);
    out.bitCount = ReadU16(data + 14);
    out.compression = ReadU32(data + 16);
    DWORD clrUsed = ReadU32(data + 32);
    if (planes != 1 || width <= 0 || width > kMaxDimension || height == 0 || height < -kMaxDimension ||
        height > kMaxDimension * (icon ? 2 : 1))
        return false;
    switch (out.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    bool bitfields = out.compression == BI_BITFIELDS;
    if (out.compression != BI_RGB && !(bitfields && (out.bitCount == 16 || out.bitCount == 32))) return false;
    if (icon && (height < 0 || height % 2)) return false;
    out.width = width;
    out.topDown = height < 0;
    out.height = icon ? height / 2 : (height < 0 ? -height : height);

    size_t maskBytes = 0;
    if (bitfields) {
        // A BITMAPINFOHEADER is followed by the three masks; longer headers hold them inside.
        size_t at = headerSize == sizeof(BITMAPINFOHEADER) ? headerSize : sizeof(BITMAPINFOHEADER);
        if (headerSize == sizeof(BITMAPINFOHEADER)) maskBytes = 12;
        if (size < at + 12) return false;
        for (int i = 0; i < 3; ++i)
            out.masks[i] = ReadU32(data + at + 4 * i);
    }
    if (out.bitCount <= 8) {
        size_t full = size_t(1) << out.bitCount;
        if (clrUsed > full) return false;
        out.colourCount = clrUsed ? clrUsed : full;
    } else {
        if (clrUsed > 256) return false;
        out.colourCount = clrUsed;
    }
    out.colourOffset = headerSize + maskBytes;
    out.bitsOffset = out.colourOffset + out.colourCount * sizeof(RGBQUAD);
    if (out.bitsOffset > size) return false;
    out.stride = Stride(out.width, out.bitCount);
    out.imageSize = out.stride * static_cast<size_t>(out.height);
    if (icon) {
        out.maskStride = Stride(out.width, 1);
        out.maskSize = out.maskStride * static_cast<size_t>(out.height);
    }
    return true;
}

// As MeasureHeader, and the pixel rows (and an icon's mask) follow the colour table within `size`.
inline bool Measure(const uint8_t* data, size_t size, bool icon, Layout& out) {
    if (!MeasureHeader(data, size, icon, out)) return false;
    return out.imageSize + out.maskSize <= size - out.bitsOffset;
}

} // namespace dib
