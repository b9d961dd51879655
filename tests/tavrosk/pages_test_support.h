// What the page framework tests share: the test program as the resource module (its templates come
// from resources/pages_test.rc), a node that keeps pages, and a script of steps that run one posted
// message after another inside the modal loop of a sheet or dialog, as a person acting on it would.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../tavrosk/snapins/basenode.h"
#include "../../tavrosk/snapins/module.h"
#include "../../tavrosk/snapins/proppage.h"
#include "resources/pages_test_ids.h"
#include "tvinput.h"

namespace pagestest {

inline const bool kResourcesFromTestProgram = [] {
    Snapins::SnapinModule().resourceModule = GetModuleHandleW(nullptr);
    return true;
}();

class TestNode : public Snapins::CBaseNode {
public:
    const std::wstring GetDisplayText(int) override { return L"Test"; }
    using CBaseNode::KeepPage;
};

// Steps that run inside a modal loop, each from its own posted message, so that whatever the previous
// step posted (PSM_SETWIZBUTTONS, PSM_PRESSBUTTON) is handled first.
class Script {
public:
    using Step = std::function<void()>;
    explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.cbWndExtra = sizeof(void*);
            wc.lpszClassName = L"PagesTestScript";
            return RegisterClassExW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window_ = CreateWindowExW(0, L"PagesTestScript", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                  nullptr);
        SetWindowLongPtrW(window_, 0, reinterpret_cast<LONG_PTR>(this));
        PostMessageW(window_, WM_APP, 0, 0);
    }
    ~Script() { DestroyWindow(window_); }
    bool Finished() const { return next_ == steps_.size(); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Script*>(GetWindowLongPtrW(hwnd, 0));
        if (message == WM_APP && self && self->next_ < self->steps_.size()) {
            // Everything already queued runs first, then the step.
            if (wParam == 0) {
                PostMessageW(hwnd, WM_APP, 1, 0);
                return 0;
            }
            self->steps_[self->next_++]();
            PostMessageW(hwnd, WM_APP, 0, 0);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
    HWND window_;
};

// A modal Wizard97 wizard (or a property sheet) of these pages; 1 when it was finished, 0 cancelled.
inline INT_PTR RunSheet(const std::vector<Snapins::CBasePropPage*>& pages, bool wizard = true) {
    std::vector<HPROPSHEETPAGE> handles;
    for (Snapins::CBasePropPage* page : pages)
        handles.push_back(page->PageHandle());
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = wizard ? PSH_WIZARD97 : PSH_DEFAULT;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = L"Sheet";
    header.nPages = static_cast<UINT>(handles.size());
    header.phpage = handles.data();
    return PropertySheetW(&header);
}

// The dialog id of the page a sheet shows.
inline int CurrentDialog(HWND sheet) {
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    return static_cast<int>(PropSheet_IndexToId(sheet, PropSheet_HwndToIndex(sheet, page)));
}

inline void Press(HWND sheet, int button) {
    SendMessageW(sheet, PSM_PRESSBUTTON, button, 0);
}

inline bool Enabled(HWND control) {
    return IsWindowEnabled(control) && IsWindowVisible(control);
}

inline std::wstring TextOf(HWND window) {
    tvp::WindowState state;
    return tvp::GetWindowState(window, state) ? state.text : L"<no window>";
}

} // namespace pagestest
