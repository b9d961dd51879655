// Strings, bitmaps and icons loaded from the resources of librctestres.so (tests/platform/rc/test.rc),
// as a caller of LoadStringW, LoadBitmapW and LoadIconW sees them, with the pixels read back through
// GetObjectW and GetDIBits as the console's front ends draw them.
#include <gtest/gtest.h>

#include "rc_test_support.h"
#include "resource.h"

namespace {

using rctest::Library;

std::wstring Load(HMODULE module, UINT id, int buffer = 256) {
    std::vector<WCHAR> text(static_cast<size_t>(buffer) + 1, L'#');
    int length = LoadStringW(module, id, text.data(), buffer);
    EXPECT_EQ(length, static_cast<int>(wcslen(text.data())));
    return text.data();
}

// The 4-bit palette of the test images and the strip's pattern (see images/make_images.py).
const RGBQUAD kPalette[16] = {{0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
                              {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
                              {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
                              {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
int StripIndex(int x, int y) {
    return y < 8 ? x / 16 : 15 - x / 16;
}

bool Same(const BYTE* pixel, RGBQUAD colour) {
    return pixel[0] == colour.rgbBlue && pixel[1] == colour.rgbGreen && pixel[2] == colour.rgbRed &&
           pixel[3] == colour.rgbReserved;
}

// The bitmap's pixels as 32-bit BGRA rows, top row first.
std::vector<BYTE> TopDownPixels(HBITMAP bitmap, LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(width * height * 4));
    EXPECT_EQ(GetDIBits(nullptr, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS), height);
    return pixels;
}

TEST(LoadString, CopiesTheStringIntoTheBufferAndCountsIt) {
    Library lib("rctestres");
    ASSERT_NE(lib.get(), nullptr);
    EXPECT_EQ(Load(lib.get(), IDS_FIRST), L"First string");
    EXPECT_EQ(Load(lib.get(), IDS_ESCAPES), L"Line\nTab\tQuote\"Doubled\"Backslash\\End");
    EXPECT_EQ(Load(lib.get(), IDS_UNICODE), L"Gr\u00f6\u00dfe \u2013 10 \u20ac");
    EXPECT_EQ(Load(lib.get(), IDS_BLOCK_END), L"last of its block");
    EXPECT_EQ(Load(lib.get(), IDS_WESTERN), L"caf\u00e9 \u20ac \u201cquoted\u201d");
}

TEST(LoadString, CutsToTheBufferLessOneAndTerminates) {
    Library lib("rctestres");
    WCHAR buffer[256];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(LoadStringW(lib.get(), IDS_LONG, buffer, 256), 255); // the string has 300 characters
    EXPECT_EQ(buffer[255], L'\0');
    EXPECT_EQ(std::wstring(buffer).substr(0, 20), L"01234567891123456789");
    EXPECT_EQ(Load(lib.get(), IDS_FIRST, 5), L"Firs");
    EXPECT_EQ(Load(lib.get(), IDS_FIRST, 1), L"");
}

TEST(LoadString, AbsentStringsGiveZeroAndAZeroBufferIsRefused) {
    Library lib("rctestres");
    WCHAR buffer[16] = L"untouched";
    EXPECT_EQ(LoadStringW(lib.get(), IDS_ABSENT, buffer, 16), 0); // its block exists, the string not
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(LoadStringW(lib.get(), 9999, buffer, 16), 0); // no block at all
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadStringW(lib.get(), IDS_EMPTY, buffer, 16), 0);
    EXPECT_EQ(LoadStringW(lib.get(), 0x10000 + IDS_FIRST, buffer, 16), 0);

    // cchBufferMax 0 would ask for a read-only pointer to the string, which UTF-16 storage cannot give.
    WCHAR* pointer = nullptr;
    EXPECT_EQ(LoadStringW(lib.get(), IDS_FIRST, reinterpret_cast<LPWSTR>(&pointer), 0), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(pointer, nullptr);
}

TEST(LoadBitmap, TheStripKeepsItsSizeDepthAndPixels) {
    Library lib("rctestres");
    HBITMAP strip = LoadBitmapW(lib.get(), MAKEINTRESOURCEW(IDB_STRIP));
    ASSERT_NE(strip, nullptr) << GetLastError();
    BITMAP info{};
    ASSERT_EQ(GetObjectW(strip, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 240);
    EXPECT_EQ(info.bmHeight, 16);
    EXPECT_EQ(info.bmBitsPixel, 4);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmWidthBytes, 120);
    EXPECT_EQ(GetObjectW(strip, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectW(strip, sizeof info - 1, &info), 0);

    std::vector<BYTE> pixels = TopDownPixels(strip, 240, 16);
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 240; ++x)
            if (!Same(&pixels[(y * 240 + x) * 4], kPalette[StripIndex(x, y)])) ++wrong;
    EXPECT_EQ(wrong, 0);

    // Asked bottom-up, the first row is the bottom one; scan lines count from the bottom.
    BITMAPINFO bottomUp{};
    bottomUp.bmiHeader = {sizeof(BITMAPINFOHEADER), 240, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> rows(240 * 4 * 2);
    EXPECT_EQ(GetDIBits(nullptr, strip, 14, 5, rows.data(), &bottomUp, DIB_RGB_COLORS), 2);
    EXPECT_TRUE(Same(&rows[0], kPalette[StripIndex(0, 1)]));                 // scan 14 is row 1
    EXPECT_TRUE(Same(&rows[240 * 4 + 16 * 4], kPalette[StripIndex(16, 0)])); // scan 15 is row 0
    EXPECT_TRUE(DeleteObject(strip));
}

TEST(LoadBitmap, HeaderQueriesAndOtherDepthsAndNames) {
    Library lib("rctestres");
    HBITMAP small = LoadBitmapW(lib.get(), L"NamedBitmap");
    ASSERT_NE(small, nullptr);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(nullptr, small, 0, 0, nullptr, &header, DIB_RGB_COLORS), 0);
    EXPECT_EQ(header.bmiHeader.biWidth, 5);
    EXPECT_EQ(header.bmiHeader.biHeight, 3);
    EXPECT_EQ(header.bmiHeader.biBitCount, 24);

    // 5 x 3 at 24 bits: pixel (x, y) is B = 10x, G = 20y, R = 200.
    std::vector<BYTE> pixels = TopDownPixels(small, 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_TRUE(Same(&pixels[(y * 5 + x) * 4], {BYTE(10 * x), BYTE(20 * y), 200, 0}))
                << x << "," << y;
    DeleteObject(small);

    EXPECT_EQ(LoadBitmapW(lib.get(), MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(IDB_STRIP)), nullptr);
}

TEST(GdiObjects, ADeletedOrUnknownHandleNamesNothing) {
    Library lib("rctestres");
    HBITMAP strip = LoadBitmapW(lib.get(), MAKEINTRESOURCEW(IDB_STRIP));
    ASSERT_NE(strip, nullptr);
    EXPECT_TRUE(DeleteObject(strip));
    EXPECT_FALSE(DeleteObject(strip));
    BITMAP info{};
    EXPECT_EQ(GetObjectW(strip, sizeof info, &info), 0);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(nullptr, strip, 0, 16, nullptr, &header, DIB_RGB_COLORS), 0);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0x1)));
    EXPECT_FALSE(DeleteObject(nullptr));
    // A new bitmap does not take the deleted one's handle.
    HBITMAP again = LoadBitmapW(lib.get(), MAKEINTRESOURCEW(IDB_STRIP));
    EXPECT_NE(again, strip);
    DeleteObject(again);
}

TEST(LoadIcon, PicksTheLargeImageAndGivesItsBitmapsAndMask) {
    Library lib("rctestres");
    HICON icon = LoadIconW(lib.get(), MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr) << GetLastError();
    EXPECT_EQ(LoadIconW(lib.get(), MAKEINTRESOURCEW(IDI_APP)), icon); // shared
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    BITMAP colour{}, mask{};
    ASSERT_EQ(GetObjectW(info.hbmColor, sizeof colour, &colour), static_cast<int>(sizeof colour));
    ASSERT_EQ(GetObjectW(info.hbmMask, sizeof mask, &mask), static_cast<int>(sizeof mask));
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    EXPECT_EQ(colour.bmBitsPixel, 32);
    EXPECT_EQ(mask.bmHeight, 32);
    EXPECT_EQ(mask.bmBitsPixel, 1);

    // Pixel (x, y) is B = 8x, G = 8y, R = 0x80, A = 0xFF; the mask marks the top-left 8 x 8 transparent.
    std::vector<BYTE> pixels = TopDownPixels(info.hbmColor, 32, 32);
    EXPECT_TRUE(Same(&pixels[(3 * 32 + 5) * 4], {40, 24, 0x80, 0xFF}));
    EXPECT_TRUE(Same(&pixels[(31 * 32 + 31) * 4], {248, 248, 0x80, 0xFF}));
    std::vector<BYTE> maskPixels = TopDownPixels(info.hbmMask, 32, 32);
    EXPECT_TRUE(Same(&maskPixels[(2 * 32 + 2) * 4], {255, 255, 255, 0}));
    EXPECT_TRUE(Same(&maskPixels[(20 * 32 + 20) * 4], {0, 0, 0, 0}));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // Destroying a shared icon leaves it for the next user.
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST(LoadIcon, WithoutALargeImageTakesTheFirst) {
    Library lib("rctestres");
    HICON icon = LoadIconW(lib.get(), MAKEINTRESOURCEW(IDI_NOSIZE));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 16);
    EXPECT_EQ(colour.bmBitsPixel, 4);
    EXPECT_TRUE(Same(&TopDownPixels(info.hbmColor, 16, 16)[0], kPalette[12]));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    EXPECT_EQ(LoadIconW(lib.get(), MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(0x4)));
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(0x4), &info));
}

} // namespace
