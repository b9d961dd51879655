// The module state and the counts that keep the library loaded.
#include "snapins/module.h"

#include <loki/Singleton.h>

namespace Snapins {

namespace {
LONG g_objectCount = 0;
LONG g_lockCount = 0;
} // namespace

// The empty name is the user's default locale with all its categories.
CSnapinModule::CSnapinModule() : locale("") {}

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

bool ModuleInUse() {
    return InterlockedCompareExchange(&g_objectCount, 0, 0) != 0 ||
           InterlockedCompareExchange(&g_lockCount, 0, 0) != 0;
}

} // namespace Snapins
