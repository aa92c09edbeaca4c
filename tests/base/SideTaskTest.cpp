#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "base/SideTask.h"

#ifdef __linux__
#include <sched.h>
#endif

namespace wylo {
namespace {

TEST(SideTask, GetGivesTheWorksFailureAtEveryCallAndWaitNever) {
    SideTask task([] { throw std::runtime_error("disk full"); });
    task.Wait();
    for (int call = 0; call < 2; ++call) {
        try {
            task.Get();
            ADD_FAILURE() << "no error at call " << call;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "disk full");
        }
    }
    task.Wait();

    int result = 0;
    SideTask fine([&result] { result = 42; });
    fine.Get();
    EXPECT_EQ(result, 42);
}

TEST(SideTask, EndingTheTaskWaitsForTheWork) {
    std::atomic<bool> done{false};
    {
        SideTask task([&done] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            done = true;
        });
    }
    EXPECT_TRUE(done);
}

#ifdef __linux__
// The kernel would usually queue the work behind its busy caller; it must
// start elsewhere and then keep every processor the caller has.
TEST(SideTask, WorkStartsOnAnotherProcessorAndKeepsTheCallersOthers) {
    cpu_set_t callers;
    ASSERT_EQ(sched_getaffinity(0, sizeof callers, &callers), 0);
    if (CPU_COUNT(&callers) < 2) {
        GTEST_SKIP() << "needs two processors";
    }
    int compared = 0;
    for (int round = 0; round < 20; ++round) {
        int workCpu = -1;
        cpu_set_t workSet;
        CPU_ZERO(&workSet);
        const int before = sched_getcpu();
        SideTask task([&] {
            workCpu = sched_getcpu();
            sched_getaffinity(0, sizeof workSet, &workSet);
        });
        const int after = sched_getcpu();
        task.Get();
        EXPECT_TRUE(CPU_EQUAL(&workSet, &callers)) << "round " << round;
        if (before == after) {  // the caller did not move meanwhile
            EXPECT_NE(workCpu, before) << "round " << round;
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}
#endif

}  // namespace
}  // namespace wylo
