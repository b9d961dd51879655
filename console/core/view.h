// A view of the console: one scope pane with its selection and expanded items, one result pane (a list,
// the message view, or a view the snap-in names), the verbs, context menus, toolbars and status bar of
// what is selected. Every decision a front end needs is made here; a front end draws this state and
// turns a person's input into the calls below. The view speaks to each snap-in through the IComponent
// that the snap-in created for it, and sends the notifications a console sends, in the console's order.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "menu.h"
#include "resultlist.h"
#include "statusbar.h"

namespace Console {

class CConsole;
class CSnapin;
class CConsoleObject;
class CVerbObject;
class CImageList;
class CMessageViewObject;
class CControlbar;
class CToolbar;

enum class Pane { None, List, Message, Custom };

struct CMessage {
    std::wstring title;
    std::wstring body;
    IconIdentifier icon = Icon_None;
};

// The state of the nine standard verbs. After every selection they are disabled and hidden until the
// snap-in says otherwise; enabling a verb shows it.
struct CVerbState {
    struct Verb {
        bool enabled = false;
        bool hidden = true;
        bool checked = false;
        bool indeterminate = false;
        bool pressed = false;
    };
    Verb verbs[MMC_VERB_MAX - MMC_VERB_FIRST];
    MMC_CONSOLE_VERB defaultVerb = MMC_VERB_NONE;

    void Reset() { *this = CVerbState(); }
    static bool IsVerb(int verb) { return verb >= MMC_VERB_FIRST && verb < MMC_VERB_MAX; }
    Verb& operator[](MMC_CONSOLE_VERB verb) { return verbs[verb - MMC_VERB_FIRST]; }
    const Verb& operator[](MMC_CONSOLE_VERB verb) const { return verbs[verb - MMC_VERB_FIRST]; }
    // On and visible: what the person can use.
    bool IsAvailable(MMC_CONSOLE_VERB verb) const {
        return IsVerb(verb) && (*this)[verb].enabled && !(*this)[verb].hidden;
    }
};

// The verbs' names as the console shows them, "open" to "cut".
const wchar_t* VerbName(MMC_CONSOLE_VERB verb);

class CView {
public:
    CView(CConsole& console, int index);
    ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    int Index() const { return m_index; }
    CConsole& Owner() { return m_console; }

    // The scope pane ----------------------------------------------------------------------------------

    // Selects a scope item as a person clicking it: the old item is told it is deselected and leaves
    // the result pane, the new item's children are asked for the first time they are needed, its
    // snap-in names the result view, fills it and is told the item is selected.
    HRESULT SelectScopeItem(HSCOPEITEM item);
    HSCOPEITEM SelectedScopeItem() const { return m_scope; }
    // A person clicking the expand button (expand) or the collapse button.
    HRESULT ExpandScopeItem(HSCOPEITEM item, bool expand = true);
    bool IsExpanded(HSCOPEITEM item) const { return m_expanded.count(item) != 0; }

    // The result pane ---------------------------------------------------------------------------------

    Pane ResultPane() const { return m_pane; }
    const std::wstring& ViewType() const { return m_viewType; }
    long ViewOptions() const { return m_viewOptions; }
    const CResultList& List() const { return m_list; }
    // The text of one cell, asked from the snap-in when it keeps it.
    std::wstring CellText(const CRow& row, int column);
    // The columns a person sees (hidden ones left out), as indexes into List().Columns().
    std::vector<int> VisibleColumns() const;
    // Tells an owner-data list's snap-in which rows are about to be drawn (IResultOwnerData::CacheHint).
    void PrepareRows(int first, int last);
    const CMessage& Message() const { return m_message; }
    const std::wstring& DescriptionText() const { return m_descriptionText; }

    // Selects the given rows of the list (by index), as a person clicking them; an empty set returns
    // the selection to the scope item.
    HRESULT SelectRows(const std::vector<int>& rows);
    bool ResultHasFocus() const { return m_resultFocus; }
    // The selected scope item is what the verbs and menus act on (the snap-in was told it is selected).
    bool ScopeItemHasFocus() const { return m_scope && m_scopeSelected && !m_resultFocus; }
    // Sorts as a person clicking a column header: the snap-in is told of the click, then the rows are
    // ordered by its comparison (or the cells' text), or an owner-data list is asked to sort itself.
    HRESULT Sort(int column, bool descending);
    int SortColumn() const { return m_sortColumn; }
    bool SortDescending() const { return (m_sortOptions & RSI_DESCENDING) != 0; }

    // Verbs, menus, toolbars, status and help of the selection -------------------------------------

