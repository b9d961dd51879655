// What the property sheet tests share: pages whose answers to the sheet's notifications are set by
// the test and which log every notification they get, and a script of steps that run, one posted
// message after another, inside a modal sheet's loop.
#pragma once

#include <string>
#include <vector>

#include "commctrl.h"
#include "pages.h"
#include "posted_script.h"
#include "window_test_support.h"

namespace sheettest {

// What a page answers, and what it logs ("<dialog id> <event>").
struct PageSpec {
    int dialog = 0;
    LRESULT next = 0, back = 0, setActive = 0, killActive = 0, apply = 0, queryCancel = 0, finish = 0;
    DWORD buttons = 0; // posted with PSM_SETWIZBUTTONS on PSN_SETACTIVE when not 0
    std::vector<std::string>* log = nullptr;
    HWND* sheet = nullptr; // where the sheet's window is recorded
    LPARAM initParam = 0;  // the parameter found in the page record at WM_INITDIALOG
};

inline const char* Event(UINT code) {
    switch (code) {
    case PSN_SETACTIVE:
        return "setactive";
    case PSN_KILLACTIVE:
        return "killactive";
    case PSN_APPLY:
        return "apply";
    case PSN_RESET:
        return "reset";
    case PSN_WIZNEXT:
        return "next";
    case PSN_WIZBACK:
        return "back";
    case PSN_WIZFINISH:
        return "finish";
    case PSN_QUERYCANCEL:
        return "querycancel";
    case PSN_HELP:
        return "help";
    default:
        return nullptr;
    }
}

inline INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
        auto* spec = reinterpret_cast<PageSpec*>(psp->lParam);
        SetWindowLongPtrW(page, DWLP_USER, psp->lParam);
        spec->initParam = psp->lParam;
        if (spec->log) spec->log->push_back(std::to_string(spec->dialog) + " init");
        return TRUE;
    }
    auto* spec = reinterpret_cast<PageSpec*>(GetWindowLongPtrW(page, DWLP_USER));
    if (!spec || message != WM_NOTIFY) return FALSE;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    const char* event = Event(header->code);
    if (!event) return FALSE;
    if (spec->log) spec->log->push_back(std::to_string(spec->dialog) + " " + event);
    if (spec->sheet) *spec->sheet = header->hwndFrom;
    LRESULT answer = 0;
    switch (header->code) {
    case PSN_SETACTIVE:
        answer = spec->setActive;
        if (spec->buttons) PostMessageW(header->hwndFrom, PSM_SETWIZBUTTONS, 0, spec->buttons);
        break;
    case PSN_KILLACTIVE:
        answer = spec->killActive;
        break;
    case PSN_APPLY:
        answer = spec->apply;
        break;
    case PSN_WIZNEXT:
        answer = spec->next;
        break;
    case PSN_WIZBACK:
        answer = spec->back;
        break;
    case PSN_WIZFINISH:
        answer = spec->finish;
        break;
    case PSN_QUERYCANCEL:
        answer = spec->queryCancel;
        break;
    }
    SetWindowLongPtrW(page, DWLP_MSGRESULT, answer);
    return TRUE;
}

inline HPROPSHEETPAGE MakePage(PageSpec& spec, DWORD flags = 0, LPCWSTR title = nullptr,
                               LPCWSTR headerTitle = nullptr, LPCWSTR headerSubTitle = nullptr) {
    PROPSHEETPAGEW psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = flags;
    psp.hInstance = GetModuleHandleW(nullptr);
    psp.pszTemplate = MAKEINTRESOURCEW(spec.dialog);
    psp.pszTitle = title;
    psp.pszHeaderTitle = headerTitle;
    psp.pszHeaderSubTitle = headerSubTitle;
    psp.pfnDlgProc = PageProc;
    psp.lParam = reinterpret_cast<LPARAM>(&spec);
    return CreatePropertySheetPageW(&psp);
}

using tvtest::Script;

inline PROPSHEETHEADERW Header(DWORD flags, std::vector<HPROPSHEETPAGE>& pages, LPCWSTR caption = L"Sheet") {
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = flags;
    h.hInstance = GetModuleHandleW(nullptr);
    h.pszCaption = caption;
    h.nPages = static_cast<UINT>(pages.size());
    h.phpage = pages.data();
    return h;
}

// A step that does something and goes on.
template <class Action> Script::Step Do(Action action) {
    return [action] { action(); };
}

inline HWND CurrentPage(HWND sheet) {
    return PropSheet_GetCurrentPageHwnd(sheet);
}

inline int CurrentDialog(HWND sheet) {
    HWND page = CurrentPage(sheet);
    int index = PropSheet_HwndToIndex(sheet, page);
    return static_cast<int>(PropSheet_IndexToId(sheet, index));
}

} // namespace sheettest
