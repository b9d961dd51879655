// The job store: a job with its step and schedule as the scheduled backup creates it (inside a
// transaction), alterations, removal, validation of schedules, history and activity.
#include <unistd.h>

#include "engine_fixture.h"

using namespace tvengine;
using enginetest::ErrorOf;
using enginetest::MessageOf;

namespace {

Job BackupJob(const std::string& name) {
    Job job;
    job.name = name;
    JobStep step;
    step.id = 1;
    step.name = "Backup Sales";
    step.command =
        "BACKUP DATABASE [Sales] TO DISK = N'/b/sales.bak' WITH INIT , NAME = N'sales', STATS = 10, "
        "DESCRIPTION = N'weekly', NOFORMAT";
    step.databaseName = "Sales";
    job.steps.push_back(step);
    JobSchedule schedule;
    schedule.name = "Weekly Backup";
    schedule.frequencyType = 8;
    schedule.frequencyInterval = 34;
    schedule.frequencyRecurrenceFactor = 1;
    schedule.activeStartDate = 20261207;
    schedule.activeStartTime = 230000;
    job.schedules.push_back(schedule);
    return job;
}

} // namespace

TEST(Jobs, CreatedWithStepAndScheduleInsideATransaction) {
    auto session = enginetest::Admin();
    session->BeginTransaction();
    std::string id = session->AddJob(BackupJob("Sales backup"));
    session->CommitTransaction();
    EXPECT_EQ(id.size(), 38u);
    EXPECT_EQ(id.front(), '{');

    Job job = session->GetJob("Sales backup");
    EXPECT_EQ(job.id, id);
    EXPECT_EQ(job.category, "[Uncategorized (Local)]");
    EXPECT_EQ(job.owner, session->LoginName());
    EXPECT_TRUE(job.enabled);
    EXPECT_TRUE(job.HasSchedule());
    EXPECT_EQ(job.currentStatus, 4);
    EXPECT_EQ(job.lastRunOutcome, 5);
    EXPECT_EQ(job.lastRunDate, 0);
    ASSERT_EQ(job.steps.size(), 1u);
    EXPECT_EQ(job.steps[0].subsystem, "TSQL");
    EXPECT_EQ(job.steps[0].databaseName, "Sales");
    EXPECT_EQ(job.steps[0].onSuccessAction, 1);
    ASSERT_EQ(job.schedules.size(), 1u);
    EXPECT_EQ(job.schedules[0].frequencyType, 8);
    EXPECT_EQ(job.schedules[0].frequencyInterval, 34);
    EXPECT_EQ(job.schedules[0].frequencyRecurrenceFactor, 1);
    EXPECT_EQ(job.schedules[0].activeStartDate, 20261207);
    EXPECT_EQ(job.schedules[0].activeStartTime, 230000);
    EXPECT_EQ(session->GetJob(id).name, "Sales backup");
    session->RemoveJob(id);
}

TEST(Jobs, RollbackLeavesNoJobAndOtherSessionsSeeOnlyCommittedWork) {
    auto session = enginetest::Admin();
    session->BeginTransaction();
    session->AddJob(BackupJob("Never"));
    EXPECT_EQ(session->GetJob("Never").steps.size(), 1u); // the session sees its own work
    session->RollbackTransaction();
    EXPECT_EQ(ErrorOf([&] { session->GetJob("Never"); }), kErrNoSuchJob);
    EXPECT_EQ(ErrorOf([&] { session->CommitTransaction(); }), kErrNotInTransaction);
    EXPECT_EQ(ErrorOf([&] { session->RollbackTransaction(); }), kErrNotInTransaction);

    // A failure inside the transaction undoes only that call; the rest commits together.
    session->BeginTransaction();
    session->AddJob(BackupJob("Kept"));
    Job bad = BackupJob("Broken");
    bad.schedules[0].frequencyInterval = 0; // weekly without a day
    EXPECT_EQ(ErrorOf([&] { session->AddJob(bad); }), 14266);
    session->CommitTransaction();
    EXPECT_EQ(session->GetJob("Kept").name, "Kept");
    EXPECT_EQ(ErrorOf([&] { session->GetJob("Broken"); }), kErrNoSuchJob);
    session->RemoveJob("Kept");
}

