// The Security container under a connected server: it holds the Logins container and nothing else.
#pragma once

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CSecurity : public Snapins::CBaseNode {
public:
    CSecurity();

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT CreateChildren(IConsole* console) override;
};

} // namespace MSDE::Nodes
