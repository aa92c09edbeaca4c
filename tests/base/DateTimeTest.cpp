#include <gtest/gtest.h>

#include "base/DateTime.h"

namespace wylo {
namespace {

TEST(DateTime, DayZeroIsThirtiethOfDecember1899) {
    EXPECT_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
    EXPECT_EQ(EncodeDateTime({2001, 1, 1}), 36892.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({2001, 1, 1, 18, 0, 0}), 36892.75);
}

TEST(DateTime, DaysBeforeTheEpochKeepAForwardTimeOfDay) {
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_EQ(DecodeDateTime(-1.25), (CivilDateTime{1899, 12, 29, 6, 0, 0, 0}));
}

TEST(DateTime, RoundTripsToTheMillisecond) {
    const CivilDateTime c{2026, 12, 8, 17, 21, 25, 123};
    EXPECT_EQ(DecodeDateTime(EncodeDateTime(c)), c);
    // Just short of midnight rounds up to the next day.
    EXPECT_EQ(DecodeDateTime(36892.9999999999), (CivilDateTime{2001, 1, 2, 0, 0, 0, 0}));
}

TEST(DateTime, IncMonthCutsTheDayAndKeepsTheTime) {
    const DateTime jan31 = EncodeDateTime({2023, 1, 31, 10, 0, 0});
    EXPECT_EQ(DecodeDateTime(IncMonth(jan31, 1)), (CivilDateTime{2023, 2, 28, 10, 0, 0, 0}));
    EXPECT_EQ(DecodeDateTime(IncMonth(jan31, 13)), (CivilDateTime{2024, 2, 29, 10, 0, 0, 0}));
    EXPECT_EQ(DecodeDateTime(IncMonth(jan31, 12)), (CivilDateTime{2024, 1, 31, 10, 0, 0, 0}));
}

TEST(DateTime, ValidatesCivilDates) {
    EXPECT_TRUE(IsValidCivil({2024, 2, 29}));
    EXPECT_FALSE(IsValidCivil({2023, 2, 29}));
    EXPECT_FALSE(IsValidCivil({2023, 13, 1}));
    EXPECT_FALSE(IsValidCivil({2023, 1, 1, 24, 0, 0}));
}

TEST(DateTime, MidnightHasNoTimeOfDay) {
    EXPECT_TRUE(IsMidnight(EncodeDateTime({2023, 5, 1})));
    EXPECT_FALSE(IsMidnight(EncodeDateTime({2023, 5, 1, 0, 0, 1})));
}

}  // namespace
}  // namespace wylo
