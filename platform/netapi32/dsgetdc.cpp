// The domain trusts of this computer. Only the primary domain is known, from winbind; a computer that
// is joined to none has no trusts and no logon servers to ask.
#include "dsgetdc.h"

#include "netapi32_internal.h"

namespace {

// Domain trust types.
const ULONG kTrustTypeDownlevel = 1; // a domain without a directory
const ULONG kTrustTypeUplevel = 2;   // a directory domain

} // namespace

extern "C" DWORD NET_API_FUNCTION DsEnumerateDomainTrustsW(LPWSTR ServerName, ULONG Flags,
                                                           PDS_DOMAIN_TRUSTSW* Domains, PULONG DomainCount) {
    using namespace netapi;
    if (!Domains || !DomainCount) return ERROR_INVALID_PARAMETER;
    *Domains = nullptr;
    *DomainCount = 0;
    if (!IsThisComputer(ServerName)) return ERROR_BAD_NETPATH;
    auto primary = PrimaryDomain();
    if (!primary) return ERROR_NO_LOGON_SERVERS;
    ULONG kinds = DS_DOMAIN_PRIMARY | (primary->nativeMode ? DS_DOMAIN_NATIVE_MODE : 0);
    if (!(Flags & kinds)) return ERROR_SUCCESS;

    PackedBuffer buffer;
    if (DWORD status =
            buffer.Allocate(sizeof(DS_DOMAIN_TRUSTSW), Characters({primary->netbiosName, primary->dnsName})))
        return status;
    auto* trust = buffer.Records<DS_DOMAIN_TRUSTSW>();
    trust->NetbiosDomainName = buffer.Add(primary->netbiosName);
    trust->DnsDomainName = primary->dnsName.empty() ? nullptr : buffer.Add(primary->dnsName);
    trust->Flags = kinds;
    trust->TrustType = primary->activeDirectory ? kTrustTypeUplevel : kTrustTypeDownlevel;
    *Domains = static_cast<PDS_DOMAIN_TRUSTSW>(buffer.Release());
    *DomainCount = 1;
    return ERROR_SUCCESS;
}
