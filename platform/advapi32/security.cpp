// Security identifiers: a SID made from its authority and sub-authorities, and the account names of the
// built-in groups that the snap-in looks up by SID. Accounts of the passwd database are enumerated by
// netapi32; nothing here maps a Unix user to a SID.
#include <cstring>
#include <cwctype>
#include <new>
#include <string>

#include "windows.h"

namespace {

struct Sid {
    BYTE revision = 1;
    BYTE subAuthorityCount = 0;
    SID_IDENTIFIER_AUTHORITY authority{};
    DWORD subAuthority[8] = {};
};

struct KnownAccount {
    DWORD alias;
    const wchar_t* name;
};

// The aliases of the built-in domain (S-1-5-32-x), named as this computer names them.
const KnownAccount kBuiltinAliases[] = {
    {DOMAIN_ALIAS_RID_ADMINS, L"Administrators"},
    {DOMAIN_ALIAS_RID_USERS, L"Users"},
};
const wchar_t kBuiltinDomain[] = L"BUILTIN";

bool IsNtAuthority(const SID_IDENTIFIER_AUTHORITY& authority) {
    const SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    return std::memcmp(authority.Value, nt.Value, sizeof nt.Value) == 0;
}

bool Fits(const std::wstring& text, LPWSTR buffer, DWORD size) {
    return buffer && size > text.size();
}

// Copies text with its null; *size becomes its length without the null.
void CopyOut(const std::wstring& text, LPWSTR buffer, LPDWORD size) {
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
    *size = static_cast<DWORD>(text.size());
}

bool SameComputer(std::wstring a, std::wstring b) {
    for (auto* text : {&a, &b})
        for (auto& c : *text)
            c = static_cast<wchar_t>(towupper(c));
    return a == b;
}

} // namespace

extern "C" {

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0, DWORD s1,
                                     DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid) {
    if (!authority || !sid || count == 0 || count > 8) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* made = new (std::nothrow) Sid;
    if (!made) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    made->subAuthorityCount = count;
    made->authority = *authority;
    const DWORD values[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    for (BYTE i = 0; i < count; ++i)
        made->subAuthority[i] = values[i];
    *sid = made;
    return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
    delete static_cast<Sid*>(sid);
    return nullptr;
}

// Known on this computer only: a SID it does not know, or any other computer, is "none mapped".
BOOL WINAPI LookupAccountSidW(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameSize, LPWSTR domain,
                              LPDWORD domainSize, PSID_NAME_USE use) {
    if (!sid || !nameSize || !domainSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (system && *system) {
        WCHAR computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        std::wstring asked = system;
        if (asked.rfind(L"\\\\", 0) == 0) asked.erase(0, 2);
        if (!GetComputerNameW(computer, &size) || !SameComputer(asked, computer)) {
            SetLastError(ERROR_NONE_MAPPED);
            return FALSE;
        }
    }
    const auto* s = static_cast<const Sid*>(sid);
    const wchar_t* found = nullptr;
    if (s->subAuthorityCount == 2 && IsNtAuthority(s->authority) &&
        s->subAuthority[0] == SECURITY_BUILTIN_DOMAIN_RID)
        for (const KnownAccount& account : kBuiltinAliases)
            if (account.alias == s->subAuthority[1]) found = account.name;
    if (!found) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    // Both sizes say what they need when either buffer is short, and nothing is written.
    const std::wstring account = found, domainName = kBuiltinDomain;
    if (!Fits(account, name, *nameSize) || !Fits(domainName, domain, *domainSize)) {
        *nameSize = static_cast<DWORD>(account.size() + 1);
        *domainSize = static_cast<DWORD>(domainName.size() + 1);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    CopyOut(account, name, nameSize);
    CopyOut(domainName, domain, domainSize);
    if (use) *use = SidTypeAlias;
    return TRUE;
}

} // extern "C"
