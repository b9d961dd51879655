// What the parts of netapi32 share: the buffers they return, this computer's people's accounts, and
// the primary domain as winbind knows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "lm.h"

namespace netapi {

// One buffer from NetApiBufferAllocate holding fixed-size records followed by the strings they point
// to, as the network management functions return their data: NetApiBufferFree releases it whole.
class PackedBuffer {
public:
    PackedBuffer() = default;
    PackedBuffer(const PackedBuffer&) = delete;
    PackedBuffer& operator=(const PackedBuffer&) = delete;
    ~PackedBuffer();

    // Room for recordBytes of records and `characters` characters of strings (nulls included).
    NET_API_STATUS Allocate(size_t recordBytes, size_t characters);
    template <typename Record> Record* Records() const { return static_cast<Record*>(m_block); }
    // A copy of text, with its null, in the string area.
    LPWSTR Add(const std::wstring& text);
    // Hands the buffer to the caller.
    void* Release();

private:
    void* m_block = nullptr;
    WCHAR* m_next = nullptr;
};

// Characters that a list of texts needs in a PackedBuffer, nulls included.
size_t Characters(const std::vector<std::wstring>& texts);

struct Account {
    std::wstring name;
    std::wstring fullName;
    DWORD uid = 0;
};

// The people's accounts of the name service (uid within the UID_MIN..UID_MAX range of
// /etc/login.defs), each name once, sorted by name.
std::vector<Account> PeopleAccounts();

// This computer's name, as GetComputerNameW gives it; empty when it cannot be had.
std::wstring ComputerName();
// A server name without its leading "\\".
std::wstring BareServerName(LPCWSTR server);
// Computer and domain names compare without regard to case.
bool SameName(const std::wstring& a, const std::wstring& b);
// Whether a server name names this computer: null, empty, or its name with or without "\\".
bool IsThisComputer(LPCWSTR server);

struct Domain {
    std::wstring netbiosName;
    std::wstring dnsName; // empty for a domain without a DNS name
    bool activeDirectory = false;
    bool nativeMode = false;
};

// The primary domain when the computer is joined to one and winbind answers; none otherwise.
std::optional<Domain> PrimaryDomain();
// The name of a controller of the domain (without "\\"), as winbind finds it.
std::optional<std::wstring> DomainController(const std::wstring& domain);
// The domain's user names (without the domain), machine accounts included; none when winbind cannot
// list them.
std::optional<std::vector<std::wstring>> DomainUsers(const std::wstring& domain);
// Whether a server name names the controller that winbind finds for the primary domain.
bool IsControllerOf(LPCWSTR server, const Domain& domain);

} // namespace netapi
