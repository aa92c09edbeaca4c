#pragma once

#include <exception>
#include <functional>
#include <memory>

namespace wylo {

// Work run on a thread of its own beside the calling thread, which goes on
// with work of its own meanwhile: the two halves of a large picture, or a
// file written while the picture is drawn.
//
// Linux queues a new thread on the processor of the thread that made it,
// where it waits until that one's time slice ends (measured on two cores:
// 3 ms in the median, half of a picture's decoding). The work here starts on
// another processor when the caller may use one, and is free to move after.
class SideTask {
public:
    // Starts work at once. What it throws is kept for Get.
    explicit SideTask(std::function<void()> work);
    // Waits for the work, ignoring how it ended.
    ~SideTask();
    SideTask(const SideTask&) = delete;
    SideTask& operator=(const SideTask&) = delete;

    // Waits until the work has ended.
    void Wait() noexcept;
    // Waits, then throws what the work threw, at every call.
    void Get();

private:
    struct Thread;
    std::unique_ptr<Thread> thread_;
    std::exception_ptr failure_;
};

}  // namespace wylo