    const CVerbState& Verbs() const { return m_verbs; }
    // Runs a verb of the selection. E_ACCESSDENIED when the verb is not available; the clipboard verbs
    // return E_NOTIMPL. Properties opens the item's property sheet (S_FALSE when the snap-in has no
    // pages for it), or brings the one already open forward.
    HRESULT InvokeVerb(MMC_CONSOLE_VERB verb);
    // The rename verb with the new name. S_OK when the snap-in accepted it, S_FALSE when it refused.
    HRESULT Rename(const std::wstring& newName);

    HRESULT BuildContextMenu(std::unique_ptr<CContextMenu>* menu);
    HRESULT RunMenuCommand(const CContextMenu& menu, const CMenuItem& item);

    std::vector<const CToolbar*> Toolbars() const;
    // A person pressing a toolbar button; E_ACCESSDENIED when it is disabled or hidden.
    HRESULT PressToolbarButton(const CToolbar* toolbar, int commandId);

    const CStatusBar& Status() const { return m_status; }
    // Help on the selection (F1): the snap-in shows its topic; when it does not, the snap-in's help file.
    HRESULT ContextHelp();

    // Used by the console and its objects -----------------------------------------------------------

    void AttachSnapin(CSnapin* snapin);
    void DetachSnapins();
    IComponent* ComponentOf(CSnapin* snapin) const;
    CConsoleObject* ConsoleObjectOf(CSnapin* snapin) const;
    // The list the snap-in may fill: the list view of a scope item it owns; null otherwise.
    CResultList* ListFor(CSnapin* snapin);
    CVerbObject* VerbObject() const { return m_verbObject.Get(); }
    CImageList* ResultImages() const { return m_resultImages.Get(); }
    CMessageViewObject* MessageViewObject() const { return m_messageObject.Get(); }
    CMessage& MutableMessage() { return m_message; }
    CVerbState& MutableVerbs() { return m_verbs; }
    void SetStatusText(const wchar_t* text);
    void SetDescriptionText(const wchar_t* text) { m_descriptionText = text ? text : L""; }
    HRESULT SortFromSnapin(int column, DWORD options, LPARAM userParam);
    // A row changed state through IResultData::ModifyItemState.
    void RowStateChanged(const CRow& row, UINT before);
    // The snap-in took rows away: a selection of them is gone, with its verbs.
    void RowsRemoved();
    // Scope items are about to go: a selection inside them is told it is deselected.
    void ScopeItemsLeaving(HSCOPEITEM top, bool includingTop);
    void ScopeItemsRemoved(const std::vector<HSCOPEITEM>& removed, HSCOPEITEM survivor);
    // Selects again what a deletion took away, unless the snap-in has chosen a selection itself.
    void Settle();

private:
    struct Part {
        CSnapin* snapin = nullptr;
        tvcom::ComPtr<IComponent> component;
        tvcom::ComPtr<CConsoleObject> console;
        tvcom::ComPtr<IExtendControlbar> extendControlbar;
        tvcom::ComPtr<CControlbar> controlbar;
    };
    const Part* PartOf(CSnapin* snapin) const;
    CSnapin* OwnerOf(HSCOPEITEM item) const;

    // The data object of a row or of a scope item.
    tvcom::ComPtr<IDataObject> DataObjectOf(const CRow& row);
    tvcom::ComPtr<IDataObject> ScopeDataObject(HSCOPEITEM item);
    tvcom::ComPtr<IDataObject> SelectionDataObject(bool* scope, CSnapin** snapin);
    void NotifySelect(CSnapin* snapin, IDataObject* data, bool scopeItem, bool controlbarScope, bool select);
    void DeselectRows();
    std::vector<CRow> LiveSelectedRows() const;
    HRESULT ShowScopeItem(HSCOPEITEM item);
    HRESULT ShowProperties(IDataObject* data, bool scope, CSnapin* snapin, IComponent* component);
    void ResetPane();
    void SortRows(int column, DWORD options, LPARAM userParam);

    CConsole& m_console;
    int m_index;
    std::vector<Part> m_parts;

    HSCOPEITEM m_scope = 0;
    std::set<HSCOPEITEM> m_expanded;
    bool m_selecting = false;
    HSCOPEITEM m_pendingSelection = 0;
    HSCOPEITEM m_lostSelection = 0; // where to go when a deletion took the selection away

    Pane m_pane = Pane::None;
    std::wstring m_viewType;
    long m_viewOptions = 0;
    CResultList m_list;
    bool m_resultFocus = false;
    bool m_scopeSelected = false;     // the snap-in was told the scope item is selected
    std::vector<CRow> m_selectedRows; // the rows the snap-in was told are selected
    int m_sortColumn = -1;
    DWORD m_sortOptions = 0;
    CMessage m_message;
    std::wstring m_descriptionText;

    CVerbState m_verbs;
    CStatusBar m_status;
    tvcom::ComPtr<CVerbObject> m_verbObject;
    tvcom::ComPtr<CImageList> m_resultImages;
    tvcom::ComPtr<CMessageViewObject> m_messageObject;
};

} // namespace Console
