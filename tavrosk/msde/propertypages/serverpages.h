// The two pages of a server's property sheet: the server's logins and its backup devices, each a plain
// list of names. They only show what the connected server holds and have nothing to apply.
#pragma once

#include "snapins/proppage.h"

namespace MSDE::PropertyPages {

class CServerLoginsPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    // The sheet is closing: the node's notify handle is given back to the console.
    INT_PTR OnDestroy() override;
};

class CServerBackupDevicesPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
};

} // namespace MSDE::PropertyPages
