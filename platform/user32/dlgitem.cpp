// The functions that reach a dialog's controls by id: GetDlgItem and GetDlgCtrlID, the text and number
// of a control, the check of a button, and SendDlgItemMessageW. Each is the message it stands for, sent
// to the control, so a control notifies exactly as it does for that message.
#include <climits>
#include <cwctype>

#include "tvplatform.h"
#include "user32_internal.h"

using namespace u32;

extern "C" HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    std::lock_guard guard(Lock());
    Window* dialog = FindLocked(hDlg);
    if (!dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : dialog->children)
        if (Window* w = FindLocked(child); w && static_cast<int>(w->id) == nIDDlgItem) return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

extern "C" int WINAPI GetDlgCtrlID(HWND hWnd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(w->id);
}

extern "C" LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                              LPARAM lParam) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageW(control, Msg, wParam, lParam) : 0;
}

extern "C" BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control && SetWindowTextW(control, lpString);
}

extern "C" BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    std::wstring text = lpString ? tvp::FromUtf8(lpString) : std::wstring();
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

extern "C" UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
    if (lpString && cchMax > 0) lpString[0] = L'\0';
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? static_cast<UINT>(GetWindowTextW(control, lpString, cchMax)) : 0;
}

extern "C" UINT WINAPI GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL* lpTranslated, BOOL bSigned) {
    if (lpTranslated) *lpTranslated = FALSE;
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    if (!control) return 0;
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));

    size_t at = 0;
    while (at < text.size() && iswspace(text[at]))
        ++at;
    bool negative = bSigned && at < text.size() && text[at] == L'-';
    if (negative) ++at;
    size_t digits = at;
    unsigned long long value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        value = value * 10 + static_cast<unsigned>(text[at] - L'0');
        if (value > UINT_MAX + 1ull) value = UINT_MAX + 2ull; // stays out of range, without overflow
    }
    if (at == digits) return 0;
    while (at < text.size() && iswspace(text[at]))
        ++at;
    if (at != text.size()) return 0;
    unsigned long long limit =
        bSigned ? (negative ? INT_MAX + 1ull : static_cast<unsigned long long>(INT_MAX)) : UINT_MAX;
    if (value > limit) return 0;
    if (lpTranslated) *lpTranslated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<long long>(value)) : static_cast<UINT>(value);
}

extern "C" BOOL WINAPI SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
    std::wstring text = bSigned ? std::to_wstring(static_cast<int>(uValue)) : std::to_wstring(uValue);
    return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

extern "C" BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND button = GetDlgItem(hDlg, nIDButton);
    if (!button) return FALSE;
    SendMessageW(button, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

extern "C" UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    HWND button = GetDlgItem(hDlg, nIDButton);
    return button ? static_cast<UINT>(SendMessageW(button, BM_GETCHECK, 0, 0)) : 0;
}

extern "C" BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton,
                                        int nIDCheckButton) {
    if (!IsWindow(hDlg)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        if (HWND button = GetDlgItem(hDlg, id))
            SendMessageW(button, BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}
