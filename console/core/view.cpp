// A view and the notifications it sends. Selecting a scope item: the old selection is told it is
// deselected (MMCN_SELECT) and leaves the result pane (MMCN_SHOW FALSE); the new item's children are
// asked for if they never were (MMCN_EXPAND); its snap-in names the result view (GetResultViewType);
// a list gets images (MMCN_ADD_IMAGES); the item is shown (MMCN_SHOW TRUE), then the verbs are reset
// and it is told it is selected (MMCN_SELECT, then ControlbarNotify). Scope items are asked for through
// IComponentData::QueryDataObject, result rows through the view's IComponent. A row's cookie is used
// only while the row is still in the list, so the snap-in is never handed a cookie of an item it has
// taken away.
#include "view.h"

#include <algorithm>
#include <cwctype>

#include "console.h"
#include "objects.h"
#include "propertysheet.h"
#include "snapin.h"

namespace Console {

namespace {

LPARAM SelectArg(bool scope, bool select) {
    return static_cast<LPARAM>(MAKELONG(scope ? 1 : 0, select ? 1 : 0));
}

bool IsMessageView(const std::wstring& viewType) {
    CLSID clsid;
    return viewType.size() == 38 && SUCCEEDED(CLSIDFromString(viewType.c_str(), &clsid)) &&
           IsEqualCLSID(clsid, CLSID_MessageView);
}

// The console's own order for cells when the snap-in does not compare: by text, ignoring case.
int CompareText(const std::wstring& a, const std::wstring& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wint_t x = std::towlower(a[i]), y = std::towlower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

CView::CView(CConsole& console, int index) : m_console(console), m_index(index) {
    m_verbObject = tvcom::Make<CVerbObject>(this);
    m_resultImages = tvcom::Make<CImageList>();
    m_messageObject = tvcom::Make<CMessageViewObject>(this);
}

CView::~CView() {
    DetachSnapins();
    m_verbObject->Disconnect();
    m_messageObject->Disconnect();
}

void CView::AttachSnapin(CSnapin* snapin) {
    IComponentData* componentData = snapin->ComponentData();
    if (!componentData) return;
    Part part;
    part.snapin = snapin;
    if (FAILED(componentData->CreateComponent(part.component.Receive())) || !part.component) {
        // Without a result side the snap-in's items still show in the scope pane.
        m_parts.push_back(std::move(part));
        return;
    }
    part.console = tvcom::Make<CConsoleObject>(&m_console, snapin, this);
    part.component->Initialize(part.console.As<IConsole>().Get());
    part.extendControlbar = part.component.As<IExtendControlbar>();
    if (part.extendControlbar) {
        part.controlbar = tvcom::Make<CControlbar>(this);
        part.extendControlbar->SetControlbar(part.controlbar.Get());
    }
    m_parts.push_back(std::move(part));
}

void CView::DetachSnapins() {
    for (Part& part : m_parts) {
        if (part.extendControlbar) part.extendControlbar->SetControlbar(nullptr);
        part.extendControlbar.Reset();
        if (part.controlbar) {
            part.controlbar->Disconnect();
            part.controlbar.Reset();
        }
        if (part.component) part.component->Destroy(0);
        part.component.Reset();
        if (part.console) {
            part.console->Disconnect();
            part.console.Reset();
        }
    }
    m_parts.clear();
    m_scope = 0;
    m_expanded.clear();
    ResetPane();
}

const CView::Part* CView::PartOf(CSnapin* snapin) const {
    for (const Part& part : m_parts)
        if (part.snapin == snapin && snapin) return &part;
    return nullptr;
}

IComponent* CView::ComponentOf(CSnapin* snapin) const {
    const Part* part = PartOf(snapin);
    return part ? part->component.Get() : nullptr;
}

CConsoleObject* CView::ConsoleObjectOf(CSnapin* snapin) const {
    const Part* part = PartOf(snapin);
    return part ? part->console.Get() : nullptr;
}

CSnapin* CView::OwnerOf(HSCOPEITEM item) const {
    return m_console.SnapinOf(item);
}

CResultList* CView::ListFor(CSnapin* snapin) {
    if (m_pane != Pane::List || !m_scope || OwnerOf(m_scope) != snapin) return nullptr;
    return &m_list;
}

void CView::SetStatusText(const wchar_t* text) {
    m_status.Set(text);
}

// Data objects ----------------------------------------------------------------------------------------------

tvcom::ComPtr<IDataObject> CView::ScopeDataObject(HSCOPEITEM item) {
    const CScopeItem* found = m_console.Tree().Find(item);
    if (!found || !found->owner) return {};
    return found->owner->ScopeDataObject(*found);
}

tvcom::ComPtr<IDataObject> CView::DataObjectOf(const CRow& row) {
    if (row.kind == CRow::Scope) return ScopeDataObject(row.scope);
    tvcom::ComPtr<IDataObject> data;
    IComponent* component = ComponentOf(OwnerOf(m_scope));
    if (!component) return data;
    // An owner-data row has no cookie: the snap-in is given its index.
    MMC_COOKIE cookie = row.kind == CRow::Virtual ? row.index : row.lParam;
    if (FAILED(component->QueryDataObject(cookie, CCT_RESULT, data.Receive()))) data.Reset();
    return data;
}

std::vector<CRow> CView::LiveSelectedRows() const {
    std::vector<CRow> live;
    for (const CRow& row : m_selectedRows) {
        CRow current;
        LONG_PTR id = row.kind == CRow::Scope ? row.scope : row.kind == CRow::Item ? row.item : row.index;
        if (m_list.FindRow(row.kind, id, &current)) live.push_back(current);
    }
    return live;
}

tvcom::ComPtr<IDataObject> CView::SelectionDataObject(bool* scope, CSnapin** snapin) {
    *scope = true;
    *snapin = OwnerOf(m_scope);
    if (!m_resultFocus) return ScopeDataObject(m_scope);
    std::vector<CRow> rows = LiveSelectedRows();
    if (rows.empty()) return {};
    if (rows.size() == 1) {
        *scope = rows[0].kind == CRow::Scope;
        if (*scope) *snapin = OwnerOf(rows[0].scope);
        return DataObjectOf(rows[0]);
    }
    *scope = false;
    tvcom::ComPtr<IDataObject> data;
    IComponent* component = ComponentOf(*snapin);
    if (component && FAILED(component->QueryDataObject(MMC_MULTI_SELECT_COOKIE, CCT_RESULT, data.Receive())))
        data.Reset();
    return data;
}

void CView::NotifySelect(CSnapin* snapin, IDataObject* data, bool scopeItem, bool controlbarScope,
                         bool select) {
    const Part* part = PartOf(snapin);
    if (!part || !part->component || !data) return;
    tvcom::ComPtr<IComponent> component = part->component;
    tvcom::ComPtr<IExtendControlbar> controlbar = part->extendControlbar;
    component->Notify(data, MMCN_SELECT, SelectArg(scopeItem, select), 0);
    if (controlbar)
        controlbar->ControlbarNotify(MMCN_SELECT, SelectArg(controlbarScope, select),
                                     reinterpret_cast<LPARAM>(data));
}

// Selection
// --------------------------------------------------------------------------------------------------

void CView::ResetPane() {
    m_pane = Pane::None;
    m_scopeSelected = false;
    m_viewType.clear();
    m_viewOptions = 0;
    m_list.Clear();
    m_selectedRows.clear();
    m_resultFocus = false;
    m_sortColumn = -1;
    m_sortOptions = 0;
    m_message = CMessage();
    m_descriptionText.clear();
}

void CView::DeselectRows() {
    if (!m_resultFocus) return;
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    m_resultFocus = false;
    m_selectedRows.clear();
    m_list.SelectOnly({});
    if (data) NotifySelect(snapin, data.Get(), scope, false, false);
}

HRESULT CView::SelectScopeItem(HSCOPEITEM item) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (!m_console.Exists(item)) return E_INVALIDARG;
    if (m_selecting) {
        // Asked for while a selection is under way (by the snap-in, from a notification): it follows.
        m_pendingSelection = item;
        return S_OK;
    }
    m_selecting = true;
    HRESULT hr = ShowScopeItem(item);
    // A snap-in that keeps re-selecting from its own notifications is stopped after a few rounds.
    for (int round = 0; m_pendingSelection && round < 8; ++round) {
        HSCOPEITEM next = std::exchange(m_pendingSelection, 0);
        if (m_console.Exists(next)) hr = ShowScopeItem(next);
    }
    m_pendingSelection = 0;
    m_selecting = false;
    return hr;
}

HRESULT CView::ShowScopeItem(HSCOPEITEM item) {
    m_lostSelection = 0;
    const HSCOPEITEM old = m_scope;
    if (old && m_console.Exists(old)) {
        CSnapin* oldOwner = OwnerOf(old);
        if (m_resultFocus) DeselectRows();
        tvcom::ComPtr<IDataObject> data = ScopeDataObject(old);
        if (m_scopeSelected) NotifySelect(oldOwner, data.Get(), true, true, false);
        if (IComponent* component = ComponentOf(oldOwner))
            if (data) tvcom::ComPtr<IComponent>::Retain(component)->Notify(data.Get(), MMCN_SHOW, FALSE, old);
    }
    ResetPane();
    m_scope = item;
    m_status.Clear();
    m_verbs.Reset();

    // The children are needed to list them; a snap-in hears of that once.
    m_console.ExpandOnce(item);
    if (!m_console.Exists(item) || m_scope != item) return S_OK; // the snap-in changed its tree meanwhile

    CSnapin* owner = OwnerOf(item);
    const Part* part = PartOf(owner);
    if (!part || !part->component) return S_OK;
    tvcom::ComPtr<IComponent> component = part->component;

    const CScopeItem* scopeItem = m_console.Tree().Find(item);
    LPOLESTR viewType = nullptr;
    long options = 0;
    HRESULT hr =
        component->GetResultViewType(scopeItem->isStatic ? 0 : scopeItem->lParam, &viewType, &options);
    std::wstring type = viewType && hr == S_OK ? viewType : L"";
    CoTaskMemFree(viewType);
    // S_FALSE (or a failure) asks for the standard list with no options.
    if (hr != S_OK) options = 0;
    if (!m_console.Exists(item) || m_scope != item) return S_OK;
    m_viewType = type;
    m_viewOptions = options;
    if (type.empty()) {
        m_pane = Pane::List;
        m_list.Reset(&m_console.Tree(), item, (options & MMC_VIEW_OPTIONS_OWNERDATALIST) != 0,
                     (options & MMC_VIEW_OPTIONS_EXCLUDE_SCOPE_ITEMS_FROM_LIST) == 0);
    } else {
        m_pane = IsMessageView(type) ? Pane::Message : Pane::Custom;
    }

    tvcom::ComPtr<IDataObject> data = ScopeDataObject(item);
    if (!data) return E_FAIL;
    if (m_pane == Pane::List)
        component->Notify(data.Get(), MMCN_ADD_IMAGES,
                          reinterpret_cast<LPARAM>(static_cast<IImageList*>(m_resultImages.Get())), item);
    if (!m_console.Exists(item) || m_scope != item) return S_OK;
    component->Notify(data.Get(), MMCN_SHOW, TRUE, item);
    if (!m_console.Exists(item) || m_scope != item) return S_OK;
    m_verbs.Reset();
    m_resultFocus = false;
    m_scopeSelected = true;
    NotifySelect(owner, data.Get(), true, true, true);
    return S_OK;
}

HRESULT CView::ExpandScopeItem(HSCOPEITEM item, bool expand) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (!m_console.Exists(item)) return E_INVALIDARG;
    if (!expand) {
        // Collapsing is only drawn; the snap-in is not told.
        m_expanded.erase(item);
        return S_OK;
    }
    HRESULT hr = m_console.ExpandOnce(item);
    if (m_console.Exists(item)) m_expanded.insert(item);
    return hr;
}

HRESULT CView::SelectRows(const std::vector<int>& rows) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (m_pane != Pane::List || !m_scope) return E_UNEXPECTED;
    for (int row : rows)
        if (row < 0 || row >= m_list.RowCount()) return E_INVALIDARG;
    if (rows.size() > 1 && !(m_viewOptions & MMC_VIEW_OPTIONS_MULTISELECT)) return E_INVALIDARG;

