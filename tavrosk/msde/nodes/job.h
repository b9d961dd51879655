// One server agent job, as a row of the Jobs list: its name, category, flags, current status, last
// outcome with the start of its last run, and its next run. The node loads these from its job object
// when it is initialised, and knows the job's position in the server's job collection.
#pragma once

#include <ctime>
#include <string>

#include "snapins/basenode.h"
#include "msde/dmo.h"

namespace MSDE::Nodes {

class CJob : public Snapins::CBaseNode {
public:
    CJob(int position, JobPtr job);
    ~CJob() override;

    // Reads the job's properties from the server; a property that cannot be read keeps its value.
    HRESULT Initialize() override;
    // Columns 0 to 7 of the Jobs list; other columns are empty.
    const std::wstring GetDisplayText(int column) override;
    const GUID* GetNodeType() override;

    int Position() const { return m_position; }
    void SetPosition(int position) { m_position = position; }
    bool Enabled() const { return m_enabled; }
    const JobPtr& Job() const { return m_job; }

    // A server date (yyyymmdd) and time (hhmmss) as a broken-down time with its weekday and day of the
    // year; month -1 for date 0.
    static std::tm ServerTime(long date, long time);
    // The time in the user's locale ("%c"), or "Unknown" when its month is not a month.
    static std::wstring DateText(const std::tm& time);

private:
    int m_position;
    std::wstring m_name;
    std::wstring m_category;
    std::wstring m_statusText;
    std::wstring m_outcomeText;
    bool m_enabled = true;
    bool m_scheduled = false;
    bool m_runnable = false;
    std::tm m_nextRun{};
    std::tm m_lastRun{};
    JobPtr m_job;
};

} // namespace MSDE::Nodes
