// What every control shares, those of user32 and those of comctl32 alike: the life of its state, its
// font, the window it tells of what happens to it, how item texts compare and how a text goes out to a
// caller's buffer. All inline, because comctl32 links user32 but reaches none of its internals.
#pragma once

#include <algorithm>
#include <cwctype>
#include <string>

#include "commctrl.h"
#include "tvfrontend.h"
#include "tvinput.h"
#include "windows.h"

namespace u32 {

// The messages after which a control may show something else: its text, check, items, selection,
// range, image or time, and the person's input. The front end hears of them (TVWC_CONTROL) and redraws.
inline bool ChangesWhatIsShown(UINT message) {
    switch (message) {
    case WM_SETTEXT: case WM_ENABLE: case WM_SHOWWINDOW: case WM_SETFONT:
    case BM_SETCHECK: case BM_SETSTATE: case BM_SETSTYLE: case BM_CLICK: case BM_SETIMAGE:
    case STM_SETICON: case STM_SETIMAGE:
    case EM_REPLACESEL: case EM_SETPASSWORDCHAR: case EM_SETREADONLY:
    case CB_ADDSTRING: case CB_DELETESTRING: case CB_INSERTSTRING: case CB_RESETCONTENT:
    case CB_SELECTSTRING: case CB_SETCURSEL:
    case LVM_DELETEITEM: case LVM_DELETEALLITEMS: case LVM_DELETECOLUMN: case LVM_SETCOLUMNWIDTH:
    case LVM_SETITEMSTATE: case LVM_SETITEMCOUNT: case LVM_SORTITEMS: case LVM_SETITEMW:
    case LVM_INSERTITEMW: case LVM_SORTITEMSEX: case LVM_SETCOLUMNW: case LVM_INSERTCOLUMNW:
    case LVM_SETITEMTEXTW:
    case PBM_SETRANGE: case PBM_SETPOS: case PBM_DELTAPOS: case PBM_STEPIT: case PBM_SETRANGE32:
    case DTM_SETSYSTEMTIME:
    case TVM_INPUTTEXT: case TVM_INPUTCLICK: case TVM_INPUTCHOOSE: case TVM_INPUTPICK: case TVM_INPUTTIME:
        return true;
    default:
        return false;
    }
}

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
    if (message != WM_NCDESTROY) {
        LRESULT result = handle(hwnd, *state, message, wParam, lParam);
        if (ChangesWhatIsShown(message)) TvWindowChanged(hwnd, TVWC_CONTROL);
        return result;
    }
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
