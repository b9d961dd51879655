// The Connect As dialog of a server: Windows authentication, or a SQL Server login and its password.
// The caller gives the credentials it holds and reads them back after OK.
#pragma once

#include <string>

#include "snapins/basedlg.h"

namespace MSDE::Dialogs {

class CServerConnectAs : public Snapins::CBaseDlg {
public:
    CServerConnectAs(std::wstring login, std::wstring password);

    INT_PTR OnInitDialog(HWND window, HWND focus) override;
    INT_PTR OnOK() override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

    // Empty login: Windows authentication.
    std::wstring login;
    std::wstring password;

private:
    // The login group and its labels and edits, on for a SQL Server login.
    void EnableLogin(bool enable);
};

} // namespace MSDE::Dialogs
