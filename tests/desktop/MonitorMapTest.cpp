#include <ostream>

#include <gtest/gtest.h>

#include "desktop/MonitorMap.h"

namespace wylo {

// Readable failures: "(left, top) width x height".
void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ") " << r.Width() << " x " << r.Height();
}

namespace {

constexpr Size kPanel1{374, 263};

Rect At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

Monitor Mon(int left, int top, int width, int height, bool primary = false) {
    return {At(left, top, width, height), primary};
}

TEST(FitPanel, ShrinksWideChildToHostWidthLessMargin) {
    EXPECT_EQ(FitPanel(kPanel1, {1920, 1080}, 10), At(5, 28, 364, 206));
}

TEST(FitPanel, ShrinksTallChildToHostHeightLessMargin) {
    EXPECT_EQ(FitPanel(kPanel1, {1080, 1920}, 10), At(115, 5, 144, 253));
}

TEST(FitPanel, ChildThatFitsKeepsItsSizeAndIsCentred) {
    EXPECT_EQ(FitPanel(kPanel1, {300, 200}, 10), At(37, 31, 300, 200));
    EXPECT_EQ(FitPanel(kPanel1, {374, 263}, 10), At(0, 0, 374, 263));
}

TEST(FitPanel, OnlyTooTallChildStillGrowsTwoPixelsOnTheRecomputedSide) {
    // 200 x 300 is taller than the host: the first step recomputes the width
    // (200 + 2), then the height is cut to 253 and the width follows it.
    EXPECT_EQ(FitPanel(kPanel1, {200, 300}, 10), At(102, 5, 170, 253));
}

TEST(FitPanel, DegenerateSizesDoNotDivideByZero) {
    EXPECT_EQ(FitPanel(kPanel1, {0, 0}, 10), At(187, 131, 0, 0));
    EXPECT_EQ(FitPanel(kPanel1, {1000, 0}, 10), At(-313, 131, 1000, 0));
    EXPECT_EQ(FitPanel({0, 0}, {100, 50}, 10).Width(), -10);
}

TEST(MonitorMap, OneFullHdMonitor) {
    const auto layout = LayoutMonitorMap(kPanel1, {Mon(0, 0, 1920, 1080, true)}, {1920, 1080});
    EXPECT_EQ(layout.map, At(5, 28, 364, 206));
    ASSERT_EQ(layout.monitors.size(), 1u);
    // 1080 / (1920 / 364) = 204.75 rounds to 205.
    EXPECT_EQ(layout.monitors[0].bounds, At(0, 0, 362, 203));
    EXPECT_EQ(layout.monitors[0].caption, "1");
    EXPECT_EQ(layout.monitors[0].hint, "1920x1080");
    EXPECT_EQ(MetricsText(layout),
              "Monitor Count : 1\n\nMonitor 1 Resolution : 1920x1080\n\n"
              "Desktop Resolution : 1920x1080");
}

TEST(MonitorMap, SecondMonitorLeftOfThePrimaryShiftsTheMapByTheOffset) {
    const auto layout = LayoutMonitorMap(
        kPanel1, {Mon(0, 0, 1920, 1080, true), Mon(-1280, 0, 1280, 1024)}, {3200, 1080});
    EXPECT_EQ(layout.map, At(5, 69, 364, 124));
    ASSERT_EQ(layout.monitors.size(), 2u);
    EXPECT_EQ(layout.monitors[0].bounds, At(146, 0, 216, 121));
    EXPECT_EQ(layout.monitors[1].bounds, At(0, 0, 144, 114));
    EXPECT_EQ(layout.monitors[1].caption, "2");
    EXPECT_EQ(layout.metricsLines,
              (std::vector<std::string>{"Monitor Count : 2", "", "Monitor 1 Resolution : 1920x1080",
                                        "Monitor 2 Resolution : 1280x1024", "",
                                        "Desktop Resolution : 3200x1080"}));
}

TEST(MonitorMap, TwoMonitorsSideBySide) {
    const auto layout = LayoutMonitorMap(
        kPanel1, {Mon(0, 0, 1920, 1080, true), Mon(1920, 0, 1920, 1080)}, {3840, 1080});
    EXPECT_EQ(layout.map, At(5, 79, 364, 104));
    ASSERT_EQ(layout.monitors.size(), 2u);
    EXPECT_EQ(layout.monitors[0].bounds, At(0, 0, 180, 100));
    EXPECT_EQ(layout.monitors[1].bounds, At(182, 0, 180, 100));
}

TEST(MonitorMap, PortraitMonitorIsOnePixelTallerThanItsMap) {
    const auto layout = LayoutMonitorMap(kPanel1, {Mon(0, 0, 1080, 1920, true)}, {1080, 1920});
    EXPECT_EQ(layout.map, At(115, 5, 144, 253));
    ASSERT_EQ(layout.monitors.size(), 1u);
    EXPECT_EQ(layout.monitors[0].bounds, At(0, 0, 142, 254));
}

TEST(MonitorMap, SmallDesktopIsDrawnAtItsOwnSize) {
    const auto layout = LayoutMonitorMap(kPanel1, {Mon(0, 0, 300, 200, true)}, {300, 200});
    EXPECT_EQ(layout.map, At(37, 31, 300, 200));
    EXPECT_EQ(layout.monitors.at(0).bounds, At(0, 0, 298, 198));
}

TEST(MonitorMap, MonitorAboveThePrimaryIsPlacedByTheVerticalOffset) {
    const auto layout = LayoutMonitorMap(
        kPanel1, {Mon(0, 0, 1920, 1080, true), Mon(0, -1080, 1920, 1080)}, {1920, 2160});
    // 1920 x 2160 is taller than wide: the height is cut to 253.
    EXPECT_EQ(layout.map, At(74, 5, 226, 253));
    ASSERT_EQ(layout.monitors.size(), 2u);
    // 253 / 2160 * 1080 = 126.5: halves round to the even neighbour.
    EXPECT_EQ(layout.monitors[0].bounds.top, 126);
    EXPECT_EQ(layout.monitors[1].bounds.top, 0);
}

TEST(MonitorMap, NoMonitorsGivesTheTextAndNoPanels) {
    const auto layout = LayoutMonitorMap(kPanel1, {}, {0, 0});
    EXPECT_TRUE(layout.monitors.empty());
    EXPECT_EQ(MetricsText(layout), "Monitor Count : 0\n\n\nDesktop Resolution : 0x0");
}

}  // namespace
}  // namespace wylo
