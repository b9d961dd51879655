// This computer's accounts: the people's accounts of the name service, that is those whose uid lies in
// the range that /etc/login.defs gives for ordinary users (system accounts and nobody stay out), and
// the rule that names this computer in a server argument.
#include <pwd.h>

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "netapi32_internal.h"
#include "tvplatform.h"

namespace {

struct UidRange {
    uid_t min = 1000;
    uid_t max = 60000;
};

// UID_MIN and UID_MAX of login.defs ("NAME value" lines, "#" comments); the shadow suite's defaults
// where the file or a value is missing.
UidRange PeopleUidRange() {
    UidRange range;
    std::ifstream defs("/etc/login.defs");
    std::string line;
    while (std::getline(defs, line)) {
        std::istringstream words(line);
        std::string name;
        unsigned long value = 0;
        if (!(words >> name) || name.empty() || name[0] == '#') continue;
        if (!(words >> value)) continue;
        if (name == "UID_MIN") range.min = static_cast<uid_t>(value);
        if (name == "UID_MAX") range.max = static_cast<uid_t>(value);
    }
    return range;
}

// The full name is the first field of the comment ("Ann Example,Room 1,...").
std::wstring FullName(const char* gecos) {
    std::string text = gecos ? gecos : "";
    if (auto comma = text.find(','); comma != std::string::npos) text.resize(comma);
    return tvp::FromUtf8(text);
}

// The enumeration of the name service is one cursor for the whole process.
std::mutex g_passwdLock;

} // namespace

namespace netapi {

std::vector<Account> PeopleAccounts() {
    const UidRange range = PeopleUidRange();
    std::vector<Account> accounts;
    std::set<std::string> seen; // a name that two sources of the name service both know counts once
    {
        std::lock_guard guard(g_passwdLock);
        setpwent();
        struct passwd entry {};
        struct passwd* found = nullptr;
        std::vector<char> strings(4096);
        for (;;) {
            int error = getpwent_r(&entry, strings.data(), strings.size(), &found);
            if (error == ERANGE && strings.size() < (1u << 20)) {
                strings.resize(strings.size() * 2);
                continue;
            }
            if (error != 0 || !found) break;
            if (found->pw_uid < range.min || found->pw_uid > range.max) continue;
            if (!seen.insert(found->pw_name).second) continue;
            accounts.push_back({tvp::FromUtf8(found->pw_name), FullName(found->pw_gecos), found->pw_uid});
        }
        endpwent();
    }
    std::sort(accounts.begin(), accounts.end(),
              [](const Account& a, const Account& b) { return a.name < b.name; });
    return accounts;
}

std::wstring ComputerName() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name) : std::wstring();
}

std::wstring BareServerName(LPCWSTR server) {
    std::wstring name = server ? server : L"";
    if (name.rfind(L"\\\\", 0) == 0) name.erase(0, 2);
    return name;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

bool IsThisComputer(LPCWSTR server) {
    std::wstring name = BareServerName(server);
    return name.empty() || SameName(name, ComputerName());
}

} // namespace netapi
