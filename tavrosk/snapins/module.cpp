// The module state and the counts that keep the library loaded.
#include "snapins/module.h"

#include <loki/Singleton.h>

#include <mutex>
#include <stdexcept>
#include <vector>

namespace Snapins {

namespace {

LONG g_objectCount = 0;
LONG g_lockCount = 0;
LONG g_workerCount = 0;

// The threads of workers whose wizard has gone. At exit, without an unload, they are joined here: a
// worker always ends, since every window it talks to has gone with its wizard.
struct KeptWorkers {
    std::mutex lock;
    std::vector<std::thread> threads;
    ~KeptWorkers() {
        for (std::thread& thread : threads)
            if (thread.joinable()) thread.join();
    }
};

KeptWorkers& Kept() {
    static KeptWorkers kept;
    return kept;
}

// The empty name is the user's default locale with all its categories. A locale the machine does not
// have must not stop every program that loads the snap-in: items then sort in the classic locale.
std::locale UserLocale() {
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        OutputDebugStringW(L"The user's locale is not installed here; items are sorted in the classic locale.\n");
        return std::locale::classic();
    }
}
} // namespace

CSnapinModule::CSnapinModule() : locale(UserLocale()) {}

CSnapinModule& SnapinModule() {
    return Loki::SingletonHolder<CSnapinModule>::Instance();
}

void AddObject() {
    InterlockedIncrement(&g_objectCount);
}
void RemoveObject() {
    InterlockedDecrement(&g_objectCount);
}

void LockModule(bool lock) {
    if (lock)
        InterlockedIncrement(&g_lockCount);
    else
        InterlockedDecrement(&g_lockCount);
}

void KeepWorker(std::thread worker) {
    KeptWorkers& kept = Kept();
    std::lock_guard guard(kept.lock);
    kept.threads.push_back(std::move(worker));
}

void JoinEndedWorkers() {
    std::vector<std::thread> ended;
    {
        KeptWorkers& kept = Kept();
        std::lock_guard guard(kept.lock);
        ended.swap(kept.threads);
    }
    for (std::thread& thread : ended)
        thread.join();
}

void WorkerStarted() {
    InterlockedIncrement(&g_workerCount);
    LockModule(true);
}

void WorkerEnded() {
    InterlockedDecrement(&g_workerCount);
    LockModule(false);
}

int RunningWorkers() {
    return static_cast<int>(InterlockedCompareExchange(&g_workerCount, 0, 0));
}

bool ModuleInUse() {
    return InterlockedCompareExchange(&g_objectCount, 0, 0) != 0 ||
           InterlockedCompareExchange(&g_lockCount, 0, 0) != 0;
}

} // namespace Snapins
