// What the files of comctl32 share: how a control keeps its state and tells its parent, and the pages
// of property sheets as the sheet sees them.
#pragma once

#include <memory>
#include <string>

#include "../user32/control.h"
#include "commctrl.h"
#include "windows.h"

namespace cc {

// The controls' state, font, parent and texts, as user32's controls keep them.
using u32::CompareNoCase;
using u32::CopyText;
using u32::FontMessage;
using u32::ParentToNotify;
using u32::RunControl;
using u32::StartsWithNoCase;

// Fills the header of a notification from a control and sends it to the control's parent as
// WM_NOTIFY; returns the parent's answer.
LRESULT Notify(HWND control, UINT code, NMHDR& header);

// Makes the control's class process-wide (CS_GLOBALCLASS), with room for the state pointer.
void RegisterControlClass(LPCWSTR name, WNDPROC proc);

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProgressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DateTimeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Pages ------------------------------------------------------------------------------------------------

// A page made by CreatePropertySheetPageW: the caller's PROPSHEETPAGEW as it was given (dwSize bytes,
// at least the whole structure, zero beyond what the caller gave), with its texts copied.
struct Page {
    std::unique_ptr<BYTE[]> record;
    std::wstring title, headerTitle, headerSubTitle;
    PROPSHEETPAGEW* psp() const { return reinterpret_cast<PROPSHEETPAGEW*>(record.get()); }
};

// The page behind a handle, while it exists.
std::shared_ptr<Page> FindPage(HPROPSHEETPAGE handle);
// Destroys a page: its PSPCB_RELEASE callback, its reference on pcRefParent; false for a stale handle.
bool DestroyPage(HPROPSHEETPAGE handle);
// A text of a page, which may be a string resource of the page's module.
std::wstring PageText(const PROPSHEETPAGEW& psp, LPCWSTR text);
// The size of a page's template in dialog units, and its caption (a sheet's tab shows it when the page
// has no title of its own).
bool PageTemplateInfo(const PROPSHEETPAGEW& psp, SIZE& size, std::wstring& caption);
// Makes the page's dialog as a child of the sheet (PSPCB_CREATE first); null when it cannot be made.
HWND CreatePageDialog(Page& page, HWND sheet);

} // namespace cc
