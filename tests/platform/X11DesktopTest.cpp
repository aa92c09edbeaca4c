// The X11 back-end against a real X server (run under scripts/with-xvfb).
// Most cases hold for any monitor layout; the X11Monitors cases expect the
// default one: a 3200 x 1080 screen, the primary 1920 x 1080 at root x 1280
// and a 1280 x 1024 on its left, 56 pixels lower.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "base/Error.h"
#include "compose/BmpFile.h"
#include "compose/DesktopCanvas.h"
#include "desktop/Wallpaper.h"
#include "platform/linux/DesktopEnvironment.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxWallpaper.h"
#include "platform/linux/X11Desktop.h"
#include "support/TempDir.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace wylo {
namespace {

using test::CoordinateColour;
using test::CoordinatePattern;
using test::ScopedEnv;
using test::TempDir;

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct ImageDeleter {
    void operator()(XImage* i) const { XDestroyImage(i); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

int g_errors = 0;
int CountError(Display*, XErrorEvent*) {
    ++g_errors;
    return 0;
}

class X11Test : public ::testing::Test {
protected:
    void SetUp() override {
        display_.reset(XOpenDisplay(nullptr));
        ASSERT_TRUE(display_) << "these tests need an X display (scripts/with-xvfb)";
        d_ = display_.get();
        root_ = DefaultRootWindow(d_);
        rootWidth_ = DisplayWidth(d_, DefaultScreen(d_));
        rootHeight_ = DisplayHeight(d_, DefaultScreen(d_));
        const Visual* v = DefaultVisual(d_, DefaultScreen(d_));
        ASSERT_EQ(v->red_mask, 0xFF0000u);
        ASSERT_EQ(v->blue_mask, 0xFFu);
        const std::vector<Monitor> monitors = X11RootMonitors();
        const auto primary = std::find_if(monitors.begin(), monitors.end(),
                                          [](const Monitor& m) { return m.primary; });
        ASSERT_NE(primary, monitors.end());
        primary_ = primary->bounds;
    }

    std::optional<Pixmap> PixmapProperty(const char* name) { return RootPixmapProperty(d_, name); }

    void SetPixmapProperty(const char* name, Pixmap pixmap) {
        const Atom atom = XInternAtom(d_, name, False);
        XChangeProperty(d_, root_, atom, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSync(d_, False);
    }

    bool PixmapExists(Pixmap pixmap) {
        XSync(d_, False);
        g_errors = 0;
        auto previous = XSetErrorHandler(&CountError);
        Window r;
        int x, y;
        unsigned w, h, border, depth;
        const Status ok = XGetGeometry(d_, pixmap, &r, &x, &y, &w, &h, &border, &depth);
        XSync(d_, False);
        XSetErrorHandler(previous);
        return ok && g_errors == 0;
    }

    ImagePtr Capture(Drawable drawable) {
        return ImagePtr(XGetImage(d_, drawable, 0, 0, static_cast<unsigned>(rootWidth_),
                                  static_cast<unsigned>(rootHeight_), AllPlanes, ZPixmap));
    }

    static Colour ColourAt(XImage* image, int x, int y) {
        const unsigned long p = XGetPixel(image, x, y);
        return MakeColour(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                          static_cast<std::uint8_t>(p));
    }

    // Every root pixel must come from the bitmap tiled from the primary's
    // top-left corner.
    void ExpectTiledFromPrimary(XImage* image, const Bitmap& bitmap) {
        int mismatches = 0;
        for (int y = 0; y < rootHeight_ && mismatches < 5; ++y) {
            const int sy = TileCoordinate(y, primary_.top, bitmap.height());
            for (int x = 0; x < rootWidth_ && mismatches < 5; ++x) {
                const int sx = TileCoordinate(x, primary_.left, bitmap.width());
                if (ColourAt(image, x, y) != bitmap.Pixel(sx, sy)) {
                    ++mismatches;
                    ADD_FAILURE() << "root (" << x << ", " << y << ") should show bitmap (" << sx
                                  << ", " << sy << ")";
                }
            }
        }
    }

    DisplayPtr display_;
    Display* d_ = nullptr;
    Window root_ = 0;
    int rootWidth_ = 0;
    int rootHeight_ = 0;
    Rect primary_;
};

bool IsDefaultLayout(const std::vector<Monitor>& monitors) {
    return monitors.size() == 2 && BoundingSize(monitors) == Size{3200, 1080};
}

// --- Monitors ---

using X11MonitorList = X11Test;

TEST_F(X11MonitorList, MovesTheOriginToThePrimaryAndFlagsOnlyIt) {
    const std::vector<Monitor> monitors = X11Monitors();
    if (!IsDefaultLayout(monitors)) {
        GTEST_SKIP() << "needs the default two-monitor layout";
    }
    const Monitor left{Rect{-1280, 56, 0, 1080}, false};
    const Monitor right{Rect{0, 0, 1920, 1080}, true};
    EXPECT_NE(std::find(monitors.begin(), monitors.end(), left), monitors.end());
    EXPECT_NE(std::find(monitors.begin(), monitors.end(), right), monitors.end());
    EXPECT_EQ(BoundingSize(monitors), (Size{3200, 1080}));
    EXPECT_EQ(VirtualDesktopOffset(monitors), (DesktopOffset{1280, 0}));

    LinuxPlatform platform;
    EXPECT_EQ(platform.Monitors(), monitors);
    EXPECT_EQ(platform.VirtualDesktopSize(), (Size{3200, 1080}));
}

TEST_F(X11MonitorList, FollowsChangesOfTheLayout) {
    if (!IsDefaultLayout(X11Monitors())) {
        GTEST_SKIP() << "needs the default two-monitor layout";
    }
    // Make the left monitor the primary one: everything moves with it. (A
    // monitor is replaced by deleting it first.)
    ASSERT_EQ(RunProgram({"xrandr", "--delmonitor", "LEFT"}), 0);
    ASSERT_EQ(RunProgram({"xrandr", "--setmonitor", "*LEFT", "1280/338x1024/270+0+56", "none"}), 0);
    std::vector<Monitor> monitors = X11Monitors();
    EXPECT_EQ(
        std::count_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; }),
        1);
    EXPECT_NE(std::find(monitors.begin(), monitors.end(), Monitor{Rect{0, 0, 1280, 1024}, true}),
              monitors.end());
    EXPECT_NE(
        std::find(monitors.begin(), monitors.end(), Monitor{Rect{1280, -56, 3200, 1024}, false}),
        monitors.end());

    ASSERT_EQ(RunProgram({"xrandr", "--delmonitor", "LEFT"}), 0);
    monitors = X11Monitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_TRUE(monitors[0].primary);
    EXPECT_EQ(monitors[0].bounds.left, 0);
    EXPECT_EQ(monitors[0].bounds.top, 0);

    // Back to the default layout for the other cases.
    ASSERT_EQ(RunProgram({"xrandr", "--delmonitor", "RIGHT"}), 0);
    ASSERT_EQ(RunProgram({"xrandr", "--setmonitor", "LEFT", "1280/338x1024/270+0+56", "none"}), 0);
    ASSERT_EQ(
        RunProgram({"xrandr", "--setmonitor", "*RIGHT", "1920/508x1080/286+1280+0", "screen"}), 0);
    EXPECT_TRUE(IsDefaultLayout(X11Monitors()));
}

// --- The root window's wallpaper ---

using RootWallpaper = X11Test;

TEST_F(RootWallpaper, CanvasSizedBitmapIsTiledFromThePrimaryOrigin) {
    const Size size = BoundingSize(X11Monitors());
    const Bitmap canvas = CoordinatePattern(size.width, size.height);
    X11SetRootWallpaper(canvas, true);

    const auto pixmap = PixmapProperty("_XROOTPMAP_ID");
    ASSERT_TRUE(pixmap);
    ImagePtr image = Capture(*pixmap);
    ASSERT_TRUE(image);
    ExpectTiledFromPrimary(image.get(), canvas);

    // The root window itself shows the same (nothing covers it here).
    ImagePtr shown = Capture(root_);
    ASSERT_TRUE(shown);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{primary_.left, primary_.top},
                               std::pair{rootWidth_ - 1, rootHeight_ - 1}}) {
        EXPECT_EQ(ColourAt(shown.get(), x, y), ColourAt(image.get(), x, y));
    }
}

