// The headless commands. A PATH names a scope item by its display names from the root, joined by '/';
// a result row is its scope item's path, '/', and the text of its first column. Reaching an item
// expands every item on the way, as a person clicking the expand buttons would. A command fails only
// when the console cannot do what it asks (no such item, no such menu item, a verb or item that is not
// available); what the snap-in answers to a notification or command is its own business.
#include "session.h"

#include <fstream>
#include <iterator>

#include "text.h"
#include "tvplatform.h"

namespace Headless {

using Console::CRow;
using Console::Pane;

struct CSession::Target {
    HSCOPEITEM scope = 0; // the scope item, or the scope item whose list holds the row
    bool isRow = false;
    int row = -1;
};

namespace {

std::vector<std::wstring> SplitPath(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (true) {
        size_t slash = path.find(L'/', start);
        parts.push_back(path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start));
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    return parts;
}

const wchar_t* GroupName(Console::CMenuItem::Group group) {
    switch (group) {
    case Console::CMenuItem::Top:
        return L"top";
    case Console::CMenuItem::New:
        return L"new";
    case Console::CMenuItem::Task:
        return L"task";
    case Console::CMenuItem::View:
        return L"view";
    case Console::CMenuItem::Submenu:
        return L"submenu";
    }
    return L"top";
}

struct Answer {
    const wchar_t* word;
    int id;
};
const Answer kAnswers[] = {{L"yes", IDYES}, {L"no", IDNO}, {L"ok", IDOK}, {L"cancel", IDCANCEL}};

// The buttons of each MB_ type.
std::vector<int> Buttons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    }
}

const wchar_t* AnswerWord(int id) {
    for (const Answer& answer : kAnswers)
        if (answer.id == id) return answer.word;
    return L"?";
}

} // namespace

CSession::CSession(Console::CConsole& console, std::ostream& out) : m_console(console), m_out(out) {
    m_previousFrontEnd = TvSetFrontEnd(this);
    m_console.SetEvents(this);
}

CSession::~CSession() {
    m_console.SetEvents(nullptr);
    TvSetFrontEnd(m_previousFrontEnd);
}

void CSession::Print(const std::wstring& line) {
    std::lock_guard guard(m_outLock);
    if (m_capture && std::this_thread::get_id() == m_captureThread) {
        *m_capture += line + L'\n';
        return;
    }
    m_lastOutput += line + L'\n';
    m_out << tvp::ToUtf8(line) << '\n';
    m_out.flush();
}

void CSession::Failed(const std::wstring& why) {
    Print(L"error: " + why);
    m_anyFailed = true;
    if (m_stopOnError) m_quit = true;
}

bool CSession::Fail(const std::wstring& why) {
    std::lock_guard guard(m_answerLock);
    if (m_failure.empty()) m_failure = why;
    return false;
}

void CSession::Run(const LineReader& next) {
    std::string line;
    while (!m_quit && next(&line))
        Execute(line);
}

bool CSession::Execute(const std::string& line) {
    std::vector<std::string> split;
    std::string problem;
    if (line.size() > kMaxLineBytes) {
        Failed(L"the line is longer than " + std::to_wstring(kMaxLineBytes) + L" bytes; it is refused");
        return !m_quit;
    }
    if (!SplitCommandLine(line, &split, &problem)) {
        Failed(tvp::FromUtf8(problem));
        return !m_quit;
    }
    if (split.empty()) return true; // a blank line or a comment is no command
    Words words;
    for (const std::string& word : split)
        words.push_back(tvp::FromUtf8(word));
    // `expect` reads what the command before it printed; every other command starts a new output.
    std::wstring lastOutput;
    {
        std::lock_guard guard(m_outLock);
        lastOutput = std::exchange(m_lastOutput, std::wstring());
        if (words[0] == L"expect") m_lastOutput = lastOutput;
    }

    // A line that runs inside a dialog another command opened keeps that command's failure apart.
    std::wstring outerFailure;
    {
        std::lock_guard guard(m_answerLock);
        outerFailure = std::exchange(m_failure, std::wstring());
    }
    {
        std::lock_guard guard(m_dialogLock);
        m_running.push_back(m_openSerial);
    }
    bool ok = Dispatch(words);
    {
        std::lock_guard guard(m_dialogLock);
        m_running.pop_back();
    }
    std::wstring why;
    {
        std::lock_guard guard(m_answerLock);
        why = std::exchange(m_failure, std::move(outerFailure));
    }
    if (ok && why.empty())
        Print(L"ok");
    else
        Failed(why.empty() ? std::wstring(L"the command failed") : why);
    if (m_commandRan) m_commandRan();
    return !m_quit;
}

void CSession::AddCommand(const std::wstring& name, Command command) {
    m_extraCommands[name] = std::move(command);
}

