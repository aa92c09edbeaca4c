#include "session/WorkerThread.h"

#include <utility>

namespace wylo {

WorkerThread::WorkerThread()
    : shared_(std::make_shared<Shared>()), thread_(&WorkerThread::Loop, shared_) {}

WorkerThread::~WorkerThread() {
    Stop(std::chrono::milliseconds::max());
}

void WorkerThread::Run(Job job) {
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->jobs.push_back(std::move(job));
    }
    shared_->changed.notify_all();
}

bool WorkerThread::Stop(std::chrono::milliseconds wait) {
    if (!thread_.joinable()) {
        return true;
    }
    std::unique_lock lock(shared_->mutex);
    shared_->stopping = true;
    shared_->jobs.clear();
    shared_->changed.notify_all();
    const auto ended = [this] { return !shared_->running; };
    const bool done = wait == std::chrono::milliseconds::max()
                          ? (shared_->changed.wait(lock, ended), true)
                          : shared_->changed.wait_for(lock, wait, ended);
    lock.unlock();
    if (done) {
        thread_.join();
    } else {
        thread_.detach();
    }
    return done;
}

void WorkerThread::Loop(std::shared_ptr<Shared> shared) {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return !shared->jobs.empty() || shared->stopping; });
        if (shared->stopping) {
            return;
        }
        Job job = std::move(shared->jobs.front());
        shared->jobs.pop_front();
        shared->running = true;
        lock.unlock();
        job();
        job = nullptr;  // what it holds goes on this thread, before it is called done
        lock.lock();
        shared->running = false;
        shared->changed.notify_all();
    }
}

}  // namespace wylo
