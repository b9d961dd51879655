// comctl32 itself: its control classes are registered as soon as the library is loaded, so a dialog
// template that names "SysListView32", "msctls_progress32" or "SysDateTimePick32" finds them, and
// InitCommonControlsEx has nothing left to do. Also what the controls share: WM_NOTIFY to the parent
// and the comparison of item texts.
#include <cwctype>

#include "comctl32_internal.h"

namespace cc {

LRESULT Notify(HWND control, UINT code, NMHDR& header) {
    header.hwndFrom = control;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header.code = code;
    HWND parent = GetParent(control);
    if (!parent || !(GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD)) return 0;
    return SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
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

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wint_t x = towlower(a[i]), y = towlower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
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