bool CSession::Dispatch(const Words& words) {
    const std::wstring& command = words[0];
    if (command == L"expand") return CmdExpand(words);
    if (command == L"select") return CmdSelect(words);
    if (command == L"tree") return CmdTree(words);
    if (command == L"list") return CmdList(words);
    if (command == L"status") return CmdStatus(words);
    if (command == L"menu") return CmdMenu(words);
    if (command == L"run") return CmdRun(words);
    if (command == L"verbs") return CmdVerbs(words);
    if (command == L"refresh") return CmdVerb(words, MMC_VERB_REFRESH);
    if (command == L"delete") return CmdVerb(words, MMC_VERB_DELETE);
    if (command == L"rename") return CmdRename(words);
    if (command == L"answer") return CmdAnswer(words);
    if (command == L"help") return CmdHelp(words);
    if (command == L"expect") return CmdExpect(words);
    if (command == L"topic") return CmdTopic(words);
    if (command == L"quit") {
        if (words.size() > 1) return Fail(L"quit takes no arguments");
        m_quit = true;
        return true;
    }
    if (command == L"properties") return CmdVerb(words, MMC_VERB_PROPERTIES);
    if (command == L"file") return CmdFile(words);
    if (command == L"show") return CmdShow(words);
    if (command == L"set") return CmdSet(words);
    if (command == L"click") return CmdClick(words, -1);
    if (command == L"check") return CmdClick(words, BST_CHECKED);
    if (command == L"uncheck") return CmdClick(words, BST_UNCHECKED);
    if (command == L"choose") return CmdChoose(words);
    if (command == L"pick") return CmdPick(words);
    if (command == L"time") return CmdTime(words);
    if (command == L"tab") return CmdTab(words);
    if (command == L"wait") return CmdWait(words);
    for (const wchar_t* button : {L"next", L"back", L"finish", L"cancel", L"apply", L"ok"})
        if (command == button) {
            if (words.size() != 1) return Fail(command + L" takes no arguments");
            return PressButton(command);
        }
    if (auto extra = m_extraCommands.find(command); extra != m_extraCommands.end()) {
        std::wstring why;
        return extra->second(words, &why) || Fail(why);
    }
    return Fail(L"unknown command " + Quoted(command));
}

// Paths ---------------------------------------------------------------------------------------------------

bool CSession::Resolve(const std::wstring& path, Target* target, bool expandLast) {
    std::vector<std::wstring> parts = SplitPath(path);
    for (const std::wstring& part : parts)
        if (part.empty()) return Fail(L"the path " + Quoted(path) + L" has an empty name in it");
    Console::CView& view = m_console.View();

    HSCOPEITEM current = 0;
    for (HSCOPEITEM root : m_console.Roots())
        if (m_console.DisplayName(root) == parts[0]) {
            current = root;
            break;
        }
    if (!current) return Fail(L"there is no " + Quoted(parts[0]) + L" at the root of the console");

    for (size_t i = 1; i < parts.size(); ++i) {
        view.ExpandScopeItem(current);
        if (!m_console.Exists(current))
            return Fail(Quoted(parts[i - 1]) + L" went away while it was expanded");
        HSCOPEITEM child = 0;
        for (HSCOPEITEM candidate : m_console.Children(current))
            if (m_console.DisplayName(candidate) == parts[i]) {
                child = candidate;
                break;
            }
        if (child) {
            current = child;
            continue;
        }
        if (i + 1 == parts.size()) {
            // Not a scope item: a row of its parent's list.
            if (view.SelectedScopeItem() != current || view.ResultPane() != Pane::List)
                view.SelectScopeItem(current);
            if (view.SelectedScopeItem() == current && view.ResultPane() == Pane::List) {
                const Console::CResultList& list = view.List();
                int count = list.RowCount();
                view.PrepareRows(0, count - 1);
                for (int row = 0; row < count; ++row)
                    if (view.CellText(list.RowAt(row), 0) == parts[i]) {
                        target->scope = current;
                        target->isRow = true;
                        target->row = row;
                        return true;
                    }
            }
        }
        return Fail(L"there is no " + Quoted(parts[i]) + L" under " + Quoted(m_console.DisplayName(current)));
    }
    if (expandLast) view.ExpandScopeItem(current);
    target->scope = current;
    return true;
}

