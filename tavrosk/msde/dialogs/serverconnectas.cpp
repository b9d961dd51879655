// CServerConnectAs: the radio buttons switch the SQL Server login's controls on and off; choosing
// Windows authentication also forgets the login and password, so that OK then stores none.
#include "msde/dialogs/serverconnectas.h"

#include "resources/resource.h"

namespace MSDE::Dialogs {

CServerConnectAs::CServerConnectAs(std::wstring login, std::wstring password)
    : login(std::move(login)), password(std::move(password)) {}

void CServerConnectAs::EnableLogin(bool enable) {
    for (int id : {IDC_CONNECT_USER, IDC_CONNECT_PASSWORD, IDC_CONNECT_USER_LABEL, IDC_CONNECT_PASSWORD_LABEL,
                   IDC_CONNECT_LOGIN_GROUP})
        Snapins::EnableControl(m_dialogWindow, id, enable);
}

INT_PTR CServerConnectAs::OnInitDialog(HWND window, HWND focus) {
    CBaseDlg::OnInitDialog(window, focus);
    if (!login.empty()) {
        Snapins::CheckRadio(window, IDC_CONNECT_WINDOWS, IDC_CONNECT_SQL, IDC_CONNECT_SQL);
        EnableLogin(true);
        Snapins::SetControlText(window, IDC_CONNECT_USER, login);
        Snapins::SetControlText(window, IDC_CONNECT_PASSWORD, password);
    } else {
        Snapins::CheckRadio(window, IDC_CONNECT_WINDOWS, IDC_CONNECT_SQL, IDC_CONNECT_WINDOWS);
        EnableLogin(false);
    }
    return TRUE;
}

INT_PTR CServerConnectAs::OnCommand(WORD code, WORD id, HWND control) {
    if (code == BN_CLICKED && id == IDC_CONNECT_WINDOWS) {
        EnableLogin(false);
        login.clear();
        password.clear();
        Snapins::SetControlText(m_dialogWindow, IDC_CONNECT_USER, L"");
        Snapins::SetControlText(m_dialogWindow, IDC_CONNECT_PASSWORD, L"");
        return TRUE;
    }
    if (code == BN_CLICKED && id == IDC_CONNECT_SQL) {
        EnableLogin(true);
        return TRUE;
    }
    return CBaseDlg::OnCommand(code, id, control);
}

// The edits hold at most 255 characters each.
INT_PTR CServerConnectAs::OnOK() {
    login = Snapins::GetControlText(m_dialogWindow, IDC_CONNECT_USER);
    password = Snapins::GetControlText(m_dialogWindow, IDC_CONNECT_PASSWORD);
    return CBaseDlg::OnOK();
}

} // namespace MSDE::Dialogs
