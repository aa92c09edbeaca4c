#include <gtest/gtest.h>

#include "base/Colour.h"

namespace wylo {
namespace {

struct HexCase {
    const char* text;
    Colour expected;
};

class HexToColourTest : public testing::TestWithParam<HexCase> {};

TEST_P(HexToColourTest, ReadsChannelColourText) {
    EXPECT_EQ(HexToColour(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, HexToColourTest,
                         testing::Values(HexCase{"#FFFFFF", 0xFFFFFF}, HexCase{"", 0},
                                         HexCase{"#", 0}, HexCase{"#GG0000", 0},
                                         HexCase{"# FFFFFF", 0}, HexCase{"#FFFFFF ", 0},
                                         HexCase{"abc#102030", 0x302010}, HexCase{"#1FFFFFFFF", 0},
                                         HexCase{"#FF102030", 0x302010},
                                         HexCase{"#FF0000", 0x0000FF}, HexCase{"#0000FF", 0xFF0000},
                                         HexCase{"FF8800", 0x0088FF}, HexCase{"#FFF", 0xFF0F00},
                                         HexCase{"#ff8800", 0x0088FF}, HexCase{"##FF0000", 0}));

TEST(MakeColour, PutsRedInTheLowByte) {
    EXPECT_EQ(MakeColour(0x11, 0x22, 0x33), 0x332211u);
    EXPECT_EQ(RedOf(0x332211), 0x11);
    EXPECT_EQ(GreenOf(0x332211), 0x22);
    EXPECT_EQ(BlueOf(0x332211), 0x33);
}

}  // namespace
}  // namespace wylo
