// The settings of the Register Server wizard, one record for the whole process (one run of the wizard at
// a time): the pages fill it as the user goes, the progress page's worker thread registers what it
// names, and the finish page reads the outcome. The worker is the only code that runs off the console's
// thread; it reaches the pages only through window messages.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "windows.h"

namespace Snapins {
class CBaseNode;
}

namespace MSDE::Wizards::NewReg {

struct RegistrationState {
    std::vector<std::wstring> serverNames; // in registration order
    HWND sheetWindow = nullptr;            // the worker presses Next on it when done
    HWND progressWindow = nullptr;         // the page whose progress bar the worker moves
    Snapins::CBaseNode* groupNode = nullptr;
    // The group's name, taken on the console's thread: the worker finds the group through objects of its
    // own and never touches the node.
    std::wstring groupName;
    std::wstring errorText; // description of the last failure caught during the run
    HRESULT status = S_OK;  // negative when any registration of the run failed
    bool addLogin = false;
    bool giveSysadmin = false;
    bool manual = false;
    // Set when the wizard is closed under a running worker: it stops before the next server.
    std::atomic<bool> stop{false};
};

RegistrationState& Registration();
// Empties every field, as the wizard's first page does when it is made.
void ResetRegistration();

// The worker thread's body: registers every server name in the group, moving the progress bar, then
// presses Next on the sheet and clears what the finish page does not read.
void RegisterServers();

// "domain\name" of the local built-in Users group, as this computer names it; empty when the account
// cannot be looked up.
std::wstring LocalUsersGroupName();

} // namespace MSDE::Wizards::NewReg
