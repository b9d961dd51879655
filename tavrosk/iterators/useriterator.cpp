// localuser_iterator, user_in_domain_iterator and the primary domain: the accounts of a machine and of
// a domain through the network management functions, one qualified name at a time.
#include "iterators/useriterator.h"

#include <algorithm>
#include <cwctype>

#include "windows.h"

#include "dsgetdc.h"
#include "lm.h"

namespace iterators {

namespace {

// Display entries that one request of a machine's accounts asks for.
const DWORD kEntriesPerRequest = 100;

std::wstring Qualified(const std::wstring& owner, LPCWSTR name) {
    return owner + L"\\" + (name ? name : L"");
}

} // namespace

// The current name with the enumeration it comes from. The buffer is the machine's answer to the last
// request; nextIndex is where the next request starts.
struct localuser_iterator::state : user_info {
    std::wstring machine;
    NET_DISPLAY_USER* buffer = nullptr;
    DWORD position = 0;
    DWORD count = 0;
    DWORD nextIndex = 0;
    NET_API_STATUS status = NERR_Success;

    ~state() { NetApiBufferFree(buffer); }

    // Asks the machine for the entries from nextIndex on; false when it gave none.
    bool Request() {
        NetApiBufferFree(buffer);
        buffer = nullptr;
        count = 0;
        status = NetQueryDisplayInformation(machine.c_str(), 1, nextIndex, kEntriesPerRequest,
                                            MAX_PREFERRED_LENGTH, &count, reinterpret_cast<PVOID*>(&buffer));
        // A machine with no account (or none left) answers success with no entries: nothing to show.
        if ((status != NERR_Success && status != ERROR_MORE_DATA) || count == 0 || !buffer) return false;
        nextIndex += count;
        position = 0;
        name = Qualified(machine, buffer[0].usri1_name);
        return true;
    }

    void Finish() {
        NetApiBufferFree(buffer);
        buffer = nullptr;
        name.clear();
        position = count = nextIndex = 0;
    }
};

localuser_iterator::localuser_iterator() : m_state(std::make_shared<state>()) {}

localuser_iterator::localuser_iterator(const std::wstring& machine) : localuser_iterator() {
    m_state->machine = machine;
    if (!m_state->Request()) m_state->Finish();
}

localuser_iterator::~localuser_iterator() = default;

const user_info& localuser_iterator::operator*() const {
    return *m_state;
}

localuser_iterator& localuser_iterator::operator++() {
    state& s = *m_state;
    if (s.name.empty()) return *this;
    if (++s.position < s.count) {
        s.name = Qualified(s.machine, s.buffer[s.position].usri1_name);
        return *this;
    }
    if (s.status != ERROR_MORE_DATA || !s.Request()) s.Finish();
    return *this;
}

bool localuser_iterator::operator==(const localuser_iterator& other) const {
    const state &a = *m_state, &b = *other.m_state;
    return a.name == b.name && a.count == b.count && a.position == b.position && a.nextIndex == b.nextIndex;
}

// The current name with the enumeration it comes from. The controller is asked for by this computer
// (an empty server name) each time the enumeration starts or continues from the resume handle.
struct user_in_domain_iterator::state : user_info {
    std::wstring domain;
    std::wstring server;
    USER_INFO_0* buffer = nullptr;
    DWORD resume = 0;
    DWORD position = 0;
    DWORD count = 0;
    NET_API_STATUS status = NERR_Success;

    ~state() { NetApiBufferFree(buffer); }

