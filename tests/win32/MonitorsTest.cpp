#include <gtest/gtest.h>
#include <windows.h>

#include "platform/Platform.h"

namespace wylo {
namespace {

// Wine shows one monitor; a real machine may have more, but always exactly
// one primary at the origin.
TEST(WindowsMonitors, OnePrimaryAtTheOriginWithTheScreenSize) {
    const auto platform = CreateSystemPlatform();
    const std::vector<Monitor> monitors = platform->Monitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_TRUE(monitors[0].primary);
    EXPECT_EQ(monitors[0].bounds.left, 0);
    EXPECT_EQ(monitors[0].bounds.top, 0);
    EXPECT_EQ(monitors[0].bounds.Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(monitors[0].bounds.Height(), GetSystemMetrics(SM_CYSCREEN));
}

TEST(WindowsMonitors, VirtualDesktopSizeCoversTheMonitors) {
    const auto platform = CreateSystemPlatform();
    const Size size = platform->VirtualDesktopSize();
    const std::vector<Monitor> monitors = platform->Monitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_GT(size.width, 0);
    EXPECT_GT(size.height, 0);
    EXPECT_EQ(size, (Size{monitors[0].bounds.Width(), monitors[0].bounds.Height()}));
}

}  // namespace
}  // namespace wylo
