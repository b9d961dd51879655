// CUser: a user's row and the commands that grant or deny its read and write access to the storage area.
#include "msde/nodes/user.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/dbaccess.h"
#include "msde/location.h"
#include "msde/nodes/logins.h"
#include "msde/nodes/users.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {3E080B54-E3E8-4F5C-BBBE-AE513F6A4C4D}
DEFINE_GUID(NODETYPE_User, 0x3E080B54, 0xE3E8, 0x4F5C, 0xBB, 0xBE, 0xAE, 0x51, 0x3F, 0x6A, 0x4C, 0x4D);

constexpr UINT kTask = CCM_INSERTIONPOINTID_PRIMARY_TASK;
} // namespace

CUser::CUser(std::wstring name, bool read, bool write)
    : m_name(std::move(name)), m_read(read), m_write(write) {
    m_isScopeItem = 0;
    m_imageIndex = 14;
    m_openImageIndex = 14;
    m_helpTopic = L"::user.htm";
}

const std::wstring CUser::GetDisplayText(int column) {
    switch (column) {
    case 0:
        return m_name;
    case 1:
        return Snapins::LoadResString(m_read ? IDS_YES : IDS_NO);
    case 2:
        return Snapins::LoadResString(m_write ? IDS_YES : IDS_NO);
    default:
        return {};
    }
}

const GUID* CUser::GetNodeType() {
    return &NODETYPE_User;
}

// Each item offers the opposite of what the user has now.
HRESULT CUser::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    if (!IsCurrentUserAdministrator()) return S_FALSE;
    const Snapins::SNAPINMENUITEM menu[] = {
        m_read ? Snapins::SNAPINMENUITEM{IDS_MENU_DISABLE_READ, IDS_STATUS_DISABLE_READ, IDM_DISABLE_READ,
                                         kTask, 0, 0}
               : Snapins::SNAPINMENUITEM{IDS_MENU_ENABLE_READ, IDS_STATUS_ENABLE_READ, IDM_ENABLE_READ, kTask,
                                         0, 0},
        m_write ? Snapins::SNAPINMENUITEM{IDS_MENU_DISABLE_WRITE, IDS_STATUS_DISABLE_WRITE, IDM_DISABLE_WRITE,
                                          kTask, 0, 0}
                : Snapins::SNAPINMENUITEM{IDS_MENU_ENABLE_WRITE, IDS_STATUS_ENABLE_WRITE, IDM_ENABLE_WRITE,
                                          kTask, 0, 0},
        {0, 0, 0, 0, 0, 0},
    };
    return AddMenuItemsFromTable(callback, menu, insertionAllowed);
}

// Both values are read from the library first, so that a change made elsewhere to the other one is kept;
// a store that fails leaves the row as it was.
HRESULT CUser::OnMenuCommand(IConsole* console, long commandId, IComponent*, IComponentData*, IDataObject*) {
    if (commandId < IDM_DISABLE_READ || commandId > IDM_ENABLE_WRITE) return S_FALSE;
    CWaitCursor wait;
    auto* users = dynamic_cast<CUsers*>(m_parent);
    if (!users) return S_OK;
    try {
        const std::wstring areaName = users->AreaName();
        CDBAccessModule area(users->ServerName(), areaName.c_str());
        int read = 1, write = 1;
        area.GetUserDBPermission(m_name, read, write);
        switch (commandId) {
        case IDM_DISABLE_READ:
            read = 0;
            break;
        case IDM_ENABLE_READ:
            read = 1;
            break;
        case IDM_DISABLE_WRITE:
            write = 0;
            break;
        default:
            write = 1;
            break;
        }
        if (area.SetUserDBPermission(m_name, read > 0 ? 1 : 0, write > 0 ? 1 : 0) == 0) return S_OK;
        if (commandId == IDM_DISABLE_READ || commandId == IDM_ENABLE_READ)
            m_read = commandId == IDM_ENABLE_READ;
        else
            m_write = commandId == IDM_ENABLE_WRITE;
    } catch (const dbaccess_exception& error) {
        TraceLibraryFailure(error);
        return S_OK;
    }
    if (console) console->UpdateAllViews(nullptr, static_cast<LPARAM>(m_resultItem), 2);
    return S_OK;
}

} // namespace MSDE::Nodes
