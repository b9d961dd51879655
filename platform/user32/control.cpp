// How the controls of user32 tell their parent: WM_COMMAND with the control's id and a notification
// code.
#include "user32_internal.h"

namespace u32 {

void NotifyParent(HWND control, WORD code) {
    if (HWND parent = ParentToNotify(control))
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                     reinterpret_cast<LPARAM>(control));
}

} // namespace u32