TEST_F(RootWallpaper, DefaultLayoutShowsTheFarEndOnTheLeftMonitor) {
    if (!IsDefaultLayout(X11Monitors())) {
        GTEST_SKIP() << "needs the default two-monitor layout";
    }
    const Bitmap canvas = CoordinatePattern(3200, 1080);
    X11SetRootWallpaper(canvas, true);
    ImagePtr image = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(image);
    EXPECT_EQ(ColourAt(image.get(), 1280, 0), CoordinateColour(0, 0));  // primary's corner
    EXPECT_EQ(ColourAt(image.get(), 3199, 1079), CoordinateColour(1919, 1079));
    EXPECT_EQ(ColourAt(image.get(), 0, 56), CoordinateColour(1920, 56));  // left monitor
    EXPECT_EQ(ColourAt(image.get(), 1279, 1079), CoordinateColour(3199, 1079));
}

TEST_F(RootWallpaper, SmallBitmapRepeatsAcrossTheWholeRoot) {
    const Bitmap tile = CoordinatePattern(97, 61);
    X11SetRootWallpaper(tile, true);
    ImagePtr image = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(image);
    ExpectTiledFromPrimary(image.get(), tile);
}

TEST_F(RootWallpaper, PublishesOneRootSizedPixmapInBothProperties) {
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    const auto xroot = PixmapProperty("_XROOTPMAP_ID");
    const auto esetroot = PixmapProperty("ESETROOT_PMAP_ID");
    ASSERT_TRUE(xroot);
    ASSERT_TRUE(esetroot);
    EXPECT_EQ(*xroot, *esetroot);
    Window r;
    int x, y;
    unsigned w, h, border, depth;
    ASSERT_TRUE(XGetGeometry(d_, *xroot, &r, &x, &y, &w, &h, &border, &depth));
    EXPECT_EQ(static_cast<int>(w), rootWidth_);
    EXPECT_EQ(static_cast<int>(h), rootHeight_);
    EXPECT_EQ(static_cast<int>(depth), DefaultDepth(d_, DefaultScreen(d_)));
}

