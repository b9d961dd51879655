// What the files of user32 share: the bytes of a module's resource; the window table, the window
// classes and the threads' message queues, all guarded by one lock; and the helpers of the controls.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control.h"
#include "windows.h"

namespace u32 {

// The bytes of the resource `name` of `type` in `module`; false (with the last error set by the
// resource functions) when the module has no such resource.
bool ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, const BYTE*& data, DWORD& size);

// Windows and queues ----------------------------------------------------------------------------------

struct ThreadQueue;

struct WindowClass {
    std::wstring name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int windows = 0; // windows of the class that exist
};

// What the dialog manager keeps for a window it made from a template.
struct DialogInfo {
    HFONT font = nullptr;      // WM_SETFONT's, which WM_GETFONT answers
    HFONT ownedFont = nullptr; // made from the template; deleted with the dialog
    int baseX = 8, baseY = 16;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabledOwner = nullptr; // the owner a modal dialog disabled, enabled again when it ends
    WORD defId = 0;
    bool opened = false; // the front end was told that it opened
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    std::shared_ptr<ThreadQueue> queue;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    HINSTANCE instance = nullptr;
    std::wstring text;
    HWND parent = nullptr; // for a child window
    HWND owner = nullptr;  // for a top-level window
    std::vector<HWND> children;
    RECT rect{};
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    std::unique_ptr<DialogInfo> dialog;
    bool destroying = false;
};

// A message that a thread sends to a window of another thread, and waits for.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
    std::shared_ptr<ThreadQueue> sender;
};

struct ThreadQueue {
    DWORD thread = 0;
    std::condition_variable wake; // waited on with Lock() held
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit = false;
    int quitCode = 0;
    bool closed = false; // the thread has ended
    HWND focus = nullptr;
    int inSend = 0; // depth of messages from other threads being handled
};

std::mutex& Lock();
// The window named by the handle, while it exists (during its WM_DESTROY and WM_NCDESTROY too); with
// Lock() held.
Window* FindLocked(HWND hwnd);
// The calling thread's queue, made on first use; with Lock() held.
std::shared_ptr<ThreadQueue> CurrentQueueLocked();
// Drops the messages queued for a window that is going away and ends the sends still waiting on it
// with 0; with Lock() held.
void DropMessagesLocked(Window& window);
// Calls the window's procedure on the calling thread; 0 for a handle that names no window.
LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Waits until the calling thread's queue has input (posted or sent messages, or a quit request), or
// the timeout passes; true when there is input.
bool WaitForInput(DWORD milliseconds);
// The windows of a thread go with it: called as the thread ends.
void DestroyThreadWindows(const std::shared_ptr<ThreadQueue>& queue);

// The class a window was made with, by name or atom; with Lock() held.
std::shared_ptr<WindowClass> FindClassLocked(LPCWSTR name);
void RegisterBuiltinClasses(); // the controls and the dialog class
// The dialog manager's part of a window (nullptr for other windows); with Lock() held.
DialogInfo* DialogLocked(HWND hwnd);
// The next (or previous) control of the dialog that takes the focus with the tab key.
HWND NextTabItem(HWND dialog, HWND from, bool previous);

// Controls (what they share with the controls of comctl32 is in control.h) ------------------------------

// Tells the control's parent with WM_COMMAND (notification code, control id, control window).
void NotifyParent(HWND control, WORD code);

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComboProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace u32
