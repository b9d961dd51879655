// CLogins: the users of the storage-area access library as login nodes, their removal from the library,
// and the Add / Modify Login wizard's run; also the listing of the library's users that the Users
// container shares.
#include "msde/nodes/logins.h"

#include <cstring>

#include "resources/resource.h"
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

const UINT kColumns[] = {IDS_COLUMN_NAME};
const Snapins::SNAPINWIZARDPICTURES kWizardPictures[] = {{IDB_LOGIN_WATERMARK, IDB_LOGIN_HEADER, TRUE}};

// The container's one wizard, Add / Modify Login.
constexpr int kLoginWizard = 1;
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
    m_helpTopic = L"::logins.htm";
    m_columns = kColumns;
    m_verbs = Snapins::kRefreshVerbs;
    m_wizardPictures = kWizardPictures;
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
    // The wizard may add users or change their permissions: the refresh at its end shows them.
    RunNodeWizard(kLoginWizard, console, component, componentData, dataObject);
    return S_OK;
}

HRESULT CLogins::QueryPagesFor() {
    return m_wizardSelector == kLoginWizard ? S_OK : S_FALSE;
}

} // namespace MSDE::Nodes
