// The Management container under a connected server. For a server older than major version 9 it holds
// the SQL Server Agent node; a newer server is managed with that server's own tools, so the container
// has no children and its result pane is a notice saying so.
#pragma once

#include "snapins/basenode.h"

namespace MSDE::Nodes {

class CManagement : public Snapins::CBaseNode {
public:
    explicit CManagement(bool olderServer);

    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    // The list for an older server, the console's message view for a newer one.
    HRESULT GetResultViewType(LPOLESTR* viewType, long* viewOptions) override;
    HRESULT OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item) override;
    HRESULT CreateChildren(IConsole* console) override;

    bool OlderServer() const { return m_olderServer; }

private:
    HRESULT ShowNewerServerNotice(IConsole* console, HSCOPEITEM item);

    bool m_olderServer;
};

} // namespace MSDE::Nodes
