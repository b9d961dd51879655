// The job store that the agent runs: jobs with their category, owner and enabled flag, their steps
// (run in order, with on-success and on-fail actions), their schedules in the server's encoding
// (frequency type, interval, recurrence factor, active start date and time), the outcome of their last
// run and their history. Changes need the sysadmin role and take part in the session's transaction.
// Also the agent's side of the store: its lock and registration, the start requests, the records of a
// run, and the signal file that wakes it after every change it must act on.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "errors.h"
#include "internal.h"
#include "session_impl.h"
#include "tvplatform.h"

namespace tvengine {

using namespace detail;

namespace {

[[noreturn]] void NoSuch(const char* what, const std::string& value) {
    throw Error(kErrNoSuchJob, Format("The specified %s ('%s') does not exist.", what, value.c_str()));
}

[[noreturn]] void Invalid(const char* what, const char* valid) {
    throw Error(14266, Format("The specified '%s' is invalid (valid values are: %s).", what, valid));
}

// The id of a job named by name or by its id in registry form.
std::string JobId(Connection& catalog, const std::string& nameOrId) {
    bool byId = !nameOrId.empty() && nameOrId[0] == '{';
    auto query = catalog.Prepare(byId ? "SELECT job_id FROM jobs WHERE job_id = ? COLLATE NOCASE"
                                      : "SELECT job_id FROM jobs WHERE name = ?");
    if (!query.With(nameOrId).Step()) NoSuch(byId ? "@job_id" : "@job_name", nameOrId);
    return query.Text(0);
}

bool ValidDate(int date) {
    int year = date / 10000, month = date / 100 % 100, day = date % 100;
    return year >= 1990 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

bool ValidTime(int time) {
    return time >= 0 && time / 10000 < 24 && time / 100 % 100 < 60 && time % 100 < 60;
}

void CheckSchedule(const JobSchedule& s) {
    if (s.name.empty()) Invalid("@name", "a name that is not empty");
    static const std::set<int> types{1, 4, 8, 16, 32, 64, 128};
    if (!types.count(s.frequencyType)) Invalid("@freq_type", "1, 4, 8, 16, 32, 64, 128");
    if (s.frequencyType == 4 && s.frequencyInterval < 1)
        Invalid("@freq_interval", ">= 1 for a daily schedule");
    if (s.frequencyType == 8 && (s.frequencyInterval < 1 || s.frequencyInterval > 127))
        Invalid("@freq_interval", "1 to 127 for a weekly schedule");
    if (s.frequencyType == 16 && (s.frequencyInterval < 1 || s.frequencyInterval > 31))
        Invalid("@freq_interval", "1 to 31 for a monthly schedule");
    if ((s.frequencyType == 8 || s.frequencyType == 16 || s.frequencyType == 32) &&
        s.frequencyRecurrenceFactor < 1)
        Invalid("@freq_recurrence_factor", ">= 1");
    if (!ValidDate(s.activeStartDate)) Invalid("@active_start_date", ">= 19900101");
    if (!ValidDate(s.activeEndDate)) Invalid("@active_end_date", "<= 99991231");
    if (!ValidTime(s.activeStartTime)) Invalid("@active_start_time", "000000 to 235959");
    if (!ValidTime(s.activeEndTime)) Invalid("@active_end_time", "000000 to 235959");
}

void CheckStep(const JobStep& step) {
    if (step.name.empty()) Invalid("@step_name", "a name that is not empty");
    if (step.id < 1) Invalid("@step_id", ">= 1");
    if (step.onSuccessAction < 1 || step.onSuccessAction > 4) Invalid("@on_success_action", "1, 2, 3, 4");
    if (step.onFailAction < 1 || step.onFailAction > 4) Invalid("@on_fail_action", "1, 2, 3, 4");
}

void RequireCategory(Connection& catalog, const std::string& category) {
    auto query = catalog.Prepare("SELECT 1 FROM job_categories WHERE name = ?");
    if (!query.With(category).Step())
        throw Error(kErrNoSuchCategory, "The specified '@category_name' ('" + category + "') is invalid.");
}

int StepCount(Connection& catalog, const std::string& jobId) {
    auto query = catalog.Prepare("SELECT count(*) FROM job_steps WHERE job_id = ?");
    query.With(jobId).Step();
    return static_cast<int>(query.Int(0));
}

// Moves the steps from `from` on by `by` (+1 to make room, -1 to close a gap), with the go-to-step
// actions that name them, as the server renumbers a job's steps.
void RenumberSteps(Connection& catalog, const std::string& jobId, int from, int by) {
    catalog.Prepare("UPDATE job_steps SET step_id = step_id + ?2 WHERE job_id = ?1 AND step_id >= ?3")
        .With(jobId, by, from)
        .Run();
    catalog
        .Prepare("UPDATE job_steps SET on_success_step = on_success_step + ?2 WHERE job_id = ?1 AND "
                 "on_success_action = 4 AND on_success_step >= ?3")
        .With(jobId, by, from)
        .Run();
    catalog
        .Prepare("UPDATE job_steps SET on_fail_step = on_fail_step + ?2 WHERE job_id = ?1 AND "
                 "on_fail_action = 4 AND on_fail_step >= ?3")
        .With(jobId, by, from)
        .Run();
}

void InsertStep(Connection& catalog, const std::string& jobId, JobStep step) {
    int count = StepCount(catalog, jobId);
    if (step.id == 0) step.id = count + 1;
    if (step.id > count + 1)
        throw Error(14266,
                    Format("The specified '@step_id' is invalid (valid values are: 1 to %d).", count + 1));
    CheckStep(step);
    if (step.id <= count) RenumberSteps(catalog, jobId, step.id, 1);
    catalog
        .Prepare("INSERT INTO job_steps(job_id, step_id, step_name, subsystem, command, database_name, "
                 "on_success_action, on_success_step, on_fail_action, on_fail_step) VALUES (?, ?, ?, ?, ?, "
                 "?, ?, ?, ?, ?)")
        .With(jobId, step.id, step.name, step.subsystem, step.command, step.databaseName,
              step.onSuccessAction, step.onSuccessStep, step.onFailAction, step.onFailStep)
        .Run();
}

long long InsertSchedule(Connection& catalog, const std::string& jobId, const JobSchedule& s) {
    CheckSchedule(s);
    catalog
        .Prepare(
            "INSERT INTO job_schedules(job_id, name, enabled, freq_type, freq_interval, freq_subday_type, "
            "freq_subday_interval, freq_relative_interval, freq_recurrence_factor, active_start_date, "
            "active_end_date, active_start_time, active_end_time, next_run_date, next_run_time) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .With(jobId, s.name, s.enabled ? 1 : 0, s.frequencyType, s.frequencyInterval, s.frequencySubdayType,
              s.frequencySubdayInterval, s.frequencyRelativeInterval, s.frequencyRecurrenceFactor,
              s.activeStartDate, s.activeEndDate, s.activeStartTime, s.activeEndTime, s.nextRunDate,
              s.nextRunTime)
        .Run();
    return catalog.LastInsertId();
}

void NewVersion(Connection& catalog);

void Touch(Connection& catalog, const std::string& jobId) {
    catalog.Prepare("UPDATE jobs SET modified = ? WHERE job_id = ?")
        .With(static_cast<long long>(std::time(nullptr)), jobId)
        .Run();
    NewVersion(catalog);
}

// Wakes the agent after a committed change it must act on; inside a transaction, at its commit.
void Changed(SessionImpl& session) {
    if (session.inTransaction)
        session.jobsChanged = true;
    else
        SignalJobChange();
}

// The step of a job with that number, as its rowid, or a failure naming the number.
long long StepRow(Connection& catalog, const std::string& jobId, int stepId) {
    auto find = catalog.Prepare("SELECT rowid FROM job_steps WHERE job_id = ? AND step_id = ?");
    if (!find.With(jobId, stepId).Step()) NoSuch("@step_id", std::to_string(stepId));
    return find.Int(0);
}

Job JobFromRow(Statement& row) {
    Job job;
    job.id = row.Text(0);
    job.name = row.Text(1);
    job.category = row.Text(2);
    job.description = row.Text(3);
    job.owner = row.Text(4);
    job.enabled = row.Int(5) != 0;
    job.startStep = static_cast<int>(row.Int(6));
    job.targetServer = row.Text(7);
    job.currentStatus = static_cast<int>(row.Int(8));
    job.lastRunOutcome = static_cast<int>(row.Int(9));
    job.lastRunDate = static_cast<int>(row.Int(10));
    job.lastRunTime = static_cast<int>(row.Int(11));
    job.created = row.Int(12);
    job.modified = row.Int(13);
    job.currentStep = static_cast<int>(row.Int(14));
    job.runStarted = row.Int(15);
    return job;
}

// The step columns from column `at` on; the schedule columns likewise.
constexpr const char* kStepColumns =
    "step_id, step_name, subsystem, command, database_name, on_success_action, "
    "on_success_step, on_fail_action, on_fail_step";
constexpr const char* kScheduleColumns =
    "schedule_id, name, enabled, freq_type, freq_interval, freq_subday_type, freq_subday_interval, "
    "freq_relative_interval, freq_recurrence_factor, active_start_date, active_end_date, active_start_time, "
    "active_end_time, next_run_date, next_run_time";

JobStep StepFromRow(Statement& steps, int at) {
    JobStep step;
    step.id = static_cast<int>(steps.Int(at));
    step.name = steps.Text(at + 1);
    step.subsystem = steps.Text(at + 2);
    step.command = steps.Text(at + 3);
    step.databaseName = steps.Text(at + 4);
    step.onSuccessAction = static_cast<int>(steps.Int(at + 5));
    step.onSuccessStep = static_cast<int>(steps.Int(at + 6));
    step.onFailAction = static_cast<int>(steps.Int(at + 7));
    step.onFailStep = static_cast<int>(steps.Int(at + 8));
    return step;
}

void AddScheduleFromRow(Job& job, Statement& schedules, int at) {
    JobSchedule s;
    s.id = static_cast<int>(schedules.Int(at));
    s.name = schedules.Text(at + 1);
    s.enabled = schedules.Int(at + 2) != 0;
    s.frequencyType = static_cast<int>(schedules.Int(at + 3));
    s.frequencyInterval = static_cast<int>(schedules.Int(at + 4));
    s.frequencySubdayType = static_cast<int>(schedules.Int(at + 5));
    s.frequencySubdayInterval = static_cast<int>(schedules.Int(at + 6));
    s.frequencyRelativeInterval = static_cast<int>(schedules.Int(at + 7));
    s.frequencyRecurrenceFactor = static_cast<int>(schedules.Int(at + 8));
    s.activeStartDate = static_cast<int>(schedules.Int(at + 9));
    s.activeEndDate = static_cast<int>(schedules.Int(at + 10));
    s.activeStartTime = static_cast<int>(schedules.Int(at + 11));
    s.activeEndTime = static_cast<int>(schedules.Int(at + 12));
    s.nextRunDate = static_cast<int>(schedules.Int(at + 13));
    s.nextRunTime = static_cast<int>(schedules.Int(at + 14));
    // The job's next run is the earliest next run of its enabled schedules.
    long long next = static_cast<long long>(s.nextRunDate) * 1000000 + s.nextRunTime;
    long long current = static_cast<long long>(job.nextRunDate) * 1000000 + job.nextRunTime;
    if (s.enabled && s.nextRunDate > 0 && (job.nextRunDate == 0 || next < current)) {
        job.nextRunDate = s.nextRunDate;
        job.nextRunTime = s.nextRunTime;
    }
    job.schedules.push_back(std::move(s));
}

Job LoadJob(Connection& catalog, Statement& row) {
    Job job = JobFromRow(row);
    auto steps = catalog.Prepare(
        (std::string("SELECT ") + kStepColumns + " FROM job_steps WHERE job_id = ? ORDER BY step_id, rowid")
            .c_str());
    steps.With(job.id);
    while (steps.Step())
        job.steps.push_back(StepFromRow(steps, 0));
    auto schedules = catalog.Prepare((std::string("SELECT ") + kScheduleColumns +
                                      " FROM job_schedules WHERE job_id = ? ORDER BY schedule_id")
                                         .c_str());
    schedules.With(job.id);
    while (schedules.Step())
        AddScheduleFromRow(job, schedules, 0);
    return job;
}

// The job store's version: one more after every change of a job, step or schedule, so that the agent
// reads the store again only when it has changed.
void NewVersion(Connection& catalog) {
    catalog.Exec(
        "INSERT INTO settings(name, value) VALUES ('job_store_version', 1) ON CONFLICT(name) DO UPDATE "
        "SET value = value + 1");
}

long long InsertHistory(Connection& catalog, const std::string& jobId, const JobHistoryEntry& entry) {
    catalog
        .Prepare(
            "INSERT INTO job_history(job_id, step_id, step_name, message, run_status, run_date, run_time, "
            "run_duration, sql_message_id, sql_severity) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .With(jobId, entry.stepId, entry.stepName, entry.message, entry.runStatus, entry.runDate,
              entry.runTime, entry.runDuration, entry.sqlMessageId, entry.sqlSeverity)
        .Run();
    return catalog.LastInsertId();
}

constexpr const char* kJobColumns =
    "SELECT job_id, name, category, description, owner, enabled, start_step, target_server, current_status, "
    "last_run_outcome, last_run_date, last_run_time, created, modified, current_step, run_started FROM jobs ";

} // namespace

std::vector<Job> Session::Jobs() {
    ReadScope read(impl_->catalog, impl_->inTransaction);
    std::vector<Job> jobs;
    std::map<std::string, size_t> at;
    auto rows = impl_->catalog.Prepare((std::string(kJobColumns) + "ORDER BY name COLLATE NOCASE").c_str());
    while (rows.Step()) {
        jobs.push_back(JobFromRow(rows));
        at[jobs.back().id] = jobs.size() - 1;
    }
    // One pass over each child table: listing thousands of jobs stays three queries.
    auto steps = impl_->catalog.Prepare(
        (std::string("SELECT job_id, ") + kStepColumns + " FROM job_steps ORDER BY job_id, step_id, rowid")
            .c_str());
    while (steps.Step())
        if (auto job = at.find(steps.Text(0)); job != at.end())
            jobs[job->second].steps.push_back(StepFromRow(steps, 1));
    auto schedules = impl_->catalog.Prepare((std::string("SELECT job_id, ") + kScheduleColumns +
                                             " FROM job_schedules ORDER BY job_id, schedule_id")
                                                .c_str());
    while (schedules.Step())
        if (auto job = at.find(schedules.Text(0)); job != at.end())
            AddScheduleFromRow(jobs[job->second], schedules, 1);
    return jobs;
}

long long Session::JobStoreVersion() {
    auto query = impl_->catalog.Prepare("SELECT value FROM settings WHERE name = 'job_store_version'");
    return query.Step() ? query.Int(0) : 0;
}

Job Session::GetJob(const std::string& nameOrId) {
    ReadScope read(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, nameOrId);
    auto row = impl_->catalog.Prepare((std::string(kJobColumns) + "WHERE job_id = ?").c_str());
    row.With(id).Step();
    return LoadJob(impl_->catalog, row);
}

std::string Session::AddJob(const Job& job) {
    impl_->RequireSysadmin();
    CheckName("job", job.name);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto exists = impl_->catalog.Prepare("SELECT 1 FROM jobs WHERE name = ?");
    if (exists.With(job.name).Step())
        throw Error(kErrJobExists, "The specified @job_name ('" + job.name + "') already exists.");
    RequireCategory(impl_->catalog, job.category);
    std::string id = NewGuid();
    long long now = std::time(nullptr);
    impl_->catalog
        .Prepare("INSERT INTO jobs(job_id, name, category, description, owner, enabled, start_step, "
                 "target_server, "
                 "created, modified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .With(id, job.name, job.category, job.description, job.owner.empty() ? impl_->login : job.owner,
              job.enabled ? 1 : 0, job.startStep, job.targetServer, now, now)
        .Run();
    for (const JobStep& step : job.steps)
        InsertStep(impl_->catalog, id, step);
    for (const JobSchedule& schedule : job.schedules)
        InsertSchedule(impl_->catalog, id, schedule);
    NewVersion(impl_->catalog);
    write.Commit();
    Changed(*impl_);
    return id;
}

void Session::UpdateJob(const Job& job) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job.id.empty() ? job.name : job.id);
    CheckName("job", job.name);
    auto clash = impl_->catalog.Prepare("SELECT 1 FROM jobs WHERE name = ? AND job_id <> ?");
    if (clash.With(job.name, id).Step())
        throw Error(kErrJobExists, "The specified @new_name ('" + job.name + "') already exists.");
    RequireCategory(impl_->catalog, job.category);
    impl_->catalog
        .Prepare("UPDATE jobs SET name = ?, category = ?, description = ?, owner = ?, enabled = ?, "
                 "start_step = ?, "
                 "target_server = ? WHERE job_id = ?")
        .With(job.name, job.category, job.description, job.owner, job.enabled ? 1 : 0, job.startStep,
              job.targetServer, id)
        .Run();
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

void Session::RemoveJob(const std::string& nameOrId) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, nameOrId);
    impl_->catalog.Prepare("DELETE FROM jobs WHERE job_id = ?").With(id).Run();
    NewVersion(impl_->catalog);
    write.Commit();
    Changed(*impl_);
}

