// The input thread: reads lines and hands them to the console's thread through a queue.
#include "input.h"

#include <chrono>
#include <thread>

namespace Headless {

CInputThread::CInputThread(std::istream& in) {
    Start(&in, nullptr);
}

CInputThread::CInputThread(std::unique_ptr<std::istream> in) {
    std::shared_ptr<std::istream> owned(std::move(in));
    Start(owned.get(), owned);
}

void CInputThread::Start(std::istream* in, std::shared_ptr<std::istream> owned) {
    // The thread holds the queue (and an owned stream) itself, so it may outlive this object.
    std::thread([shared = m_shared, in, owned] {
        std::string line;
        while (std::getline(*in, line)) {
            std::lock_guard guard(shared->lock);
            shared->lines.push_back(std::move(line));
            shared->ready.notify_one();
        }
        std::lock_guard guard(shared->lock);
        shared->ended = true;
        shared->ready.notify_one();
    }).detach();
}

bool CInputThread::Next(std::string* line, const std::function<void()>& pump) {
    std::unique_lock guard(m_shared->lock);
    while (true) {
        if (!m_shared->lines.empty()) {
            *line = std::move(m_shared->lines.front());
            m_shared->lines.pop_front();
            return true;
        }
        if (m_shared->ended) return false;
        if (!pump) {
            m_shared->ready.wait(guard);
            continue;
        }
        m_shared->ready.wait_for(guard, std::chrono::milliseconds(10));
        guard.unlock();
        pump();
        guard.lock();
    }
}

} // namespace Headless
