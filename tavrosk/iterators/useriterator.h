// The Windows accounts that the Add / Modify Login wizard offers: the local accounts of a computer and
// the accounts of a domain, each as an input iterator over qualified names ("MACHINE\name",
// "DOMAIN\name"), and the computer's primary domain. Every failure of the network functions ends an
// enumeration quietly: the caller gets what was found so far.
#pragma once

#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace iterators {

// What both iterators yield: the qualified account name.
struct user_info {
    std::wstring name;
};

// The local accounts of a machine, fetched from it in requests of up to 100 display entries. Copies of
// an iterator share one enumeration, as input iterators do; the last copy releases it.
class localuser_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = user_info;
    using difference_type = int;
    using pointer = const user_info*;
    using reference = const user_info&;

    // The end iterator.
    localuser_iterator();
    // The machine's first account; the end iterator when it has none or cannot be asked.
    explicit localuser_iterator(const std::wstring& machine);
    virtual ~localuser_iterator();

    const user_info& operator*() const;
    const user_info* operator->() const { return &**this; }
    // The next account, asking the machine for more once the fetched ones are used up; after the last
    // one the iterator equals the end iterator.
    localuser_iterator& operator++();

    bool operator==(const localuser_iterator& other) const;
    bool operator!=(const localuser_iterator& other) const { return !(*this == other); }

private:
    struct state;
    std::shared_ptr<state> m_state;
};

// The normal accounts of a domain, listed by a controller of the domain that this computer finds. Copies
// share one enumeration, like those of localuser_iterator.
class user_in_domain_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = user_info;
    using difference_type = int;
    using pointer = const user_info*;
    using reference = const user_info&;

    // The end iterator.
    user_in_domain_iterator();
    // The domain's first account; the end iterator when the name is empty, no controller of the domain
    // is found, or it lists no account.
    explicit user_in_domain_iterator(const std::wstring& domain);
    virtual ~user_in_domain_iterator();

    const user_info& operator*() const;
    const user_info* operator->() const { return &**this; }
    user_in_domain_iterator& operator++();

    bool operator==(const user_in_domain_iterator& other) const;
    bool operator!=(const user_in_domain_iterator& other) const { return !(*this == other); }

private:
    struct state;
    std::shared_ptr<state> m_state;
};

// The NetBIOS name of this computer's primary domain; empty when it is in none or it cannot be found.
std::wstring PrimaryDomainName();

// The accounts the wizard offers for a server, given the server node's text ("MACHINE\INSTANCE" or
// "MACHINE"), in this order: this computer's, the server's machine's when that is another computer,
// then the primary domain's.
std::vector<std::wstring> AccountsForServer(const std::wstring& serverText);

} // namespace iterators
