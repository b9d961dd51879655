// The Backup Database wizard's pages: each fills its part of the record and chooses the page that
// follows; the progress page hands the record to the worker thread and the finish page shows how the
// run went. No page shows a message: invalid input only keeps Next disabled.
#include "msde/wizards/backup/backup.h"

#include "resources/resource.h"
#include "snapins/basedlg.h"
#include "snapins/basenode.h"
#include "snapins/filedialog.h"
#include "snapins/module.h"
#include "snapins/resstring.h"
#include "msde/connection.h"
#include "msde/dmo.h"
#include "msde/nodes/database.h"
#include "msde/nodes/nodetext.h"
#include "msde/nodes/server.h"

namespace MSDE::Wizards::Backup {

namespace {

constexpr int kTextCharacters = 255;
constexpr int kTemplateCharacters = 500;

// The Databases container the wizard runs for: the node itself, or a database node's parent.
Snapins::CBaseNode* Container(Snapins::CBaseNode* node) {
    if (dynamic_cast<Nodes::CDatabase*>(node)) return node->Parent();
    return node;
}

Nodes::CServer* ServerOf(Snapins::CBaseNode* node) {
    Snapins::CBaseNode* container = node ? Container(node) : nullptr;
    return container ? dynamic_cast<Nodes::CServer*>(container->Parent()) : nullptr;
}

std::wstring ComboItemText(HWND combo, int index) {
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// The server's default backup folder, ending with a separator; empty when it cannot be read.
std::wstring DefaultBackupFolder(Nodes::CServer* server) {
    if (!server) return std::wstring();
    HRESULT hr = S_OK;
    ServerPtr object = OpenServer(server->ServerName(), CredentialsOf(server), &hr);
    if (FAILED(hr)) return std::wstring();
    RegistryPtr registry;
    BSTR text = nullptr;
    if (FAILED(raw(object)->GetRegistry(out(registry))) || !raw(registry) ||
        FAILED(raw(registry)->GetBackupDirectory(&text)))
        return std::wstring();
    std::wstring folder = Nodes::TakeText(text);
    if (folder.empty()) return folder;
    // A folder ends with the separator it already uses.
    const wchar_t separator =
        folder.find(L'/') == std::wstring::npos && folder.find(L'\\') != std::wstring::npos ? L'\\' : L'/';
    if (folder.back() != L'/' && folder.back() != L'\\') folder += separator;
    return folder;
}

} // namespace

CDatabasePage::CDatabasePage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run,
                             std::wstring preselected)
    : CPage(node, std::move(run)), m_preselected(std::move(preselected)) {}

// The candidates are the database nodes the container holds now: a container never expanded offers none.
INT_PTR CDatabasePage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Snapins::CheckRadio(window, IDC_BACKUP_FULL, IDC_BACKUP_LOG, IDC_BACKUP_FULL);
    HWND combo = GetDlgItem(window, IDC_BACKUP_DATABASE);
    if (Snapins::CBaseNode* container = m_node ? Container(m_node) : nullptr)
        for (auto it = container->ChildrenBegin(); it != container->ChildrenEnd(); ++it)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((*it)->GetDisplayText(0).c_str()));
    int chosen = 0;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; !m_preselected.empty() && i < count; ++i)
        if (ComboItemText(combo, i) == m_preselected) {
            chosen = i;
            break;
        }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    return result;
}

INT_PTR CDatabasePage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    SetButtons(PSWIZB_BACK | PSWIZB_NEXT);
    return result;
}

INT_PTR CDatabasePage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    BackupSettings& settings = Run();
    if (IsDlgButtonChecked(m_pageWindow, IDC_BACKUP_FULL) == BST_CHECKED)
        settings.backupType = kFullBackup;
    else if (IsDlgButtonChecked(m_pageWindow, IDC_BACKUP_DIFFERENTIAL) == BST_CHECKED)
        settings.backupType = kDifferentialBackup;
    else
        settings.backupType = kLogBackup;
    settings.databaseName = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_DATABASE);
    settings.description = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_DESCRIPTION);
    Nodes::CServer* server = ServerOf(m_node);
    settings.serverName = server ? server->ServerName() : std::wstring();
    SetMessageResult(IsLocalServer(server, true) ? 0 : IDD_BACKUP_REMOTE_FILE);
    return TRUE;
}

INT_PTR CFilePage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Snapins::CheckRadio(window, IDC_BACKUP_DISK, IDC_BACKUP_TAPE, IDC_BACKUP_DISK);
    Snapins::SetControlText(window, IDC_BACKUP_FILE, Snapins::SnapinModule().lastBackupPath);
    return result;
}

INT_PTR CFilePage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    CheckFile();
    return result;
}

INT_PTR CFilePage::OnCommand(WORD code, WORD id, HWND control) {
    if ((code == EN_CHANGE && id == IDC_BACKUP_FILE) || (code == BN_CLICKED && id == IDC_BACKUP_OVERWRITE))
        CheckFile();
    else if (code == BN_CLICKED && id == IDC_BACKUP_BROWSE)
        ChooseFile();
    return CBasePropPage::OnCommand(code, id, control);
}

