// CLogin: a login's verbs, its deletion on the user's word, and its property pages.
#include "msde/nodes/login.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/location.h"
#include "msde/propertypages/loginpages.h"
#include "msde/nodes/logins.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {54C19FD1-2412-4983-B3CF-A8AD8968A914}
DEFINE_GUID(NODETYPE_Login, 0x54C19FD1, 0x2412, 0x4983, 0xB3, 0xCF, 0xA8, 0xAD, 0x89, 0x68, 0xA9, 0x14);

const Snapins::SNAPINVERB kVerbs[] = {
    {Snapins::kEnableVerb, MMC_VERB_DELETE},
    {Snapins::kEnableVerb, MMC_VERB_PROPERTIES},
    {Snapins::kDefaultVerb, MMC_VERB_PROPERTIES},
};
} // namespace

CLogin::CLogin(std::wstring name) : m_name(std::move(name)) {
    m_isScopeItem = 0;
    m_imageIndex = 13;
    m_openImageIndex = 13;
    m_helpTopic = L"::login.htm";
    m_verbs = kVerbs;
}

const std::wstring CLogin::GetDisplayText(int) {
    return m_name;
}

const GUID* CLogin::GetNodeType() {
    return &NODETYPE_Login;
}

std::wstring CLogin::ServerName() const {
    auto* logins = dynamic_cast<CLogins*>(m_parent);
    return logins ? logins->ServerName() : std::wstring();
}

// Removing the result item removes the node from the container, which deletes the user from the
// library.
HRESULT CLogin::OnDelete(IConsole* console) {
    if (!console) return E_POINTER;
    int answer = 0;
    HRESULT hr = console->MessageBox(Snapins::LoadResString(IDS_CONFIRM_DELETE_LOGIN).c_str(), m_name.c_str(),
                                     MB_YESNO | MB_ICONQUESTION, &answer);
    if (SUCCEEDED(hr) && answer == IDYES) return DeleteResultItem(console); // this node is gone now
    return hr;
}

// The Permissions page only for administrators; the sheet's notify handle is freed by the last page.
HRESULT CLogin::CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) {
    CWaitCursor wait;
    HRESULT hr = CBaseNode::CreatePropertyPages(callback, notifyHandle);
    if (!callback) return hr;
    const bool administrator = IsCurrentUserAdministrator();
    auto* general = new PropertyPages::CLoginGeneralPage(this, administrator ? 0 : notifyHandle);
    KeepPage(general);
    if (HPROPSHEETPAGE page = general->CreatePropertyPage(IDD_LOGIN_GENERAL, IDS_PAGE_GENERAL))
        callback->AddPage(page);
    if (!administrator) return hr;
    auto* permissions = new PropertyPages::CLoginPermissionPage(this, notifyHandle);
    KeepPage(permissions);
    if (HPROPSHEETPAGE page = permissions->CreatePropertyPage(IDD_LOGIN_PERMISSIONS, IDS_PAGE_PERMISSIONS))
        callback->AddPage(page);
    return hr;
}

HRESULT CLogin::QueryPagesFor() {
    return S_OK;
}

} // namespace MSDE::Nodes
