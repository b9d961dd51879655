// The headless commands for dialogs and property sheets. They act on the innermost open one: the
// newest shown top-level dialog or sheet that is still visible (a closed modeless sheet stays hidden
// until the console destroys it). Controls are named by their ids, looked up on the sheet's current
// page first and then on the sheet itself, so the sheet's own buttons can be clicked too. Every change
// goes through the platform's user-input entry points, so the controls notify as for a person.
#include <chrono>
#include <cwctype>
#include <map>

#include "commctrl.h"
#include "session.h"
#include "text.h"
#include "tvplatform.h"

namespace Headless {

namespace {

struct SheetButton {
    const wchar_t* name;
    int id;
};
// In the order a sheet shows them.
const SheetButton kSheetButtons[] = {{L"back", ID_WIZBACK}, {L"next", ID_WIZNEXT}, {L"finish", ID_WIZFINISH},
                                     {L"ok", IDOK},         {L"cancel", IDCANCEL}, {L"apply", ID_APPLY_NOW},
                                     {L"help", IDHELP}};

const wchar_t* KindName(tvp::Kind kind) {
    switch (kind) {
    case tvp::Kind::Window:
        return L"window";
    case tvp::Kind::Dialog:
        return L"dialog";
    case tvp::Kind::PropertySheet:
        return L"sheet";
    case tvp::Kind::Static:
        return L"static";
    case tvp::Kind::Icon:
        return L"icon";
    case tvp::Kind::Picture:
        return L"picture";
    case tvp::Kind::Edit:
        return L"edit";
    case tvp::Kind::PushButton:
        return L"button";
    case tvp::Kind::CheckBox:
        return L"checkbox";
    case tvp::Kind::RadioButton:
        return L"radio";
    case tvp::Kind::GroupBox:
        return L"group";
    case tvp::Kind::ComboBox:
        return L"combo";
    case tvp::Kind::ListView:
        return L"list";
    case tvp::Kind::ProgressBar:
        return L"progress";
    case tvp::Kind::DateTimePicker:
        return L"datetime";
    }
    return L"window";
}

tvp::WindowState StateOf(HWND window) {
    tvp::WindowState state;
    tvp::GetWindowState(window, state);
    return state;
}

bool IsSheet(HWND window) {
    return StateOf(window).kind == tvp::Kind::PropertySheet;
}

// Where a dialog's controls are: a sheet's current page, or the dialog itself.
HWND ControlsParent(HWND dialog) {
    if (!IsSheet(dialog)) return dialog;
    HWND page = PropSheet_GetCurrentPageHwnd(dialog);
    return page ? page : dialog;
}

bool Shown(HWND window) {
    return window && IsWindowVisible(window);
}

bool Usable(HWND window) {
    return Shown(window) && IsWindowEnabled(window);
}

// A control id as the templates give it: decimal, or hexadecimal with 0x.
bool ParseId(const std::wstring& text, int* id) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    long value = std::wcstol(text.c_str(), &end, 0);
    if (*end || value < -1 || value > 0xFFFF) return false;
    *id = static_cast<int>(value);
    return true;
}

bool ParseNumbers(const std::wstring& text, wchar_t separator, int count, int* values) {
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
        size_t end = i + 1 < count ? text.find(separator, at) : text.size();
        if (end == std::wstring::npos || end == at) return false;
        for (size_t k = at; k < end; ++k)
            if (!std::iswdigit(text[k])) return false;
        values[i] = std::stoi(text.substr(at, end - at));
        at = end + 1;
    }
    return true;
}

std::wstring Percent(const tvp::WindowState& state) {
    int span = state.high - state.low;
    int percent = span > 0 ? (state.position - state.low) * 100 / span : 0;
    return std::to_wstring(percent) + L"%";
}

// The index of the item with this text, or #N; -1 when there is none.
int FindItem(const tvp::WindowState& state, const std::wstring& wanted) {
    for (size_t i = 0; i < state.items.size(); ++i)
        if (state.items[i].text == wanted) return static_cast<int>(i);
    if (wanted.size() < 2 || wanted[0] != L'#' || !std::iswdigit(wanted[1])) return -1;
    wchar_t* end = nullptr;
    long index = std::wcstol(wanted.c_str() + 1, &end, 10);
    if (*end || index >= static_cast<long>(state.items.size())) return -1;
    return static_cast<int>(index);
}

} // namespace

