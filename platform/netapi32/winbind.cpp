// The primary domain as winbind knows it. The winbind client library is loaded at run time by its
// soname: a computer without it, or whose winbind is not running, or that is joined to no domain, has
// no primary domain, as a computer in a workgroup has none. The library stays loaded for the process.
#include <dlfcn.h>
#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "netapi32_internal.h"
#include "tvplatform.h"
// The library's header declares C functions without saying so.
extern "C" {
#include "wbclient.h"
}

namespace {

struct WinbindClient {
    decltype(&wbcInterfaceDetails) interfaceDetails = nullptr;
    decltype(&wbcDomainInfo) domainInfo = nullptr;
    decltype(&wbcLookupDomainController) lookupDomainController = nullptr;
    decltype(&wbcListUsers) listUsers = nullptr;
    decltype(&wbcFreeMemory) freeMemory = nullptr;

    bool Loaded() const {
        return interfaceDetails && domainInfo && lookupDomainController && listUsers && freeMemory;
    }
};

template <typename Function> void Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
}

const WinbindClient& Client() {
    static WinbindClient client;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        void* library = dlopen("libwbclient.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) return;
        Resolve(library, "wbcInterfaceDetails", client.interfaceDetails);
        Resolve(library, "wbcDomainInfo", client.domainInfo);
        Resolve(library, "wbcLookupDomainController", client.lookupDomainController);
        Resolve(library, "wbcListUsers", client.listUsers);
        Resolve(library, "wbcFreeMemory", client.freeMemory);
    });
    return client;
}

std::wstring Wide(const char* text) {
    return text ? tvp::FromUtf8(text) : std::wstring();
}

// What winbind says of itself: its separator of domain and user names, the computer's name and its
// domain (a standalone server's is its workgroup).
struct Details {
    std::string computer;
    std::string domain;
    char separator = '\\';
};

std::optional<Details> InterfaceDetails(const WinbindClient& wbc) {
    struct wbcInterfaceDetails* details = nullptr;
    if (wbc.interfaceDetails(&details) != WBC_ERR_SUCCESS || !details) return std::nullopt;
    Details answer;
    answer.computer = details->netbios_name ? details->netbios_name : "";
    answer.domain = details->netbios_domain ? details->netbios_domain : "";
    if (details->winbind_separator) answer.separator = details->winbind_separator;
    wbc.freeMemory(details);
    return answer;
}

} // namespace

namespace netapi {

std::optional<Domain> PrimaryDomain() {
    const WinbindClient& wbc = Client();
    if (!wbc.Loaded()) return std::nullopt;
    auto details = InterfaceDetails(wbc);
    // A standalone server's own account database is no domain: it is the computer's.
    if (!details || details->domain.empty() ||
        strcasecmp(details->domain.c_str(), details->computer.c_str()) == 0)
        return std::nullopt;
    // A workgroup is no domain either: winbind knows it by name but has no domain of that name.
    struct wbcDomainInfo* info = nullptr;
    if (wbc.domainInfo(details->domain.c_str(), &info) != WBC_ERR_SUCCESS || !info) return std::nullopt;
    Domain domain;
    domain.netbiosName = Wide(info->short_name);
    domain.dnsName = Wide(info->dns_name);
    domain.activeDirectory = info->domain_flags & WBC_DOMINFO_DOMAIN_AD;
    domain.nativeMode = info->domain_flags & WBC_DOMINFO_DOMAIN_NATIVE;
    const bool primary = info->domain_flags & WBC_DOMINFO_DOMAIN_PRIMARY;
    wbc.freeMemory(info);
    if (!primary) return std::nullopt;
    if (domain.netbiosName.empty()) domain.netbiosName = tvp::FromUtf8(details->domain);
    return domain;
}

std::optional<std::wstring> DomainController(const std::wstring& domain) {
    const WinbindClient& wbc = Client();
    if (!wbc.Loaded() || domain.empty()) return std::nullopt;
    struct wbcDomainControllerInfo* controller = nullptr;
    if (wbc.lookupDomainController(tvp::ToUtf8(domain).c_str(), 0, &controller) != WBC_ERR_SUCCESS ||
        !controller)
        return std::nullopt;
    std::wstring name = BareServerName(Wide(controller->dc_name).c_str());
    wbc.freeMemory(controller);
    if (name.empty()) return std::nullopt;
    return name;
}

std::optional<std::vector<std::wstring>> DomainUsers(const std::wstring& domain) {
    const WinbindClient& wbc = Client();
    if (!wbc.Loaded()) return std::nullopt;
    auto details = InterfaceDetails(wbc);
    if (!details) return std::nullopt;
    uint32_t count = 0;
    const char** users = nullptr;
    if (wbc.listUsers(tvp::ToUtf8(domain).c_str(), &count, &users) != WBC_ERR_SUCCESS) return std::nullopt;
    std::vector<std::wstring> names;
    for (uint32_t i = 0; users && i < count; ++i) {
        if (!users[i]) continue;
        // Winbind qualifies the names with their domain unless it is set to leave the default one off.
        std::string name = users[i];
        if (auto separator = name.find(details->separator); separator != std::string::npos)
            name.erase(0, separator + 1);
        if (!name.empty()) names.push_back(tvp::FromUtf8(name));
    }
    if (users) wbc.freeMemory(users);
    return names;
}

bool IsControllerOf(LPCWSTR server, const Domain& domain) {
    std::wstring name = BareServerName(server);
    if (name.empty()) return false;
    auto controller = DomainController(domain.netbiosName);
    return controller && SameName(name, *controller);
}

} // namespace netapi
