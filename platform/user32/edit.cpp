// The edit control: single-line and multi-line text, passwords, read-only text, a text limit and
// ES_NUMBER, ES_UPPERCASE and ES_LOWERCASE for what a person types. The parent hears EN_UPDATE and
// EN_CHANGE after a person's typing, after EM_REPLACESEL and after WM_SETTEXT (SetWindowTextW), except
// that a multi-line edit stays silent on WM_SETTEXT, as the documented control does. The limit holds
// for typing and EM_REPLACESEL, never for WM_SETTEXT.
#include <algorithm>
#include <cwctype>

#include "tvinput.h"
#include "user32_internal.h"

namespace {

using namespace u32;

constexpr size_t kDefaultLimit = 30000;

struct Edit {
    size_t limit = kDefaultLimit;
    bool modified = false;
    size_t selStart = 0, selEnd = 0;
    WCHAR passwordChar = L'*';
    HFONT font = nullptr;
};

DWORD Style(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
}

std::wstring Text(HWND hwnd) {
    std::wstring text(static_cast<size_t>(DefWindowProcW(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(
        DefWindowProcW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void Store(HWND hwnd, const std::wstring& text) {
    DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void NotifyChange(HWND hwnd) {
    NotifyParent(hwnd, EN_UPDATE);
    NotifyParent(hwnd, EN_CHANGE);
}

// What typing or pasting `input` yields in this control: a single-line edit takes the first line, a
// multi-line one keeps its line breaks as CR LF; ES_NUMBER drops what is not a digit.
std::wstring AsTyped(HWND hwnd, std::wstring_view input) {
    DWORD style = Style(hwnd);
    std::wstring text;
    for (size_t i = 0; i < input.size(); ++i) {
        WCHAR c = input[i];
        if (c == L'\r' || c == L'\n') {
            if (!(style & ES_MULTILINE)) break;
            if (c == L'\r' && i + 1 < input.size() && input[i + 1] == L'\n') ++i;
            text += L"\r\n";
            continue;
        }
        if ((style & ES_NUMBER) && !(c >= L'0' && c <= L'9')) continue;
        if (style & ES_UPPERCASE) c = static_cast<WCHAR>(towupper(c));
        if (style & ES_LOWERCASE) c = static_cast<WCHAR>(towlower(c));
        text += c;
    }
    return text;
}

// Replaces the selection as an edit operation: within the limit (EN_MAXTEXT when it cuts), then
// EN_UPDATE and EN_CHANGE.
void ReplaceSelection(HWND hwnd, Edit& state, const std::wstring& insert) {
    std::wstring text = Text(hwnd);
    size_t start = std::min({state.selStart, state.selEnd, text.size()});
    size_t end = std::min(std::max(state.selStart, state.selEnd), text.size());
    size_t room =
        text.size() - (end - start) >= state.limit ? 0 : state.limit - (text.size() - (end - start));
    std::wstring taken = insert.substr(0, std::min(insert.size(), room));
    text.replace(start, end - start, taken);
    Store(hwnd, text);
    state.selStart = state.selEnd = start + taken.size();
    state.modified = true;
    if (taken.size() < insert.size()) NotifyParent(hwnd, EN_MAXTEXT);
    NotifyChange(hwnd);
}

LRESULT Handle(HWND hwnd, Edit& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        if (reinterpret_cast<const CREATESTRUCTW*>(lParam)->style & ES_MULTILINE) state.limit = SIZE_MAX;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_SETTEXT:
        DefWindowProcW(hwnd, message, wParam, lParam);
        state.modified = false;
        state.selStart = state.selEnd = 0;
        if (!(Style(hwnd) & ES_MULTILINE)) NotifyChange(hwnd);
        return TRUE;
    case EM_LIMITTEXT:
        state.limit =
            wParam ? static_cast<size_t>(wParam) : ((Style(hwnd) & ES_MULTILINE) ? SIZE_MAX : 0x7FFFFFFE);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(std::min<size_t>(state.limit, 0xFFFFFFFF));
    case EM_GETSEL: {
        DWORD start = static_cast<DWORD>(std::min(state.selStart, state.selEnd));
        DWORD end = static_cast<DWORD>(std::max(state.selStart, state.selEnd));
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return start > 0xFFFF || end > 0xFFFF ? -1 : MAKELRESULT(start, end);
    }
    case EM_SETSEL: {
        size_t length = Text(hwnd).size();
        auto start = static_cast<INT_PTR>(wParam), end = static_cast<INT_PTR>(lParam);
        if (start < 0) {
            state.selStart = state.selEnd = std::min(state.selEnd, length); // no selection
        } else {
            state.selStart = std::min(static_cast<size_t>(start), length);
            state.selEnd = end < 0 ? length : std::min(static_cast<size_t>(end), length);
        }
        return 0;
    }
    case EM_REPLACESEL:
        ReplaceSelection(hwnd, state, lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"");
        return 0;
    case EM_GETMODIFY:
        return state.modified;
    case EM_SETMODIFY:
        state.modified = wParam != 0;
        return 0;
    case EM_SETREADONLY: {
        DWORD style = Style(hwnd);
        SetWindowLongPtrW(hwnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~ES_READONLY));
        return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
        DWORD style = Style(hwnd);
        if (wParam) state.passwordChar = static_cast<WCHAR>(wParam);
        SetWindowLongPtrW(hwnd, GWL_STYLE, wParam ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD));
        return 0;
    }
    case EM_GETPASSWORDCHAR:
        return (Style(hwnd) & ES_PASSWORD) ? state.passwordChar : 0;
    case EM_GETLINECOUNT: {
        if (!(Style(hwnd) & ES_MULTILINE)) return 1;
        std::wstring text = Text(hwnd);
        return 1 + std::count(text.begin(), text.end(), L'\n');
    }
    case EM_CANUNDO:
        return FALSE;
    case EM_EMPTYUNDOBUFFER:
        return 0;
    case WM_SETFONT:
    case WM_GETFONT:
        return FontMessage(state.font, message, wParam);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        NotifyParent(hwnd, message == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS |
               ((Style(hwnd) & ES_MULTILINE) ? DLGC_WANTALLKEYS : 0);
    case TVM_GETSTATE: {
        auto* s = reinterpret_cast<tvp::WindowState*>(lParam);
        s->kind = tvp::Kind::Edit;
        // A password is never shown, not even to a front end that prints the dialog.
        if (Style(hwnd) & ES_PASSWORD) s->text.assign(s->text.size(), state.passwordChar);
        return TRUE;
    }
    case TVM_INPUTTEXT: {
        if (Style(hwnd) & ES_READONLY) return FALSE;
        state.selStart = 0;
        state.selEnd = Text(hwnd).size();
        ReplaceSelection(hwnd, state, AsTyped(hwnd, *reinterpret_cast<const std::wstring*>(lParam)));
        return TRUE;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK u32::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return RunControl<Edit>(hwnd, message, wParam, lParam, Handle);
}
