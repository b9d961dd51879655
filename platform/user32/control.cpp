// What the controls of user32 share: how a control tells its parent (WM_COMMAND with its id and a
// notification code) and how list items compare (case-insensitive, as the combo box's sorting and
// searching do).
#include <cwctype>

#include "user32_internal.h"

namespace u32 {

void NotifyParent(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (!parent || !(GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD)) return;
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wint_t x = towlower(a[i]), y = towlower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && CompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

} // namespace u32
