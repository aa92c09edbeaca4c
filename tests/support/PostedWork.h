#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace wylo::test {

// The window's event queue for a session without a window: work posted from
// any thread waits here until the test runs it on its own thread.
class PostedWork {
public:
    void Post(std::function<void()> work);
    // Runs what was posted, and what that posts, until done() holds with
    // nothing left to run. False when that did not come within limit.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Runs what has been posted so far, without waiting for more.
    void RunPosted();

private:
    bool RunOne();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace wylo::test