TEST(Jobs, StepsAndSchedulesAreAlteredAndRemovedByTheirIds) {
    auto session = enginetest::Admin();
    std::string id = session->AddJob(BackupJob("Altered"));
    JobStep second;
    second.name = "Tidy"; // no number: after the last step
    second.command = "DELETE FROM log";
    session->AddJobStep("Altered", second);
    JobStep first = session->GetJob(id).steps[0];
    first.onFailAction = 4;
    first.onFailStep = 2;
    session->UpdateJobStep(id, 1, first);
    // Two steps may share a name: the number tells them apart. A step put in at 1 moves the others up,
    // and a go-to-step action follows the step it names.
    JobStep twin = second;
    twin.id = 1;
    session->AddJobStep("Altered", twin);
    Job job = session->GetJob(id);
    ASSERT_EQ(job.steps.size(), 3u);
    EXPECT_EQ(job.steps[0].name, "Tidy");
    EXPECT_EQ(job.steps[1].name, "Backup Sales");
    EXPECT_EQ(job.steps[1].onFailStep, 3);
    EXPECT_EQ(job.steps[2].id, 3);
    EXPECT_EQ(ErrorOf([&] {
                  JobStep far = second;
                  far.id = 5;
                  session->AddJobStep(id, far);
              }),
              14266);
    JobStep last = job.steps[2];
    last.command = "DELETE FROM old_log";
    session->UpdateJobStep(id, 3, last);
    EXPECT_EQ(session->GetJob(id).steps[0].command, "DELETE FROM log");
    EXPECT_EQ(session->GetJob(id).steps[2].command, "DELETE FROM old_log");

    // Removing a step closes the gap; a go-to of the removed step goes to the next step instead.
    session->RemoveJobStep(id, 3);
    EXPECT_EQ(session->GetJob(id).steps[1].onFailAction, 3);
    session->RemoveJobStep(id, 1);
    job = session->GetJob(id);
    ASSERT_EQ(job.steps.size(), 1u);
    EXPECT_EQ(job.steps[0].id, 1);
    EXPECT_EQ(job.steps[0].name, "Backup Sales");
    EXPECT_EQ(ErrorOf([&] { session->RemoveJobStep(id, 2); }), kErrNoSuchJob);

    JobSchedule daily;
    daily.name = "Daily Backup";
    daily.frequencyType = 4;
    daily.frequencyInterval = 3;
    daily.activeStartDate = 20261207;
    daily.activeStartTime = 23000;
    int scheduleId = session->AddJobSchedule(id, daily);
    daily.id = scheduleId;
    daily.frequencyInterval = 6;
    daily.nextRunDate = 20261213;
    daily.nextRunTime = 23000;
    session->UpdateJobSchedule(id, daily);
    job = session->GetJob(id);
    ASSERT_EQ(job.schedules.size(), 2u);
    EXPECT_EQ(job.schedules[1].frequencyInterval, 6);
    EXPECT_EQ(job.nextRunDate, 20261213);
    EXPECT_EQ(job.nextRunTime, 23000);
    session->RemoveJobSchedule(id, job.schedules[0].id);
    session->RemoveJobSchedule(id, scheduleId);
    EXPECT_FALSE(session->GetJob(id).HasSchedule());
    EXPECT_EQ(ErrorOf([&] { session->RemoveJobSchedule(id, scheduleId); }), kErrNoSuchJob);
    session->RemoveJob("Altered");
    EXPECT_EQ(ErrorOf([&] { session->RemoveJob("Altered"); }), kErrNoSuchJob);
}

TEST(Jobs, RenameEnableCategoryAndTarget) {
    auto session = enginetest::Admin();
    std::string id = session->AddJob(BackupJob("Old name"));
    session->AddJob(BackupJob("Taken"));
    Job job = session->GetJob(id);
    job.name = "TAKEN";
    EXPECT_EQ(ErrorOf([&] { session->UpdateJob(job); }), kErrJobExists);
    job.name = "New name";
    job.enabled = false;
    job.targetServer = "(local)";
    job.category = "Database Maintenance";
    session->UpdateJob(job);
    job = session->GetJob("New name");
    EXPECT_FALSE(job.enabled);
    EXPECT_EQ(job.targetServer, "(local)");
    EXPECT_EQ(job.category, "Database Maintenance");
    job.category = "No such category";
    EXPECT_EQ(ErrorOf([&] { session->UpdateJob(job); }), kErrNoSuchCategory);
    session->AddJobCategory("Storage areas");
    auto categories = session->JobCategories();
    EXPECT_NE(std::find(categories.begin(), categories.end(), "Storage areas"), categories.end());
    EXPECT_EQ(MessageOf([&] { session->AddJob(BackupJob("taken")); }),
              "The specified @job_name ('taken') already exists.");
    session->RemoveJob(id);
    session->RemoveJob("Taken");
}

