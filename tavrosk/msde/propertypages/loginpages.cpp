// The login pages. The Permissions page lists 25 of the 26 data types: type 12 has no row of its own and
// follows the Markers row. Apply writes every type, edited or not, with one library call per type.
#include "msde/propertypages/loginpages.h"

#include <string>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/login.h"
#include "msde/nodes/logins.h"
#include "msde/nodes/waitcursor.h"
#include "mmc.h"

namespace MSDE::PropertyPages {

namespace {

// One row of the data-type list, in list order: its type, its name and its summary value static.
struct TypeRow {
    int type;
    UINT name;
    int summary;
};
const TypeRow kRows[] = {
    {1, IDS_TYPE_ALTERATIONS, IDC_SUMMARY_ALTERATIONS},
    {2, IDS_TYPE_ANNOTATION, IDC_SUMMARY_ANNOTATION},
    {3, IDS_TYPE_BLOCK_BUFFER, IDC_SUMMARY_BLOCK_BUFFER},
    {4, IDS_TYPE_CUT_DATA, IDC_SUMMARY_CUT_DATA},
    {5, IDS_TYPE_CUT_PARAMETER, IDC_SUMMARY_CUT_PARAMETER},
    {6, IDS_TYPE_LAY_LIMITS, IDC_SUMMARY_LAY_LIMITS},
    {7, IDS_TYPE_LAY_RULES, IDC_SUMMARY_LAY_RULES},
    {8, IDS_TYPE_LRS_PARAMETER, IDC_SUMMARY_LRS_PARAMETER},
    {9, IDS_TYPE_MACRO, IDC_SUMMARY_MACRO},
    {10, IDS_TYPE_MARKERS, IDC_SUMMARY_MARKERS},
    {11, IDS_TYPE_MATCHING, IDC_SUMMARY_MATCHING},
    {13, IDS_TYPE_MODELS, IDC_SUMMARY_MODELS},
    {14, IDS_TYPE_MARKER_PLOT, IDC_SUMMARY_MARKER_PLOT},
    {15, IDS_TYPE_NOTCH, IDC_SUMMARY_NOTCH},
    {16, IDS_TYPE_ORDERS, IDC_SUMMARY_ORDERS},
    {17, IDS_TYPE_PIECE_LIST, IDC_SUMMARY_PIECE_LIST},
    {18, IDS_TYPE_PIECES, IDC_SUMMARY_PIECES},
    {19, IDS_TYPE_PLOT_DATA, IDC_SUMMARY_PLOT_DATA},
    {20, IDS_TYPE_PLOT_PARAMETER, IDC_SUMMARY_PLOT_PARAMETER},
    {21, IDS_TYPE_PIECE_PLOT, IDC_SUMMARY_PIECE_PLOT},
    {22, IDS_TYPE_RAW_PIECE, IDC_SUMMARY_RAW_PIECE},
    {23, IDS_TYPE_GRADE_RULE, IDC_SUMMARY_GRADE_RULE},
    {24, IDS_TYPE_SIZE_CODE, IDC_SUMMARY_SIZE_CODE},
    {25, IDS_TYPE_TEXT_DATA, IDC_SUMMARY_TEXT_DATA},
    {26, IDS_TYPE_USER_ENVIRONMENT, IDC_SUMMARY_USER_ENVIRONMENT},
};
// The type without a row, and the row whose edits it follows.
constexpr int kHiddenType = 12;
constexpr int kMarkersType = 10;

int SummaryControl(int type) {
    if (type == kHiddenType) return IDC_SUMMARY_MEXT;
    for (const TypeRow& row : kRows)
        if (row.type == type) return row.summary;
    return 0;
}

const wchar_t kUserPerm[] = L"UserPerm";

std::wstring LoginName(Snapins::CBaseNode* node) {
    return node ? node->GetDisplayText(0) : std::wstring();
}

std::wstring ServerOf(Snapins::CBaseNode* node) {
    auto* login = dynamic_cast<Nodes::CLogin*>(node);
    return login ? login->ServerName() : std::wstring();
}

} // namespace

CLoginGeneralPage::CLoginGeneralPage(Snapins::CBaseNode* node, LONG_PTR notifyHandle)
    : CBasePropPage(node), m_notifyHandle(notifyHandle) {}

CLoginGeneralPage::~CLoginGeneralPage() {
    if (m_notifyHandle) MMCFreeNotifyHandle(m_notifyHandle);
}

INT_PTR CLoginGeneralPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    SetDlgItemTextW(window, IDC_LOGIN_NAME, LoginName(m_node).c_str());
    return result;
}