    CSnapin* owner = OwnerOf(m_scope);
    if (m_resultFocus) {
        DeselectRows();
    } else if (m_scopeSelected) {
        tvcom::ComPtr<IDataObject> scopeData = ScopeDataObject(m_scope);
        NotifySelect(owner, scopeData.Get(), true, true, false);
    }
    m_scopeSelected = false;
    m_verbs.Reset();
    if (rows.empty()) {
        tvcom::ComPtr<IDataObject> scopeData = ScopeDataObject(m_scope);
        m_scopeSelected = true;
        NotifySelect(owner, scopeData.Get(), true, true, true);
        return S_OK;
    }
    std::vector<CRow> chosen;
    for (int row : rows)
        chosen.push_back(m_list.RowAt(row));
    m_list.SelectOnly(chosen);
    m_selectedRows = chosen;
    m_resultFocus = true;
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    if (!data) return E_FAIL;
    NotifySelect(snapin, data.Get(), scope, false, true);
    return S_OK;
}

void CView::RowStateChanged(const CRow& row, UINT before) {
    bool wasSelected = (before & LVIS_SELECTED) != 0;
    bool isSelected = (row.state & LVIS_SELECTED) != 0;
    if (wasSelected == isSelected) return;
    // The row's own data object: a selection the snap-in made is announced like a person's.
    tvcom::ComPtr<IDataObject> data = DataObjectOf(row);
    CSnapin* snapin = row.kind == CRow::Scope ? OwnerOf(row.scope) : OwnerOf(m_scope);
    m_selectedRows = m_list.SelectedRows();
    m_resultFocus = !m_selectedRows.empty();
    if (isSelected) {
        m_verbs.Reset();
        m_scopeSelected = false;
    }
    NotifySelect(snapin, data.Get(), row.kind == CRow::Scope, false, isSelected);
}

