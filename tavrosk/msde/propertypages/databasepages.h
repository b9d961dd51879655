// The three property pages of a database node: General (its figures and its read-only option, the one
// thing that can be changed here), Database Locks (the locks the server reports in it) and File Groups
// (the names of its file groups). They read everything from the node and its database object.
#pragma once

#include "snapins/proppage.h"

namespace MSDE::PropertyPages {

class CDatabaseGeneralPage : public Snapins::CBasePropPage {
public:
    // Made for the node's current sheet, whose property-change notification handle it keeps.
    explicit CDatabaseGeneralPage(Snapins::CBaseNode* node);
    // Frees the handle of the page's own sheet.
    ~CDatabaseGeneralPage() override;

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnApply(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

private:
    LONG_PTR m_notifyHandle;
};

class CDatabaseLocksPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
};

class CDatabaseFileGroupsPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
};

} // namespace MSDE::PropertyPages
