// The one interface through which the platform reaches a person: the console's front end (desktop or
// headless) installs it; with none installed, message boxes answer their default button and file
// dialogs are cancelled, so library code and its tests run without any front end.
#pragma once

#include <string>

#include "commdlg.h"
#include "windef.h"

// What happened to a dialog or property sheet (WindowChanged).
#define TVWC_OPENED 1  // a top-level dialog or sheet was shown for the first time
#define TVWC_CLOSED 2  // it was destroyed
#define TVWC_PAGE 3    // a sheet shows another page
#define TVWC_BUTTONS 4 // a sheet's buttons or title changed
#define TVWC_CONTROL 5 // a window's text, check, items, selection, range, image, enabled or visible flag changed

struct ITvFrontEnd {
    // Shows a message box and returns the IDxxx of the button the person chose. It is called on the
    // thread that called MessageBoxW, which may be any thread. The caption is the box's title and never
    // null: a box given none has the documented title "Error".
    virtual int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) = 0;

    // Asks the person for a file to open (save false) or to save; true with the chosen path, false when
    // the person cancels. The request is the caller's OPENFILENAMEW as given (title, initial folder,
    // filter, flags); comdlg32 checks the answer against the flags and may ask again. Called on the
    // thread that opened the dialog.
    virtual bool ChooseFile(const OPENFILENAMEW& request, bool save, std::wstring& path) { return false; }

    // A dialog or sheet changed (TVWC_*), on the thread that owns it: the front end redraws, and the
    // headless one learns which dialog its commands act on and when a `wait` is over.
    virtual void WindowChanged(HWND window, UINT change) {}

    // SetCursor was called (a wait cursor is IDC_WAIT's handle); on the calling thread.
    virtual void CursorChanged(HCURSOR cursor) {}

    // A front end with an event loop of its own (a desktop toolkit's) names the thread it runs on. The
    // platform's message loops on that thread (modal dialogs, wizards, GetMessageW) then wait through
    // WaitForMessages, which keeps the front end's windows answering while a modal loop waits, and the
    // platform calls MessagesArrived whenever a message is posted or sent to that thread. 0: none, the
    // platform waits by itself.
    virtual DWORD EventLoopThread() { return 0; }
    // On EventLoopThread: runs the front end's events until MessagesArrived is called (also when it was
    // called just before) or `milliseconds` have passed (INFINITE: no limit).
    virtual void WaitForMessages(DWORD milliseconds) {}
    // From any thread, with the platform's own locks held: the front end must not call the platform here.
    virtual void MessagesArrived() {}

protected:
    ~ITvFrontEnd() = default;
};

// Installs the front end for the whole process (nullptr removes it); returns the previous one. The
// caller keeps the front end alive until it is removed and no message box is still asking it.
WINUSERAPI ITvFrontEnd* WINAPI TvSetFrontEnd(ITvFrontEnd* frontEnd);
WINUSERAPI ITvFrontEnd* WINAPI TvGetFrontEnd(void);

// For the platform's own libraries: tells the installed front end, if any, that a window changed.
WINUSERAPI void WINAPI TvWindowChanged(HWND window, UINT change);
