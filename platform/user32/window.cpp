// Windows: the process-wide table behind every HWND, creation and destruction, the family of a window
// (parent, owner, children), its text and the values GetWindowLongPtrW reads. A handle is an id that is
// never given out again, so a stale HWND names nothing. Every window belongs to the thread that made it;
// when that thread ends its windows are destroyed with it.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "tvfrontend.h"
#include "user32_internal.h"

namespace u32 {

namespace {

// Both outlive every static that might still destroy a window.
std::unordered_map<ULONG_PTR, std::shared_ptr<Window>>& Table() {
    static auto* table = new std::unordered_map<ULONG_PTR, std::shared_ptr<Window>>;
    return *table;
}

// Ids step by 4 from a value no other table of the platform uses, so that small integers and the
// handles of other kinds are never windows.
ULONG_PTR g_nextId = 0x100000;

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

// Sends WM_DESTROY to the window and then to its children, then WM_NCDESTROY to the children and the
// window, and takes each out of the table after its WM_NCDESTROY. A window whose WM_NCCREATE failed
// gets WM_NCDESTROY alone.
void DestroyTree(HWND hwnd, bool created = true) {
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hwnd);
        if (!w) return;
        w->destroying = true;
        w->style &= ~WS_VISIBLE;
        // The focus leaves a window that goes away, without WM_KILLFOCUS: there is no one to tell.
        if (w->queue->focus == hwnd) w->queue->focus = nullptr;
    }
    if (created) CallProc(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard guard(Lock());
        if (Window* w = FindLocked(hwnd)) children = w->children;
    }
    for (HWND child : children)
        DestroyTree(child);
    CallProc(hwnd, WM_NCDESTROY, 0, 0);

    HFONT font = nullptr;
    bool opened = false;
    {
        std::lock_guard guard(Lock());
        auto it = Table().find(reinterpret_cast<ULONG_PTR>(hwnd));
        if (it == Table().end()) return;
        std::shared_ptr<Window> w = it->second;
        if (w->dialog) {
            font = w->dialog->ownedFont;
            opened = w->dialog->opened;
        }
        if (Window* parent = FindLocked(w->parent)) std::erase(parent->children, hwnd);
        DropMessagesLocked(*w);
        --w->cls->windows;
        Table().erase(it);
    }
    if (font) DeleteObject(font);
    if (opened) TvWindowChanged(hwnd, TVWC_CLOSED);
}

} // namespace

std::mutex& Lock() {
    static auto* lock = new std::mutex;
    return *lock;
}

Window* FindLocked(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = Table().find(reinterpret_cast<ULONG_PTR>(hwnd));
    return it == Table().end() ? nullptr : it->second.get();
}

DialogInfo* DialogLocked(HWND hwnd) {
    Window* w = FindLocked(hwnd);
    return w ? w->dialog.get() : nullptr;
}

void DestroyThreadWindows(const std::shared_ptr<ThreadQueue>& queue) {
    std::vector<HWND> tops;
    {
        std::lock_guard guard(Lock());
        for (auto& [id, w] : Table()) {
            Window* parent = FindLocked(w->parent);
            if (w->queue == queue && (!parent || parent->queue != queue)) tops.push_back(w->handle);
        }
    }
    for (HWND hwnd : tops)
        DestroyWindow(hwnd);
}

} // namespace u32

using namespace u32;

