// Runs the built wylo-channel render against a channel served on loopback and
// reads back the desktop bitmap it writes.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "compose/BmpFile.h"
#include "support/JpegWriter.h"
#include "support/PublishedChannels.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

// Last: Xlib's macros (None, Bool, Status) clash with the test framework's names.
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::RunResult;
using test::TempDir;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

bool Near(Colour a, Colour b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 6 && std::abs(GreenOf(a) - GreenOf(b)) <= 6 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 6;
}

class RenderCommandTest : public ::testing::Test {
protected:
    static Colour ImageColour(int k) { return test::FlatChannel::ImageColour(k); }
    static Colour BackgroundOf(int k) { return test::FlatChannel::BackgroundOf(k); }

    // A directory with one channel "dunes" of count flat 40 x 30 images; the
    // first is titled "Dunes", the others "Image k".
    void Publish(int count) {
        test::PublishFlatChannel(server_, count, {}, std::time(nullptr) - 3600);
    }

    // Runs wylo-channel render URL args..., with its temporary files under tmp_.
    RunResult Render(std::vector<std::string> args) {
        args.insert(args.begin(), {"render", server_.Url("/wylo.xml")});
        return test::RunProgram(WYLO_CHANNEL_EXE, args, {{"TMPDIR", tmp_.path().string()}});
    }

    std::string Out() const { return (dir_ / "desktop.bmp").string(); }

    test::TestHttpServer server_;
    TempDir dir_;
    TempDir tmp_;
};

// The colour of root pixmap pixel (x, y), as the wallpaper setters publish it.
std::optional<Colour> RootPixmapColour(int x, int y) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        return std::nullopt;
    }
    std::optional<Colour> colour;
    const Atom atom = XInternAtom(d, "_XROOTPMAP_ID", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (atom != None &&
        XGetWindowProperty(d, DefaultRootWindow(d), atom, 0, 1, False, XA_PIXMAP, &type, &format,
                           &items, &after, &data) == Success &&
        data && items == 1) {
        const Pixmap pixmap = *reinterpret_cast<unsigned long*>(data);
        if (XImage* image = XGetImage(d, pixmap, x, y, 1, 1, AllPlanes, ZPixmap)) {
            const unsigned long p = XGetPixel(image, 0, 0);
            colour = MakeColour(static_cast<std::uint8_t>(p >> 16),
                                static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p));
            XDestroyImage(image);
        }
    }
    if (data) {
        XFree(data);
    }
    XCloseDisplay(d);
    return colour;
}

TEST_F(RenderCommandTest, InstallPutsTheDesktopOnTheDisplaysRootAsWyloDoes) {
    if (!std::getenv("DISPLAY")) {
        GTEST_SKIP() << "needs an X display (the CTest run under Xvfb has one)";
    }
    Publish(3);
    // The display's own monitors: one 1920 x 1080 screen. Stretched, the
    // image reaches the corners the fitted one leaves to its background.
    const RunResult r = Render(
        {"--channel", "0", "--image", "1", "--placement", "stretch", "--install", "--out", Out()});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_THAT(r.lines, ElementsAre("Downloading Image 1", "Converting Image 1 to BMP",
                                     "Positioning Image 1", "image 0 1", "current 1"));
    EXPECT_EQ(ReadBmpFile(Out()).width(), 1920);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{1919, 1079}, std::pair{960, 540}}) {
        const std::optional<Colour> shown = RootPixmapColour(x, y);
        ASSERT_TRUE(shown) << "no root pixmap";
        EXPECT_TRUE(Near(*shown, ImageColour(1))) << x << "," << y;
    }
}

