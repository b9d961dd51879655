// The Register Server wizard's pages: each fills its part of the registration record and chooses the
// page that follows; the progress page hands the record to the worker thread and the finish page shows
// how the run went.
#include "msde/wizards/newreg/newreg.h"

#include "resources/resource.h"
#include "snapins/basedlg.h"
#include "snapins/basenode.h"
#include "snapins/resstring.h"
#include "msde/dmo.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/servers.h"
#include "msde/nodes/waitcursor.h"
#include "mmc.h"
#include "msde/wizards/newreg/registration.h"

namespace MSDE::Wizards::NewReg {

namespace {

constexpr int kServerImage = 2; // the server's image in the nodes' strip
constexpr int kItemTextCharacters = 255;

bool IsChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

std::wstring LocalServerName() {
    return Snapins::LoadResString(IDS_LOCAL_SERVER);
}

// True when a child of the group already shows exactly this text.
bool GroupShows(Snapins::CBaseNode* group, const std::wstring& name) {
    if (!group) return false;
    for (auto it = group->ChildrenBegin(); it != group->ChildrenEnd(); ++it)
        if ((*it)->GetDisplayText(0) == name) return true;
    return false;
}

void InsertServer(HWND list, const std::wstring& name) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<LPWSTR>(name.c_str());
    item.iImage = kServerImage;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

} // namespace

CStartPage::CStartPage(Snapins::CBaseNode* node) : CBasePropPage(node) {
    ResetRegistration();
}

// The sheet's notification handle is given back with the wizard's first page.
CStartPage::~CStartPage() {
    if (m_node && m_node->SheetNotifyHandle()) MMCFreeNotifyHandle(m_node->SheetNotifyHandle());
}

// The first page has nothing to go back to.
INT_PTR CStartPage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    PostMessageW(m_sheetWindow, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    return result;
}

INT_PTR CStartPage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    Registration().manual = IsChecked(m_pageWindow, IDC_NEWREG_MANUAL);
    SetMessageResult(Registration().manual ? IDD_NEWREG_MANUAL : 0);
    return TRUE;
}

INT_PTR CServersPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CTwoListPickPage::OnInitDialog(window, focus, param);
    Nodes::CWaitCursor wait;
    m_sourceList = GetDlgItem(window, IDC_NEWREG_AVAILABLE_LIST);
    m_pickedList = GetDlgItem(window, IDC_NEWREG_ADDED_LIST);
    m_pickSelected = GetDlgItem(window, Snapins::kPickSelectedButton);
    m_pickAll = GetDlgItem(window, Snapins::kPickAllButton);
    m_returnSelected = GetDlgItem(window, Snapins::kReturnSelectedButton);
    m_returnAll = GetDlgItem(window, Snapins::kReturnAllButton);
    m_allowEmptyPick = false;
    SetListImages(Snapins::CBaseNode::SmallImages());
    Snapins::SetControlText(window, IDC_NEWREG_AVAILABLE_CAPTION,
                            Snapins::LoadResString(IDS_NEWREG_AVAILABLE));
    Snapins::SetControlText(window, IDC_NEWREG_ADDED_CAPTION, Snapins::LoadResString(IDS_NEWREG_ADDED));

    // Without the object model or its list the available list stays empty; the user can go back and
    // type a name instead.
    auto application = CreateDmo<IWSQLDMOApplication>(CLSID_SQLDMOApplication, IID_IWSQLDMOApplication);
    NameListPtr names;
    if (!raw(application) || FAILED(raw(application)->ListAvailableSQLServers(out(names))) || !raw(names))
        return result;
    const std::wstring local = LocalServerName();
    LONG count = 0;
    if (FAILED(raw(names)->GetCount(&count))) return result;
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        if (FAILED(raw(names)->GetItemByOrd(i, &text))) continue;
        std::wstring name = Nodes::TakeText(text);
        // Case matters on purpose: only a name the group shows exactly is already there.
        if (name == local || GroupShows(m_node, name)) continue;
        InsertServer(m_sourceList, name);
    }
    return result;
}

INT_PTR CServersPage::OnWizardNext(NMHDR* header) {
    CTwoListPickPage::OnWizardNext(header);
    RegistrationState& state = Registration();
    state.serverNames.clear();
    const std::wstring local = LocalServerName();
    bool hasLocal = false;
    for (int i = static_cast<int>(SendMessageW(m_pickedList, LVM_GETITEMCOUNT, 0, 0)) - 1; i >= 0; --i) {
        WCHAR text[kItemTextCharacters + 1] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = kItemTextCharacters + 1;
        SendMessageW(m_pickedList, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        state.serverNames.emplace_back(text);
        if (state.serverNames.back() == local) hasLocal = true;
    }
    SetMessageResult(hasLocal ? IDD_NEWREG_PERMISSIONS : IDD_NEWREG_PROGRESS);
    return TRUE;
}

INT_PTR CManualServerPage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    UpdateButtons();
    return result;
}

