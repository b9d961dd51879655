// One run of one job: its steps in order with their on-success and on-fail actions, each step's history
// entry, the step in progress while it runs, and the job's outcome at the end.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace tvagent {

struct RunRequest {
    std::string server; // the instance's server name, as a client connects to it
    std::string jobId;
    int startStep = 0;     // 0: the job's start step
    std::string invokedBy; // "User HOST\u", "Schedule 3 (Nightly)", as the outcome message names it
};

using Logger = std::function<void(const std::string& line)>;

// Runs the job to its end. When `stop` becomes true the run ends after the step in progress (a backup
// step stops at once) and is recorded as cancelled. Returns the outcome: 0 failed, 1 succeeded,
// 3 cancelled; -1 when not even the outcome could be recorded (the failure is logged).
int RunJob(const RunRequest& request, const std::atomic<bool>& stop, const Logger& log);

} // namespace tvagent
