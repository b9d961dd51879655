// CLogins: the users of the storage-area access library as login nodes, their removal from the library,
// and the Add / Modify Login wizard's run; also the listing of the library's users that the Users
// container shares.
#include "msde/nodes/logins.h"

#include <cstring>

#include "resources/resource.h"
#include "snapins/consoleptr.h"
#include "snapins/module.h"
#include "snapins/resstring.h"
#include "msde/dbaccess.h"
#include "msde/location.h"
#include "msde/nodes/login.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {9118355C-F8B8-45F9-8639-1836CBE23854}
DEFINE_GUID(NODETYPE_Logins, 0x9118355C, 0xF8B8, 0x45F9, 0x86, 0x39, 0x18, 0x36, 0xCB, 0xE2, 0x38, 0x54);

const Snapins::SNAPINMENUITEM kMenu[] = {
    {IDS_MENU_ADD_LOGINS, IDS_STATUS_ADD_LOGINS, IDM_ADD_LOGINS, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

const wchar_t kUserPerm[] = L"UserPerm";

HBITMAP WizardBitmap(UINT id) {
    return LoadBitmapW(Snapins::SnapinModule().resourceModule, MAKEINTRESOURCEW(id));
}
} // namespace

std::vector<std::wstring> ListLibraryUsers(CDBAccessModule& library) {
    int count = 0;
    if (library.GetUserCount(count) != 1) {
        if (library.CreateUserTables() != 1 || library.GetUserCount(count) != 1) return {};
    }
    if (count <= 0) return {};
    std::vector<char> names(static_cast<size_t>(count) * CDBAccessModule::kNameBytes);
    std::vector<char> text50(static_cast<size_t>(count) * CDBAccessModule::kText50Bytes);
    std::vector<char> text30(static_cast<size_t>(count) * CDBAccessModule::kText30Bytes);
    std::vector<int> numbers(static_cast<size_t>(count));
    int filled = library.GetUsers(names.data(), text50.data(), text30.data(), numbers.data(), count);
    std::vector<std::wstring> users;
    // Another console may have removed users since the count: only the fields filled are read.
    for (int i = 0; i < filled && i < count; ++i) {
        const char* field = &names[static_cast<size_t>(i) * CDBAccessModule::kNameBytes];
        int bytes = static_cast<int>(strnlen(field, CDBAccessModule::kNameBytes));
        int chars = MultiByteToWideChar(CP_ACP, 0, field, bytes, nullptr, 0);
        std::wstring name(chars > 0 ? chars : 0, L'\0');
        if (chars > 0) MultiByteToWideChar(CP_ACP, 0, field, bytes, name.data(), chars);
        users.push_back(std::move(name));
    }
    return users;
}

void TraceLibraryFailure(const std::exception& error) {
    std::string text = std::string("The storage-area access library failed in ") + error.what() + "\n";
    OutputDebugStringA(text.c_str());
}

CLogins::CLogins() {
    m_imageIndex = 12;
    m_openImageIndex = 12;
    m_noScopeChildren = true;
    m_childrenHaveNoChildren = true;
}

const std::wstring CLogins::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_LOGINS);
}

const GUID* CLogins::GetNodeType() {
    return &NODETYPE_Logins;
}

std::wstring CLogins::ServerName() const {
    CBaseNode* server = m_parent ? m_parent->Parent() : nullptr;
    return server ? server->GetDisplayText(0) : std::wstring();
}

HRESULT CLogins::CreateChildren(IConsole*) {
    if (!m_children.empty()) return S_OK;
    CWaitCursor wait;
    try {
        // The listing names UserPerm but works without a connection.
        CDBAccessModule library(ServerName(), kUserPerm);
        for (const std::wstring& name : ListLibraryUsers(library))
            AddChild(new CLogin(name), true);
        library.Disconnect();
    } catch (const dbaccess_exception& error) {
        TraceLibraryFailure(error);
    }
    return S_OK;
}

void CLogins::RemoveChild(IConsole* console, CBaseNode* child) {
    CBaseNode::RemoveChild(console, child);
    if (!child) return;
    try {
        CDBAccessModule library(ServerName());
        library.DeleteUser(child->GetDisplayText(0));
    } catch (const dbaccess_exception& error) {
        TraceLibraryFailure(error);
    }
}

HRESULT CLogins::OnSelect(IConsole* console, BOOL, BOOL select) {
    if (!select) return S_FALSE;
    if (!console) return E_POINTER;
    IConsoleVerb* verbs = nullptr;
    HRESULT hr = console->QueryConsoleVerb(&verbs);
    if (FAILED(hr) || !verbs) return FAILED(hr) ? hr : E_NOINTERFACE;
    hr = verbs->SetVerbState(MMC_VERB_REFRESH, ENABLED, TRUE);
    verbs->Release();
    return hr;
}

// The logins leave without RemoveChild, which would also delete their users from the library.
HRESULT CLogins::OnRefresh(IConsole* console) {
    Initialize();
    std::vector<CBaseNode*> children;
    children.swap(m_children);
    for (CBaseNode* child : children)
        delete child;
    if (!console) return E_POINTER;
    return console->UpdateAllViews(nullptr, static_cast<LPARAM>(m_scopeItem), 1);
}

HRESULT CLogins::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    if (!IsCurrentUserAdministrator()) return S_FALSE;
    return AddMenuItemsFromTable(callback, kMenu, insertionAllowed);
}

HRESULT CLogins::OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                               IComponentData* componentData, IDataObject* dataObject) {
    if (commandId != IDM_ADD_LOGINS) return S_OK;
    m_wizardRunning = true;
    RunWizard(console, component, componentData, dataObject);
    EndWizard();
    m_wizardRunning = false;
    // The wizard may have added users or changed their permissions.
    OnRefresh(console);
    return S_OK;
}

HRESULT CLogins::QueryPagesFor() {
    return m_wizardRunning ? S_OK : S_FALSE;
}

// Loaded once and kept: the console draws them for every run of the wizard and frees none of them.
HRESULT CLogins::GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) {
    static HBITMAP loginWatermark = WizardBitmap(IDB_LOGIN_WATERMARK);
    static HBITMAP loginHeader = WizardBitmap(IDB_LOGIN_HEADER);
    if (watermark) *watermark = loginWatermark;
    if (header) *header = loginHeader;
    if (palette) *palette = nullptr;
    if (stretch) *stretch = TRUE;
    return S_OK;
}

HRESULT CLogins::OnContextHelp(IDisplayHelp* displayHelp, const std::wstring& helpFile) {
    if (!displayHelp) return E_POINTER;
    std::wstring topic = helpFile + L"::logins.htm";
    return displayHelp->ShowTopic(topic.data());
}

HRESULT CLogins::InsertColumns(IHeaderCtrl* header) {
    if (!header) return E_POINTER;
    return header->InsertColumn(0, Snapins::LoadResString(IDS_COLUMN_NAME).c_str(), LVCFMT_LEFT, MMCLV_AUTO);
}

} // namespace MSDE::Nodes