void CView::RowsRemoved() {
    if (!m_resultFocus) return;
    m_selectedRows = LiveSelectedRows();
    if (!m_selectedRows.empty()) return;
    m_resultFocus = false;
    m_verbs.Reset();
}

void CView::ScopeItemsLeaving(HSCOPEITEM top, bool includingTop) {
    const CScopeTree& tree = m_console.Tree();
    auto leaving = [&](HSCOPEITEM item) {
        return item && tree.IsWithin(item, top) && (includingTop || item != top);
    };
    if (m_resultFocus) {
        for (const CRow& row : LiveSelectedRows())
            if (row.kind == CRow::Scope && leaving(row.scope)) {
                DeselectRows();
                break;
            }
    }
    if (!leaving(m_scope)) return;
    CSnapin* owner = OwnerOf(m_scope);
    DeselectRows();
    tvcom::ComPtr<IDataObject> data = ScopeDataObject(m_scope);
    if (m_scopeSelected) NotifySelect(owner, data.Get(), true, true, false);
    if (IComponent* component = ComponentOf(owner))
        if (data) tvcom::ComPtr<IComponent>::Retain(component)->Notify(data.Get(), MMCN_SHOW, FALSE, m_scope);
    ResetPane();
    m_verbs.Reset();
}

void CView::ScopeItemsRemoved(const std::vector<HSCOPEITEM>& removed, HSCOPEITEM survivor) {
    m_list.ForgetScopeItems(removed);
    for (HSCOPEITEM item : removed)
        m_expanded.erase(item);
    std::erase_if(m_selectedRows, [&](const CRow& row) {
        return row.kind == CRow::Scope &&
               std::find(removed.begin(), removed.end(), row.scope) != removed.end();
    });
    if (m_resultFocus && m_selectedRows.empty()) m_resultFocus = false;
    if (m_scope && !m_console.Exists(m_scope)) {
        m_scope = 0;
        ResetPane();
        m_lostSelection = survivor;
    }
}

