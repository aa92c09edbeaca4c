#include <gtest/gtest.h>

#include "schedule/Schedule.h"

namespace wylo {
namespace {

constexpr double kSecond = 1.0 / kSecondsPerDay;
constexpr double kMinute = 1.0 / kMinutesPerDay;
constexpr double kHour = 1.0 / 24.0;

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return EncodeDateTime({year, month, day, hour, minute, second});
}

struct DueCase {
    const char* name;
    double lastChangeOffset;  // days relative to now; positive = in the future
    ScheduleUnit type;
    std::int32_t frequency;
    bool due;
};

class IsChangeDueTable : public ::testing::TestWithParam<DueCase> {};

TEST_P(IsChangeDueTable, CountsWholeUnitsBetweenLastChangeAndNow) {
    const DueCase& c = GetParam();
    const DateTime now = At(2026, 5, 14, 12, 0, 0);
    EXPECT_EQ(IsChangeDue(now, now + c.lastChangeOffset, c.type, c.frequency), c.due);
}

INSTANTIATE_TEST_SUITE_P(
    Schedule, IsChangeDueTable,
    ::testing::Values(
        DueCase{"MinuteNotYetAfter59_9Seconds", -59.9 * kSecond, ScheduleUnit::Minutes, 1, false},
        DueCase{"MinuteDueAfter61Seconds", -61 * kSecond, ScheduleUnit::Minutes, 1, true},
        DueCase{"FiveMinutesNotDueAfterFour", -4.5 * kMinute, ScheduleUnit::Minutes, 5, false},
        DueCase{"TwoHoursDueWhenLastChangeIsThreeHoursAhead", 3 * kHour, ScheduleUnit::Hours, 2,
                true},
        DueCase{"TwoHoursNotDueAfterOneAndAHalf", -1.5 * kHour, ScheduleUnit::Hours, 2, false},
        DueCase{"DayDueAfterTwentyFiveHours", -25 * kHour, ScheduleUnit::Days, 1, true},
        DueCase{"DayNotDueAfterTwentyThreeHours", -23 * kHour, ScheduleUnit::Days, 1, false},
        DueCase{"WeekNotDueAfterSixDays", -6.9, ScheduleUnit::Weeks, 1, false},
        DueCase{"WeekDueAfterSevenAndABit", -7.01, ScheduleUnit::Weeks, 1, true},
        DueCase{"MonthNotDueAfterThirtyDays", -30.4, ScheduleUnit::Months, 1, false},
        DueCase{"MonthDueAfterThirtyPointFiveDays", -30.5, ScheduleUnit::Months, 1, true},
        DueCase{"YearNotDueAfter365Days", -365.2, ScheduleUnit::Years, 1, false},
        DueCase{"YearDueAfter365AndAQuarterDays", -365.3, ScheduleUnit::Years, 1, true},
        DueCase{"NoUnitNeverDue", -100000.0, ScheduleUnit::None, 1, false},
        DueCase{"UnknownUnitNeverDue", -100000.0, ScheduleUnitAt(6), 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Schedule, ElapsedUnitsAreCutTowardZero) {
    const DateTime now = At(2026, 5, 14, 12);
    EXPECT_EQ(ElapsedScheduleUnits(now, now - 119 * kMinute - 59 * kSecond, ScheduleUnit::Hours),
              1);
    EXPECT_EQ(ElapsedScheduleUnits(now, now + 119 * kMinute + 59 * kSecond, ScheduleUnit::Hours),
              1);
    EXPECT_EQ(ElapsedScheduleUnits(now, now, ScheduleUnit::Minutes), 0);
}

TEST(Schedule, AMonthFallsDueAfterAnAverageMonthNotACalendarOne) {
    // 31 January 10:00 + 30.4375 days = 2 March 20:30 in a common year.
    const DateTime last = At(2023, 1, 31, 10, 0, 0);
    EXPECT_FALSE(IsChangeDue(At(2023, 3, 2, 20, 29, 0), last, ScheduleUnit::Months, 1));
    EXPECT_TRUE(IsChangeDue(At(2023, 3, 2, 20, 31, 0), last, ScheduleUnit::Months, 1));
    // The time shown is the calendar month: the last day of February.
    EXPECT_EQ(DecodeDateTime(NextChangeTime(last, ScheduleUnit::Months, 1)),
              (CivilDateTime{2023, 2, 28, 10, 0, 0, 0}));
}

TEST(Schedule, NextChangeTimeStepsByTheUnit) {
    const DateTime last = At(2024, 1, 31, 22, 30, 0);
    auto next = [&](ScheduleUnit type, std::int32_t n) {
        return DecodeDateTime(NextChangeTime(last, type, n));
    };
    EXPECT_EQ(next(ScheduleUnit::Minutes, 45), (CivilDateTime{2024, 1, 31, 23, 15, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Hours, 2), (CivilDateTime{2024, 2, 1, 0, 30, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Days, 3), (CivilDateTime{2024, 2, 3, 22, 30, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Weeks, 2), (CivilDateTime{2024, 2, 14, 22, 30, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Months, 1), (CivilDateTime{2024, 2, 29, 22, 30, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Months, 11), (CivilDateTime{2024, 12, 31, 22, 30, 0, 0}));
    EXPECT_EQ(next(ScheduleUnit::Years, 1), (CivilDateTime{2025, 1, 31, 22, 30, 0, 0}));
    // No unit counts in hours.
    EXPECT_EQ(next(ScheduleUnit::None, 3), (CivilDateTime{2024, 2, 1, 1, 30, 0, 0}));
}

TEST(Schedule, LeapDayPlusAYearIsTheLastDayOfFebruary) {
    EXPECT_EQ(DecodeDateTime(NextChangeTime(At(2024, 2, 29, 8), ScheduleUnit::Years, 1)),
              (CivilDateTime{2025, 2, 28, 8, 0, 0, 0}));
}

TEST(Schedule, NextChangeTimeStopsAtTheLastYearADateCanShow) {
    // The frequency allows 9999 years; the text must still be a date.
    const CivilDateTime c =
        DecodeDateTime(NextChangeTime(At(2026, 6, 15, 9), ScheduleUnit::Years, 9999));
    EXPECT_EQ(c, (CivilDateTime{9999, 12, 31, 9, 0, 0, 0}));
    EXPECT_EQ(DecodeDateTime(NextChangeTime(At(9999, 12, 31, 12), ScheduleUnit::Days, 6)).year,
              9999);
}

}  // namespace
}  // namespace wylo
