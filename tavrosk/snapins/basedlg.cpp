// CBaseDlg and the control operations. The dialog procedure keeps the current dialog in one pointer,
// set from WM_INITDIALOG's parameter and cleared on WM_DESTROY. WM_DESTROY stops there and never
// reaches DialogProc: a dialog tidies up when it ends (OnOK, OnCancel) or in its destructor.
#include "snapins/basedlg.h"

#include <atomic>

#include "snapins/module.h"

namespace Snapins {

namespace {

std::atomic<CBaseDlg*> g_currentDialog{nullptr};

} // namespace

CBaseDlg::~CBaseDlg() {
    // A dialog object dies after its window; never leave the pointer naming it.
    CBaseDlg* self = this;
    g_currentDialog.compare_exchange_strong(self, nullptr);
}

int CBaseDlg::DoModal(UINT templateId, HWND parent) {
    return static_cast<int>(DialogBoxParamW(SnapinModule().resourceModule, MAKEINTRESOURCEW(templateId),
                                            parent, StaticDialogProc, reinterpret_cast<LPARAM>(this)));
}

CBaseDlg* CBaseDlg::Current() {
    return g_currentDialog.load();
}

INT_PTR CALLBACK CBaseDlg::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) g_currentDialog = reinterpret_cast<CBaseDlg*>(lParam);
    if (message == WM_DESTROY) {
        g_currentDialog = nullptr;
        return 0;
    }
    CBaseDlg* dialog = g_currentDialog.load();
    return dialog ? dialog->DialogProc(window, message, wParam, lParam) : 0;
}

INT_PTR CBaseDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, reinterpret_cast<HWND>(wParam));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            return OnOK();
        case IDCANCEL:
            return OnCancel();
        default:
            return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        }
    case WM_NOTIFY:
        return OnNotify(wParam, lParam);
    case WM_DESTROY:
        return OnDestroy();
    default:
        return 0;
    }
}

INT_PTR CBaseDlg::OnInitDialog(HWND window, HWND) {
    m_dialogWindow = window;
    return FALSE;
}

INT_PTR CBaseDlg::OnDestroy() {
    return 0;
}

INT_PTR CBaseDlg::OnOK() {
    EndDialog(m_dialogWindow, IDOK);
    return TRUE;
}

INT_PTR CBaseDlg::OnCancel() {
    EndDialog(m_dialogWindow, IDCANCEL);
    return FALSE;
}

INT_PTR CBaseDlg::OnCommand(WORD, WORD, HWND) {
    return 0;
}

INT_PTR CBaseDlg::OnNotify(WPARAM, LPARAM) {
    return TRUE;
}

std::wstring GetControlText(HWND dialog, int id) {
    WCHAR buffer[256] = {};
    GetDlgItemTextW(dialog, id, buffer, 256);
    // The text ends at its first null, whatever the control reported.
    return std::wstring(buffer);
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void CheckRadio(HWND dialog, int first, int last, int checked) {
    CheckRadioButton(dialog, first, last, checked);
}

void EnableControl(HWND dialog, int id, bool enable) {
    EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

} // namespace Snapins
