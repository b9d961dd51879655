// The "Databases" container under a connected server: it lists the server's storage areas (the user
// databases that the storage-area access library recognises) as database nodes with ten columns, and
// starts the Backup and, on a local server, the Restore wizard. On servers from major version 9 on it
// offers no wizards.
#pragma once

#include <string>
#include <vector>

#include "snapins/basenode.h"

namespace MSDE::Nodes {

// Which wizard a node is running: the console asks the node for the wizard's pages and pictures while
// it is set.
enum DatabaseWizard { kNoWizard = 0, kBackupWizard = 1, kRestoreWizard = 2 };

class CDatabases : public Snapins::CBaseNode {
public:
    // olderServer: the server's major version is below 9.
    explicit CDatabases(bool olderServer);

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT OnSelect(IConsole* console, BOOL scope, BOOL select) override;
    // The pages of the wizard being run, with no database preselected; none outside a wizard.
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;
    HRESULT GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch) override;
    HRESULT OnContextHelp(IDisplayHelp* displayHelp, const std::wstring& helpFile) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    HRESULT CreateChildren(IConsole* console) override;
    HRESULT InsertColumns(IHeaderCtrl* header) override;

    bool OlderServer() const { return m_olderServer; }
    int WizardSelector() const { return m_wizardSelector; }

private:
    bool m_olderServer;
    int m_wizardSelector = kNoWizard;
};

// The pages of the wizard that `selector` names (none for kNoWizard), in the wizard's order, each with
// its page handle made; the node keeps them. database: the one to preselect, empty for none.
std::vector<Snapins::CBasePropPage*> CreateWizardPages(Snapins::CBaseNode* node, int selector,
                                                       const std::wstring& database);

// The pictures of the wizard that `selector` names, stretched; none for kNoWizard.
HRESULT DatabaseWizardWatermarks(int selector, HBITMAP* watermark, HBITMAP* header, HPALETTE* palette,
                                 BOOL* stretch);
// "Backup Database..." and, on a local server, "Restore Database..." at the task insertion point.
HRESULT AddWizardMenuItems(Snapins::CBaseNode& node, IContextMenuCallback* callback, long* insertionAllowed,
                           bool localServer);
// Runs the wizard with the node's selector set for its length, then refreshes the node. S_FALSE.
HRESULT RunDatabaseWizard(Snapins::CBaseNode& node, int& selector, int wizard, IConsole* console,
                          IComponent* component, IComponentData* componentData, IDataObject* dataObject);

} // namespace MSDE::Nodes
