// The snap-in's account iterators over the real network management calls: a machine's accounts across
// several requests, a domain's accounts, the primary domain, and the accounts offered for a server
// node's text. NoPeople runs with a name service that has no people's accounts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "iterators/useriterator.h"
#include "netapi_test_support.h"

namespace {

using namespace netapitest;
using iterators::AccountsForServer;
using iterators::localuser_iterator;
using iterators::user_in_domain_iterator;
using iterators::user_info;

std::vector<std::wstring> Qualified(const std::wstring& owner, const std::vector<std::wstring>& names) {
    std::vector<std::wstring> qualified;
    for (const auto& name : names)
        qualified.push_back(owner + L"\\" + name);
    return qualified;
}

template <typename Iterator> std::vector<std::wstring> NamesOf(Iterator first) {
    std::vector<std::wstring> names;
    for (const user_info& user : std::vector<user_info>(first, Iterator()))
        names.push_back(user.name);
    return names;
}

const std::vector<std::wstring> kCorpUsers = {L"CORP\\alice", L"CORP\\bob", L"CORP\\carol"};

TEST(LocalUserIterator, walks_every_people_account_across_requests_of_one_hundred) {
    // 250 accounts take three requests; copies of the iterator (the vector makes some) share them.
    EXPECT_EQ(NamesOf(localuser_iterator(Computer())), Qualified(L"TAVHOST", PeopleNames()));

    localuser_iterator it(L"tavhost"), end;
    ASSERT_NE(it, end);
    EXPECT_EQ(it->name, L"tavhost\\p000");
    for (int i = 0; i < 250; ++i)
        ++it;
    EXPECT_EQ(it, end);
    ++it; // the end stays the end
    EXPECT_EQ(it, end);
    EXPECT_EQ(it->name, L"");
}

TEST(LocalUserIterator, another_machine_lists_nothing) {
    EXPECT_EQ(localuser_iterator(L"OTHERHOST"), localuser_iterator());
}

TEST(UserInDomainIterator, walks_the_normal_accounts_of_the_primary_domain) {
    WinbindAnswers joined("member");
    EXPECT_EQ(iterators::PrimaryDomainName(), L"CORP");
    EXPECT_EQ(NamesOf(user_in_domain_iterator(L"CORP")), kCorpUsers);
    EXPECT_EQ(user_in_domain_iterator(L"OTHERDOMAIN"), user_in_domain_iterator());
    EXPECT_EQ(user_in_domain_iterator(L""), user_in_domain_iterator());
}

TEST(UserInDomainIterator, ends_when_the_controller_lists_no_users) {
    // The controller is found but its listing fails: the iterator is at the end, not stuck before it.
    WinbindAnswers silent("member-silent");
    user_in_domain_iterator it(L"CORP"), end;
    EXPECT_EQ(it, end);
    ++it;
    EXPECT_EQ(it, end);
}

TEST(UserInDomainIterator, a_computer_in_no_domain_has_no_primary_domain) {
    for (const char* mode : {"standalone", ""}) {
        WinbindAnswers answers(mode);
        EXPECT_EQ(iterators::PrimaryDomainName(), L"") << mode;
        EXPECT_EQ(user_in_domain_iterator(L"CORP"), user_in_domain_iterator()) << mode;
    }
}

TEST(AccountsForServer, lists_this_computer_once_then_the_other_machine_then_the_domain) {
    const std::vector<std::wstring> local = Qualified(L"TAVHOST", PeopleNames());
    {
        WinbindAnswers joined("member");
        std::vector<std::wstring> expected = local;
        expected.insert(expected.end(), kCorpUsers.begin(), kCorpUsers.end());
        // The server's own computer, however its name is written, is this computer: its accounts once.
        EXPECT_EQ(AccountsForServer(L"TAVHOST\\INSTANCE"), expected);
        EXPECT_EQ(AccountsForServer(L"tavhost\\INSTANCE"), expected);
        EXPECT_EQ(AccountsForServer(L"TAVHOST"), expected);
        // Another machine is asked as well; it cannot be reached from here and adds nothing.
        EXPECT_EQ(AccountsForServer(L"OTHERHOST\\INSTANCE"), expected);
    }
    WinbindAnswers workgroup("standalone");
    EXPECT_EQ(AccountsForServer(L"TAVHOST\\INSTANCE"), local);
}

TEST(NoPeople, a_computer_without_people_accounts_lists_none) {
    EXPECT_EQ(localuser_iterator(Computer()), localuser_iterator());
    WinbindAnswers joined("member");
    EXPECT_EQ(AccountsForServer(L"TAVHOST\\INSTANCE"), kCorpUsers);
}

} // namespace
