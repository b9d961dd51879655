// Steps that run inside a modal loop (a property sheet's, a dialog's), each from its own posted message,
// so that whatever the previous step posted (PSM_SETWIZBUTTONS, a worker's PSM_PRESSBUTTON) is handled
// first, as it would be for a person acting on the window.
#pragma once

#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "windows.h"

namespace tvtest {

class Script {
public:
    // A step that answers a truth value runs again later until it answers true: it waits for something
    // to happen. A step that answers nothing runs once.
    class Step {
    public:
        template <class Action, class = std::enable_if_t<!std::is_same_v<std::decay_t<Action>, Step> &&
                                                         std::is_invocable_v<Action&>>>
        Step(Action action) { // implicit, so that a list of lambdas makes a script
            if constexpr (std::is_void_v<std::invoke_result_t<Action&>>)
                run_ = [action = std::move(action)]() mutable {
                    action();
                    return true;
                };
            else
                run_ = [action = std::move(action)]() mutable -> bool { return action(); };
        }
        bool operator()() { return run_(); }

    private:
        std::function<bool()> run_;
    };

    explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.cbWndExtra = sizeof(void*);
            wc.lpszClassName = L"PostedScript";
            return RegisterClassExW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window_ = CreateWindowExW(0, L"PostedScript", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                  nullptr);
        SetWindowLongPtrW(window_, 0, reinterpret_cast<LONG_PTR>(this));
        PostMessageW(window_, WM_APP, 0, 0);
    }
    ~Script() { DestroyWindow(window_); }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    bool Finished() const { return next_ == steps_.size(); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Script*>(GetWindowLongPtrW(hwnd, 0));
        if (message == WM_APP && self && self->next_ < self->steps_.size()) {
            // Let everything already queued run first, then the step.
            if (wParam == 0) {
                PostMessageW(hwnd, WM_APP, 1, 0);
                return 0;
            }
            if (self->steps_[self->next_]()) ++self->next_;
            PostMessageW(hwnd, WM_APP, 0, 0);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    HWND window_;
};

} // namespace tvtest
