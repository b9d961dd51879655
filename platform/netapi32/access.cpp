// The account functions: the display list of this computer's users, the users of this computer or of
// the primary domain's controller, the account domain's name, and the primary domain's controller.
#include <algorithm>

#include "netapi32_internal.h"

namespace {

using namespace netapi;

// NetQueryDisplayInformation returns at most this many entries a call, whatever was asked.
const DWORD kMostDisplayEntries = 100;

// How many of the entries from `first` on fit into `limit` bytes; at least one, so that a caller with
// too small a limit still moves on.
size_t EntriesWithin(const std::vector<size_t>& entryBytes, size_t first, size_t most, DWORD limit) {
    size_t count = 0, bytes = 0;
    for (size_t i = first; i < entryBytes.size() && count < most; ++i, ++count) {
        bytes += entryBytes[i];
        if (limit != MAX_PREFERRED_LENGTH && bytes > limit && count > 0) break;
    }
    return count;
}

bool WantsNormalAccounts(DWORD filter) {
    return filter == 0 || (filter & FILTER_NORMAL_ACCOUNT);
}
bool WantsMachineAccounts(DWORD filter) {
    return filter == 0 || (filter & (FILTER_INTERDOMAIN_TRUST_ACCOUNT | FILTER_WORKSTATION_TRUST_ACCOUNT |
                                     FILTER_SERVER_TRUST_ACCOUNT));
}

// The user names that a server answers NetUserEnum with: this computer's people's accounts, or the
// primary domain's users on its controller; NERR_InvalidComputer for any other server.
NET_API_STATUS UsersOf(LPCWSTR server, DWORD filter, std::vector<std::wstring>& names) {
    if (IsThisComputer(server)) {
        if (WantsNormalAccounts(filter))
            for (const Account& account : PeopleAccounts())
                names.push_back(account.name);
        return NERR_Success;
    }
    auto domain = PrimaryDomain();
    if (!domain || !IsControllerOf(server, *domain)) return NERR_InvalidComputer;
    auto users = DomainUsers(domain->netbiosName);
    if (!users) return NERR_InvalidComputer;
    // Machine and trust accounts carry a "$" at the end of their names.
    for (const std::wstring& user : *users) {
        bool machine = user.back() == L'$';
        if (machine ? WantsMachineAccounts(filter) : WantsNormalAccounts(filter)) names.push_back(user);
    }
    return NERR_Success;
}

} // namespace

