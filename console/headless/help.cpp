// The headless console describing itself (`help`, --help) and checking what it shows (`expect`).
#include <iomanip>
#include <sstream>

#include "session.h"
#include "text.h"
#include "tvplatform.h"

namespace Headless {

namespace {

struct CommandHelp {
    const wchar_t* name;
    const wchar_t* arguments;
    const wchar_t* summary;
};

// Every command the session dispatches, in the order a newcomer meets them.
const CommandHelp kCommands[] = {
    {L"tree", L"[PATH]", L"prints the inserted scope items under PATH, two blanks of indent per level"},
    {L"expand", L"PATH", L"expands every scope item along PATH"},
    {L"select", L"PATH", L"selects a scope item and shows its result pane"},
    {L"list", L"[PATH]", L"selects PATH if given, then prints the result pane"},
    {L"status", L"", L"prints the status-bar text"},
    {L"menu", L"PATH", L"prints the context-menu items of the item: group, name, status text"},
    {L"run", L"PATH ITEM", L"chooses that context-menu item"},
    {L"verbs", L"PATH", L"prints the enabled verbs, the default one marked *"},
    {L"refresh", L"PATH", L"refreshes the item"},
    {L"delete", L"PATH", L"deletes the item"},
    {L"rename", L"PATH NEWNAME", L"renames the item"},
    {L"properties", L"PATH", L"opens the item's property sheet, which stays open until ok or cancel"},
    {L"answer", L"yes|no|ok|cancel ...", L"queues answers for the next message boxes"},
    {L"file", L"PATH|cancel", L"queues the answer of the next open or save dialog"},
    {L"show", L"", L"prints the open sheet or dialog: title, page, buttons, then one line per control"},
    {L"set", L"ID TEXT", L"types TEXT into an edit or combo box"},
    {L"click", L"ID", L"clicks a button"},
    {L"check", L"ID", L"ticks a check box or radio button unless it is ticked"},
    {L"uncheck", L"ID", L"clears a check box unless it is clear"},
    {L"choose", L"ID TEXT|#N", L"selects an entry of a combo box or list, by text or by index"},
    {L"pick", L"ID TEXT ...", L"selects exactly those list entries"},
    {L"time", L"ID HH:MM:SS [YYYY-MM-DD]", L"sets a date-time picker"},
    {L"next", L"", L"presses Next on the open wizard"},
    {L"back", L"", L"presses Back on the open wizard"},
    {L"finish", L"", L"presses Finish on the open wizard"},
    {L"cancel", L"", L"presses Cancel on the open sheet or dialog"},
    {L"apply", L"", L"presses Apply on the open property sheet"},
    {L"ok", L"", L"presses OK on the open sheet or dialog"},
    {L"tab", L"N|TITLE", L"shows another page of the open property sheet"},
    {L"wait", L"[SECONDS]", L"waits until the open wizard moves to another page or closes (default 60)"},
    {L"expect", L"TEXT", L"fails unless the open dialog, or with none open the last output, shows TEXT"},
    {L"topic", L"PATH", L"asks the item for its help as F1 does; prints help: <topic> and its title"},
    {L"screenshot", L"FILE", L"(desktop window) writes a PNG of the main window or of the open dialog"},
    {L"help", L"[COMMAND]", L"lists the commands, or explains one"},
    {L"quit", L"", L"closes the console"},
};

std::wstring Usage(const CommandHelp& command) {
    std::wstring usage = command.name;
    if (*command.arguments) usage += std::wstring(L" ") + command.arguments;
    return usage;
}

} // namespace

void PrintCommandHelp(std::ostream& out) {
    out << "Commands, one per line; \"double quotes\" keep blanks in an argument (\"\" inside them is one "
           "quote), # starts a comment.\nA PATH names an item by its display names from the root, joined "
           "by /. Every command ends with a line ok or error: <why>.\n";
    for (const CommandHelp& command : kCommands)
        out << "  " << std::left << std::setw(34) << tvp::ToUtf8(Usage(command)) << tvp::ToUtf8(command.summary)
            << '\n';
}

bool CSession::CmdHelp(const Words& words) {
    if (words.size() > 2) return Fail(L"help takes at most one COMMAND");
    if (words.size() == 1) {
        std::ostringstream text;
        PrintCommandHelp(text);
        std::wstring all = tvp::FromUtf8(text.str());
        for (size_t start = 0, end; start < all.size(); start = end + 1) {
            end = all.find(L'\n', start);
            Print(all.substr(start, end - start));
        }
        return true;
    }
    for (const CommandHelp& command : kCommands)
        if (words[1] == command.name) {
            Print(Usage(command));
            Print(std::wstring(L"  ") + command.summary);
            return true;
        }
    return Fail(L"there is no command " + Quoted(words[1]) + L"; help lists them");
}

bool CSession::CmdExpect(const Words& words) {
    if (words.size() != 2) return Fail(L"expect needs one TEXT");
    const std::wstring& wanted = words[1];
    if (!InnermostDialog()) {
        std::wstring last;
        {
            std::lock_guard guard(m_outLock);
            last = m_lastOutput;
        }
        if (last.find(wanted) != std::wstring::npos) return true;
        return Fail(L"the last output does not show " + Quoted(wanted));
    }
    // What `show` would print of the open dialog.
    std::wstring shown;
    {
        std::lock_guard guard(m_outLock);
        m_capture = &shown;
        m_captureThread = std::this_thread::get_id();
    }
    bool read = CmdShow({L"show"});
    {
        std::lock_guard guard(m_outLock);
        m_capture = nullptr;
    }
    if (!read) return false;
    if (shown.find(wanted) != std::wstring::npos) return true;
    return Fail(L"the open dialog does not show " + Quoted(wanted));
}

} // namespace Headless
