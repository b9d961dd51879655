// Cursors: the system's cursors by their IDC_ ids, which the front end draws. SetCursor tells the
// front end, so a long operation's wait cursor (and the cursor restored after it) shows there.
#include <atomic>

#include "tvfrontend.h"
#include "user32_internal.h"

namespace {

// A system cursor's handle is a fixed value derived from its id, the same in every process.
constexpr ULONG_PTR kCursorBase = 0x7F000000;

const WORD kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32646, 32648, 32649, 32650, 32651};

HCURSOR Handle(WORD id) {
    return reinterpret_cast<HCURSOR>(kCursorBase + id);
}

std::atomic<HCURSOR> g_cursor{Handle(32512)};

} // namespace

extern "C" HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    if (!hInstance && IS_INTRESOURCE(lpCursorName))
        for (WORD id : kSystemCursors)
            if (LOWORD(lpCursorName) == id) return Handle(id);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND); // a module's own cursors are not used here
    return nullptr;
}

extern "C" HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    HCURSOR previous = g_cursor.exchange(hCursor);
    if (previous != hCursor)
        if (ITvFrontEnd* frontEnd = TvGetFrontEnd()) frontEnd->CursorChanged(hCursor);
    return previous;
}

extern "C" HCURSOR WINAPI GetCursor(void) {
    return g_cursor.load();
}
