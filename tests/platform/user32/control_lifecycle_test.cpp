// The life of a control's state, as every control of user32 and comctl32 runs it: made on WM_NCCREATE,
// handed with each message to the control, released after WM_NCDESTROY, also when the control refuses
// to be made; before it exists, messages get the default answers.
#include <gtest/gtest.h>

#include <vector>

#include "../../../platform/user32/control.h"

namespace {

// A control that counts the states alive and records what its handler saw.
struct Probe {
    static inline int alive = 0;
    static inline std::vector<UINT> seen;
    static inline bool refuseCreate = false;
    Probe() { ++alive; }
    ~Probe() { --alive; }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    int total = 0;
};

LRESULT HandleProbe(HWND hwnd, Probe& state, UINT message, WPARAM wParam, LPARAM lParam) {
    Probe::seen.push_back(message);
    if (message == WM_NCCREATE && Probe::refuseCreate) return FALSE;
    if (message == WM_APP) return state.total += static_cast<int>(wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return u32::RunControl<Probe>(hwnd, message, wParam, lParam, HandleProbe);
}

LPCWSTR Register(LPCWSTR name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = sizeof(void*);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
    return name;
}

HWND MakeProbe() {
    static LPCWSTR name = Register(L"LifecycleProbe", ProbeProc);
    return CreateWindowExW(0, name, L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

class ControlLifecycle : public testing::Test {
protected:
    void SetUp() override {
        Probe::alive = 0;
        Probe::seen.clear();
        Probe::refuseCreate = false;
    }
};

TEST_F(ControlLifecycle, OneStateServesEveryMessageFromNcCreateToNcDestroy) {
    HWND probe = MakeProbe();
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(Probe::alive, 1);
    ASSERT_FALSE(Probe::seen.empty());
    EXPECT_EQ(Probe::seen.front(), static_cast<UINT>(WM_NCCREATE))
        << "the handler sets up with the state made";
    wchar_t text[16] = {};
    GetWindowTextW(probe, text, 16);
    EXPECT_STREQ(text, L"probe") << "WM_NCCREATE still reaches DefWindowProcW through the handler";

    EXPECT_EQ(SendMessageW(probe, WM_APP, 2, 0), 2);
    EXPECT_EQ(SendMessageW(probe, WM_APP, 3, 0), 5) << "the same state from one message to the next";

    ASSERT_TRUE(DestroyWindow(probe));
    EXPECT_EQ(Probe::alive, 0);
    EXPECT_EQ(Probe::seen.back(), static_cast<UINT>(WM_NCDESTROY))
        << "the handler releases before the state goes";
}

TEST_F(ControlLifecycle, AControlThatRefusesToBeMadeLeavesNoState) {
    Probe::refuseCreate = true;
    EXPECT_EQ(MakeProbe(), nullptr);
    EXPECT_EQ(Probe::alive, 0);
    EXPECT_EQ(Probe::seen, (std::vector<UINT>{WM_NCCREATE, WM_NCDESTROY}));
}

TEST_F(ControlLifecycle, MessagesBeforeTheStateGetTheDefaultAnswers) {
    // A window whose bytes hold no state yet, as a control's do before its WM_NCCREATE.
    static LPCWSTR plainClass = Register(L"LifecyclePlain", DefWindowProcW);
    HWND plain =
        CreateWindowExW(0, plainClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);

    EXPECT_EQ(ProbeProc(plain, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"default")), TRUE);
    EXPECT_EQ(ProbeProc(plain, WM_APP, 7, 0), 0);
    EXPECT_EQ(ProbeProc(plain, WM_NCDESTROY, 0, 0), 0);
    wchar_t text[16] = {};
    GetWindowTextW(plain, text, 16);
    EXPECT_STREQ(text, L"default");
    EXPECT_TRUE(Probe::seen.empty()) << "the handler is never called without a state";
    EXPECT_EQ(Probe::alive, 0);
    DestroyWindow(plain);
}

} // namespace