// What a person sees ---------------------------------------------------------------------------------------

void CSession::SetDialogsChanged(std::function<void()> changed) {
    std::lock_guard guard(m_dialogLock);
    m_dialogsChanged = std::move(changed);
}

void CSession::WindowChanged(HWND window, UINT change) {
    std::function<void()> changed;
    {
        std::lock_guard guard(m_dialogLock);
        Track(window, change);
        if (change == TVWC_OPENED || change == TVWC_CLOSED) changed = m_dialogsChanged;
    }
    if (changed) changed();
}

void CSession::Track(HWND window, UINT change) {
    auto found = std::find_if(m_dialogs.begin(), m_dialogs.end(),
                              [&](const OpenDialog& open) { return open.window == window; });
    switch (change) {
    case TVWC_OPENED:
        if (found == m_dialogs.end()) m_dialogs.push_back({window, ++m_openSerial, 0});
        break;
    case TVWC_CLOSED:
        if (found != m_dialogs.end()) m_dialogs.erase(found);
        break;
    case TVWC_PAGE:
        if (found != m_dialogs.end()) ++found->changes;
        break;
    default:
        break;
    }
}

void CSession::SheetBroughtForward(HWND sheet) {
    std::lock_guard guard(m_dialogLock);
    auto found = std::find_if(m_dialogs.begin(), m_dialogs.end(),
                              [&](const OpenDialog& open) { return open.window == sheet; });
    if (found == m_dialogs.end()) return;
    OpenDialog moved = *found; // keeps its serial: it was not opened by the command that runs now
    m_dialogs.erase(found);
    m_dialogs.push_back(moved);
}

bool CSession::ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) {
    std::wstring title = request.lpstrTitle ? request.lpstrTitle : (save ? L"Save As" : L"Open");
    Print(std::wstring(L"file: ") + (save ? L"save" : L"open") + L": " + OneLine(title));
    std::lock_guard guard(m_answerLock);
    if (m_fileAnswers.empty()) return false; // nothing queued: the person cancels
    path = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return !path.empty();
}

