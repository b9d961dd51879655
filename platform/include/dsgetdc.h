// The directory service locator functions of netapi32: the domain trusts of this computer, of which
// winbind knows the primary domain when the computer is joined to one.
#pragma once

#include "guiddef.h"
#include "lmcons.h"
#include "windows.h"

#define DS_DOMAIN_IN_FOREST 0x0001
#define DS_DOMAIN_DIRECT_OUTBOUND 0x0002
#define DS_DOMAIN_TREE_ROOT 0x0004
#define DS_DOMAIN_PRIMARY 0x0008
#define DS_DOMAIN_NATIVE_MODE 0x0010
#define DS_DOMAIN_DIRECT_INBOUND 0x0020

typedef struct _DS_DOMAIN_TRUSTSW {
    LPWSTR NetbiosDomainName;
    LPWSTR DnsDomainName;
    ULONG Flags;
    ULONG ParentIndex;
    ULONG TrustType;
    ULONG TrustAttributes;
    PSID DomainSid;
    GUID DomainGuid;
} DS_DOMAIN_TRUSTSW, *PDS_DOMAIN_TRUSTSW;

// Only this computer can be asked (ServerName null, empty or its own name), and only its primary domain
// is known: it is returned when Flags asks for a kind of domain that it is (DS_DOMAIN_PRIMARY, or
// DS_DOMAIN_NATIVE_MODE when it runs in native mode); other flags find no domain. A computer in no domain, or
// whose winbind is not running, answers ERROR_NO_LOGON_SERVERS. The array is released with NetApiBufferFree;
// DomainSid is null.
NET_API_STATUS_DECL DWORD NET_API_FUNCTION DsEnumerateDomainTrustsW(LPWSTR ServerName, ULONG Flags,
                                                                    PDS_DOMAIN_TRUSTSW* Domains,
                                                                    PULONG DomainCount);
