// CManagement: the container of the server agent, or the notice for servers it does not manage.
#include "msde/nodes/management.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/sqlagent.h"
#include "tvcom.h"

namespace MSDE::Nodes {

namespace {
// {9A6FBEEB-EACB-474C-915B-482F25E1CD38}
DEFINE_GUID(NODETYPE_Management, 0x9A6FBEEB, 0xEACB, 0x474C, 0x91, 0x5B, 0x48, 0x2F, 0x25, 0xE1, 0xCD, 0x38);
} // namespace

CManagement::CManagement(bool olderServer) : m_olderServer(olderServer) {
    m_imageIndex = 3;
    m_openImageIndex = 4;
    m_helpTopic = L"::management.htm";
    // A newer server's container stays empty: the console draws no expand button for it.
    if (!m_olderServer) m_noScopeChildren = true;
}

const std::wstring CManagement::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_MANAGEMENT);
}

const GUID* CManagement::GetNodeType() {
    return &NODETYPE_Management;
}

HRESULT CManagement::GetResultViewType(LPOLESTR* viewType, long* viewOptions) {
    if (viewOptions) *viewOptions = MMC_VIEW_OPTIONS_NONE;
    if (!viewType) return E_POINTER;
    *viewType = nullptr;
    if (m_olderServer) return S_OK;
    // The console frees the text; when it cannot be made the pane stays the default list.
    if (FAILED(StringFromCLSID(CLSID_MessageView, viewType))) *viewType = nullptr;
    return S_OK;
}

HRESULT CManagement::OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) {
    if (selecting && !m_olderServer) return ShowNewerServerNotice(console, item);
    return CBaseNode::OnShow(console, selecting, item);
}

HRESULT CManagement::ShowNewerServerNotice(IConsole* console, HSCOPEITEM item) {
    tvcom::ComPtr<IUnknown> view;
    if (!console || FAILED(console->QueryResultView(view.Receive())) || !view)
        return CBaseNode::OnShow(console, TRUE, item);
    auto message = view.As<IMessageView>();
    if (!message) return S_OK;
    message->SetIcon(Icon_Warning);
    message->SetTitleText(Snapins::LoadResString(IDS_NEWER_SERVER_TITLE).c_str());
    std::wstring body = Snapins::LoadResString(IDS_NEWER_SERVER_TEXT) + L"\n\n" +
                        Snapins::LoadResString(IDS_NEWER_SERVER_TOOLS);
    message->SetBodyText(body.c_str());
    return S_OK;
}

HRESULT CManagement::CreateChildren(IConsole*) {
    if (m_children.empty() && m_olderServer) AddChild(new CSQLAgent(), true);
    return S_OK;
}

} // namespace MSDE::Nodes
