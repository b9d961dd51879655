// IResultData and IHeaderCtrl2 as the console offers them to a view's snap-in. A snap-in fills only the
// list of a scope item of its own that the view shows as a list; at any other time the calls fail with
// E_UNEXPECTED. A state change that selects or deselects a row is a selection like a person's, so the
// snap-in hears of it.
#include "objects.h"

#include "console.h"

namespace Console {

using ResultData = CConsoleObject::ResultData;
using HeaderCtrl2 = CConsoleObject::HeaderCtrl2;

namespace {
CResultList* ListOf(CConsoleObject* object) {
    return object->Live() && object->View() ? object->View()->ListFor(object->Snapin()) : nullptr;
}
} // namespace

STDMETHODIMP ResultData::InsertItem(LPRESULTDATAITEM item) {
    CResultList* list = ListOf(m_outer);
    return list ? list->InsertItem(item) : E_UNEXPECTED;
}

STDMETHODIMP ResultData::DeleteItem(HRESULTITEM itemID, int nCol) {
    CResultList* list = ListOf(m_outer);
    if (!list) return E_UNEXPECTED;
    HRESULT hr = list->DeleteItem(itemID, nCol);
    if (SUCCEEDED(hr)) m_outer->View()->RowsRemoved();
    return hr;
}

STDMETHODIMP ResultData::FindItemByLParam(LPARAM lParam, HRESULTITEM* pItemID) {
    CResultList* list = ListOf(m_outer);
    return list ? list->FindItemByLParam(lParam, pItemID) : E_UNEXPECTED;
}

STDMETHODIMP ResultData::DeleteAllRsltItems() {
    CResultList* list = ListOf(m_outer);
    if (!list) return E_UNEXPECTED;
    HRESULT hr = list->DeleteAllRsltItems();
    m_outer->View()->RowsRemoved();
    return hr;
}

STDMETHODIMP ResultData::SetItem(LPRESULTDATAITEM item) {
    CResultList* list = ListOf(m_outer);
    return list ? list->SetItem(item) : E_UNEXPECTED;
}

STDMETHODIMP ResultData::GetItem(LPRESULTDATAITEM item) {
    CResultList* list = ListOf(m_outer);
    return list ? list->GetItem(item) : E_UNEXPECTED;
}

STDMETHODIMP ResultData::GetNextItem(LPRESULTDATAITEM item) {
    CResultList* list = ListOf(m_outer);
    return list ? list->GetNextItem(item) : E_UNEXPECTED;
}

STDMETHODIMP ResultData::ModifyItemState(int nIndex, HRESULTITEM itemID, UINT uAdd, UINT uRemove) {
    CResultList* list = ListOf(m_outer);
    if (!list) return E_UNEXPECTED;
    CRow before;
    bool known = itemID ? list->FindRow(list->IsOwnerData() ? CRow::Virtual : CRow::Item, itemID, &before)
                        : (nIndex >= 0 && nIndex < list->RowCount() && (before = list->RowAt(nIndex), true));
    CRow after;
    HRESULT hr = list->ModifyItemState(nIndex, itemID, uAdd, uRemove, &after);
    if (SUCCEEDED(hr) && known) m_outer->View()->RowStateChanged(after, before.state);
    return hr;
}

STDMETHODIMP ResultData::ModifyViewStyle(MMC_RESULT_VIEW_STYLE, MMC_RESULT_VIEW_STYLE) {
    return ListOf(m_outer) ? S_OK : E_UNEXPECTED; // the styles only change how a list is drawn
}

STDMETHODIMP ResultData::SetViewMode(long lViewMode) {
    if (!ListOf(m_outer)) return E_UNEXPECTED;
    m_outer->m_viewMode = lViewMode;
    return S_OK;
}

STDMETHODIMP ResultData::GetViewMode(long* lViewMode) {
    if (!lViewMode) return E_POINTER;
    if (!ListOf(m_outer)) return E_UNEXPECTED;
    *lViewMode = m_outer->m_viewMode;
    return S_OK;
}

// The console asks for texts whenever it draws, so an updated item needs nothing more than to exist.
STDMETHODIMP ResultData::UpdateItem(HRESULTITEM itemID) {
    CResultList* list = ListOf(m_outer);
    if (!list) return E_UNEXPECTED;
    CRow row;
    return list->FindRow(list->IsOwnerData() ? CRow::Virtual : CRow::Item, itemID, &row) ? S_OK
                                                                                         : E_INVALIDARG;
}

STDMETHODIMP ResultData::Sort(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) {
    if (!ListOf(m_outer)) return E_UNEXPECTED;
    return m_outer->View()->SortFromSnapin(nColumn, dwSortOptions, lUserParam);
}

STDMETHODIMP ResultData::SetDescBarText(LPOLESTR DescText) {
    if (!ListOf(m_outer)) return E_UNEXPECTED;
    m_outer->View()->SetDescriptionText(DescText);
    return S_OK;
}

STDMETHODIMP ResultData::SetItemCount(int nItemCount, DWORD dwOptions) {
    CResultList* list = ListOf(m_outer);
    if (!list) return E_UNEXPECTED;
    HRESULT hr = list->SetItemCount(nItemCount, dwOptions);
    if (SUCCEEDED(hr)) m_outer->View()->RowsRemoved();
    return hr;
}

// The column header ---------------------------------------------------------------------------------------

STDMETHODIMP HeaderCtrl2::InsertColumn(int nCol, LPCWSTR title, int nFormat, int nWidth) {
    CResultList* list = ListOf(m_outer);
    return list ? list->InsertColumn(nCol, title, nFormat, nWidth) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::DeleteColumn(int nCol) {
    CResultList* list = ListOf(m_outer);
    return list ? list->DeleteColumn(nCol) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::SetColumnText(int nCol, LPCWSTR title) {
    CResultList* list = ListOf(m_outer);
    return list ? list->SetColumnText(nCol, title) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::GetColumnText(int nCol, LPOLESTR* pText) {
    CResultList* list = ListOf(m_outer);
    return list ? list->GetColumnText(nCol, pText) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::SetColumnWidth(int nCol, int nWidth) {
    CResultList* list = ListOf(m_outer);
    return list ? list->SetColumnWidth(nCol, nWidth) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::GetColumnWidth(int nCol, int* pWidth) {
    CResultList* list = ListOf(m_outer);
    return list ? list->GetColumnWidth(nCol, pWidth) : E_UNEXPECTED;
}

// Filter changes are reported as soon as the text changes; there is no typing delay to set.
STDMETHODIMP HeaderCtrl2::SetChangeTimeOut(unsigned long) {
    return ListOf(m_outer) ? S_OK : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::SetColumnFilter(UINT nColumn, DWORD dwType, MMC_FILTERDATA* pFilterData) {
    CResultList* list = ListOf(m_outer);
    return list ? list->SetColumnFilter(nColumn, dwType, pFilterData) : E_UNEXPECTED;
}

STDMETHODIMP HeaderCtrl2::GetColumnFilter(UINT nColumn, LPDWORD pdwType, MMC_FILTERDATA* pFilterData) {
    CResultList* list = ListOf(m_outer);
    return list ? list->GetColumnFilter(nColumn, pdwType, pFilterData) : E_UNEXPECTED;
}

} // namespace Console
