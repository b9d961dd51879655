// The result list of a view and IResultData's and IHeaderCtrl2's rules for it: where InsertItem puts a
// row, which calls an owner-data list refuses, how GetNextItem walks the rows by state, and the column
// header with its filters.
#include "resultlist.h"

#include <algorithm>
#include <cstring>

#include "scopetree.h"

namespace Console {

void CResultList::Reset(const CScopeTree* tree, HSCOPEITEM owner, bool ownerData, bool showScopeItems) {
    m_tree = tree;
    m_owner = owner;
    m_ownerData = ownerData;
    m_showScopeItems = showScopeItems;
    m_columns.clear();
    m_items.clear();
    m_positions.clear();
    m_scopeStates.clear();
    m_virtualStates.clear();
    m_virtualCount = 0;
}

std::vector<HSCOPEITEM> CResultList::ScopeRows() const {
    if (!m_tree || m_ownerData || !m_showScopeItems) return {};
    const CScopeItem* owner = m_tree->Find(m_owner);
    return owner ? owner->children : std::vector<HSCOPEITEM>{};
}

int CResultList::RowCount() const {
    if (m_ownerData) return m_virtualCount;
    return static_cast<int>(ScopeRows().size() + m_items.size());
}

CRow CResultList::RowOf(int index, const std::vector<HSCOPEITEM>& scopeRows) const {
    CRow row;
    row.index = index;
    if (m_ownerData) {
        row.kind = CRow::Virtual;
        auto state = m_virtualStates.find(index);
        row.state = state == m_virtualStates.end() ? 0 : state->second;
        return row;
    }
    if (index < static_cast<int>(scopeRows.size())) {
        row.kind = CRow::Scope;
        row.scope = scopeRows[index];
        const CScopeItem* item = m_tree ? m_tree->Find(row.scope) : nullptr;
        row.lParam = item ? item->lParam : 0;
        auto state = m_scopeStates.find(row.scope);
        row.state = state == m_scopeStates.end() ? 0 : state->second;
        return row;
    }
    const CResultItem& item = m_items[index - scopeRows.size()];
    row.kind = CRow::Item;
    row.item = item.id;
    row.lParam = item.lParam;
    row.state = item.state;
    return row;
}

CRow CResultList::RowAt(int index) const {
    return RowOf(index, ScopeRows());
}

bool CResultList::FindRow(CRow::Kind kind, LONG_PTR id, CRow* row) const {
    std::vector<HSCOPEITEM> scopeRows = ScopeRows();
    if (kind == CRow::Virtual) {
        if (!m_ownerData || id < 0 || id >= m_virtualCount) return false;
        *row = RowOf(static_cast<int>(id), scopeRows);
        return true;
    }
    if (kind == CRow::Scope) {
        auto at = std::find(scopeRows.begin(), scopeRows.end(), static_cast<HSCOPEITEM>(id));
        if (at == scopeRows.end()) return false;
        *row = RowOf(static_cast<int>(at - scopeRows.begin()), scopeRows);
        return true;
    }
    int position = ItemPosition(id);
    if (position < 0) return false;
    *row = RowOf(static_cast<int>(scopeRows.size()) + position, scopeRows);
    return true;
}

int CResultList::ItemPosition(HRESULTITEM itemID) const {
    if (itemID == 0) return -1;
    if (m_positions.size() != m_items.size()) {
        m_positions.clear();
        for (size_t i = 0; i < m_items.size(); ++i)
            m_positions.emplace(m_items[i].id, i);
    }
    auto found = m_positions.find(itemID);
    return found == m_positions.end() ? -1 : static_cast<int>(found->second);
}

const CResultItem* CResultList::Item(HRESULTITEM itemID) const {
    int position = ItemPosition(itemID);
    return position < 0 ? nullptr : &m_items[position];
}

UINT* CResultList::StateOf(const CRow& row) {
    switch (row.kind) {
    case CRow::Virtual:
        return &m_virtualStates[row.index];
    case CRow::Scope:
        return &m_scopeStates[row.scope];
    case CRow::Item: {
        int position = ItemPosition(row.item);
        return position < 0 ? nullptr : &m_items[position].state;
    }
    }
    return nullptr;
}

HRESULT CResultList::InsertItem(LPRESULTDATAITEM data) {
    if (!data) return E_POINTER;
    if (m_ownerData) return E_UNEXPECTED; // the snap-in describes owner-data rows by index
    if (data->bScopeItem) return E_INVALIDARG;
    CResultItem item;
    item.id = m_nextId++;
    if (data->mask & RDI_STR) {
        item.textIsCallback = data->str == MMC_CALLBACK || !data->str;
        if (!item.textIsCallback) item.text = data->str;
    }
    if (data->mask & RDI_IMAGE) item.image = data->nImage;
    if (data->mask & RDI_PARAM) item.lParam = data->lParam;
    if (data->mask & RDI_STATE) item.state = data->nState;
    if (data->mask & RDI_INDENT) item.indent = data->iIndent;
    size_t where = m_items.size();
    if ((data->mask & RDI_INDEX) && data->nIndex >= 0)
        where = std::min(static_cast<size_t>(data->nIndex), m_items.size());
    HRESULTITEM id = item.id;
    if (where == m_items.size() && m_positions.size() == m_items.size())
        m_positions.emplace(id, where);
    else
        m_positions.clear();
    m_items.insert(m_items.begin() + where, std::move(item));
    data->itemID = id;
    return S_OK;
}

HRESULT CResultList::DeleteItem(HRESULTITEM itemID, int nCol) {
    if (m_ownerData) return E_UNEXPECTED;
    if (nCol != 0) return E_INVALIDARG; // a row goes as a whole
    int position = ItemPosition(itemID);
    if (position < 0) return E_INVALIDARG;
    m_items.erase(m_items.begin() + position);
    m_positions.clear();
    return S_OK;
}

HRESULT CResultList::FindItemByLParam(LPARAM lParam, HRESULTITEM* pItemID) const {
    if (!pItemID) return E_POINTER;
    *pItemID = 0;
    if (m_ownerData) return E_UNEXPECTED;
    for (const CResultItem& item : m_items)
        if (item.lParam == lParam) {
            *pItemID = item.id;
            return S_OK;
        }
    return S_FALSE;
}

HRESULT CResultList::DeleteAllRsltItems() {
    m_items.clear();
    m_positions.clear();
    m_virtualCount = 0;
    m_virtualStates.clear();
    return S_OK;
}

HRESULT CResultList::SetItem(LPRESULTDATAITEM data) {
    if (!data) return E_POINTER;
    if (m_ownerData) return E_UNEXPECTED;
    int position = ItemPosition(data->itemID);
    if (position < 0) return E_INVALIDARG;
    CResultItem& item = m_items[position];
    if (data->mask & RDI_STR) {
        if (data->nCol != 0) return E_INVALIDARG; // only column 0 keeps a text of its own
        item.textIsCallback = data->str == MMC_CALLBACK || !data->str;
        item.text = item.textIsCallback ? std::wstring() : std::wstring(data->str);
    }
    if (data->mask & RDI_IMAGE) item.image = data->nImage;
    if (data->mask & RDI_PARAM) item.lParam = data->lParam;
    if (data->mask & RDI_STATE) item.state = data->nState;
    if (data->mask & RDI_INDENT) item.indent = data->iIndent;
    return S_OK;
}

HRESULT CResultList::GetItem(LPRESULTDATAITEM data) const {
    if (!data) return E_POINTER;
    CRow row;
    bool found = data->itemID
                     ? FindRow(CRow::Item, data->itemID, &row)
                     : (data->nIndex >= 0 && data->nIndex < RowCount() && (row = RowAt(data->nIndex), true));
    if (!found) return E_INVALIDARG;
    data->bScopeItem = row.kind == CRow::Scope;
    data->nIndex = row.index;
    if (row.kind == CRow::Item) data->itemID = row.item;
    if (row.kind == CRow::Scope) data->itemID = row.scope;
    const CResultItem* item = row.kind == CRow::Item ? Item(row.item) : nullptr;
    if (data->mask & RDI_STR)
        data->str = item && !item->textIsCallback ? const_cast<LPOLESTR>(item->text.c_str()) : MMC_CALLBACK;
    if (data->mask & RDI_IMAGE) data->nImage = item ? item->image : 0;
    if (data->mask & RDI_PARAM) data->lParam = row.lParam;
    if (data->mask & RDI_STATE) data->nState = row.state;
    if (data->mask & RDI_INDENT) data->iIndent = item ? item->indent : 0;
    return S_OK;
}

HRESULT CResultList::GetNextItem(LPRESULTDATAITEM data) const {
    if (!data) return E_POINTER;
    std::vector<HSCOPEITEM> scopeRows = ScopeRows();
    int count = RowCount();
    for (int index = std::max(data->nIndex + 1, 0); index < count; ++index) {
        CRow row = RowOf(index, scopeRows);
        if ((row.state & data->nState) != data->nState) continue;
        // nState stays as the caller set it, so that the same record walks on to the next match.
        data->nIndex = index;
        data->bScopeItem = row.kind == CRow::Scope;
        data->itemID = row.kind == CRow::Scope ? row.scope : row.item;
        data->lParam = row.lParam;
        return S_OK;
    }
    data->nIndex = -1;
    return S_FALSE;
}

HRESULT CResultList::SetItemCount(int count, DWORD) {
    if (count < 0) return E_INVALIDARG;
    if (!m_ownerData) {
        // For an ordinary list the count only prepares room for the rows to come.
        m_items.reserve(static_cast<size_t>(count));
        return S_OK;
    }
    m_virtualCount = count;
    std::erase_if(m_virtualStates, [count](const auto& state) { return state.first >= count; });
    return S_OK;
}

HRESULT CResultList::ModifyItemState(int nIndex, HRESULTITEM itemID, UINT add, UINT remove, CRow* changed) {
    CRow row;
    bool found = itemID ? FindRow(m_ownerData ? CRow::Virtual : CRow::Item, itemID, &row)
                        : (nIndex >= 0 && nIndex < RowCount() && (row = RowAt(nIndex), true));
    if (!found) return E_INVALIDARG;
    UINT* state = StateOf(row);
    if (!state) return E_INVALIDARG;
    *state = (*state & ~remove) | add;
    row.state = *state;
    if (changed) *changed = row;
    return S_OK;
}

std::vector<CRow> CResultList::SelectedRows() const {
    std::vector<CRow> rows;
    std::vector<HSCOPEITEM> scopeRows = ScopeRows();
    if (m_ownerData) {
        for (const auto& [index, state] : m_virtualStates)
            if ((state & LVIS_SELECTED) && index < m_virtualCount) rows.push_back(RowOf(index, scopeRows));
        return rows;
    }
    int count = RowCount();
    for (int index = 0; index < count; ++index) {
        CRow row = RowOf(index, scopeRows);
        if (row.state & LVIS_SELECTED) rows.push_back(row);
    }
    return rows;
}

void CResultList::SelectOnly(const std::vector<CRow>& rows) {
    const UINT bits = LVIS_SELECTED | LVIS_FOCUSED;
    for (auto& [scope, state] : m_scopeStates)
        state &= ~bits;
    for (auto& [index, state] : m_virtualStates)
        state &= ~bits;
    for (CResultItem& item : m_items)
        item.state &= ~bits;
    bool first = true;
    for (const CRow& row : rows) {
        if (UINT* state = StateOf(row)) *state |= first ? bits : static_cast<UINT>(LVIS_SELECTED);
        first = false;
    }
}

void CResultList::ForgetScopeItems(const std::vector<HSCOPEITEM>& removed) {
    for (HSCOPEITEM item : removed)
        m_scopeStates.erase(item);
}

// The column header -------------------------------------------------------------------------------------

HRESULT CResultList::InsertColumn(int nCol, LPCWSTR title, int format, int width) {
    if (nCol < 0 || nCol > static_cast<int>(m_columns.size()) || !title) return E_INVALIDARG;
    CColumn column;
    column.title = title;
    column.format = format;
    column.width = width;
    m_columns.insert(m_columns.begin() + nCol, std::move(column));
    return S_OK;
}

HRESULT CResultList::DeleteColumn(int nCol) {
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size())) return E_INVALIDARG;
    m_columns.erase(m_columns.begin() + nCol);
    return S_OK;
}

