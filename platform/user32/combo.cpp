// The combo box: a list of entries (sorted with CBS_SORT) and what the box shows, either the selected
// entry (CBS_DROPDOWNLIST) or an edit field (CBS_DROPDOWN, CBS_SIMPLE). A person choosing an entry
// makes the box notify CBN_DROPDOWN, CBN_SELCHANGE (when the selection changes), CBN_SELENDOK and
// CBN_CLOSEUP; typing into the edit field notifies CBN_EDITUPDATE and CBN_EDITCHANGE and selects the
// entry whose text equals the typed text, if there is one. Code that changes the box (CB_SETCURSEL,
// CB_SELECTSTRING, WM_SETTEXT) notifies nothing, as the documented control does.
#include <algorithm>

#include "tvinput.h"
#include "user32_internal.h"

namespace {

using namespace u32;

struct Entry {
    std::wstring text;
    LPARAM data = 0;
};

struct Combo {
    std::vector<Entry> entries;
    int selection = CB_ERR;
    std::wstring editText;
    size_t limit = SIZE_MAX;
    bool dropped = false;
    HFONT font = nullptr;
};

DWORD Style(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
}

bool HasEdit(HWND hwnd) {
    return (Style(hwnd) & 0x3) != CBS_DROPDOWNLIST;
}

bool Valid(const Combo& state, WPARAM index) {
    return static_cast<size_t>(index) < state.entries.size();
}

// What the box shows: the edit field, or the selected entry of a drop-down list.
std::wstring Shown(HWND hwnd, const Combo& state) {
    if (HasEdit(hwnd)) return state.editText;
    return state.selection >= 0 ? state.entries[static_cast<size_t>(state.selection)].text : std::wstring();
}

LRESULT Select(Combo& state, int index) {
    if (index < 0 || static_cast<size_t>(index) >= state.entries.size()) {
        state.selection = CB_ERR;
        state.editText.clear();
        return CB_ERR;
    }
    state.selection = index;
    state.editText = state.entries[static_cast<size_t>(index)].text;
    return index;
}

// Entries from the one after `start` on, round to the start; -1 searches them all.
int Find(const Combo& state, WPARAM start, const std::wstring& text, bool exact) {
    size_t count = state.entries.size();
    size_t first = static_cast<INT_PTR>(start) < 0 || start >= count ? 0 : static_cast<size_t>(start) + 1;
    for (size_t i = 0; i < count; ++i) {
        size_t at = (first + i) % count;
        const std::wstring& entry = state.entries[at].text;
        if (exact ? CompareNoCase(entry, text) == 0 : StartsWithNoCase(entry, text))
            return static_cast<int>(at);
    }
    return CB_ERR;
}

LRESULT Insert(HWND hwnd, Combo& state, INT_PTR index, LPCWSTR text, bool sorted) {
    Entry entry{text ? text : L"", 0};
    size_t at;
    if (sorted) {
        // After the entries that compare equal, so equal texts keep the order they came in.
        at = static_cast<size_t>(std::upper_bound(state.entries.begin(), state.entries.end(), entry,
                                                  [](const Entry& a, const Entry& b) {
                                                      return CompareNoCase(a.text, b.text) < 0;
                                                  }) -
                                 state.entries.begin());
    } else if (index < 0) {
        at = state.entries.size();
    } else if (static_cast<size_t>(index) <= state.entries.size()) {
        at = static_cast<size_t>(index);
    } else {
        return CB_ERR;
    }
    state.entries.insert(state.entries.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    if (state.selection >= static_cast<int>(at)) ++state.selection;
    return static_cast<LRESULT>(at);
}

void Choose(HWND hwnd, Combo& state, int index) {
    NotifyParent(hwnd, CBN_DROPDOWN);
    bool changed = state.selection != index;
    Select(state, index);
    if (changed) NotifyParent(hwnd, CBN_SELCHANGE);
    NotifyParent(hwnd, CBN_SELENDOK);
    NotifyParent(hwnd, CBN_CLOSEUP);
}

LRESULT Handle(HWND hwnd, Combo& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) state.editText = cs->lpszName;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    case CB_ADDSTRING:
        return Insert(hwnd, state, -1, reinterpret_cast<LPCWSTR>(lParam), (Style(hwnd) & CBS_SORT) != 0);
    case CB_INSERTSTRING:
        return Insert(hwnd, state, static_cast<INT_PTR>(wParam), reinterpret_cast<LPCWSTR>(lParam), false);
    case CB_DELETESTRING: {
        if (!Valid(state, wParam)) return CB_ERR;
        int index = static_cast<int>(wParam);
        state.entries.erase(state.entries.begin() + index);
        if (state.selection == index)
            state.selection = CB_ERR;
        else if (state.selection > index)
            --state.selection;
        return static_cast<LRESULT>(state.entries.size());
    }
    case CB_RESETCONTENT:
        state.entries.clear();
        state.selection = CB_ERR;
        state.editText.clear();
        return CB_OKAY;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(state.entries.size());
    case CB_GETCURSEL:
        return state.selection;
    case CB_SETCURSEL:
        return Select(state, static_cast<int>(static_cast<INT_PTR>(wParam)));
    case CB_GETLBTEXT:
        if (!Valid(state, wParam) || !lParam) return CB_ERR;
        return CopyText(state.entries[wParam].text, reinterpret_cast<LPWSTR>(lParam), SIZE_MAX);
    case CB_GETLBTEXTLEN:
        return Valid(state, wParam) ? static_cast<LRESULT>(state.entries[wParam].text.size()) : CB_ERR;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        std::wstring text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        int found = Find(state, wParam, text, message == CB_FINDSTRINGEXACT);
        if (message == CB_SELECTSTRING && found != CB_ERR) Select(state, found);
        return found;
    }
    case CB_SETITEMDATA:
        if (!Valid(state, wParam)) return CB_ERR;
        state.entries[wParam].data = lParam;
        return CB_OKAY;
    case CB_GETITEMDATA:
        return Valid(state, wParam) ? state.entries[wParam].data : CB_ERR;
    case CB_LIMITTEXT:
        state.limit = wParam ? static_cast<size_t>(wParam) : SIZE_MAX;
        return TRUE;
    case CB_SHOWDROPDOWN:
        if ((wParam != 0) != state.dropped) {
            state.dropped = wParam != 0;
            NotifyParent(hwnd, state.dropped ? CBN_DROPDOWN : CBN_CLOSEUP);
        }
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return state.dropped;
    case CB_GETEDITSEL:
        return MAKELRESULT(0, std::min<size_t>(state.editText.size(), 0xFFFF));
    case CB_SETEDITSEL:
        return HasEdit(hwnd) ? TRUE : CB_ERR;
    case WM_SETTEXT:
        if (!HasEdit(hwnd)) return CB_ERR;
        state.editText = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        return TRUE;
    case WM_GETTEXT:
        return CopyText(Shown(hwnd, state), reinterpret_cast<LPWSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(Shown(hwnd, state).size());
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(state.font, message, wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        NotifyParent(hwnd, message == WM_SETFOCUS ? CBN_SETFOCUS : CBN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (HasEdit(hwnd) ? DLGC_HASSETSEL : 0);
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        s->kind = tvp::Kind::ComboBox;
        s->text = Shown(hwnd, state);
        s->selection = state.selection;
        s->items.clear();
        for (const Entry& entry : state.entries)
            s->items.push_back(tvp::ListItem{entry.text, {}, -1, false, false});
        if (state.selection >= 0) s->items[static_cast<size_t>(state.selection)].selected = true;
        return TRUE;
    }
    case TVM_INPUTCHOOSE:
        if (!Valid(state, wParam)) return FALSE;
        Choose(hwnd, state, static_cast<int>(wParam));
        return TRUE;
    case TVM_INPUTTEXT: {
        if (!HasEdit(hwnd)) return FALSE;
        const auto& typed = *reinterpret_cast<const std::wstring*>(lParam);
        state.editText = typed.substr(0, std::min(typed.size(), state.limit));
        state.selection = Find(state, static_cast<WPARAM>(-1), state.editText, true);
        NotifyParent(hwnd, CBN_EDITUPDATE);
        NotifyParent(hwnd, CBN_EDITCHANGE);
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK u32::ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<Combo>(hwnd, message, wParam, lParam, Handle);
}