void Session::AddJobStep(const std::string& job, const JobStep& step) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    InsertStep(impl_->catalog, id, step);
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

void Session::UpdateJobStep(const std::string& job, int stepId, const JobStep& step) {
    impl_->RequireSysadmin();
    CheckStep(step);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    long long rowid = StepRow(impl_->catalog, id, stepId);
    // The number stays: moving a step is removing it and adding it at its new place.
    impl_->catalog
        .Prepare("UPDATE job_steps SET step_name = ?, subsystem = ?, command = ?, database_name = ?, "
                 "on_success_action = ?, on_success_step = ?, on_fail_action = ?, on_fail_step = ? WHERE "
                 "rowid = ?")
        .With(step.name, step.subsystem, step.command, step.databaseName, step.onSuccessAction,
              step.onSuccessStep, step.onFailAction, step.onFailStep, rowid)
        .Run();
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

void Session::RemoveJobStep(const std::string& job, int stepId) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    long long rowid = StepRow(impl_->catalog, id, stepId);
    impl_->catalog.Prepare("DELETE FROM job_steps WHERE rowid = ?").With(rowid).Run();
    // A go-to of the removed step now goes to the next step, as the server does.
    impl_->catalog
        .Prepare("UPDATE job_steps SET on_success_action = 3, on_success_step = 0 WHERE job_id = ? AND "
                 "on_success_action = 4 AND on_success_step = ?")
        .With(id, stepId)
        .Run();
    impl_->catalog
        .Prepare("UPDATE job_steps SET on_fail_action = 3, on_fail_step = 0 WHERE job_id = ? AND "
                 "on_fail_action = 4 AND on_fail_step = ?")
        .With(id, stepId)
        .Run();
    RenumberSteps(impl_->catalog, id, stepId + 1, -1);
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

int Session::AddJobSchedule(const std::string& job, const JobSchedule& schedule) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    long long scheduleId = InsertSchedule(impl_->catalog, id, schedule);
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
    return static_cast<int>(scheduleId);
}

