#include <gtest/gtest.h>

#include "desktop/IconColours.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"

namespace wylo {
namespace {

struct ColourCase {
    const char* name;
    bool bgOverride;
    bool textOverride;
    bool transparent;
    const char* background;
    const char* font;
    IconColours want;
};

class ChooseIconColoursTable : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ChooseIconColoursTable, PicksEachColourByItsOverrideSwitch) {
    const ColourCase& c = GetParam();
    Settings settings;
    settings.bgColour = 0x445566;
    settings.fgColour = 0xAABBCC;
    settings.bgOverride = c.bgOverride;
    settings.iconTextOverride = c.textOverride;
    settings.iconTransparency = c.transparent;
    EXPECT_EQ(ChooseIconColours(settings, c.background, c.font), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    IconColours, ChooseIconColoursTable,
    ::testing::Values(
        ColourCase{"BothFromTheImage",
                   true,
                   true,
                   false,
                   "#102030",
                   "#FF0000",
                   {0x0000FF, 0x302010, false}},
        ColourCase{"BothFromTheUser",
                   false,
                   false,
                   false,
                   "#102030",
                   "#FF0000",
                   {0xAABBCC, 0x445566, false}},
        ColourCase{"TextFromTheImageOnly",
                   false,
                   true,
                   true,
                   "#102030",
                   "#00FF00",
                   {0x00FF00, 0x445566, true}},
        ColourCase{"BackgroundFromTheImageOnly",
                   true,
                   false,
                   false,
                   "#0000FF",
                   "#00FF00",
                   {0xAABBCC, 0xFF0000, false}},
        ColourCase{"MissingTextsGiveBlack", true, true, true, "", "", {kBlack, kBlack, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconColours, ApplyHandsTheChoiceToThePlatform) {
    FakePlatform platform;
    Settings settings;
    settings.iconTransparency = true;
    ApplyImageColours(platform, settings, "#000010", "#FFFFFF");
    ASSERT_EQ(platform.iconColourCalls.size(), 1u);
    EXPECT_EQ(platform.iconColourCalls[0].text, kWhite);
    // Worked out even though transparency keeps the platform from using it.
    EXPECT_EQ(platform.iconColourCalls[0].background, 0x100000u);
    EXPECT_TRUE(platform.iconColourCalls[0].transparent);
}

}  // namespace
}  // namespace wylo
