// The pages of the Backup Database wizard, which the Databases container and a database node add in
// this order: welcome, database, local file, file on a remote server, progress and completion. The
// database page sends a remote server to the remote file page; the local file page jumps past it.
#pragma once

#include <string>
#include <thread>

#include "snapins/proppage.h"
#include "msde/wizards/backup/settings.h"

namespace MSDE::Wizards::Backup {

class CStartPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnSetActive(NMHDR* header) override;
};

class CDatabasePage : public Snapins::CBasePropPage {
public:
    // preselected: the database to offer first; empty when started from the container.
    CDatabasePage(Snapins::CBaseNode* node, std::wstring preselected);
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    std::wstring m_preselected;
};

class CFilePage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    void CheckFile();
    void ChooseFile();
};

class CRemoteFilePage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
    INT_PTR OnWizardBack(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;

private:
    void UpdateButtons();
};

// Starts the worker on activation. Deleting the page waits for a worker still running (the wizard was
// cancelled under it): the record stays whole until the worker is done with it, and the next run's
// reset never happens under it.
class CProgressPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    ~CProgressPage() override;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;

private:
    std::thread m_worker;
};

class CFinishPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
};

} // namespace MSDE::Wizards::Backup