void Session::UpdateJobSchedule(const std::string& job, const JobSchedule& s) {
    impl_->RequireSysadmin();
    CheckSchedule(s);
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    impl_->catalog
        .Prepare(
            "UPDATE job_schedules SET name = ?, enabled = ?, freq_type = ?, freq_interval = ?, "
            "freq_subday_type = ?, freq_subday_interval = ?, freq_relative_interval = ?, "
            "freq_recurrence_factor = ?, active_start_date = ?, active_end_date = ?, active_start_time = ?, "
            "active_end_time = ?, next_run_date = ?, next_run_time = ? WHERE schedule_id = ? AND job_id = ?")
        .With(s.name, s.enabled ? 1 : 0, s.frequencyType, s.frequencyInterval, s.frequencySubdayType,
              s.frequencySubdayInterval, s.frequencyRelativeInterval, s.frequencyRecurrenceFactor,
              s.activeStartDate, s.activeEndDate, s.activeStartTime, s.activeEndTime, s.nextRunDate,
              s.nextRunTime, s.id, id)
        .Run();
    if (impl_->catalog.Changes() == 0) NoSuch("@schedule_id", std::to_string(s.id));
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

void Session::RemoveJobSchedule(const std::string& job, int scheduleId) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    impl_->catalog.Prepare("DELETE FROM job_schedules WHERE schedule_id = ? AND job_id = ?")
        .With(scheduleId, id)
        .Run();
    if (impl_->catalog.Changes() == 0) NoSuch("@schedule_id", std::to_string(scheduleId));
    Touch(impl_->catalog, id);
    write.Commit();
    Changed(*impl_);
}

