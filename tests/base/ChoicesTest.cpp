#include <gtest/gtest.h>

#include "base/Choices.h"

namespace wylo {
namespace {

TEST(MultiScreen, ModeNeedsTwoMonitorsAndAChoice) {
    EXPECT_EQ(MultiScreenMode(0, MultiScreenChoice(1)), MultiScreen::One);
    EXPECT_EQ(MultiScreenMode(1, MultiScreenChoice(2)), MultiScreen::One);
    EXPECT_EQ(MultiScreenMode(2, MultiScreenChoice(-1)), MultiScreen::One);
    EXPECT_EQ(MultiScreenMode(2, MultiScreenChoice(0)), MultiScreen::Same);
    EXPECT_EQ(MultiScreenMode(3, MultiScreenChoice(1)), MultiScreen::Different);
    EXPECT_EQ(MultiScreenMode(2, MultiScreenChoice(2)), MultiScreen::Single);
    EXPECT_EQ(MultiScreenMode(2, MultiScreenChoice(3)), MultiScreen::Span);
    EXPECT_EQ(MultiScreenMode(1, MultiScreenChoice(3)), MultiScreen::One);
    EXPECT_EQ(MultiScreenMode(2, MultiScreenChoice(4)), MultiScreen::One);
}

TEST(MultiScreen, ChoicePositionsRoundTrip) {
    for (const MultiScreen choice :
         {MultiScreen::Same, MultiScreen::Different, MultiScreen::Single, MultiScreen::Span}) {
        EXPECT_EQ(MultiScreenChoice(MultiScreenChoicePosition(choice)), choice);
    }
    EXPECT_EQ(MultiScreenChoicePosition(MultiScreen::None), -1);
    EXPECT_EQ(MultiScreenChoicePosition(MultiScreen::One), -1);
}

TEST(ScheduleUnit, PositionsOfTheUnitList) {
    EXPECT_EQ(ScheduleUnitAt(0), ScheduleUnit::Minutes);
    EXPECT_EQ(ScheduleUnitAt(5), ScheduleUnit::Years);
    EXPECT_EQ(ScheduleUnitAt(6), ScheduleUnit::None);
    EXPECT_EQ(ScheduleUnitAt(-7), ScheduleUnit::None);
    EXPECT_EQ(ScheduleUnitPosition(ScheduleUnit::Weeks), 3);
    EXPECT_EQ(ScheduleUnitPosition(ScheduleUnit::None), -1);
}

}  // namespace
}  // namespace wylo
