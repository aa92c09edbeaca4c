// The Linux desktop back-ends without a desktop: file names, crops, session
// detection and the commands handed to the desktops' own tools, which are
// stood in for by small scripts on PATH that record what they were given.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "base/Error.h"
#include "compose/BmpFile.h"
#include "platform/linux/DesktopEnvironment.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxWallpaper.h"
#include "platform/linux/PcmanfmDesktop.h"
#include "platform/linux/WaylandDesktop.h"
#include "platform/linux/X11Desktop.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::CoordinateColour;
using test::CoordinatePattern;
using test::ScopedEnv;
using test::TempDir;

SessionEnvironment Session(const char* desktop, bool wayland = false, bool sway = false) {
    SessionEnvironment e;
    e.currentDesktop = desktop;
    e.wayland = wayland;
    e.swaySocket = sway;
    return e;
}

// --- Session detection ---

TEST(SessionDetection, WaylandWithoutAKnownDesktopGetsItsOwnBackground) {
    EXPECT_TRUE(DetectDesktopSession(Session("", true)).wlroots);
    EXPECT_TRUE(DetectDesktopSession(Session("Hyprland", true)).wlroots);
    // sway is known by its socket, whatever the session is called.
    const DesktopSession sway = DetectDesktopSession(Session("", true, true));
    EXPECT_TRUE(sway.sway);
    EXPECT_FALSE(sway.wlroots);
    // GNOME and Plasma keep their own settings on Wayland too.
    EXPECT_TRUE(DetectDesktopSession(Session("GNOME", true)).gnome);
    EXPECT_FALSE(DetectDesktopSession(Session("GNOME", true)).wlroots);
    EXPECT_FALSE(DetectDesktopSession(Session("KDE", true)).wlroots);
    // On X11 an unknown desktop has only the root window.
    EXPECT_FALSE(DetectDesktopSession(Session("i3")).Any());
}

TEST(SessionDetection, NameForMessages) {
    EXPECT_EQ(DesktopSessionName(Session("LXDE")), "LXDE");
    EXPECT_EQ(DesktopSessionName(Session("", true)), "Wayland");
    EXPECT_EQ(DesktopSessionName(Session("")), "X11");
}

// --- File names ---

TEST(DesktopFiles, EveryChangeUsesTheOtherNameAndRemovesTheEarlierFiles) {
    TempDir dir;
    const std::filesystem::path wallpaper = dir / "desktop.bmp";
    const Bitmap picture = CoordinatePattern(6, 4);
    WriteBmpFile(wallpaper, picture);
    test::WriteFile(dir / "desktop-de.bmp", "left by an earlier version");

    DesktopFiles first(wallpaper);
    EXPECT_EQ(first.Letter(), 'a');
    EXPECT_EQ(first.Canvas(picture, {}), dir / "desktop-a.bmp");
    EXPECT_EQ(first.Monitor(1, picture), dir / "desktop-a-2.bmp");
    first.Keep();
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-de.bmp"));

    DesktopFiles second(wallpaper);
    EXPECT_EQ(second.Letter(), 'b');
    EXPECT_EQ(second.Canvas(picture, {}), dir / "desktop-b.bmp");
    second.Keep();
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-a.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-a-2.bmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "desktop-b.bmp"));
    EXPECT_TRUE(std::filesystem::exists(wallpaper)) << "the wallpaper itself keeps its name";

    // A change no desktop took removes only its own files.
    DesktopFiles third(wallpaper);
    EXPECT_EQ(third.Letter(), 'a');
    third.Canvas(picture, {});
    third.Discard();
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "desktop-b.bmp"));
    EXPECT_EQ(ReadBmpFile(dir / "desktop-b.bmp").Pixel(5, 3), picture.Pixel(5, 3));
}

// --- Each monitor's own picture ---

TEST(CropForMonitor, TiledShowsWhatTheRootShowsOnThatMonitor) {
    // The default layout: primary 1920 x 1080 at the origin, a 1280 x 1024
    // on its left, 56 lower; the canvas is 3200 x 1080.
    const Bitmap canvas = CoordinatePattern(3200, 1080);
    const Rect primary{0, 0, 1920, 1080};
    const Bitmap left = CropForMonitor(canvas, Rect{-1280, 56, 0, 1080}, true, primary);
    ASSERT_EQ(left.width(), 1280);
    ASSERT_EQ(left.height(), 1024);
    EXPECT_EQ(left.Pixel(0, 0), CoordinateColour(1920, 56));
    EXPECT_EQ(left.Pixel(1279, 1023), CoordinateColour(3199, 1079));
    const Bitmap main = CropForMonitor(canvas, primary, true, primary);
    EXPECT_EQ(main.Pixel(0, 0), CoordinateColour(0, 0));
    EXPECT_EQ(main.Pixel(1919, 1079), CoordinateColour(1919, 1079));

    // A picture smaller than the monitor repeats.
    const Bitmap tile = CoordinatePattern(7, 5);
    const Bitmap repeated = CropForMonitor(tile, Rect{-3, 2, 20, 12}, true, primary);
    EXPECT_EQ(repeated.Pixel(0, 0), CoordinateColour(4, 2));
    EXPECT_EQ(repeated.Pixel(3, 3), CoordinateColour(0, 0));
}