void CView::Settle() {
    if (m_scope) {
        m_lostSelection = 0;
        return;
    }
    HSCOPEITEM to = std::exchange(m_lostSelection, 0);
    if (to && m_console.Exists(to)) SelectScopeItem(to);
}

// The result pane ------------------------------------------------------------------------------------------

std::wstring CView::CellText(const CRow& row, int column) {
    if (row.kind == CRow::Item && column == 0) {
        const CResultItem* item = m_list.Item(row.item);
        if (item && !item->textIsCallback) return item->text;
    }
    if (row.kind == CRow::Scope) {
        const CScopeItem* item = m_console.Tree().Find(row.scope);
        if (item && !item->nameIsCallback && column == 0) return item->name;
    }
    IComponent* component = ComponentOf(row.kind == CRow::Scope ? OwnerOf(row.scope) : OwnerOf(m_scope));
    if (!component) return {};
    RESULTDATAITEM data = {};
    data.mask = RDI_STR;
    data.bScopeItem = row.kind == CRow::Scope;
    data.itemID = row.kind == CRow::Scope ? row.scope : row.item;
    data.nIndex = row.index;
    data.nCol = column;
    data.lParam = row.lParam;
    component->GetDisplayInfo(&data);
    // The text lives in the snap-in's buffer until its next call: copy it now.
    if (!data.str || data.str == MMC_CALLBACK) return {};
    return data.str;
}

