#include <gtest/gtest.h>

#include "compose/DesktopCanvas.h"

namespace wylo {
namespace {

constexpr Colour kFill = 0x336699;

// Every pixel tells which image it came from and where: red is the image's
// id, green and blue its column and row (mod 251).
Colour PatternAt(int id, int x, int y) {
    return MakeColour(static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(x % 251),
                      static_cast<std::uint8_t>(y % 251));
}

Bitmap Pattern(int id, int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            b.SetPixel(x, y, PatternAt(id, x, y));
        }
    }
    return b;
}

// A probe: canvas pixel (x, y) shows image id's pixel (ix, iy), or the fill
// colour when id is -1.
struct Probe {
    int x, y, id, ix, iy;
};

struct Layout {
    const char* name;
    Rect second;
    bool drawPrimary;
    Size canvas;
    std::vector<Probe> probes;
};

class ComposeLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(ComposeLayouts, PutsEveryMonitorWhereTheTiledWallpaperShowsIt) {
    const Layout& l = GetParam();
    const std::vector<Monitor> monitors = {{{0, 0, 1920, 1080}, true}, {l.second, false}};
    const Size size = BoundingSize(monitors);
    ASSERT_EQ(size, l.canvas);

    const Bitmap primary = Pattern(1, 1920, 1080);
    OtherMonitorList others;
    others.emplace_back("1", Pattern(2, l.second.Width(), l.second.Height()));