// Selects what a path names, unless it is selected already: a scope item in the scope pane, or a row.
bool CSession::SelectTarget(const Target& target) {
    Console::CView& view = m_console.View();
    if (!target.isRow) {
        HRESULT hr = S_OK;
        if (view.SelectedScopeItem() != target.scope)
            hr = view.SelectScopeItem(target.scope);
        else if (!view.ScopeItemHasFocus())
            hr = view.SelectRows({});
        if (FAILED(hr) || view.SelectedScopeItem() != target.scope)
            return Fail(L"the item could not be selected");
        return true;
    }
    if (view.SelectedScopeItem() != target.scope) return Fail(L"the list that holds the item is not shown");
    std::vector<CRow> selected = view.List().SelectedRows();
    if (view.ResultHasFocus() && selected.size() == 1 && selected[0].index == target.row) return true;
    if (FAILED(view.SelectRows({target.row}))) return Fail(L"the item could not be selected");
    return true;
}

// Commands --------------------------------------------------------------------------------------------------

bool CSession::CmdExpand(const Words& words) {
    if (words.size() != 2) return Fail(L"expand needs one PATH");
    Target target;
    if (!Resolve(words[1], &target, true)) return false;
    if (target.isRow) return Fail(Quoted(words[1]) + L" is an item of a list and has nothing to expand");
    return true;
}

bool CSession::CmdSelect(const Words& words) {
    if (words.size() != 2) return Fail(L"select needs one PATH");
    Target target;
    return Resolve(words[1], &target, false) && SelectTarget(target);
}

void CSession::PrintTree(HSCOPEITEM item, int depth) {
    Print(std::wstring(depth * 2, L' ') + m_console.DisplayName(item));
    for (HSCOPEITEM child : m_console.Children(item))
        PrintTree(child, depth + 1);
}

bool CSession::CmdTree(const Words& words) {
    if (words.size() > 2) return Fail(L"tree takes at most one PATH");
    if (words.size() == 2) {
        Target target;
        if (!Resolve(words[1], &target, false)) return false;
        if (target.isRow) return Fail(Quoted(words[1]) + L" is an item of a list, not of the tree");
        PrintTree(target.scope, 0);
        return true;
    }
    for (HSCOPEITEM root : m_console.Roots())
        PrintTree(root, 0);
    return true;
}

bool CSession::CmdList(const Words& words) {
    if (words.size() > 2) return Fail(L"list takes at most one PATH");
    Console::CView& view = m_console.View();
    if (words.size() == 2) {
        Target target;
        if (!Resolve(words[1], &target, false)) return false;
        if (target.isRow) return Fail(Quoted(words[1]) + L" is an item of a list and has no list of its own");
        if (!SelectTarget(target)) return false;
    }
    switch (view.ResultPane()) {
    case Pane::None:
        return Fail(L"no item is selected");
    case Pane::Message:
        Print(L"title: " + OneLine(view.Message().title));
        Print(L"body: " + OneLine(view.Message().body));
        return true;
    case Pane::Custom:
        Print(L"view: " + view.ViewType());
        return true;
    case Pane::List:
        break;
    }
    std::vector<int> columns = view.VisibleColumns();
    const auto& titles = view.List().Columns();
    if (!columns.empty()) {
        std::wstring header;
        for (size_t i = 0; i < columns.size(); ++i)
            header += (i ? L"\t" : L"") + titles[columns[i]].title;
        Print(header);
    }
    if (columns.empty()) columns.push_back(0); // a list without columns still shows its names
    int count = view.List().RowCount();
    view.PrepareRows(0, count - 1);
    for (int index = 0; index < count && index < view.List().RowCount(); ++index) {
        CRow row = view.List().RowAt(index);
        std::wstring line;
        for (size_t i = 0; i < columns.size(); ++i)
            line += (i ? L"\t" : L"") + OneLine(view.CellText(row, columns[i]));
        Print(line);
    }
    return true;
}

bool CSession::CmdStatus(const Words& words) {
    if (words.size() != 1) return Fail(L"status takes no arguments");
    const Console::CStatusBar& status = m_console.View().Status();
    Print(status.left);
    if (status.progress >= 0) Print(L"progress: " + std::to_wstring(status.progress) + L"%");
    if (!status.middle.empty()) Print(status.middle);
    if (!status.right.empty()) Print(status.right);
    return true;
}

bool CSession::CmdMenu(const Words& words) {
    if (words.size() != 2) return Fail(L"menu needs one PATH");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    std::unique_ptr<Console::CContextMenu> menu;
    if (FAILED(m_console.View().BuildContextMenu(&menu))) return Fail(L"the item has no context menu");
    for (const Console::CMenuItem* item : menu->InMenuOrder())
        Print(std::wstring(GroupName(item->group)) + L"\t" + item->ShownName() + L"\t" +
              OneLine(item->status));
    return true;
}

