// The Users container under a storage area: the users of the storage-area access library with their
// read and write access to that storage area, one result item each.
#pragma once

#include <string>

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CUsers : public Snapins::CBaseNode {
public:
    CUsers();

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT CreateChildren(IConsole* console) override;

    // The server node's name and the storage area's (the database node above), as the library is given
    // them; empty outside a database node.
    std::wstring ServerName() const;
    std::wstring AreaName() const;
};

} // namespace MSDE::Nodes
