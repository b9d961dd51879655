// The pages of the Restore Database wizard, which the Databases container and a database node add to
// their wizard sheet in this order: welcome, the backup file, the database to restore as, progress and
// completion.
#pragma once

#include <string>
#include <thread>
#include <vector>

#include "snapins/proppage.h"

namespace MSDE::Wizards::Restore {

class CStartPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    ~CStartPage() override;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
};

class CFilePage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

private:
    void CheckFile();
};

// preselected: the database the wizard was started from; empty from the container.
class CDatabasePage : public Snapins::CBasePropPage {
public:
    CDatabasePage(Snapins::CBaseNode* node, std::wstring preselected);
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnWizardNext(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;

    const std::wstring& Preselected() const { return m_preselected; }

private:
    void CheckTarget(const std::wstring& target);

    std::wstring m_preselected;
};

// Starts the worker on activation. Deleting the page waits for a worker still running (the wizard was
// cancelled under it): the restore cannot be stopped half-way, and the next run's settings must never
// be reset under it.
class CProgressPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    ~CProgressPage() override;
    INT_PTR OnSetActive(NMHDR* header) override;

private:
    std::thread m_worker;
};

class CFinishPage : public Snapins::CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;
    INT_PTR OnInitDialog(HWND window, HWND focus, LPARAM param) override;
    INT_PTR OnSetActive(NMHDR* header) override;
};

// The wizard's five pages for this node, in order, each with its page handle made; the node keeps them
// and hands the handles to the sheet. preselected: the database the wizard was started from.
std::vector<Snapins::CBasePropPage*> CreatePages(Snapins::CBaseNode* node, const std::wstring& preselected);

} // namespace MSDE::Wizards::Restore
