// CDatabases: the enumeration of a server's storage areas, the list's columns, and the Backup and
// Restore wizards started from the container; also what the container and its database nodes share:
// the wizards' pictures, the local-server test, the wizard menu items and the wizard run.
#include "msde/nodes/databases.h"

#include <memory>
#include <vector>

#include "iterators/databaseiterator.h"
#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/dbaccess.h"
#include "msde/connection.h"
#include "msde/wizards/backup/backup.h"
#include "msde/wizards/restore/restore.h"
#include "msde/nodes/database.h"
#include "msde/nodes/server.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {A266B7BD-DECB-459B-8063-310DD9FECFFB}
DEFINE_GUID(NODETYPE_Databases, 0xA266B7BD, 0xDECB, 0x459B, 0x80, 0x63, 0x31, 0x0D, 0xD9, 0xFE, 0xCF, 0xFB);

const Snapins::SNAPINMENUITEM kBackupMenu[] = {
    {IDS_MENU_BACKUP, IDS_STATUS_BACKUP, IDM_BACKUP, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};
const Snapins::SNAPINMENUITEM kRestoreMenu[] = {
    {IDS_MENU_RESTORE, IDS_STATUS_RESTORE, IDM_RESTORE, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

const UINT kColumns[] = {
    IDS_COLUMN_NAME,          IDS_COLUMN_SIZE,      IDS_COLUMN_AVAILABLE,  IDS_COLUMN_LOG_SIZE,
    IDS_COLUMN_LOG_AVAILABLE, IDS_COLUMN_TYPE,      IDS_COLUMN_CREATED_ON, IDS_COLUMN_LAST_BACKUP,
    IDS_COLUMN_STATUS,        IDS_COLUMN_READ_ONLY,
};

} // namespace

const Snapins::SNAPINWIZARDPICTURES kDatabaseWizardPictures[3] = {
    {0, 0, TRUE},
    {IDB_BACKUP_WATERMARK, IDB_BACKUP_HEADER, TRUE},
    {IDB_RESTORE_WATERMARK, IDB_RESTORE_HEADER, TRUE},
};

HRESULT AddWizardMenuItems(Snapins::CBaseNode& node, IContextMenuCallback* callback, long* insertionAllowed,
                           bool localServer) {
    HRESULT hr = node.AddMenuItemsFromTable(callback, kBackupMenu, insertionAllowed);
    if (FAILED(hr) || !localServer) return hr;
    return node.AddMenuItemsFromTable(callback, kRestoreMenu, insertionAllowed);
}

int WizardOfCommand(long commandId) {
    if (commandId == IDM_BACKUP) return kBackupWizard;
    if (commandId == IDM_RESTORE) return kRestoreWizard;
    return kNoWizard;
}

CDatabases::CDatabases(bool olderServer) : m_olderServer(olderServer) {
    m_imageIndex = 3;
    m_openImageIndex = 4;
    m_helpTopic = L"::databases.htm";
    m_columns = kColumns;
    m_verbs = Snapins::kRefreshVerbs;
    m_wizardPictures = kDatabaseWizardPictures;
}

const std::wstring CDatabases::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_DATABASES);
}

const GUID* CDatabases::GetNodeType() {
    return &NODETYPE_Databases;
}

std::vector<Snapins::CBasePropPage*> CreateWizardPages(Snapins::CBaseNode* node, int selector,
                                                       const std::wstring& database) {
    if (selector == kBackupWizard) return Wizards::Backup::CreatePages(node, database);
    if (selector == kRestoreWizard) return Wizards::Restore::CreatePages(node, database);
    return {};
}

// The pages of the wizard being run; the container has no property pages of its own.
HRESULT CDatabases::CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) {
    HRESULT hr = CBaseNode::CreatePropertyPages(callback, notifyHandle);
    if (m_pagesMode || !callback) return hr;
    for (Snapins::CBasePropPage* page : CreateWizardPages(this, m_wizardSelector, std::wstring())) {
        KeepPage(page);
        if (page->PageHandle()) callback->AddPage(page->PageHandle());
    }
    return hr;
}

// The container has no property pages of its own: it offers pages only to a wizard.
HRESULT CDatabases::QueryPagesFor() {
    return m_pagesMode ? S_FALSE : S_OK;
}

// Newer servers are managed with their own tools: the container offers them nothing.
HRESULT CDatabases::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    if (!m_olderServer) return S_FALSE;
    // A restore reads its backup file on the server's own computer, so it is offered only there.
    return AddWizardMenuItems(*this, callback, insertionAllowed, IsLocalServer(m_parent));
}

// The wizards end with a refresh, which drops the database nodes; they are listed again on the next
// display.
HRESULT CDatabases::OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                                  IComponentData* componentData, IDataObject* dataObject) {
    int wizard = WizardOfCommand(commandId);
    if (wizard == kNoWizard)
        return CBaseNode::OnMenuCommand(console, commandId, component, componentData, dataObject);
    RunNodeWizard(wizard, console, component, componentData, dataObject);
    return S_FALSE;
}

// A failure ends the list where it is: the storage areas found so far stay, and the failure goes to the
// debugger output only.
HRESULT CDatabases::CreateChildren(IConsole* console) {
    CWaitCursor wait;
    auto* server = dynamic_cast<CServer*>(m_parent);
    if (!server) return S_OK;
    try {
        ServerPtr serverObject = server->Server();
        if (!raw(serverObject)) return S_OK;
        iterators::database_iterator database(serverObject), end;
        LONG major = 0;
        DmoCheck(serverObject, raw(serverObject)->GetVersionMajor(&major));
        const bool older = major < 9;
        CDBAccessModule access(server->GetDisplayText(0));
        const long count = database.Count();
        for (long i = 0; database != end; ++i) {
            DatabasePtr current = *database;
            VARIANT_BOOL system = VARIANT_FALSE;
            DmoCheck(current, raw(current)->GetSystemObject(&system));
            if (system == VARIANT_FALSE && access.IsVeltrane(database.Name())) {
                auto node = std::make_unique<CDatabase>(current, older);
                AddChild(node.get(), true);
                node.release()->Initialize();
            }
            ShowProgress(console, static_cast<int>((i + 1) / static_cast<double>(count) * 100.0), 0);
            ++database;
        }
    } catch (const std::exception& error) {
        TraceError(error);
    } catch (...) {
        OutputDebugStringA("Unknown Exception caught");
    }
    return S_OK;
}

} // namespace MSDE::Nodes
