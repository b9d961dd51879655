// The agent's service loop for one prefix: it registers with every instance, recovers the runs that a
// dead agent left behind, and then sleeps until the next schedule falls due, a start request or other
// job change arrives (the engine's signal file), an instance is made or dropped, or it is told to stop.
#pragma once

#include <atomic>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "engine/engine.h"
#include "runner.h"

namespace tvagent {

class Agent {
public:
    explicit Agent(Logger log);
    ~Agent();

    // Registers with the instances and runs until SIGTERM or SIGINT (which the caller has blocked);
    // `ready` is called once the agent is registered. Returns the process's exit status.
    int Run(const std::function<void()>& ready);

private:
    struct Instance {
        std::string name;
        std::string server;
        std::unique_ptr<tvengine::Session> session; // registered as this instance's agent
        long long version = -1;                     // of the job store when last read
    };
    struct Schedule {
        std::string instance;
        std::string jobId;
        std::string jobName;
        tvengine::JobSchedule data;
        std::string definition; // what the next run depends on; a change means computing it anew
        std::time_t next = 0;   // 0: never again
        int storedDate = 0, storedTime = 0;
    };
    struct Running {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void SyncInstances(bool starting);
    void Reload(bool starting);
    void TakeRequests();
    void RunDueSchedules(std::time_t now);
    void Start(const Instance& instance, const std::string& jobId, int startStep,
               const std::string& invokedBy);
    void StoreNextRun(Instance& instance, Schedule& schedule);
    void JoinFinished(bool all);
    void ArmTimer();

    Logger log_;
    std::map<std::string, Instance> instances_;
    std::map<std::pair<std::string, int>, Schedule> schedules_;      // by instance and schedule id
    std::map<std::pair<std::string, std::string>, Running> running_; // by instance and job id
    std::atomic<bool> stop_{false};
    int timer_ = -1;
    int finished_ = -1; // an eventfd that a run's thread writes when it ends
};

} // namespace tvagent
