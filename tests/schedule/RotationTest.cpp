#include <set>

#include <gtest/gtest.h>

#include "schedule/Rotation.h"

namespace wylo {
namespace {

struct SequentialCase {
    std::int32_t current;
    std::int32_t count;
    std::int32_t next;
};

class SequentialOrder : public ::testing::TestWithParam<SequentialCase> {};

TEST_P(SequentialOrder, TakesTheNextIndexAndWrapsToZero) {
    RandomEngine engine(1);
    const auto& c = GetParam();
    EXPECT_EQ(NextImageIndex(c.current, c.count, false, engine), c.next);
}

INSTANTIATE_TEST_SUITE_P(Rotation, SequentialOrder,
                         ::testing::Values(SequentialCase{0, 6, 1}, SequentialCase{4, 6, 5},
                                           SequentialCase{5, 6, 0},  // past the last image
                                           SequentialCase{9, 6, 0},  // the channel shrank
                                           SequentialCase{-1, 6, 0},
                                           // A stored index below -1 is no image:
                                           // start again from the first.
                                           SequentialCase{-5, 6, 0},
                                           SequentialCase{-2147483647 - 1, 6, 0},
                                           SequentialCase{0, 0, 0},  // no images at all
                                           SequentialCase{2147483647, 6, 0}));

TEST(Rotation, RandomOrderWithTwoImagesAlternates) {
    RandomEngine engine(7);
    std::int32_t current = 0;
    for (int i = 0; i < 50; ++i) {
        const std::int32_t next = NextImageIndex(current, 2, true, engine);
        ASSERT_EQ(next, 1 - current);
        current = next;
    }
}

TEST(Rotation, RandomOrderWithNothingElseToDrawReturnsZero) {
    RandomEngine engine(3);
    EXPECT_EQ(NextImageIndex(0, 1, true, engine), 0);
    EXPECT_EQ(NextImageIndex(0, 0, true, engine), 0);
    EXPECT_EQ(NextImageIndex(-1, 0, true, engine), 0);
    EXPECT_EQ(NextImageIndex(4, 1, true, engine), 0);
}

TEST(Rotation, RandomOrderNeverRepeatsTheCurrentImageAndReachesEveryOther) {
    RandomEngine engine(11);
    std::set<std::int32_t> seen;
    for (int i = 0; i < 500; ++i) {
        const std::int32_t next = NextImageIndex(3, 6, true, engine);
        ASSERT_NE(next, 3);
        ASSERT_GE(next, 0);
        ASSERT_LT(next, 6);
        seen.insert(next);
    }
    EXPECT_EQ(seen, (std::set<std::int32_t>{0, 1, 2, 4, 5}));
}

TEST(Rotation, RandomOrderFromOutsideTheListTakesTheFirstDraw) {
    RandomEngine engine(5);
    std::set<std::int32_t> seen;
    for (int i = 0; i < 300; ++i) {
        const std::int32_t next = NextImageIndex(-1, 4, true, engine);
        ASSERT_GE(next, 0);
        ASSERT_LT(next, 4);
        seen.insert(next);
    }
    EXPECT_EQ(seen.size(), 4u);  // the index -1 does not rule any image out
}

}  // namespace
}  // namespace wylo
