// comctl32 itself: its control classes are registered as soon as the library is loaded, so a dialog
// template that names "SysListView32", "msctls_progress32" or "SysDateTimePick32" finds them, and
// InitCommonControlsEx has nothing left to do. Also how the controls tell their parent: WM_NOTIFY.
#include "comctl32_internal.h"

namespace cc {

LRESULT Notify(HWND control, UINT code, NMHDR& header) {
    header.hwndFrom = control;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header.code = code;
    HWND parent = ParentToNotify(control);
    return parent ? SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)) : 0;
}

void RegisterControlClass(LPCWSTR name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(void*);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

namespace {

[[maybe_unused]] const bool g_registered = [] {
    RegisterControlClass(WC_LISTVIEWW, ListViewProc);
    RegisterControlClass(PROGRESS_CLASSW, ProgressProc);
    RegisterControlClass(DATETIMEPICK_CLASSW, DateTimeProc);
    return true;
}();

} // namespace

} // namespace cc

extern "C" BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

extern "C" void WINAPI InitCommonControls(void) {}
