// The account functions of the network management API: the user accounts of this computer, as its name
// service knows them, and of its primary domain, as winbind knows them when the computer is joined to
// one.
//
// This computer's accounts are the people's accounts of the name service: those whose uid lies in the
// UID_MIN..UID_MAX range of /etc/login.defs (1000..60000 when the file says nothing). Another computer
// cannot be asked: a server name other than this computer's (with or without its leading "\\") fails as
// for an unknown server. The domain controller that NetGetDCName names answers for the primary domain.
#pragma once

#include "lmcons.h"
#include "windows.h"

// Account flags (usri1_flags).
#define UF_SCRIPT 0x0001
#define UF_NORMAL_ACCOUNT 0x0200

// NetUserEnum filters.
#define FILTER_TEMP_DUPLICATE_ACCOUNT 0x0001
#define FILTER_NORMAL_ACCOUNT 0x0002
#define FILTER_INTERDOMAIN_TRUST_ACCOUNT 0x0008
#define FILTER_WORKSTATION_TRUST_ACCOUNT 0x0010
#define FILTER_SERVER_TRUST_ACCOUNT 0x0020

typedef struct _USER_INFO_0 {
    LPWSTR usri0_name;
} USER_INFO_0, *PUSER_INFO_0, *LPUSER_INFO_0;

typedef struct _NET_DISPLAY_USER {
    LPWSTR usri1_name;
    LPWSTR usri1_comment;
    DWORD usri1_flags;
    LPWSTR usri1_full_name;
    DWORD usri1_user_id;
    DWORD usri1_next_index;
} NET_DISPLAY_USER, *PNET_DISPLAY_USER;

typedef struct _USER_MODALS_INFO_2 {
    LPWSTR usrmod2_domain_name;
    PSID usrmod2_domain_id;
} USER_MODALS_INFO_2, *PUSER_MODALS_INFO_2, *LPUSER_MODALS_INFO_2;

// Level 1 only (user accounts, NET_DISPLAY_USER sorted by name); the machine and group levels are
// ERROR_INVALID_LEVEL. Index is the position in the sorted list, so the next request starts at the
// previous Index plus the count returned, which is also the usri1_next_index of the last entry. At
// most 100 entries a call; ERROR_MORE_DATA when entries remain after those returned. An Index past the
// end is NERR_Success with no entries and a null buffer.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION
NetQueryDisplayInformation(LPCWSTR ServerName, DWORD Level, DWORD Index, DWORD EntriesRequested,
                           DWORD PreferredMaximumLength, LPDWORD ReturnedEntryCount, PVOID* SortedBuffer);

// Level 0 only. On this computer the people's accounts; on the primary domain's controller the
// domain's users (FILTER_NORMAL_ACCOUNT: without the machine accounts whose names end in "$"). The
// resume handle is the position of the next entry, 0 once the last one was returned.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION NetUserEnum(LPCWSTR servername, DWORD level, DWORD filter,
                                                                LPBYTE* bufptr, DWORD prefmaxlen,
                                                                LPDWORD entriesread, LPDWORD totalentries,
                                                                PDWORD resume_handle);

// Level 2 only: the name of the server's account domain (this computer's name for this computer, the
// domain's for its controller). usrmod2_domain_id is null: the platform keeps no domain SIDs.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION NetUserModalsGet(LPCWSTR servername, DWORD level,
                                                                     LPBYTE* bufptr);

// The name of a domain controller of domainname (null or empty: the primary domain) as "\\name", asked
// of this computer. NERR_DCNotFound when the computer is in no domain, winbind is not running, or it
// knows no controller of that domain.
NET_API_STATUS_DECL NET_API_STATUS NET_API_FUNCTION NetGetDCName(LPCWSTR servername, LPCWSTR domainname,
                                                                 LPBYTE* bufptr);
