// CDatabase: one storage area's figures read from the object model and their column texts, its sorting,
// menus, read-only toggle and deletion.
#include "msde/nodes/database.h"

#include <cwchar>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/connection.h"
#include "msde/propertypages/databasepages.h"
#include "msde/nodes/databases.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/users.h"
#include "msde/nodes/waitcursor.h"
#include "tvcom.h"

namespace MSDE::Nodes {

namespace {
// {DC3998E1-2935-4123-B74E-1E6ABC6946A4}
DEFINE_GUID(NODETYPE_Database, 0xDC3998E1, 0x2935, 0x4123, 0xB7, 0x4E, 0x1E, 0x6A, 0xBC, 0x69, 0x46, 0xA4);

// System databases are the server's own: never offered for deletion.
const Snapins::SNAPINVERB kSystemVerbs[] = {
    {Snapins::kEnableVerb, MMC_VERB_REFRESH},
    {Snapins::kEnableVerb, MMC_VERB_PROPERTIES},
    {Snapins::kDefaultVerb, MMC_VERB_PROPERTIES},
};
const Snapins::SNAPINVERB kVerbs[] = {
    {Snapins::kEnableVerb, MMC_VERB_REFRESH},
    {Snapins::kEnableVerb, MMC_VERB_PROPERTIES},
    {Snapins::kDefaultVerb, MMC_VERB_PROPERTIES},
    {Snapins::kEnableVerb, MMC_VERB_DELETE},
};

// A console may refuse a snap-in's separator; the toggle after it is added in a table of its own, so
// that it is offered all the same.
const Snapins::SNAPINMENUITEM kSeparator[] = {
    {0, 0, 0, CCM_INSERTIONPOINTID_PRIMARY_TASK, MF_SEPARATOR, CCM_SPECIAL_SEPARATOR},
    {0, 0, 0, 0, 0, 0},
};
const Snapins::SNAPINMENUITEM kReadOnlyMenu[] = {
    {IDS_MENU_READ_ONLY, IDS_STATUS_READ_ONLY, IDM_MAKE_READ_ONLY, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};
const Snapins::SNAPINMENUITEM kWriteableMenu[] = {
    {IDS_MENU_WRITEABLE, IDS_STATUS_WRITEABLE, IDM_MAKE_WRITEABLE, CCM_INSERTIONPOINTID_PRIMARY_TASK, 0, 0},
    {0, 0, 0, 0, 0, 0},
};

// Status values as the object model reports them, compared whole.
const struct {
    long status;
    UINT text;
} kStatusTexts[] = {
    {0x0000, IDS_DBSTATUS_READY},   {0x0020, IDS_DBSTATUS_LOADING},   {0x00C0, IDS_DBSTATUS_RECOVERING},
    {0x0100, IDS_DBSTATUS_SUSPECT}, {0x0200, IDS_DBSTATUS_OFFLINE},   {0x03E0, IDS_DBSTATUS_INACCESSIBLE},
    {0x0400, IDS_DBSTATUS_STANDBY}, {0x8000, IDS_DBSTATUS_EMERGENCY},
};
// Not a status the server gives: the status could not be read.
constexpr long kStatusUnread = -1;

// Whole megabytes: -1 is a figure that could not be read, 0 a database smaller than one megabyte.
std::wstring MegabytesText(long value) {
    if (value == -1) return Snapins::LoadResString(IDS_UNKNOWN);
    if (value == 0) return Snapins::LoadResString(IDS_LESS_THAN_ONE);
    return std::to_wstring(value);
}

// Free space, to two decimals; negative is a figure that could not be read.
std::wstring FreeSpaceText(float value) {
    if (!(value >= 0.0f)) return Snapins::LoadResString(IDS_UNKNOWN);
    WCHAR text[64];
    std::swprintf(text, std::size(text), L"%.2f", static_cast<double>(value));
    return text;
}

std::wstring StatusText(long status) {
    for (const auto& entry : kStatusTexts)
        if (entry.status == status) return Snapins::LoadResString(entry.text);
    return Snapins::LoadResString(IDS_UNKNOWN);
}

template <class T> int Order(T mine, T theirs) {
    return mine < theirs ? -1 : (theirs < mine ? 1 : 0);
}

// A date of the transaction log as text; "Unknown" when it cannot be read or is empty. *result gets the
// read's outcome.
template <class Getter> std::wstring DateText(const TransactionLogPtr& log, Getter getter, HRESULT* result) {
    BSTR text = nullptr;
    *result = (raw(log)->*getter)(&text);
    std::wstring date = SUCCEEDED(*result) ? TakeText(text) : std::wstring();
    return date.empty() ? Snapins::LoadResString(IDS_UNKNOWN) : date;
}

} // namespace

CDatabase::CDatabase(DatabasePtr database, bool olderServer)
    : m_database(std::move(database)), m_olderServer(olderServer) {
    m_imageIndex = 5;
    m_openImageIndex = 5;
    m_helpTopic = L"::database.htm";
    m_verbs = kVerbs;
    m_wizardPictures = kDatabaseWizardPictures;
}

CDatabase::~CDatabase() {
    m_database = DatabasePtr();
}

// A property that cannot be read keeps its "not read" value, which the list shows as "Unknown".
HRESULT CDatabase::Initialize() {
    IWSQLDMODatabase* database = raw(m_database);
    if (!database) return E_POINTER;
    CWaitCursor wait;
    BSTR name = nullptr;
    if (SUCCEEDED(database->GetName(&name))) m_name = TakeText(name);
    LONG size = 0;
    m_size = SUCCEEDED(database->GetSize(&size)) ? size : -1;
    float space = 0;
    m_spaceAvailable = SUCCEEDED(database->GetSpaceAvailableInMB(&space)) ? space : -1.0f;
    VARIANT_BOOL system = VARIANT_FALSE;
    m_systemObject = SUCCEEDED(database->GetSystemObject(&system)) && system != VARIANT_FALSE;
    m_verbs = m_systemObject ? std::span<const Snapins::SNAPINVERB>(kSystemVerbs) : kVerbs;
    LONG status = 0;
    m_status = SUCCEEDED(database->GetStatus(&status)) ? status : kStatusUnread;

    TransactionLogPtr log;
    HRESULT result = database->GetTransactionLog(out(log));
    if (SUCCEEDED(result) && raw(log)) {
        HRESULT created = S_OK;
        m_createdOn = DateText(log, &IWSQLDMOTransactionLog::GetCreateDate, &created);
        m_lastBackup = DateText(log, &IWSQLDMOTransactionLog::GetLastBackup, &result);
        LONG logSize = 0;
        m_logSize = SUCCEEDED(raw(log)->GetSize(&logSize)) ? logSize : -1;
        float logSpace = 0;
        m_logSpaceAvailable = SUCCEEDED(raw(log)->GetSpaceAvailableInMB(&logSpace)) ? logSpace : -1.0f;
    } else if (SUCCEEDED(result)) {
        result = E_POINTER;
    }

    DBOptionPtr options;
    VARIANT_BOOL readOnly = VARIANT_FALSE;
    if (SUCCEEDED(database->GetDBOption(out(options))) && raw(options) &&
        SUCCEEDED(raw(options)->GetReadOnly(&readOnly)))
        m_readOnly = readOnly != VARIANT_FALSE;
    return result;
}

const std::wstring CDatabase::GetDisplayText(int column) {
    switch (column) {
    case 0:
        return m_name;
    case 1:
        return MegabytesText(m_size);
    case 2:
        return FreeSpaceText(m_spaceAvailable);
    case 3:
        return MegabytesText(m_logSize);
    case 4:
        return FreeSpaceText(m_logSpaceAvailable);
    case 5:
        return Snapins::LoadResString(m_systemObject ? IDS_SYSTEM : IDS_USER);
    case 6:
        return m_createdOn;
    case 7:
        return m_lastBackup;
    case 8:
        return StatusText(m_status);
    case 9:
        return Snapins::LoadResString(m_readOnly ? IDS_YES : IDS_NO);
    default:
        return {};
    }
}

const GUID* CDatabase::GetNodeType() {
    return &NODETYPE_Database;
}

HRESULT CDatabase::OnRefresh(IConsole* console) {
    CWaitCursor wait;
    HRESULT hr = Initialize();
    if (FAILED(hr)) return hr;
    auto resultData = tvcom::QueryFrom<IResultData>(console, &hr);
    if (!resultData) return hr;
    return resultData->UpdateItem(m_resultItem);
}

HRESULT CDatabase::OnDelete(IConsole* console) {
    if (!console) return E_POINTER;
    std::wstring text = FillTemplate(Snapins::LoadResString(IDS_CONFIRM_DELETE_DATABASE), m_name);
    std::wstring caption = Snapins::LoadResString(IDS_DELETE_DATABASE_CAPTION) + m_name;
    int answer = 0;
    HRESULT hr = console->MessageBox(text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION, &answer);
    if (FAILED(hr) || answer != IDYES) return S_OK;
    try {
        CWaitCursor wait;
        DmoCheck(m_database, raw(m_database)->Remove());
    } catch (const std::exception& error) {
        // The server's reason (the database is in use, say) is shown, and the node stays.
        ReportError(error);
        return S_OK;
    }
    return DeleteScopeItem(console); // this node is gone now
}

HRESULT CDatabase::CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) {
    HRESULT hr = CBaseNode::CreatePropertyPages(callback, notifyHandle);
    // A wizard's pages, with this database preselected.
    if ((!m_pagesMode || m_wizardSelector != kNoWizard) && callback) {
        for (Snapins::CBasePropPage* page : CreateWizardPages(this, m_wizardSelector, GetDisplayText(0))) {
            KeepPage(page);
            if (page->PageHandle()) callback->AddPage(page->PageHandle());
        }
        return hr;
    }
    if (!callback) return hr;
    auto add = [&](Snapins::CBasePropPage* page, UINT dialogId, UINT titleId) {
        KeepPage(page);
        if (HPROPSHEETPAGE handle = page->CreatePropertyPage(dialogId, titleId)) callback->AddPage(handle);
    };
    add(new PropertyPages::CDatabaseGeneralPage(this), IDD_DATABASE_GENERAL, IDS_PAGE_GENERAL);
    add(new PropertyPages::CDatabaseLocksPage(this), IDD_DATABASE_LOCKS, IDS_PAGE_DATABASE_LOCKS);
    add(new PropertyPages::CDatabaseFileGroupsPage(this), IDD_DATABASE_FILE_GROUPS, IDS_PAGE_FILE_GROUPS);
    return hr;
}

HRESULT CDatabase::QueryPagesFor() {
    return S_OK;
}

// Backup and Restore only on servers older than major version 9; the read-only toggle on every server,
// but never for a system database.
HRESULT CDatabase::AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) {
    HRESULT hr = S_FALSE;
    if (m_olderServer) {
        hr = AddWizardMenuItems(*this, callback, insertionAllowed, IsLocalServer(ServerNode()));
        if (FAILED(hr)) return hr;
    }
    if (m_systemObject) return hr;
    AddMenuItemsFromTable(callback, kSeparator, insertionAllowed);
    return AddMenuItemsFromTable(callback, m_readOnly ? kWriteableMenu : kReadOnlyMenu, insertionAllowed);
}

