// IMessageView: the result pane that shows a title, a body and an icon instead of a list, when a snap-in
// names the message view in GetResultViewType. It starts empty each time an item shows it.
#include "objects.h"

#include "view.h"

namespace Console {

STDMETHODIMP CMessageViewObject::SetTitleText(LPCOLESTR pszTitleText) {
    if (!m_view) return E_UNEXPECTED;
    m_view->MutableMessage().title = pszTitleText ? pszTitleText : L"";
    return S_OK;
}

STDMETHODIMP CMessageViewObject::SetBodyText(LPCOLESTR pszBodyText) {
    if (!m_view) return E_UNEXPECTED;
    m_view->MutableMessage().body = pszBodyText ? pszBodyText : L"";
    return S_OK;
}

STDMETHODIMP CMessageViewObject::SetIcon(IconIdentifier id) {
    if (!m_view) return E_UNEXPECTED;
    if (id != Icon_None && (id < Icon_First || id > Icon_Last)) return E_INVALIDARG;
    m_view->MutableMessage().icon = id;
    return S_OK;
}

STDMETHODIMP CMessageViewObject::Clear() {
    if (!m_view) return E_UNEXPECTED;
    m_view->MutableMessage() = CMessage();
    return S_OK;
}

} // namespace Console
