// System parameters of the one display there is: 96 pixels per inch, 1024 x 768, and the fonts of the
// non-client metrics (9-point "Tahoma"), from which pages make their bold title font. GetDC gives a
// device context of that display.
#include <cstring>

#include "user32_internal.h"

namespace {

LOGFONTW SystemFont() {
    LOGFONTW font{};
    font.lfHeight = -12; // 9 points at 96 pixels per inch
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy(font.lfFaceName, L"Tahoma");
    return font;
}

} // namespace

extern "C" BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni) {
    if (!pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    switch (uiAction) {
    case SPI_GETNONCLIENTMETRICS: {
        auto* metrics = static_cast<NONCLIENTMETRICSW*>(pvParam);
        UINT size = metrics->cbSize;
        // The structure as it is, or without its last field as older callers have it.
        if ((size != sizeof(NONCLIENTMETRICSW) && size != offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth)) ||
            (uiParam != 0 && uiParam != size)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        NONCLIENTMETRICSW values{};
        values.cbSize = size;
        values.iBorderWidth = 1;
        values.iScrollWidth = values.iScrollHeight = 17;
        values.iCaptionWidth = values.iCaptionHeight = 18;
        values.iSmCaptionWidth = values.iSmCaptionHeight = 17;
        values.iMenuWidth = values.iMenuHeight = 18;
        values.lfCaptionFont = values.lfSmCaptionFont = values.lfMenuFont = values.lfStatusFont =
            values.lfMessageFont = SystemFont();
        values.lfCaptionFont.lfWeight = FW_BOLD;
        std::memcpy(metrics, &values, size);
        return TRUE;
    }
    case SPI_GETICONTITLELOGFONT: {
        if (uiParam != 0 && uiParam != sizeof(LOGFONTW)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        LOGFONTW font = SystemFont();
        std::memcpy(pvParam, &font, sizeof font);
        return TRUE;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

extern "C" int WINAPI GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN:
        return 1024;
    case SM_CYSCREEN:
        return 768;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        return 0;
    }
}

extern "C" HDC WINAPI GetDC(HWND hWnd) {
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return CreateCompatibleDC(nullptr);
}

extern "C" int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    return DeleteDC(hDC) ? 1 : 0;
}
