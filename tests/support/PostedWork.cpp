#include "support/PostedWork.h"

#include <utility>

namespace wylo::test {

void PostedWork::Post(std::function<void()> work) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    posted_.notify_all();
}

bool PostedWork::RunOne() {
    std::function<void()> work;
    {
        const std::lock_guard lock(mutex_);
        if (queue_.empty()) {
            return false;
        }
        work = std::move(queue_.front());
        queue_.pop_front();
    }
    work();
    return true;
}

void PostedWork::RunPosted() {
    while (RunOne()) {
    }
}

bool PostedWork::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        RunPosted();
        if (done()) {
            const std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                return true;
            }
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        // done() may come true without a post (a host that was asked), so it
        // is looked at again every few milliseconds.
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !queue_.empty(); });
    }
}

}  // namespace wylo::test
