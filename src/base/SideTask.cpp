#include "base/SideTask.h"

#include <system_error>
#include <utility>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#else
#include <thread>
#endif

namespace wylo {

#ifdef __linux__

struct SideTask::Thread {
    std::function<void()> work;
    std::exception_ptr* failure = nullptr;
    // The caller's processors, given back to the work once it runs.
    cpu_set_t allowed{};
    bool moved = false;
    pthread_t handle{};
    bool joined = false;

    static void* Run(void* self) {
        auto* t = static_cast<Thread*>(self);
        if (t->moved) {
            pthread_setaffinity_np(pthread_self(), sizeof t->allowed, &t->allowed);
        }
        try {
            t->work();
        } catch (...) {
            *t->failure = std::current_exception();
        }
        return nullptr;
    }
};

SideTask::SideTask(std::function<void()> work) : thread_(std::make_unique<Thread>()) {
    Thread& t = *thread_;
    t.work = std::move(work);
    t.failure = &failure_;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    // Every processor the caller may use but the one it is on. None (one
    // processor, or more than the set holds): the system's choice.
    const int here = sched_getcpu();
    if (here >= 0 && pthread_getaffinity_np(pthread_self(), sizeof t.allowed, &t.allowed) == 0) {
        cpu_set_t others;
        CPU_ZERO(&others);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (cpu != here && CPU_ISSET(cpu, &t.allowed)) {
                CPU_SET(cpu, &others);
            }
        }
        t.moved = CPU_COUNT(&others) > 0 &&
                  pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
    }
    const int error = pthread_create(&t.handle, &attributes, &Thread::Run, &t);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        throw std::system_error(error, std::generic_category(), "Unable to start a thread");
    }
}

void SideTask::Wait() noexcept {
    if (!thread_->joined) {
        pthread_join(thread_->handle, nullptr);
        thread_->joined = true;
    }
}

#else

struct SideTask::Thread {
    std::thread thread;
};

SideTask::SideTask(std::function<void()> work) : thread_(std::make_unique<Thread>()) {
    thread_->thread = std::thread([this, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
}

void SideTask::Wait() noexcept {
    if (thread_->thread.joinable()) {
        thread_->thread.join();
    }
}

#endif

SideTask::~SideTask() {
    Wait();
}

void SideTask::Get() {
    Wait();
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

}  // namespace wylo
