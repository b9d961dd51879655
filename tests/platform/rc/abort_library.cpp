// A library that aborts the process as soon as it is loaded: reading its version information must not
// load it.
#include <cstdlib>

__attribute__((constructor)) static void AbortOnLoad() {
    std::abort();
}
