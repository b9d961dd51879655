// The notify handles of property sheets. The console makes one for each sheet whose snap-in asks for it
// (TvCreateNotifyHandle); a page tells the console of a change with MMCPropertyChangeNotify from any
// thread, and the change reaches the console's thread as a posted message, never as a direct call.
#include <map>
#include <mutex>

#include "mmc.h"
#include "tvmmc.h"

namespace {

struct Target {
    HWND window;
    UINT changeMessage;
    UINT freeMessage;
};

std::mutex g_lock;
std::map<LONG_PTR, Target>& Handles() {
    static auto* handles = new std::map<LONG_PTR, Target>;
    return *handles;
}
// Never reused, so a handle freed long ago cannot name a newer one.
LONG_PTR g_nextHandle = 0x7100;

} // namespace

extern "C" LONG_PTR WINAPI TvCreateNotifyHandle(HWND window, UINT changeMessage, UINT freeMessage) {
    if (!IsWindow(window)) return 0;
    std::lock_guard guard(g_lock);
    LONG_PTR handle = g_nextHandle++;
    Handles()[handle] = {window, changeMessage, freeMessage};
    return handle;
}

extern "C" void WINAPI TvFreeNotifyHandles(HWND window) {
    std::lock_guard guard(g_lock);
    std::erase_if(Handles(), [window](const auto& entry) { return entry.second.window == window; });
}

STDAPI MMCPropertyChangeNotify(LONG_PTR lNotifyHandle, LPARAM param) {
    // Posted under the lock, so that a release on another thread cannot overtake the change.
    std::lock_guard guard(g_lock);
    auto it = Handles().find(lNotifyHandle);
    if (it == Handles().end()) return E_INVALIDARG;
    const Target& target = it->second;
    return PostMessageW(target.window, target.changeMessage, static_cast<WPARAM>(lNotifyHandle), param)
               ? S_OK
               : E_INVALIDARG;
}

STDAPI MMCFreeNotifyHandle(LONG_PTR lNotifyHandle) {
    std::lock_guard guard(g_lock);
    auto it = Handles().find(lNotifyHandle);
    if (it == Handles().end()) return E_INVALIDARG;
    Target target = it->second;
    Handles().erase(it);
    PostMessageW(target.window, target.freeMessage, static_cast<WPARAM>(lNotifyHandle), 0);
    return S_OK;
}
