// The agent daemon, run as its users run it (--foreground, its output in a file of the prefix, stopped
// in each test's teardown): one agent per prefix and its registration, a job run on request with its
// step actions and history, schedules firing with nobody else running, a missed run at start, and a
// run cut short by stopping or killing the agent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "engine/engine.h"
#include "schedule.h"
#include "test_support.h"

using namespace tvengine;

namespace {

const char kNotRunning[] = "SQLServerAgent is not currently running so it cannot be notified of this action.";

std::string Agentd() {
    return tvtest::BuildDir() + "/bin/tavrosk-agentd";
}

// Waits for a condition that the agent brings about; false when it did not come within a minute.
template <typename F> bool WaitFor(F&& condition) {
    for (int i = 0; i < 1200; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

std::string NotRunningError(Session& session, const std::string& job) {
    try {
        session.StartJob(job);
    } catch (const Error& error) {
        return error.Message();
    }
    return {};
}

class Agent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (ListInstances().empty()) CreateInstance("");
    }

    void SetUp() override { admin_ = Connect("(local)"); }

    void TearDown() override {
        for (pid_t pid : agents_) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        for (const Job& job : admin_->Jobs())
            admin_->RemoveJob(job.id);
    }

    // Starts `tavrosk-agentd --foreground` with its output going to agent-test.log in the prefix.
    pid_t Launch() {
        pid_t pid = ::fork();
        if (pid == 0) {
            int log =
                ::open((tvtest::Prefix() + "/agent-test.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(log, 1);
            ::dup2(log, 2);
            ::execl(Agentd().c_str(), "tavrosk-agentd", "--foreground", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        agents_.push_back(pid);
        return pid;
    }
    pid_t StartAgent() {
        pid_t pid = Launch();
        EXPECT_TRUE(WaitFor([&] { return admin_->AgentRunning(); }));
        return pid;
    }
    // Sends a signal and waits for the agent's end; its exit status.
    int End(pid_t pid, int signal) {
        ::kill(pid, signal);
        int status = 0;
        ::waitpid(pid, &status, 0);
        agents_.erase(std::remove(agents_.begin(), agents_.end(), pid), agents_.end());
        return status;
    }

    Job Finished(const std::string& name) {
        Job job;
        EXPECT_TRUE(WaitFor([&] {
            job = admin_->GetJob(name);
            return job.currentStatus == 4 && job.lastRunOutcome != 5;
        })) << name;
        return job;
    }

    static JobStep Step(const std::string& name, const std::string& command, int onSuccess = 1,
                        int onFail = 2, int failStep = 0) {
        JobStep step;
        step.name = name;
        step.databaseName = "master";
        step.command = command;
        step.onSuccessAction = onSuccess;
        step.onFailAction = onFail;
        step.onFailStep = failStep;
        return step;
    }

    static JobSchedule DailyAt(std::time_t when) {
        JobSchedule s;
        s.name = "Daily";
        s.frequencyType = 4;
        s.frequencyInterval = 1;
        tvagent::ServerDateTime(when, &s.activeStartDate, &s.activeStartTime);
        return s;
    }

    std::unique_ptr<Session> admin_;
    std::vector<pid_t> agents_;
};

std::string Agentctl(const std::string& arguments, int* status = nullptr) {
    std::string out;
    int code = tvtest::Run(Agentd() + " " + arguments + " 2>&1", &out);
    if (status) *status = code;
    return out;
}

} // namespace

TEST_F(Agent, OneAgentPerPrefixRegisteredWithEveryInstanceWhileItLives) {
    admin_->AddJob({.name = "Nothing"});
    EXPECT_EQ(NotRunningError(*admin_, "Nothing"), kNotRunning);

    // Two agents started at once: one runs, the other says so and leaves with status 0.
    pid_t first = Launch(), second = Launch();
    int status = 0;
    pid_t left = 0;
    ASSERT_TRUE(WaitFor([&] {
        left = ::waitpid(-1, &status, WNOHANG);
        return left == first || left == second;
    }));
    agents_.erase(std::remove(agents_.begin(), agents_.end(), left), agents_.end());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    pid_t runner = left == first ? second : first;
    EXPECT_EQ(Agentctl("--status"), "tavrosk-agentd is running (process " + std::to_string(runner) + ").\n");
    EXPECT_EQ(Agentctl(""), "tavrosk-agentd is already running (process " + std::to_string(runner) + ").\n");
    ASSERT_TRUE(WaitFor([&] { return admin_->AgentRunning(); }));
    EXPECT_EQ(NotRunningError(*admin_, "Nothing"), "");

    // An instance made while the agent runs is served at once, and can still be dropped.
    CreateInstance("Second");
    EXPECT_TRUE(WaitFor([&] { return Connect(".\\Second")->AgentRunning(); }));
    DropInstance("Second");

    // A killed agent's registration is recognised as dead.
    End(runner, SIGKILL);
    EXPECT_FALSE(admin_->AgentRunning());
    EXPECT_EQ(NotRunningError(*admin_, "Nothing"), kNotRunning);

    // Plain start goes to the background and logs to the prefix; --stop ends it.
    EXPECT_NE(Agentctl("", &status).find("tavrosk-agentd started (process "), std::string::npos);
    EXPECT_TRUE(admin_->AgentRunning());
    EXPECT_NE(Agentctl("--stop").find("tavrosk-agentd stopped"), std::string::npos);
    EXPECT_FALSE(admin_->AgentRunning());
    EXPECT_EQ(Agentctl("--status", &status), "tavrosk-agentd is not running.\n");
    EXPECT_NE(status, 0);
    std::ifstream log(tvtest::Prefix() + "/agent.log");
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("stopping on Terminated"), std::string::npos) << text;
}

TEST_F(Agent, RunsAJobOnRequestFollowingItsStepActionsAndRecordsItsHistory) {
    DatabaseSpec sales;
    sales.name = "Sales";
    if (!admin_->DatabaseExists("Sales")) admin_->CreateDatabase(sales);
    std::string file = tvtest::MakeFolder("backups") + "/sales.bak";
    Job job;
    job.name = "Sales backup";
    job.steps = {
        Step("Backup", "BACKUP DATABASE [Sales] TO DISK = N'" + file + "' WITH INIT , NAME = N'sales'", 3),
        Step("Broken", "SELECT * FROM nowhere", 1, 4, 4), // on failure: go to step 4
        Step("Skipped", "SELECT 1"), Step("Tidy", "SELECT 2")};
    admin_->AddJob(job);
    StartAgent();
    admin_->StartJob("Sales backup");
    job = Finished("Sales backup");

    EXPECT_EQ(job.lastRunOutcome, 1);
    int today, now;
    tvagent::ServerDateTime(std::time(nullptr), &today, &now);
    EXPECT_EQ(job.lastRunDate, today);
    ASSERT_EQ(ReadBackupSets(file).size(), 1u);
    EXPECT_EQ(ReadBackupSets(file)[0].databaseName, "Sales");
    auto history = admin_->JobHistory("Sales backup");
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history[0].stepName, "Backup");
    EXPECT_EQ(history[0].runStatus, 1);
    EXPECT_EQ(history[1].stepId, 2);
    EXPECT_EQ(history[1].runStatus, 0);
    EXPECT_EQ(history[1].sqlMessageId, kErrSyntax);
    EXPECT_NE(history[1].message.find("no such table: nowhere"), std::string::npos) << history[1].message;
    EXPECT_EQ(history[2].stepId, 4);
    EXPECT_EQ(history[3].stepId, 0);
    EXPECT_EQ(history[3].runStatus, 1);
    EXPECT_EQ(history[3].message, "The job succeeded.  The Job was invoked by User " + admin_->LoginName() +
                                      ".  The last step to run was step 4 (Tidy).");
}

TEST_F(Agent, SchedulesFireWithNobodyElseRunningAndOnlyForEnabledJobs) {
    StartAgent();
    std::time_t soon = std::time(nullptr) + 3;
    Job enabled;
    enabled.name = "Scheduled";
    enabled.steps = {Step("One", "SELECT 1")};
    enabled.schedules = {DailyAt(soon)};
    Job disabled = enabled;
    disabled.name = "Disabled";
    disabled.enabled = false;
    admin_->AddJob(enabled);
    admin_->AddJob(disabled);

    Job ran = Finished("Scheduled");
    EXPECT_EQ(ran.lastRunOutcome, 1);
    EXPECT_NE(admin_->JobHistory("Scheduled").back().message.find("invoked by Schedule "), std::string::npos);
    // The next run moves on to the following day.
    int date, time;
    tvagent::ServerDateTime(tvagent::NextRun(enabled.schedules[0], soon), &date, &time);
    EXPECT_TRUE(WaitFor([&] { return admin_->GetJob("Scheduled").nextRunDate == date; }));
    EXPECT_EQ(admin_->GetJob("Scheduled").nextRunTime, time);

    // The disabled job did not run; enabled, its schedule is back, from the next occurrence on.
    EXPECT_EQ(admin_->GetJob("Disabled").lastRunOutcome, 5);
    Job job = admin_->GetJob("Disabled");
    job.enabled = true;
    admin_->UpdateJob(job);
    EXPECT_TRUE(WaitFor([&] { return admin_->GetJob("Disabled").nextRunDate == date; }));
    EXPECT_EQ(admin_->GetJob("Disabled").lastRunOutcome, 5);
}

TEST_F(Agent, ARunMissedWhileNoAgentRanHappensOnceAtStart) {
    Job job;
    job.name = "Missed";
    job.steps = {Step("One", "SELECT 1")};
    std::time_t weekAgo = std::time(nullptr) - 7 * 86400;
    job.schedules = {DailyAt(weekAgo)};
    admin_->AddJob(job);
    // The next run the last agent computed, three days ago; three runs have been missed since.
    int date, time;
    tvagent::ServerDateTime(weekAgo + 4 * 86400, &date, &time);
    admin_->SetScheduleNextRun(admin_->GetJob("Missed").schedules[0].id, date, time);

    StartAgent();
    EXPECT_EQ(Finished("Missed").lastRunOutcome, 1);
    int next, nextTime;
    tvagent::ServerDateTime(tvagent::NextRun(admin_->GetJob("Missed").schedules[0], std::time(nullptr)),
                            &next, &nextTime);
    EXPECT_TRUE(WaitFor([&] { return admin_->GetJob("Missed").nextRunDate == next; }));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    int outcomes = 0;
    for (const auto& entry : admin_->JobHistory("Missed"))
        outcomes += entry.stepId == 0;
    EXPECT_EQ(outcomes, 1);
}

TEST_F(Agent, ARunCutShortIsCancelledByAStopAndFailedAfterAKillWithItsHistoryKept) {
    Job job;
    job.name = "Long";
    job.steps = {Step("Quick", "SELECT 1", 3),
                 Step("Slow",
                      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3000000) "
                      "SELECT count(*) FROM c",
                      3),
                 Step("Last", "SELECT 3")};
    admin_->AddJob(job);
    auto startAndReachSlowStep = [&] {
        admin_->StartJob("Long");
        EXPECT_TRUE(WaitFor([&] {
            Job now = admin_->GetJob("Long");
            return now.currentStatus == 1 && now.currentStep == 2;
        }));
    };

    // Stopped: the step in progress ends, the run is recorded as cancelled.
    pid_t agent = StartAgent();
    startAndReachSlowStep();
    int status = End(agent, SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    job = admin_->GetJob("Long");
    EXPECT_EQ(job.currentStatus, 4);
    EXPECT_EQ(job.lastRunOutcome, 3);

    // Killed: the next agent records the run as failed; the steps that ended before stay in the history.
    agent = StartAgent();
    startAndReachSlowStep();
    End(agent, SIGKILL);
    StartAgent();
    job = admin_->GetJob("Long");
    EXPECT_EQ(job.currentStatus, 4);
    EXPECT_EQ(job.lastRunOutcome, 0);
    auto history = admin_->JobHistory("Long");
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history.back().stepId, 0);
    EXPECT_EQ(history.back().message, "The job was stopped prior to completion");
    EXPECT_EQ(history[history.size() - 2].stepName, "Quick");
    EXPECT_EQ(history[history.size() - 2].runStatus, 1);
}

// CI has no user service manager: the unit is checked by reading it. It must run the agent in the
// foreground (the service manager keeps it and collects its standard error) for the prefix it was
// installed for, and stop it with --stop, which waits for the run in progress.
TEST(AgentUnit, RunsTheAgentInTheForegroundForItsPrefix) {
    std::ifstream file(std::string(TAVROSK_SOURCE_DIR) + "/agent/tavrosk-agent.service");
    std::string unit((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    for (const char* line : {"\nType=simple\n", "\nEnvironment=TAVROSK_PREFIX=@PREFIX@\n",
                             "\nExecStart=@BUILD@/bin/tavrosk-agentd --foreground\n",
                             "\nExecStop=@BUILD@/bin/tavrosk-agentd --stop\n", "\nWantedBy=default.target\n"})
        EXPECT_NE(unit.find(line), std::string::npos) << line;
}