HWND CSession::InnermostDialog() {
    std::vector<HWND> open;
    {
        std::lock_guard guard(m_dialogLock);
        for (const OpenDialog& dialog : m_dialogs)
            open.push_back(dialog.window);
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        if (Shown(*it)) return *it;
    return nullptr;
}

bool CSession::ReadyForLine() {
    HWND innermost = InnermostDialog();
    std::lock_guard guard(m_dialogLock);
    if (m_waiting) return false;
    if (m_running.empty()) return true;
    for (const OpenDialog& dialog : m_dialogs)
        if (dialog.window == innermost) return dialog.serial > m_running.back();
    return false;
}

bool CSession::CancelInnermostDialog() {
    HWND innermost = InnermostDialog();
    {
        std::lock_guard guard(m_dialogLock);
        if (m_running.empty() || !innermost) return false;
        auto found = std::find_if(m_dialogs.begin(), m_dialogs.end(),
                                  [&](const OpenDialog& open) { return open.window == innermost; });
        if (found == m_dialogs.end() || found->serial <= m_running.front()) return false;
        // A dialog that did not close when it was cancelled once is left to the closing console.
        if (found->cancelled) return false;
        found->cancelled = true;
    }
    if (!m_quit) {
        Print(L"error: the input ended while " + Quoted(StateOf(innermost).text) +
              L" was open; it is cancelled");
        m_anyFailed = true;
    }
    if (IsSheet(innermost)) {
        PropSheet_PressButton(innermost, PSBTN_CANCEL);
    } else {
        HWND cancel = GetDlgItem(innermost, IDCANCEL);
        if (Usable(cancel))
            tvp::Click(cancel);
        else // as the Escape key does
            SendMessageW(innermost, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return true;
}

bool CSession::FindDialog(HWND* dialog) {
    *dialog = InnermostDialog();
    return *dialog || Fail(L"no dialog or property sheet is open");
}

bool CSession::FindControl(const std::wstring& idText, HWND* control) {
    int id = 0;
    if (!ParseId(idText, &id)) return Fail(Quoted(idText) + L" is not a control id");
    HWND dialog = nullptr;
    if (!FindDialog(&dialog)) return false;
    HWND parent = ControlsParent(dialog);
    *control = GetDlgItem(parent, id);
    if (!*control && parent != dialog) *control = GetDlgItem(dialog, id);
    if (!*control) return Fail(L"the dialog has no control " + idText);
    if (!Shown(*control)) return Fail(L"control " + idText + L" is hidden");
    if (!IsWindowEnabled(*control)) return Fail(L"control " + idText + L" is disabled");
    return true;
}

void CSession::PrintControl(const tvp::WindowState& state) {
    std::wstring checked = L"-";
    std::wstring text = state.text;
    switch (state.kind) {
    case tvp::Kind::CheckBox:
    case tvp::Kind::RadioButton:
        checked = std::to_wstring(state.checked);
        break;
    case tvp::Kind::ProgressBar:
        text = Percent(state);
        break;
    case tvp::Kind::ListView:
        text.clear();
        break;
    default:
        break;
    }
    Print(std::to_wstring(state.id) + L"\t" + KindName(state.kind) + L"\t" +
          (state.enabled ? L"enabled" : L"disabled") + L"\t" + checked + L"\t" + OneLine(text));
    if (state.kind == tvp::Kind::ListView && !state.columns.empty()) {
        std::wstring columns;
        for (size_t i = 0; i < state.columns.size(); ++i)
            columns += (i ? L"\t" : L"") + OneLine(state.columns[i]);
        Print(L"  columns: " + columns);
    }
    if (state.kind != tvp::Kind::ListView && state.kind != tvp::Kind::ComboBox) return;
    for (size_t i = 0; i < state.items.size(); ++i) {
        const tvp::ListItem& item = state.items[i];
        bool selected =
            state.kind == tvp::Kind::ComboBox ? static_cast<int>(i) == state.selection : item.selected;
        std::wstring line = std::wstring(L"  ") + (selected ? L"* " : L"- ") + OneLine(item.text);
        for (const std::wstring& cell : item.cells)
            line += L"\t" + OneLine(cell);
        Print(line);
    }
}

// Commands --------------------------------------------------------------------------------------------------

bool CSession::CmdShow(const Words& words) {
    if (words.size() != 1) return Fail(L"show takes no arguments");
    HWND dialog = nullptr;
    if (!FindDialog(&dialog)) return false;
    tvp::WindowState state = StateOf(dialog);
    Print(L"title: " + OneLine(state.text));
    std::wstring buttons;
    if (state.kind == tvp::Kind::PropertySheet) {
        if (state.selection >= 0)
            Print(L"page: " + std::to_wstring(state.selection) + L" " +
                  OneLine(state.items[static_cast<size_t>(state.selection)].text));
        for (auto [id, name] : {std::pair{TV_IDC_SHEET_HEADERTITLE, L"header: "},
                                std::pair{TV_IDC_SHEET_HEADERSUBTITLE, L"subtitle: "}}) {
            HWND header = GetDlgItem(dialog, id);
            if (Shown(header)) Print(name + OneLine(StateOf(header).text));
        }
        for (const SheetButton& button : kSheetButtons)
            if (Usable(GetDlgItem(dialog, button.id)))
                buttons += std::wstring(buttons.empty() ? L"" : L" ") + button.name;
    } else {
        for (const SheetButton& button : {kSheetButtons[3], kSheetButtons[4]})
            if (Usable(GetDlgItem(dialog, button.id)))
                buttons += std::wstring(buttons.empty() ? L"" : L" ") + button.name;
    }
    Print(L"buttons: " + buttons);
    HWND parent = ControlsParent(dialog);
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        tvp::WindowState control = StateOf(child);
        if (control.visible) PrintControl(control);
    }
    return true;
}

bool CSession::CmdSet(const Words& words) {
    if (words.size() != 3) return Fail(L"set needs a control id and the text");
    HWND control = nullptr;
    if (!FindControl(words[1], &control)) return false;
    tvp::WindowState state = StateOf(control);
    if (state.kind == tvp::Kind::Edit && (state.style & ES_READONLY))
        return Fail(L"control " + words[1] + L" is read-only");
    if (!tvp::TypeText(control, words[2])) return Fail(L"control " + words[1] + L" takes no typing");
    return true;
}

bool CSession::CmdClick(const Words& words, int wantChecked) {
    if (words.size() != 2) return Fail(words[0] + L" needs a control id");
    HWND control = nullptr;
    if (!FindControl(words[1], &control)) return false;
    tvp::WindowState state = StateOf(control);
    if (wantChecked >= 0) {
        if (state.kind != tvp::Kind::CheckBox && state.kind != tvp::Kind::RadioButton)
            return Fail(L"control " + words[1] + L" is not a check box or radio button");
        if (state.checked == wantChecked) return true;
    }
    if (!tvp::Click(control)) return Fail(L"control " + words[1] + L" cannot be clicked");
    return true;
}

bool CSession::CmdChoose(const Words& words) {
    if (words.size() != 3) return Fail(L"choose needs a control id and an entry (its text or #N)");
    HWND control = nullptr;
    if (!FindControl(words[1], &control)) return false;
    tvp::WindowState state = StateOf(control);
    if (state.kind != tvp::Kind::ComboBox && state.kind != tvp::Kind::ListView)
        return Fail(L"control " + words[1] + L" is not a combo box or list");
    int index = FindItem(state, words[2]);
    if (index < 0) return Fail(L"control " + words[1] + L" has no entry " + Quoted(words[2]));
    if (!tvp::ChooseItem(control, index)) return Fail(L"control " + words[1] + L" refused the choice");
    return true;
}

bool CSession::CmdPick(const Words& words) {
    if (words.size() < 2) return Fail(L"pick needs a list's id and the texts of its items");
    HWND control = nullptr;
    if (!FindControl(words[1], &control)) return false;
    tvp::WindowState state = StateOf(control);
    if (state.kind != tvp::Kind::ListView) return Fail(L"control " + words[1] + L" is not a list");
    std::vector<int> indices;
    for (size_t i = 2; i < words.size(); ++i) {
        // The same text twice picks two items that show it.
        int index = -1;
        for (size_t k = 0; k < state.items.size() && index < 0; ++k)
            if (state.items[k].text == words[i] &&
                std::find(indices.begin(), indices.end(), k) == indices.end())
                index = static_cast<int>(k);
        if (index < 0) return Fail(L"list " + words[1] + L" has no item " + Quoted(words[i]));
        indices.push_back(index);
    }
    if (!tvp::PickItems(control, indices)) return Fail(L"list " + words[1] + L" takes one item at a time");
    return true;
}

bool CSession::CmdTime(const Words& words) {
    if (words.size() != 3 && words.size() != 4)
        return Fail(L"time needs a control id, HH:MM:SS and maybe YYYY-MM-DD");
    int clock[3] = {}, date[3] = {};
    if (!ParseNumbers(words[2], L':', 3, clock) || clock[0] > 23 || clock[1] > 59 || clock[2] > 59)
        return Fail(Quoted(words[2]) + L" is not a time of day HH:MM:SS");
    if (words.size() == 4 && (!ParseNumbers(words[3], L'-', 3, date) || date[0] < 1601 || date[0] > 30827 ||
                              date[1] < 1 || date[1] > 12 || date[2] < 1 || date[2] > 31))
        return Fail(Quoted(words[3]) + L" is not a date YYYY-MM-DD");
    HWND control = nullptr;
    if (!FindControl(words[1], &control)) return false;
    tvp::WindowState state = StateOf(control);
    if (state.kind != tvp::Kind::DateTimePicker)
        return Fail(L"control " + words[1] + L" is not a date and time");
    SYSTEMTIME time = state.time;
    if (!state.timeValid) GetLocalTime(&time);
    time.wHour = static_cast<WORD>(clock[0]);
    time.wMinute = static_cast<WORD>(clock[1]);
    time.wSecond = static_cast<WORD>(clock[2]);
    time.wMilliseconds = 0;
    if (words.size() == 4) {
        time.wYear = static_cast<WORD>(date[0]);
        time.wMonth = static_cast<WORD>(date[1]);
        time.wDay = static_cast<WORD>(date[2]);
    }
    if (!tvp::SetTime(control, time)) return Fail(L"control " + words[1] + L" refused the time");
    return true;
}

bool CSession::PressButton(const std::wstring& name) {
    HWND dialog = nullptr;
    if (!FindDialog(&dialog)) return false;
    const SheetButton* button = nullptr;
    for (const SheetButton& candidate : kSheetButtons)
        if (name == candidate.name) button = &candidate;
    HWND control = GetDlgItem(dialog, button->id);
    if (!IsSheet(dialog) && button->id == IDCANCEL && !control) {
        // A dialog without a Cancel button still closes on the Escape key.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    }
    if (!Shown(control)) return Fail(L"the dialog has no " + name + L" button");
    if (!IsWindowEnabled(control)) return Fail(L"the " + name + L" button is disabled");
    if (!tvp::Click(control)) return Fail(L"the " + name + L" button cannot be pressed");
    return true;
}

bool CSession::CmdTab(const Words& words) {
    if (words.size() != 2) return Fail(L"tab needs a page's number or title");
    HWND dialog = nullptr;
    if (!FindDialog(&dialog)) return false;
    tvp::WindowState state = StateOf(dialog);
    if (state.kind != tvp::Kind::PropertySheet || state.wizard)
        return Fail(L"only a property sheet has tabs");
    int index = -1;
    int number = 0;
    if (ParseNumbers(words[1], L' ', 1, &number) && number < static_cast<int>(state.items.size()))
        index = number;
    else
        for (size_t i = 0; i < state.items.size() && index < 0; ++i)
            if (state.items[i].text == words[1]) index = static_cast<int>(i);
    if (index < 0) return Fail(L"the sheet has no page " + Quoted(words[1]));
    // A page that refuses to be left keeps the sheet where it is: the snap-in's answer, not a failure.
    PropSheet_SetCurSel(dialog, nullptr, index);
    return true;
}

bool CSession::CmdWait(const Words& words) {
    if (words.size() > 2) return Fail(L"wait takes at most a number of seconds");
    int seconds = 60;
    if (words.size() == 2 && (!ParseNumbers(words[1], L' ', 1, &seconds) || seconds > 24 * 3600))
        return Fail(Quoted(words[1]) + L" is not a number of seconds");
    HWND dialog = nullptr;
    if (!FindDialog(&dialog)) return false;
    auto changes = [&] {
        std::lock_guard guard(m_dialogLock);
        for (const OpenDialog& open : m_dialogs)
            if (open.window == dialog) return open.changes;
        return uint64_t{0};
    };
    const uint64_t before = changes();
    struct Waiting {
        CSession& session;
        explicit Waiting(CSession& s) : session(s) { Set(true); }
        ~Waiting() { Set(false); }
        void Set(bool on) {
            std::lock_guard guard(session.m_dialogLock);
            session.m_waiting = on;
        }
    } waiting(*this);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    while (true) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam)); // for the loop outside
                return Fail(L"the console closed while waiting");
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (!Shown(dialog) || changes() != before) return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return Fail(L"the " + std::wstring(IsSheet(dialog) ? L"sheet" : L"dialog") +
                        L" did not move on within " + std::to_wstring(seconds) + L" seconds");
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

bool CSession::CmdFile(const Words& words) {
    if (words.size() != 2) return Fail(L"file needs a PATH or cancel");
    std::lock_guard guard(m_answerLock);
    m_fileAnswers.push_back(words[1] == L"cancel" ? std::wstring() : words[1]);
    return true;
}

} // namespace Headless
