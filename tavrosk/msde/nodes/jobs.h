// The Jobs node under the SQL Server Agent: the server agent's jobs as result rows of eight columns, one
// job node per job, in the order of the server's job collection. Each job node knows its position in
// that collection; this node keeps the positions right when a job node goes.
#pragma once

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CJobs : public Snapins::CBaseNode {
public:
    CJobs();
    ~CJobs() override;

    // Binds the job server of the server node above Management; the request's result.
    HRESULT Initialize() override;
    void RemoveChild(IConsole* console, Snapins::CBaseNode* child) override;
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;
    HRESULT CreateChildren(IConsole* console) override;

    const JobServerPtr& JobServer() const { return m_jobServer; }

private:
    JobServerPtr m_jobServer;
};

} // namespace MSDE::Nodes
