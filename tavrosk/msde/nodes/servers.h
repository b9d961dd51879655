// A server group of the object model's registration store, under the root: it lists the servers
// registered in it, runs the Register Server wizard from its "New" menu and refreshes itself when that
// closes, and deletes itself, with its registrations, on the user's word.
#pragma once

#include <string>

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CServers : public Snapins::CBaseNode {
public:
    // ordinal: the group's 0-based place in the store's groups when the root listed it.
    CServers(std::wstring groupName, long ordinal);

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT OnDelete(IConsole* console) override;
    HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle) override;
    HRESULT QueryPagesFor() override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    HRESULT CreateChildren(IConsole* console) override;

    // The group in the store, found again through the root's Application; empty when it is gone.
    ServerGroupPtr FindGroup(HRESULT* result = nullptr);

    const std::wstring& GroupName() const { return m_groupName; }
    long Ordinal() const { return m_ordinal; }

private:
    std::wstring m_groupName;
    long m_ordinal;
};

} // namespace MSDE::Nodes