std::vector<int> CView::VisibleColumns() const {
    std::vector<int> visible;
    const auto& columns = m_list.Columns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].width != HIDE_COLUMN) visible.push_back(static_cast<int>(i));
    return visible;
}

void CView::PrepareRows(int first, int last) {
    if (m_pane != Pane::List || !m_list.IsOwnerData() || first > last) return;
    IComponent* component = ComponentOf(OwnerOf(m_scope));
    if (!component) return;
    tvcom::ComPtr<IResultOwnerData> ownerData;
    if (SUCCEEDED(component->QueryInterface(IID_IResultOwnerData, ownerData.ReceiveVoid())))
        ownerData->CacheHint(first, last);
}

HRESULT CView::Sort(int column, bool descending) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (m_pane != Pane::List) return E_UNEXPECTED;
    if (column < 0 || column >= static_cast<int>(m_list.Columns().size())) return E_INVALIDARG;
    DWORD options = descending ? RSI_DESCENDING : 0;
    if (IComponent* component = ComponentOf(OwnerOf(m_scope)))
        tvcom::ComPtr<IComponent>::Retain(component)->Notify(nullptr, MMCN_COLUMN_CLICK, column, options);
    if (m_pane != Pane::List) return S_OK;
    SortRows(column, options, 0);
    return S_OK;
}

HRESULT CView::SortFromSnapin(int column, DWORD options, LPARAM userParam) {
    if (column < 0) return E_INVALIDARG;
    SortRows(column, options, userParam);
    return S_OK;
}

void CView::SortRows(int column, DWORD options, LPARAM userParam) {
    m_sortColumn = column;
    m_sortOptions = options;
    auto component = tvcom::ComPtr<IComponent>::Retain(ComponentOf(OwnerOf(m_scope)));
    if (!component) return;
    if (m_list.IsOwnerData()) {
        // The snap-in keeps an owner-data list's rows, so it sorts them itself.
        if (auto ownerData = component.As<IResultOwnerData>())
            ownerData->SortItems(column, options, userParam);
        return;
    }
    auto compareEx = component.As<IResultDataCompareEx>();
    auto compare = compareEx ? tvcom::ComPtr<IResultDataCompare>() : component.As<IResultDataCompare>();
    const bool descending = (options & RSI_DESCENDING) != 0;
    // The snap-in's comparison runs on a copy, so that nothing it does meanwhile disturbs the list.
    std::vector<CResultItem> items = m_list.Items();
    auto order = [&](const CResultItem& a, const CResultItem& b) {
        int result = 0;
        if (compareEx) {
            RDITEMHDR first = {0, a.lParam, 0}, second = {0, b.lParam, 0};
            RDCOMPARE record = {sizeof(RDCOMPARE), 0, column, userParam, &first, &second};
            compareEx->Compare(&record, &result);
        } else if (compare) {
            result = column; // IResultDataCompare is told the column through its result
            compare->Compare(userParam, a.lParam, b.lParam, &result);
        } else {
            CRow rowA, rowB;
            rowA.item = a.id;
            rowA.lParam = a.lParam;
            rowB.item = b.id;
            rowB.lParam = b.lParam;
            result = CompareText(CellText(rowA, column), CellText(rowB, column));
        }
        return descending ? result > 0 : result < 0;
    };
    std::stable_sort(items.begin(), items.end(), order);
    // Rows the snap-in added or took away while it compared keep their place in the list as it is now.
    std::vector<CResultItem>& current = m_list.Items();
    if (current.size() == items.size()) current = std::move(items);
}

// Verbs, menus, toolbars, help ----------------------------------------------------------------------------

