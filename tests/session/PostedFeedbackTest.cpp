// Feedback given beside the window reaches it in order, on the window's
// thread, and a flood of progress does not flood the window.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "session/PostedFeedback.h"
#include "session/WorkerThread.h"
#include "support/PostedWork.h"

namespace wylo {
namespace {

using ::testing::ElementsAre;

class Shown : public Feedback {
public:
    void SetStatus(const std::string& text) override { events.push_back("status " + text); }
    void TransferBegin(std::int64_t expected) override {
        events.push_back("begin " + std::to_string(expected));
    }
    void TransferWork(std::int64_t count) override {
        events.push_back("work " + std::to_string(count));
    }
    void TransferEnd() override { events.push_back("end"); }
    std::vector<std::string> events;
};

TEST(PostedFeedbackTest, ArrivesInOrderWithTheLatestProgressOnce) {
    Shown shown;
    test::PostedWork window;
    PostedFeedback feedback(shown,
                            [&window](std::function<void()> f) { window.Post(std::move(f)); });
    std::thread worker([&] {
        feedback.SetStatus("Downloading Dunes");
        feedback.TransferBegin(1000);
        for (int i = 1; i <= 1000; ++i) {
            feedback.TransferWork(i);
        }
        feedback.TransferEnd();
    });
    worker.join();
    // Nothing reached the window while the worker ran.
    EXPECT_TRUE(shown.events.empty());
    window.RunPosted();
    EXPECT_THAT(shown.events,
                ElementsAre("status Downloading Dunes", "begin 1000", "work 1000", "end"));
}

TEST(WorkerThreadTest, RunsJobsInTheOrderHandedOverAndStopsAfterTheRunningOne) {
    std::vector<int> ran;
    std::mutex mutex;
    WorkerThread worker;
    for (int i = 0; i < 5; ++i) {
        worker.Run([&, i] {
            const std::lock_guard lock(mutex);
            ran.push_back(i);
        });
    }
    EXPECT_TRUE(worker.Stop(std::chrono::seconds(5)));
    // Whatever ran, ran in order; the jobs not begun at the stop are dropped.
    for (std::size_t k = 0; k < ran.size(); ++k) {
        EXPECT_EQ(ran[k], static_cast<int>(k));
    }
}

TEST(WorkerThreadTest, AStopThatCannotWaitLeavesTheJobBehind) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto done = std::make_shared<std::atomic<bool>>(false);
    auto started = std::make_shared<std::atomic<bool>>(false);
    {
        WorkerThread worker;
        worker.Run([release, done, started] {
            *started = true;
            while (!*release) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            *done = true;
        });
        // A job that has not begun is dropped by a stop; this one runs.
        for (int i = 0; i < 10000 && !*started; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const auto before = std::chrono::steady_clock::now();
        EXPECT_FALSE(worker.Stop(std::chrono::milliseconds(50)));
        EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    }
    // The job goes on by itself once free, with what it holds.
    *release = true;
    for (int i = 0; i < 2000 && !*done; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(*done);
}

}  // namespace
}  // namespace wylo
