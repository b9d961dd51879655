// The Restore Database wizard's pages: the file page and the database page fill the restore record and
// only enable or disable Next (nothing is ever shown to the user as a refusal); the progress page hands
// the record to the worker thread and the finish page shows how the run went.
#include "msde/wizards/restore/restore.h"

#include "resources/resource.h"
#include "snapins/basedlg.h"
#include "snapins/basenode.h"
#include "snapins/filedialog.h"
#include "snapins/module.h"
#include "snapins/resstring.h"
#include "msde/nodes/database.h"
#include "msde/nodes/server.h"
#include "mmc.h"

namespace MSDE::Wizards::Restore {

namespace {

constexpr int kTargetCharacters = 8; // longer names can only be chosen from the list

// The database nodes the Databases container holds: its children, or the siblings of the database node
// that started the wizard.
Snapins::CBaseNode* Container(Snapins::CBaseNode* node) {
    if (dynamic_cast<Nodes::CDatabase*>(node)) return node->Parent();
    return node;
}

std::wstring FoldCase(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

// True when a listed storage area has this name, letters A to Z in either case.
bool IsListed(Snapins::CBaseNode* node, const std::wstring& name) {
    Snapins::CBaseNode* container = Container(node);
    if (!container) return false;
    const std::wstring folded = FoldCase(name);
    for (auto it = container->ChildrenBegin(); it != container->ChildrenEnd(); ++it)
        if (FoldCase((*it)->GetDisplayText(0)) == folded) return true;
    return false;
}

std::wstring ServerName(Snapins::CBaseNode* node) {
    for (Snapins::CBaseNode* up = node; up; up = up->Parent())
        if (dynamic_cast<Nodes::CServer*>(up)) return up->GetDisplayText(0);
    return std::wstring();
}

// The combo box's text: the edit field of a drop-down combo, at most 255 characters.
std::wstring TargetText(HWND page) {
    return Snapins::GetControlText(page, IDC_RESTORE_TARGET);
}

// The list entry chosen in the combo box, or its edit field's text when none is.
std::wstring SelectedText(HWND combo) {
    LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || SendMessageW(combo, CB_GETLBTEXTLEN, selected, 0) > 255)
        return Snapins::GetControlText(GetParent(combo), GetDlgCtrlID(combo));
    WCHAR text[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace

INT_PTR CFilePage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Snapins::SetControlText(window, IDC_RESTORE_FILE, Snapins::SnapinModule().lastRestorePath);
    return result;
}

INT_PTR CFilePage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    CheckFile();
    return result;
}

INT_PTR CFilePage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == EN_CHANGE && id == IDC_RESTORE_FILE) CheckFile();
    if (code == BN_CLICKED && id == IDC_RESTORE_BROWSE) {
        Snapins::FileDialog dialog(m_pageWindow);
        dialog.SetTitle(IDS_RESTORE_OPEN_TITLE);
        std::wstring path = dialog.Open();
        // Setting the text runs the check through EN_CHANGE.
        if (!path.empty()) Snapins::SetControlText(m_pageWindow, IDC_RESTORE_FILE, path);
    }
    return CBasePropPage::OnCommand(code, id, control);
}

// The backup file must exist and be free for this wizard alone: a file another program still writes is
// not offered for a restore.
void CFilePage::CheckFile() {
    std::wstring path = Snapins::GetControlText(m_pageWindow, IDC_RESTORE_FILE);
    HANDLE file = path.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetButtons(PSWIZB_BACK);
        return;
    }
    CloseHandle(file);
    SetButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

INT_PTR CFilePage::OnWizardNext(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnWizardNext(header);
    RestoreState& state = Run();
    state.backupFile = Snapins::GetControlText(m_pageWindow, IDC_RESTORE_FILE);
    state.media = 0;
    Snapins::SnapinModule().lastRestorePath = state.backupFile;
    return result;
}

CDatabasePage::CDatabasePage(Snapins::CBaseNode* node, std::shared_ptr<RestoreState> run,
                             std::wstring preselected)
    : CPage(node, std::move(run)), m_preselected(std::move(preselected)) {}

