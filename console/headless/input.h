// The headless console's input, read on a thread of its own so that the console's thread is never
// blocked in a read: it waits for the next line and keeps the console's messages moving meanwhile
// (a worker thread that sends a message to a page must not stall because the console awaits input).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>
#include <string>

namespace Headless {

class CInputThread {
public:
    // Reads `in` to its end. The stream must outlive the process's use of it (std::cin, or a stream
    // handed over with its ownership).
    explicit CInputThread(std::istream& in);
    explicit CInputThread(std::unique_ptr<std::istream> in);
    // The reading thread is left to end with the process when its input never ends.
    ~CInputThread() = default;

    // The next line; false at the end of the input. While it waits, `pump` is called now and then (the
    // console's message pump); without one it just waits.
    bool Next(std::string* line, const std::function<void()>& pump = {});

private:
    struct Shared {
        std::mutex lock;
        std::condition_variable ready;
        std::deque<std::string> lines;
        bool ended = false;
    };
    void Start(std::istream* in, std::shared_ptr<std::istream> owned);

    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

} // namespace Headless