TEST(CropForMonitor, UntiledIsCentredOnThePrimaryOnBlack) {
    const Bitmap picture = CoordinatePattern(10, 6);
    const Rect primary{0, 0, 20, 10};
    const Bitmap main = CropForMonitor(picture, primary, false, primary);
    EXPECT_EQ(main.Pixel(5, 2), CoordinateColour(0, 0));
    EXPECT_EQ(main.Pixel(14, 7), CoordinateColour(9, 5));
    EXPECT_EQ(main.Pixel(4, 2), kBlack);
    EXPECT_EQ(main.Pixel(15, 7), kBlack);
    const Bitmap other = CropForMonitor(picture, Rect{-20, 0, 0, 10}, false, primary);
    EXPECT_EQ(other.Pixel(10, 5), kBlack);
}

// --- sway and other Wayland compositors ---

constexpr const char* kSwayOutputs = R"([
  {"name": "HEADLESS-1", "active": true, "focused": false,
   "rect": {"x": 1280, "y": 0, "width": 1920, "height": 1080}},
  {"name": "HEADLESS-2", "active": true, "focused": true,
   "rect": {"x": 0, "y": 56, "width": 1280, "height": 1024}},
  {"name": "HEADLESS-3", "active": false,
   "rect": {"x": 0, "y": 0, "width": 0, "height": 0}}
])";

TEST(SwayOutputs, ReadsActiveOutputsOnly) {
    const std::vector<WaylandOutput> outputs = ParseSwayOutputs(kSwayOutputs);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0], (WaylandOutput{"HEADLESS-1", Rect{1280, 0, 3200, 1080}, false}));
    EXPECT_EQ(outputs[1], (WaylandOutput{"HEADLESS-2", Rect{0, 56, 1280, 1080}, true}));
    EXPECT_TRUE(ParseSwayOutputs("").empty());
    EXPECT_TRUE(ParseSwayOutputs("{\"name\": 1}").empty());
    EXPECT_TRUE(ParseSwayOutputs(R"([{"name": "X", "active": true, "rect": {"x": "0"}}])").empty());
}

TEST(SwayOutputs, PrimaryIsTheOutputAtTheOriginElseTheFocusedOne) {
    // Neither output is at (0, 0): the focused one is the primary.
    std::vector<Monitor> monitors = MonitorsFromOutputs(ParseSwayOutputs(kSwayOutputs));
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[1], (Monitor{Rect{0, 0, 1280, 1024}, true}));
    EXPECT_EQ(monitors[0], (Monitor{Rect{1280, -56, 3200, 1024}, false}));

    monitors = MonitorsFromOutputs({{"A", Rect{-100, 0, 0, 50}, true}, {"B", Rect{0, 0, 80, 60}}});
    EXPECT_FALSE(monitors[0].primary);
    EXPECT_EQ(monitors[1], (Monitor{Rect{0, 0, 80, 60}, true}));
    EXPECT_TRUE(MonitorsFromOutputs({}).empty());
}

TEST(SwayCommands, PathsAreQuotedOrRefused) {
    EXPECT_EQ(SwayBackgroundCommand("DP-1", "/home/a b/desktop-a-1.bmp", true),
              (std::vector<std::string>{"swaymsg", "output", "\"DP-1\"", "bg",
                                        "\"/home/a b/desktop-a-1.bmp\"", "tile"}));
    // sway's command language would split or end the command here.
    EXPECT_TRUE(SwayBackgroundCommand("DP-1", "/home/x\"; exec rm -rf ~/a.bmp", true).empty());
    EXPECT_TRUE(SwayBackgroundCommand("DP-1", "/home/x\\y.bmp", true).empty());
    EXPECT_TRUE(SwayBackgroundCommand("", "/a.bmp", true).empty());

    EXPECT_EQ(SwaybgArguments({{"A", "/p/a.bmp"}, {"B", "/p/b.bmp"}}, true),
              (std::vector<std::string>{"swaybg", "-o", "A", "-i", "/p/a.bmp", "-m", "tile", "-o",
                                        "B", "-i", "/p/b.bmp", "-m", "tile"}));
}

