// Task memory: what one component allocates and another frees, such as the strings an interface
// method returns to its caller.
#include <cstdlib>

#include "objbase.h"

extern "C" LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb ? cb : 1);
}

extern "C" LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    return std::realloc(pv, cb ? cb : 1);
}

extern "C" void WINAPI CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}
