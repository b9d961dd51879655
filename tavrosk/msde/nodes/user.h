// One user under a storage area's Users container, with the read and write access to the storage area
// that the library gave when the user was listed. Administrators grant and deny each from its menu.
#pragma once

#include <string>

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CUser : public Snapins::CBaseNode {
public:
    CUser(std::wstring name, bool read, bool write);

    // Column 0 the name, 1 read and 2 write access as "Yes" or "No".
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed) override;
    HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                          IComponentData* componentData, IDataObject* dataObject) override;

    const std::wstring& Name() const { return m_name; }
    bool Read() const { return m_read; }
    bool Write() const { return m_write; }

private:
    std::wstring m_name;
    bool m_read;
    bool m_write;
};

} // namespace MSDE::Nodes
