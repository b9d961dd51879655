// The Logins container under Security: the Veltrane users that the storage-area access library keeps
// for the server, one result item each. Deleting a login removes the user from the library. For
// administrators it runs the Add / Modify Login wizard and lists the logins anew afterwards.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "snapins/basenode.h"

namespace MSDE {
class CDBAccessModule;
}

namespace MSDE::Nodes {

class CLogins : public Snapins::CBaseNode {
public:
    CLogins();

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    // Forgets the login and removes its user from the library.
    void RemoveChild(IConsole* console, CBaseNode* child) override;
    // Drops the login nodes, never the users: they are listed again on the next display.
    HRESULT OnRefresh(IConsole* console) override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;
    // Pages only for the wizard: the container has no property sheet.
    HRESULT QueryPagesFor() override;
    HRESULT CreateChildren(IConsole* console) override;

    // The name of the server node above Security, as the library is given it.
    std::wstring ServerName() const;
};

// The users the library lists, in its order. A server without user tables gets them made first; a
// count or a read that fails gives none.
std::vector<std::wstring> ListLibraryUsers(CDBAccessModule& library);

// Writes a failure of the storage-area access library to the debugger output: the operation that met it
// ends without effect.
void TraceLibraryFailure(const std::exception& error);

} // namespace MSDE::Nodes