TEST(FileUri, EscapesWhatAFileUriCannotCarryAndMakesThePathAbsolute) {
    EXPECT_EQ(FileUri("/home/ann/My Pictures/50%#1.bmp"),
              "file:///home/ann/My%20Pictures/50%25%231.bmp");
    // UTF-8 names byte by byte; what a path may carry stays as it is.
    EXPECT_EQ(FileUri("/tmp/K\xC3\xB6ln/a-b_c.d~e!$&'()*+,;=:@.bmp"),
              "file:///tmp/K%C3%B6ln/a-b_c.d~e!$&'()*+,;=:@.bmp");
    EXPECT_EQ(FileUri("/tmp/a?b\nc.bmp"), "file:///tmp/a%3Fb%0Ac.bmp");
    const std::string relative = FileUri("desktop.bmp");
    EXPECT_EQ(relative.rfind("file:///", 0), 0u) << relative;
    EXPECT_TRUE(relative.ends_with("/desktop.bmp")) << relative;
}

TEST(XfceBackdropMonitor, NameBetweenMonitorAndTheNextSlash) {
    EXPECT_EQ(XfceBackdropMonitor("/backdrop/screen0/monitorHDMI-1/workspace0/last-image"),
              "HDMI-1");
    EXPECT_EQ(XfceBackdropMonitor("/backdrop/screen0/monitor0/image-path"), "0");
    EXPECT_EQ(XfceBackdropMonitor("/backdrop/screen0/last-image"), "");
}

TEST(PcmanfmCommands, OneArgumentPerOption) {
    EXPECT_EQ(PcmanfmWallpaperCommand("/w/-x.bmp", true, false),
              (std::vector<std::string>{"pcmanfm", "--set-wallpaper=/w/-x.bmp",
                                        "--wallpaper-mode=tile"}));
    EXPECT_EQ(PcmanfmWallpaperCommand("/w/x.bmp", false, true)[0], "pcmanfm-qt");
}

TEST(PlasmaWallpaperScript, GivesEachScreenItsOwnPicture) {
    const std::string script = PlasmaWallpaperScript(
        "file:///w/desktop-a.bmp", true,
        {{0, 56, 1280, 1024, "file:///w/desktop-a-2.bmp"}, {1280, 0, 1920, 1080, "file:///1"}});
    EXPECT_NE(
        script.find(
            R"([[0, 56, 1280, 1024, "file:///w/desktop-a-2.bmp"], [1280, 0, 1920, 1080, "file:///1"]])"),
        std::string::npos)
        << script;
    EXPECT_NE(script.find("screenGeometry(d.screen)"), std::string::npos);
    EXPECT_NE(script.find("writeConfig(\"Image\", picture)"), std::string::npos);
}

// --- The whole path with the desktops' tools stood in for ---

class StandInTools : public ::testing::Test {
protected:
    void SetUp() override {
        bin_ = dir_ / "bin";
        std::filesystem::create_directories(bin_);
        path_.emplace("PATH", (bin_.string() + ":/usr/bin:/bin").c_str());
        display_.emplace("DISPLAY", nullptr);
    }

    // A program on PATH that appends its arguments, one a line, to
    // calls.txt, prints output and exits with status.
    void Tool(const std::string& name, const std::string& output = "", int status = 0) {
        const std::filesystem::path file = bin_ / name;
        test::WriteFile(file, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                  (dir_ / "calls.txt").string() + "'\necho -- >> '" +
                                  (dir_ / "calls.txt").string() + "'\ncat <<'EOF'\n" + output +
                                  "\nEOF\nexit " + std::to_string(status) + "\n");
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }

    std::string Calls() { return test::ReadFile(dir_ / "calls.txt"); }

    TempDir dir_;
    std::filesystem::path bin_;
    std::optional<ScopedEnv> path_;
    std::optional<ScopedEnv> display_;
};

TEST_F(StandInTools, LxdeGetsANewFileAtEveryChange) {
    Tool("pcmanfm");
    const std::filesystem::path wallpaper = dir_ / "desktop.bmp";
    WriteBmpFile(wallpaper, CoordinatePattern(30, 20));
    SetLinuxWallpaper(wallpaper, true, Session("LXDE"));
    SetLinuxWallpaper(wallpaper, true, Session("LXDE"));
    const std::string a = (dir_ / "desktop-a.bmp").string();
    const std::string b = (dir_ / "desktop-b.bmp").string();
    EXPECT_EQ(Calls(), "--set-wallpaper=" + a + "\n--wallpaper-mode=tile\n--\n--set-wallpaper=" +
                           b + "\n--wallpaper-mode=tile\n--\n");
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(ReadBmpFile(b).Pixel(29, 19), CoordinateColour(29, 19));
}

TEST_F(StandInTools, SwayGetsEachOutputsOwnCrop) {
    Tool("swaymsg", kSwayOutputs);
    const std::filesystem::path wallpaper = dir_ / "desktop.bmp";
    // Composed with HEADLESS-2 (focused, hence primary) at the origin.
    WriteBmpFile(wallpaper, CoordinatePattern(3200, 1080));
    SetLinuxWallpaper(wallpaper, true, Session("sway", true, true));
    const std::string calls = Calls();
    const std::filesystem::path one = dir_ / "desktop-a-1.bmp";
    const std::filesystem::path two = dir_ / "desktop-a-2.bmp";
    EXPECT_NE(calls.find("output\n\"HEADLESS-1\"\nbg\n\"" + one.string() + "\"\ntile\n"),
              std::string::npos)
        << calls;
    EXPECT_NE(calls.find("output\n\"HEADLESS-2\"\nbg\n\"" + two.string() + "\"\ntile\n"),
              std::string::npos)
        << calls;
    const Bitmap primary = ReadBmpFile(two);
    EXPECT_EQ(primary.width(), 1280);
    EXPECT_EQ(primary.Pixel(0, 0), CoordinateColour(0, 0));
    const Bitmap right = ReadBmpFile(one);
    EXPECT_EQ(right.width(), 1920);
    // Right of the primary and 56 above it: the top rows wrap to the bottom.
    EXPECT_EQ(right.Pixel(0, 0), CoordinateColour(1280, 1024));
    EXPECT_EQ(right.Pixel(0, 56), CoordinateColour(1280, 0));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "desktop-a.bmp")) << "no whole-desktop copy";
}

