// A window's visible and enabled state, the keyboard focus of each thread, and positions and sizes.
// Nothing is painted here: a front end draws windows from this state (tvinput.h).
#include <algorithm>

#include "tvfrontend.h"
#include "user32_internal.h"

namespace {

using namespace u32;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The focus window is the window or one of its descendants.
bool HoldsFocusLocked(HWND hwnd) {
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    for (Window* f = FindLocked(w->queue->focus); f; f = FindLocked(f->parent))
        if (f->handle == hwnd) return true;
    return false;
}

} // namespace

extern "C" BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    bool show = nCmdShow != SW_HIDE, wasVisible, announce = false, dropFocus = false;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        wasVisible = (w->style & WS_VISIBLE) != 0;
        if (show)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~WS_VISIBLE;
        // A dialog or sheet that appears for the first time is news to the front end.
        if (show && w->dialog && !w->dialog->opened && !(w->style & WS_CHILD)) {
            w->dialog->opened = true;
            announce = true;
        }
        dropFocus = !show && HoldsFocusLocked(hWnd);
    }
    if (show != wasVisible) SendMessageW(hWnd, WM_SHOWWINDOW, show, 0);
    if (dropFocus) SetFocus(nullptr);
    if (announce) TvWindowChanged(hWnd, TVWC_OPENED);
    else if (show != wasVisible) TvWindowChanged(hWnd, TVWC_CONTROL);
    return wasVisible;
}

extern "C" BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) return FALSE;
    for (; w; w = FindLocked(w->parent))
        if (!(w->style & WS_VISIBLE)) return FALSE;
    return TRUE;
}

extern "C" BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    bool wasDisabled, dropFocus;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (bEnable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
        dropFocus = !bEnable && HoldsFocusLocked(hWnd);
    }
    // A disabled window cannot keep the focus.
    if (dropFocus) SetFocus(nullptr);
    if (wasDisabled == !bEnable) return wasDisabled;
    SendMessageW(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    return w && !(w->style & WS_DISABLED);
}

extern "C" HWND WINAPI SetFocus(HWND hWnd) {
    HWND previous;
    {
        std::lock_guard guard(Lock());
        auto queue = CurrentQueueLocked();
        if (hWnd) {
            Window* w = FindLocked(hWnd);
            if (!w) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            if (w->queue != queue) {
                SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
                return nullptr;
            }
        }
        previous = FindLocked(queue->focus) ? queue->focus : nullptr;
        if (previous == hWnd) return previous;
        queue->focus = hWnd;
    }
    if (previous) SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    if (hWnd) SendMessageW(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

extern "C" HWND WINAPI GetFocus(void) {
    std::lock_guard guard(Lock());
    auto queue = CurrentQueueLocked();
    return FindLocked(queue->focus) ? queue->focus : nullptr;
}

extern "C" BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    RECT rect = w->rect;
    for (Window* up = FindLocked(w->parent); up; up = FindLocked(up->parent)) {
        rect.left += up->rect.left;
        rect.right += up->rect.left;
        rect.top += up->rect.top;
        rect.bottom += up->rect.top;
    }
    *lpRect = rect;
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    *lpRect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

extern "C" BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                                    UINT uFlags) {
    bool moved, sized;
    RECT rect;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        rect = w->rect;
        if (!(uFlags & SWP_NOMOVE)) {
            rect.right += X - rect.left;
            rect.bottom += Y - rect.top;
            rect.left = X;
            rect.top = Y;
        }
        if (!(uFlags & SWP_NOSIZE)) {
            rect.right = rect.left + std::max(cx, 0);
            rect.bottom = rect.top + std::max(cy, 0);
        }
        moved = rect.left != w->rect.left || rect.top != w->rect.top;
        sized = rect.right - rect.left != w->rect.right - w->rect.left ||
                rect.bottom - rect.top != w->rect.bottom - w->rect.top;
        w->rect = rect;
    }
    if (moved) SendMessageW(hWnd, WM_MOVE, 0, MAKELPARAM(rect.left, rect.top));
    if (sized) SendMessageW(hWnd, WM_SIZE, 0, MAKELPARAM(rect.right - rect.left, rect.bottom - rect.top));
    if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOWNA);
    if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

extern "C" BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

extern "C" BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    return IsWindow(hWnd) || !hWnd;
}

extern "C" BOOL WINAPI UpdateWindow(HWND hWnd) {
    return IsWindow(hWnd);
}
