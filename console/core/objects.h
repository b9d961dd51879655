// The objects the console hands to its snap-ins: the console itself (IConsole2 with the namespace, and
// for a view the result list, the header and help), the verbs, image lists, the message view, the
// context-menu callback, the control bar and its toolbars. Each keeps a plain pointer to the console
// state it works on; when the console lets go of a snap-in it disconnects them, and a snap-in that calls
// one later gets E_UNEXPECTED instead of reaching freed state.
#pragma once

#include <string>
#include <vector>

#include "tvcom.h"
#include "menu.h"
#include "mmc.h"
#include "toolbar.h"

namespace Console {

class CConsole;
class CSnapin;
class CView;

// The console as a snap-in sees it: IConsole2 and IConsoleNameSpace2 for the scope side (view null),
// and for a view also IResultData, IHeaderCtrl2 and IDisplayHelp. Each interface is a part: the namespace
// and the result data both have InsertItem, DeleteItem, GetNextItem ... for different items.
class CConsoleObject : public tvcom::Object<IUnknown> {
public:
    CConsoleObject(CConsole* console, CSnapin* snapin, CView* view);
    void Disconnect();

    CConsole* Owner() const { return m_console; }
    CSnapin* Snapin() const { return m_snapin; }
    CView* View() const { return m_view; }
    bool Live() const { return m_console != nullptr; }

    class Console2 : public tvcom::Part<IConsole2, CConsoleObject> {
    public:
        using Part::Part;
        STDMETHOD(SetHeader)(LPHEADERCTRL pHeader) override;
        STDMETHOD(SetToolbar)(LPTOOLBAR pToolbar) override;
        STDMETHOD(QueryResultView)(LPUNKNOWN* pUnknown) override;
        STDMETHOD(QueryScopeImageList)(LPIMAGELIST* ppImageList) override;
        STDMETHOD(QueryResultImageList)(LPIMAGELIST* ppImageList) override;
        STDMETHOD(UpdateAllViews)(LPDATAOBJECT lpDataObject, LPARAM data, LONG_PTR hint) override;
        STDMETHOD(MessageBox)(LPCWSTR lpszText, LPCWSTR lpszTitle, UINT fuStyle, int* piRetval) override;
        STDMETHOD(QueryConsoleVerb)(LPCONSOLEVERB* ppConsoleVerb) override;
        STDMETHOD(SelectScopeItem)(HSCOPEITEM hScopeItem) override;
        STDMETHOD(GetMainWindow)(HWND* phwnd) override;
        STDMETHOD(NewWindow)(HSCOPEITEM hScopeItem, unsigned long lOptions) override;
        STDMETHOD(Expand)(HSCOPEITEM hItem, BOOL bExpand) override;
        STDMETHOD(IsTaskpadViewPreferred)() override;
        STDMETHOD(SetStatusText)(LPOLESTR pszStatusText) override;
    };

    class NameSpace2 : public tvcom::Part<IConsoleNameSpace2, CConsoleObject> {
    public:
        using Part::Part;
        STDMETHOD(InsertItem)(LPSCOPEDATAITEM item) override;
        STDMETHOD(DeleteItem)(HSCOPEITEM hItem, long fDeleteThis) override;
        STDMETHOD(SetItem)(LPSCOPEDATAITEM item) override;
        STDMETHOD(GetItem)(LPSCOPEDATAITEM item) override;
        STDMETHOD(GetChildItem)(HSCOPEITEM item, HSCOPEITEM* pItemChild, MMC_COOKIE* pCookie) override;
        STDMETHOD(GetNextItem)(HSCOPEITEM item, HSCOPEITEM* pItemNext, MMC_COOKIE* pCookie) override;
        STDMETHOD(GetParentItem)(HSCOPEITEM item, HSCOPEITEM* pItemParent, MMC_COOKIE* pCookie) override;
        STDMETHOD(Expand)(HSCOPEITEM hItem) override;
        STDMETHOD(AddExtension)(HSCOPEITEM hItem, LPCLSID lpClsid) override;
    };

    class ResultData : public tvcom::Part<IResultData, CConsoleObject> {
    public:
        using Part::Part;
        STDMETHOD(InsertItem)(LPRESULTDATAITEM item) override;
        STDMETHOD(DeleteItem)(HRESULTITEM itemID, int nCol) override;
        STDMETHOD(FindItemByLParam)(LPARAM lParam, HRESULTITEM* pItemID) override;
        STDMETHOD(DeleteAllRsltItems)() override;
        STDMETHOD(SetItem)(LPRESULTDATAITEM item) override;
        STDMETHOD(GetItem)(LPRESULTDATAITEM item) override;
        STDMETHOD(GetNextItem)(LPRESULTDATAITEM item) override;
        STDMETHOD(ModifyItemState)(int nIndex, HRESULTITEM itemID, UINT uAdd, UINT uRemove) override;
        STDMETHOD(ModifyViewStyle)(MMC_RESULT_VIEW_STYLE add, MMC_RESULT_VIEW_STYLE remove) override;
        STDMETHOD(SetViewMode)(long lViewMode) override;
        STDMETHOD(GetViewMode)(long* lViewMode) override;
        STDMETHOD(UpdateItem)(HRESULTITEM itemID) override;
        STDMETHOD(Sort)(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) override;
        STDMETHOD(SetDescBarText)(LPOLESTR DescText) override;
        STDMETHOD(SetItemCount)(int nItemCount, DWORD dwOptions) override;
    };

