#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace wylo::test {

// Holds a server handler until the test lets it go (or the limit passes), so
// a silent server costs no more wall time than the client waits for it.
class Gate {
public:
    void Wait(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, limit, [this] { return open_; });
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

// Opens the gate on every way out of a test, before the server is stopped.
struct GateOpener {
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    ~GateOpener() { gate->Open(); }
};

}  // namespace wylo::test
