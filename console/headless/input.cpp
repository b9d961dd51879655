// The input thread and the hidden window its lines are posted to.
#include "input.h"

#include <limits>
#include <thread>
#include <vector>

namespace Headless {

namespace {

const UINT kCommandMessage = WM_APP + 0x100; // lParam: a std::string the receiver deletes
const UINT kEndOfInputMessage = WM_APP + 0x101;
const UINT kRunNextMessage = WM_APP + 0x102;
const wchar_t kClassName[] = L"TavroskHeadlessConsole";

} // namespace

bool ReadBoundedLine(std::istream& in, std::string* line) {
    // One byte more than a line may hold, and one for the terminator getline writes.
    thread_local std::vector<char> buffer(kMaxLineBytes + 2);
    in.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    std::streamsize taken = in.gcount();
    if (taken == 0 && (in.eof() || in.bad())) return false;
    if (in.fail() && !in.eof() && !in.bad()) {
        // The buffer filled before the line ended: keep what marks it too long, skip the rest.
        line->assign(buffer.data(), kMaxLineBytes + 1);
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        return true;
    }
    // taken counts the line break that getline consumed but did not store.
    size_t length = static_cast<size_t>(taken);
    if (length > 0 && !in.eof()) --length;
    line->assign(buffer.data(), length);
    in.clear(in.rdstate() & std::ios::eofbit);
    return true;
}

void ReadLinesOnThread(std::shared_ptr<std::istream> in, std::function<void(const std::string*)> deliver) {
    std::thread([in = std::move(in), deliver = std::move(deliver)] {
        std::string line;
        while (ReadBoundedLine(*in, &line))
            deliver(&line);
        deliver(nullptr);
    }).detach();
}

void CCommandWindow::CMailbox::Post(const std::string* line) {
    std::lock_guard guard(m_lock);
    if (!m_window) return; // the console has closed: nothing more is taken
    if (!line) {
        PostMessageW(m_window, kEndOfInputMessage, 0, 0);
        return;
    }
    auto* copy = new std::string(*line);
    if (!PostMessageW(m_window, kCommandMessage, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

CCommandWindow::CCommandWindow(CSession& session) : m_session(session) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // a second window in the process finds the class registered
    // Hidden and top-level: it owns the sheets and dialogs the snap-in opens from the console.
    m_window = CreateWindowExW(0, kClassName, L"Korvath Console", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480,
                               nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // A dialog that opens inside a running line may take the next line; one that closes may end it.
    m_session.SetDialogsChanged([this] { Kick(); });
    std::lock_guard guard(m_mailbox->m_lock);
    m_mailbox->m_window = m_window;
}

CCommandWindow::~CCommandWindow() {
    m_session.SetDialogsChanged(nullptr);
    {
        std::lock_guard guard(m_mailbox->m_lock);
        m_mailbox->m_window = nullptr;
    }
    // Lines that came after the last command run are dropped with their copies.
    MSG message;
    while (PeekMessageW(&message, m_window, kCommandMessage, kCommandMessage, PM_REMOVE))
        delete reinterpret_cast<std::string*>(message.lParam);
    DestroyWindow(m_window);
}

void CCommandWindow::Run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void CCommandWindow::Kick() {
    if (!m_kickPending.exchange(true)) PostMessageW(m_window, kRunNextMessage, 0, 0);
}

void CCommandWindow::RunNext() {
    if (m_quitPosted || !m_session.ReadyForLine()) return;
    if (!m_lines.empty() && !m_session.QuitRequested()) {
        std::string line = std::move(m_lines.front());
        m_lines.pop_front();
        Kick(); // on its way while the line runs: a dialog the line opens takes the next line
        m_session.Execute(line);
        Kick();
        return;
    }
    if (!m_inputEnded && !m_session.QuitRequested()) return;
    if (m_session.CancelInnermostDialog()) {
        Kick();
        return;
    }
    // Nothing is left to run, or a dialog would not close: the loops end, modal ones first.
    m_quitPosted = true;
    PostQuitMessage(0);
}

LRESULT CALLBACK CCommandWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CCommandWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case kCommandMessage: {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        self->m_lines.push_back(std::move(*line));
        self->Kick();
        return 0;
    }
    case kEndOfInputMessage:
        self->m_inputEnded = true;
        self->Kick();
        return 0;
    case kRunNextMessage:
        if (wParam == 0) {
            PostMessageW(window, kRunNextMessage, 1, 0); // after what is queued now
            return 0;
        }
        self->m_kickPending = false;
        self->RunNext();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace Headless