std::vector<std::string> Session::JobCategories() {
    std::vector<std::string> names;
    auto query = impl_->catalog.Prepare("SELECT name FROM job_categories ORDER BY name COLLATE NOCASE");
    while (query.Step())
        names.push_back(query.Text(0));
    return names;
}

void Session::AddJobCategory(const std::string& name) {
    impl_->RequireSysadmin();
    if (name.empty()) Invalid("@name", "a name that is not empty");
    WriteScope write(impl_->catalog, impl_->inTransaction);
    auto exists = impl_->catalog.Prepare("SELECT 1 FROM job_categories WHERE name = ?");
    if (exists.With(name).Step()) throw Error(14261, "The specified @name ('" + name + "') already exists.");
    impl_->catalog.Prepare("INSERT INTO job_categories(name) VALUES (?)").With(name).Run();
    write.Commit();
}

void Session::RecordJobActivity(const std::string& job, int currentStatus, int lastRunOutcome,
                                int lastRunDate, int lastRunTime) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    impl_->catalog
        .Prepare(
            "UPDATE jobs SET current_status = ?, last_run_outcome = ?, last_run_date = ?, last_run_time = ? "
            "WHERE job_id = ?")
        .With(currentStatus, lastRunOutcome, lastRunDate, lastRunTime, id)
        .Run();
    write.Commit();
}

