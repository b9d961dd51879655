// What the window tests share: a window class that records the messages it gets, and a dialog
// procedure that records the notifications its controls send.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "tvinput.h"
#include "windows.h"

namespace wintest {

struct Record {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD thread;
};

// Messages seen by windows of the "Recorder" class, from every thread.
class Recorder {
public:
    static Recorder& Get() {
        static Recorder recorder;
        return recorder;
    }
    void Add(const Record& record) {
        std::lock_guard guard(lock_);
        records_.push_back(record);
    }
    std::vector<Record> Take() {
        std::lock_guard guard(lock_);
        return std::exchange(records_, {});
    }
    // The messages (of the given kind, 0 for all) that a window got.
    std::vector<UINT> MessagesOf(HWND hwnd) {
        std::lock_guard guard(lock_);
        std::vector<UINT> messages;
        for (const Record& r : records_)
            if (r.hwnd == hwnd) messages.push_back(r.message);
        return messages;
    }

    // What a recording window answers to WM_APP messages: their wParam plus one.
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        Get().Add({hwnd, message, wParam, lParam, GetCurrentThreadId()});
        if (message == WM_APP) return static_cast<LRESULT>(wParam + 1);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

private:
    std::mutex lock_;
    std::vector<Record> records_;
};

inline LPCWSTR RecorderClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Recorder::Proc;
        wc.cbWndExtra = 2 * sizeof(LONG_PTR);
        wc.lpszClassName = L"Recorder";
        return RegisterClassExW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return L"Recorder";
}

inline HWND MakeWindow(HWND parent = nullptr, DWORD style = WS_POPUP, int id = 0) {
    return CreateWindowExW(0, RecorderClass(), L"", style, 0, 0, 100, 50, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

// A notification a control sent to its dialog: WM_COMMAND (code, id) or WM_NOTIFY (code, id).
struct Notification {
    UINT message;
    int code;
    int id;
    bool operator==(const Notification&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notification& n) {
    return out << (n.message == WM_COMMAND ? "WM_COMMAND" : "WM_NOTIFY") << "(" << n.code << ", " << n.id
               << ")";
}

// Collects the notifications of a modeless dialog made from the test program's own templates.
class DialogHost {
public:
    explicit DialogHost(int templateId, HWND parent = nullptr) {
        dialog_ = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(templateId), parent, Proc,
                                     reinterpret_cast<LPARAM>(this));
    }
    ~DialogHost() {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
    }
    HWND get() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    std::vector<Notification> Take() { return std::exchange(notifications_, {}); }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<DialogHost*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) return FALSE;
        if (message == WM_COMMAND) {
            self->notifications_.push_back({WM_COMMAND, HIWORD(wParam), LOWORD(wParam)});
            return TRUE;
        }
        if (message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            self->notifications_.push_back(
                {WM_NOTIFY, static_cast<int>(header->code), static_cast<int>(header->idFrom)});
            return TRUE;
        }
        return FALSE;
    }
    HWND dialog_;
    std::vector<Notification> notifications_;
};

inline std::wstring TextOf(HWND hwnd) {
    WCHAR buffer[512];
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

} // namespace wintest
