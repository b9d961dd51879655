// Running a job. The agent's own session (sysadmin) reads the job and writes what the console shows
// (the step in progress, history, the outcome); each step's command runs in a session of the job's
// owner through the engine's Execute, which runs a BACKUP DATABASE statement as the engine's backup
// and any other SQL in the step's database, under the same permission checks as any caller.
#include "runner.h"

#include <algorithm>

#include "engine/engine.h"
#include "schedule.h"

namespace tvagent {

namespace {

struct Cancelled {};

int Duration(std::time_t from, std::time_t to) { // hhmmss, as the history keeps it
    long long s = std::max<long long>(0, to - from);
    return static_cast<int>(s / 3600 * 10000 + s / 60 % 60 * 100 + s % 60);
}

const tvengine::JobStep* FindStep(const tvengine::Job& job, int id) {
    for (const auto& step : job.steps)
        if (step.id == id) return &step;
    return nullptr;
}

tvengine::JobHistoryEntry Entry(const std::string& jobId, std::time_t started, int status,
                                const std::string& message) {
    tvengine::JobHistoryEntry entry;
    entry.jobId = jobId;
    entry.runStatus = status;
    entry.message = message;
    ServerDateTime(started, &entry.runDate, &entry.runTime);
    entry.runDuration = Duration(started, std::time(nullptr));
    return entry;
}

} // namespace

int RunJob(const RunRequest& request, const std::atomic<bool>& stop, const Logger& log) {
    std::unique_ptr<tvengine::Session> agent;
    tvengine::Job job;
    try {
        agent = tvengine::Connect(request.server, {}, "SQLAgent - Job invocation engine");
        job = agent->GetJob(request.jobId);
    } catch (const tvengine::Error& error) {
        log("job " + request.jobId + " on " + request.server + " could not be read: " + error.Message());
        return -1;
    }
    const std::time_t started = std::time(nullptr);
    int stepId = request.startStep > 0 ? request.startStep : job.startStep;
    log("job '" + job.name + "' on " + request.server + " starts, invoked by " + request.invokedBy);

    int outcome = 0;
    std::string lastStep = "0 (unknown)";
    std::string reason;
    try {
        agent->RecordJobStep(job.id, stepId, started);
        std::unique_ptr<tvengine::Session> owner;
        std::string ownerError;
        try {
            owner = agent->ConnectAsJobOwner(job.id, "SQLAgent - TSQL JobStep (Job " + job.id + ")");
        } catch (const tvengine::Error& error) {
            ownerError = error.Message();
        }
        for (;;) {
            if (stop) throw Cancelled{};
            const tvengine::JobStep* step = FindStep(job, stepId);
            if (!step) {
                reason = "The job has no step " + std::to_string(stepId) + ".";
                outcome = 0;
                break;
            }
            lastStep = std::to_string(step->id) + " (" + step->name + ")";
            agent->RecordJobStep(job.id, step->id, started);
            const std::time_t stepStarted = std::time(nullptr);
            tvengine::JobHistoryEntry entry = Entry(job.id, stepStarted, 1, {});
            entry.stepId = step->id;
            entry.stepName = step->name;
            const std::string as = "Executed as user: " + (owner ? owner->LoginName() : job.owner) + ". ";
            bool succeeded = false;
            try {
                if (!owner) throw tvengine::Error(tvengine::kErrNoSuchLogin, ownerError);
                if (step->subsystem != "TSQL")
                    throw tvengine::Error(14234, "The specified '@subsystem' ('" + step->subsystem +
                                                     "') is invalid.");
                // A backup reports its progress as it goes: the place to stop it when the agent stops.
                owner->Execute(step->databaseName, step->command, [&](int) {
                    if (stop) throw Cancelled{};
                });
                succeeded = true;
                entry.message = as + "The step succeeded.";
            } catch (const tvengine::Error& error) {
                entry.runStatus = 0;
                entry.sqlMessageId = error.Number();
                entry.sqlSeverity = error.Severity();
                entry.message = as + error.Message() + " [SQLSTATE 42000] (Error " +
                                std::to_string(error.Number()) + ").  The step failed.";
            } catch (const Cancelled&) {
                entry.runStatus = 3;
                entry.message = as + "The step was cancelled (stopped) as the result of a stop job request.";
                entry.runDuration = Duration(stepStarted, std::time(nullptr));
                agent->AddJobHistory(entry);
                throw;
            }
            entry.runDuration = Duration(stepStarted, std::time(nullptr));
            agent->AddJobHistory(entry);

            int action = succeeded ? step->onSuccessAction : step->onFailAction;
            int target = succeeded ? step->onSuccessStep : step->onFailStep;
            if (action == 1 || action == 2) {
                outcome = action == 1 ? 1 : 0;
                break;
            }
            int next = action == 4 ? target : step->id + 1;
            if (action == 3 && !FindStep(job, next)) { // on from the last step: the job ends as it did
                outcome = succeeded ? 1 : 0;
                break;
            }
            stepId = next;
        }
    } catch (const Cancelled&) {
        outcome = 3;
    } catch (const tvengine::Error& error) {
        outcome = 0;
        reason = error.Message();
    }

    const char* verdict = outcome == 1   ? "The job succeeded."
                          : outcome == 3 ? "The job was stopped prior to completion by Shutdown Sequence 0."
                                         : "The job failed.";
    std::string message = std::string(verdict) + "  The Job was invoked by " + request.invokedBy +
                          ".  The last step to run was step " + lastStep + ".";
    if (!reason.empty()) message += "  " + reason;
    try {
        agent->FinishJobRun(Entry(job.id, started, outcome, message));
    } catch (const tvengine::Error& error) {
        log("the outcome of job '" + job.name + "' could not be recorded: " + error.Message());
        return -1;
    }
    log("job '" + job.name + "' ends: " + message);
    return outcome;
}

} // namespace tvagent