    const auto result = ComposeDesktop(CreateDesktopCanvas(size, kFill), monitors,
                                       l.drawPrimary ? &primary : nullptr, &others);
    ASSERT_TRUE(result.has_value());
    ASSERT_EQ(result->width(), size.width);
    ASSERT_EQ(result->height(), size.height);
    for (const Probe& p : l.probes) {
        const Colour want = p.id < 0 ? kFill : PatternAt(p.id, p.ix, p.iy);
        EXPECT_EQ(result->Pixel(p.x, p.y), want) << "canvas pixel " << p.x << "," << p.y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    DesktopCanvas, ComposeLayouts,
    ::testing::Values(Layout{"SecondRightOfPrimary",
                             {1920, 0, 3200, 1024},
                             true,
                             {3200, 1080},
                             {{0, 0, 1, 0, 0},
                              {1919, 1079, 1, 1919, 1079},
                              {1920, 0, 2, 0, 0},
                              {3199, 1023, 2, 1279, 1023},
                              {1920, 1024, -1, 0, 0},
                              {3199, 1079, -1, 0, 0}}},
                      Layout{"SecondLeftOfPrimaryWrapsToTheRightEnd",
                             {-1920, 0, 0, 1080},
                             true,
                             {3840, 1080},
                             {{0, 0, 1, 0, 0},
                              {1919, 1079, 1, 1919, 1079},
                              {1920, 0, 2, 0, 0},
                              {3839, 1079, 2, 1919, 1079},
                              {2500, 600, 2, 580, 600}}},
                      Layout{"SecondAbovePrimaryWrapsToTheBottom",
                             {0, -1080, 1920, 0},
                             true,
                             {1920, 2160},
                             {{0, 0, 1, 0, 0},
                              {1919, 1079, 1, 1919, 1079},
                              {0, 1080, 2, 0, 0},
                              {1919, 2159, 2, 1919, 1079}}},
                      Layout{"ExactlyLeftOfPrimaryLeavesTheLeftColumnsAlone",
                             {-1280, 0, 0, 1024},
                             false,
                             {3200, 1080},
                             {{0, 0, -1, 0, 0},
                              {1919, 500, -1, 0, 0},
                              {1920, 0, 2, 0, 0},
                              {3199, 1023, 2, 1279, 1023},
                              {3199, 1024, -1, 0, 0}}},
                      Layout{"StraddlingTheOriginIsSplitUnscaled",
                             {-200, 0, 1080, 1024},
                             true,
                             {2120, 1080},
                             {{1920, 0, 2, 0, 0},
                              {2119, 7, 2, 199, 7},
                              {0, 0, 2, 200, 0},
                              {1079, 1023, 2, 1279, 1023},
                              {1080, 0, 1, 1080, 0},
                              {500, 1024, 1, 500, 1024},
                              {2000, 1024, -1, 0, 0}}},
                      Layout{"AboveAndLeftIsShownNowhere",
                             {-1280, -1024, 0, 0},
                             true,
                             {3200, 2104},
                             {{0, 0, 1, 0, 0},
                              {1919, 1079, 1, 1919, 1079},
                              {3199, 2103, -1, 0, 0},
                              {1920, 1080, -1, 0, 0},
                              {1920, 0, -1, 0, 0},
                              {0, 1080, -1, 0, 0}}},
                      Layout{"StraddlingBothAxesWrapsTopAndLeftAndCutsTheCorner",
                             {-100, -50, 900, 700},
                             false,
                             {2020, 1130},
                             {// Top strip: image rows 0-49, only its columns at x >= 0.
                              {0, 1080, 2, 100, 0},
                              {899, 1129, 2, 999, 49},
                              // Left strip: image columns 0-99 below the top strip.
                              {1920, 0, 2, 0, 50},
                              {2019, 649, 2, 99, 699},
                              // The rest in place.
                              {0, 0, 2, 100, 50},
                              {899, 649, 2, 999, 699},
                              // The corner above and left of the origin is nowhere.
                              {1920, 1080, -1, 0, 0},
                              {2019, 1129, -1, 0, 0},
                              {900, 0, -1, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopCanvas, OneMonitorCanvasEqualsThePrimaryImage) {
    const std::vector<Monitor> monitors = {{{0, 0, 64, 48}, true}};
    const Bitmap primary = Pattern(1, 64, 48);
    const auto result =
        ComposeDesktop(CreateDesktopCanvas({64, 48}, kFill), monitors, &primary, nullptr);
    ASSERT_TRUE(result.has_value());
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(result->Pixel(x, y), PatternAt(1, x, y));
        }
    }
}

TEST(DesktopCanvas, WithoutAPrimaryFlagTheOriginKeepsTheFill) {
    const std::vector<Monitor> monitors = {{{0, 0, 64, 48}, false}};
    const Bitmap primary = Pattern(1, 64, 48);
    const auto result =
        ComposeDesktop(CreateDesktopCanvas({64, 48}, kFill), monitors, &primary, nullptr);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->Pixel(0, 0), kFill);
}

TEST(DesktopCanvas, MonitorsDrawnLaterWinWhereTheyOverlap) {
    const std::vector<Monitor> monitors = {
        {{0, 0, 100, 100}, true}, {{50, 0, 150, 100}, false}, {{100, 0, 200, 100}, false}};
    const Bitmap primary = Pattern(1, 100, 100);
    OtherMonitorList others;
    others.emplace_back("1", Pattern(2, 100, 100));
    others.emplace_back("2", Pattern(3, 100, 100));
    const auto result =
        ComposeDesktop(CreateDesktopCanvas({200, 100}, kFill), monitors, &primary, &others);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->Pixel(49, 0), PatternAt(1, 49, 0));
    EXPECT_EQ(result->Pixel(50, 0), PatternAt(2, 0, 0));
    EXPECT_EQ(result->Pixel(100, 0), PatternAt(3, 0, 0));
}

class BadKeys : public ::testing::TestWithParam<std::string> {};

TEST_P(BadKeys, AbandonTheComposition) {
    const std::vector<Monitor> monitors = {{{0, 0, 10, 10}, true}, {{10, 0, 20, 10}, false}};
    OtherMonitorList others;
    others.emplace_back("1", Pattern(2, 10, 10));
    others.emplace_back(GetParam(), Pattern(3, 10, 10));
    EXPECT_FALSE(ComposeDesktop(CreateDesktopCanvas({20, 10}, kFill), monitors, nullptr, &others));
}

INSTANTIATE_TEST_SUITE_P(DesktopCanvas, BadKeys,
                         ::testing::Values("", "x", "1x", " 1", "1 ", "+1", "-1", "2",
                                           "99999999999999999999"));

TEST(DesktopCanvas, OnlyMonitorsThatCoverEveryPixelSpareTheFill) {
    const Size canvas{300, 100};
    EXPECT_TRUE(TilesCanvas(canvas, {{0, 0, 200, 100}, {200, 0, 300, 100}}));
    EXPECT_TRUE(TilesCanvas({200, 100}, {{0, 0, 200, 100}}));
    // A gap: a shorter monitor beside the primary.
    EXPECT_FALSE(TilesCanvas(canvas, {{0, 0, 200, 100}, {200, 0, 300, 80}}));
    // The right area, but two overlap and leave a gap elsewhere.
    EXPECT_FALSE(TilesCanvas(canvas, {{0, 0, 200, 100}, {150, 0, 250, 100}}));
    // Left of the primary: drawn wrapped, so left to the fill as before.
    EXPECT_FALSE(TilesCanvas(canvas, {{0, 0, 200, 100}, {-100, 0, 0, 100}}));
    EXPECT_FALSE(TilesCanvas(canvas, {{0, 0, 200, 100}, {200, 0, 400, 100}}));
    // A monitor whose picture failed is not drawn: its part keeps the fill.
    EXPECT_FALSE(TilesCanvas(canvas, {{0, 0, 200, 100}}));
    EXPECT_FALSE(TilesCanvas(canvas, {}));
}

TEST(DesktopCanvas, VirtualDesktopOffsetReachesLeftAndUp) {
    EXPECT_EQ(VirtualDesktopOffset({{{0, 0, 1920, 1080}, true}}), (DesktopOffset{0, 0}));
    EXPECT_EQ(VirtualDesktopOffset({{{0, 0, 1920, 1080}, true}, {{1920, 0, 3200, 1024}, false}}),
              (DesktopOffset{0, 0}));
    EXPECT_EQ(VirtualDesktopOffset({{{0, 0, 1920, 1080}, true},
                                    {{-1280, 56, 0, 1080}, false},
                                    {{200, -900, 1800, 0}, false}}),
              (DesktopOffset{1280, 900}));
    EXPECT_EQ(VirtualDesktopOffset({}), (DesktopOffset{0, 0}));
}

TEST(DesktopCanvas, PrimaryIsTheFirstFlaggedMonitor) {
    EXPECT_EQ(PrimaryMonitorIndex({{{}, false}, {{}, true}, {{}, true}}), 1);
    EXPECT_EQ(PrimaryMonitorIndex({{{}, false}}), -1);
}

}  // namespace
}  // namespace wylo