extern "C" HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                                       DWORD dwStyle, int X, int Y, int nWidth, int nHeight, HWND hWndParent,
                                       HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
    auto window = std::make_shared<Window>();
    {
        std::lock_guard guard(Lock());
        window->cls = FindClassLocked(lpClassName);
        if (!window->cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        Window* parent = FindLocked(hWndParent);
        if (hWndParent && !parent) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (dwStyle & WS_CHILD) {
            if (!parent) {
                SetLastError(ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
            window->parent = hWndParent;
            window->id = reinterpret_cast<LONG_PTR>(hMenu);
        } else if (parent) {
            // The owner of a top-level window is always a top-level window.
            while (parent->parent)
                parent = FindLocked(parent->parent);
            window->owner = parent->handle;
        }
        window->handle = reinterpret_cast<HWND>(g_nextId);
        g_nextId += 4;
        window->queue = CurrentQueueLocked();
        window->proc = window->cls->proc;
        window->style = dwStyle;
        window->exStyle = dwExStyle;
        window->instance = hInstance;
        int x = X == CW_USEDEFAULT ? 0 : X, y = Y == CW_USEDEFAULT ? 0 : Y;
        int cx = nWidth == CW_USEDEFAULT ? 0 : std::max(nWidth, 0),
            cy = nHeight == CW_USEDEFAULT ? 0 : std::max(nHeight, 0);
        window->rect = {x, y, x + cx, y + cy};
        window->extra.assign(static_cast<size_t>(std::max(window->cls->wndExtra, 0)), 0);
        ++window->cls->windows;
        Table().emplace(reinterpret_cast<ULONG_PTR>(window->handle), window);
        if (parent && window->parent) parent->children.push_back(window->handle);
    }
    HWND hwnd = window->handle;
    CREATESTRUCTW cs{lpParam,
                     hInstance,
                     hMenu,
                     hWndParent,
                     static_cast<int>(window->rect.bottom - window->rect.top),
                     static_cast<int>(window->rect.right - window->rect.left),
                     static_cast<int>(window->rect.top),
                     static_cast<int>(window->rect.left),
                     static_cast<LONG>(dwStyle),
                     lpWindowName,
                     lpClassName,
                     dwExStyle};
    if (!CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyTree(hwnd, false);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyTree(hwnd);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return hwnd;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd) {
    std::vector<HWND> owned;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        if (w->queue->thread != GetCurrentThreadId()) return Fail(ERROR_ACCESS_DENIED);
        if (w->destroying) return TRUE; // already on its way, from an outer DestroyWindow
        for (auto& [id, other] : Table())
            if (other->owner == hWnd && !other->destroying) owned.push_back(other->handle);
    }
    for (HWND hwnd : owned)
        DestroyWindow(hwnd);
    DestroyTree(hWnd);
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hWnd) {
    std::lock_guard guard(Lock());
    return FindLocked(hWnd) != nullptr;
}

extern "C" BOOL WINAPI IsChild(HWND hWndParent, HWND hWnd) {
    std::lock_guard guard(Lock());
    for (Window* w = FindLocked(hWnd); w && w->parent; w = FindLocked(w->parent))
        if (w->parent == hWndParent) return TRUE;
    return FALSE;
}

// A child's parent, or a top-level popup's owner, as documented.
extern "C" HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->style & WS_CHILD) return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

extern "C" HWND WINAPI GetAncestor(HWND hwnd, UINT gaFlags) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    switch (gaFlags) {
    case GA_PARENT:
        return w->parent;
    case GA_ROOT:
    case GA_ROOTOWNER:
        while (Window* up = FindLocked(w->parent))
            w = up;
        if (gaFlags == GA_ROOTOWNER)
            while (Window* up = FindLocked(w->owner))
                w = up;
        return w->handle;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

// Siblings are in the order they were made, which is the order of a dialog template and of its tab keys.
extern "C" HWND WINAPI GetWindow(HWND hWnd, UINT uCmd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (uCmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (uCmd == GW_OWNER) return w->owner;
    Window* parent = FindLocked(w->parent);
    if (!parent) return nullptr; // the top-level windows have no order here
    const auto& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), hWnd);
    switch (uCmd) {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return at + 1 < siblings.end() ? *(at + 1) : nullptr;
    case GW_HWNDPREV:
        return at != siblings.begin() ? *(at - 1) : nullptr;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

extern "C" BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> all;
    {
        std::lock_guard guard(Lock());
        Window* parent = FindLocked(hWndParent);
        if (!parent) return Fail(ERROR_INVALID_WINDOW_HANDLE);
        // Every descendant, each followed by its own children, as the documented function goes.
        std::vector<HWND> pending(parent->children.rbegin(), parent->children.rend());
        while (!pending.empty()) {
            HWND hwnd = pending.back();
            pending.pop_back();
            all.push_back(hwnd);
            if (Window* w = FindLocked(hwnd))
                pending.insert(pending.end(), w->children.rbegin(), w->children.rend());
        }
    }
    for (HWND hwnd : all)
        if (IsWindow(hwnd) && !lpEnumFunc(hwnd, lParam)) break;
    return TRUE;
}

extern "C" DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
    return w->queue->thread;
}

extern "C" LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (nIndex >= 0) {
        if (static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        LONG_PTR value;
        std::memcpy(&value, w->extra.data() + nIndex, sizeof value);
        return value;
    }
    switch (nIndex) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    default:
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    STYLESTRUCT change{};
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hWnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        LONG_PTR old = 0;
        if (nIndex >= 0) {
            if (static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            std::memcpy(&old, w->extra.data() + nIndex, sizeof old);
            std::memcpy(w->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
            return old;
        }
        switch (nIndex) {
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
            return old;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(w->instance);
            w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
            return old;
        case GWLP_ID:
            old = w->id;
            w->id = dwNewLong;
            return old;
        case GWLP_USERDATA:
            old = w->userData;
            w->userData = dwNewLong;
            return old;
        case GWLP_HWNDPARENT:
            if (w->parent) return Fail(ERROR_INVALID_PARAMETER);
            old = reinterpret_cast<LONG_PTR>(w->owner);
            w->owner = reinterpret_cast<HWND>(dwNewLong);
            return old;
        case GWL_STYLE:
        case GWL_EXSTYLE: {
            DWORD& field = nIndex == GWL_STYLE ? w->style : w->exStyle;
            change = {field, static_cast<DWORD>(dwNewLong)};
            field = change.styleNew;
            break;
        }
        default:
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
    }
    // Controls that draw by their style (a date-time picker's format) learn of the change.
    SendMessageW(hWnd, WM_STYLECHANGED, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&change));
    return static_cast<LONG_PTR>(change.styleOld);
}

extern "C" LONG WINAPI GetWindowLongW(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetWindowLongPtrW(hWnd, nIndex));
}

extern "C" LONG WINAPI SetWindowLongW(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetWindowLongPtrW(hWnd, nIndex, dwNewLong));
}

extern "C" BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    if (!IsWindow(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : L"")) > 0;
}

extern "C" int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = L'\0';
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(
        SendMessageW(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

extern "C" int WINAPI GetWindowTextLengthW(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageW(hWnd, WM_GETTEXTLENGTH, 0, 0));
}