    // Lists the domain's accounts from the resume handle on; false when none came back.
    bool Request() {
        NetApiBufferFree(buffer);
        buffer = nullptr;
        count = 0;
        LPBYTE controller = nullptr;
        if (NetGetDCName(server.c_str(), domain.c_str(), &controller) != NERR_Success) {
            NetApiBufferFree(controller);
            return false;
        }
        DWORD total = 0;
        status =
            NetUserEnum(reinterpret_cast<LPCWSTR>(controller), 0, FILTER_NORMAL_ACCOUNT,
                        reinterpret_cast<LPBYTE*>(&buffer), MAX_PREFERRED_LENGTH, &count, &total, &resume);
        NetApiBufferFree(controller);
        // A controller that has more to list answers more-data with the first part, which is kept too.
        if ((status != NERR_Success && status != ERROR_MORE_DATA) || count == 0 || !buffer) return false;
        position = 0;
        name = Qualified(domain, buffer[0].usri0_name);
        return true;
    }

    // The end: the state of a default-constructed iterator, whatever the last request answered, so that
    // a failed enumeration equals the end iterator.
    void Finish() {
        NetApiBufferFree(buffer);
        buffer = nullptr;
        name.clear();
        status = NERR_Success;
        resume = position = count = 0;
    }
};

user_in_domain_iterator::user_in_domain_iterator() : m_state(std::make_shared<state>()) {}

user_in_domain_iterator::user_in_domain_iterator(const std::wstring& domain) : user_in_domain_iterator() {
    m_state->domain = domain;
    // An empty name would ask for the primary domain and list its accounts under no name.
    if (domain.empty() || !m_state->Request()) m_state->Finish();
}

user_in_domain_iterator::~user_in_domain_iterator() = default;

const user_info& user_in_domain_iterator::operator*() const {
    return *m_state;
}

user_in_domain_iterator& user_in_domain_iterator::operator++() {
    state& s = *m_state;
    if (s.name.empty()) return *this;
    if (++s.position < s.count) {
        s.name = Qualified(s.domain, s.buffer[s.position].usri0_name);
        return *this;
    }
    if (s.status != ERROR_MORE_DATA || !s.Request()) s.Finish();
    return *this;
}

bool user_in_domain_iterator::operator==(const user_in_domain_iterator& other) const {
    const state &a = *m_state, &b = *other.m_state;
    if (!a.name.empty() && !b.name.empty()) return a.name == b.name;
    return a.status == b.status && a.buffer == b.buffer && a.resume == b.resume && a.position == b.position &&
           a.count == b.count;
}

std::wstring PrimaryDomainName() {
    HMODULE library = LoadLibraryW(L"Netapi32.dll");
    if (!library) return {};
    using EnumerateTrusts = DWORD(WINAPI*)(LPWSTR, ULONG, PDS_DOMAIN_TRUSTSW*, PULONG);
    auto enumerate = reinterpret_cast<EnumerateTrusts>(GetProcAddress(library, "DsEnumerateDomainTrustsW"));
    std::wstring name;
    PDS_DOMAIN_TRUSTSW domains = nullptr;
    ULONG count = 0;
    if (enumerate && enumerate(nullptr, DS_DOMAIN_PRIMARY, &domains, &count) == ERROR_SUCCESS) {
        for (ULONG i = 0; i < count && name.empty(); ++i)
            if (domains[i].NetbiosDomainName) name = domains[i].NetbiosDomainName;
        NetApiBufferFree(domains);
    }
    FreeLibrary(library);
    return name;
}

namespace {

template <typename Iterator> void Collect(Iterator it, std::vector<std::wstring>& names) {
    for (; it != Iterator(); ++it)
        names.push_back(it->name);
}

// Computer names are the same whatever their case.
bool SameMachine(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(x) == std::towupper(y);
           });
}

} // namespace

std::vector<std::wstring> AccountsForServer(const std::wstring& serverText) {
    std::vector<std::wstring> names;
    WCHAR buffer[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const std::wstring computer = GetComputerNameW(buffer, &size) ? buffer : L"";
    if (!computer.empty()) Collect(localuser_iterator(computer), names);
    const std::wstring machine = serverText.substr(0, serverText.find(L'\\'));
    if (!SameMachine(machine, computer)) Collect(localuser_iterator(machine), names);
    Collect(user_in_domain_iterator(PrimaryDomainName()), names);
    return names;
}

} // namespace iterators
