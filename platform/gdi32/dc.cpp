// Device contexts of the display. Nothing is drawn here (the front ends draw), so a device context only
// answers what code asks of the display: its resolution and size.
#include "gdi32_internal.h"

namespace {

bool IsDeviceContext(HDC hdc) {
    bool found = false;
    gdi::With(hdc, [&](gdi::Object& object) { found = std::holds_alternative<gdi::DeviceContext>(object); });
    return found;
}

} // namespace

extern "C" HDC WINAPI CreateCompatibleDC(HDC hdc) {
    return static_cast<HDC>(gdi::Insert(gdi::DeviceContext{}));
}

extern "C" BOOL WINAPI DeleteDC(HDC hdc) {
    if (!IsDeviceContext(hdc) || !gdi::Erase(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

extern "C" int WINAPI GetDeviceCaps(HDC hdc, int index) {
    if (!IsDeviceContext(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case HORZRES:
        return 1024;
    case VERTRES:
        return 768;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    default:
        return 0;
    }
}
