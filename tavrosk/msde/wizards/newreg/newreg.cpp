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

CStartPage::CStartPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run)
    : Snapins::CStartPage<RegistrationState>(node, std::move(run), true) {}

INT_PTR CStartPage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    Run().manual = IsChecked(m_pageWindow, IDC_NEWREG_MANUAL);
    SetMessageResult(Run().manual ? IDD_NEWREG_MANUAL : 0);
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
    RegistrationState& state = Run();
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

void CManualServerPage::UpdateButtons() {
    bool named = GetWindowTextLengthW(GetDlgItem(m_pageWindow, IDC_NEWREG_SERVER_NAME)) > 0;
    SetButtons(named ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

// The typed name replaces whatever an earlier pass put in the record, so going back and on again never
// registers a name twice. "(local)" typed here is the way to the local server's permissions, which
// follow only a local server.
INT_PTR CManualServerPage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    std::wstring name = Snapins::GetControlText(m_pageWindow, IDC_NEWREG_SERVER_NAME);
    RegistrationState& state = Run();
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
    Run().addLogin = IsChecked(m_pageWindow, IDC_NEWREG_ADD_LOGIN);
    Run().giveSysadmin = IsChecked(m_pageWindow, IDC_NEWREG_SYSADMIN);
    return result;
}

CProgressPage::CProgressPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run)
    : Snapins::CProgressPage<RegistrationState>(node, std::move(run), IDC_NEWREG_PROGRESS, RegisterServers) {}

INT_PTR CProgressPage::OnSetActive(NMHDR* header) {
    auto* group = dynamic_cast<Nodes::CServers*>(m_node);
    Run().groupName = group ? group->GroupName() : std::wstring();
    return Snapins::CProgressPage<RegistrationState>::OnSetActive(header);
}

CFinishPage::CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run)
    : Snapins::CFinishPage<RegistrationState>(node, std::move(run), IDC_NEWREG_RESULT) {}

std::wstring CFinishPage::ResultText() {
    const RegistrationState& state = Run();
    std::wstring text = Snapins::LoadResString(IDS_NEWREG_COMPLETED) + L"\n\n" +
                        Snapins::LoadResString(state.result < 0 ? IDS_NEWREG_FAILED : IDS_NEWREG_SUCCEEDED);
    if (state.result < 0) text += L"\n\n" + state.errorText;
    return text;
}

std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* group) {
    auto run = std::make_shared<RegistrationState>();
    auto* start = new CStartPage(group, run);
    start->CreateExteriorPage(IDD_NEWREG_START, IDS_NEWREG_TITLE);
    auto* servers = new CServersPage(group, run);
    servers->CreateInteriorPage(IDD_NEWREG_SERVERS, IDS_NEWREG_SERVERS_TITLE, IDS_NEWREG_SERVERS_SUBTITLE);
    auto* manual = new CManualServerPage(group, run);
    manual->CreateInteriorPage(IDD_NEWREG_MANUAL, IDS_NEWREG_MANUAL_TITLE, IDS_NEWREG_MANUAL_SUBTITLE);
    auto* permissions = new CPermissionsPage(group, run);
    permissions->CreateInteriorPage(IDD_NEWREG_PERMISSIONS, IDS_NEWREG_PERMISSIONS_TITLE,
                                    IDS_NEWREG_PERMISSIONS_SUBTITLE);
    auto* progress = new CProgressPage(group, run);
    progress->CreateInteriorPage(IDD_NEWREG_PROGRESS, IDS_NEWREG_PROGRESS_TITLE,
                                 IDS_NEWREG_PROGRESS_SUBTITLE);
    auto* finish = new CFinishPage(group, run);
    finish->CreateExteriorPage(IDD_NEWREG_FINISH, IDS_NEWREG_TITLE);
    return {start, servers, manual, permissions, progress, finish};
}

} // namespace MSDE::Wizards::NewReg
