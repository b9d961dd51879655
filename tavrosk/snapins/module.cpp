// The module state and the counts that keep the library loaded.
#include "snapins/module.h"

#include <loki/Singleton.h>

#include <stdexcept>

namespace Snapins {

namespace {
LONG g_objectCount = 0;
LONG g_lockCount = 0;

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

bool ModuleInUse() {
    return InterlockedCompareExchange(&g_objectCount, 0, 0) != 0 ||
           InterlockedCompareExchange(&g_lockCount, 0, 0) != 0;
}

} // namespace Snapins
