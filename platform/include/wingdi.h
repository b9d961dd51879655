// gdi32: the bitmap objects that resources are loaded into, logical fonts, and device contexts of the
// display. Objects are ids into gdi32's table: a deleted or unknown handle names nothing, and
// DeleteObject and GetObjectW fail on it harmlessly.
#pragma once

#include "windef.h"

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#define BI_RGB 0L
#define BI_BITFIELDS 3L

#define CBM_INIT 0x04L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

WINGDIAPI BOOL WINAPI DeleteObject(HGDIOBJ ho);
// For a bitmap: a BITMAP with its width, height and bits per pixel (bmBits is null).
WINGDIAPI int WINAPI GetObjectW(HANDLE h, int c, LPVOID pv);

// There is no display device here, so the bitmap keeps the format of the DIB it is made from (bits per
// pixel and colour table) rather than a device's format; hdc may be null. Uncompressed DIBs of 1, 4, 8,
// 16, 24 and 32 bits per pixel (16 and 32 also as BI_BITFIELDS), with DIB_RGB_COLORS.
WINGDIAPI HBITMAP WINAPI CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit,
                                        const VOID* pjBits, const BITMAPINFO* pbmi, UINT iUsage);
// Reads scan lines as a DIB of 24 or 32 bits per pixel (BGR, or BGRA with the bitmap's alpha byte, 0 for
// palette images), bottom-up unless lpbmi asks for a negative height; lines count from the bottom. With
// lpvBits null it fills in lpbmi's header (with biBitCount 0 in it: the bitmap's own format). hdc may be
// null. Returns the number of lines copied.
WINGDIAPI int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits,
                               LPBITMAPINFO lpbmi, UINT usage);

// Fonts ------------------------------------------------------------------------------------------------

DECLARE_HANDLE(HPALETTE);

#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FF_DONTCARE 0x00
#define FF_SWISS 0x20

typedef struct tagLOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;

// A font is its description: the front end finds the face when it draws. GetObjectW of a font gives
// its LOGFONTW back.
WINGDIAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf);

// Device contexts ------------------------------------------------------------------------------------

#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// A memory device context compatible with the display; hdc is ignored. Delete it with DeleteDC.
WINGDIAPI HDC WINAPI CreateCompatibleDC(HDC hdc);
WINGDIAPI BOOL WINAPI DeleteDC(HDC hdc);
// The display: 96 pixels per inch both ways, 1024 x 768 pixels of 32 bits.
WINGDIAPI int WINAPI GetDeviceCaps(HDC hdc, int index);
