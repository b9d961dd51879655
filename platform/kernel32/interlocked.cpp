// Interlocked operations on 32-bit counters: full-barrier atomics, as documented.
#include <atomic>

#include "windows.h"

namespace {
std::atomic_ref<LONG> Ref(LONG volatile* p) {
    return std::atomic_ref<LONG>(*const_cast<LONG*>(p));
}
} // namespace

extern "C" LONG WINAPI InterlockedIncrement(LONG volatile* Addend) {
    return Ref(Addend).fetch_add(1) + 1;
}
extern "C" LONG WINAPI InterlockedDecrement(LONG volatile* Addend) {
    return Ref(Addend).fetch_sub(1) - 1;
}
extern "C" LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
    return Ref(Target).exchange(Value);
}
extern "C" LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return Ref(Addend).fetch_add(Value);
}
extern "C" LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    Ref(Destination).compare_exchange_strong(Comperand, Exchange);
    return Comperand;
}