TEST_F(RootWallpaper, FreesThePixmapOfThePreviousSetter) {
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    const Pixmap first = *PixmapProperty("_XROOTPMAP_ID");
    ASSERT_TRUE(PixmapExists(first));
    X11SetRootWallpaper(CoordinatePattern(50, 20), true);
    const Pixmap second = *PixmapProperty("_XROOTPMAP_ID");
    EXPECT_NE(first, second);
    EXPECT_FALSE(PixmapExists(first)) << "every change would leak a screen-sized pixmap";
    EXPECT_TRUE(PixmapExists(second));
}

// The number of clients the server holds, retained ones included.
int ClientCount(Display* d) {
    int count = 0;
    XResClient* clients = nullptr;
    if (!XResQueryClients(d, &count, &clients)) {
        ADD_FAILURE() << "the server cannot list its clients";
        return -1;
    }
    XFree(clients);
    return count;
}

TEST_F(RootWallpaper, PixmapMadeAheadShowsTheSameAndOneLeftUnusedLeavesNothingBehind) {
    int eventBase = 0;
    int errorBase = 0;
    ASSERT_TRUE(XResQueryExtension(d_, &eventBase, &errorBase));
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    const Pixmap first = *PixmapProperty("_XROOTPMAP_ID");
    const int clients = ClientCount(d_);

    // A change that ends without a wallpaper: the root keeps its own, and the
    // pixmap made ahead goes with its connection.
    { X11RootPreparation unused; }
    EXPECT_EQ(*PixmapProperty("_XROOTPMAP_ID"), first);
    EXPECT_TRUE(PixmapExists(first));
    EXPECT_EQ(ClientCount(d_), clients);

    // Used, it shows exactly what a wallpaper set in one go shows, and the
    // earlier pixmap is freed as always.
    const Bitmap tile = CoordinatePattern(97, 61);
    {
        X11RootPreparation prepared;
        X11SetRootWallpaper(tile, true, prepared);
    }
    const auto second = PixmapProperty("_XROOTPMAP_ID");
    ASSERT_TRUE(second);
    EXPECT_NE(*second, first);
    EXPECT_FALSE(PixmapExists(first));
    EXPECT_EQ(PixmapProperty("ESETROOT_PMAP_ID"), second);
    ImagePtr image = Capture(*second);
    ASSERT_TRUE(image);
    ExpectTiledFromPrimary(image.get(), tile);
    // The one retained client is the new wallpaper's, in place of the old.
    EXPECT_EQ(ClientCount(d_), clients);
}

