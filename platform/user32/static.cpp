// The static control: a text, an icon (SS_ICON) or a bitmap (SS_BITMAP). A template names the image by
// resource, which the control loads from the dialog's module. With SS_NOTIFY a click notifies the
// parent (STN_CLICKED), and so do enabling and disabling (STN_ENABLE, STN_DISABLE).
#include "tvinput.h"
#include "user32_internal.h"

namespace {

using namespace u32;

struct Static {
    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;
    HBITMAP ownBitmap = nullptr; // loaded from the template, deleted with the control
    HFONT font = nullptr;
};

DWORD Type(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & SS_TYPEMASK;
}

// The image a template or CreateWindowExW names: an ordinal (0xFFFF, id) or a resource name.
void LoadImageFromName(Static& state, DWORD type, const CREATESTRUCTW& cs) {
    if (!cs.lpszName || IS_INTRESOURCE(cs.lpszName) || !cs.lpszName[0]) return;
    LPCWSTR name = cs.lpszName[0] == 0xFFFF ? MAKEINTRESOURCEW(cs.lpszName[1]) : cs.lpszName;
    if (type == SS_ICON)
        state.icon = LoadIconW(cs.hInstance, name);
    else if (type == SS_BITMAP)
        state.bitmap = state.ownBitmap = LoadBitmapW(cs.hInstance, name);
}

LRESULT Handle(HWND hwnd, Static& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        DWORD type = static_cast<DWORD>(cs->style) & SS_TYPEMASK;
        if (type == SS_ICON || type == SS_BITMAP) {
            LoadImageFromName(state, type, *cs);
            CREATESTRUCTW noText = *cs;
            noText.lpszName = L"";
            return DefWindowProcW(hwnd, message, wParam, reinterpret_cast<LPARAM>(&noText));
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case WM_NCDESTROY:
        if (state.ownBitmap) DeleteObject(state.ownBitmap);
        return 0;
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(state.font, message, wParam);
    case STM_SETICON: {
        HICON old = state.icon;
        state.icon = reinterpret_cast<HICON>(wParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
        return reinterpret_cast<LRESULT>(state.icon);
    case STM_SETIMAGE: {
        // The caller keeps the image it gives, and gets back the one it replaces.
        if (wParam == IMAGE_BITMAP) {
            HBITMAP old = state.bitmap;
            state.bitmap = reinterpret_cast<HBITMAP>(lParam);
            return reinterpret_cast<LRESULT>(old);
        }
        if (wParam == IMAGE_ICON || wParam == IMAGE_CURSOR) {
            HICON old = state.icon;
            state.icon = reinterpret_cast<HICON>(lParam);
            return reinterpret_cast<LRESULT>(old);
        }
        return 0;
    }
    case STM_GETIMAGE:
        if (wParam == IMAGE_BITMAP) return reinterpret_cast<LRESULT>(state.bitmap);
        if (wParam == IMAGE_ICON || wParam == IMAGE_CURSOR) return reinterpret_cast<LRESULT>(state.icon);
        return 0;
    case WM_ENABLE:
        if (GetWindowLongPtrW(hwnd, GWL_STYLE) & SS_NOTIFY)
            NotifyParent(hwnd, wParam ? STN_ENABLE : STN_DISABLE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        DWORD type = Type(hwnd);
        s->kind = type == SS_ICON     ? tvp::Kind::Icon
                  : type == SS_BITMAP ? tvp::Kind::Picture
                                      : tvp::Kind::Static;
        s->icon = state.icon;
        s->bitmap = state.bitmap;
        return TRUE;
    }
    case TVM_INPUTCLICK:
        if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & SS_NOTIFY)) return FALSE;
        NotifyParent(hwnd, STN_CLICKED);
        return TRUE;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK u32::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<Static>(hwnd, message, wParam, lParam, Handle);
}
