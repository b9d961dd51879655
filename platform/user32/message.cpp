// Messages and queues: every thread that makes windows or sends messages has a queue. SendMessageW to a
// window of another thread queues the message on the owner's queue and waits until the owner has
// handled it, handling meanwhile what other threads send to the waiting thread (two threads that send
// to each other do not deadlock); a message whose window goes away before it is handled returns 0.
// Posted messages wait in the queue until GetMessageW or PeekMessageW takes them; those two, and every
// wait here, first handle the messages sent to the thread.
#include <chrono>
#include <map>

#include "tvfrontend.h"
#include "user32_internal.h"

namespace u32 {

namespace {

std::map<DWORD, std::weak_ptr<ThreadQueue>>& Threads() {
    static auto* threads = new std::map<DWORD, std::weak_ptr<ThreadQueue>>;
    return *threads;
}

// Owns the calling thread's queue; when the thread ends, its windows are destroyed and whatever is
// still sent to it is answered with 0.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) return;
        DestroyThreadWindows(queue);
        std::lock_guard guard(Lock());
        queue->closed = true;
        for (auto& sent : queue->sent) {
            sent->done = true;
            sent->sender->wake.notify_all();
        }
        queue->sent.clear();
        queue->posted.clear();
        Threads().erase(queue->thread);
    }
};

thread_local QueueHolder t_holder;

MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

// Wakes the queue's thread, in the front end's event loop when that is where the thread waits.
void Wake(ThreadQueue& queue) {
    queue.wake.notify_all();
    ITvFrontEnd* frontEnd = TvGetFrontEnd();
    if (frontEnd && frontEnd->EventLoopThread() == queue.thread) frontEnd->MessagesArrived();
}

bool Post(ThreadQueue& queue, const MSG& msg) {
    if (queue.closed) return false;
    queue.posted.push_back(msg);
    Wake(queue);
    return true;
}

// Handles one message another thread sent to this one; called without the lock.
void HandleSent(const std::shared_ptr<SentMessage>& sent) {
    bool alive;
    std::shared_ptr<ThreadQueue> self;
    {
        std::lock_guard guard(Lock());
        self = CurrentQueueLocked();
        Window* w = FindLocked(sent->hwnd);
        alive = w && w->queue == self;
        ++self->inSend;
    }
    LRESULT result = alive ? CallProc(sent->hwnd, sent->message, sent->wParam, sent->lParam) : 0;
    std::lock_guard guard(Lock());
    --self->inSend;
    sent->result = result;
    sent->done = true;
    sent->sender->wake.notify_all();
}

// Handles every message sent to the calling thread; the lock is held on entry and on return.
void HandleAllSent(std::unique_lock<std::mutex>& lock, ThreadQueue& queue) {
    while (!queue.sent.empty()) {
        auto sent = queue.sent.front();
        queue.sent.pop_front();
        lock.unlock();
        HandleSent(sent);
        lock.lock();
    }
}

bool Matches(const MSG& msg, HWND hwnd, UINT first, UINT last) {
    if (first || last)
        if (msg.message < first || msg.message > last) return false;
    if (hwnd == reinterpret_cast<HWND>(-1)) return msg.hwnd == nullptr;
    if (!hwnd || msg.hwnd == hwnd) return true;
    for (Window* w = FindLocked(msg.hwnd); w && w->parent; w = FindLocked(w->parent))
        if (w->parent == hwnd) return true;
    return false;
}

// Takes the first posted message that matches the filter, or the quit request.
bool Fetch(LPMSG msg, HWND hwnd, UINT first, UINT last, bool remove) {
    std::unique_lock lock(Lock());
    auto queue = CurrentQueueLocked();
    HandleAllSent(lock, *queue);
    for (auto it = queue->posted.begin(); it != queue->posted.end(); ++it) {
        if (!Matches(*it, hwnd, first, last)) continue;
        *msg = *it;
        if (remove) queue->posted.erase(it);
        return true;
    }
    if (queue->quit) { // whatever the filter, as documented
        *msg = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0);
        if (remove) queue->quit = false;
        return true;
    }
    return false;
}

bool Fail(DWORD error) {
    SetLastError(error);
    return false;
}

} // namespace

std::shared_ptr<ThreadQueue> CurrentQueueLocked() {
    if (!t_holder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->thread = GetCurrentThreadId();
        Threads()[queue->thread] = queue;
        t_holder.queue = queue;
    }
    return t_holder.queue;
}

