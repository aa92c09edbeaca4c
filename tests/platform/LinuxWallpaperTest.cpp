// The parts of the Linux back-end that need no X display.
#include <string>

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "base/Error.h"
#include "compose/BmpFile.h"
#include "platform/AppFolder.h"
#include "platform/linux/DesktopEnvironment.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxWallpaper.h"
#include "platform/linux/X11Desktop.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::CoordinateColour;
using test::CoordinatePattern;
using test::ScopedEnv;
using test::TempDir;

TEST(TileCoordinate, WrapsPositionsBeforeTheOriginToTheFarEnd) {
    EXPECT_EQ(TileCoordinate(1280, 1280, 3200), 0);
    EXPECT_EQ(TileCoordinate(0, 1280, 3200), 1920);
    EXPECT_EQ(TileCoordinate(1279, 1280, 3200), 3199);
    EXPECT_EQ(TileCoordinate(4480, 1280, 3200), 0);
    EXPECT_EQ(TileCoordinate(-1, 0, 7), 6);
    EXPECT_EQ(TileCoordinate(5, 0, 1), 0);
}

TEST(ShiftForVirtualDesktop, MovesEveryPixelByTheOffsetWithWrap) {
    const Bitmap original = CoordinatePattern(7, 5);
    for (const DesktopOffset offset :
         {DesktopOffset{3, 2}, DesktopOffset{0, 4}, DesktopOffset{10, 0}, DesktopOffset{6, 11}}) {
        const Bitmap shifted = ShiftForVirtualDesktop(original, offset);
        ASSERT_EQ(shifted.width(), 7);
        ASSERT_EQ(shifted.height(), 5);
        for (int v = 0; v < 5; ++v) {
            for (int u = 0; u < 7; ++u) {
                const int x = ((u - offset.dx) % 7 + 7) % 7;
                const int y = ((v - offset.dy) % 5 + 5) % 5;
                ASSERT_EQ(shifted.Pixel(u, v), CoordinateColour(x, y))
                    << "u=" << u << " v=" << v << " dx=" << offset.dx << " dy=" << offset.dy;
            }
        }
    }
}

TEST(ShiftForVirtualDesktop, ZeroOffsetIsAnExactCopy) {
    const Bitmap original = CoordinatePattern(13, 3);
    const Bitmap shifted = ShiftForVirtualDesktop(original, {0, 0});
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(shifted.Pixel(x, y), original.Pixel(x, y));
        }
    }
}

TEST(ShiftForVirtualDesktop, LeftMonitorLayoutPutsTheCanvasOriginAtThePrimary) {
    // Canvas 3200 wide, a 1280-wide monitor left of the primary: seen from the
    // virtual desktop's left edge, the primary's origin is 1280 in.
    const Bitmap canvas = CoordinatePattern(3200, 4);
    const Bitmap shifted = ShiftForVirtualDesktop(canvas, {1280, 0});
    EXPECT_EQ(shifted.Pixel(1280, 0), CoordinateColour(0, 0));
    EXPECT_EQ(shifted.Pixel(0, 0), CoordinateColour(1920, 0));
    EXPECT_EQ(shifted.Pixel(1279, 3), CoordinateColour(3199, 3));
}

TEST(DetectDesktopSession, ReadsEveryNameOfTheList) {
    EXPECT_TRUE(DetectDesktopSession("ubuntu:GNOME").gnome);
    EXPECT_TRUE(DetectDesktopSession("gnome").gnome);
    EXPECT_TRUE(DetectDesktopSession("Budgie:GNOME").gnome);
    EXPECT_TRUE(DetectDesktopSession("GNOME-Flashback:GNOME").gnome);
    EXPECT_TRUE(DetectDesktopSession("X-Cinnamon").cinnamon);
    EXPECT_TRUE(DetectDesktopSession("MATE").mate);
    EXPECT_TRUE(DetectDesktopSession("XFCE").xfce);
    EXPECT_TRUE(DetectDesktopSession("KDE").plasma);
    EXPECT_FALSE(DetectDesktopSession("KDE").gnome);
    EXPECT_TRUE(DetectDesktopSession("LXDE").lxde);
    EXPECT_TRUE(DetectDesktopSession("LXQt").lxqt);
    EXPECT_TRUE(DetectDesktopSession("sway").sway);
}

