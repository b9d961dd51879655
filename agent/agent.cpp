// The agent's service loop. It never polls: it sleeps in poll() on four descriptors, an inotify watch on
// the folder of the engine's signal file (job changes, start requests, instances made or dropped), a
// real-time timer set to the earliest next run (cancelled and re-read when the clock is set), a
// signalfd for SIGTERM and SIGINT, and an eventfd that each run's thread writes when it ends.
#include "agent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include "schedule.h"

namespace tvagent {

namespace {

std::string Folder(const std::string& file) {
    return file.substr(0, file.find_last_of('/'));
}

// What a schedule's runs depend on; the next run is computed anew when any of it changes.
std::string Definition(const tvengine::JobSchedule& s) {
    std::string text;
    for (int value : {s.frequencyType, s.frequencyInterval, s.frequencySubdayType, s.frequencySubdayInterval,
                      s.frequencyRelativeInterval, s.frequencyRecurrenceFactor, s.activeStartDate,
                      s.activeEndDate, s.activeStartTime, s.activeEndTime})
        text += std::to_string(value) + ",";
    return text;
}

std::string Describe(const tvengine::Error& error) {
    return "error " + std::to_string(error.Number()) + ": " + error.Message();
}

} // namespace

Agent::Agent(Logger log) : log_(std::move(log)) {}

Agent::~Agent() {
    stop_ = true;
    JoinFinished(true);
    if (timer_ >= 0) ::close(timer_);
    if (finished_ >= 0) ::close(finished_);
}

int Agent::Run(const std::function<void()>& ready) {
    const std::string folder = Folder(tvengine::JobChangeSignalFile());
    ::mkdir(folder.c_str(), 0700);
    int changes = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (changes < 0 ||
        ::inotify_add_watch(changes, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0) {
        log_("cannot watch " + folder + " for job changes: " + std::strerror(errno));
        return 1;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    int stopSignal = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    timer_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    finished_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopSignal < 0 || timer_ < 0 || finished_ < 0) {
        log_(std::string("cannot set up the agent's wake-ups: ") + std::strerror(errno));
        return 1;
    }

    SyncInstances(true);
    TakeRequests();
    Reload(true);
    log_("running for the instances under " + Folder(folder) + " (" + std::to_string(instances_.size()) +
         " instances, " + std::to_string(schedules_.size()) + " active schedules)");
    if (ready) ready();

    for (;;) {
        ArmTimer();
        struct pollfd fds[4] = {
            {stopSignal, POLLIN, 0}, {changes, POLLIN, 0}, {timer_, POLLIN, 0}, {finished_, POLLIN, 0}};
        if (::poll(fds, 4, -1) < 0) {
            if (errno == EINTR) continue;
            log_(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[0].revents) {
            struct signalfd_siginfo info;
            if (::read(stopSignal, &info, sizeof(info)) > 0)
                log_(std::string("stopping on ") + strsignal(static_cast<int>(info.ssi_signo)));
            break;
        }
        if (fds[3].revents) {
            uint64_t count;
            if (::read(finished_, &count, sizeof(count)) < 0 && errno != EAGAIN) log_("eventfd read failed");
            JoinFinished(false);
        }
        if (fds[1].revents) {
            // Several changes in a row wake the agent once.
            char buffer[4096];
            while (::read(changes, buffer, sizeof(buffer)) > 0) {
            }
            SyncInstances(false);
            TakeRequests();
            Reload(false);
        }
        if (fds[2].revents) {
            uint64_t expirations;
            // ECANCELED: the clock was set; the next runs are compared with the new time below.
            if (::read(timer_, &expirations, sizeof(expirations)) < 0 && errno != EAGAIN &&
                errno != ECANCELED)
                log_(std::string("timer read failed: ") + std::strerror(errno));
            RunDueSchedules(std::time(nullptr));
        }
    }

    // Runs in progress end after their current step and record themselves as cancelled.
    stop_ = true;
    JoinFinished(true);
    instances_.clear(); // the sessions end, and with them the registrations
    ::close(changes);
    ::close(stopSignal);
    log_("stopped");
    return 0;
}

void Agent::SyncInstances(bool starting) {
    std::set<std::string> present;
    for (const std::string& name : tvengine::ListInstances()) {
        present.insert(name);
        if (instances_.count(name)) continue;
        Instance instance;
        instance.name = name;
        instance.server = name == tvengine::kDefaultInstance ? std::string(".") : ".\\" + name;
        try {
            instance.session = tvengine::Connect(instance.server, {}, "SQLAgent - Generic Refresher");
            // A run still marked as executing belongs to an agent that died during it: this agent holds
            // the lock now, so nobody runs it. Recorded before registering, so that whoever sees the
            // agent running sees the run's outcome too.
            for (const tvengine::Job& job : instance.session->Jobs()) {
                if (job.currentStatus != 1) continue;
                tvengine::JobHistoryEntry entry;
                entry.jobId = job.id;
                entry.runStatus = 0;
                entry.message = "The job was stopped prior to completion";
                std::time_t started = job.runStarted ? job.runStarted : std::time(nullptr);
                ServerDateTime(started, &entry.runDate, &entry.runTime);
                instance.session->FinishJobRun(entry);
                log_("job '" + job.name + "' on " + name +
                     " was running when the agent stopped; recorded as failed");
            }
            instance.session->RegisterAsAgent();
        } catch (const tvengine::Error& error) {
            log_("cannot serve the instance " + name + ": " + Describe(error));
            continue;
        }
        if (!starting) log_("serving the new instance " + name);
        instances_.emplace(name, std::move(instance));
    }
    for (auto it = instances_.begin(); it != instances_.end();) {
        if (present.count(it->first)) {
            ++it;
            continue;
        }
        log_("the instance " + it->first + " is gone");
        for (auto s = schedules_.begin(); s != schedules_.end();)
            s = s->first.first == it->first ? schedules_.erase(s) : std::next(s);
        it = instances_.erase(it);
    }
}

void Agent::Reload(bool starting) {
    const std::time_t now = std::time(nullptr);
    for (auto& [name, instance] : instances_) {
        std::set<int> seen;
        try {
            // A start request or a run changes no schedule: the store is read again only after a change.
            long long version = instance.session->JobStoreVersion();
            if (version == instance.version) continue;
            std::vector<tvengine::Job> jobs = instance.session->Jobs();
            instance.session->BeginTransaction(); // the next runs, written together
            for (const tvengine::Job& job : jobs) {
                for (const tvengine::JobSchedule& s : job.schedules) {
                    // A disabled job or schedule does not fire; enabled again, it starts from now.
                    if (!job.enabled || !s.enabled) continue;
                    seen.insert(s.id);
                    auto key = std::make_pair(name, s.id);
                    std::string definition = Definition(s);
                    auto found = schedules_.find(key);
                    if (found != schedules_.end() && found->second.definition == definition) {
                        // A writer that put back an older next run (a schedule object saving what it
                        // read) is corrected.
                        found->second.data = s;
                        found->second.jobName = job.name;
                        found->second.storedDate = s.nextRunDate;
                        found->second.storedTime = s.nextRunTime;
                        StoreNextRun(instance, found->second);
                        continue;
                    }
                    Schedule schedule;
                    schedule.instance = name;
                    schedule.jobId = job.id;
                    schedule.jobName = job.name;
                    schedule.data = s;
                    schedule.definition = definition;
                    schedule.storedDate = s.nextRunDate;
                    schedule.storedTime = s.nextRunTime;
                    // A run missed while no agent ran happens once, now, however many were missed.
                    if (starting && s.nextRunDate > 0 && LocalMoment(s.nextRunDate, s.nextRunTime) <= now)
                        schedule.next = now;
                    else
                        schedule.next = NextRun(s, now);
                    StoreNextRun(instance, schedule);
                    schedules_[key] = std::move(schedule);
                }
            }
            instance.session->CommitTransaction();
            instance.version = version;
        } catch (const tvengine::Error& error) {
            if (instance.session->InTransaction()) instance.session->RollbackTransaction();
            log_("cannot read the jobs of " + name + ": " + Describe(error));
            continue;
        }
        for (auto s = schedules_.begin(); s != schedules_.end();)
            s = s->first.first == name && !seen.count(s->first.second) ? schedules_.erase(s) : std::next(s);
    }
}

void Agent::StoreNextRun(Instance& instance, Schedule& schedule) {
    int date = 0, time = 0;
    if (schedule.next) ServerDateTime(schedule.next, &date, &time);
    if (date == schedule.storedDate && time == schedule.storedTime) return;
    instance.session->SetScheduleNextRun(schedule.data.id, date, time);
    schedule.storedDate = date;
    schedule.storedTime = time;
}

void Agent::TakeRequests() {
    for (auto& [name, instance] : instances_) {
        try {
            for (const tvengine::JobStartRequest& request : instance.session->TakeJobStartRequests())
                Start(instance, request.jobId, request.stepId, "User " + request.requestedBy);
        } catch (const tvengine::Error& error) {
            log_("cannot read the start requests of " + name + ": " + Describe(error));
        }
    }
}

void Agent::RunDueSchedules(std::time_t now) {
    for (auto& [key, schedule] : schedules_) {
        if (schedule.next == 0 || schedule.next > now) continue;
        auto instance = instances_.find(schedule.instance);
        if (instance == instances_.end()) continue;
        Start(instance->second, schedule.jobId, 0,
              "Schedule " + std::to_string(schedule.data.id) + " (" + schedule.data.name + ")");
        schedule.next = NextRun(schedule.data, std::max(now, schedule.next));
        try {
            StoreNextRun(instance->second, schedule);
        } catch (const tvengine::Error& error) {
            log_("cannot record the next run of '" + schedule.jobName + "': " + Describe(error));
        }
    }
}

void Agent::Start(const Instance& instance, const std::string& jobId, int startStep,
                  const std::string& invokedBy) {
    auto key = std::make_pair(instance.name, jobId);
    auto found = running_.find(key);
    if (found != running_.end()) {
        if (!*found->second.done) {
            log_("job " + jobId + " on " + instance.name + " is already running; " + invokedBy +
                 " is skipped");
            return;
        }
        found->second.thread.join();
        running_.erase(found);
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    RunRequest request{instance.server, jobId, startStep, invokedBy};
    int finished = finished_;
    Running run;
    run.done = done;
    run.thread = std::thread([this, request, done, finished] {
        RunJob(request, stop_, log_);
        *done = true;
        uint64_t one = 1;
        if (::write(finished, &one, sizeof(one)) < 0) {
            // The eventfd cannot overflow at one write per run; the thread is joined at the next start.
        }
    });
    running_.emplace(key, std::move(run));
}

void Agent::JoinFinished(bool all) {
    for (auto it = running_.begin(); it != running_.end();) {
        if (all || *it->second.done) {
            it->second.thread.join();
            it = running_.erase(it);
        } else {
            ++it;
        }
    }
}

void Agent::ArmTimer() {
    std::time_t earliest = 0;
    for (const auto& [key, schedule] : schedules_)
        if (schedule.next && (earliest == 0 || schedule.next < earliest)) earliest = schedule.next;
    struct itimerspec when = {};
    // An absolute time already past fires at once; zero would disarm the timer.
    when.it_value.tv_sec = earliest;
    if (::timerfd_settime(timer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr) != 0)
        log_(std::string("cannot set the timer: ") + std::strerror(errno));
}

} // namespace tvagent
