// CJobs: binding the server's job server, listing its jobs with a progress bar, the eight columns of the
// list, and the positions of the job nodes.
#include "msde/nodes/jobs.h"

#include <algorithm>

#include "resources/resource.h"
#include "snapins/resstring.h"
#include "msde/nodes/job.h"
#include "msde/nodes/server.h"
#include "msde/nodes/waitcursor.h"

namespace MSDE::Nodes {

namespace {
// {14C622D2-2D84-4512-8E1A-6C801D4EB86E}
DEFINE_GUID(NODETYPE_Jobs, 0x14C622D2, 0x2D84, 0x4512, 0x8E, 0x1A, 0x6C, 0x80, 0x1D, 0x4E, 0xB8, 0x6E);

const UINT kColumns[] = {IDS_COLUMN_NAME,      IDS_COLUMN_CATEGORY, IDS_COLUMN_ENABLED,  IDS_COLUMN_RUNNABLE,
                         IDS_COLUMN_SCHEDULED, IDS_COLUMN_STATUS,   IDS_COLUMN_LAST_RUN, IDS_COLUMN_NEXT_RUN};
} // namespace

CJobs::CJobs() {
    m_imageIndex = 7;
    m_openImageIndex = 7;
    m_helpTopic = L"::jobs.htm";
    m_columns = kColumns;
    m_verbs = Snapins::kRefreshVerbs;
}

CJobs::~CJobs() {
    m_jobServer = JobServerPtr();
}

// Jobs sits under SQL Server Agent, under Management, under the server.
HRESULT CJobs::Initialize() {
    m_jobServer = JobServerPtr();
    CBaseNode* agent = m_parent;
    CBaseNode* management = agent ? agent->Parent() : nullptr;
    auto* serverNode = dynamic_cast<CServer*>(management ? management->Parent() : nullptr);
    if (!serverNode) return E_UNEXPECTED;
    ServerPtr server = serverNode->Server();
    if (!raw(server)) return E_POINTER;
    HRESULT hr = raw(server)->GetJobServer(out(m_jobServer));
    if (FAILED(hr)) m_jobServer = JobServerPtr();
    return hr;
}

void CJobs::RemoveChild(IConsole*, Snapins::CBaseNode* child) {
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it == m_children.end()) return;
    for (auto later = it + 1; later != m_children.end(); ++later)
        if (auto* job = dynamic_cast<CJob*>(*later)) job->SetPosition(job->Position() - 1);
    m_children.erase(it);
}

const std::wstring CJobs::GetDisplayText(int) {
    return Snapins::LoadResString(IDS_JOBS);
}

const GUID* CJobs::GetNodeType() {
    return &NODETYPE_Jobs;
}

HRESULT CJobs::CreateChildren(IConsole* console) {
    CWaitCursor wait;
    // Without a job server (its request failed) there is nothing to list.
    if (!raw(m_jobServer)) return E_POINTER;
    // Brings the job server's own state up to date; the list below is refreshed by itself, so the
    // result does not matter.
    raw(m_jobServer)->Refresh();
    JobsPtr jobs;
    HRESULT hr = raw(m_jobServer)->GetJobs(out(jobs));
    if (FAILED(hr) || !raw(jobs)) return FAILED(hr) ? hr : E_POINTER;
    if (FAILED(hr = raw(jobs)->Refresh(VARIANT_TRUE))) return hr;
    LONG count = 0;
    if (FAILED(hr = raw(jobs)->GetCount(&count))) return hr;

    hr = S_OK;
    for (LONG i = 0; i < count; ++i) {
        JobPtr job;
        hr = raw(jobs)->GetItemByOrd(i, out(job));
        // A job that cannot be had is left out; the next one is tried.
        if (SUCCEEDED(hr) && raw(job)) {
            auto* node = new CJob(static_cast<int>(i), job);
            AddChild(node, true);
            node->Initialize();
        }
        ShowProgress(console, static_cast<int>(static_cast<double>(i + 1) / count * 100.0), 0);
    }
    return hr;
}

} // namespace MSDE::Nodes