bool CSession::CmdRun(const Words& words) {
    if (words.size() != 3) return Fail(L"run needs a PATH and the name of a menu item");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    Console::CView& view = m_console.View();
    std::unique_ptr<Console::CContextMenu> menu;
    if (FAILED(view.BuildContextMenu(&menu))) return Fail(L"the item has no context menu");
    const Console::CMenuItem* item = menu->FindCommand(words[2]);
    if (!item) return Fail(L"the menu of " + Quoted(words[1]) + L" has no item " + Quoted(words[2]));
    if (!item->IsEnabled()) return Fail(L"the menu item " + Quoted(words[2]) + L" is disabled");
    view.RunMenuCommand(*menu, *item); // what the command does is the snap-in's business
    return true;
}

bool CSession::CmdVerbs(const Words& words) {
    if (words.size() != 2) return Fail(L"verbs needs one PATH");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    const Console::CVerbState& verbs = m_console.View().Verbs();
    for (int verb = MMC_VERB_FIRST; verb < MMC_VERB_MAX; ++verb) {
        auto id = static_cast<MMC_CONSOLE_VERB>(verb);
        if (!verbs.IsAvailable(id)) continue;
        Print(std::wstring(Console::VerbName(id)) + (verbs.defaultVerb == id ? L" *" : L""));
    }
    return true;
}

bool CSession::CmdVerb(const Words& words, MMC_CONSOLE_VERB verb) {
    const std::wstring name = Console::VerbName(verb);
    if (words.size() != 2) return Fail(name + L" needs one PATH");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    Console::CView& view = m_console.View();
    if (!view.Verbs().IsAvailable(verb)) {
        const wchar_t* why = verb == MMC_VERB_DELETE    ? L" cannot be deleted"
                             : verb == MMC_VERB_REFRESH ? L" cannot be refreshed"
                                                        : L" has no properties to show";
        return Fail(Quoted(words[1]) + why);
    }
    view.InvokeVerb(verb); // what the snap-in does about it is its own business
    return true;
}

bool CSession::CmdRename(const Words& words) {
    if (words.size() != 3) return Fail(L"rename needs a PATH and the new name");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    Console::CView& view = m_console.View();
    if (!view.Verbs().IsAvailable(MMC_VERB_RENAME)) return Fail(Quoted(words[1]) + L" cannot be renamed");
    view.Rename(words[2]); // a refusal is the snap-in's answer, not a failure of the console
    return true;
}

bool CSession::CmdAnswer(const Words& words) {
    if (words.size() < 2) return Fail(L"answer needs yes, no, ok or cancel");
    std::vector<int> answers;
    for (size_t i = 1; i < words.size(); ++i) {
        const Answer* found = nullptr;
        for (const Answer& answer : kAnswers)
            if (words[i] == answer.word) found = &answer;
        if (!found) return Fail(Quoted(words[i]) + L" is not an answer: use yes, no, ok or cancel");
        answers.push_back(found->id);
    }
    std::lock_guard guard(m_answerLock);
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
    return true;
}

// What the console shows a person -------------------------------------------------------------------------

int CSession::MessageBox(HWND, const wchar_t* text, const wchar_t* caption, UINT type) {
    Print(L"msgbox: " + OneLine(caption) + L": " + OneLine(text));
    std::vector<int> buttons = Buttons(type);
    auto has = [&](int id) { return std::find(buttons.begin(), buttons.end(), id) != buttons.end(); };
    // With nothing queued a box answers No, else OK, else its first button.
    int fallback = has(IDNO) ? IDNO : has(IDOK) ? IDOK : buttons.front();
    std::lock_guard guard(m_answerLock);
    if (m_answers.empty()) return fallback;
    int answer = m_answers.front();
    m_answers.pop_front();
    if (has(answer)) return answer;
    if (m_failure.empty())
        m_failure = L"the answer " + Quoted(AnswerWord(answer)) + L" is not a button of the message box " +
                    Quoted(caption);
    return fallback;
}

bool CSession::CmdTopic(const Words& words) {
    if (words.size() != 2) return Fail(L"topic needs one PATH");
    Target target;
    if (!Resolve(words[1], &target, false) || !SelectTarget(target)) return false;
    // The snap-in shows its topic, or the console its help file: either way HelpShown prints it.
    if (m_console.View().ContextHelp() != S_OK) return Fail(Quoted(words[1]) + L" has no help");
    return true;
}

// The topic, then the title of its page, or that the page is not installed.
void CSession::HelpShown(const std::wstring& topic, const std::wstring& path) {
    Print(L"help: " + topic);
    std::ifstream page(tvp::ToUtf8(path));
    std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    size_t start = html.find("<title>"), end = html.find("</title>");
    if (!page || start == std::string::npos || end == std::string::npos || end < start)
        Print(L"title: (the topic " + path + L" is not installed)");
    else
        Print(L"title: " + tvp::FromUtf8(html.substr(start + 7, end - start - 7)));
}

} // namespace Headless
