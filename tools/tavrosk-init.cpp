// tavrosk-init: prepares the prefix named by TAVROSK_PREFIX for the console. Each step says what it
// did; a step that fails stops the set-up with a message that names what failed and why, and the
// exit status is 1. Running it again on a prepared prefix redoes the steps harmlessly.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "objbase.h"
#include "sqldmo.h"
#include "tvplatform.h"
#include "tvregistry.h"

namespace {

std::filesystem::path LibraryFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "lib";
}

// The maker's program folder: kx4anchor.exe with libquarnel.so and libmorvane.so.
std::filesystem::path VendorFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "vendor";
}

const char kLocalServer[] = "(local)";
const char* const kDemoStorageAreas[] = {"Sales", "Engineering"};

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

// The location key names the folder that holds kx4anchor.exe; the snap-in finds the maker's libraries
// there.
bool WriteLocationKey() {
    std::wstring folder = tvp::FromUtf8(VendorFolder().string());
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestrin\\Location\\V8", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status =
            RegSetValueExW(key, L"kx4anchor.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        std::fprintf(stderr, "tavrosk-init: cannot write the location key of kx4anchor.exe (error %ld)\n",
                     static_cast<long>(status));
        return false;
    }
    std::printf("location key: kx4anchor.exe is in %s\n", VendorFolder().c_str());
    return true;
}

// The maker's set-up puts its administrator check where every program's library search finds it, the
// system folder; here that is a link to the library in the program folder, so a rebuild is seen.
bool PlaceSharedLibraries() {
    std::filesystem::path folder = tvp::SystemFolder();
    std::filesystem::path link = folder / "libmorvane.so";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(VendorFolder() / "libmorvane.so", link, ec);
    if (ec) {
        std::fprintf(stderr, "tavrosk-init: cannot place libmorvane.so in %s: %s\n", folder.c_str(),
                     ec.message().c_str());
        return false;
    }
    std::printf("placed libmorvane.so in %s\n", folder.c_str());
    return true;
}

// The default instance, with the user running the set-up as its administrator.
bool MakeDefaultInstance() {
    try {
        auto instances = tvengine::ListInstances();
        if (std::find(instances.begin(), instances.end(), tvengine::kDefaultInstance) != instances.end()) {
            std::printf("the default instance is there\n");
            return true;
        }
        tvengine::InstanceSettings settings = tvengine::CreateInstance(tvengine::kDefaultInstance);
        std::printf("created the default instance %s with you as sysadmin\n", settings.serverName.c_str());
        return true;
    } catch (const tvengine::Error& error) {
        std::fprintf(stderr, "tavrosk-init: cannot create the default instance: %s\n", error.what());
        return false;
    }
}

// The users' database, made by the access library itself so that it holds the library's tables.
bool MakeUserPermDatabase() {
    bool existed = false;
    try {
        existed = tvengine::Connect(kLocalServer)->DatabaseExists("UserPerm");
    } catch (const tvengine::Error& error) {
        std::fprintf(stderr, "tavrosk-init: cannot connect to %s: %s\n", kLocalServer, error.what());
        return false;
    }
    std::wstring path = tvp::FromUtf8((VendorFolder() / "quarnel.dll").string());
    HMODULE library = LoadLibraryW(path.c_str());
    auto createUserTables = library ? reinterpret_cast<int32_t (*)(const char*, int32_t)>(
                                          GetProcAddress(library, "vtrnDB_CreateUserTables"))
                                    : nullptr;
    int32_t created = createUserTables ? createUserTables(kLocalServer, 0) : 0;
    if (library) FreeLibrary(library);
    if (created != 1) {
        std::fprintf(stderr,
                     "tavrosk-init: the storage-area access library in %s could not create the UserPerm "
                     "database and its tables\n",
                     VendorFolder().c_str());
        return false;
    }
    std::printf(existed ? "the UserPerm database is there\n" : "created the UserPerm database\n");
    return true;
}