TEST_F(RenderCommandTest, WithoutInstallTheMonitorsMustBeGiven) {
    Publish(1);
    const RunResult r = Render({"--channel", "0", "--out", Out()});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.errors, HasSubstr("--monitor is required"));
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(RenderCommandTest, ComposesAMonitorLeftOfThePrimaryAtTheRightEnd) {
    Publish(6);
    const RunResult r =
        Render({"--channel", "0", "--monitor", "1920x1080+0+0", "--monitor", "1280x1024-1280+56",
                "--current", "5", "--bg", "#336699", "--out", Out()});

    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_THAT(r.lines,
                ElementsAre("Downloading Dunes", "Converting Dunes to BMP", "Positioning Dunes",
                            "Positioning Dunes", "image 0 0", "image 1 0", "current 0"));
    const Bitmap desktop = ReadBmpFile(Out());
    ASSERT_EQ(desktop.width(), 3200);
    ASSERT_EQ(desktop.height(), 1080);
    const Colour user = MakeColour(0x33, 0x66, 0x99);
    // The primary at the origin: image centred on its background.
    EXPECT_TRUE(Near(desktop.Pixel(960, 540), ImageColour(0)));
    EXPECT_EQ(desktop.Pixel(0, 0), BackgroundOf(0));
    EXPECT_EQ(desktop.Pixel(1919, 1079), BackgroundOf(0));
    // The left monitor wraps to columns 1920 onward, rows 56 to 1079.
    EXPECT_EQ(desktop.Pixel(1920, 56), BackgroundOf(0));
    EXPECT_EQ(desktop.Pixel(3199, 1079), BackgroundOf(0));
    EXPECT_TRUE(Near(desktop.Pixel(1920 + 640, 56 + 512), ImageColour(0)));
    // Above it nothing is drawn: the user's colour.
    EXPECT_EQ(desktop.Pixel(1920, 55), user);
    EXPECT_EQ(desktop.Pixel(3199, 0), user);
    // The temporary download folder is gone.
    EXPECT_TRUE(fs::is_empty(tmp_.path()));
}

TEST_F(RenderCommandTest, DifferentModeWithAChosenPrimaryAndImage) {
    Publish(3);
    const RunResult r =
        Render({"--channel", "0", "--image", "1", "--mode", "different", "--monitor", "64x48-64+0",
                "--monitor", "64x48+0+0", "--monitor", "64x48+64+0", "--out", Out()});

    ASSERT_EQ(r.exitCode, 0) << r.errors;
    // The primary (monitor 1) gets image 1, then monitors 0 and 2 the next ones.
    ASSERT_GE(r.lines.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(r.lines.end() - 4, r.lines.end()),
                ElementsAre("image 0 2", "image 1 1", "image 2 0", "current 0"));
    const Bitmap desktop = ReadBmpFile(Out());
    EXPECT_TRUE(Near(desktop.Pixel(32, 24), ImageColour(1)));
    EXPECT_TRUE(Near(desktop.Pixel(64 + 32, 24), ImageColour(0)));
    EXPECT_TRUE(Near(desktop.Pixel(128 + 32, 24), ImageColour(2)));
}

TEST_F(RenderCommandTest, SingleModeDrawsOnlyTheChosenMonitor) {
    Publish(2);
    const RunResult r =
        Render({"--channel", "0", "--mode", "single", "--single-monitor", "1", "--monitor",
                "64x48+0+0", "--monitor", "32x32+64+0", "--bg", "#010203", "--out", Out()});

    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_THAT(r.lines, ElementsAre("Downloading Image 1", "Converting Image 1 to BMP",
                                     "Positioning Image 1", "image 1 1", "current 1"));
    const Bitmap desktop = ReadBmpFile(Out());
    EXPECT_EQ(desktop.Pixel(32, 24), MakeColour(1, 2, 3));
    // A 40 x 30 image on a 32 x 32 monitor is fitted to its width.
    EXPECT_TRUE(Near(desktop.Pixel(64 + 16, 16), ImageColour(1)));
}

TEST_F(RenderCommandTest, TheCacheIsKeptAndASecondRunOnlyRevalidates) {
    Publish(2);
    TempDir cache;
    const std::vector<std::string> args = {"--channel", "0",       "--monitor",
                                           "64x48+0+0", "--cache", cache.path().string(),
                                           "--out",     Out()};
    ASSERT_EQ(Render(args).exitCode, 0);
    EXPECT_EQ(server_.Count("GET", "/dunes/img1.jpg"), 1);
    EXPECT_TRUE(fs::exists(cache / "cache/dunes/images/img1.jpg"));
    EXPECT_TRUE(fs::exists(cache / "cache/dunes/Channel.xml"));

    const RunResult again = Render(args);
    ASSERT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(server_.Count("GET", "/dunes/img1.jpg"), 1);
    EXPECT_GE(server_.Count("HEAD", "/dunes/img1.jpg"), 1);
}