HRESULT CView::InvokeVerb(MMC_CONSOLE_VERB verb) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (!m_verbs.IsAvailable(verb)) return E_ACCESSDENIED;
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    auto component = tvcom::ComPtr<IComponent>::Retain(ComponentOf(snapin));
    if (!data || !component) return E_FAIL;
    switch (verb) {
    case MMC_VERB_DELETE:
        return component->Notify(data.Get(), MMCN_DELETE, 0, 0);
    case MMC_VERB_REFRESH:
        return component->Notify(data.Get(), MMCN_REFRESH, 0, 0);
    case MMC_VERB_PRINT:
        return component->Notify(data.Get(), MMCN_PRINT, 0, 0);
    case MMC_VERB_OPEN: {
        // Opening a folder in the list selects it; opening the selected folder expands it.
        std::vector<CRow> rows = m_resultFocus ? LiveSelectedRows() : std::vector<CRow>{};
        if (rows.size() == 1 && rows[0].kind == CRow::Scope) return SelectScopeItem(rows[0].scope);
        if (!m_resultFocus) return ExpandScopeItem(m_scope);
        return component->Notify(data.Get(), MMCN_DBLCLICK, 0, 0);
    }
    case MMC_VERB_RENAME:
        return E_INVALIDARG; // renaming needs the new name: Rename()
    case MMC_VERB_PROPERTIES:
        return ShowProperties(data.Get(), scope, snapin, component.Get());
    default:
        return E_NOTIMPL;
    }
}

// A folder (a scope item, in either pane) gives its pages through the snap-in's IComponentData, a result
// item through the view's IComponent; the sheet's title is the item's name.
HRESULT CView::ShowProperties(IDataObject* data, bool scope, CSnapin* snapin, IComponent* component) {
    std::vector<CRow> rows = m_resultFocus ? LiveSelectedRows() : std::vector<CRow>{};
    HSCOPEITEM item = m_resultFocus ? 0 : m_scope;
    MMC_COOKIE cookie = 0;
    std::wstring name;
    if (rows.size() == 1 && rows[0].kind == CRow::Scope) {
        item = rows[0].scope;
    } else if (rows.size() == 1) {
        cookie = rows[0].kind == CRow::Virtual ? rows[0].index : rows[0].lParam;
        name = CellText(rows[0], 0);
    }
    if (const CScopeItem* found = m_console.Tree().Find(item)) {
        cookie = found->isStatic ? 0 : found->lParam;
        name = m_console.DisplayName(item);
    }
    IUnknown* primary = scope ? static_cast<IUnknown*>(snapin->ComponentData()) : component;
    return m_console.Sheets().ShowProperties(primary, scope ? nullptr : component, data, item, cookie, name);
}

HRESULT CView::Rename(const std::wstring& newName) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (!m_verbs.IsAvailable(MMC_VERB_RENAME)) return E_ACCESSDENIED;
    std::vector<CRow> rows = m_resultFocus ? LiveSelectedRows() : std::vector<CRow>{};
    if (rows.size() > 1) return E_INVALIDARG; // one item is renamed at a time
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    if (!data || !snapin) return E_FAIL;
    std::wstring name = newName;
    LPARAM param = reinterpret_cast<LPARAM>(name.data());
    // A scope item is renamed by the snap-in's scope side, a result row by its view's component.
    HRESULT hr = scope ? snapin->Notify(data.Get(), MMCN_RENAME, 0, param)
                       : (ComponentOf(snapin) ? tvcom::ComPtr<IComponent>::Retain(ComponentOf(snapin))
                                                    ->Notify(data.Get(), MMCN_RENAME, 0, param)
                                              : E_FAIL);
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    // Names the console keeps itself take the new text; the others are asked for anew.
    HSCOPEITEM scopeTarget = rows.empty() ? m_scope : rows[0].kind == CRow::Scope ? rows[0].scope : 0;
    if (scope) {
        CScopeItem* item = m_console.Tree().Find(scopeTarget);
        if (item && !item->nameIsCallback) item->name = newName;
    } else if (!rows.empty() && rows[0].kind == CRow::Item) {
        for (CResultItem& item : m_list.Items())
            if (item.id == rows[0].item && !item.textIsCallback) item.text = newName;
    }
    return S_OK;
}

