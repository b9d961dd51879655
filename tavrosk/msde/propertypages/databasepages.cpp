// The database pages: the General page's texts come from the node's columns and its Apply runs the
// node's read-only operations; the Locks and File Groups pages fill their lists from the database object
// when they open, and stay empty when the server does not answer.
#include "msde/propertypages/databasepages.h"

#include <string>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/database.h"
#include "msde/dmotext.h"
#include "msde/nodes/waitcursor.h"
#include "mmc.h"

namespace MSDE::PropertyPages {

namespace {

Nodes::CDatabase* DatabaseNode(Snapins::CBaseNode* node) {
    return dynamic_cast<Nodes::CDatabase*>(node);
}

void InsertColumn(HWND list, int index, const std::wstring& title) {
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 75;
    column.pszText = const_cast<LPWSTR>(title.c_str());
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

// Item 0's cell: a new item at the top for column 0, else a sub-item of the item at the top.
void SetTopCell(HWND list, int subItem, const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.iSubItem = subItem;
    item.pszText = const_cast<LPWSTR>(text.c_str());
    SendMessageW(list, subItem == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool IsCharacterColumn(long type) {
    return type == 1 || type == 12 || type == -1 || type == -9 || type == -10;
}

} // namespace

// The node is given the next sheet's handle before it deletes the pages of the last sheet: a page that
// freed the node's handle then would free the new sheet's.
CDatabaseGeneralPage::CDatabaseGeneralPage(Snapins::CBaseNode* node)
    : CBasePropPage(node), m_notifyHandle(node ? node->SheetNotifyHandle() : 0) {}

CDatabaseGeneralPage::~CDatabaseGeneralPage() {
    if (m_notifyHandle) MMCFreeNotifyHandle(m_notifyHandle);
}

INT_PTR CDatabaseGeneralPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Nodes::CDatabase* node = DatabaseNode(m_node);
    if (!node) return result;
    const std::wstring megabytes = L" MB";
    SetDlgItemTextW(window, IDC_DB_NAME, node->GetDisplayText(0).c_str());
    SetDlgItemTextW(window, IDC_DB_STATUS, node->GetDisplayText(8).c_str());
    SetDlgItemTextW(window, IDC_DB_CREATED, node->GetDisplayText(6).c_str());
    SetDlgItemTextW(window, IDC_DB_SIZE, (node->GetDisplayText(1) + megabytes).c_str());
    SetDlgItemTextW(window, IDC_DB_SPACE, (node->GetDisplayText(2) + megabytes).c_str());
    SetDlgItemTextW(window, IDC_DB_LOG_SIZE, (node->GetDisplayText(3) + megabytes).c_str());
    SetDlgItemTextW(window, IDC_DB_LOG_SPACE, (node->GetDisplayText(4) + megabytes).c_str());
    SetDlgItemTextW(window, IDC_DB_LAST_BACKUP, node->GetDisplayText(7).c_str());
    CheckDlgButton(window, IDC_DB_READ_ONLY, node->ReadOnly() ? BST_CHECKED : BST_UNCHECKED);
    return result;
}

INT_PTR CDatabaseGeneralPage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == BN_CLICKED && id == IDC_DB_READ_ONLY) {
        SendMessageW(GetParent(m_pageWindow), PSM_CHANGED, reinterpret_cast<WPARAM>(m_pageWindow), 0);
        return TRUE;
    }
    return CBasePropPage::OnCommand(code, id, control);
}

// The box is compared with the node, not with what it showed: ticking and clearing it again changes
// nothing on the server. A failed change is shown by the node and leaves its flag as it was.
INT_PTR CDatabaseGeneralPage::OnApply(NMHDR* header) {
    Nodes::CDatabase* node = DatabaseNode(m_node);
    if (node) {
        const bool ticked = IsDlgButtonChecked(m_pageWindow, IDC_DB_READ_ONLY) == BST_CHECKED;
        if (ticked != node->ReadOnly()) {
            node->SetReadOnly(ticked);
            MMCPropertyChangeNotify(m_notifyHandle, 1);
        }
    }
    SendMessageW(GetParent(m_pageWindow), PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_pageWindow), 0);
    return CBasePropPage::OnApply(header);
}

INT_PTR CDatabaseLocksPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Nodes::CWaitCursor wait;
    Nodes::CDatabase* node = DatabaseNode(m_node);
    if (!node || !raw(node->Database())) return result;
    DatabasePtr database = node->Database();
    QueryResultsPtr locks;
    if (FAILED(raw(database)->EnumLocks(-1, out(locks))) || !raw(locks)) return result;
    HWND list = GetDlgItem(window, IDC_LOCKS_LIST);
    LONG columns = 0, rows = 0;
    raw(locks)->GetColumns(&columns);
    raw(locks)->GetRows(&rows);
    // The result set counts its rows and columns from 1.
    for (LONG c = 1; c <= columns; ++c) {
        BSTR name = nullptr;
        raw(locks)->GetColumnName(c, &name);
        InsertColumn(list, c - 1, TakeText(name));
    }
    for (LONG r = 1; r <= rows; ++r) {
        for (LONG c = 1; c <= columns; ++c) {
            LONG type = 0;
            raw(locks)->GetColumnType(c, &type);
            std::wstring text;
            if (IsCharacterColumn(type)) {
                BSTR value = nullptr;
                if (SUCCEEDED(raw(locks)->GetColumnString(r, c, &value))) text = TakeText(value);
            } else {
                LONG value = 0;
                raw(locks)->GetColumnLong(r, c, &value);
                text = std::to_wstring(value);
            }
            SetTopCell(list, c - 1, text);
        }
    }
    return result;
}

INT_PTR CDatabaseFileGroupsPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Nodes::CWaitCursor wait;
    HWND list = GetDlgItem(window, IDC_FILE_GROUPS_LIST);
    InsertColumn(list, 0, Snapins::LoadResString(IDS_COLUMN_NAME));
    Nodes::CDatabase* node = DatabaseNode(m_node);
    if (!node || !raw(node->Database())) return result;
    DatabasePtr database = node->Database();
    FileGroupsPtr groups;
    LONG count = 0;
    if (FAILED(raw(database)->GetFileGroups(out(groups))) || !raw(groups) ||
        FAILED(raw(groups)->GetCount(&count)))
        return result;
    for (LONG i = 0; i < count; ++i) {
        FileGroupPtr group;
        BSTR name = nullptr;
        if (SUCCEEDED(raw(groups)->GetItemByOrd(i, out(group))) && raw(group) &&
            SUCCEEDED(raw(group)->GetName(&name)))
            SetTopCell(list, 0, TakeText(name));
    }
    return result;
}

} // namespace MSDE::PropertyPages
