// The default window procedure: the window's text (WM_NCCREATE, WM_SETTEXT, WM_GETTEXT), WM_CLOSE, and
// answers of 0 for what a window does not handle. The private messages of the front end (tvinput.h)
// reach it from windows that are no control, and are answered 0: such a window takes no input.
#include "user32_internal.h"

using namespace u32;

extern "C" LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        // A name that is a resource ordinal (0xFFFF, id) is an image for a static, never text.
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && cs->lpszName[0] != 0xFFFF) {
            std::lock_guard guard(Lock());
            if (Window* w = FindLocked(hWnd)) w->text = cs->lpszName;
        }
        return TRUE;
    }
    case WM_SETTEXT: {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) return FALSE;
        w->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        return TRUE;
    }
    case WM_GETTEXT: {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        return w ? CopyText(w->text, reinterpret_cast<LPWSTR>(lParam), wParam) : 0;
    }
    case WM_GETTEXTLENGTH: {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    default:
        return 0;
    }
}
