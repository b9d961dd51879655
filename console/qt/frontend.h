// The desktop window's side of the platform's front-end interface: the platform's message loops on the
// window's thread run inside Qt's event loop and the other way round, message boxes and file dialogs are
// asked of the person (or of the script, when one runs), and every dialog or sheet the platform opens is
// drawn by a dialog view that the platform's news keeps up to date.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <map>
#include <vector>

#include "console.h"
#include "dialogview.h"
#include "session.h"
#include "tvfrontend.h"

namespace Desktop {

class CMainWindow;

class CFrontEnd : public ITvFrontEnd, public Console::IConsoleEvents {
public:
    // With a script session, message boxes and file dialogs take the script's queued answers and the
    // session hears of the dialogs as the headless console does.
    CFrontEnd(Console::CConsole& console, CMainWindow& window, Headless::CSession* script);
    ~CFrontEnd();

    // The innermost dialog view that is shown, or null.
    CDialogView* FrontDialog() const;
    // Handles the messages queued for the window's thread (unless a platform loop that waits is doing so).
    void Pump();

    // ITvFrontEnd.
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;
    bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) override;
    void WindowChanged(HWND window, UINT change) override;
    void CursorChanged(HCURSOR cursor) override;
    DWORD EventLoopThread() override { return m_thread; }
    void WaitForMessages(DWORD milliseconds) override;
    void MessagesArrived() override;
    // Console::IConsoleEvents.
    void HelpShown(const std::wstring& topic, const std::wstring& path) override;
    void SheetBroughtForward(HWND sheet) override;

private:
    bool OnWindowThread() const;
    void ShowWindowChange(HWND window, UINT change);
    int AskPerson(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

    Console::CConsole& m_console;
    CMainWindow& m_window;
    Headless::CSession* m_script;
    ITvFrontEnd* m_previous = nullptr;
    DWORD m_thread;
    QObject m_receiver; // lives on the window's thread: what other threads' news is queued to
    std::atomic<bool> m_woken{false};
    std::atomic<bool> m_pumpQueued{false};
    int m_waitDepth = 0;
    bool m_waitCursor = false;
    std::vector<std::pair<HWND, QPointer<CDialogView>>> m_views; // in the order they opened
};

} // namespace Desktop
