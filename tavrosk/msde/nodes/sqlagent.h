// The SQL Server Agent node under Management: it holds the Jobs node, and nothing else.
#pragma once

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CSQLAgent : public Snapins::CBaseNode {
public:
    CSQLAgent();

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT CreateChildren(IConsole* console) override;
};

} // namespace MSDE::Nodes