TEST(Jobs, SchedulesAreChecked) {
    auto session = enginetest::Admin();
    auto withSchedule = [&](auto change) {
        Job job = BackupJob("Checked");
        change(job.schedules[0]);
        return ErrorOf([&] { session->AddJob(job); });
    };
    EXPECT_EQ(withSchedule([](JobSchedule& s) { s.frequencyType = 3; }), 14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) { s.frequencyInterval = 128; }), 14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) { s.frequencyRecurrenceFactor = 0; }), 14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) {
                  s.frequencyType = 16;
                  s.frequencyInterval = 32;
              }),
              14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) { s.activeStartDate = 20261301; }), 14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) { s.activeStartTime = 236000; }), 14266);
    EXPECT_EQ(withSchedule([](JobSchedule& s) {
                  s.frequencyType = 4;
                  s.frequencyInterval = 6;
                  s.frequencyRecurrenceFactor = 0; // daily schedules need none
              }),
              0);
    session->RemoveJob("Checked");
}

TEST(Jobs, HistoryAndActivity) {
    auto session = enginetest::Admin();
    std::string id = session->AddJob(BackupJob("Ran"));
    JobHistoryEntry entry;
    entry.jobId = "Ran";
    entry.stepId = 1;
    entry.stepName = "Backup Sales";
    entry.message = "done";
    entry.runStatus = 1;
    entry.runDate = 20261208;
    entry.runTime = 230000;
    entry.runDuration = 12;
    session->AddJobHistory(entry);
    session->RecordJobActivity(id, 4, 1, 20261208, 230000);
    auto history = session->JobHistory(id);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].jobId, id);
    EXPECT_EQ(history[0].message, "done");
    Job job = session->GetJob(id);
    EXPECT_EQ(job.lastRunOutcome, 1);
    EXPECT_EQ(job.lastRunDate, 20261208);
    session->RemoveJob(id);
    EXPECT_EQ(ErrorOf([&] { session->JobHistory(id); }), kErrNoSuchJob);
}

TEST(Jobs, StartingAJobNeedsARunningAgent) {
    auto session = enginetest::Admin();
    std::string id = session->AddJob(BackupJob("Started"));
    EXPECT_FALSE(session->AgentRunning());
    EXPECT_EQ(MessageOf([&] { session->StartJob("Started"); }),
              "SQLServerAgent is not currently running so it cannot be notified of this action.");
    int lock = TakeAgentLock();
    ASSERT_GE(lock, 0);
    long long holder = 0;
    EXPECT_EQ(TakeAgentLock(&holder), -1); // one agent per prefix
    EXPECT_EQ(holder, getpid());
    {
        auto agent = Connect("(local)", {}, "agent");
        EXPECT_FALSE(session->AgentRunning()); // the lock alone is no agent of this instance
        agent->RegisterAsAgent();
        EXPECT_TRUE(session->AgentRunning());
        session->StartJob("Started");
        session->StartJob(id, "Backup Sales");
        EXPECT_EQ(ErrorOf([&] { session->StartJob(id, "No such step"); }), kErrNoSuchJob);
        auto requests = agent->TakeJobStartRequests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].jobId, id);
        EXPECT_EQ(requests[0].stepId, 0);
        EXPECT_EQ(requests[1].stepId, 1);
        EXPECT_EQ(requests[1].requestedBy, session->LoginName());
        EXPECT_TRUE(agent->TakeJobStartRequests().empty());

        // A registration whose holder let go of the lock is a dead agent's.
        close(lock);
        EXPECT_FALSE(session->AgentRunning());
        lock = TakeAgentLock();
        EXPECT_TRUE(session->AgentRunning());
    }
    // The agent's session ended: nobody is there to be told.
    EXPECT_FALSE(session->AgentRunning());
    EXPECT_EQ(ErrorOf([&] { session->StartJob("Started"); }), kErrAgentNotRunning);
    close(lock);
    session->RemoveJob(id);
}