extern "C" {

NET_API_STATUS NET_API_FUNCTION NetQueryDisplayInformation(LPCWSTR ServerName, DWORD Level, DWORD Index,
                                                           DWORD EntriesRequested,
                                                           DWORD PreferredMaximumLength,
                                                           LPDWORD ReturnedEntryCount, PVOID* SortedBuffer) {
    if (!ReturnedEntryCount || !SortedBuffer) return ERROR_INVALID_PARAMETER;
    *ReturnedEntryCount = 0;
    *SortedBuffer = nullptr;
    if (Level != 1) return ERROR_INVALID_LEVEL; // machines and groups are not kept here
    if (!IsThisComputer(ServerName)) return ERROR_BAD_NETPATH;

    const std::vector<Account> accounts = PeopleAccounts();
    if (Index >= accounts.size()) return NERR_Success;
    std::vector<size_t> entryBytes(accounts.size());
    for (size_t i = Index; i < accounts.size(); ++i)
        entryBytes[i] = sizeof(NET_DISPLAY_USER) +
                        (accounts[i].name.size() + accounts[i].fullName.size() + 3) * sizeof(WCHAR);
    const size_t count = EntriesWithin(entryBytes, Index, std::min(EntriesRequested, kMostDisplayEntries),
                                       PreferredMaximumLength);
    const bool more = Index + count < accounts.size();
    if (count == 0) return more ? ERROR_MORE_DATA : NERR_Success;

    std::vector<std::wstring> texts;
    for (size_t i = Index; i < Index + count; ++i)
        texts.insert(texts.end(), {accounts[i].name, accounts[i].fullName, L""});
    PackedBuffer buffer;
    if (NET_API_STATUS status = buffer.Allocate(count * sizeof(NET_DISPLAY_USER), Characters(texts)))
        return status;
    auto* entries = buffer.Records<NET_DISPLAY_USER>();
    for (size_t i = 0; i < count; ++i) {
        const Account& account = accounts[Index + i];
        entries[i].usri1_name = buffer.Add(account.name);
        entries[i].usri1_comment = buffer.Add(L"");
        entries[i].usri1_flags = UF_SCRIPT | UF_NORMAL_ACCOUNT;
        entries[i].usri1_full_name = buffer.Add(account.fullName);
        entries[i].usri1_user_id = account.uid;
        entries[i].usri1_next_index = static_cast<DWORD>(Index + i + 1);
    }
    *ReturnedEntryCount = static_cast<DWORD>(count);
    *SortedBuffer = buffer.Release();
    return more ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS NET_API_FUNCTION NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter, LPBYTE* bufptr,
                                            DWORD prefmaxlen, LPDWORD entriesread, LPDWORD totalentries,
                                            PDWORD resume_handle) {
    if (!bufptr || !entriesread || !totalentries) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    *entriesread = 0;
    *totalentries = 0;
    if (level != 0) return ERROR_INVALID_LEVEL;
    std::vector<std::wstring> names;
    if (NET_API_STATUS status = UsersOf(servername, filter, names)) return status;

    const size_t first = std::min<size_t>(resume_handle ? *resume_handle : 0, names.size());
    std::vector<size_t> entryBytes(names.size());
    for (size_t i = first; i < names.size(); ++i)
        entryBytes[i] = sizeof(USER_INFO_0) + (names[i].size() + 1) * sizeof(WCHAR);
    const size_t count = EntriesWithin(entryBytes, first, names.size(), prefmaxlen);
    const bool more = first + count < names.size();
    *totalentries = static_cast<DWORD>(names.size() - first);
    if (resume_handle) *resume_handle = more ? static_cast<DWORD>(first + count) : 0;
    if (count == 0) return NERR_Success;

    std::vector<std::wstring> taken(names.begin() + first, names.begin() + first + count);
    PackedBuffer buffer;
    if (NET_API_STATUS status = buffer.Allocate(count * sizeof(USER_INFO_0), Characters(taken)))
        return status;
    auto* entries = buffer.Records<USER_INFO_0>();
    for (size_t i = 0; i < count; ++i)
        entries[i].usri0_name = buffer.Add(taken[i]);
    *entriesread = static_cast<DWORD>(count);
    *bufptr = static_cast<LPBYTE>(buffer.Release());
    return more ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS NET_API_FUNCTION NetUserModalsGet(LPCWSTR servername, DWORD level, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (level != 2) return ERROR_INVALID_LEVEL;
    std::wstring name;
    if (IsThisComputer(servername)) {
        name = ComputerName(); // a computer's own accounts are the domain of its name
    } else {
        auto domain = PrimaryDomain();
        if (!domain || !IsControllerOf(servername, *domain)) return NERR_InvalidComputer;
        name = domain->netbiosName;
    }
    PackedBuffer buffer;
    if (NET_API_STATUS status = buffer.Allocate(sizeof(USER_MODALS_INFO_2), name.size() + 1)) return status;
    auto* info = buffer.Records<USER_MODALS_INFO_2>();
    info->usrmod2_domain_name = buffer.Add(name);
    info->usrmod2_domain_id = nullptr;
    *bufptr = static_cast<LPBYTE>(buffer.Release());
    return NERR_Success;
}

NET_API_STATUS NET_API_FUNCTION NetGetDCName(LPCWSTR servername, LPCWSTR domainname, LPBYTE* bufptr) {
    if (!bufptr) return ERROR_INVALID_PARAMETER;
    *bufptr = nullptr;
    if (!IsThisComputer(servername)) return ERROR_BAD_NETPATH;
    auto primary = PrimaryDomain();
    if (!primary) return NERR_DCNotFound;
    std::wstring domain = domainname && *domainname ? domainname : primary->netbiosName;
    auto controller = DomainController(domain);
    if (!controller) return NERR_DCNotFound;
    const std::wstring name = L"\\\\" + *controller;
    PackedBuffer buffer;
    if (NET_API_STATUS status = buffer.Allocate(0, name.size() + 1)) return status;
    buffer.Add(name);
    *bufptr = static_cast<LPBYTE>(buffer.Release());
    return NERR_Success;
}

} // extern "C"