long long Session::AddJobHistory(const JobHistoryEntry& entry) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    long long rowid = InsertHistory(impl_->catalog, JobId(impl_->catalog, entry.jobId), entry);
    write.Commit();
    return rowid;
}

std::vector<JobHistoryEntry> Session::JobHistory(const std::string& job) {
    ReadScope read(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    std::vector<JobHistoryEntry> entries;
    auto query = impl_->catalog.Prepare(
        "SELECT id, job_id, step_id, step_name, message, run_status, run_date, run_time, run_duration, "
        "sql_message_id, sql_severity FROM job_history WHERE job_id = ? ORDER BY id");
    query.With(id);
    while (query.Step()) {
        JobHistoryEntry e;
        e.id = query.Int(0);
        e.jobId = query.Text(1);
        e.stepId = static_cast<int>(query.Int(2));
        e.stepName = query.Text(3);
        e.message = query.Text(4);
        e.runStatus = static_cast<int>(query.Int(5));
        e.runDate = static_cast<int>(query.Int(6));
        e.runTime = static_cast<int>(query.Int(7));
        e.runDuration = static_cast<int>(query.Int(8));
        e.sqlMessageId = static_cast<int>(query.Int(9));
        e.sqlSeverity = static_cast<int>(query.Int(10));
        entries.push_back(std::move(e));
    }
    return entries;
}

void Session::RegisterAsAgent() {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    impl_->catalog.Prepare("INSERT OR IGNORE INTO agents(spid) VALUES (?)").With(impl_->spid).Run();
    write.Commit();
}

bool Session::AgentRunning() {
    // An agent is a registered session whose process still runs and holds the prefix's agent lock: the
    // registration of a killed agent is no agent, even when its process id has been given to another.
    if (!AgentLockHeld()) return false;
    auto query = impl_->catalog.Prepare(
        "SELECT p.spid, p.pid, p.pid_start FROM agents a JOIN processes p ON p.spid = a.spid");
    while (query.Step())
        if (query.Int(0) == impl_->spid || ProcessAlive(query.Int(1), query.Text(2))) return true;
    return false;
}

void Session::StartJob(const std::string& job, const std::string& stepName) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    int stepId = 0;
    if (!stepName.empty()) {
        // The server starts at the first step of that name.
        auto step = impl_->catalog.Prepare(
            "SELECT step_id FROM job_steps WHERE job_id = ? AND step_name = ? ORDER BY step_id LIMIT 1");
        if (!step.With(id, stepName).Step()) NoSuch("@step_name", stepName);
        stepId = static_cast<int>(step.Int(0));
    }
    if (!AgentRunning())
        throw Error(kErrAgentNotRunning,
                    "SQLServerAgent is not currently running so it cannot be notified of this action.");
    auto running = impl_->catalog.Prepare("SELECT name FROM jobs WHERE job_id = ? AND current_status = 1");
    if (running.With(id).Step())
        throw Error(kErrAgentNotRunning, "SQLServerAgent Error: Request to run job " + running.Text(0) +
                                             " (from User " + impl_->login +
                                             ") refused because the job is already running.");
    impl_->catalog
        .Prepare(
            "INSERT INTO job_requests(job_id, step_name, step_id, requested, requested_by) VALUES (?, ?, "
            "?, ?, ?)")
        .With(id, stepName, stepId, static_cast<long long>(std::time(nullptr)), impl_->login)
        .Run();
    write.Commit();
    Changed(*impl_);
}

