// A library that records how the loader called its entry point.
#include "windows.h"

static LONG g_attached = 0;
static HINSTANCE g_instance = nullptr;

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason,
                                                                      LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ++g_attached;
        g_instance = instance;
    }
    return TRUE;
}

extern "C" __attribute__((visibility("default"))) LONG ProbeAttachCount() {
    return g_attached;
}
extern "C" __attribute__((visibility("default"))) HINSTANCE ProbeInstance() {
    return g_instance;
}
