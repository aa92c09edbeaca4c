#include <gtest/gtest.h>

#include "schedule/FrequencyRange.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {
namespace {

TEST(FrequencyRange, EachUnitHasItsOwnRange) {
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Minutes), (FrequencyRange{5, 59}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Hours), (FrequencyRange{1, 23}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Days), (FrequencyRange{1, 6}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Weeks), (FrequencyRange{1, 3}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Months), (FrequencyRange{1, 11}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::Years), (FrequencyRange{1, 9999}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnit::None), (FrequencyRange{1, 9999}));
    EXPECT_EQ(FrequencyRangeFor(ScheduleUnitAt(6)), (FrequencyRange{1, 9999}));
}

TEST(FrequencyRange, PickingAUnitNarrowsTheRangeButKeepsTheFrequency) {
    Settings settings;
    settings.scheduleFrequency = 1;
    PickScheduleUnit(settings, ScheduleUnit::Minutes);
    EXPECT_EQ(settings.scheduleType, ScheduleUnit::Minutes);
    EXPECT_EQ(settings.frequencyMin, 5);
    EXPECT_EQ(settings.frequencyMax, 59);
    EXPECT_EQ(settings.scheduleFrequency, 1);

    settings.scheduleFrequency = 40;
    PickScheduleUnit(settings, ScheduleUnit::Weeks);
    EXPECT_EQ(settings.frequencyMin, 1);
    EXPECT_EQ(settings.frequencyMax, 3);
    EXPECT_EQ(settings.scheduleFrequency, 40);
}

}  // namespace
}  // namespace wylo
