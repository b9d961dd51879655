// CUsers: every user of the library with the access to this storage area that the library gives.
#include "msde/nodes/users.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/dbaccess.h"
#include "msde/nodes/logins.h"
#include "msde/nodes/user.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {2AA31610-7C60-4D5B-853E-730A38DEBA7A}
DEFINE_GUID(NODETYPE_Users, 0x2AA31610, 0x7C60, 0x4D5B, 0x85, 0x3E, 0x73, 0x0A, 0x38, 0xDE, 0xBA, 0x7A);

const UINT kColumns[] = {IDS_COLUMN_NAME, IDS_COLUMN_READ, IDS_COLUMN_WRITE};
} // namespace

CUsers::CUsers() {
    m_imageIndex = 14;
    m_openImageIndex = 14;
    m_noScopeChildren = true;
    m_childrenHaveNoChildren = true;
    m_helpTopic = L"::users.htm";
    m_columns = kColumns;
    m_verbs = Snapins::kRefreshVerbs;
}

// Not a resource string: the name is the same in every language.
const std::wstring CUsers::GetDisplayText(int) {
    return L"Users";
}

const GUID* CUsers::GetNodeType() {
    return &NODETYPE_Users;
}

std::wstring CUsers::AreaName() const {
    return m_parent ? m_parent->GetDisplayText(0) : std::wstring();
}

std::wstring CUsers::ServerName() const {
    CBaseNode* databases = m_parent ? m_parent->Parent() : nullptr;
    CBaseNode* server = databases ? databases->Parent() : nullptr;
    return server ? server->GetDisplayText(0) : std::wstring();
}

HRESULT CUsers::CreateChildren(IConsole*) {
    if (!m_children.empty()) return S_OK;
    CWaitCursor wait;
    try {
        const std::wstring server = ServerName();
        CDBAccessModule logins(server, L"UserPerm");
        logins.Connect();
        std::vector<std::wstring> users = ListLibraryUsers(logins);
        if (!users.empty()) {
            const std::wstring areaName = AreaName();
            CDBAccessModule area(server, areaName.c_str());
            area.Connect();
            for (const std::wstring& name : users) {
                // Access never stored is granted; a user the library no longer knows keeps the preset.
                int read = 1, write = 1;
                area.GetUserDBPermission(name, read, write);
                AddChild(new CUser(name, read > 0, write > 0), true);
            }
            area.Disconnect();
        }
        logins.Disconnect();
    } catch (const dbaccess_exception& error) {
        TraceLibraryFailure(error);
    }
    return S_OK;
}

} // namespace MSDE::Nodes
