// The one interface through which the platform reaches a person: the console's front end (desktop or
// headless) installs it; with none installed, message boxes answer their default button, so library
// code and its tests run without any front end.
#pragma once

#include "windef.h"

struct ITvFrontEnd {
    // Shows a message box and returns the IDxxx of the button the person chose. It is called on the
    // thread that called MessageBoxW, which may be any thread. The caption is the box's title and never
    // null: a box given none has the documented title "Error".
    virtual int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) = 0;

protected:
    ~ITvFrontEnd() = default;
};

// Installs the front end for the whole process (nullptr removes it); returns the previous one. The
// caller keeps the front end alive until it is removed and no message box is still asking it.
WINUSERAPI ITvFrontEnd* WINAPI TvSetFrontEnd(ITvFrontEnd* frontEnd);
WINUSERAPI ITvFrontEnd* WINAPI TvGetFrontEnd(void);
