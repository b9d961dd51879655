// Image lists: images of one size kept as 32-bit colours, where an alpha of 0 marks what the mask
// makes transparent. ImageList_Add cuts a strip bitmap into images (a 1-bit mask bitmap, white for
// transparent, may come with it); ImageList_AddMasked takes one colour of the strip as transparent, as
// the list views of pages do with the node images. HIMAGELISTs are ids into a table, so a destroyed
// list (for instance one a list view destroyed with itself) names nothing.
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "comctl32_internal.h"

namespace {

struct ImageList {
    int cx = 0, cy = 0;
    UINT flags = 0;
    std::vector<std::vector<BYTE>> images; // cx * cy BGRA pixels, top row first
    HBITMAP strip = nullptr;               // all images side by side, made when asked for
};

std::mutex g_lock;
std::map<ULONG_PTR, ImageList>& Lists() {
    static auto* lists = new std::map<ULONG_PTR, ImageList>;
    return *lists;
}
ULONG_PTR g_nextId = 0x300000;

ImageList* FindLocked(HIMAGELIST himl) {
    auto it = Lists().find(reinterpret_cast<ULONG_PTR>(himl));
    return it == Lists().end() ? nullptr : &it->second;
}

void DropStrip(ImageList& list) {
    if (list.strip) DeleteObject(list.strip);
    list.strip = nullptr;
}

// The bitmap's pixels as 32-bit BGRA rows, top row first; false for a handle that is no bitmap.
bool Pixels(HBITMAP bitmap, LONG& width, LONG& height, std::vector<BYTE>& pixels) {
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) != static_cast<int>(sizeof info)) return false;
    width = info.bmWidth;
    height = info.bmHeight;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    return GetDIBits(nullptr, bitmap, 0, static_cast<UINT>(height), pixels.data(), &bmi, DIB_RGB_COLORS) ==
           height;
}

// Cuts the bitmap into images; `transparent` tells which pixels the mask hides.
template <class Transparent> int AddImages(HIMAGELIST himl, HBITMAP image, Transparent transparent) {
    LONG width, height;
    std::vector<BYTE> pixels;
    if (!Pixels(image, width, height, pixels)) return -1;
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    if (!list || height < list->cy) return -1;
    int first = static_cast<int>(list->images.size());
    for (LONG x0 = 0; x0 + list->cx <= width; x0 += list->cx) {
        std::vector<BYTE> out(static_cast<size_t>(list->cx) * static_cast<size_t>(list->cy) * 4);
        for (int y = 0; y < list->cy; ++y)
            for (int x = 0; x < list->cx; ++x) {
                size_t from =
                    (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x0 + x)) * 4;
                size_t to =
                    (static_cast<size_t>(y) * static_cast<size_t>(list->cx) + static_cast<size_t>(x)) * 4;
                bool hidden = transparent(pixels.data() + from, x0 + x, y);
                for (int c = 0; c < 3; ++c)
                    out[to + c] = hidden ? 0 : pixels[from + c];
                out[to + 3] = hidden ? 0 : 255;
            }
        list->images.push_back(std::move(out));
    }
    DropStrip(*list);
    return static_cast<int>(list->images.size()) > first ? first : -1;
}

} // namespace

extern "C" HIMAGELIST WINAPI ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard guard(g_lock);
    ULONG_PTR id = g_nextId;
    g_nextId += 4;
    ImageList& list = Lists()[id];
    list.cx = cx;
    list.cy = cy;
    list.flags = flags;
    return reinterpret_cast<HIMAGELIST>(id);
}

extern "C" BOOL WINAPI ImageList_Destroy(HIMAGELIST himl) {
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    if (!list) return FALSE;
    DropStrip(*list);
    Lists().erase(reinterpret_cast<ULONG_PTR>(himl));
    return TRUE;
}

extern "C" int WINAPI ImageList_GetImageCount(HIMAGELIST himl) {
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    return list ? static_cast<int>(list->images.size()) : 0;
}

extern "C" BOOL WINAPI ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    if (!list || !cx || !cy) return FALSE;
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

extern "C" int WINAPI ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    LONG maskWidth = 0, maskHeight = 0;
    std::vector<BYTE> mask;
    if (hbmMask && !Pixels(hbmMask, maskWidth, maskHeight, mask)) return -1;
    return AddImages(himl, hbmImage, [&](const BYTE*, LONG x, LONG y) {
        if (mask.empty() || x >= maskWidth || y >= maskHeight) return false;
        const BYTE* m =
            mask.data() +
            (static_cast<size_t>(y) * static_cast<size_t>(maskWidth) + static_cast<size_t>(x)) * 4;
        return m[0] != 0 || m[1] != 0 || m[2] != 0; // white in the mask is transparent
    });
}

extern "C" int WINAPI ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask) {
    bool useFirst = crMask == CLR_DEFAULT;
    COLORREF first = CLR_NONE;
    return AddImages(himl, hbmImage, [&](const BYTE* pixel, LONG x, LONG y) {
        COLORREF colour = RGB(pixel[2], pixel[1], pixel[0]);
        if (useFirst && first == CLR_NONE) first = colour; // the strip's top left pixel
        COLORREF key = useFirst ? first : crMask;
        return crMask != CLR_NONE && colour == key;
    });
}

extern "C" BOOL WINAPI ImageList_Remove(HIMAGELIST himl, int i) {
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    if (!list) return FALSE;
    if (i == -1) {
        list->images.clear();
    } else if (i >= 0 && static_cast<size_t>(i) < list->images.size()) {
        list->images.erase(list->images.begin() + i);
    } else {
        return FALSE;
    }
    DropStrip(*list);
    return TRUE;
}

extern "C" BOOL WINAPI ImageList_GetImageInfo(HIMAGELIST himl, int i, IMAGEINFO* pImageInfo) {
    std::lock_guard guard(g_lock);
    ImageList* list = FindLocked(himl);
    if (!list || !pImageInfo || i < 0 || static_cast<size_t>(i) >= list->images.size()) return FALSE;
    if (!list->strip) {
        LONG width = list->cx * static_cast<LONG>(list->images.size());
        std::vector<BYTE> bits(static_cast<size_t>(width) * static_cast<size_t>(list->cy) * 4);
        for (size_t n = 0; n < list->images.size(); ++n)
            for (int y = 0; y < list->cy; ++y) {
                // A bottom-up DIB: the image's top row is the strip's last row.
                size_t row = static_cast<size_t>(list->cy - 1 - y);
                std::memcpy(
                    bits.data() + (row * static_cast<size_t>(width) + n * static_cast<size_t>(list->cx)) * 4,
                    list->images[n].data() + static_cast<size_t>(y) * static_cast<size_t>(list->cx) * 4,
                    static_cast<size_t>(list->cx) * 4);
            }
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width;
        bmi.bmiHeader.biHeight = list->cy;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        list->strip = CreateDIBitmap(nullptr, &bmi.bmiHeader, CBM_INIT, bits.data(), &bmi, DIB_RGB_COLORS);
    }
    pImageInfo->hbmImage = list->strip;
    pImageInfo->hbmMask = nullptr;
    pImageInfo->rcImage = {i * list->cx, 0, (i + 1) * list->cx, list->cy};
    return TRUE;
}