std::vector<JobStartRequest> Session::TakeJobStartRequests() {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::vector<JobStartRequest> requests;
    auto query = impl_->catalog.Prepare(
        "SELECT id, job_id, step_id, requested, requested_by FROM job_requests ORDER BY id");
    while (query.Step())
        requests.push_back(
            {query.Int(0), query.Text(1), static_cast<int>(query.Int(2)), query.Int(3), query.Text(4)});
    impl_->catalog.Exec("DELETE FROM job_requests");
    write.Commit();
    return requests;
}

void Session::RecordJobStep(const std::string& job, int stepId, std::time_t runStarted) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, job);
    impl_->catalog
        .Prepare("UPDATE jobs SET current_status = 1, current_step = ?, run_started = ? WHERE job_id = ?")
        .With(stepId, static_cast<long long>(runStarted), id)
        .Run();
    write.Commit();
}

void Session::FinishJobRun(const JobHistoryEntry& outcome) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    std::string id = JobId(impl_->catalog, outcome.jobId);
    JobHistoryEntry entry = outcome;
    entry.stepId = 0;
    entry.stepName = "(Job outcome)";
    InsertHistory(impl_->catalog, id, entry);
    impl_->catalog
        .Prepare(
            "UPDATE jobs SET current_status = 4, current_step = 0, run_started = 0, last_run_outcome = ?, "
            "last_run_date = ?, last_run_time = ? WHERE job_id = ?")
        .With(outcome.runStatus, outcome.runDate, outcome.runTime, id)
        .Run();
    write.Commit();
}