// Runs kx4anchor.exe with `arguments`; its standard output goes to `output`. The exit status, or -1.
int RunAnchor(std::vector<std::string> arguments, std::string& output) {
    std::string program = (VendorFolder() / "kx4anchor.exe").string();
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t child = 0;
    int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, got);
    close(pipeEnds[0]);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The demo storage areas, made by kx4anchor.exe as the product makes them.
bool MakeDemoStorageAreas() {
    std::string listing;
    if (RunAnchor({"list", kLocalServer}, listing) != 0) {
        std::fprintf(stderr, "tavrosk-init: kx4anchor.exe could not list the storage areas of %s\n",
                     kLocalServer);
        return false;
    }
    for (const char* area : kDemoStorageAreas) {
        if (("\n" + listing).find("\n" + std::string(area) + "\n") != std::string::npos) {
            std::printf("the storage area %s is there\n", area);
            continue;
        }
        std::string output;
        if (RunAnchor({"create", kLocalServer, area}, output) != 0) {
            std::fprintf(stderr, "tavrosk-init: kx4anchor.exe could not create the storage area %s\n", area);
            return false;
        }
        std::fputs(output.c_str(), stdout);
    }
    return true;
}

// Releases a COM pointer when leaving the scope.
template <class I> struct Held {
    I* p = nullptr;
    ~Held() {
        if (p) p->Release();
    }
};

// (local) registered in the object model's store, in "SQL Server Group", with Windows authentication:
// the console lists the servers of that store.
bool RegisterLocalServer() {
    const wchar_t kGroup[] = L"SQL Server Group";
    std::wstring server = tvp::FromUtf8(kLocalServer);
    Held<IWSQLDMOApplication> application;
    Held<IWSQLDMOServerGroups> groups;
    Held<IWSQLDMOServerGroup> group;
    Held<IWSQLDMORegisteredServers> servers;
    Held<IWSQLDMORegisteredServer> registered;
    HRESULT hr = CoCreateInstance(CLSID_SQLDMOApplication, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWSQLDMOApplication, reinterpret_cast<void**>(&application.p));
    if (SUCCEEDED(hr)) hr = application.p->GetServerGroups(&groups.p);
    if (SUCCEEDED(hr) && FAILED(groups.p->GetItemByName(kGroup, &group.p))) {
        hr = CoCreateInstance(CLSID_SQLDMOServerGroup, nullptr, CLSCTX_INPROC_SERVER, IID_IWSQLDMOServerGroup,
                              reinterpret_cast<void**>(&group.p));
        if (SUCCEEDED(hr)) hr = group.p->SetName(kGroup);
        if (SUCCEEDED(hr)) hr = groups.p->Add(group.p);
    }
    if (SUCCEEDED(hr)) hr = group.p->GetRegisteredServers(&servers.p);
    if (SUCCEEDED(hr) && SUCCEEDED(servers.p->GetItemByName(server.c_str(), &registered.p))) {
        std::printf("%s is registered\n", kLocalServer);
        return true;
    }
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(CLSID_SQLDMORegisteredServer, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWSQLDMORegisteredServer, reinterpret_cast<void**>(&registered.p));
    if (SUCCEEDED(hr)) hr = registered.p->SetName(server.c_str());
    if (SUCCEEDED(hr)) hr = registered.p->SetUseTrustedConnection(VARIANT_TRUE);
    if (SUCCEEDED(hr)) hr = servers.p->Add(registered.p);
    if (FAILED(hr)) {
        std::fprintf(stderr, "tavrosk-init: %s could not be registered in SQL Server Group (0x%08X)\n",
                     kLocalServer, static_cast<unsigned>(hr));
        return false;
    }
    std::printf("registered %s in SQL Server Group\n", kLocalServer);
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
    ok = ok && RegisterLocalServer();
    CoUninitialize();
    if (!ok) return 1;
    if (!WriteLocationKey() || !PlaceSharedLibraries() || !MakeDefaultInstance() || !MakeUserPermDatabase() || !MakeDemoStorageAreas())
        return 1;
    std::printf("the prefix is ready\n");
    return 0;
}
