// The wait cursor for the length of a scope: a node shows it while it reads from a server and the
// previous cursor comes back however the work ends.
#pragma once

#include "windows.h"

namespace MSDE::Nodes {

class CWaitCursor {
public:
    CWaitCursor() : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

} // namespace MSDE::Nodes
