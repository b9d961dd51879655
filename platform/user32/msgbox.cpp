// Message boxes and the front end that shows them. The front end (the console's desktop or headless
// one) is installed process-wide; without one, a message box is written to the debug output and answers
// its default button, so library code and its tests run without a person.
#include <atomic>
#include <string>

#include "tvfrontend.h"
#include "windows.h"

namespace {

std::atomic<ITvFrontEnd*> g_frontEnd{nullptr};

// The buttons of each MB_ type, in the order MB_DEFBUTTONn counts them.
const int kButtons[][3] = {
    {IDOK, 0, 0},     {IDOK, IDCANCEL, 0},    {IDABORT, IDRETRY, IDIGNORE},       {IDYES, IDNO, IDCANCEL},
    {IDYES, IDNO, 0}, {IDRETRY, IDCANCEL, 0}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
};

} // namespace

extern "C" ITvFrontEnd* WINAPI TvSetFrontEnd(ITvFrontEnd* frontEnd) {
    return g_frontEnd.exchange(frontEnd);
}

extern "C" ITvFrontEnd* WINAPI TvGetFrontEnd(void) {
    return g_frontEnd.load();
}

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    UINT type = uType & MB_TYPEMASK;
    if (type >= ARRAYSIZE(kButtons)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const wchar_t* caption = lpCaption ? lpCaption : L"Error"; // the title of a box given none
    const wchar_t* text = lpText ? lpText : L"";
    if (ITvFrontEnd* frontEnd = g_frontEnd.load()) return frontEnd->MessageBox(hWnd, text, caption, uType);

    OutputDebugStringW((std::wstring(L"msgbox: ") + caption + L": " + text + L"\n").c_str());
    int buttons[4];
    int count = 0;
    for (int id : kButtons[type])
        if (id) buttons[count++] = id;
    if (uType & MB_HELP) buttons[count++] = IDHELP;
    UINT chosen = (uType & MB_DEFMASK) >> 8;
    return buttons[chosen < static_cast<UINT>(count) ? chosen : 0]; // a default past the last is the first
}
