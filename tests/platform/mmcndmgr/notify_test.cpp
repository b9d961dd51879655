// Notify handles as the console and a snap-in's pages use them: a change and a release arrive as
// messages posted to the handle's window, in the order they were sent; a withdrawn handle, or one whose
// window is gone, fails with E_INVALIDARG and posts nothing. (The console's tests send changes from
// other threads and through freed handles.)
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "mmc.h"
#include "tvmmc.h"

namespace {

const UINT kChanged = WM_APP + 1;
const UINT kFreed = WM_APP + 2;

using Posted = std::tuple<UINT, WPARAM, LPARAM>;

// A window that keeps what was posted to it.
class Receiver {
public:
    Receiver() {
        static const bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = Procedure;
            windowClass.lpszClassName = L"NotifyReceiver";
            return RegisterClassExW(&windowClass) != 0;
        }();
        EXPECT_TRUE(registered);
        window = CreateWindowExW(0, L"NotifyReceiver", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Receiver() {
        if (IsWindow(window)) DestroyWindow(window);
    }
    static void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }

    HWND window = nullptr;
    std::vector<Posted> posted;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && (message == kChanged || message == kFreed)) {
            self->posted.emplace_back(message, wParam, lParam);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

TEST(NotifyHandle, AChangeAndTheReleaseArrivePostedInTheOrderTheyWereSent) {
    Receiver receiver;
    LONG_PTR handle = TvCreateNotifyHandle(receiver.window, kChanged, kFreed);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 10), S_OK);
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 11), S_OK);
    EXPECT_EQ(MMCFreeNotifyHandle(handle), S_OK);
    EXPECT_TRUE(receiver.posted.empty()) << "posted, never delivered inside the call";
    Receiver::Pump();
    EXPECT_EQ(receiver.posted, (std::vector<Posted>{{kChanged, static_cast<WPARAM>(handle), 10},
                                                    {kChanged, static_cast<WPARAM>(handle), 11},
                                                    {kFreed, static_cast<WPARAM>(handle), 0}}));
}

TEST(NotifyHandle, AWindowsHandlesAreWithdrawnTogetherWithoutPosting) {
    Receiver first, second;
    LONG_PTR a = TvCreateNotifyHandle(first.window, kChanged, kFreed);
    LONG_PTR b = TvCreateNotifyHandle(first.window, kChanged, kFreed);
    LONG_PTR c = TvCreateNotifyHandle(second.window, kChanged, kFreed);
    TvFreeNotifyHandles(first.window);
    EXPECT_EQ(MMCPropertyChangeNotify(a, 1), E_INVALIDARG);
    EXPECT_EQ(MMCFreeNotifyHandle(b), E_INVALIDARG);
    EXPECT_EQ(MMCPropertyChangeNotify(c, 2), S_OK) << "another window's handles stay";
    Receiver::Pump();
    EXPECT_TRUE(first.posted.empty());
    EXPECT_EQ(second.posted, (std::vector<Posted>{{kChanged, static_cast<WPARAM>(c), 2}}));
    MMCFreeNotifyHandle(c);
}

TEST(NotifyHandle, OnlyAWindowGetsHandlesAndAGoneWindowsHandleFails) {
    EXPECT_EQ(TvCreateNotifyHandle(nullptr, kChanged, kFreed), 0);
    Receiver receiver;
    LONG_PTR handle = TvCreateNotifyHandle(receiver.window, kChanged, kFreed);
    DestroyWindow(receiver.window);
    EXPECT_EQ(TvCreateNotifyHandle(receiver.window, kChanged, kFreed), 0);
    EXPECT_EQ(MMCPropertyChangeNotify(handle, 1), E_INVALIDARG) << "nothing can be posted to it";
    EXPECT_EQ(MMCFreeNotifyHandle(handle), S_OK);
}

} // namespace