void Session::SetScheduleNextRun(int scheduleId, int nextRunDate, int nextRunTime) {
    impl_->RequireSysadmin();
    WriteScope write(impl_->catalog, impl_->inTransaction);
    impl_->catalog
        .Prepare("UPDATE job_schedules SET next_run_date = ?, next_run_time = ? WHERE schedule_id = ?")
        .With(nextRunDate, nextRunTime, scheduleId)
        .Run();
    write.Commit();
}

std::unique_ptr<Session> Session::ConnectAsJobOwner(const std::string& job, const std::string& program) {
    impl_->RequireSysadmin();
    Job found = GetJob(job);
    auto impl = std::make_unique<SessionImpl>();
    impl->settings = impl_->settings;
    impl->catalog = OpenCatalog(impl_->settings.rootFolder, false);
    Connection& catalog = impl->catalog;
    auto login = catalog.Prepare("SELECT name, type, default_database FROM logins WHERE name = ?");
    if (!login.With(found.owner).Step())
        throw Error(kErrNoSuchLogin, "Unable to determine if the owner (" + found.owner + ") of job " +
                                         found.name + " has server access.");
    impl->login = login.Text(0);
    // The owner's rights: those of its login and, for a Windows user of this computer, of the groups
    // its Unix account belongs to, as when that user connects.
    std::vector<std::string> accounts{impl->login};
    if (EqualsNoCase(impl->login, impl_->login)) {
        impl->sysadmin = impl_->sysadmin;
    } else if (login.Int(1) == static_cast<int>(LoginType::WindowsUser)) {
        std::string host = ThisComputerName();
        size_t slash = impl->login.find('\\');
        if (slash != std::string::npos && EqualsNoCase(impl->login.substr(0, slash), host)) {
            std::string user = impl->login.substr(slash + 1);
            if (struct passwd* pw = ::getpwnam(user.c_str())) {
                int count = 64;
                std::vector<gid_t> ids(count);
                if (::getgrouplist(pw->pw_name, pw->pw_gid, ids.data(), &count) < 0) {
                    ids.resize(count);
                    ::getgrouplist(pw->pw_name, pw->pw_gid, ids.data(), &count);
                }
                ids.resize(std::max(count, 0));
                std::vector<std::string> groups;
                for (gid_t gid : ids)
                    if (struct group* gr = ::getgrgid(gid)) groups.push_back(gr->gr_name);
                accounts = WindowsAccountsFor(host, pw->pw_name, pw->pw_uid, groups);
            }
        }
    }
    auto role = catalog.Prepare("SELECT 1 FROM role_members WHERE role = 'sysadmin' AND login = ?");
    for (const std::string& account : accounts) {
        if (role.With(account).Step()) impl->sysadmin = true;
        role.Reset();
    }
    std::string database = login.Text(2);
    WriteScope write(catalog, false);
    auto exists = catalog.Prepare("SELECT 1 FROM databases WHERE name = ?");
    if (exists.With(database).Step()) impl->currentDatabase = database;
    long long pid = ::getpid();
    catalog
        .Prepare("INSERT INTO processes(pid, pid_start, login, program, dbname, login_time) VALUES (?, ?, ?, "
                 "?, ?, ?)")
        .With(pid, ProcessStartTime(pid), impl->login, program, impl->currentDatabase,
              static_cast<long long>(std::time(nullptr)))
        .Run();
    impl->spid = static_cast<int>(catalog.LastInsertId());
    write.Commit();
    return std::unique_ptr<Session>(new Session(std::move(impl)));
}

