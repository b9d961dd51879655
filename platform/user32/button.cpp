// The button control: push buttons, check boxes (two- and three-state, plain and automatic), radio
// buttons (plain and automatic) and group boxes. A click, by a person or by BM_CLICK, notifies the
// parent with BN_CLICKED; automatic check boxes and radio buttons change their state first, and an
// automatic radio button clears the other radio buttons of its group. BM_SETCHECK and CheckDlgButton
// change the state without telling anyone, as the documented control does.
#include "tvinput.h"
#include "user32_internal.h"

namespace {

using namespace u32;

struct Button {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    HFONT font = nullptr;
    HANDLE image = nullptr;
};

DWORD Type(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsCheckBox(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}

bool IsRadio(DWORD type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool HasGroupStyle(HWND hwnd) {
    return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_GROUP) != 0;
}

// The radio buttons of the button's group: from the control with WS_GROUP at or before it to the
// control before the next one with WS_GROUP.
std::vector<HWND> GroupOf(HWND button) {
    HWND first = button;
    while (!HasGroupStyle(first)) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (!previous) break;
        first = previous;
    }
    std::vector<HWND> group;
    for (HWND h = first; h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && HasGroupStyle(h)) break;
        if (GetWindowLongPtrW(h, GWLP_WNDPROC) == GetWindowLongPtrW(button, GWLP_WNDPROC) && IsRadio(Type(h)))
            group.push_back(h);
    }
    return group;
}

void Click(HWND hwnd, Button& state) {
    switch (Type(hwnd)) {
    case BS_GROUPBOX:
        return; // a group box is no button to press
    case BS_AUTOCHECKBOX:
        state.check = state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        break;
    case BS_AUTO3STATE:
        state.check = state.check == BST_UNCHECKED ? BST_CHECKED
                      : state.check == BST_CHECKED ? BST_INDETERMINATE
                                                   : BST_UNCHECKED;
        break;
    case BS_AUTORADIOBUTTON:
        for (HWND other : GroupOf(hwnd))
            if (other != hwnd) SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
        state.check = BST_CHECKED;
        break;
    default:
        break;
    }
    NotifyParent(hwnd, BN_CLICKED);
}

LRESULT Handle(HWND hwnd, Button& state, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD type = Type(hwnd);
    switch (message) {
    case BM_GETCHECK:
        return IsCheckBox(type) || IsRadio(type) ? state.check : BST_UNCHECKED;
    case BM_SETCHECK:
        if (IsCheckBox(type) || IsRadio(type)) {
            UINT check = static_cast<UINT>(wParam);
            // Only three-state boxes can be indeterminate; elsewhere any non-zero value checks.
            if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) check = BST_CHECKED;
            state.check = check > BST_INDETERMINATE ? BST_CHECKED : check;
        }
        return 0;
    case BM_GETSTATE:
        return state.check | (state.pushed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        state.pushed = wParam != 0;
        return 0;
    case BM_SETSTYLE: {
        DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
        SetWindowLongPtrW(hwnd, GWL_STYLE, (style & 0xFFFF0000) | LOWORD(wParam));
        return 0;
    }
    case BM_SETIMAGE: {
        HANDLE old = state.image;
        state.image = reinterpret_cast<HANDLE>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE:
        return reinterpret_cast<LRESULT>(state.image);
    case BM_CLICK:
        // Code that clicks a button acts as a person's mouse would, so a disabled button stays still.
        if (IsWindowEnabled(hwnd)) Click(hwnd, state);
        return 0;
    case TVM_INPUTCLICK:
        if (type == BS_GROUPBOX) return FALSE;
        Click(hwnd, state);
        return TRUE;
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        s->kind = type == BS_GROUPBOX ? tvp::Kind::GroupBox
                  : IsCheckBox(type)  ? tvp::Kind::CheckBox
                  : IsRadio(type)     ? tvp::Kind::RadioButton
                                      : tvp::Kind::PushButton;
        s->checked = static_cast<int>(IsCheckBox(type) || IsRadio(type) ? state.check : 0);
        return TRUE;
    }
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(state.font, message, wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state.focused = message == WM_SETFOCUS;
        if (GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_NOTIFY)
            NotifyParent(hwnd, message == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return type == BS_GROUPBOX ? DLGC_STATIC : DLGC_BUTTON;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK u32::ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<Button>(hwnd, message, wParam, lParam, Handle);
}
