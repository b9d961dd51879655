// The list of a view's result pane: its columns and its rows, as IResultData and IHeaderCtrl2 fill them.
// The rows are the scope item's own children first (the console lists them by itself, unless the snap-in
// asked it not to), then the snap-in's result items, or, in an owner-data list, just a count of rows that
// the snap-in describes by index. Result items are named by HRESULTITEM ids that are never reused, so a
// stale id fails instead of naming another row.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "mmc.h"

namespace Console {

class CScopeTree;

struct CResultItem {
    HRESULTITEM id = 0;
    LPARAM lParam = 0;
    // Column 0 may carry a text of its own; every other cell is asked for through GetDisplayInfo.
    bool textIsCallback = true;
    std::wstring text;
    int image = 0;
    UINT state = 0;
    int indent = 0;
};

struct CColumn {
    std::wstring title;
    int format = LVCFMT_LEFT;
    int width = AUTO_WIDTH;
    DWORD filterType = MMC_STRING_FILTER | MMC_FILTER_NOVALUE;
    std::wstring filterText;
    LONG filterValue = 0;
};

// One row as the console shows it.
struct CRow {
    enum Kind { Scope, Item, Virtual } kind = Item;
    int index = 0;        // position in the list
    HSCOPEITEM scope = 0; // Scope
    HRESULTITEM item = 0; // Item
    LPARAM lParam = 0;    // the cookie: a scope item's or a result item's; 0 for a virtual row
    UINT state = 0;
};

class CResultList {
public:
    // Empties the list for a new result pane: the rows of `owner` in `tree`, an owner-data list or not,
    // with or without the scope children.
    void Reset(const CScopeTree* tree, HSCOPEITEM owner, bool ownerData, bool showScopeItems);
    void Clear() { Reset(nullptr, 0, false, false); }

    bool IsOwnerData() const { return m_ownerData; }

    // IResultData.
    HRESULT InsertItem(LPRESULTDATAITEM item);
    HRESULT DeleteItem(HRESULTITEM itemID, int nCol);
    HRESULT FindItemByLParam(LPARAM lParam, HRESULTITEM* pItemID) const;
    HRESULT DeleteAllRsltItems();
    HRESULT SetItem(LPRESULTDATAITEM item);
    HRESULT GetItem(LPRESULTDATAITEM item) const;
    HRESULT GetNextItem(LPRESULTDATAITEM item) const;
    HRESULT SetItemCount(int count, DWORD options);
    // Changes a row's state bits; the row is named by itemID, or by nIndex when itemID is 0.
    HRESULT ModifyItemState(int nIndex, HRESULTITEM itemID, UINT add, UINT remove, CRow* changed);

    // IHeaderCtrl2.
    HRESULT InsertColumn(int nCol, LPCWSTR title, int format, int width);
    HRESULT DeleteColumn(int nCol);
    HRESULT SetColumnText(int nCol, LPCWSTR title);
    HRESULT GetColumnText(int nCol, LPOLESTR* text) const;
    HRESULT SetColumnWidth(int nCol, int width);
    HRESULT GetColumnWidth(int nCol, int* width) const;
    HRESULT SetColumnFilter(UINT nCol, DWORD type, const MMC_FILTERDATA* data);
    HRESULT GetColumnFilter(UINT nCol, LPDWORD type, MMC_FILTERDATA* data) const;

    const std::vector<CColumn>& Columns() const { return m_columns; }
    int RowCount() const;
    CRow RowAt(int index) const;
    // The row of a result item or scope item; false when the list has none.
    bool FindRow(CRow::Kind kind, LONG_PTR id, CRow* row) const;
    std::vector<CRow> SelectedRows() const;
    // Sets exactly these rows selected (and the first of them focused); others lose both bits.
    void SelectOnly(const std::vector<CRow>& rows);

    // The result items in their shown order, for sorting and renaming.
    std::vector<CResultItem>& Items() {
        m_positions.clear(); // the caller may reorder them
        return m_items;
    }
    const CResultItem* Item(HRESULTITEM itemID) const;
    // Forgets the state of scope rows whose items left the tree.
    void ForgetScopeItems(const std::vector<HSCOPEITEM>& removed);

private:
    std::vector<HSCOPEITEM> ScopeRows() const;
    int ItemPosition(HRESULTITEM itemID) const;
    CRow RowOf(int index, const std::vector<HSCOPEITEM>& scopeRows) const;
    UINT* StateOf(const CRow& row);

    const CScopeTree* m_tree = nullptr;
    HSCOPEITEM m_owner = 0;
    bool m_ownerData = false;
    bool m_showScopeItems = true;
    std::vector<CColumn> m_columns;
    std::vector<CResultItem> m_items;
    // Where each result item sits in m_items; rebuilt when empty, so that finding a row by its id does
    // not walk a long list for every cell that is drawn.
    mutable std::unordered_map<HRESULTITEM, size_t> m_positions;
    std::map<HSCOPEITEM, UINT> m_scopeStates;
    std::map<int, UINT> m_virtualStates;
    int m_virtualCount = 0;
    HRESULTITEM m_nextId = 0x100000;
};

} // namespace Console
