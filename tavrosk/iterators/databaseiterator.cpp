// database_iterator: walks the server's database collection by position, holding the current database
// and its name.
#include "iterators/databaseiterator.h"

#include <stdexcept>

#include "msde/nodes/nodetext.h"

namespace iterators {

using namespace MSDE;

database_iterator::database_iterator(const ServerPtr& server) : m_server(server) {
    DmoCheck(m_server, raw(m_server)->GetDatabases(out(m_databases)));
    DmoCheck(m_databases, raw(m_databases)->Refresh(VARIANT_FALSE));
    LONG count = 0;
    DmoCheck(m_databases, raw(m_databases)->GetCount(&count));
    // An empty collection has no database at position 0 to fetch: the iterator starts at the end.
    if (count <= 0) return;
    m_count = count;
    Fetch();
}

database_iterator& database_iterator::operator++() {
    if (++m_position >= m_count) {
        m_position = 0;
        m_count = 0;
        m_database = DatabasePtr();
        m_name.reset();
        return *this;
    }
    Fetch();
    return *this;
}

database_iterator database_iterator::operator++(int) {
    database_iterator before = *this;
    ++*this;
    return before;
}

const std::wstring& database_iterator::Name() const {
    static const std::wstring none;
    return m_name ? *m_name : none;
}

void database_iterator::Fetch() {
    DmoCheck(m_databases, raw(m_databases)->GetItemByOrd(m_position, out(m_database)));
    if (!raw(m_database)) throw std::runtime_error("The server's databases gave no database at a position");
    BSTR name = nullptr;
    DmoCheck(m_database, raw(m_database)->GetName(&name));
    m_name = std::make_shared<const std::wstring>(Nodes::TakeText(name));
}

} // namespace iterators
