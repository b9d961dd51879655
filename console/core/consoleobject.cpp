// IConsole2 as the console offers it to a snap-in: to its scope side (IComponentData::Initialize) and
// to each of its views (IComponent::Initialize). The scope side's requests to select or expand act on
// the view the person last used; its status text goes to the views that show one of its items.
#include "objects.h"

#include "console.h"
#include "snapin.h"

namespace Console {

CConsoleObject::CConsoleObject(CConsole* console, CSnapin* snapin, CView* view)
    : m_console(console), m_snapin(snapin), m_view(view) {}

void CConsoleObject::Disconnect() {
    m_console = nullptr;
    m_snapin = nullptr;
    m_view = nullptr;
}

void* CConsoleObject::Find(REFIID riid) {
    if (tvcom::Answers<IConsole2>(riid)) return static_cast<IConsole2*>(&m_console2);
    if (tvcom::Answers<IConsoleNameSpace2>(riid)) return static_cast<IConsoleNameSpace2*>(&m_nameSpace);
    if (m_view) { // the scope side has no result pane
        if (tvcom::Answers<IResultData>(riid)) return static_cast<IResultData*>(&m_resultData);
        if (tvcom::Answers<IHeaderCtrl2>(riid)) return static_cast<IHeaderCtrl2*>(&m_header);
        if (tvcom::Answers<IDisplayHelp>(riid)) return static_cast<IDisplayHelp*>(&m_help);
    }
    return Object::Find(riid);
}

using Console2 = CConsoleObject::Console2;

// Handing the console its own header and toolbar belonged to the first consoles; the control bar and
// the view's own header replaced them.
STDMETHODIMP Console2::SetHeader(LPHEADERCTRL) {
    return E_NOTIMPL;
}

STDMETHODIMP Console2::SetToolbar(LPTOOLBAR) {
    return E_NOTIMPL;
}

STDMETHODIMP Console2::QueryResultView(LPUNKNOWN* pUnknown) {
    if (!pUnknown) return E_POINTER;
    *pUnknown = nullptr;
    CView* view = m_outer->View();
    if (!m_outer->Live() || !view) return E_UNEXPECTED;
    // Only the message view is a control the console can hand out; a list has no object of its own.
    if (view->ResultPane() != Pane::Message) return E_UNEXPECTED;
    return view->MessageViewObject()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pUnknown));
}

STDMETHODIMP Console2::QueryScopeImageList(LPIMAGELIST* ppImageList) {
    if (!ppImageList) return E_POINTER;
    *ppImageList = nullptr;
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Snapin()->ScopeImages()->QueryInterface(IID_IImageList,
                                                            reinterpret_cast<void**>(ppImageList));
}

STDMETHODIMP Console2::QueryResultImageList(LPIMAGELIST* ppImageList) {
    if (!ppImageList) return E_POINTER;
    *ppImageList = nullptr;
    CView* view = m_outer->View();
    if (!m_outer->Live() || !view) return E_UNEXPECTED;
    return view->ResultImages()->QueryInterface(IID_IImageList, reinterpret_cast<void**>(ppImageList));
}

STDMETHODIMP Console2::UpdateAllViews(LPDATAOBJECT lpDataObject, LPARAM data, LONG_PTR hint) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->UpdateAllViews(m_outer->Snapin(), lpDataObject, data, hint);
}

STDMETHODIMP Console2::MessageBox(LPCWSTR lpszText, LPCWSTR lpszTitle, UINT fuStyle, int* piRetval) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    // The box goes through the front end the process installed (tvfrontend.h); a null title is "Error".
    int answer = MessageBoxW(m_outer->Owner()->MainWindow(), lpszText, lpszTitle, fuStyle);
    if (piRetval) *piRetval = answer;
    return answer ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

STDMETHODIMP Console2::QueryConsoleVerb(LPCONSOLEVERB* ppConsoleVerb) {
    if (!ppConsoleVerb) return E_POINTER;
    *ppConsoleVerb = nullptr;
    if (!m_outer->Live()) return E_UNEXPECTED;
    // The verbs belong to a view's selection; the scope side reaches those of the active view.
    CView* view = m_outer->View() ? m_outer->View() : &m_outer->Owner()->ActiveView();
    return view->VerbObject()->QueryInterface(IID_IConsoleVerb, reinterpret_cast<void**>(ppConsoleVerb));
}

STDMETHODIMP Console2::SelectScopeItem(HSCOPEITEM hScopeItem) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    CConsole* console = m_outer->Owner();
    if (console->SnapinOf(hScopeItem) != m_outer->Snapin()) return E_FAIL;
    // Selecting while the snap-in expands an item is refused quietly, as the console documents.
    if (console->InExpand()) return S_OK;
    CView* view = m_outer->View() ? m_outer->View() : &console->ActiveView();
    return view->SelectScopeItem(hScopeItem);
}

STDMETHODIMP Console2::GetMainWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    if (!m_outer->Live()) return E_UNEXPECTED;
    *phwnd = m_outer->Owner()->MainWindow();
    return S_OK;
}

STDMETHODIMP Console2::NewWindow(HSCOPEITEM hScopeItem, unsigned long) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    CConsole* console = m_outer->Owner();
    if (console->SnapinOf(hScopeItem) != m_outer->Snapin()) return E_INVALIDARG;
    return console->NewView().SelectScopeItem(hScopeItem);
}

STDMETHODIMP Console2::Expand(HSCOPEITEM hItem, BOOL bExpand) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    CConsole* console = m_outer->Owner();
    if (console->SnapinOf(hItem) != m_outer->Snapin()) return E_INVALIDARG;
    CView* view = m_outer->View() ? m_outer->View() : &console->ActiveView();
    return view->ExpandScopeItem(hItem, bExpand != FALSE);
}

STDMETHODIMP Console2::IsTaskpadViewPreferred() {
    return S_FALSE; // the console has no taskpads
}

STDMETHODIMP Console2::SetStatusText(LPOLESTR pszStatusText) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    if (CView* view = m_outer->View()) {
        view->SetStatusText(pszStatusText);
        return S_OK;
    }
    // Only the snap-in whose item a view shows may write that view's status bar.
    CConsole* console = m_outer->Owner();
    for (size_t i = 0; i < console->ViewCount(); ++i) {
        CView& view = console->View(i);
        if (view.SelectedScopeItem() && console->SnapinOf(view.SelectedScopeItem()) == m_outer->Snapin())
            view.SetStatusText(pszStatusText);
    }
    return S_OK;
}

// The console's help --------------------------------------------------------------------------------------

STDMETHODIMP CConsoleObject::DisplayHelp::ShowTopic(LPOLESTR pszHelpTopic) {
    if (!pszHelpTopic) return E_INVALIDARG;
    if (!m_outer->Live()) return E_UNEXPECTED;
    m_outer->Owner()->ShowHelpTopic(pszHelpTopic);
    return S_OK;
}

} // namespace Console
