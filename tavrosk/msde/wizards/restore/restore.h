// The pages of the Restore Database wizard, which the Databases container and a database node add to
// their wizard sheet in this order: welcome, the backup file, the database to restore as, progress and
// completion.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "snapins/wizard.h"
#include "msde/wizards/restore/restoration.h"

namespace MSDE::Wizards::Restore {

using CPage = Snapins::CWizardPage<RestoreState>;

using CStartPage = Snapins::CStartPage<RestoreState>;

class CFilePage : public CPage {
public:
    using CPage::CPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

private:
    void CheckFile();
};

// preselected: the database the wizard was started from; empty from the container.
class CDatabasePage : public CPage {
public:
    CDatabasePage(Snapins::CBaseNode* node, std::shared_ptr<RestoreState> run, std::wstring preselected);
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

    const std::wstring& Preselected() const { return m_preselected; }

private:
    void CheckTarget(const std::wstring& target);

    std::wstring m_preselected;
};

// Runs the restore.
using CProgressPage = Snapins::CProgressPage<RestoreState>;

class CFinishPage : public Snapins::CFinishPage<RestoreState> {
public:
    CFinishPage(Snapins::CBaseNode* node, std::shared_ptr<RestoreState> run);

protected:
    std::wstring ResultText() override;
};

// The wizard's five pages for this node, in order, sharing one new record, each with its page handle made;
// the node keeps them and hands the handles to the sheet. preselected: the database the wizard was started
// from.
std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* node, const std::wstring& preselected);

} // namespace MSDE::Wizards::Restore