HRESULT CDatabase::OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                                 IComponentData* componentData, IDataObject* dataObject) {
    switch (commandId) {
    case IDM_BACKUP:
    case IDM_RESTORE:
        RunNodeWizard(WizardOfCommand(commandId), console, component, componentData, dataObject);
        return S_FALSE;
    case IDM_MAKE_READ_ONLY:
    case IDM_MAKE_WRITEABLE:
        SetReadOnly(commandId == IDM_MAKE_READ_ONLY);
        // The row shows what the server has now, whether the change was made or not.
        OnRefresh(console);
        return S_OK;
    default:
        return S_FALSE;
    }
}

// Equal figures compare equal in every column, so that a sort in either direction has one order.
HRESULT CDatabase::CompareResultItems(CBaseNode* other, int column, int* result) {
    if (!result) return E_POINTER;
    auto* that = dynamic_cast<CDatabase*>(other);
    if (!that || column < 0 || column > 9) return E_FAIL;
    switch (column) {
    case 1:
        *result = Order(m_size, that->m_size);
        return S_OK;
    case 2:
        *result = Order(m_spaceAvailable, that->m_spaceAvailable);
        return S_OK;
    case 3:
        *result = Order(m_logSize, that->m_logSize);
        return S_OK;
    case 4:
        *result = Order(m_logSpaceAvailable, that->m_logSpaceAvailable);
        return S_OK;
    default:
        return CBaseNode::CompareResultItems(other, column, result);
    }
}

bool CDatabase::SetReadOnly(bool readOnly) {
    try {
        CWaitCursor wait;
        DBOptionPtr options;
        DmoCheck(m_database, raw(m_database)->GetDBOption(out(options)));
        DmoCheck(options, raw(options)->SetReadOnly(readOnly ? VARIANT_TRUE : VARIANT_FALSE));
    } catch (const std::exception& error) {
        ReportError(error);
        return false;
    }
    m_readOnly = readOnly;
    return true;
}

// The storage area's one child: its users with their access to it.
HRESULT CDatabase::CreateChildren(IConsole*) {
    if (m_children.empty()) AddChild(new CUsers(), true);
    return S_OK;
}

Snapins::CBaseNode* CDatabase::ServerNode() const {
    return m_parent ? m_parent->Parent() : nullptr;
}

} // namespace MSDE::Nodes
