// The primary domain through netapi32: with winbind's client library answering as on a computer joined
// to CORP, the domain's controller, its trust entry, its users and its name; as on a computer in a
// workgroup, or one whose winbind is not running, no domain at all. RealWinbind runs against the real
// client library of a computer whose winbind is not running.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dsgetdc.h"
#include "lm.h"
#include "netapi_test_support.h"

namespace {

using namespace netapitest;

std::vector<std::wstring> DomainUsers(LPCWSTR controller, DWORD filter, NET_API_STATUS* status) {
    USER_INFO_0* entries = nullptr;
    DWORD read = 0, total = 0, resume = 0;
    *status = NetUserEnum(controller, 0, filter, reinterpret_cast<LPBYTE*>(&entries), MAX_PREFERRED_LENGTH,
                          &read, &total, &resume);
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < read; ++i)
        names.push_back(entries[i].usri0_name);
    NetApiBufferFree(entries);
    return names;
}

TEST(Winbind, a_joined_computer_finds_its_domain_controller_and_users) {
    WinbindAnswers joined("member");

    for (LPCWSTR domain : {static_cast<LPCWSTR>(nullptr), L"", L"CORP", L"corp"}) {
        LPBYTE controller = nullptr;
        ASSERT_EQ(NetGetDCName(L"", domain, &controller), DWORD(NERR_Success));
        EXPECT_EQ(std::wstring(reinterpret_cast<LPCWSTR>(controller)), L"\\\\DC1");
        NetApiBufferFree(controller);
    }

    PDS_DOMAIN_TRUSTSW domains = nullptr;
    ULONG count = 0;
    ASSERT_EQ(DsEnumerateDomainTrustsW(nullptr, DS_DOMAIN_PRIMARY, &domains, &count), DWORD(ERROR_SUCCESS));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(std::wstring(domains[0].NetbiosDomainName), L"CORP");
    EXPECT_EQ(std::wstring(domains[0].DnsDomainName), L"corp.example");
    EXPECT_TRUE(domains[0].Flags & DS_DOMAIN_PRIMARY);
    NetApiBufferFree(domains);

    // Names come without the domain winbind puts before them; the computer's own account is no normal one.
    NET_API_STATUS status = 0;
    EXPECT_EQ(DomainUsers(L"\\\\DC1", FILTER_NORMAL_ACCOUNT, &status),
              (std::vector<std::wstring>{L"alice", L"bob", L"carol"}));
    EXPECT_EQ(status, DWORD(NERR_Success));
    EXPECT_EQ(DomainUsers(L"dc1", 0, &status),
              (std::vector<std::wstring>{L"alice", L"bob", L"TAVHOST$", L"carol"}));
    EXPECT_EQ(DomainUsers(L"\\\\DC2", FILTER_NORMAL_ACCOUNT, &status), std::vector<std::wstring>());
    EXPECT_EQ(status, DWORD(NERR_InvalidComputer));

    USER_MODALS_INFO_2* modals = nullptr;
    ASSERT_EQ(NetUserModalsGet(L"\\\\DC1", 2, reinterpret_cast<LPBYTE*>(&modals)), DWORD(NERR_Success));
    EXPECT_EQ(std::wstring(modals->usrmod2_domain_name), L"CORP");
    NetApiBufferFree(modals);

    LPBYTE controller = nullptr;
    EXPECT_EQ(NetGetDCName(L"", L"OTHERDOMAIN", &controller), DWORD(NERR_DCNotFound));
    EXPECT_EQ(NetGetDCName(L"OTHERHOST", nullptr, &controller), DWORD(ERROR_BAD_NETPATH));
}

// What a computer in no domain answers, whether winbind runs in a workgroup or does not run.
void ExpectNoDomain() {
    LPBYTE controller = nullptr;
    EXPECT_EQ(NetGetDCName(nullptr, nullptr, &controller), DWORD(NERR_DCNotFound));
    EXPECT_EQ(controller, nullptr);
    EXPECT_EQ(NetGetDCName(L"", L"WORKGROUP", &controller), DWORD(NERR_DCNotFound));

    PDS_DOMAIN_TRUSTSW domains = nullptr;
    ULONG count = 0;
    EXPECT_EQ(DsEnumerateDomainTrustsW(nullptr, DS_DOMAIN_PRIMARY, &domains, &count),
              DWORD(ERROR_NO_LOGON_SERVERS));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(domains, nullptr);

    NET_API_STATUS status = 0;
    EXPECT_EQ(DomainUsers(L"\\\\DC1", FILTER_NORMAL_ACCOUNT, &status), std::vector<std::wstring>());
    EXPECT_EQ(status, DWORD(NERR_InvalidComputer));
}

TEST(Winbind, a_computer_in_a_workgroup_or_without_winbind_has_no_domain) {
    for (const char* mode : {"standalone", ""}) {
        SCOPED_TRACE(mode);
        WinbindAnswers answers(mode);
        ExpectNoDomain();
    }
}

TEST(RealWinbind, a_computer_whose_winbind_is_not_running_has_no_domain) {
    ExpectNoDomain();
}

} // namespace