void DropMessagesLocked(Window& window) {
    ThreadQueue& queue = *window.queue;
    std::erase_if(queue.posted, [&](const MSG& msg) { return msg.hwnd == window.handle; });
    std::erase_if(queue.sent, [&](const std::shared_ptr<SentMessage>& sent) {
        if (sent->hwnd != window.handle) return false;
        sent->done = true;
        sent->sender->wake.notify_all();
        return true;
    });
}

LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        proc = w->proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

bool WaitForInput(DWORD milliseconds) {
    // On the thread of a front end's event loop, its events run while the thread waits.
    ITvFrontEnd* frontEnd = TvGetFrontEnd();
    if (frontEnd && frontEnd->EventLoopThread() == GetCurrentThreadId()) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            {
                std::lock_guard guard(Lock());
                auto queue = CurrentQueueLocked();
                if (!queue->posted.empty() || !queue->sent.empty() || queue->quit) return true;
            }
            DWORD left = INFINITE;
            if (milliseconds != INFINITE) {
                auto now = std::chrono::steady_clock::now();
                if (now >= deadline) return false;
                left = static_cast<DWORD>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1);
            }
            frontEnd->WaitForMessages(left);
        }
    }
    std::unique_lock lock(Lock());
    auto queue = CurrentQueueLocked();
    auto ready = [&] { return !queue->posted.empty() || !queue->sent.empty() || queue->quit; };
    if (milliseconds == INFINITE) {
        queue->wake.wait(lock, ready);
        return true;
    }
    return queue->wake.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

} // namespace u32

using namespace u32;

extern "C" LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(Lock());
    Window* w = FindLocked(hWnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::shared_ptr<ThreadQueue> target = w->queue;
    if (target->thread == GetCurrentThreadId()) {
        lock.unlock();
        return CallProc(hWnd, Msg, wParam, lParam);
    }
    if (target->closed) return 0;
    auto self = CurrentQueueLocked();
    auto sent = std::make_shared<SentMessage>(SentMessage{hWnd, Msg, wParam, lParam, 0, false, self});
    target->sent.push_back(sent);
    Wake(*target);
    while (!sent->done) {
        if (!self->sent.empty()) {
            HandleAllSent(lock, *self);
            continue;
        }
        self->wake.wait(lock);
    }
    return sent->result;
}

extern "C" BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard guard(Lock());
    if (!hWnd) return Post(*CurrentQueueLocked(), MakeMsg(nullptr, Msg, wParam, lParam));
    Window* w = FindLocked(hWnd);
    if (!w || w->destroying) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    return Post(*w->queue, MakeMsg(hWnd, Msg, wParam, lParam)) ? TRUE : Fail(ERROR_INVALID_WINDOW_HANDLE);
}

extern "C" BOOL WINAPI PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::lock_guard guard(Lock());
    auto it = Threads().find(idThread);
    auto queue = it == Threads().end() ? nullptr : it->second.lock();
    if (!queue || !Post(*queue, MakeMsg(nullptr, Msg, wParam, lParam))) return Fail(ERROR_INVALID_PARAMETER);
    return TRUE;
}

extern "C" void WINAPI PostQuitMessage(int nExitCode) {
    std::lock_guard guard(Lock());
    auto queue = CurrentQueueLocked();
    queue->quit = true;
    queue->quitCode = nExitCode;
    Wake(*queue);
}

extern "C" BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    while (!Fetch(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true))
        WaitForInput(INFINITE);
    return lpMsg->message != WM_QUIT;
}

extern "C" BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                    UINT wRemoveMsg) {
    if (!lpMsg) return Fail(ERROR_INVALID_PARAMETER);
    return Fetch(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
}

extern "C" BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    return FALSE;
}

extern "C" LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    {
        std::lock_guard guard(Lock());
        Window* w = FindLocked(lpMsg->hwnd);
        if (!w || w->queue->thread != GetCurrentThreadId()) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    }
    return CallProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

extern "C" BOOL WINAPI WaitMessage(void) {
    return WaitForInput(INFINITE);
}

extern "C" DWORD WINAPI MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                                  DWORD dwMilliseconds, DWORD dwWakeMask) {
    if (nCount != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    return WaitForInput(dwMilliseconds) ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT);
}

extern "C" BOOL WINAPI InSendMessage(void) {
    std::lock_guard guard(Lock());
    return CurrentQueueLocked()->inSend > 0;
}

extern "C" LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                                          LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}
