// This computer's accounts through netapi32: the display list in pages of 100 with ERROR_MORE_DATA and
// the start index, NetUserEnum with its resume handle, the account domain's name, which server names
// mean this computer, and the buffers the caller releases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lm.h"
#include "netapi_test_support.h"

namespace {

using namespace netapitest;

TEST(DisplayInformation, lists_the_people_accounts_in_pages_of_one_hundred) {
    std::vector<std::wstring> names;
    std::vector<DWORD> starts, counts;
    DWORD index = 0;
    NET_API_STATUS status;
    do {
        DWORD count = 0;
        NET_DISPLAY_USER* entries = nullptr;
        status = NetQueryDisplayInformation(Computer().c_str(), 1, index, 100, MAX_PREFERRED_LENGTH, &count,
                                            reinterpret_cast<PVOID*>(&entries));
        ASSERT_TRUE(status == NERR_Success || status == ERROR_MORE_DATA) << status;
        starts.push_back(index);
        counts.push_back(count);
        for (DWORD i = 0; i < count; ++i)
            names.push_back(entries[i].usri1_name);
        ASSERT_GT(count, 0u);
        // The next request starts at the last entry's next index, which is the start plus the count.
        EXPECT_EQ(entries[count - 1].usri1_next_index, index + count);
        if (index == 0) {
            // p000 has the highest uid: the list is sorted by name, not by uid.
            EXPECT_EQ(std::wstring(entries[0].usri1_full_name), L"Person 000");
            EXPECT_EQ(entries[0].usri1_user_id, 1249u);
            EXPECT_EQ(entries[0].usri1_flags & UF_NORMAL_ACCOUNT, DWORD(UF_NORMAL_ACCOUNT));
        }
        index += count;
        EXPECT_EQ(NetApiBufferFree(entries), DWORD(NERR_Success));
    } while (status == ERROR_MORE_DATA && starts.size() < 10);

    EXPECT_EQ(starts, (std::vector<DWORD>{0, 100, 200}));
    EXPECT_EQ(counts, (std::vector<DWORD>{100, 100, 50}));
    // root, daemon, the service account, the account above UID_MAX and nobody are no people's accounts.
    EXPECT_EQ(names, PeopleNames());
}

TEST(DisplayInformation, limits_a_request_to_one_hundred_entries_and_the_preferred_length) {
    DWORD count = 0;
    NET_DISPLAY_USER* entries = nullptr;
    EXPECT_EQ(NetQueryDisplayInformation(nullptr, 1, 0, 1000, MAX_PREFERRED_LENGTH, &count,
                                         reinterpret_cast<PVOID*>(&entries)),
              DWORD(ERROR_MORE_DATA));
    EXPECT_EQ(count, 100u);
    NetApiBufferFree(entries);

    // A length too small for one entry still gives one, so that the caller moves on.
    EXPECT_EQ(NetQueryDisplayInformation(nullptr, 1, 249, 100, 1, &count, reinterpret_cast<PVOID*>(&entries)),
              DWORD(NERR_Success));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(std::wstring(entries[0].usri1_name), L"p249");
    NetApiBufferFree(entries);

    // An index past the last entry: success with nothing.
    entries = reinterpret_cast<NET_DISPLAY_USER*>(&count);
    EXPECT_EQ(NetQueryDisplayInformation(nullptr, 1, 250, 100, MAX_PREFERRED_LENGTH, &count,
                                         reinterpret_cast<PVOID*>(&entries)),
              DWORD(NERR_Success));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(entries, nullptr);
}

TEST(DisplayInformation, answers_for_this_computer_only_and_for_user_accounts_only) {
    const std::wstring computer = Computer();
    ASSERT_EQ(computer, L"TAVHOST");
    std::wstring lower = L"tavhost";
    for (std::wstring server : {std::wstring(), computer, L"\\\\" + computer, lower}) {
        DWORD count = 0;
        PVOID entries = nullptr;
        EXPECT_EQ(NetQueryDisplayInformation(server.empty() ? nullptr : server.c_str(), 1, 0, 100,
                                             MAX_PREFERRED_LENGTH, &count, &entries),
                  DWORD(ERROR_MORE_DATA))
            << std::string(server.begin(), server.end());
        EXPECT_EQ(count, 100u);
        NetApiBufferFree(entries);
    }
    for (LPCWSTR other : {L"OTHERHOST", L"\\\\OTHERHOST"}) {
        DWORD count = 7;
        PVOID entries = &count;
        EXPECT_EQ(NetQueryDisplayInformation(other, 1, 0, 100, MAX_PREFERRED_LENGTH, &count, &entries),
                  DWORD(ERROR_BAD_NETPATH));
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(entries, nullptr);
    }
    DWORD count = 0;
    PVOID entries = nullptr;
    EXPECT_EQ(NetQueryDisplayInformation(nullptr, 3, 0, 100, MAX_PREFERRED_LENGTH, &count, &entries),
              DWORD(ERROR_INVALID_LEVEL));
}

TEST(UserEnum, continues_from_the_resume_handle_until_it_is_zero) {
    std::vector<std::wstring> names;
    DWORD resume = 0, calls = 0;
    NET_API_STATUS status;
    do {
        USER_INFO_0* entries = nullptr;
        DWORD read = 0, total = 0;
        status = NetUserEnum(nullptr, 0, FILTER_NORMAL_ACCOUNT, reinterpret_cast<LPBYTE*>(&entries), 2000,
                             &read, &total, &resume);
        ASSERT_TRUE(status == NERR_Success || status == ERROR_MORE_DATA) << status;
        EXPECT_EQ(total, 250 - names.size());
        for (DWORD i = 0; i < read; ++i)
            names.push_back(entries[i].usri0_name);
        NetApiBufferFree(entries);
    } while (status == ERROR_MORE_DATA && ++calls < 100);
    EXPECT_GT(calls, 1u);
    EXPECT_EQ(resume, 0u);
    EXPECT_EQ(names, PeopleNames());

    USER_INFO_0* entries = nullptr;
    DWORD read = 0, total = 0;
    EXPECT_EQ(NetUserEnum(L"TAVHOST", 0, 0, reinterpret_cast<LPBYTE*>(&entries), MAX_PREFERRED_LENGTH, &read,
                          &total, nullptr),
              DWORD(NERR_Success));
    EXPECT_EQ(read, 250u);
    NetApiBufferFree(entries);
    EXPECT_EQ(NetUserEnum(L"OTHERHOST", 0, 0, reinterpret_cast<LPBYTE*>(&entries), MAX_PREFERRED_LENGTH,
                          &read, &total, nullptr),
              DWORD(NERR_InvalidComputer));
    EXPECT_EQ(NetUserEnum(nullptr, 1, 0, reinterpret_cast<LPBYTE*>(&entries), MAX_PREFERRED_LENGTH, &read,
                          &total, nullptr),
              DWORD(ERROR_INVALID_LEVEL));
}

TEST(UserModals, name_this_computer_as_the_domain_of_its_accounts) {
    USER_MODALS_INFO_2* info = nullptr;
    ASSERT_EQ(NetUserModalsGet(nullptr, 2, reinterpret_cast<LPBYTE*>(&info)), DWORD(NERR_Success));
    EXPECT_EQ(std::wstring(info->usrmod2_domain_name), L"TAVHOST");
    NetApiBufferFree(info);
    EXPECT_EQ(NetUserModalsGet(L"OTHERHOST", 2, reinterpret_cast<LPBYTE*>(&info)),
              DWORD(NERR_InvalidComputer));
    EXPECT_EQ(NetUserModalsGet(nullptr, 0, reinterpret_cast<LPBYTE*>(&info)), DWORD(ERROR_INVALID_LEVEL));
}

TEST(ApiBuffer, releases_each_buffer_once_and_refuses_what_it_did_not_give) {
    EXPECT_EQ(NetApiBufferFree(nullptr), DWORD(NERR_Success));
    PVOID entries = nullptr;
    DWORD count = 0;
    ASSERT_EQ(NetQueryDisplayInformation(nullptr, 1, 0, 1, MAX_PREFERRED_LENGTH, &count, &entries),
              DWORD(ERROR_MORE_DATA));
    EXPECT_EQ(NetApiBufferFree(entries), DWORD(NERR_Success));
    EXPECT_EQ(NetApiBufferFree(entries), DWORD(ERROR_INVALID_PARAMETER));
    int mine = 0;
    EXPECT_EQ(NetApiBufferFree(&mine), DWORD(ERROR_INVALID_PARAMETER));
}

} // namespace
