// Jobs through the object model as the Backup wizard and the job nodes use them: a job with a step and
// a schedule created inside a transaction, another rolled back, schedule changes collected between
// BeginAlter and DoAlter, and steps and schedules removed by name.
#include <unistd.h>

#include "dmo_fixture.h"

using namespace dmotest;

namespace {

ComPtr<IWSQLDMOJobs> JobsOf(IWSQLDMOServer* server) {
    ComPtr<IWSQLDMOJobServer> jobServer;
    EXPECT_EQ(S_OK, server->GetJobServer(jobServer.Receive()));
    ComPtr<IWSQLDMOJobs> jobs;
    EXPECT_EQ(S_OK, jobServer->GetJobs(jobs.Receive()));
    return jobs;
}

// The Backup wizard's order: the job is added before it is named.
void CreateBackupJob(IWSQLDMOServer* server, const wchar_t* name) {
    auto jobs = JobsOf(server);
    auto job = Create<IWSQLDMOJob>(CLSID_SQLDMOJob, IID_IWSQLDMOJob);
    ASSERT_EQ(S_OK, jobs->Add(job.Get())) << ErrorDescription();
    ASSERT_EQ(S_OK, job->SetName(name)) << ErrorDescription();
    ASSERT_EQ(S_OK, job->ApplyToTargetServer(L"(local)")) << ErrorDescription();

    ComPtr<IWSQLDMOJobSteps> steps;
    ASSERT_EQ(S_OK, job->GetJobSteps(steps.Receive()));
    auto step = Create<IWSQLDMOJobStep>(CLSID_SQLDMOJobStep, IID_IWSQLDMOJobStep);
    step->SetStepID(1);
    step->SetName(L"Backup Sales");
    step->SetCommand(L"BACKUP DATABASE [Sales] TO DISK = N'c:\\b\\sales.bak' WITH INIT , NAME = N'sales', "
                     L"STATS = 10, DESCRIPTION = N'weekly', NOFORMAT");
    ASSERT_EQ(S_OK, step->SetDatabaseName(L"Sales"));
    ASSERT_EQ(S_OK, steps->Add(step.Get())) << ErrorDescription();

    ComPtr<IWSQLDMOJobSchedules> schedules;
    ASSERT_EQ(S_OK, job->GetJobSchedules(schedules.Receive()));
    auto schedule = Create<IWSQLDMOJobSchedule>(CLSID_SQLDMOJobSchedule, IID_IWSQLDMOJobSchedule);
    ComPtr<IWSQLDMOSchedule> settings;
    ASSERT_EQ(S_OK, schedule->GetSchedule(settings.Receive()));
    settings->SetActiveStartTimeOfDay(233000);
    settings->SetActiveStartDate(20270104);
    schedule->SetName(L"Weekly Backup");
    settings->SetFrequencyType(SQLDMOFreq_Weekly);
    settings->SetFrequencyInterval(2);
    settings->SetFrequencyRecurrenceFactor(1);
    ASSERT_EQ(S_OK, schedules->Add(schedule.Get())) << ErrorDescription();
}

TEST(Jobs, JobWithStepAndScheduleIsCommittedAndAnotherRolledBack) {
    auto server = Connected();
    ASSERT_EQ(S_OK, server->BeginTransaction(nullptr)) << ErrorDescription();
    CreateBackupJob(server.Get(), L"Sales weekly");
    ASSERT_EQ(S_OK, server->CommitTransaction(nullptr)) << ErrorDescription();

    ASSERT_EQ(S_OK, server->BeginTransaction(nullptr));
    CreateBackupJob(server.Get(), L"Abandoned");
    ASSERT_EQ(S_OK, server->RollbackTransaction(nullptr)) << ErrorDescription();

    auto jobs = JobsOf(server.Get());
    ComPtr<IWSQLDMOJob> gone;
    EXPECT_TRUE(FAILED(jobs->GetItemByName(L"Abandoned", gone.Receive())));
    ComPtr<IWSQLDMOJob> job;
    ASSERT_EQ(S_OK, jobs->GetItemByName(L"Sales weekly", job.Receive())) << ErrorDescription();
    VARIANT_BOOL flag = VARIANT_FALSE;
    ASSERT_EQ(S_OK, job->GetHasSchedule(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    ASSERT_EQ(S_OK, job->GetEnabled(&flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_FALSE(Text(job.Get(), &IWSQLDMOJob::GetCategory).empty());
    EXPECT_EQ(SQLDMOJobExecution_Idle, Number(job.Get(), &IWSQLDMOJob::GetCurrentRunStatus));
    EXPECT_EQ(SQLDMOJobOutcome_Unknown, Number(job.Get(), &IWSQLDMOJob::GetLastRunOutcome));

    ComPtr<IWSQLDMOJobSteps> steps;
    ASSERT_EQ(S_OK, job->GetJobSteps(steps.Receive()));
    ASSERT_EQ(1, Number(steps.Get(), &IWSQLDMOJobSteps::GetCount));
    ComPtr<IWSQLDMOJobStep> step;
    ASSERT_EQ(S_OK, steps->GetItemByOrd(0, step.Receive()));
    EXPECT_EQ(1, Number(step.Get(), &IWSQLDMOJobStep::GetStepID));
    EXPECT_EQ(L"TSQL", Text(step.Get(), &IWSQLDMOJobStep::GetSubSystem));
    EXPECT_EQ(L"Sales", Text(step.Get(), &IWSQLDMOJobStep::GetDatabaseName));
    ASSERT_EQ(S_OK, step->SetOnSuccessAction(SQLDMOJobStepAction_GotoNextStep));
    ComPtr<IWSQLDMOJobStep> reread;
    steps->Refresh(VARIANT_TRUE);
    ASSERT_EQ(S_OK, steps->GetItemByOrd(0, reread.Receive()));
    EXPECT_EQ(SQLDMOJobStepAction_GotoNextStep, Number(reread.Get(), &IWSQLDMOJobStep::GetOnSuccessAction));

    ComPtr<IWSQLDMOJobSchedules> schedules;
    ASSERT_EQ(S_OK, job->GetJobSchedules(schedules.Receive()));
    ComPtr<IWSQLDMOJobSchedule> schedule;
    ASSERT_EQ(S_OK, schedules->GetItemByOrd(0, schedule.Receive()));
    EXPECT_EQ(L"Weekly Backup", Text(schedule.Get(), &IWSQLDMOJobSchedule::GetName));
    ComPtr<IWSQLDMOSchedule> settings;
    ASSERT_EQ(S_OK, schedule->GetSchedule(settings.Receive()));
    EXPECT_EQ(SQLDMOFreq_Weekly, Number(settings.Get(), &IWSQLDMOSchedule::GetFrequencyType));
    EXPECT_EQ(2, Number(settings.Get(), &IWSQLDMOSchedule::GetFrequencyInterval));
    EXPECT_EQ(233000, Number(settings.Get(), &IWSQLDMOSchedule::GetActiveStartTimeOfDay));
    EXPECT_EQ(20270104, Number(settings.Get(), &IWSQLDMOSchedule::GetActiveStartDate));
}

TEST(Jobs, ScheduleChangesWaitForDoAlterAndCancelAlterDropsThem) {
    auto server = Connected();
    CreateBackupJob(server.Get(), L"Altered");
    auto jobs = JobsOf(server.Get());
    ComPtr<IWSQLDMOJob> job;
    ASSERT_EQ(S_OK, jobs->GetItemByName(L"Altered", job.Receive()));
    ComPtr<IWSQLDMOJobSchedules> schedules;
    job->GetJobSchedules(schedules.Receive());
    ComPtr<IWSQLDMOJobSchedule> schedule;
    ASSERT_EQ(S_OK, schedules->GetItemByName(L"Weekly Backup", schedule.Receive()));
    ComPtr<IWSQLDMOSchedule> settings;
    schedule->GetSchedule(settings.Receive());

    auto storedType = [&] {
        ComPtr<IWSQLDMOJobSchedules> fresh;
        job->GetJobSchedules(fresh.Receive());
        ComPtr<IWSQLDMOJobSchedule> other;
        fresh->GetItemByOrd(0, other.Receive());
        ComPtr<IWSQLDMOSchedule> otherSettings;
        other->GetSchedule(otherSettings.Receive());
        return Number(otherSettings.Get(), &IWSQLDMOSchedule::GetFrequencyType);
    };

    ASSERT_EQ(S_OK, schedule->BeginAlter());
    settings->SetFrequencyType(SQLDMOFreq_Daily);
    settings->SetFrequencyInterval(3);
    EXPECT_EQ(SQLDMOFreq_Weekly, storedType());
    ASSERT_EQ(S_OK, schedule->DoAlter()) << ErrorDescription();
    EXPECT_EQ(SQLDMOFreq_Daily, storedType());

    ASSERT_EQ(S_OK, schedule->BeginAlter());
    settings->SetFrequencyType(SQLDMOFreq_Monthly);
    ASSERT_EQ(S_OK, schedule->CancelAlter());
    EXPECT_EQ(SQLDMOFreq_Daily, Number(settings.Get(), &IWSQLDMOSchedule::GetFrequencyType));
    EXPECT_EQ(SQLDMOFreq_Daily, storedType());

    EXPECT_TRUE(FAILED(schedule->DoAlter()));
    EXPECT_TRUE(FAILED(settings->SetFrequencyType(5)));
    EXPECT_EQ(L"[Tavrosk][Object Model]The frequency type 5 is not valid.", ErrorDescription());
}

TEST(Jobs, StepsAndSchedulesAreRemovedByNameAndJobsRemoved) {
    auto server = Connected();
    CreateBackupJob(server.Get(), L"Pruned");
    auto jobs = JobsOf(server.Get());
    ComPtr<IWSQLDMOJob> job;
    ASSERT_EQ(S_OK, jobs->GetItemByName(L"Pruned", job.Receive()));
    ASSERT_EQ(S_OK, job->RemoveStepByName(L"Backup Sales")) << ErrorDescription();
    ASSERT_EQ(S_OK, job->RemoveScheduleByName(L"Weekly Backup")) << ErrorDescription();
    VARIANT_BOOL flag = VARIANT_TRUE;
    job->GetHasSchedule(&flag);
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_TRUE(FAILED(job->RemoveStepByName(L"Backup Sales")));
    EXPECT_NE(std::wstring::npos, ErrorDescription().find(L"[Tavrosk][Engine]"));

    // Without the agent running, starting a job fails with the server's sentence.
    EXPECT_TRUE(FAILED(job->Start(nullptr)));
    EXPECT_EQ(
        L"[Tavrosk][Engine]SQLServerAgent is not currently running so it cannot be notified of this action.",
        ErrorDescription());

    ASSERT_EQ(S_OK, job->Remove());
    jobs->Refresh(VARIANT_TRUE);
    ComPtr<IWSQLDMOJob> gone;
    EXPECT_TRUE(FAILED(jobs->GetItemByName(L"Pruned", gone.Receive())));
}

// What the job node shows of a run, as the agent records it: the request that Invoke makes, the step in
// progress, the outcome with the last run date, the next run, and the history newest first.
TEST(Jobs, ARunAsTheAgentRecordsItIsReadBack) {
    auto server = Connected();
    CreateBackupJob(server.Get(), L"Watched");
    ComPtr<IWSQLDMOJob> job;
    ASSERT_EQ(S_OK, JobsOf(server.Get())->GetItemByName(L"Watched", job.Receive()));
    EXPECT_TRUE(FAILED(job->Invoke()));

    int lock = tvengine::TakeAgentLock();
    ASSERT_GE(lock, 0);
    auto agent = tvengine::Connect("(local)");
    agent->RegisterAsAgent();
    ASSERT_EQ(S_OK, job->Invoke()) << ErrorDescription();
    auto requests = agent->TakeJobStartRequests();
    ASSERT_EQ(requests.size(), 1u);
    std::string id = requests[0].jobId;

    agent->RecordJobStep(id, 1, std::time(nullptr));
    // A job's properties are those of its last refresh, as the job node reads them.
    LONG status = 0;
    ASSERT_EQ(S_OK, job->GetCurrentRunStatus(&status));
    EXPECT_EQ(status, SQLDMOJobExecution_Idle);
    ASSERT_EQ(S_OK, job->Refresh());
    ASSERT_EQ(S_OK, job->GetCurrentRunStatus(&status));
    EXPECT_EQ(status, SQLDMOJobExecution_Executing);
    BSTR step = nullptr;
    ASSERT_EQ(S_OK, job->GetCurrentRunStep(&step));
    EXPECT_EQ(std::wstring(step), L"1 (Backup Sales)");
    SysFreeString(step);

    tvengine::JobHistoryEntry entry;
    entry.jobId = id;
    entry.stepId = 1;
    entry.stepName = "Backup Sales";
    entry.runStatus = 0;
    entry.runDate = 20270104;
    entry.runTime = 233000;
    entry.sqlMessageId = 3201;
    entry.message = "Cannot open backup device.";
    agent->AddJobHistory(entry);
    entry.message = "The job failed.";
    agent->FinishJobRun(entry);
    agent->SetScheduleNextRun(agent->GetJob(id).schedules[0].id, 20270111, 233000);

    LONG outcome = -1, date = 0, next = 0;
    ASSERT_EQ(S_OK, job->Refresh());
    ASSERT_EQ(S_OK, job->GetCurrentRunStatus(&status));
    EXPECT_EQ(status, SQLDMOJobExecution_Idle);
    ASSERT_EQ(S_OK, job->GetLastRunOutcome(&outcome));
    EXPECT_EQ(outcome, SQLDMOJobOutcome_Failed);
    ASSERT_EQ(S_OK, job->GetLastRunDate(&date));
    EXPECT_EQ(date, 20270104);
    ASSERT_EQ(S_OK, job->GetNextRunDate(&next));
    EXPECT_EQ(next, 20270111);
    ComPtr<IWSQLDMOQueryResults> history;
    ASSERT_EQ(S_OK, job->EnumHistory(history.Receive())) << ErrorDescription();
    LONG rows = 0, value = 0;
    history->GetRows(&rows);
    ASSERT_EQ(rows, 2);
    history->GetColumnLong(1, 4, &value); // step_id of the newest entry: the job's outcome
    EXPECT_EQ(value, 0);
    history->GetColumnLong(2, 6, &value); // sql_message_id of the step
    EXPECT_EQ(value, 3201);
    BSTR message = nullptr;
    history->GetColumnString(2, 8, &message);
    EXPECT_EQ(std::wstring(message), L"Cannot open backup device.");
    SysFreeString(message);
    agent.reset();
    close(lock);
}

TEST(Jobs, UnnamedJobCannotBeUsedBeforeItIsNamed) {
    auto server = Connected();
    auto jobs = JobsOf(server.Get());
    auto job = Create<IWSQLDMOJob>(CLSID_SQLDMOJob, IID_IWSQLDMOJob);
    ASSERT_EQ(S_OK, jobs->Add(job.Get()));
    ComPtr<IWSQLDMOJobSteps> steps;
    EXPECT_TRUE(FAILED(job->GetJobSteps(steps.Receive())));
    EXPECT_EQ(L"[Tavrosk][Object Model]The job needs a name before it can be used on the server.",
              ErrorDescription());
}

} // namespace
