// The input thread and the hidden window its lines are posted to.
#include "input.h"

#include <thread>

namespace Headless {

namespace {

const UINT kCommandMessage = WM_APP + 0x100; // lParam: a std::string the receiver deletes
const UINT kEndOfInputMessage = WM_APP + 0x101;
const wchar_t kClassName[] = L"TavroskHeadlessConsole";

} // namespace

void ReadLinesOnThread(std::shared_ptr<std::istream> in, std::function<void(const std::string*)> deliver) {
    std::thread([in = std::move(in), deliver = std::move(deliver)] {
        std::string line;
        while (std::getline(*in, line))
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
    std::lock_guard guard(m_mailbox->m_lock);
    m_mailbox->m_window = m_window;
}

CCommandWindow::~CCommandWindow() {
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

LRESULT CALLBACK CCommandWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CCommandWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == kCommandMessage) {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        if (!self || self->m_session.QuitRequested()) return 0;
        self->m_session.Execute(*line);
        if (self->m_session.QuitRequested()) PostQuitMessage(0);
        return 0;
    }
    if (message == kEndOfInputMessage) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace Headless
