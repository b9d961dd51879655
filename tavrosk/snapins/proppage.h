// CBasePropPage, the base of every property page and wizard page of the snap-in: it makes the page from
// a dialog template of the resource module in one of three styles (property page, wizard exterior page,
// wizard interior page) and turns the page's window messages and the sheet's notifications into virtual
// operations. One dialog procedure serves all pages; it finds the page object through a process-wide
// map from page window to page.
#pragma once

#include "commctrl.h"
#include "prsht.h"
#include "windows.h"

namespace Snapins {

class CBaseNode;

// What a page is, as it was created.
enum PageKind {
    kPropertyPage = 0,
    kInteriorPage = 1, // a wizard page below the sheet's header
    kExteriorPage = 2, // a wizard welcome or finish page, with the watermark and no header
};

// The title control of exterior pages, shown in the bold title font.
constexpr int kTitleControl = 1000;

class CBasePropPage {
public:
    // The node the page belongs to; the node owns the page, not the other way round.
    explicit CBasePropPage(CBaseNode* node);
    CBasePropPage(const CBasePropPage&) = delete;
    CBasePropPage& operator=(const CBasePropPage&) = delete;

    // The virtual operations, in the order derived pages know them.
    virtual ~CBasePropPage();
    // Each makes the page handle (null when the common controls cannot make pages) and returns it, for
    // the sheet callback's AddPage. Texts are string ids of the resource module.
    virtual HPROPSHEETPAGE CreatePropertyPage(UINT dialogId, UINT titleId);
    virtual HPROPSHEETPAGE CreateExteriorPage(UINT dialogId, UINT titleId);
    virtual HPROPSHEETPAGE CreateInteriorPage(UINT dialogId, UINT headerTitleId, UINT headerSubtitleId);
    virtual INT_PTR WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param);
    // The sheet's notifications: a page answers through the message result (SetMessageResult) and
    // returns TRUE. A result of 0 accepts; -1 keeps a wizard on its page; a dialog id jumps there.
    virtual INT_PTR OnWizardNext(NMHDR* header);
    virtual INT_PTR OnWizardBack(NMHDR* header);
    virtual INT_PTR OnWizardFinish(NMHDR* header);
    virtual INT_PTR OnSetActive(NMHDR* header);
    virtual INT_PTR OnKillActive(NMHDR* header);
    virtual INT_PTR OnApply(NMHDR* header);
    virtual INT_PTR OnDestroy();
    virtual INT_PTR OnCommand(WORD code, WORD id, HWND control);
    virtual INT_PTR OnNotify(WPARAM wParam, NMHDR* header);
    virtual INT_PTR OnCtlColorStatic(HDC dc, HWND control);
    virtual INT_PTR OnCtlColorBtn(HDC dc, HWND control);
    virtual INT_PTR OnHelp(HELPINFO* help);
    virtual void Reserved();

    // The dialog procedure of every page.
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The page object whose window this is, while the window exists; null otherwise.
    static CBasePropPage* FromWindow(HWND window);

    HPROPSHEETPAGE PageHandle() const { return m_pageHandle; }
    HFONT TitleFont() const { return m_titleFont; }
    CBaseNode* Node() const { return m_node; }
    HWND SheetWindow() const { return m_sheetWindow; }
    HWND PageWindow() const { return m_pageWindow; }
    int Kind() const { return m_pageKind; }

protected:
    // The page's answer to the notification it is handling (DWLP_MSGRESULT of its window).
    void SetMessageResult(LONG_PTR result);

    HPROPSHEETPAGE m_pageHandle = nullptr;
    HFONT m_titleFont = nullptr;
    CBaseNode* m_node;
    HWND m_sheetWindow = nullptr;
    HWND m_pageWindow = nullptr;
    int m_pageKind = kPropertyPage;

private:
    HPROPSHEETPAGE Create(DWORD flags, UINT dialogId, UINT titleId, UINT headerTitleId,
                          UINT headerSubtitleId);
};

// The bold title font of exterior pages: the system's message font, bold, in "Verdana Bold" at 12
// points for the display's pixels per inch. The caller deletes it.
HFONT CreateTitleFont();

} // namespace Snapins
