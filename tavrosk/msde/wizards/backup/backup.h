// The pages of the Backup Database wizard, which the Databases container and a database node add in
// this order: welcome, database, local file, file on a remote server, progress and completion. The
// database page sends a remote server to the remote file page; the local file page jumps past it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "snapins/wizard.h"
#include "msde/wizards/backup/settings.h"

namespace MSDE::Wizards::Backup {

using CPage = Snapins::CWizardPage<BackupSettings>;

using CStartPage = Snapins::CStartPage<BackupSettings>;

class CDatabasePage : public CPage {
public:
    // preselected: the database to offer first; empty when started from the container.
    CDatabasePage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run, std::wstring preselected);
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    std::wstring m_preselected;
};

class CFilePage : public CPage {
public:
    using CPage::CPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    void CheckFile();
    void ChooseFile();
};

class CRemoteFilePage : public CPage {
public:
    using CPage::CPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
    INT_PTR OnWizardBack(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    void UpdateButtons();
};

// Shows the summary and runs the backup; the server node's credentials go into the record first.
class CProgressPage : public Snapins::CProgressPage<BackupSettings> {
public:
    CProgressPage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run);
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
};

class CFinishPage : public Snapins::CFinishPage<BackupSettings> {
public:
    CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<BackupSettings> run);

protected:
    std::wstring ResultText() override;
};

// The wizard's pages for this node, in order, sharing one new record, each with its page handle made;
// the node keeps them and hands the handles to the sheet. preselected: the database the wizard was
// started from.
std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* node, const std::wstring& preselected);

} // namespace MSDE::Wizards::Backup
