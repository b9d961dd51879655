// Logical fonts: CreateFontIndirectW keeps the description it is given, with the face name cut to its
// field and terminated. Dialogs make their template font this way, and pages their bold title font.
#include <cwchar>

#include "gdi32_internal.h"

extern "C" HFONT WINAPI CreateFontIndirectW(const LOGFONTW* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    gdi::Font font{*lplf};
    font.description.lfFaceName[LF_FACESIZE - 1] = L'\0';
    return static_cast<HFONT>(gdi::Insert(font));
}
