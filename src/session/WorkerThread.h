#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace wylo {

// One thread beside the window that runs the session's slow work, a job at a
// time. The session decides what runs when; this only carries a job over
// and tells when it has ended.
class WorkerThread {
public:
    using Job = std::function<void()>;

    WorkerThread();
    // Waits for the job that runs, unless Stop gave up on it.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs job on the thread, after the jobs handed over before it.
    void Run(Job job);

    // Ends the thread once the job that runs (if any) has ended, waiting for
    // it at most wait; jobs not yet begun are dropped. False when the job was
    // still running then: the thread is left to finish it on its own and
    // nothing waits for it any more.
    bool Stop(std::chrono::milliseconds wait);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Job> jobs;
        bool running = false;
        bool stopping = false;
    };
    static void Loop(std::shared_ptr<Shared> shared);

    // Kept alive by the thread too, so a thread left running still has it.
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace wylo
