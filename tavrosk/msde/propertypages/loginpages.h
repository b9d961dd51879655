// The property pages of a login: General shows its name; Permissions, for administrators, sets the
// login's read and write permission on each Veltrane data type, read from and written to the
// storage-area access library's UserPerm database.
#pragma once

#include "snapins/proppage.h"
#include "msde/dbaccess.h"

namespace MSDE::PropertyPages {

class CLoginGeneralPage : public Snapins::CBasePropPage {
public:
    // notifyHandle: the sheet's handle when this page frees it (the sheet has no Permissions page), else 0.
    CLoginGeneralPage(Snapins::CBaseNode* node, LONG_PTR notifyHandle);
    ~CLoginGeneralPage() override;

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;

private:
    LONG_PTR m_notifyHandle;
};

class CLoginPermissionPage : public Snapins::CBasePropPage {
public:
    static constexpr int kTypes = CDBAccessModule::kDataTypes;

    // The page frees the sheet's notify handle when it is destroyed.
    CLoginPermissionPage(Snapins::CBaseNode* node, LONG_PTR notifyHandle);
    ~CLoginPermissionPage() override;

    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnApply(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

    // The flags of data type `type` (1 to 26); 1 = set.
    int ReadFlag(int type) const { return m_read[type - 1]; }
    int WriteFlag(int type) const { return m_write[type - 1]; }
    int ThirdFlag(int type) const { return m_third[type - 1]; }
    int FourthFlag(int type) const { return m_fourth[type - 1]; }

private:
    // The data type of the list's selected row; 0 when none is selected.
    int SelectedType() const;
    void ShowChecks(int type);
    void ShowSummary(int type);
    // Takes the check boxes into the selected type's flags and tells the sheet.
    void TakeChecks();

    LONG_PTR m_notifyHandle;
    int m_read[kTypes] = {};
    int m_write[kTypes] = {};
    int m_third[kTypes] = {};
    int m_fourth[kTypes] = {};
};

} // namespace MSDE::PropertyPages
