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

// The pictures of the two wizards, by DatabaseWizard, stretched; none outside a wizard.
extern const Snapins::SNAPINWIZARDPICTURES kDatabaseWizardPictures[3];

class CDatabases : public Snapins::CBaseNode {
public:
    // olderServer: the server's major version is below 9.
    explicit CDatabases(bool olderServer);

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    // The pages of the wizard being run, with no database preselected; none outside a wizard.
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    HRESULT CreateChildren(IConsole* console) override;

    bool OlderServer() const { return m_olderServer; }

private:
    bool m_olderServer;
};

// The pages of the wizard that `selector` names (none for kNoWizard), in the wizard's order, each with
// its page handle made; the node keeps them. database: the one to preselect, empty for none.
std::vector<Snapins::CBasePropPage*> CreateWizardPages(Snapins::CBaseNode* node, int selector,
                                                       const std::wstring& database);

// "Backup Database..." and, on a local server, "Restore Database..." at the task insertion point.
HRESULT AddWizardMenuItems(Snapins::CBaseNode& node, IContextMenuCallback* callback, long* insertionAllowed,
                           bool localServer);
// The wizard that a menu command starts: kBackupWizard, kRestoreWizard, or kNoWizard for other commands.
int WizardOfCommand(long commandId);

} // namespace MSDE::Nodes