CLoginPermissionPage::CLoginPermissionPage(Snapins::CBaseNode* node, LONG_PTR notifyHandle)
    : CBasePropPage(node), m_notifyHandle(notifyHandle) {}

CLoginPermissionPage::~CLoginPermissionPage() {
    if (m_notifyHandle) MMCFreeNotifyHandle(m_notifyHandle);
}

INT_PTR CLoginPermissionPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Nodes::CWaitCursor wait;
    HWND list = GetDlgItem(window, IDC_LOGIN_TYPE);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const TypeRow& row : kRows)
        SendMessageW(list, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Snapins::LoadResString(row.name).c_str()));
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    try {
        CDBAccessModule library(ServerOf(m_node), kUserPerm);
        library.Connect();
        int read = library.GetUserTypePermissions(LoginName(m_node), m_read, m_write, m_third, m_fourth);
        library.Disconnect();
        // A login the library cannot read leaves the summary blank and the boxes as the template has them.
        if (read != 1) return result;
    } catch (const dbaccess_exception& error) {
        Nodes::TraceLibraryFailure(error);
        return result;
    }
    for (int type = 1; type <= kTypes; ++type)
        ShowSummary(type);
    ShowChecks(kRows[0].type);
    return result;
}

int CLoginPermissionPage::SelectedType() const {
    LRESULT row = SendDlgItemMessageW(m_pageWindow, IDC_LOGIN_TYPE, CB_GETCURSEL, 0, 0);
    if (row < 0 || row >= static_cast<LRESULT>(std::size(kRows))) return 0;
    return kRows[row].type;
}

void CLoginPermissionPage::ShowChecks(int type) {
    if (type < 1 || type > kTypes) return;
    CheckDlgButton(m_pageWindow, IDC_LOGIN_READ, m_read[type - 1] == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_pageWindow, IDC_LOGIN_WRITE, m_write[type - 1] == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void CLoginPermissionPage::ShowSummary(int type) {
    std::wstring text;
    if (m_read[type - 1] == 1) text += L"r ";
    if (m_write[type - 1] == 1) text += L"w ";
    SetDlgItemTextW(m_pageWindow, SummaryControl(type), text.c_str());
}

void CLoginPermissionPage::TakeChecks() {
    int type = SelectedType();
    if (type == 0) return;
    const int read = IsDlgButtonChecked(m_pageWindow, IDC_LOGIN_READ) == BST_CHECKED ? 1 : 0;
    const int write = IsDlgButtonChecked(m_pageWindow, IDC_LOGIN_WRITE) == BST_CHECKED ? 1 : 0;
    m_read[type - 1] = read;
    m_write[type - 1] = write;
    m_third[type - 1] = 1;
    m_fourth[type - 1] = 1;
    ShowSummary(type);
    if (type == kMarkersType) {
        m_read[kHiddenType - 1] = read;
        m_write[kHiddenType - 1] = write;
        ShowSummary(kHiddenType);
    }
    SendMessageW(GetParent(m_pageWindow), PSM_CHANGED, reinterpret_cast<WPARAM>(m_pageWindow), 0);
}

INT_PTR CLoginPermissionPage::OnCommand(WORD code, WORD id, HWND control) {
    if (id == IDC_LOGIN_TYPE && (code == CBN_SELCHANGE || code == CBN_CLOSEUP)) {
        ShowChecks(SelectedType());
        return TRUE;
    }
    const bool checkBox =
        id == IDC_LOGIN_READ || id == IDC_LOGIN_WRITE || id == IDC_LOGIN_CREATE || id == IDC_LOGIN_DELETE;
    if (code == BN_CLICKED && checkBox) {
        TakeChecks();
        return TRUE;
    }
    return CBasePropPage::OnCommand(code, id, control);
}

// The sheet may close whatever the stores gave; the page stays changed unless the last store succeeded.
INT_PTR CLoginPermissionPage::OnApply(NMHDR*) {
    try {
        Nodes::CWaitCursor wait;
        const std::wstring name = LoginName(m_node);
        CDBAccessModule library(ServerOf(m_node), kUserPerm);
        library.Connect();
        int stored = 0;
        for (int type = 1; type <= kTypes; ++type)
            stored = library.SetUserTypePermission(name, type, m_read[type - 1], m_write[type - 1],
                                                   m_third[type - 1], m_fourth[type - 1]);
        library.Disconnect();
        if (stored == 1)
            SendMessageW(GetParent(m_pageWindow), PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_pageWindow), 0);
    } catch (const dbaccess_exception& error) {
        Nodes::TraceLibraryFailure(error);
    }
    SetMessageResult(PSNRET_NOERROR);
    return TRUE;
}

} // namespace MSDE::PropertyPages
