// CJob: the properties of one agent job and the texts of its row in the Jobs list.
#include "msde/nodes/job.h"

#include <locale>
#include <sstream>

#include "resources/resource.h"
#include "snapins/module.h"
#include "snapins/resstring.h"
#include "msde/dmotext.h"

namespace MSDE::Nodes {

namespace {
// {1B4A06A5-093C-4FA3-B426-A7287640AB6E}
DEFINE_GUID(NODETYPE_Job, 0x1B4A06A5, 0x093C, 0x4FA3, 0xB4, 0x26, 0xA7, 0x28, 0x76, 0x40, 0xAB, 0x6E);

constexpr int kEnabledImage = 8;
constexpr int kDisabledImage = 9;

// Texts of the current execution status, by value 0 to 7.
const UINT kStatusTexts[] = {IDS_JOB_STATUS_UNKNOWN,        IDS_JOB_STATUS_EXECUTING,
                             IDS_JOB_STATUS_WAITING_THREAD, IDS_JOB_STATUS_RETRY,
                             IDS_JOB_STATUS_IDLE,           IDS_JOB_STATUS_SUSPENDED,
                             IDS_JOB_STATUS_WAIT_STEP,      IDS_JOB_STATUS_COMPLETING};

std::wstring OutcomeText(long outcome) {
    switch (outcome) {
    case 0:
        return Snapins::LoadResString(IDS_OUTCOME_FAILED);
    case 1:
        return Snapins::LoadResString(IDS_OUTCOME_SUCCEEDED);
    case 3:
        return Snapins::LoadResString(IDS_OUTCOME_CANCELLED);
    case 4:
        return Snapins::LoadResString(IDS_OUTCOME_IN_PROGRESS);
    case 5:
        return Snapins::LoadResString(IDS_UNKNOWN);
    default:
        return {};
    }
}

std::wstring YesNo(bool value) {
    return Snapins::LoadResString(value ? IDS_YES : IDS_NO);
}
} // namespace

CJob::CJob(int position, JobPtr job)
    : m_position(position), m_nextRun(ServerTime(0, 0)), m_lastRun(ServerTime(0, 0)), m_job(std::move(job)) {
    m_imageIndex = kEnabledImage;
    m_openImageIndex = kEnabledImage;
    // Steps and schedules are result rows: nothing under a job has an expand button.
    m_noScopeChildren = true;
    m_childrenHaveNoChildren = true;
}

CJob::~CJob() {
    m_job = JobPtr();
}

std::tm CJob::ServerTime(long date, long time) {
    std::tm result{};
    result.tm_year = static_cast<int>(date / 10000 - 1900);
    result.tm_mon = static_cast<int>((date % 10000) / 100 - 1);
    result.tm_mday = static_cast<int>(date % 100);
    result.tm_hour = static_cast<int>(time / 10000);
    result.tm_min = static_cast<int>((time % 10000) / 100);
    result.tm_sec = static_cast<int>(time % 100);
    // "%c" shows the weekday, so a real date gets its own rather than Sunday for every day.
    if (result.tm_mon >= 0 && result.tm_mon <= 11) {
        std::tm day{};
        day.tm_year = result.tm_year;
        day.tm_mon = result.tm_mon;
        day.tm_mday = result.tm_mday;
        if (timegm(&day) != -1) {
            result.tm_wday = day.tm_wday;
            result.tm_yday = day.tm_yday;
        }
    }
    return result;
}

std::wstring CJob::DateText(const std::tm& time) {
    if (time.tm_mon < 0 || time.tm_mon > 11) return Snapins::LoadResString(IDS_UNKNOWN);
    std::wostringstream stream;
    stream.imbue(Snapins::SnapinModule().locale);
    const wchar_t pattern[] = L"%c";
    const auto& facet = std::use_facet<std::time_put<wchar_t>>(stream.getloc());
    facet.put(std::ostreambuf_iterator<wchar_t>(stream), stream, L' ', &time, pattern, pattern + 2);
    return stream.str();
}

// Every read is independent: one the server refuses leaves that field as it was.
HRESULT CJob::Initialize() {
    if (!raw(m_job)) return E_POINTER;
    IWSQLDMOJob* job = raw(m_job);
    job->Refresh();
    BSTR text = nullptr;
    if (SUCCEEDED(job->GetName(&text))) m_name = TakeText(text);
    text = nullptr;
    if (SUCCEEDED(job->GetCategory(&text))) m_category = TakeText(text);
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (SUCCEEDED(job->GetEnabled(&flag))) {
        m_enabled = flag != VARIANT_FALSE;
        m_imageIndex = m_openImageIndex = m_enabled ? kEnabledImage : kDisabledImage;
    }
    if (SUCCEEDED(job->GetHasSchedule(&flag))) m_scheduled = flag != VARIANT_FALSE;
    // A job the agent can run is one that has a step to run.
    if (SUCCEEDED(job->GetHasStep(&flag))) m_runnable = flag != VARIANT_FALSE;
    LONG status = 0;
    if (SUCCEEDED(job->GetCurrentRunStatus(&status)))
        m_statusText = status >= 0 && status < static_cast<LONG>(std::size(kStatusTexts))
                           ? Snapins::LoadResString(kStatusTexts[status])
                           : std::wstring();
    LONG date = 0, time = 0;
    if (SUCCEEDED(job->GetNextRunDate(&date)) && SUCCEEDED(job->GetNextRunTime(&time)))
        m_nextRun = ServerTime(date, time);
    LONG outcome = 0;
    if (SUCCEEDED(job->GetLastRunOutcome(&outcome))) m_outcomeText = OutcomeText(outcome);
    if (SUCCEEDED(job->GetLastRunDate(&date)) && SUCCEEDED(job->GetLastRunTime(&time)))
        m_lastRun = ServerTime(date, time);
    return S_OK;
}

const std::wstring CJob::GetDisplayText(int column) {
    switch (column) {
    case 0:
        return m_name;
    case 1:
        return m_category;
    case 2:
        return YesNo(m_enabled);
    case 3:
        return YesNo(m_runnable);
    case 4:
        return YesNo(m_scheduled);
    case 5:
        return m_statusText;
    case 6:
        return m_outcomeText + L" (" + DateText(m_lastRun) + L")";
    case 7:
        // A job without a next run shows the bare word, without parentheses.
        if (m_nextRun.tm_mon < 0 || m_nextRun.tm_mon > 11) return DateText(m_nextRun);
        return L"(" + DateText(m_nextRun) + L")";
    default:
        return {};
    }
}

const GUID* CJob::GetNodeType() {
    return &NODETYPE_Job;
}

} // namespace MSDE::Nodes
