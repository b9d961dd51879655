// Agent benchmark, in a fresh prefix of its own with 5,000 jobs, each with one step and a daily schedule:
//   1. the agent idle: its CPU time (user + system, from /proc) over a minute, against the budget of 1%
//      of a core, i.e. 600 ms;
//   2. a start request: from StartJob returning to the job showing its first step as executing, ten
//      times, against the budget of one second;
//   3. the Jobs node listing the 5,000 jobs through the headless console, start-up included, against
//      the same console listing the Databases node of the same instance.
//
//   agent_bench [SECONDS]      (default 60: the idle measurement's length)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"

namespace {

constexpr int kJobs = 5000;
using Clock = std::chrono::steady_clock;

std::string g_bin; // the folder of the programs

double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int main(int argc, char** argv) {
    int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::string self = argv[0];
    g_bin = self.substr(0, self.find_last_of('/')) + "/../bin";
    char folder[] = "/tmp/tavrosk-agent-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    setenv("TAVROSK_PREFIX", folder, 1);
    // As dev.sh console: the snap-in loads the maker's libraries by their bare names.
    setenv("PATH", (g_bin + "/../vendor:" + std::getenv("PATH")).c_str(), 1);
    if (Shell(g_bin + "/tavrosk-init >/dev/null 2>&1") != 0) {
        std::fprintf(stderr, "tavrosk-init failed\n");
        return 1;
    }

    auto admin = tvengine::Connect("(local)");
    // Every schedule fires daily at an hour away from now, so nothing runs while the agent idles.
    std::time_t later = std::time(nullptr) + 3 * 3600;
    struct tm local;
    localtime_r(&later, &local);
    admin->BeginTransaction();
    for (int i = 0; i < kJobs; ++i) {
        tvengine::Job job;
        job.name = "Job " + std::to_string(i);
        tvengine::JobStep step;
        step.name = "Step";
        step.command = "SELECT 1";
        job.steps.push_back(step);
        tvengine::JobSchedule schedule;
        schedule.name = "Daily";
        schedule.frequencyType = 4;
        schedule.frequencyInterval = 1;
        schedule.activeStartDate = ((local.tm_year + 1900) * 100 + local.tm_mon + 1) * 100 + local.tm_mday;
        schedule.activeStartTime = (local.tm_hour * 100 + local.tm_min) * 100 + local.tm_sec;
        job.schedules.push_back(schedule);
        admin->AddJob(job);
    }
    admin->CommitTransaction();

    pid_t agent = fork();
    if (agent == 0) {
        freopen((std::string(folder) + "/agent.log").c_str(), "a", stderr);
        execl((g_bin + "/tavrosk-agentd").c_str(), "tavrosk-agentd", "--foreground",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    auto started = Clock::now();
    while (!admin->AgentRunning())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Registered; the first load of the 5,000 schedules follows. Wait until their next runs are written.
    while (admin->GetJob("Job " + std::to_string(kJobs - 1)).nextRunDate == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    double startup = Seconds(started);
    double startupCpu = CpuSeconds(agent);

    double before = CpuSeconds(agent);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    double idleCpu = CpuSeconds(agent) - before;
    double idleShare = idleCpu / idleSeconds * 100.0;

    std::vector<double> latencies;
    for (int i = 0; i < 10; ++i) {
        std::string name = "Job " + std::to_string(i * 7);
        auto asked = Clock::now();
        admin->StartJob(name);
        for (;;) {
            tvengine::Job job = admin->GetJob(name);
            if (job.currentStatus == 1 || job.lastRunOutcome != 5) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        latencies.push_back(Seconds(asked));
    }
    std::sort(latencies.begin(), latencies.end());

    kill(agent, SIGTERM);
    waitpid(agent, nullptr, 0);

    auto list = [&](const char* path) {
        std::string script = std::string(folder) + "/list.console";
        std::ofstream(script) << "list \"" << path << "\"\nquit\n";
        auto from = Clock::now();
        int status = Shell(g_bin + "/tavrosk-console --headless --script " + script + " >/dev/null 2>&1");
        double took = Seconds(from);
        return status == 0 ? took : -took;
    };
    double jobsList = list("Korvath Console/SQL Server Group/(local)/Management/SQL Server Agent/Jobs");
    double databasesList = list("Korvath Console/SQL Server Group/(local)/Databases");

    std::printf("agent with %d scheduled jobs\n", kJobs);
    std::printf("  start-up to all next runs written   %8.3f s (CPU %.3f s)\n", startup, startupCpu);
    std::printf("  idle CPU over %d s                   %8.3f s = %.3f%% of a core (budget 1%%)\n",
                idleSeconds, idleCpu, idleShare);
    std::printf("  start request to first step (10x)   median %.3f s, max %.3f s (budget 1 s)\n",
                latencies[latencies.size() / 2], latencies.back());
    std::printf("headless console, start-up included (negative: the console failed)\n");
    std::printf("  list the Jobs node (%d jobs)       %8.3f s\n", kJobs, jobsList);
    std::printf("  list the Databases node (reference)  %8.3f s\n", databasesList);
    Shell(std::string("rm -rf ") + folder);
    return 0;
}
