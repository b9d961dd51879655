// The front end's view of windows (tvinput.h): a window's state as it is shown, and user input, which
// reaches a control as a private message handled on the control's own thread so that it notifies its
// parent as a person's input does. Also TvWindowChanged, through which the platform's libraries tell
// the front end that a dialog or sheet changed.
#include "tvfrontend.h"
#include "tvinput.h"
#include "user32_internal.h"

using namespace u32;

namespace {

// A person reaches a control only while it and every window above it are enabled and visible.
bool Reachable(HWND hwnd) {
    std::lock_guard guard(Lock());
    Window* w = FindLocked(hwnd);
    if (!w) return false;
    for (; w; w = FindLocked(w->parent))
        if (!(w->style & WS_VISIBLE) || (w->style & WS_DISABLED)) return false;
    return true;
}

} // namespace

extern "C" void WINAPI TvWindowChanged(HWND window, UINT change) {
    if (ITvFrontEnd* frontEnd = TvGetFrontEnd()) frontEnd->WindowChanged(window, change);
}

namespace tvp {

bool GetWindowState(HWND window, WindowState& state) {
    state = WindowState{};
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(window);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        state.window = window;
        state.kind = w->dialog ? Kind::Dialog : Kind::Window;
        state.id = static_cast<int>(w->id);
        state.className = w->cls->name;
        state.style = w->style;
        state.exStyle = w->exStyle;
        state.enabled = !(w->style & WS_DISABLED);
        state.visible = (w->style & WS_VISIBLE) != 0;
        state.rect = w->rect;
        state.text = w->text;
    }
    state.font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    SendMessageW(window, TVM_GETSTATE, 0, reinterpret_cast<LPARAM>(&state));
    return true;
}

bool TypeText(HWND control, std::wstring_view text) {
    std::wstring typed(text);
    return Reachable(control) &&
           SendMessageW(control, TVM_INPUTTEXT, 0, reinterpret_cast<LPARAM>(&typed)) != 0;
}

bool Click(HWND control) {
    return Reachable(control) && SendMessageW(control, TVM_INPUTCLICK, 0, 0) != 0;
}

bool ChooseItem(HWND control, int index) {
    return index >= 0 && Reachable(control) &&
           SendMessageW(control, TVM_INPUTCHOOSE, static_cast<WPARAM>(index), 0) != 0;
}

bool PickItems(HWND listView, const std::vector<int>& indices) {
    return Reachable(listView) &&
           SendMessageW(listView, TVM_INPUTPICK, 0, reinterpret_cast<LPARAM>(&indices)) != 0;
}

bool SetTime(HWND picker, const SYSTEMTIME& time) {
    return Reachable(picker) && SendMessageW(picker, TVM_INPUTTIME, 0, reinterpret_cast<LPARAM>(&time)) != 0;
}

} // namespace tvp
