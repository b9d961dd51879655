// CSQLAgent: the server agent's node, whose one child is the list of the agent's jobs.
#include "msde/nodes/sqlagent.h"

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/jobs.h"

namespace MSDE::Nodes {

namespace {
// {22631325-5846-4DE9-8D49-662A6C9D9B33}
DEFINE_GUID(NODETYPE_SQLAgent, 0x22631325, 0x5846, 0x4DE9, 0x8D, 0x49, 0x66, 0x2A, 0x6C, 0x9D, 0x9B, 0x33);
} // namespace

CSQLAgent::CSQLAgent() {
    m_imageIndex = 6;
    m_openImageIndex = 6;
    m_helpTopic = L"::sqlserveragent.htm";
}

const std::wstring CSQLAgent::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_SQL_AGENT);
}

const GUID* CSQLAgent::GetNodeType() {
    return &NODETYPE_SQLAgent;
}

// The Jobs node binds the job server as soon as it is under this node, which leads it to the server.
HRESULT CSQLAgent::CreateChildren(IConsole*) {
    if (!m_children.empty()) return S_OK;
    auto* jobs = new CJobs();
    AddChild(jobs, true);
    jobs->Initialize();
    return S_OK;
}

} // namespace MSDE::Nodes
