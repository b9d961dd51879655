// CDatabases: the enumeration of a server's storage areas, the list's columns, and the Backup and
// Restore wizards started from the container; also what the container and its database nodes share:
// the wizards' pictures, the local-server test, the wizard menu items and the wizard run.
#include "msde/nodes/databases.h"

#include <memory>
#include <vector>

#include "iterators/databaseiterator.h"
#include "resources/resource.h"
#include "snapins/consoleptr.h"
#include "snapins/module.h"
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

const UINT kColumnTitles[] = {
    IDS_COLUMN_NAME,          IDS_COLUMN_SIZE,      IDS_COLUMN_AVAILABLE,  IDS_COLUMN_LOG_SIZE,
    IDS_COLUMN_LOG_AVAILABLE, IDS_COLUMN_TYPE,      IDS_COLUMN_CREATED_ON, IDS_COLUMN_LAST_BACKUP,
    IDS_COLUMN_STATUS,        IDS_COLUMN_READ_ONLY,
};

HBITMAP WizardBitmap(UINT id) {
    return LoadBitmapW(Snapins::SnapinModule().resourceModule, MAKEINTRESOURCEW(id));
}

} // namespace

// Loaded once and kept: the console draws them for every run of a wizard and frees none of them.
HRESULT DatabaseWizardWatermarks(int selector, HBITMAP* watermark, HBITMAP* header, HPALETTE* palette,
                                 BOOL* stretch) {
    static HBITMAP backupWatermark = WizardBitmap(IDB_BACKUP_WATERMARK);
    static HBITMAP backupHeader = WizardBitmap(IDB_BACKUP_HEADER);
    static HBITMAP restoreWatermark = WizardBitmap(IDB_RESTORE_WATERMARK);
    static HBITMAP restoreHeader = WizardBitmap(IDB_RESTORE_HEADER);
    HBITMAP chosenWatermark = nullptr, chosenHeader = nullptr;
    if (selector == kBackupWizard) {
        chosenWatermark = backupWatermark;
        chosenHeader = backupHeader;
    } else if (selector == kRestoreWizard) {
        chosenWatermark = restoreWatermark;
        chosenHeader = restoreHeader;
    }
    if (watermark) *watermark = chosenWatermark;
    if (header) *header = chosenHeader;
    if (palette) *palette = nullptr;
    if (stretch) *stretch = TRUE;
    return S_OK;
}

HRESULT AddWizardMenuItems(Snapins::CBaseNode& node, IContextMenuCallback* callback, long* insertionAllowed,
                           bool localServer) {
    HRESULT hr = node.AddMenuItemsFromTable(callback, kBackupMenu, insertionAllowed);
    if (FAILED(hr) || !localServer) return hr;
    return node.AddMenuItemsFromTable(callback, kRestoreMenu, insertionAllowed);
}

HRESULT RunDatabaseWizard(Snapins::CBaseNode& node, int& selector, int wizard, IConsole* console,
                          IComponent* component, IComponentData* componentData, IDataObject* dataObject) {
    selector = wizard;
    node.RunWizard(console, component, componentData, dataObject);
    node.EndWizard();
    selector = kNoWizard;
    // What the wizard did (a new backup date, a restored database) shows at once.
    node.OnRefresh(console);
    return S_FALSE;
}

CDatabases::CDatabases(bool olderServer) : m_olderServer(olderServer) {
    m_imageIndex = 3;
    m_openImageIndex = 4;
}

const std::wstring CDatabases::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_DATABASES);
}

const GUID* CDatabases::GetNodeType() {
    return &NODETYPE_Databases;
}

HRESULT CDatabases::OnSelect(IConsole* console, BOOL, BOOL select) {
    if (!select) return S_FALSE;
    if (!console) return E_POINTER;
    IConsoleVerb* verbs = nullptr;
    HRESULT hr = console->QueryConsoleVerb(&verbs);
    if (FAILED(hr) || !verbs) return FAILED(hr) ? hr : E_NOINTERFACE;
    hr = verbs->SetVerbState(MMC_VERB_REFRESH, ENABLED, TRUE);
    verbs->Release();
    return hr;
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

HRESULT CDatabases::GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) {
    return DatabaseWizardWatermarks(m_wizardSelector, watermark, header, palette, stretch);
}

HRESULT CDatabases::OnContextHelp(IDisplayHelp* displayHelp, const std::wstring& helpFile) {
    if (!displayHelp) return E_POINTER;
    std::wstring topic = helpFile + L"::databases.htm";
    return displayHelp->ShowTopic(topic.data());
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
    if (commandId == IDM_BACKUP || commandId == IDM_RESTORE)
        return RunDatabaseWizard(*this, m_wizardSelector,
                                 commandId == IDM_BACKUP ? kBackupWizard : kRestoreWizard, console, component,
                                 componentData, dataObject);
    return CBaseNode::OnMenuCommand(console, commandId, component, componentData, dataObject);
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

HRESULT CDatabases::InsertColumns(IHeaderCtrl* header) {
    if (!header) return E_POINTER;
    HRESULT hr = S_OK;
    for (int column = 0; column < static_cast<int>(std::size(kColumnTitles)); ++column) {
        hr = header->InsertColumn(column, Snapins::LoadResString(kColumnTitles[column]).c_str(), LVCFMT_LEFT,
                                  MMCLV_AUTO);
        if (FAILED(hr)) break;
    }
    return hr;
}

} // namespace MSDE::Nodes