// Plasma's shell answers a script even before it has loaded its desktops;
// then the script changed none, and the change must not count as installed.
TEST_F(StandInTools, PlasmaWithoutDesktopsTookNothing) {
    const std::filesystem::path wallpaper = dir_ / "desktop.bmp";
    WriteBmpFile(wallpaper, CoordinatePattern(8, 8));
    Tool("qdbus", "0");
    EXPECT_FALSE(SetPlasmaWallpaper(wallpaper, true));
    EXPECT_NE(Calls().find("print(all.length);"), std::string::npos) << Calls();
    Tool("qdbus", "2");
    EXPECT_TRUE(SetPlasmaWallpaper(wallpaper, true));
    // A shell that prints nothing is taken at its word.
    Tool("qdbus", "");
    EXPECT_TRUE(SetPlasmaWallpaper(wallpaper, true));
}

TEST_F(StandInTools, RefusingDesktopIsReportedOnceByThePlatform) {
    Tool("pcmanfm", "", 1);
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "LXDE");
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    ScopedEnv sway("SWAYSOCK", nullptr);
    const std::filesystem::path wallpaper = dir_ / "desktop.bmp";
    WriteBmpFile(wallpaper, CoordinatePattern(8, 8));
    LinuxPlatform platform;
    try {
        platform.SetWallpaper(wallpaper, true);
        FAIL() << "a desktop that took nothing is not a success";
    } catch (const Error& e) {
        EXPECT_NE(
            std::string(e.what()).find(
                "No desktop took the picture: no way to set the wallpaper on this desktop (LXDE)"),
            std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("pcmanfm did not accept it"), std::string::npos);
    }
    EXPECT_NO_THROW(platform.SetWallpaper(wallpaper, true)) << "told once, not at every change";
    EXPECT_FALSE(std::filesystem::exists(dir_ / "desktop-a.bmp"));
}

TEST_F(StandInTools, WaylandWithoutAnyBackEndIsAnHonestError) {
    // A Wayland session whose compositor cannot be reached and no swaybg.
    const std::filesystem::path wallpaper = dir_ / "desktop.bmp";
    WriteBmpFile(wallpaper, CoordinatePattern(8, 8));
    ScopedEnv wayland("WAYLAND_DISPLAY", "wylo-test-no-such-display");
    try {
        SetLinuxWallpaper(wallpaper, true, Session("", true));
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("(Wayland)"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace wylo
