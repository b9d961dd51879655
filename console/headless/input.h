// The headless console's input: lines read on a thread of its own and handed to the console's thread
// as messages posted to a hidden window. The console's thread keeps pumping messages while it waits for
// the next command (a worker thread that sends a message to a page never stalls on the console awaiting
// input), and whatever loop it runs dispatches the next command: its own loop, or the modal loop of a
// sheet or dialog that a command opened, so the commands that follow act inside that dialog until it
// closes, and then the command that opened it completes.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>
#include <string>

#include "session.h"

namespace Headless {

// Reads the next line of `in` without its line break, false at the end. A line longer than
// kMaxLineBytes is not read whole: it comes back cut to kMaxLineBytes + 1 bytes (which the session
// refuses), the rest of it skipped, so a huge line costs no more memory than a long one.
bool ReadBoundedLine(std::istream& in, std::string* line);

// Reads `in` to its end on a thread of its own, handing each line to `deliver` and then null. The
// thread owns what it needs, so it may outlive the caller (a read from a terminal that never ends).
void ReadLinesOnThread(std::shared_ptr<std::istream> in, std::function<void(const std::string*)> deliver);

// The hidden window of the headless console: the console's main window, and where command lines
// arrive. Made and run on the console's thread.
class CCommandWindow {
public:
    explicit CCommandWindow(CSession& session);
    ~CCommandWindow();
    CCommandWindow(const CCommandWindow&) = delete;
    CCommandWindow& operator=(const CCommandWindow&) = delete;

    HWND Handle() const { return m_window; }
    // What the input thread posts to; it stays valid after the window has gone, and then takes nothing.
    class CMailbox {
    public:
        // From any thread: hands a line to the console's thread; null ends the input.
        void Post(const std::string* line);

    private:
        friend class CCommandWindow;
        std::mutex m_lock;
        HWND m_window = nullptr;
    };
    std::shared_ptr<CMailbox> Mailbox() const { return m_mailbox; }

    // Runs the console's message loop until a command says quit or the input ends.
    void Run();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Asks for RunNext once whatever is queued now has been handled (two posted steps, so the
    // messages a line or an opening dialog posted come first). At most one request is on its way.
    void Kick();
    // Runs the next line when the session may take it; at the end of the input, once every line has
    // run, cancels the dialogs that running commands still hold open and then ends the loop.
    void RunNext();

    CSession& m_session;
    std::deque<std::string> m_lines; // arrived, not yet run
    std::atomic<bool> m_kickPending{false};
    bool m_inputEnded = false;
    bool m_quitPosted = false;
    HWND m_window = nullptr;
    std::shared_ptr<CMailbox> m_mailbox = std::make_shared<CMailbox>();
};

} // namespace Headless
