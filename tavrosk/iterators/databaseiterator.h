// database_iterator: the databases of one server of the object model, one after the other, as an input
// iterator. The databases container lists a server's storage areas with it.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <string>

#include "msde/dmo.h"

namespace iterators {

class database_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = MSDE::DatabasePtr;
    using difference_type = std::ptrdiff_t;
    using pointer = const value_type*;
    using reference = value_type;

    // The end iterator.
    database_iterator() = default;
    // The first database of the server, after the server's collection is read again; the end iterator
    // when the server has none. A failing call throws the failing interface's dmo_error.
    explicit database_iterator(const MSDE::ServerPtr& server);

    // The next database; after the last one the iterator equals the end iterator. Throws like the
    // constructor.
    database_iterator& operator++();
    database_iterator operator++(int);
    // A new reference to the current database.
    MSDE::DatabasePtr operator*() const { return m_database; }

    bool operator==(const database_iterator& other) const {
        return m_position == other.m_position && m_count == other.m_count;
    }
    bool operator!=(const database_iterator& other) const { return !(*this == other); }

    // The current database's name; empty at the end.
    const std::wstring& Name() const;
    long Position() const { return m_position; }
    long Count() const { return m_count; }

private:
    void Fetch();

    MSDE::ServerPtr m_server;
    MSDE::DatabasesPtr m_databases;
    MSDE::DatabasePtr m_database;
    long m_position = 0;
    long m_count = 0;
    std::shared_ptr<const std::wstring> m_name;
};

} // namespace iterators
