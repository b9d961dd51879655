// The headless console: the command language with which tests, scripts and administrators drive the
// console. One command per line; every command prints what it shows and then "ok" or "error: <why>".
// The session runs on the console's thread; message boxes may come from any thread and print through
// the same output.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "console.h"
#include "tvfrontend.h"

namespace Headless {

// Splits a command line into its words: blanks separate them, "double quotes" keep blanks inside one,
// '#' outside quotes starts a comment, and a backslash is an ordinary character. False (with the reason)
// for an unterminated quote.
bool SplitCommandLine(const std::string& line, std::vector<std::string>* words, std::string* problem);

// Where the session gets its next line. Returns false at the end of the input.
using LineReader = std::function<bool(std::string* line)>;

class CSession : public ITvFrontEnd, public Console::IConsoleEvents {
public:
    CSession(Console::CConsole& console, std::ostream& out);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Runs commands read from `next` until it ends or a command says quit, all on this thread. The
    // program itself runs them through its window's message loop (input.h), so that dialogs work.
    void Run(const LineReader& next);
    // Runs one line; false when it asked to quit.
    bool Execute(const std::string& line);

    bool AnyFailed() const { return m_anyFailed; }
    bool QuitRequested() const { return m_quit; }

    // ITvFrontEnd: a message box prints itself and takes the next queued answer.
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;
    // Console::IConsoleEvents.
    void HelpShown(const std::wstring& topic, const std::wstring& path) override;

private:
    struct Target;
    using Words = std::vector<std::wstring>;

    void Print(const std::wstring& line);
    bool Fail(const std::wstring& why);
    bool Dispatch(const Words& words);

    bool Resolve(const std::wstring& path, Target* target, bool expandLast);
    bool SelectTarget(const Target& target);

    bool CmdExpand(const Words& words);
    bool CmdSelect(const Words& words);
    bool CmdTree(const Words& words);
    bool CmdList(const Words& words);
    bool CmdStatus(const Words& words);
    bool CmdMenu(const Words& words);
    bool CmdRun(const Words& words);
    bool CmdVerbs(const Words& words);
    bool CmdVerb(const Words& words, MMC_CONSOLE_VERB verb);
    bool CmdRename(const Words& words);
    bool CmdAnswer(const Words& words);

    void PrintTree(HSCOPEITEM item, int depth);

    Console::CConsole& m_console;
    std::ostream& m_out;
    std::mutex m_outLock;
    std::mutex m_answerLock;
    std::deque<int> m_answers;
    std::wstring m_failure; // why the running command fails; a message box may set it from any thread
    bool m_anyFailed = false;
    bool m_quit = false;
    ITvFrontEnd* m_previousFrontEnd = nullptr;
};

} // namespace Headless
