// CServer: the connection of a registered server, the logon failure page, the Connect As dialog, and
// the removal of the registration.
#include "msde/nodes/server.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/connection.h"
#include "msde/dialogs/serverconnectas.h"
#include "msde/propertypages/serverpages.h"
#include "msde/nodes/databases.h"
#include "msde/nodes/management.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/security.h"
#include "msde/nodes/servers.h"
#include "tvcom.h"

namespace MSDE::Nodes {

namespace {
// {02B21E26-C7D5-4056-988E-04D0541D4636}
DEFINE_GUID(NODETYPE_Server, 0x02B21E26, 0xC7D5, 0x4056, 0x98, 0x8E, 0x04, 0xD0, 0x54, 0x1D, 0x46, 0x36);

const Snapins::SNAPINMENUITEM kMenu[] = {
    {IDS_MENU_CONNECT_AS, IDS_STATUS_CONNECT_AS, IDM_CONNECT_AS, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

// Only a connected server has properties.
const Snapins::SNAPINVERB kVerbs[] = {{Snapins::kEnableVerb, MMC_VERB_DELETE}};
const Snapins::SNAPINVERB kConnectedVerbs[] = {
    {Snapins::kEnableVerb, MMC_VERB_DELETE},
    {Snapins::kEnableVerb, MMC_VERB_PROPERTIES},
    {Snapins::kDefaultVerb, MMC_VERB_PROPERTIES},
};

// A text property of the server; empty when it cannot be read.
template <class Getter> std::wstring ReadText(const ServerPtr& server, Getter getter) {
    BSTR text = nullptr;
    if (FAILED((raw(server)->*getter)(&text))) return {};
    return TakeText(text);
}
} // namespace

CServer::CServer(std::wstring serverName) : m_serverName(std::move(serverName)) {
    m_imageIndex = 2;
    m_openImageIndex = 2;
    m_helpTopic = L"::server.htm";
    m_verbs = kVerbs;
}

CServer::~CServer() {
    m_server = ServerPtr();
}

const std::wstring CServer::GetDisplayText(int column) {
    switch (column) {
    case 0:
        return m_serverName;
    case 1:
        return m_language;
    case 2:
        return m_version;
    case 3:
        return m_serverText;
    default:
        return {};
    }
}

const GUID* CServer::GetNodeType() {
    return &NODETYPE_Server;
}

HRESULT CServer::Connect() {
    if (raw(m_server)) return S_OK; // one attempt per server object, until ConnectAs drops it
    HRESULT hr = S_OK;
    m_server = CreateDmo<IWSQLDMOServer>(CLSID_SQLDMOServer, IID_IWSQLDMOServer, &hr);
    if (FAILED(hr) || !raw(m_server)) {
        OutputDebugStringA("The object model's server object could not be created\n");
        m_server = ServerPtr();
        return S_OK;
    }
    hr = ConnectServer(m_server, m_serverName, {m_login, m_password});
    if (FAILED(hr)) {
        m_noScopeChildren = true;
        // The description must be taken now, before another failing call replaces it.
        m_errorText.clear();
        if (detail::DmoMessage* message = detail::TakeDescription(IID_IWSQLDMOServer, raw(m_server))) {
            m_errorText = message->wide;
            detail::Release(message);
        }
        return hr;
    }

    m_connected = true;
    m_verbs = kConnectedVerbs;
    m_errorText.clear();
    m_language = ReadText(m_server, &IWSQLDMOServer::GetLanguage);
    m_version = ReadText(m_server, &IWSQLDMOServer::GetVersionString);
    for (wchar_t& c : m_version)
        if (c == L'\n' || c == L'\t') c = L' ';
    // The computer the server runs on, as it names itself: equal to this computer's name for a local
    // server, which is how the backup and restore decide that a server is local.
    m_serverText = ReadText(m_server, &IWSQLDMOServer::GetNetName);
    if (m_children.empty()) {
        LONG major = 0;
        if (SUCCEEDED(raw(m_server)->GetVersionMajor(&major))) m_olderServer = major < 9;
        // The flag is what the containers under a server (databases, management, security) are given;
        // this node makes no container itself.
    }
    return hr;
}

ServerPtr CServer::Server() {
    if (!raw(m_server)) Connect();
    return m_server;
}

HRESULT CServer::GetResultViewType(LPOLESTR* viewType, long* viewOptions) {
    if (viewOptions) *viewOptions = MMC_VIEW_OPTIONS_NONE;
    if (!viewType) return E_POINTER;
    *viewType = nullptr;
    if (m_connected) return S_OK;
    // The console frees the text.
    return StringFromCLSID(CLSID_MessageView, viewType);
}

HRESULT CServer::OnExpand(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM item) {
    Connect();
    return CBaseNode::OnExpand(nameSpace, console, item);
}

HRESULT CServer::OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) {
    if (selecting && !m_connected) return ShowLogonFailure(console);
    return CBaseNode::OnShow(console, selecting, item);
}

HRESULT CServer::ShowLogonFailure(IConsole* console) {
    if (!console) return S_OK;
    tvcom::ComPtr<IUnknown> view;
    if (FAILED(console->QueryResultView(view.Receive())) || !view) return S_OK;
    auto message = view.As<IMessageView>();
    if (!message) return S_OK;
    message->SetIcon(Icon_Warning);
    message->SetTitleText(Snapins::LoadResString(IDS_LOGON_FAILURE_TITLE).c_str());
    std::wstring body = Snapins::LoadResString(IDS_LOGON_FAILURE_TEXT) + L"\n\n" + m_errorText;
    message->SetBodyText(body.c_str());
    return S_OK;
}

HRESULT CServer::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    return AddMenuItemsFromTable(callback, kMenu, insertionAllowed);
}

HRESULT CServer::OnMenuCommand(IConsole* console, long commandId, IComponent*, IComponentData*,
                               IDataObject*) {
    if (commandId == IDM_CONNECT_AS) return ConnectAs(console);
    return S_FALSE;
}

// The console gets E_FAIL whatever the user chose: the views are brought up to date here.
HRESULT CServer::ConnectAs(IConsole* console) {
    HWND mainWindow = nullptr;
    if (console) console->GetMainWindow(&mainWindow);
    Dialogs::CServerConnectAs dialog(m_login, m_password);
    if (dialog.DoModal(IDD_CONNECT_AS, mainWindow) == IDOK) {
        m_login = dialog.login;
        m_password = dialog.password;
        // The node shows what the new server object is: connected only when it connects.
        m_server = ServerPtr();
        m_connected = false;
        m_verbs = kVerbs;
        Connect();
        if (console) console->UpdateAllViews(nullptr, static_cast<LPARAM>(m_scopeItem), 1);
    }
    return E_FAIL;
}

HRESULT CServer::CreateChildren(IConsole*) {
    if (!m_connected || !m_children.empty()) return S_OK;
    AddChild(new CDatabases(m_olderServer), true);
    AddChild(new CManagement(m_olderServer), true);
    AddChild(new CSecurity(), true); // the logins of the storage-area access library
    return S_OK;
}

// Each page is kept by the node before the sheet gets it, so the node deletes it whatever happens.
HRESULT CServer::CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) {
    HRESULT hr = CBaseNode::CreatePropertyPages(callback, notifyHandle);
    if (!callback) return hr;
    auto* logins = new PropertyPages::CServerLoginsPage(this);
    KeepPage(logins);
    if (HPROPSHEETPAGE page = logins->CreatePropertyPage(IDD_SERVER_LOGINS, IDS_PAGE_LOGINS))
        callback->AddPage(page);
    auto* devices = new PropertyPages::CServerBackupDevicesPage(this);
    KeepPage(devices);
    if (HPROPSHEETPAGE page = devices->CreatePropertyPage(IDD_SERVER_BACKUP_DEVICES, IDS_PAGE_BACKUP_DEVICES))
        callback->AddPage(page);
    return hr;
}

HRESULT CServer::QueryPagesFor() {
    if (!m_connected) Connect();
    return m_connected ? S_OK : S_FALSE;
}

HRESULT CServer::OnDelete(IConsole* console) {
    if (!console) return E_POINTER;
    std::wstring text = FillTemplate(Snapins::LoadResString(IDS_CONFIRM_REMOVE_SERVER), m_serverName);
    std::wstring caption = Snapins::LoadResString(IDS_SNAPIN_NAME);
    int answer = 0;
    HRESULT hr = console->MessageBox(text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION, &answer);
    if (FAILED(hr) || answer != IDYES) return S_OK;
    auto* group = dynamic_cast<CServers*>(m_parent);
    if (!group) return S_OK;
    ServerGroupPtr serverGroup = group->FindGroup();
    if (!raw(serverGroup)) return S_OK;
    RegisteredServersPtr servers;
    // A registration that cannot be removed leaves the node in place.
    if (FAILED(raw(serverGroup)->GetRegisteredServers(out(servers))) || !raw(servers) ||
        FAILED(raw(servers)->RemoveByName(m_serverName.c_str())))
        return S_OK;
    DeleteScopeItem(console); // this node is gone now
    return S_OK;
}

} // namespace MSDE::Nodes