TEST_F(RootWallpaper, LeavesAPixmapOfAnotherProgramAlone) {
    // A desktop that publishes its own pixmap in _XROOTPMAP_ID only is alive
    // and owns it: it must not be killed.
    const Pixmap theirs = XCreatePixmap(d_, root_, 16, 16,
                                        static_cast<unsigned>(DefaultDepth(d_, DefaultScreen(d_))));
    SetPixmapProperty("_XROOTPMAP_ID", theirs);
    SetPixmapProperty("ESETROOT_PMAP_ID", None);
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    EXPECT_TRUE(PixmapExists(theirs)) << "the test's own connection was killed";
    XFreePixmap(d_, theirs);
}

TEST_F(RootWallpaper, LeavesAPixmapPublishedInBothPropertiesByALiveDesktopAlone) {
    // A desktop (caja) that publishes its own pixmap in both properties is
    // alive: ending its client would take the desktop down.
    const Pixmap theirs = XCreatePixmap(d_, root_, 16, 16,
                                        static_cast<unsigned>(DefaultDepth(d_, DefaultScreen(d_))));
    SetPixmapProperty("_XROOTPMAP_ID", theirs);
    SetPixmapProperty("ESETROOT_PMAP_ID", theirs);
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    X11SetRootWallpaper(CoordinatePattern(30, 40), true);
    EXPECT_TRUE(PixmapExists(theirs)) << "the test's own connection was killed";
    XFreePixmap(d_, theirs);
}

TEST_F(RootWallpaper, FreesItsOwnPixmapAfterAnotherProgramReplacedTheProperty) {
    // xfdesktop puts its own pixmap in _XROOTPMAP_ID: Wylo's must still go.
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    const Pixmap first = *PixmapProperty("_XROOTPMAP_ID");
    const Pixmap theirs = XCreatePixmap(d_, root_, 16, 16,
                                        static_cast<unsigned>(DefaultDepth(d_, DefaultScreen(d_))));
    SetPixmapProperty("_XROOTPMAP_ID", theirs);
    X11SetRootWallpaper(CoordinatePattern(50, 20), true);
    EXPECT_FALSE(PixmapExists(first)) << "every change would leak a screen-sized pixmap";
    EXPECT_TRUE(PixmapExists(theirs));
    XFreePixmap(d_, theirs);
}

