// What every control shares, those of user32 and those of comctl32 alike: the life of its state, its
// font, the window it tells of what happens to it, how item texts compare and how a text goes out to a
// caller's buffer. All inline, because comctl32 links user32 but reaches none of its internals.
#pragma once

#include <algorithm>
#include <cwctype>
#include <string>

#include "windows.h"

namespace u32 {

// A control keeps its state behind the first pointer of its window bytes. RunControl makes the state
// on WM_NCCREATE and deletes it after WM_NCDESTROY; in between, `handle(hwnd, state, message, wParam,
// lParam)` gets every message, WM_NCCREATE (the state already made) and WM_NCDESTROY (the state not
// yet gone) among them, so that the control can set up and release what its state holds. A message
// that comes before WM_NCCREATE goes to DefWindowProcW.
template <class State, class Handler>
LRESULT RunControl(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, Handler handle) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE) {
        state = new State;
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(state));
    }
    if (!state) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message != WM_NCDESTROY) return handle(hwnd, *state, message, wParam, lParam);
    handle(hwnd, *state, message, wParam, lParam);
    SetWindowLongPtrW(hwnd, 0, 0);
    delete state;
    return 0;
}

// WM_SETFONT and WM_GETFONT of a control that keeps the font it is given, for the front end to draw
// with; the control does not own it.
inline LRESULT FontMessage(HFONT& font, UINT message, WPARAM wParam) {
    if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(font);
    font = reinterpret_cast<HFONT>(wParam);
    return 0;
}

// The window a control notifies: its parent, while it is a child window. GetParent answers a popup's
// owner, and an owner hears nothing of its popups' controls.
inline HWND ParentToNotify(HWND control) {
    HWND parent = GetParent(control);
    return parent && (GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD) ? parent : nullptr;
}

// Comparisons of item texts, as list boxes, combo boxes and list views sort and search: case-insensitive,
// by code point.
inline int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wint_t x = towlower(a[i]), y = towlower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

inline bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// Copies text into a caller's buffer of `size` characters, cut and terminated; returns the characters
// copied.
inline int CopyText(const std::wstring& text, LPWSTR buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    size_t copied = std::min(text.size(), size - 1);
    wmemcpy(buffer, text.data(), copied);
    buffer[copied] = L'\0';
    return static_cast<int>(copied);
}

} // namespace u32
