// A stand-in for the few calls of the winbind client library that netapi32 makes, loaded in the real
// library's place by the tests. TVTEST_WINBIND, read on every call, says what winbind answers:
//   unset or empty   winbind is not running
//   "standalone"     winbind runs on a computer in the workgroup WORKGROUP, joined to no domain
//   "member"         the computer is joined to CORP (corp.example), whose controller DC1 lists alice,
//                    bob, carol and the computer's own account TAVHOST$, qualified as winbind does
//   "member-silent"  joined to CORP as above, but the controller lists no users
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// The library's header declares C functions without saying so.
extern "C" {
#include "wbclient.h"
}

namespace {

std::string Mode() {
    const char* mode = std::getenv("TVTEST_WINBIND");
    return mode ? mode : "";
}
bool Member() {
    return Mode() == "member" || Mode() == "member-silent";
}

// The strings each allocation owns, freed with it as wbcFreeMemory frees a result whole.
std::mutex g_lock;
std::map<void*, std::vector<void*>> g_owned;

void* Allocate(size_t bytes) {
    void* block = std::calloc(1, bytes);
    std::lock_guard guard(g_lock);
    g_owned[block];
    return block;
}
char* Own(void* owner, const char* text) {
    char* copy = strdup(text);
    std::lock_guard guard(g_lock);
    g_owned[owner].push_back(copy);
    return copy;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void wbcFreeMemory(void* block) {
    if (!block) return;
    std::vector<void*> owned;
    {
        std::lock_guard guard(g_lock);
        auto it = g_owned.find(block);
        if (it == g_owned.end()) std::abort(); // netapi32 freed what this library did not give it
        owned = std::move(it->second);
        g_owned.erase(it);
    }
    for (void* text : owned)
        std::free(text);
    std::free(block);
}

__attribute__((visibility("default"))) wbcErr wbcInterfaceDetails(struct wbcInterfaceDetails** details) {
    if (Mode().empty()) return WBC_ERR_WINBIND_NOT_AVAILABLE;
    auto* answer = static_cast<struct wbcInterfaceDetails*>(Allocate(sizeof(struct wbcInterfaceDetails)));
    answer->interface_version = 31;
    answer->winbind_version = Own(answer, "4.17");
    answer->winbind_separator = '\\';
    answer->netbios_name = Own(answer, "TAVHOST");
    answer->netbios_domain = Own(answer, Member() ? "CORP" : "WORKGROUP");
    answer->dns_domain = Own(answer, Member() ? "corp.example" : "");
    *details = answer;
    return WBC_ERR_SUCCESS;
}

__attribute__((visibility("default"))) wbcErr wbcDomainInfo(const char* domain, struct wbcDomainInfo** info) {
    if (Mode().empty()) return WBC_ERR_WINBIND_NOT_AVAILABLE;
    if (!Member() || strcasecmp(domain, "CORP") != 0) return WBC_ERR_DOMAIN_NOT_FOUND;
    auto* answer = static_cast<struct wbcDomainInfo*>(Allocate(sizeof(struct wbcDomainInfo)));
    answer->short_name = Own(answer, "CORP");
    answer->dns_name = Own(answer, "corp.example");
    answer->domain_flags = WBC_DOMINFO_DOMAIN_PRIMARY | WBC_DOMINFO_DOMAIN_AD | WBC_DOMINFO_DOMAIN_NATIVE;
    *info = answer;
    return WBC_ERR_SUCCESS;
}

__attribute__((visibility("default"))) wbcErr wbcLookupDomainController(const char* domain, uint32_t flags,
                                                                        struct wbcDomainControllerInfo** dc) {
    if (Mode().empty()) return WBC_ERR_WINBIND_NOT_AVAILABLE;
    if (!Member() || strcasecmp(domain, "CORP") != 0) return WBC_ERR_DOMAIN_NOT_FOUND;
    auto* answer =
        static_cast<struct wbcDomainControllerInfo*>(Allocate(sizeof(struct wbcDomainControllerInfo)));
    answer->dc_name = Own(answer, "\\\\DC1");
    *dc = answer;
    return WBC_ERR_SUCCESS;
}

__attribute__((visibility("default"))) wbcErr wbcListUsers(const char* domain, uint32_t* count,
                                                           const char*** users) {
    if (Mode().empty()) return WBC_ERR_WINBIND_NOT_AVAILABLE;
    if (Mode() != "member" || strcasecmp(domain, "CORP") != 0) return WBC_ERR_DOMAIN_NOT_FOUND;
    const char* names[] = {"CORP\\alice", "CORP\\bob", "CORP\\TAVHOST$", "CORP\\carol"};
    const uint32_t n = sizeof(names) / sizeof(names[0]);
    auto** answer = static_cast<const char**>(Allocate(sizeof(char*) * (n + 1)));
    for (uint32_t i = 0; i < n; ++i)
        answer[i] = Own(answer, names[i]);
    *count = n;
    *users = answer;
    return WBC_ERR_SUCCESS;
}

} // extern "C"
