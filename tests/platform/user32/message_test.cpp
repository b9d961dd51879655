// Messages between threads: a send from another thread runs on the window's own thread and waits for
// it; two threads that send to each other do not deadlock; a send to a window destroyed meanwhile
// returns 0 without reaching it; posting to a destroyed window fails; a thread's windows end with it.
// And the queue of one thread: order, filters, quit, and the wait.
#include <atomic>
#include <thread>

#include "dialogs.h"
#include "window_test_support.h"

namespace {

using namespace wintest;

// Pumps the calling thread's queue until `done` holds.
template <class Done> void PumpUntil(Done done) {
    MSG msg;
    while (!done()) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    }
}

TEST(CrossThreadSend, RunsOnTheOwnerThreadAndWaitsUntilItIsHandled) {
    HWND hwnd = MakeWindow();
    Recorder::Get().Take();
    std::atomic<bool> returned{false};
    LRESULT result = 0;
    std::thread worker([&] {
        result = SendMessageW(hwnd, WM_APP, 41, 0);
        returned = true;
    });
    // The message is in this thread's queue; the worker cannot have its answer before we pump.
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_FALSE(returned.load());
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "a sent message is handled, never returned";
    worker.join();
    EXPECT_EQ(result, 42);
    std::vector<Record> records = Recorder::Get().Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].thread, GetCurrentThreadId()) << "the procedure runs on the window's thread";
    DestroyWindow(hwnd);
}

TEST(CrossThreadSend, TwoThreadsSendingToEachOtherBothGetAnswers) {
    HWND mine = MakeWindow();
    std::atomic<HWND> theirs{nullptr};
    std::atomic<bool> stop{false};
    LRESULT workerResult = 0;
    std::thread worker([&] {
        HWND own = MakeWindow();
        theirs = own;
        // While this send waits for the main thread, the main thread sends to this one.
        workerResult = SendMessageW(mine, WM_APP, 9, 0);
        PumpUntil([&] { return stop.load(); });
        DestroyWindow(own);
    });
    while (!theirs.load())
        std::this_thread::yield();
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    // The worker is blocked in its send to us; our send to it is handled inside that wait.
    EXPECT_EQ(SendMessageW(theirs.load(), WM_APP, 99, 0), 100);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    stop = true;
    PostMessageW(theirs.load(), WM_NULL, 0, 0);
    worker.join();
    EXPECT_EQ(workerResult, 10);
    DestroyWindow(mine);
}

TEST(CrossThreadSend, ToAWindowDestroyedBeforeItWasHandledReturnsZeroWithoutReachingIt) {
    HWND hwnd = MakeWindow();
    Recorder::Get().Take();
    LRESULT result = -1;
    std::thread worker([&] { result = SendMessageW(hwnd, WM_APP, 1, 0); });
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    DestroyWindow(hwnd); // without pumping: the message is still queued
    worker.join();
    EXPECT_EQ(result, 0);
    for (const Record& r : Recorder::Get().Take())
        EXPECT_NE(r.message, static_cast<UINT>(WM_APP)) << "the destroyed window never got the message";
    // And afterwards, a send or post from any thread fails at once.
    std::thread late([&] {
        EXPECT_EQ(SendMessageW(hwnd, WM_APP, 1, 0), 0);
        EXPECT_FALSE(PostMessageW(hwnd, WM_APP, 1, 0));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    });
    late.join();
}

TEST(PostMessage, MessagesOfADestroyedWindowAreDroppedAndLaterPostsFail) {
    HWND hwnd = MakeWindow();
    ASSERT_TRUE(PostMessageW(hwnd, WM_APP, 1, 0));
    DestroyWindow(hwnd);
    Recorder::Get().Take();
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the queued message went with its window";
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(hwnd, WM_APP, 1, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Thread, WindowsEndWithTheirThreadAndSendsToThemThenFail) {
    std::atomic<HWND> made{nullptr};
    std::atomic<DWORD> destroyedOn{0};
    std::thread worker([&] {
        made = MakeWindow();
        // Nothing destroys it: the thread's end does.
    });
    worker.join();
    HWND hwnd = made.load();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    for (const Record& r : Recorder::Get().Take())
        if (r.hwnd == hwnd && r.message == WM_DESTROY) destroyedOn = r.thread;
    EXPECT_NE(destroyedOn.load(), 0u) << "the window got WM_DESTROY as its thread ended";
    EXPECT_NE(destroyedOn.load(), GetCurrentThreadId());
    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 1, 0), 0);
}

TEST(Queue, PostedMessagesComeInOrderWithFiltersAndTheQuitRequestLast) {
    HWND hwnd = MakeWindow();
    PostMessageW(hwnd, WM_APP, 1, 0);
    PostMessageW(nullptr, WM_APP + 1, 2, 0); // to the thread
    PostMessageW(hwnd, WM_APP + 2, 3, 0);
    PostQuitMessage(7);

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP + 2, WM_APP + 2, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 3u) << "the filter passes over the others";
    ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, nullptr) << "-1 asks for thread messages only";

    std::vector<WPARAM> order;
    while (GetMessageW(&msg, nullptr, 0, 0))
        order.push_back(msg.wParam);
    EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit request was taken";
    DestroyWindow(hwnd);
}

TEST(Queue, WaitReturnsForInputOrTimeoutAndTakesNoKernelHandles) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessageW(nullptr, WM_APP, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0));
    HANDLE handle = nullptr;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &handle, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(Queue, ThreadMessagesReachAnotherThreadsQueue) {
    std::atomic<DWORD> id{0};
    std::atomic<bool> ready{false};
    WPARAM got = 0;
    std::thread worker([&] {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
        id = GetCurrentThreadId();
        ready = true;
        if (GetMessageW(&msg, nullptr, 0, 0)) got = msg.wParam;
    });
    while (!ready.load())
        std::this_thread::yield();
    EXPECT_TRUE(PostThreadMessageW(id.load(), WM_APP, 5, 0));
    worker.join();
    EXPECT_EQ(got, 5u);
    EXPECT_FALSE(PostThreadMessageW(id.load(), WM_APP, 5, 0)) << "the thread and its queue are gone";
}

} // namespace
