// The headless console: the command language with which tests, scripts and administrators drive the
// console. One command per line; every command prints what it shows and then "ok" or "error: <why>".
// The session runs on the console's thread; message boxes may come from any thread and print through
// the same output.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "console.h"
#include "tvinput.h"
#include "tvfrontend.h"

namespace Headless {

// Splits a command line into its words: blanks separate them, "double quotes" keep blanks inside one,
// a '#' that begins a word starts a comment (unless a digit follows: "#3" names an entry by its index),
// and a backslash is an ordinary character. False (with the reason) for an unterminated quote.
bool SplitCommandLine(const std::string& line, std::vector<std::string>* words, std::string* problem);

// The longest command line taken; a longer one is refused (the reader keeps one byte more of it, so
// that the refusal can tell it from a line that fits).
constexpr size_t kMaxLineBytes = 1024 * 1024;

// Prints the commands with their arguments, one line each (the `help` command and --help).
void PrintCommandHelp(std::ostream& out);

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
    // Runs one line; false when it asked to quit. A line may run inside another one that is still
    // running: a command that opened a modal dialog or wizard runs its modal loop, and the lines that
    // follow act in that dialog until it closes; then the command that opened it completes.
    bool Execute(const std::string& line);
    // Whether the next line may run now: nothing runs, or the running command has opened a dialog or
    // sheet that is still open (and no `wait` is pumping). Otherwise the line waits its turn.
    bool ReadyForLine();
    // The input ended, or quit was asked for, while commands still run inside dialogs they opened:
    // cancels the innermost such dialog, as a person closing it would, so that those commands complete.
    // The end of the input with a dialog open is a failure of the script. False when no dialog of a
    // running command is open, or the one that is did not close when it was cancelled before.
    bool CancelInnermostDialog();
    // Called whenever a dialog or sheet opens or closes, on the thread that owns it.
    void SetDialogsChanged(std::function<void()> changed);
    // A command a front end adds to the language (the desktop window's `screenshot`): it gets the
    // command's words and returns false with the reason when it fails.
    using Command = std::function<bool(const std::vector<std::wstring>& words, std::wstring* why)>;
    void AddCommand(const std::wstring& name, Command command);
    // Called on the console's thread after each command has run, for a front end that draws its effects.
    void SetCommandRan(std::function<void()> ran) { m_commandRan = std::move(ran); }

    // With stop-on-error, the first command that fails ends the run as quit does.
    void SetStopOnError(bool stop) { m_stopOnError = stop; }
    bool AnyFailed() const { return m_anyFailed; }
    bool QuitRequested() const { return m_quit; }

    // ITvFrontEnd: a message box prints itself and takes the next queued answer.
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;
    // ITvFrontEnd: a file dialog prints itself and takes the next answer queued with `file`.
    bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) override;
    // ITvFrontEnd: which dialogs and sheets are open, and when a `wait` is over.
    void WindowChanged(HWND window, UINT change) override;
    // Console::IConsoleEvents.
    void HelpShown(const std::wstring& topic, const std::wstring& path) override;
    // Console::IConsoleEvents: the sheet becomes the innermost, as a window brought to the front.
    void SheetBroughtForward(HWND sheet) override;

private:
    struct Target;
    using Words = std::vector<std::wstring>;

    void Print(const std::wstring& line);
    bool Fail(const std::wstring& why);
    void Failed(const std::wstring& why); // prints the error line of a command that failed
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
    bool CmdHelp(const Words& words);
    bool CmdExpect(const Words& words);
    bool CmdTopic(const Words& words);

    // Dialogs and property sheets (dialogs.cpp).
    struct OpenDialog {
        HWND window = nullptr;
        uint64_t serial = 0;    // order of opening
        uint64_t changes = 0;   // page changes, for `wait`
        bool cancelled = false; // by the end of the input
    };
    void Track(HWND window, UINT change); // under m_dialogLock
    HWND InnermostDialog();
    bool FindDialog(HWND* dialog);
    bool FindControl(const std::wstring& idText, HWND* control);
    bool PressButton(const std::wstring& name);
    bool CmdShow(const Words& words);
    bool CmdSet(const Words& words);
    bool CmdClick(const Words& words, int wantChecked);
    bool CmdChoose(const Words& words);
    bool CmdPick(const Words& words);
    bool CmdTime(const Words& words);
    bool CmdTab(const Words& words);
    bool CmdWait(const Words& words);
    bool CmdFile(const Words& words);
    void PrintControl(const tvp::WindowState& state);

    void PrintTree(HSCOPEITEM item, int depth);

    Console::CConsole& m_console;
    std::ostream& m_out;
    std::mutex m_outLock;
    std::wstring m_lastOutput;               // what the last command printed, for `expect`
    std::wstring* m_capture = nullptr;       // set while `expect` reads the open dialog
    std::thread::id m_captureThread;         // lines from other threads still go out
    std::mutex m_answerLock;
    std::deque<int> m_answers;
    std::deque<std::wstring> m_fileAnswers; // paths; empty for cancel
    std::mutex m_dialogLock;
    std::vector<OpenDialog> m_dialogs; // shown top-level dialogs and sheets, in the order they opened
    uint64_t m_openSerial = 0;
    std::vector<uint64_t> m_running; // for each running command, the last dialog serial when it began
    bool m_waiting = false;
    std::function<void()> m_dialogsChanged;
    std::map<std::wstring, Command> m_extraCommands;
    std::function<void()> m_commandRan;
    std::wstring m_failure; // why the running command fails; a message box may set it from any thread
    bool m_anyFailed = false;
    bool m_quit = false;
    bool m_stopOnError = false;
    ITvFrontEnd* m_previousFrontEnd = nullptr;
};

} // namespace Headless
