// What the page framework tests share: the test program as the resource module (its templates come
// from resources/pages_test.rc), a node that keeps pages, and a script of steps that run one posted
// message after another inside the modal loop of a sheet or dialog, as a person acting on it would.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../../tavrosk/snapins/basenode.h"
#include "../../tavrosk/snapins/module.h"
#include "../../tavrosk/snapins/proppage.h"
#include "posted_script.h"
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

using tvtest::Script;

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