    class HeaderCtrl2 : public tvcom::Part<IHeaderCtrl2, CConsoleObject> {
    public:
        using Part::Part;
        STDMETHOD(InsertColumn)(int nCol, LPCWSTR title, int nFormat, int nWidth) override;
        STDMETHOD(DeleteColumn)(int nCol) override;
        STDMETHOD(SetColumnText)(int nCol, LPCWSTR title) override;
        STDMETHOD(GetColumnText)(int nCol, LPOLESTR* pText) override;
        STDMETHOD(SetColumnWidth)(int nCol, int nWidth) override;
        STDMETHOD(GetColumnWidth)(int nCol, int* pWidth) override;
        STDMETHOD(SetChangeTimeOut)(unsigned long uTimeout) override;
        STDMETHOD(SetColumnFilter)(UINT nColumn, DWORD dwType, MMC_FILTERDATA* pFilterData) override;
        STDMETHOD(GetColumnFilter)(UINT nColumn, LPDWORD pdwType, MMC_FILTERDATA* pFilterData) override;
    };

    class DisplayHelp : public tvcom::Part<IDisplayHelp, CConsoleObject> {
    public:
        using Part::Part;
        STDMETHOD(ShowTopic)(LPOLESTR pszHelpTopic) override;
    };

protected:
    void* Find(REFIID riid) override;

private:
    CConsole* m_console;
    CSnapin* m_snapin;
    CView* m_view;
    long m_viewMode = MMCLV_VIEWSTYLE_REPORT;
    Console2 m_console2{this};
    NameSpace2 m_nameSpace{this};
    ResultData m_resultData{this};
    HeaderCtrl2 m_header{this};
    DisplayHelp m_help{this};
};

// The standard verbs of a view's selection.
class CVerbObject : public tvcom::Object<IConsoleVerb> {
public:
    explicit CVerbObject(CView* view) : m_view(view) {}
    void Disconnect() { m_view = nullptr; }

    STDMETHOD(GetVerbState)(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL* pState) override;
    STDMETHOD(SetVerbState)(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL bState) override;
    STDMETHOD(SetDefaultVerb)(MMC_CONSOLE_VERB eCmdID) override;
    STDMETHOD(GetDefaultVerb)(MMC_CONSOLE_VERB* peCmdID) override;

private:
    CView* m_view;
};

// An image list: the strips and icons a snap-in set, kept by position. The console draws no images
// headless; the desktop front end reads them from here.
class CImageList : public tvcom::Object<IImageList> {
public:
    struct Strip {
        LONG_PTR small = 0;
        LONG_PTR large = 0;
        long start = 0;
        COLORREF mask = 0;
    };
    const std::vector<Strip>& Strips() const { return m_strips; }
    const std::vector<std::pair<long, LONG_PTR>>& Icons() const { return m_icons; }

    STDMETHOD(ImageListSetIcon)(LONG_PTR* pIcon, long nLoc) override;
    STDMETHOD(ImageListSetStrip)
    (LONG_PTR* pBMapSm, LONG_PTR* pBMapLg, long nStartLoc, COLORREF cMask) override;

private:
    std::vector<Strip> m_strips;
    std::vector<std::pair<long, LONG_PTR>> m_icons;
};

// The message view of a view's result pane.
class CMessageViewObject : public tvcom::Object<IMessageView> {
public:
    explicit CMessageViewObject(CView* view) : m_view(view) {}
    void Disconnect() { m_view = nullptr; }

    STDMETHOD(SetTitleText)(LPCOLESTR pszTitleText) override;
    STDMETHOD(SetBodyText)(LPCOLESTR pszBodyText) override;
    STDMETHOD(SetIcon)(IconIdentifier id) override;
    STDMETHOD(Clear)() override;

private:
    CView* m_view;
};

// Collects the items one of the snap-in's objects adds to a context menu; valid only during its
// AddMenuItems.
class CContextMenuCallback : public tvcom::Object<IContextMenuCallback> {
public:
    CContextMenuCallback(CContextMenu* menu, int extender) : m_menu(menu), m_extender(extender) {}
    void Disconnect() { m_menu = nullptr; }

    STDMETHOD(AddItem)(CONTEXTMENUITEM* pItem) override;

private:
    CContextMenu* m_menu;
    int m_extender;
};

// A view's control bar for one snap-in: the toolbars the snap-in created and which are attached.
class CControlbar : public tvcom::Object<IControlbar> {
public:
    explicit CControlbar(CView* view) : m_view(view) {}
    void Disconnect();
    const std::vector<tvcom::ComPtr<CToolbar>>& Toolbars() const { return m_toolbars; }

    STDMETHOD(Create)
    (MMC_CONTROL_TYPE nType, LPEXTENDCONTROLBAR pExtendControlbar, LPUNKNOWN* ppUnknown) override;
    STDMETHOD(Attach)(MMC_CONTROL_TYPE nType, LPUNKNOWN lpUnknown) override;
    STDMETHOD(Detach)(LPUNKNOWN lpUnknown) override;

private:
    CToolbar* Toolbar(IUnknown* unknown) const;

    CView* m_view;
    std::vector<tvcom::ComPtr<CToolbar>> m_toolbars;
};

} // namespace Console
