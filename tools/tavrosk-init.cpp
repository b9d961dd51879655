// tavrosk-init: prepares the prefix named by TAVROSK_PREFIX for the console. Each step says what it
// did; a step that fails stops the set-up with a message that names what failed and why, and the
// exit status is 1. Running it again on a prepared prefix redoes the steps harmlessly.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "objbase.h"
#include "tvplatform.h"
#include "tvregistry.h"

namespace {

std::filesystem::path LibraryFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "lib";
}

bool MakePrefix(const std::string& prefix) {
    std::error_code ec;
    std::filesystem::create_directories(prefix, ec);
    if (ec) {
        std::fprintf(stderr, "tavrosk-init: cannot create the prefix %s: %s\n", prefix.c_str(),
                     ec.message().c_str());
        return false;
    }
    chmod(prefix.c_str(), 0700); // everything under it is the user's own
    return true;
}

// Registers one in-process server, as regsvr32 would.
bool Register(const std::filesystem::path& library) {
    std::wstring path = tvp::FromUtf8(library.string());
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        std::fprintf(stderr, "tavrosk-init: cannot load %s (error %u)\n", library.c_str(), GetLastError());
        return false;
    }
    auto registerServer =
        reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(GetProcAddress(module, "DllRegisterServer"));
    HRESULT hr = registerServer ? registerServer() : E_FAIL;
    FreeLibrary(module);
    if (FAILED(hr)) {
        std::string problem = tvp::RegistryProblem();
        std::fprintf(stderr, "tavrosk-init: registering %s failed (0x%08X)%s%s\n", library.c_str(),
                     static_cast<unsigned>(hr), problem.empty() ? "" : ": ", problem.c_str());
        return false;
    }
    std::printf("registered %s\n", library.filename().c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        std::fprintf(stderr,
                     "usage: tavrosk-init\n(prepares the prefix named by TAVROSK_PREFIX, default %s)\n",
                     tvp::Prefix().c_str());
        return 2;
    }
    std::string prefix = tvp::Prefix();
    std::printf("preparing %s\n", prefix.c_str());
    if (!MakePrefix(prefix)) return 1;

    CoInitialize(nullptr);
    bool ok = true;
    for (const char* name : {"libtavrosk.so", "libsqldmo.so"})
        ok = ok && Register(LibraryFolder() / name);
    CoUninitialize();
    if (!ok) return 1;
    std::printf("the prefix is ready\n");
    return 0;
}