TEST_F(RenderCommandTest, AnImageThatIsNotAJpegFailsTheChange) {
    Publish(2);
    server_.Serve("/dunes/img0.jpg", "GIF89a not a jpeg");
    server_.Serve("/dunes/img1.jpg", "GIF89a not a jpeg");
    const RunResult r = Render({"--channel", "0", "--monitor", "64x48+0+0", "--out", Out()});

    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.errors, HasSubstr("wylo-channel render: Could not read \"Dunes\" from "));
    EXPECT_THAT(r.lines.back(), ::testing::StartsWith("Could not read \"Dunes\""));
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(RenderCommandTest, AnImageWithoutTitleIsNamedByItsFileAndAFailureWritesNothing) {
    server_.Serve("/wylo.xml", "<wylo><PROVIDERS><p><id>x</id><url>" +
                                   server_.Url("/x/Channel.xml") + "</url></p></PROVIDERS></wylo>");
    server_.Serve("/x/Channel.xml", "<provider><images><i><loc>" + server_.Url("/x/gone.jpg") +
                                        "</loc></i></images></provider>");
    const RunResult r = Render({"--channel", "0", "--monitor", "8x8+0+0", "--out", Out()});

    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.lines, ElementsAre("Downloading gone.jpg",
                                     "Could not download \"gone.jpg\" from x: The server answered "
                                     "with status 404."));
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(RenderCommandTest, AnImageNameTooLongForTheCacheIsRefusedWithItsReason) {
    const std::string path = "/x/" + std::string(300, 'p') + ".jpg";
    server_.Serve("/wylo.xml", "<wylo><PROVIDERS><p><id>x</id><url>" +
                                   server_.Url("/x/Channel.xml") + "</url></p></PROVIDERS></wylo>");
    server_.Serve("/x/Channel.xml", "<provider><images><i><loc>" + server_.Url(path) +
                                        "</loc><title>Long</title></i></images></provider>");
    server_.Serve(path, "not fetched");
    const RunResult r = Render({"--channel", "0", "--monitor", "8x8+0+0", "--out", Out()});

    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_THAT(r.lines[1], HasSubstr("Could not download \"Long\" from x: The file name in "));
    EXPECT_THAT(r.lines[1], HasSubstr(" is too long (304 bytes; at most 247)."));
    EXPECT_EQ(server_.Count("GET", path), 0);
}

TEST_F(RenderCommandTest, AChannelTheDirectoryDoesNotHoldFails) {
    Publish(1);
    const RunResult r = Render({"--channel", "3", "--monitor", "8x8+0+0", "--out", Out()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.errors, HasSubstr("channel 3"));
}

class RenderUsage : public RenderCommandTest,
                    public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(RenderUsage, IsRefusedBeforeAnythingIsFetched) {
    Publish(1);
    std::vector<std::string> args = GetParam();
    args.push_back("--out");
    args.push_back(Out());
    const RunResult r = Render(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_THAT(r.lines, IsEmpty());
    EXPECT_TRUE(server_.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(
    RenderCommand, RenderUsage,
    ::testing::Values(
        std::vector<std::string>{"--channel", "0"},  // no monitor
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48 +0+0"},
        std::vector<std::string>{"--channel", "0", "--monitor", "0x48+0+0"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0x"},
        std::vector<std::string>{"--channel", "0", "--monitor", "99999999999999999999x1+0+0"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0", "--primary", "1"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0", "--single-monitor",
                                 "2"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0", "--mode", "diagonal"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0", "--bg", "red"},
        std::vector<std::string>{"--channel", "0", "--monitor", "64x48+0+0", "--bg", "#FFF"}));

}  // namespace
}  // namespace wylo