// The list is what the container shows; with no database preselected, or none of that name, the first
// entry is chosen.
INT_PTR CDatabasePage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    HWND combo = GetDlgItem(window, IDC_RESTORE_TARGET);
    if (Snapins::CBaseNode* container = Container(m_node))
        for (auto it = container->ChildrenBegin(); it != container->ChildrenEnd(); ++it)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((*it)->GetDisplayText(0).c_str()));
    LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(m_preselected.c_str()));
    SendMessageW(combo, CB_SETCURSEL, index == CB_ERR ? 0 : index, 0);
    SendMessageW(combo, CB_LIMITTEXT, kTargetCharacters, 0);
    return result;
}

// Next waits for the target check, which the first change of the target runs.
INT_PTR CDatabasePage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    SetButtons(PSWIZB_BACK);
    return result;
}

INT_PTR CDatabasePage::OnCommand(WORD code, WORD id, HWND control) {
    if (id == IDC_RESTORE_OVERWRITE && code == BN_CLICKED) {
        bool ticked = IsDlgButtonChecked(m_pageWindow, IDC_RESTORE_OVERWRITE) == BST_CHECKED;
        SetButtons(ticked ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    } else if (id == IDC_RESTORE_TARGET && code == CBN_SELCHANGE) {
        // The edit field shows the chosen entry only after this notification.
        CheckTarget(SelectedText(control));
    } else if (id == IDC_RESTORE_TARGET &&
               (code == CBN_EDITCHANGE || code == CBN_CLOSEUP || code == EN_CHANGE)) {
        CheckTarget(TargetText(m_pageWindow));
    }
    return CBasePropPage::OnCommand(code, id, control);
}

// An existing storage area is restored over only on the user's word; a new name needs none.
void CDatabasePage::CheckTarget(const std::wstring& target) {
    if (target.empty()) {
        SetButtons(PSWIZB_BACK);
        return;
    }
    if (IsListed(m_node, target)) {
        Snapins::EnableControl(m_pageWindow, IDC_RESTORE_OVERWRITE, true);
        bool ticked = IsDlgButtonChecked(m_pageWindow, IDC_RESTORE_OVERWRITE) == BST_CHECKED;
        SetButtons(ticked ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
    } else {
        Snapins::EnableControl(m_pageWindow, IDC_RESTORE_OVERWRITE, false);
        SetButtons(PSWIZB_BACK | PSWIZB_NEXT);
    }
}

// The name the user confirmed overwriting counts as that storage area in any letter case, the same
// comparison the page's check made: restoring it "as new" would make a second database of that name.
INT_PTR CDatabasePage::OnWizardNext(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnWizardNext(header);
    RestoreState& state = Run();
    state.targetName = TargetText(m_pageWindow);
    state.serverName = ServerName(m_node);
    state.targetExists = IsListed(m_node, state.targetName);
    if (state.targetName.empty()) SetMessageResult(-1);
    return result;
}

CFinishPage::CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<RestoreState> run)
    : Snapins::CFinishPage<RestoreState>(node, std::move(run), IDC_RESTORE_RESULT) {}

std::wstring CFinishPage::ResultText() {
    if (Run().result < 0) return Snapins::LoadResString(IDS_RESTORE_FAILED) + L"\n\n" + Run().errorText;
    return Snapins::LoadResString(IDS_RESTORE_SUCCEEDED);
}

std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* node, const std::wstring& preselected) {
    auto run = std::make_shared<RestoreState>();
    // The sheet's notification handle is given back with the wizard's first page.
    auto* start = new CStartPage(node, run, true);
    start->CreateExteriorPage(IDD_RESTORE_START, IDS_RESTORE_TITLE);
    auto* file = new CFilePage(node, run);
    file->CreateInteriorPage(IDD_RESTORE_FILE, IDS_RESTORE_FILE_TITLE, IDS_RESTORE_FILE_SUBTITLE);
    auto* database = new CDatabasePage(node, run, preselected);
    database->CreateInteriorPage(IDD_RESTORE_DATABASE, IDS_RESTORE_DATABASE_TITLE,
                                 IDS_RESTORE_DATABASE_SUBTITLE);
    auto* progress = new CProgressPage(node, run, IDC_RESTORE_PROGRESS, RestoreDatabase);
    progress->CreateInteriorPage(IDD_RESTORE_PROGRESS, IDS_RESTORE_PROGRESS_TITLE,
                                 IDS_RESTORE_PROGRESS_SUBTITLE);
    auto* finish = new CFinishPage(node, run);
    finish->CreateExteriorPage(IDD_RESTORE_FINISH, IDS_RESTORE_TITLE);
    return {start, file, database, progress, finish};
}

} // namespace MSDE::Wizards::Restore