// A file that exists and could be replaced needs the overwrite box; one that exists but cannot be opened
// for writing is left to the server to refuse. Posted: the page may be answering PSN_SETACTIVE.
void CFilePage::CheckFile() {
    const std::wstring path = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_FILE);
    bool usable = !path.empty();
    if (usable) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (IsDlgButtonChecked(m_pageWindow, IDC_BACKUP_OVERWRITE) != BST_CHECKED) usable = false;
            CloseHandle(file);
        }
    }
    if (!usable) CheckDlgButton(m_pageWindow, IDC_BACKUP_OVERWRITE, BST_UNCHECKED);
    SetButtons(usable ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

// The save dialog has already asked about replacing the file, so the choice counts as overwrite.
void CFilePage::ChooseFile() {
    Snapins::FileDialog dialog(m_pageWindow);
    dialog.SetTitle(IDS_BACKUP_SAVE_TITLE);
    const std::wstring path = dialog.Save();
    if (path.empty()) return;
    CheckDlgButton(m_pageWindow, IDC_BACKUP_OVERWRITE, BST_CHECKED);
    Snapins::SetControlText(m_pageWindow, IDC_BACKUP_FILE, path);
}

// The schedule page would follow here; the wizard goes on to the progress page, past the remote file page.
INT_PTR CFilePage::OnWizardNext(NMHDR* header) {
    CBasePropPage::OnWizardNext(header);
    BackupSettings& settings = Run();
    settings.media =
        IsDlgButtonChecked(m_pageWindow, IDC_BACKUP_DISK) == BST_CHECKED ? kDiskMedia : kTapeMedia;
    settings.backupFile = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_FILE);
    Snapins::SnapinModule().lastBackupPath = settings.backupFile;
    SetMessageResult(IDD_BACKUP_PROGRESS);
    return TRUE;
}

INT_PTR CRemoteFilePage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    Snapins::SetControlText(window, IDC_BACKUP_FOLDER, DefaultBackupFolder(ServerOf(m_node)));
    return result;
}

INT_PTR CRemoteFilePage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    UpdateButtons();
    return result;
}

INT_PTR CRemoteFilePage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == EN_CHANGE && id == IDC_BACKUP_FILE_NAME) UpdateButtons();
    return CBasePropPage::OnCommand(code, id, control);
}

void CRemoteFilePage::UpdateButtons() {
    bool named = GetWindowTextLengthW(GetDlgItem(m_pageWindow, IDC_BACKUP_FILE_NAME)) > 0;
    SetButtons(named ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

INT_PTR CRemoteFilePage::OnWizardBack(NMHDR* header) {
    CBasePropPage::OnWizardBack(header);
    SetMessageResult(IDD_BACKUP_DATABASE);
    return TRUE;
}

// Without a folder the name is stored in brackets: a file name the server places itself.
INT_PTR CRemoteFilePage::OnWizardNext(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnWizardNext(header);
    BackupSettings& settings = Run();
    settings.media = kDiskMedia;
    const std::wstring folder = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_FOLDER);
    const std::wstring name = Snapins::GetControlText(m_pageWindow, IDC_BACKUP_FILE_NAME);
    settings.backupFile = folder.empty() ? L"[" + name + L"]" : folder + name;
    return result;
}

CProgressPage::CProgressPage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run)
    : Snapins::CProgressPage<BackupSettings>(node, std::move(run), IDC_BACKUP_PROGRESS, RunBackup) {}

INT_PTR CProgressPage::OnInitDialog(HWND window, HWND focus, LPARAM param) {
    INT_PTR result = CBasePropPage::OnInitDialog(window, focus, param);
    WCHAR pattern[kTemplateCharacters + 1] = {};
    GetDlgItemTextW(window, IDC_BACKUP_TEXT, pattern, kTemplateCharacters + 1);
    Snapins::SetControlText(window, IDC_BACKUP_TEXT, ProgressText(pattern, Run()));
    return result;
}

INT_PTR CProgressPage::OnSetActive(NMHDR* header) {
    Run().credentials = CredentialsOf(ServerOf(m_node));
    return Snapins::CProgressPage<BackupSettings>::OnSetActive(header);
}

CFinishPage::CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run)
    : Snapins::CFinishPage<BackupSettings>(node, std::move(run), IDC_BACKUP_TEXT) {}

std::wstring CFinishPage::ResultText() {
    return FinishText(Run());
}

std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* node, const std::wstring& preselected) {
    auto run = std::make_shared<BackupSettings>();
    auto* start = new CStartPage(node, run);
    start->CreateExteriorPage(IDD_BACKUP_START, IDS_BACKUP_TITLE);
    auto* database = new CDatabasePage(node, run, preselected);
    database->CreateInteriorPage(IDD_BACKUP_DATABASE, IDS_BACKUP_DATABASE_TITLE,
                                 IDS_BACKUP_DATABASE_SUBTITLE);
    auto* file = new CFilePage(node, run);
    file->CreateInteriorPage(IDD_BACKUP_FILE, IDS_BACKUP_FILE_TITLE, IDS_BACKUP_FILE_SUBTITLE);
    auto* remote = new CRemoteFilePage(node, run);
    remote->CreateInteriorPage(IDD_BACKUP_REMOTE_FILE, IDS_BACKUP_REMOTE_TITLE, IDS_BACKUP_REMOTE_SUBTITLE);
    auto* progress = new CProgressPage(node, run);
    progress->CreateInteriorPage(IDD_BACKUP_PROGRESS, IDS_BACKUP_PROGRESS_TITLE,
                                 IDS_BACKUP_PROGRESS_SUBTITLE);
    auto* finish = new CFinishPage(node, run);
    finish->CreateExteriorPage(IDD_BACKUP_FINISH, IDS_BACKUP_TITLE);
    return {start, database, file, remote, progress, finish};
}

} // namespace MSDE::Wizards::Backup
