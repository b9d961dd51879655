// The pages of the Register Server wizard, which a server group adds to its wizard sheet in this order:
// welcome, servers found on the network, a server typed by hand, the local server's permissions,
// progress and completion. Pages jump to each other by dialog id.
#pragma once

#include <memory>
#include <vector>

#include "snapins/twolistpick.h"
#include "snapins/wizard.h"
#include "msde/wizards/newreg/registration.h"

namespace MSDE::Wizards::NewReg {

using CPage = Snapins::CWizardPage<RegistrationState>;

class CStartPage : public Snapins::CStartPage<RegistrationState> {
public:
    // The sheet's notification handle is given back with the wizard's first page.
    CStartPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run);
    INT_PTR OnWizardNext(NMHDR* header) override;
};

// Available servers on the right, the ones to register on the left.
class CServersPage : public Snapins::CWizardPage<RegistrationState, Snapins::CTwoListPickPage> {
public:
    using CWizardPage::CWizardPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
};

class CManualServerPage : public CPage {
public:
    using CPage::CPage;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnWizardBack(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

private:
    void UpdateButtons();
};

class CPermissionsPage : public CPage {
public:
    using CPage::CPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
};

// Notes the group's name in the record and registers the servers.
class CProgressPage : public Snapins::CProgressPage<RegistrationState> {
public:
    CProgressPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run);
    INT_PTR OnSetActive(NMHDR* header) override;
};

class CFinishPage : public Snapins::CFinishPage<RegistrationState> {
public:
    CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<RegistrationState> run);

protected:
    std::wstring ResultText() override;
};

// The wizard's six pages for the server group, in order, sharing one new record, each with its page
// handle made; the node keeps them and hands the handles to the sheet.
std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* group);

} // namespace MSDE::Wizards::NewReg