INT_PTR CManualServerPage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == EN_CHANGE && id == IDC_NEWREG_SERVER_NAME) UpdateButtons();
    return CBasePropPage::OnCommand(code, id, control);
}

// Posted: the page may be answering the sheet's own PSN_SETACTIVE.
void CManualServerPage::UpdateButtons() {
    bool named = GetWindowTextLengthW(GetDlgItem(m_pageWindow, IDC_NEWREG_SERVER_NAME)) > 0;
    PostMessageW(m_sheetWindow, PSM_SETWIZBUTTONS, 0, named ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

// The typed name replaces whatever an earlier pass put in the record, so going back and on again never
// registers a name twice. "(local)" typed here is the way to the local server's permissions, which
// follow only a local server.
INT_PTR CManualServerPage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    std::wstring name = Snapins::GetControlText(m_pageWindow, IDC_NEWREG_SERVER_NAME);
    RegistrationState& state = Registration();
    state.serverNames.assign(1, name);
    SetMessageResult(name == LocalServerName() ? IDD_NEWREG_PERMISSIONS : IDD_NEWREG_PROGRESS);
    return TRUE;
}

INT_PTR CManualServerPage::OnWizardBack(NMHDR* header) {
    CBasePropPage::OnWizardBack(header);
    SetMessageResult(IDD_NEWREG_START);
    return TRUE;
}

INT_PTR CPermissionsPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    CheckDlgButton(window, IDC_NEWREG_ADD_LOGIN, BST_CHECKED);
    CheckDlgButton(window, IDC_NEWREG_SYSADMIN, BST_CHECKED);
    return result;
}

// The role goes to the login: without the login there is nothing to give it to. Checking the login
// again leaves the role as the user must choose it anew.
INT_PTR CPermissionsPage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == BN_CLICKED && id == IDC_NEWREG_ADD_LOGIN) {
        if (IsChecked(m_pageWindow, IDC_NEWREG_ADD_LOGIN)) {
            Snapins::EnableControl(m_pageWindow, IDC_NEWREG_SYSADMIN, true);
        } else {
            CheckDlgButton(m_pageWindow, IDC_NEWREG_SYSADMIN, BST_UNCHECKED);
            Snapins::EnableControl(m_pageWindow, IDC_NEWREG_SYSADMIN, false);
        }
    }
    return CBasePropPage::OnCommand(code, id, control);
}

INT_PTR CPermissionsPage::OnWizardNext(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnWizardNext(header);
    Registration().addLogin = IsChecked(m_pageWindow, IDC_NEWREG_ADD_LOGIN);
    Registration().giveSysadmin = IsChecked(m_pageWindow, IDC_NEWREG_SYSADMIN);
    return result;
}

CProgressPage::~CProgressPage() {
    if (m_worker.joinable()) {
        Registration().stop = true;
        m_worker.join();
    }
}

INT_PTR CProgressPage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    PostMessageW(m_sheetWindow, PSM_SETWIZBUTTONS, 0, 0);
    RegistrationState& state = Registration();
    state.progressWindow = m_pageWindow;
    state.sheetWindow = m_sheetWindow;
    state.groupNode = m_node;
    auto* group = dynamic_cast<Nodes::CServers*>(m_node);
    state.groupName = group ? group->GroupName() : std::wstring();
    state.status = S_OK;
    state.errorText.clear();
    state.stop = false;
    if (m_worker.joinable()) m_worker.join();
    m_worker = std::thread(RegisterServers);
    return result;
}

INT_PTR CFinishPage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    PostMessageW(m_sheetWindow, PSM_SETWIZBUTTONS, 0, PSWIZB_FINISH);
    const RegistrationState& state = Registration();
    std::wstring text = Snapins::LoadResString(IDS_NEWREG_COMPLETED) + L"\n\n" +
                        Snapins::LoadResString(state.status < 0 ? IDS_NEWREG_FAILED : IDS_NEWREG_SUCCEEDED);
    if (state.status < 0) text += L"\n\n" + state.errorText;
    Snapins::SetControlText(m_pageWindow, IDC_NEWREG_RESULT, text);
    return result;
}

} // namespace MSDE::Wizards::NewReg