HRESULT CResultList::SetColumnText(int nCol, LPCWSTR title) {
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size()) || !title) return E_INVALIDARG;
    m_columns[nCol].title = title;
    return S_OK;
}

HRESULT CResultList::GetColumnText(int nCol, LPOLESTR* text) const {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size())) return E_INVALIDARG;
    const std::wstring& title = m_columns[nCol].title;
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((title.size() + 1) * sizeof(WCHAR)));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, title.c_str(), (title.size() + 1) * sizeof(WCHAR));
    *text = copy; // the caller frees it with CoTaskMemFree
    return S_OK;
}

HRESULT CResultList::SetColumnWidth(int nCol, int width) {
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size())) return E_INVALIDARG;
    m_columns[nCol].width = width;
    return S_OK;
}

HRESULT CResultList::GetColumnWidth(int nCol, int* width) const {
    if (!width) return E_POINTER;
    if (nCol < 0 || nCol >= static_cast<int>(m_columns.size())) return E_INVALIDARG;
    *width = m_columns[nCol].width;
    return S_OK;
}

HRESULT CResultList::SetColumnFilter(UINT nCol, DWORD type, const MMC_FILTERDATA* data) {
    if (nCol >= m_columns.size()) return E_INVALIDARG;
    CColumn& column = m_columns[nCol];
    column.filterType = type;
    column.filterText = data && data->pszText ? data->pszText : L"";
    column.filterValue = data ? data->lValue : 0;
    return S_OK;
}

HRESULT CResultList::GetColumnFilter(UINT nCol, LPDWORD type, MMC_FILTERDATA* data) const {
    if (nCol >= m_columns.size()) return E_INVALIDARG;
    const CColumn& column = m_columns[nCol];
    if (type) *type = column.filterType;
    if (data) {
        data->lValue = column.filterValue;
        if (data->pszText && data->cchTextMax > 0) {
            // Cut to the caller's buffer, always ending in a null.
            size_t count = std::min(column.filterText.size(), static_cast<size_t>(data->cchTextMax - 1));
            std::memcpy(data->pszText, column.filterText.c_str(), count * sizeof(WCHAR));
            data->pszText[count] = L'\0';
        }
    }
    return S_OK;
}

} // namespace Console
