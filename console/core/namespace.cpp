// IConsoleNameSpace2 as the console offers it to a snap-in: the scope tree's own rules live in
// scopetree.cpp; here a snap-in may change and delete only the items it inserted, and inserting or
// deleting goes through the console so that the views follow.
#include "objects.h"

#include "console.h"

namespace Console {

using NameSpace2 = CConsoleObject::NameSpace2;

STDMETHODIMP NameSpace2::InsertItem(LPSCOPEDATAITEM item) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->InsertScopeItem(m_outer->Snapin(), item);
}

STDMETHODIMP NameSpace2::DeleteItem(HSCOPEITEM hItem, long fDeleteThis) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->DeleteScopeItem(m_outer->Snapin(), hItem, fDeleteThis != 0);
}

STDMETHODIMP NameSpace2::SetItem(LPSCOPEDATAITEM item) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    if (!item) return E_POINTER;
    if (m_outer->Owner()->SnapinOf(item->ID) != m_outer->Snapin()) return E_INVALIDARG;
    return m_outer->Owner()->Tree().SetItem(item);
}

STDMETHODIMP NameSpace2::GetItem(LPSCOPEDATAITEM item) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->Tree().GetItem(item);
}

STDMETHODIMP NameSpace2::GetChildItem(HSCOPEITEM item, HSCOPEITEM* pItemChild, MMC_COOKIE* pCookie) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->Tree().GetChildItem(item, pItemChild, pCookie);
}

STDMETHODIMP NameSpace2::GetNextItem(HSCOPEITEM item, HSCOPEITEM* pItemNext, MMC_COOKIE* pCookie) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->Tree().GetNextItem(item, pItemNext, pCookie);
}

STDMETHODIMP NameSpace2::GetParentItem(HSCOPEITEM item, HSCOPEITEM* pItemParent, MMC_COOKIE* pCookie) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    return m_outer->Owner()->Tree().GetParentItem(item, pItemParent, pCookie);
}

// Expands in the namespace only: the snap-in is asked for the children without any view showing them.
STDMETHODIMP NameSpace2::Expand(HSCOPEITEM hItem) {
    if (!m_outer->Live()) return E_UNEXPECTED;
    if (!m_outer->Owner()->Exists(hItem)) return E_INVALIDARG;
    return m_outer->Owner()->ExpandOnce(hItem);
}

// Namespace extensions are other snap-ins extending this one's items; the console loads none.
STDMETHODIMP NameSpace2::AddExtension(HSCOPEITEM, LPCLSID) {
    return E_NOTIMPL;
}

} // namespace Console