HRESULT CView::BuildContextMenu(std::unique_ptr<CContextMenu>* menu) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    auto built = std::make_unique<CContextMenu>();
    bool scope = false;
    CSnapin* snapin = nullptr;
    built->dataObject = SelectionDataObject(&scope, &snapin);
    if (!built->dataObject || !snapin) return E_FAIL;
    auto component = tvcom::ComPtr<IComponent>::Retain(ComponentOf(snapin));
    if (scope) {
        // A selected scope item's menu: the scope side adds to the menu and its New and All Tasks
        // submenus, the view's component to the View submenu.
        auto componentData = tvcom::ComPtr<IComponentData>::Retain(snapin->ComponentData());
        built->extenders.push_back({componentData.As<IExtendContextMenu>(), CCM_INSERTIONALLOWED_TOP |
                                                                                CCM_INSERTIONALLOWED_NEW |
                                                                                CCM_INSERTIONALLOWED_TASK});
        built->extenders.push_back({component.As<IExtendContextMenu>(), CCM_INSERTIONALLOWED_VIEW});
    } else {
        built->extenders.push_back({component.As<IExtendContextMenu>(), CCM_INSERTIONALLOWED_TOP |
                                                                            CCM_INSERTIONALLOWED_NEW |
                                                                            CCM_INSERTIONALLOWED_TASK});
    }
    for (size_t i = 0; i < built->extenders.size(); ++i) {
        tvcom::ComPtr<IExtendContextMenu> extend = built->extenders[i].extend;
        if (!extend) continue;
        auto callback = tvcom::Make<CContextMenuCallback>(built.get(), static_cast<int>(i));
        long allowed = built->extenders[i].allowed;
        extend->AddMenuItems(built->dataObject.Get(), callback.Get(), &allowed);
        callback->Disconnect();
    }
    *menu = std::move(built);
    return S_OK;
}

HRESULT CView::RunMenuCommand(const CContextMenu& menu, const CMenuItem& item) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    if (item.IsSubmenu() || item.IsInsertionPoint()) return E_INVALIDARG;
    if (!item.IsEnabled()) return E_ACCESSDENIED;
    if (item.extender < 0 || item.extender >= static_cast<int>(menu.extenders.size())) return E_INVALIDARG;
    tvcom::ComPtr<IExtendContextMenu> extend = menu.extenders[item.extender].extend;
    if (!extend) return E_UNEXPECTED;
    return extend->Command(item.commandId, menu.dataObject.Get());
}

std::vector<const CToolbar*> CView::Toolbars() const {
    std::vector<const CToolbar*> attached;
    for (const Part& part : m_parts)
        if (part.controlbar)
            for (const auto& toolbar : part.controlbar->Toolbars())
                if (toolbar->IsAttached()) attached.push_back(toolbar.Get());
    return attached;
}

HRESULT CView::PressToolbarButton(const CToolbar* toolbar, int commandId) {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    std::vector<const CToolbar*> attached = Toolbars();
    if (std::find(attached.begin(), attached.end(), toolbar) == attached.end()) return E_INVALIDARG;
    const CToolbar::Button* button = toolbar->FindButton(commandId);
    if (!button) return E_INVALIDARG;
    if (!(button->state & TBSTATE_ENABLED) || (button->state & TBSTATE_HIDDEN)) return E_ACCESSDENIED;
    auto extend = tvcom::ComPtr<IExtendControlbar>::Retain(toolbar->Extender());
    if (!extend) return E_UNEXPECTED;
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    return extend->ControlbarNotify(MMCN_BTN_CLICK, reinterpret_cast<LPARAM>(data.Get()), commandId);
}

HRESULT CView::ContextHelp() {
    CConsole::CAction action(m_console);
    m_console.SetActiveView(*this);
    bool scope = false;
    CSnapin* snapin = nullptr;
    tvcom::ComPtr<IDataObject> data = SelectionDataObject(&scope, &snapin);
    auto component = tvcom::ComPtr<IComponent>::Retain(ComponentOf(snapin));
    if (!data || !component) return E_FAIL;
    HRESULT hr = component->Notify(data.Get(), MMCN_CONTEXTHELP, 0, 0);
    if (hr == S_OK) return S_OK;
    // The snap-in has no topic of its own for the item: its help file opens at its start.
    std::wstring file = snapin->HelpFile();
    if (file.empty()) return S_FALSE;
    m_console.ShowHelpTopic(file);
    return S_OK;
}

} // namespace Console