std::string AgentLockFile() {
    return tvp::Prefix() + "/agent/lock";
}

std::string JobChangeSignalFile() {
    return tvp::Prefix() + "/agent/changes";
}

bool AgentLockHeld(long long* holder) {
    int fd = ::open(AgentLockFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // An open-file-description lock: testing it neither takes it nor disturbs the holder's, even when the
    // holder is this very process.
    struct flock probe = {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    if (held && holder) {
        char text[32] = {};
        ssize_t got = ::pread(fd, text, sizeof(text) - 1, 0);
        *holder = got > 0 ? std::atoll(text) : 0;
    }
    ::close(fd);
    return held;
}

int TakeAgentLock(long long* holder) {
    std::string file = AgentLockFile();
    MakePrivateFolder(FolderOf(file));
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) throw Error(kErrInternal, "Could not open the agent's lock " + file + ": " + strerror(errno));
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        ::close(fd);
        if (holder) {
            // The holder writes its id right after taking the lock; give it a moment to do so.
            *holder = 0;
            for (int tries = 0; tries < 50 && *holder == 0 && AgentLockHeld(holder); ++tries)
                ::usleep(10000);
        }
        return -1;
    }
    std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        ::close(fd);
        throw Error(kErrInternal, "Could not write the agent's lock " + file + ": " + strerror(errno));
    }
    return fd;
}

namespace detail {

void SignalJobChange() {
    std::string file = JobChangeSignalFile();
    try {
        MakePrivateFolder(FolderOf(file));
    } catch (const Error&) {
        return; // no agent can be waiting on a folder that cannot exist
    }
    // Closing a file opened for writing is the event the agent waits for; nothing needs to be written.
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) ::close(fd);
}

} // namespace detail

} // namespace tvengine