TEST_F(RootWallpaper, StaleNoteNamingAnotherClientsWindowKillsNothing) {
    // Wylo's note outlived its pixmap and the id now belongs to a window of a
    // live client: the note is not trusted.
    const Window window = XCreateSimpleWindow(d_, root_, 0, 0, static_cast<unsigned>(rootWidth_),
                                              static_cast<unsigned>(rootHeight_), 0, 0, 0);
    const unsigned long note[4] = {window, static_cast<unsigned long>(rootWidth_),
                                   static_cast<unsigned long>(rootHeight_),
                                   static_cast<unsigned long>(DefaultDepth(d_, DefaultScreen(d_)))};
    XChangeProperty(d_, root_, XInternAtom(d_, "_WYLO_ROOT_PIXMAP", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(note), 4);
    XSync(d_, False);
    X11SetRootWallpaper(CoordinatePattern(40, 30), true);
    EXPECT_TRUE(PixmapExists(window)) << "the test's own connection was killed";
    XDestroyWindow(d_, window);
}

TEST_F(RootWallpaper, DesktopDrawingItsOwnBackgroundGetsNoRootPixmap) {
    // A stand-in pcmanfm that accepts the picture, and a desktop window over
    // the root as pcmanfm --desktop shows one.
    TempDir dir;
    std::filesystem::create_directories(dir / "bin");
    test::WriteFile(dir / "bin" / "pcmanfm", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(dir / "bin" / "pcmanfm", std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", ((dir / "bin").string() + ":/usr/bin:/bin").c_str());
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(64, 48));

    SetLinuxWallpaper(dir / "desktop.bmp", true, "");
    const Pixmap earlier = *PixmapProperty("_XROOTPMAP_ID");

    const Window desktop = XCreateSimpleWindow(d_, root_, 0, 0, static_cast<unsigned>(rootWidth_),
                                               static_cast<unsigned>(rootHeight_), 0, 0, 0);
    const Atom type = XInternAtom(d_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    XChangeProperty(d_, desktop, XInternAtom(d_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
    XMapWindow(d_, desktop);
    XSync(d_, False);
    ASSERT_TRUE(X11DesktopWindowPresent());

    // Nothing takes the picture but the hidden root: an error, not success.
    try {
        SetLinuxWallpaper(dir / "desktop.bmp", true, "i3");
        ADD_FAILURE() << "a hidden root is no success";
    } catch (const Error& e) {
        EXPECT_NE(
            std::string(e.what()).find(
                "No desktop took the picture: no way to set the wallpaper on this desktop (i3)"),
            std::string::npos)
            << e.what();
    }

    SetLinuxWallpaper(dir / "desktop.bmp", true, "LXDE");
    EXPECT_FALSE(PixmapExists(earlier));
    EXPECT_FALSE(PixmapProperty("_XROOTPMAP_ID")) << "no pixmap of Wylo's is left on the root";
    EXPECT_TRUE(std::filesystem::exists(dir / "desktop-a.bmp"));
    XDestroyWindow(d_, desktop);
    XSync(d_, False);
    EXPECT_FALSE(X11DesktopWindowPresent());
}

// A window manager that wraps each window twice (kwin: a frame and a
// wrapper) hides the desktop window two levels below the root's children.
TEST_F(RootWallpaper, ADesktopWindowFramedTwiceIsFound) {
    const Window frame = XCreateSimpleWindow(d_, root_, 0, 0, 64, 48, 0, 0, 0);
    const Window wrapper = XCreateSimpleWindow(d_, frame, 0, 0, 64, 48, 0, 0, 0);
    const Window desktop = XCreateSimpleWindow(d_, wrapper, 0, 0, 64, 48, 0, 0, 0);
    XSync(d_, False);
    EXPECT_FALSE(X11DesktopWindowPresent());
    const Atom type = XInternAtom(d_, "_NET_WM_WINDOW_TYPE_DESKTOP", False);
    XChangeProperty(d_, desktop, XInternAtom(d_, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
    XSync(d_, False);
    EXPECT_TRUE(X11DesktopWindowPresent());
    XDestroyWindow(d_, frame);
    XSync(d_, False);
    EXPECT_FALSE(X11DesktopWindowPresent());
}

// GNOME Shell, Cinnamon and Budgie draw the background themselves under
// X11, with no desktop window: their window manager's name tells.
TEST_F(RootWallpaper, AShellThatDrawsItsOwnBackgroundGetsNoRootPixmap) {
    test::UseTestGSettingsSchemas();
    TempDir dir;
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(64, 48));
    SetLinuxWallpaper(dir / "desktop.bmp", true, "");
    ASSERT_TRUE(PixmapProperty("_XROOTPMAP_ID"));

    const Window check = XCreateSimpleWindow(d_, root_, 0, 0, 1, 1, 0, 0, 0);
    const Atom checkAtom = XInternAtom(d_, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(d_, root_, checkAtom, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&check), 1);
    const auto name = [&](const std::string& text) {
        XChangeProperty(d_, check, XInternAtom(d_, "_NET_WM_NAME", False),
                        XInternAtom(d_, "UTF8_STRING", False), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size()));
        XSync(d_, False);
    };
    X11Connection connection;
    name("Openbox");
    EXPECT_FALSE(X11WindowManagerDrawsBackground(connection));
    name("GNOME Shell");
    EXPECT_TRUE(X11WindowManagerDrawsBackground(connection));

    // GNOME took the picture: the root's pixmap nobody sees is freed.
    SetLinuxWallpaper(dir / "desktop.bmp", true, "ubuntu:GNOME");
    EXPECT_FALSE(PixmapProperty("_XROOTPMAP_ID"));

    XDeleteProperty(d_, root_, checkAtom);
    XDestroyWindow(d_, check);
    XSync(d_, False);
    EXPECT_FALSE(X11WindowManagerDrawsBackground(connection));
}

TEST_F(RootWallpaper, XfceGetsEachMonitorsOwnPictureByItsName) {
    if (!IsDefaultLayout(X11Monitors())) {
        GTEST_SKIP() << "needs the default two-monitor layout";
    }
    // A stand-in xfconf-query listing a backdrop per monitor (by monitor and
    // by output name, as xfdesktop versions differ) and recording the rest.
    TempDir dir;
    std::filesystem::create_directories(dir / "bin");
    const std::string calls = (dir / "calls.txt").string();
    test::WriteFile(dir / "bin" / "xfconf-query",
                    "#!/bin/sh\n"
                    "case \"$*\" in *' -l') printf '%s\\n' "
                    "/backdrop/screen0/monitorLEFT/workspace0/last-image "
                    "/backdrop/screen0/monitorscreen/workspace0/last-image "
                    "/backdrop/screen0/monitorOTHER/workspace0/last-image; exit 0;; esac\n"
                    "echo \"$*\" >> '" +
                        calls + "'\n");
    std::filesystem::permissions(dir / "bin" / "xfconf-query", std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", ((dir / "bin").string() + ":/usr/bin:/bin").c_str());
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(3200, 1080));
    SetLinuxWallpaper(dir / "desktop.bmp", true, "XFCE");

    const std::string recorded = test::ReadFile(dir / "calls.txt");
    const auto set = [&](const std::string& monitor) {
        const std::string key =
            "-p /backdrop/screen0/monitor" + monitor + "/workspace0/last-image -s ";
        const std::size_t at = recorded.find(key);
        return at == std::string::npos
                   ? std::string()
                   : recorded.substr(at + key.size(), recorded.find('\n', at) - at - key.size());
    };
    // LEFT is the first monitor, "screen" the output of RIGHT, the primary.
    const std::vector<Monitor> monitors = X11Monitors();
    const std::size_t left = monitors[0].primary ? 1 : 0;
    const std::filesystem::path leftFile = dir / ("desktop-a-" + std::to_string(left + 1) + ".bmp");
    const std::filesystem::path rightFile =
        dir / ("desktop-a-" + std::to_string(2 - left) + ".bmp");
    EXPECT_EQ(set("LEFT"), leftFile.string()) << recorded;
    EXPECT_EQ(set("screen"), rightFile.string()) << recorded;
    EXPECT_EQ(set("OTHER"), (dir / "desktop-a.bmp").string())
        << "an unknown monitor gets the whole";
    const Bitmap leftPicture = ReadBmpFile(leftFile);
    EXPECT_EQ(leftPicture.width(), 1280);
    EXPECT_EQ(leftPicture.Pixel(0, 0), CoordinateColour(1920, 56));
    EXPECT_EQ(ReadBmpFile(rightFile).Pixel(0, 0), CoordinateColour(0, 0));
}

TEST_F(RootWallpaper, UntiledIsCentredOnThePrimaryOnBlack) {
    const Bitmap picture = CoordinatePattern(100, 60);
    X11SetRootWallpaper(picture, false);
    ImagePtr image = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(image);
    const int left = primary_.left + (primary_.Width() - 100) / 2;
    const int top = primary_.top + (primary_.Height() - 60) / 2;
    EXPECT_EQ(ColourAt(image.get(), left, top), CoordinateColour(0, 0));
    EXPECT_EQ(ColourAt(image.get(), left + 99, top + 59), CoordinateColour(99, 59));
    EXPECT_EQ(ColourAt(image.get(), left - 1, top), kBlack);
    EXPECT_EQ(ColourAt(image.get(), left, top + 60), kBlack);
    EXPECT_EQ(ColourAt(image.get(), 0, 0), kBlack);
}

// --- The whole Linux wallpaper path ---

TEST_F(RootWallpaper, WithoutDesktopEnvironmentOnlyTheRootIsSet) {
    TempDir dir;
    const Bitmap canvas = CoordinatePattern(rootWidth_, rootHeight_);
    WriteBmpFile(dir / "desktop.bmp", canvas);
    SetLinuxWallpaper(dir / "desktop.bmp", true, "");
    ImagePtr image = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(image);
    ExpectTiledFromPrimary(image.get(), canvas);
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop-a.bmp")) << "no desktop was told a file";
}

TEST_F(RootWallpaper, AWallpaperFileThatCannotBeWrittenLeavesTheRootAsItWasEveryTime) {
    // Only the root shows the wallpaper here, so it is drawn while the file
    // is written; the failed write must still keep it from showing.
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", nullptr);
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    LinuxPlatform platform;
    const Bitmap before = CoordinatePattern(40, 30);
    X11SetRootWallpaper(before, true);
    const Pixmap shown = *PixmapProperty("_XROOTPMAP_ID");

    TempDir dir;
    std::filesystem::create_directories(dir / "desktop.bmp" / "in the way");
    const Bitmap canvas = CoordinatePattern(rootWidth_, rootHeight_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Twice: a repeated failure is no less the caller's to hear.
        platform.PrepareWallpaper();
        EXPECT_THROW(WriteAndInstallWallpaper(platform, dir / "desktop.bmp", canvas), Error);
        EXPECT_EQ(*PixmapProperty("_XROOTPMAP_ID"), shown);
        EXPECT_EQ(*PixmapProperty("ESETROOT_PMAP_ID"), shown);
    }
    ImagePtr image = Capture(shown);
    ASSERT_TRUE(image);
    ExpectTiledFromPrimary(image.get(), before);

    // Written, the same call shows it.
    WriteAndInstallWallpaper(platform, dir / "elsewhere.bmp", canvas);
    ImagePtr after = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(after);
    ExpectTiledFromPrimary(after.get(), canvas);
    EXPECT_EQ(ReadBmpFile(dir / "elsewhere.bmp").width(), rootWidth_);
}

TEST_F(RootWallpaper, DesktopEnvironmentTilingItsCopyShowsWhatTheRootShows) {
    test::UseTestGSettingsSchemas();
    const std::vector<Monitor> monitors = X11RootMonitors();
    Rect box = monitors.front().bounds;
    for (const Monitor& m : monitors) {
        box.left = std::min(box.left, m.bounds.left);
        box.top = std::min(box.top, m.bounds.top);
    }
    const Size size = BoundingSize(monitors);
    TempDir dir;
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(size.width, size.height));
    SetLinuxWallpaper(dir / "desktop.bmp", true, "ubuntu:GNOME");

    const std::filesystem::path given = dir / "desktop-a.bmp";
    const std::string uri = test::ReadGSetting("org.gnome.desktop.background", "picture-uri");
    EXPECT_EQ(uri, "file://" + given.string());
    // Over several monitors GNOME lays the copy over the box around them.
    EXPECT_EQ(test::ReadGSetting("org.gnome.desktop.background", "picture-options"),
              monitors.size() > 1 ? "spanned" : "wallpaper");

    // The desktop shows its picture from the virtual desktop's top-left corner.
    const Bitmap copy = ReadBmpFile(given);
    ImagePtr image = Capture(*PixmapProperty("_XROOTPMAP_ID"));
    ASSERT_TRUE(image);
    for (const Monitor& m : monitors) {
        for (int y = m.bounds.top; y < m.bounds.bottom; y += 7) {
            for (int x = m.bounds.left; x < m.bounds.right; x += 5) {
                ASSERT_EQ(copy.Pixel(TileCoordinate(x, box.left, copy.width()),
                                     TileCoordinate(y, box.top, copy.height())),
                          ColourAt(image.get(), x, y))
                    << "root (" << x << ", " << y << ")";
            }
        }
    }

    // And so does Cinnamon, whose background is drawn by Mutter's fork.
    SetLinuxWallpaper(dir / "desktop.bmp", true, "X-Cinnamon");
    EXPECT_EQ(test::ReadGSetting("org.cinnamon.desktop.background", "picture-options"),
              monitors.size() > 1 ? "spanned" : "wallpaper");
}

TEST_F(RootWallpaper, UnsupportedDesktopIsNoError) {
    TempDir dir;
    WriteBmpFile(dir / "desktop.bmp", CoordinatePattern(20, 20));
    // XFCE named but its tools are absent: the root still took the picture.
    ScopedEnv path("PATH", "/nonexistent");
    EXPECT_NO_THROW(SetLinuxWallpaper(dir / "desktop.bmp", true, "XFCE:KDE"));
}

}  // namespace
}  // namespace wylo