TEST(DetectDesktopSession, UnknownOrEmptyMeansNone) {
    EXPECT_FALSE(DetectDesktopSession("").Any());
    EXPECT_FALSE(DetectDesktopSession("i3").Any());
    EXPECT_FALSE(DetectDesktopSession(":").Any());
    EXPECT_FALSE(DetectDesktopSession("GNOMEISH").Any());
}

TEST(PlasmaWallpaperScript, QuotesTheAddressSafely) {
    const std::string script =
        PlasmaWallpaperScript("file:///a\"b\\c\nd);evil();//\xE2\x80\xA8x", true);
    EXPECT_NE(script.find(R"("file:///a\"b\\c\u000ad);evil();//\u2028x")"), std::string::npos)
        << script;
    EXPECT_NE(script.find("\"FillMode\", 3"), std::string::npos);
    EXPECT_NE(PlasmaWallpaperScript("file:///x", false).find("\"FillMode\", 6"), std::string::npos);
}

TEST(RunProgram, ReportsExitStatusAndOutput) {
    std::string output;
    EXPECT_EQ(RunProgram({"sh", "-c", "printf 'one\\ntwo'; exit 3"}, &output), 3);
    EXPECT_EQ(output, "one\ntwo");
    EXPECT_EQ(RunProgram({"true"}), 0);
}

TEST(RunProgram, MissingProgramOrHangingProgramGivesMinusOne) {
    EXPECT_EQ(RunProgram({"wylo-no-such-program-anywhere"}), -1);
    EXPECT_EQ(RunProgram({}), -1);
    std::string output;
    EXPECT_EQ(RunProgram({"sleep", "30"}, &output, std::chrono::milliseconds(200)), -1);
    EXPECT_EQ(RunProgram({"sleep", "30"}, nullptr, std::chrono::milliseconds(200)), -1);
}

TEST(SetLinuxWallpaper, NoDisplayAndNoDesktopIsAReadableError) {
    TempDir dir;
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(8, 8));
    ScopedEnv display("DISPLAY", nullptr);
    try {
        SetLinuxWallpaper(dir / "desktop.bmp", true, "");
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(
            std::string(e.what()).find(
                "No desktop took the picture: no way to set the wallpaper on this desktop (X11)"),
            std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("X display"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-a.bmp"));
}

TEST(SetLinuxWallpaper, UnreadableFileIsAnErrorBeforeAnythingChanges) {
    TempDir dir;
    test::WriteFile(dir / "desktop.bmp", "not a bitmap");
    EXPECT_THROW(SetLinuxWallpaper(dir / "desktop.bmp", true, ""), Error);
    EXPECT_THROW(SetLinuxWallpaper(dir / "missing.bmp", true, ""), Error);
}

TEST(LinuxPlatform, AppFolderLivesUnderXdgDataHome) {
    LinuxPlatform platform;
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(AppFolder(platform), std::filesystem::path("/srv/data/Wylo/"));
    }
    {
        // A relative value is not allowed by the XDG rules and is ignored.
        ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
        ScopedEnv home("HOME", "/home/ann");
        EXPECT_EQ(AppFolder(platform), std::filesystem::path("/home/ann/.local/share/Wylo/"));
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/bob");
        EXPECT_EQ(platform.SharedDataFolder(), std::filesystem::path("/home/bob/.local/share"));
    }
}

TEST(LinuxPlatform, NoDisplayMeansNoMonitors) {
    ScopedEnv display("DISPLAY", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv sway("SWAYSOCK", nullptr);
    LinuxPlatform platform;
    EXPECT_TRUE(platform.Monitors().empty());
    EXPECT_EQ(platform.VirtualDesktopSize(), Size{});
    platform.Beep();  // quietly nothing
}

}  // namespace
}  // namespace wylo
