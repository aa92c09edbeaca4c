#include <gtest/gtest.h>

#include "schedule/FrequencyRange.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {
namespace {

TEST(FrequencyRange, EachUnitHasItsOwnRange) {
    EXPECT_EQ(FrequencyRangeFor(kScheduleMinutes), (FrequencyRange{5, 59}));
    EXPECT_EQ(FrequencyRangeFor(kScheduleHours), (FrequencyRange{1, 23}));
    EXPECT_EQ(FrequencyRangeFor(kScheduleDays), (FrequencyRange{1, 6}));
    EXPECT_EQ(FrequencyRangeFor(kScheduleWeeks), (FrequencyRange{1, 3}));
    EXPECT_EQ(FrequencyRangeFor(kScheduleMonths), (FrequencyRange{1, 11}));
    EXPECT_EQ(FrequencyRangeFor(kScheduleYears), (FrequencyRange{1, 9999}));
    EXPECT_EQ(FrequencyRangeFor(-1), (FrequencyRange{1, 9999}));
    EXPECT_EQ(FrequencyRangeFor(6), (FrequencyRange{1, 9999}));
}

TEST(FrequencyRange, PickingAUnitNarrowsTheRangeButKeepsTheFrequency) {
    Settings settings;
    settings.scheduleFrequency = 1;
    PickScheduleUnit(settings, kScheduleMinutes);
    EXPECT_EQ(settings.scheduleType, kScheduleMinutes);
    EXPECT_EQ(settings.frequencyMin, 5);
    EXPECT_EQ(settings.frequencyMax, 59);
    EXPECT_EQ(settings.scheduleFrequency, 1);

    settings.scheduleFrequency = 40;
    PickScheduleUnit(settings, kScheduleWeeks);
    EXPECT_EQ(settings.frequencyMin, 1);
    EXPECT_EQ(settings.frequencyMax, 3);
    EXPECT_EQ(settings.scheduleFrequency, 40);
}

}  // namespace
}  // namespace wylo
