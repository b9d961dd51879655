// Debug output: the system writes its diagnostics here instead of a log file of its own. The texts go
// to $TAVROSK_PREFIX/debug.log and, when TAVROSK_DEBUG=1, to standard error.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tvplatform.h"
#include "windows.h"

extern "C" void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
    if (!lpOutputString) return;
    size_t length = std::strlen(lpOutputString);
    const char* debug = std::getenv("TAVROSK_DEBUG");
    if (debug && std::strcmp(debug, "1") == 0) (void)!write(2, lpOutputString, length);
    // One append per text keeps the lines of several processes whole.
    std::string log = tvp::Prefix() + "/debug.log";
    int fd = open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return; // no prefix yet: debug output has nowhere to go, as with no debugger attached
    (void)!write(fd, lpOutputString, length);
    close(fd);
}

extern "C" void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
    if (!lpOutputString) return;
    OutputDebugStringA(tvp::ToUtf8(lpOutputString).c_str());
}
