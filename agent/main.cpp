// tavrosk-agentd: the agent that runs the jobs of the instances under one prefix.
//   tavrosk-agentd                start as a daemon, logging to $TAVROSK_PREFIX/agent.log
//   tavrosk-agentd --foreground   run in the foreground, logging to standard error
//   tavrosk-agentd --stop         stop the running agent and wait until it has stopped
//   tavrosk-agentd --status       say whether an agent runs (exit status 0) or not (3)
// One agent runs per prefix: a second start says so, with the running agent's process id, and exits 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "agent.h"
#include "engine/engine.h"
#include "tvplatform.h"

namespace {

const char kName[] = "tavrosk-agentd";
const char kUsage[] = "usage: tavrosk-agentd [--foreground | --stop | --status]\n";

std::mutex g_logLock;

void Log(const std::string& line) {
    std::lock_guard<std::mutex> hold(g_logLock);
    std::time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s %s[%d]: %s\n", stamp, kName, static_cast<int>(::getpid()), line.c_str());
    std::fflush(stderr);
}

void SayRunning(long long pid) {
    std::printf("%s is already running (process %lld).\n", kName, pid);
}

int Status() {
    long long pid = 0;
    if (tvengine::AgentLockHeld(&pid)) {
        std::printf("%s is running (process %lld).\n", kName, pid);
        return 0;
    }
    std::printf("%s is not running.\n", kName);
    return 3;
}

int Stop() {
    long long pid = 0;
    if (!tvengine::AgentLockHeld(&pid) || pid <= 0) {
        std::printf("%s is not running.\n", kName);
        return 0;
    }
    if (::kill(static_cast<pid_t>(pid), SIGTERM) != 0) {
        std::fprintf(stderr, "%s: cannot stop process %lld: %s\n", kName, pid, std::strerror(errno));
        return 1;
    }
    // A run in progress ends with its current step; wait for that, up to two minutes.
    for (int tenths = 0; tenths < 1200; ++tenths) {
        if (!tvengine::AgentLockHeld()) {
            std::printf("%s stopped (process %lld).\n", kName, pid);
            return 0;
        }
        ::usleep(100000);
    }
    std::fprintf(stderr, "%s: process %lld has not stopped yet.\n", kName, pid);
    return 1;
}

// Detaches from the terminal. The first process waits until the daemon reports through `ready` that it
// runs ('S') or that another agent holds the lock ('R'), so that a script can use the agent at once.
int Daemonise(int* ready) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child > 0) {
        ::close(pipeFds[1]);
        char answer = 0;
        ssize_t got = ::read(pipeFds[0], &answer, 1);
        long long pid = 0;
        if (got == 1 && answer == 'S' && tvengine::AgentLockHeld(&pid)) {
            std::printf("%s started (process %lld), logging to %s/agent.log.\n", kName, pid,
                        tvp::Prefix().c_str());
            std::exit(0);
        }
        if (got == 1 && answer == 'R') {
            tvengine::AgentLockHeld(&pid);
            SayRunning(pid);
            std::exit(0);
        }
        std::fprintf(stderr, "%s: the agent did not start; see %s/agent.log\n", kName, tvp::Prefix().c_str());
        std::exit(1);
    }
    ::close(pipeFds[0]);
    ::setsid();
    if (::fork() != 0) std::_Exit(0);
    if (::chdir("/") != 0) return -1;
    int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    std::string logPath = tvp::Prefix() + "/agent.log";
    int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (null < 0 || log < 0) return -1;
    ::dup2(null, 0);
    ::dup2(log, 1);
    ::dup2(log, 2);
    ::close(null);
    ::close(log);
    *ready = pipeFds[1];
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (argc > 2 || (!mode.empty() && mode != "--foreground" && mode != "--stop" && mode != "--status")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        if (mode == "--status") return Status();
        if (mode == "--stop") return Stop();

        long long holder = 0;
        if (tvengine::AgentLockHeld(&holder)) {
            SayRunning(holder);
            return 0;
        }
        int ready = -1;
        if (mode != "--foreground" && Daemonise(&ready) != 0) {
            std::fprintf(stderr, "%s: cannot start as a daemon: %s\n", kName, std::strerror(errno));
            return 1;
        }
        int lock = tvengine::TakeAgentLock(&holder);
        if (lock < 0) { // another agent started at the same moment and won
            if (ready < 0)
                SayRunning(holder);
            else if (::write(ready, "R", 1) != 1)
                Log("the starting process is gone");
            return 0;
        }
        // The stop signals are taken by the agent's signalfd; every thread made from here inherits the mask.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGINT);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGHUP, SIG_IGN);

        tvagent::Agent agent(Log);
        int status = agent.Run([&] {
            if (ready >= 0) {
                if (::write(ready, "S", 1) != 1) Log("the starting process is gone");
                ::close(ready);
                ready = -1;
            }
        });
        ::close(lock);
        return status;
    } catch (const tvengine::Error& error) {
        Log("error " + std::to_string(error.Number()) + ": " + error.Message());
        return 1;
    } catch (const std::exception& error) {
        Log(error.what());
        return 1;
    }
}
