// CBaseDlg, the base of the snap-in's modal dialogs: DoModal shows a dialog template of the resource
// module and turns its messages into virtual operations. One process-wide pointer names the dialog
// being shown, so only one such dialog can be open at a time. The control operations below serve
// dialogs and pages alike.
#pragma once

#include <string>

#include "windows.h"

namespace Snapins {

class CBaseDlg {
public:
    CBaseDlg() = default;
    CBaseDlg(const CBaseDlg&) = delete;
    CBaseDlg& operator=(const CBaseDlg&) = delete;

    // The value given to EndDialog; -1 when the dialog cannot be made.
    int DoModal(UINT templateId, HWND parent);

    // The virtual operations, in the order derived dialogs know them.
    virtual ~CBaseDlg();
    virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnInitDialog(HWND window, HWND focus);
    virtual INT_PTR OnDestroy();
    virtual INT_PTR OnOK();
    virtual INT_PTR OnCancel();
    virtual INT_PTR OnCommand(WORD code, WORD id, HWND control);
    virtual INT_PTR OnNotify(WPARAM wParam, LPARAM lParam);

    // The dialog procedure of every such dialog.
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog being shown, between its WM_INITDIALOG and its WM_DESTROY; null otherwise.
    static CBaseDlg* Current();

    HWND DialogWindow() const { return m_dialogWindow; }

protected:
    HWND m_dialogWindow = nullptr;
};

// A control's text, at most 255 characters and cut at its first null.
std::wstring GetControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Checks `checked` and clears the other radio buttons from first to last.
void CheckRadio(HWND dialog, int first, int last, int checked);
void EnableControl(HWND dialog, int id, bool enable);

} // namespace Snapins
