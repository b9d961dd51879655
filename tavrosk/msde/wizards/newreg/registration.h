// The Register Server wizard's record, one per run of the wizard: the pages fill it as the user goes,
// the progress page's worker registers what it names, and the finish page reads the outcome. Also the
// worker's work and the name of the local Users group that it may give a login.
#pragma once

#include <string>
#include <vector>

#include "snapins/wizard.h"

namespace MSDE::Wizards::NewReg {

// The outcome (the status of the last server attempted, or of an earlier failure), the sheet and the
// progress bar are the framework's part of the record.
struct RegistrationState : Snapins::CWizardRun {
    std::vector<std::wstring> serverNames; // in registration order
    // The group's name, taken on the console's thread: the worker finds the group through objects of its
    // own and never touches the node.
    std::wstring groupName;
    bool addLogin = false;
    bool giveSysadmin = false;
    bool manual = false;
};

// The worker's work: registers every server name in the group, moving the progress bar after each; a
// wizard closed under it stops before the next server. Negative when any registration failed.
HRESULT RegisterServers(RegistrationState& state);

// "domain\name" of the local built-in Users group, as this computer names it; empty when the account
// cannot be looked up.
std::wstring LocalUsersGroupName();

} // namespace MSDE::Wizards::NewReg
