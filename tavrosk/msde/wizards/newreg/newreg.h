// The pages of the Register Server wizard, which a server group adds to its wizard sheet in this order:
// welcome, servers found on the network, a server typed by hand, the local server's permissions,
// progress and completion. Pages jump to each other by dialog id.
#pragma once

#include <thread>

#include "snapins/proppage.h"
#include "snapins/twolistpick.h"

namespace MSDE::Wizards::NewReg {

class CStartPage : public Snapins::CBasePropPage {
public:
    // Making the wizard's first page starts a new record of settings.
    explicit CStartPage(Snapins::CBaseNode* node);
    ~CStartPage() override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
};

// Available servers on the right, the ones to register on the left.
class CServersPage : public Snapins::CTwoListPickPage {
public:
    using CTwoListPickPage::CTwoListPickPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
};

class CManualServerPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnWizardBack(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

private:
    void UpdateButtons();
};

class CPermissionsPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
};

// Starts the worker on activation. Deleting the page waits for a worker still running (the wizard was
// closed under it), which stops before its next server: the record and the group stay valid for as long
// as it runs, and the next run's record is never reset under it.
class CProgressPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    ~CProgressPage() override;
    INT_PTR OnSetActive(NMHDR* header) override;

private:
    std::thread m_worker;
};

class CFinishPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnSetActive(NMHDR* header) override;
};

} // namespace MSDE::Wizards::NewReg
