#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/Placement.h"
#include "schedule/ChannelFixture.h"
#include "schedule/CombinedSource.h"
#include "schedule/DesktopChange.h"
#include "support/JpegWriter.h"

namespace wylo {
namespace {

using test::Near;
using ::testing::ElementsAre;
using Drawn = DesktopChange::DrawnImage;

constexpr Colour kUserBackground = 0x224466;

class DesktopChangeTest : public test::ChannelFixture {
protected:
    DesktopChangeTest() { settings_.bgColour = kUserBackground; }

    // Three 64 x 48 monitors side by side, the primary in the middle, so the
    // primary is not the first in the list.
    void ThreeMonitors() {
        platform_.SetMonitors(
            {{{-64, 0, 0, 48}, false}, {{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    }

    Bitmap Desktop() const { return ReadBmpFile(DesktopFile()); }

    // Centre and corner of a 64 x 48 monitor area whose left edge lies at
    // canvas column x: the image, and the image's background around it.
    void ExpectImageAt(const Bitmap& desktop, int x, int image) {
        EXPECT_TRUE(Near(desktop.Pixel(x + 32, 24), ImageColour(image)))
            << "image " << image << " at column " << x;
        EXPECT_TRUE(Near(desktop.Pixel(x + 12, 9), ImageColour(image)));
        EXPECT_TRUE(Near(desktop.Pixel(x + 51, 38), ImageColour(image)));
        EXPECT_EQ(desktop.Pixel(x + 11, 9), BackgroundOf(image));
        EXPECT_EQ(desktop.Pixel(x, 0), BackgroundOf(image));
        EXPECT_EQ(desktop.Pixel(x + 63, 47), BackgroundOf(image));
    }
    void ExpectFillAt(const Bitmap& desktop, int x) {
        EXPECT_EQ(desktop.Pixel(x, 0), kUserBackground) << "column " << x;
        EXPECT_EQ(desktop.Pixel(x + 32, 24), kUserBackground);
        EXPECT_EQ(desktop.Pixel(x + 63, 47), kUserBackground);
    }
};

TEST_F(DesktopChangeTest, OneMonitorGetsTheNextImageFittedOnItsBackground) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(3);
    settings_.currentImage = 2;

    change_.ChangeDesktop(-1);

    EXPECT_EQ(settings_.currentImage, 0);
    EXPECT_THAT(feedback_.statuses,
                ElementsAre("Downloading Dunes", "Converting Dunes to BMP", "Positioning Dunes"));
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(platform_.wallpaperCalls[0].path, DesktopFile());
    EXPECT_TRUE(platform_.wallpaperCalls[0].tile);
    const Bitmap desktop = Desktop();
    ASSERT_EQ(desktop.width(), 64);
    ASSERT_EQ(desktop.height(), 48);
    ExpectImageAt(desktop, 0, 0);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 0}));
    // The conversion stays in the cache beside the download.
    EXPECT_TRUE(std::filesystem::exists(AppFolder(platform_) / "cache/dunes/images/img0.bmp"));
}

TEST_F(DesktopChangeTest, OneMonitorIgnoresTheMultiScreenChoice) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Different;  // different image on each screen
    settings_.currentImage = 0;

    change_.ChangeDesktop(-1);

    EXPECT_EQ(settings_.currentImage, 1);
    ExpectImageAt(Desktop(), 0, 1);
}

TEST_F(DesktopChangeTest, AHandPickedImageBecomesTheCurrentOne) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(3);
    settings_.currentImage = 0;

    change_.ChangeDesktop(2);

    EXPECT_EQ(settings_.currentImage, 2);
    ExpectImageAt(Desktop(), 0, 2);
}

TEST_F(DesktopChangeTest, SameModeShowsOneImageOnEveryMonitor) {
    ThreeMonitors();
    Subscribe(6);
    settings_.multiScreenOpt = MultiScreen::Same;
    settings_.currentImage = 1;

    change_.ChangeDesktop(-1);

    EXPECT_EQ(settings_.currentImage, 2);
    const Bitmap desktop = Desktop();
    ASSERT_EQ(desktop.width(), 192);
    ExpectImageAt(desktop, 0, 2);    // the primary
    ExpectImageAt(desktop, 64, 2);   // right of it
    ExpectImageAt(desktop, 128, 2);  // left of it, wrapped to the right end
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 2}, Drawn{1, 2}, Drawn{2, 2}));
    // Fetched and converted once, then only positioned on the other two.
    EXPECT_THAT(feedback_.statuses,
                ElementsAre("Downloading Image 2", "Converting Image 2 to BMP",
                            "Positioning Image 2", "Positioning Image 2", "Positioning Image 2"));
}

TEST_F(DesktopChangeTest, TheSameImageIsFetchedAndConvertedOncePerChange) {
    ThreeMonitors();
    Subscribe(6);
    settings_.multiScreenOpt = MultiScreen::Same;
    settings_.currentImage = 1;
    server_.ClearRequests();
    const auto bmp = AppFolder(platform_) / "cache/dunes/images/img2.bmp";

    change_.ChangeDesktop(-1);

    EXPECT_LE(server_.Count("GET", "/dunes/img2.jpg") + server_.Count("HEAD", "/dunes/img2.jpg"),
              1);
    ASSERT_TRUE(std::filesystem::exists(bmp));
    // The next change converts again (and fetches no more than it must).
    std::filesystem::remove(bmp);
    change_.ChangeDesktop(2);
    EXPECT_TRUE(std::filesystem::exists(bmp));
    ExpectImageAt(Desktop(), 64, 2);
}

TEST_F(DesktopChangeTest, ASmoothedPictureWithACurrentConversionIsDecodedSmallerNotConverted) {
    namespace fs = std::filesystem;
    using std::chrono::seconds;
    platform_.SetSingleMonitor(64, 48);
    const Bitmap photo = test::PhotoPattern(256, 192, 7);
    server_.Serve("/dunes/big.jpg", test::EncodeJpeg(photo), 1'700'000'000, "image/jpeg");
    Subscribe(1,
              "<image><loc>" + server_.Url("/dunes/big.jpg") + "</loc><title>Big</title></image>");
    settings_.smoothScaling = true;
    const fs::path jpeg = AppFolder(platform_) / "cache/dunes/images/big.jpg";
    const fs::path bmp = AppFolder(platform_) / "cache/dunes/images/big.bmp";

    // The first showing smooths it and converts it as it is decoded: the
    // picture and the file of a whole decode.
    ASSERT_TRUE(change_.ChangeDesktop(1));
    const Bitmap first = Desktop();
    const Bitmap whole = DecodeJpegFile(jpeg);
    // The same background around the picture, the picture as a whole decode
    // places it.
    Bitmap expected = first;
    PlaceImage(expected, whole, settings_.PlacementFor(MultiScreen::Same), true);
    for (std::int32_t y = 0; y < 48; ++y) {
        ASSERT_EQ(std::memcmp(first.Row(y), expected.Row(y), 64 * 3), 0) << "row " << y;
    }
    WriteBmpFile(root_.path() / "whole.bmp", whole);
    EXPECT_EQ(test::ReadFile(bmp), test::ReadFile(root_.path() / "whole.bmp"));
    // Downloaded, then converted, a while ago.
    const fs::file_time_type converted = fs::last_write_time(bmp) - seconds(10);
    fs::last_write_time(jpeg, converted - seconds(10));
    fs::last_write_time(bmp, converted);

    // Shown at a quarter of its size: decoded at a quarter, the conversion
    // not written again (only marked as used now), and the same picture
    // within a level or so.
    fs::create_hard_link(bmp, root_.path() / "before.bmp");
    ASSERT_TRUE(change_.ChangeDesktop(1));
    EXPECT_TRUE(fs::equivalent(bmp, root_.path() / "before.bmp"));
    EXPECT_GT(fs::last_write_time(bmp), converted);
    const Bitmap second = Desktop();
    double difference = 0;
    for (std::int32_t y = 0; y < 48; ++y) {
        for (std::int32_t x = 0; x < 64 * 3; ++x) {
            difference += std::abs(first.Row(y)[x] - second.Row(y)[x]);
        }
    }
    EXPECT_LT(difference / (64 * 48 * 3), 1.5);

    // A download newer than its conversion is converted again.
    const fs::file_time_type now = fs::file_time_type::clock::now();
    fs::last_write_time(bmp, now - seconds(4));
    fs::last_write_time(jpeg, now - seconds(2));
    ASSERT_TRUE(change_.ChangeDesktop(1));
    EXPECT_GT(fs::last_write_time(bmp), now - seconds(2));
    EXPECT_EQ(ReadBmpFile(bmp).width(), 256);
}

TEST_F(DesktopChangeTest, PicturesShownWithRowsDroppedAreConvertedAndDrawnAsTheyAreDecoded) {
    namespace fs = std::filesystem;
    ThreeMonitors();
    const Bitmap photo = test::PhotoPattern(256, 192, 9);
    server_.Serve("/dunes/big.jpg", test::EncodeJpeg(photo), 1'700'000'000, "image/jpeg");
    Subscribe(1,
              "<image><loc>" + server_.Url("/dunes/big.jpg") + "</loc><title>Big</title></image>");
    settings_.multiScreenOpt = MultiScreen::Same;
    const fs::path jpeg = AppFolder(platform_) / "cache/dunes/images/big.jpg";
    const fs::path bmp = AppFolder(platform_) / "cache/dunes/images/big.bmp";

    // The first showing converts it as it draws it, to the file a whole
    // conversion writes.
    ASSERT_TRUE(change_.ChangeDesktop(1));
    const Bitmap first = Desktop();
    WriteBmpFile(root_.path() / "whole.bmp", DecodeJpegFile(jpeg));
    EXPECT_EQ(test::ReadFile(bmp), test::ReadFile(root_.path() / "whole.bmp"));
    fs::last_write_time(jpeg, fs::last_write_time(bmp) - std::chrono::seconds(5));

    // Later ones only draw it; every monitor the same pixels.
    ASSERT_TRUE(change_.ChangeDesktop(1));
    const Bitmap second = Desktop();
    ASSERT_EQ(second.width(), first.width());
    for (std::int32_t y = 0; y < first.height(); ++y) {
        ASSERT_EQ(std::memcmp(first.Row(y), second.Row(y), first.stride()), 0) << "row " << y;
    }
}

TEST_F(DesktopChangeTest, MonitorsOfOneSizeShareTheirPictureAndOthersGetTheirOwn) {
    // Two monitors of one size, then a smaller one in the bottom half.
    platform_.SetMonitors(
        {{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}, {{128, 24, 160, 48}, false}});
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Same;

    change_.ChangeDesktop(1);

    const Bitmap desktop = Desktop();
    ASSERT_EQ(desktop.width(), 160);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(desktop.Pixel(x, y), desktop.Pixel(x + 64, y)) << x << "," << y;
        }
    }
    // The small monitor's picture is fitted to its own 32 x 24, which the
    // 40 x 30 image fills.
    EXPECT_TRUE(Near(desktop.Pixel(130, 26), ImageColour(1)));
    EXPECT_TRUE(Near(desktop.Pixel(144, 36), ImageColour(1)));
    EXPECT_EQ(desktop.Pixel(144, 10), kUserBackground);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 1}, Drawn{1, 1}, Drawn{2, 1}));
}

TEST_F(DesktopChangeTest, EachMultiScreenModeUsesItsOwnPlacement) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    settings_.placementSame = {PlacementMode::Stretch, 100};
    settings_.placementDifferent = {PlacementMode::Center, 100};

    settings_.multiScreenOpt = MultiScreen::Same;
    change_.ChangeDesktop(1);
    Bitmap desktop = Desktop();
    // Stretched: the image reaches every corner of both monitors.
    for (const int x : {0, 63, 64, 127}) {
        EXPECT_TRUE(Near(desktop.Pixel(x, 0), ImageColour(1))) << x;
        EXPECT_TRUE(Near(desktop.Pixel(x, 47), ImageColour(1))) << x;
    }

    settings_.multiScreenOpt = MultiScreen::Different;
    change_.ChangeDesktop(1);
    desktop = Desktop();
    ExpectImageAt(desktop, 0, 1);
    ExpectImageAt(desktop, 64, 2);

    // Tiled: the 40 x 30 image starts again at column 40 and row 30.
    settings_.placementDifferent = {PlacementMode::Tile, 100};
    change_.ChangeDesktop(1);
    desktop = Desktop();
    EXPECT_TRUE(Near(desktop.Pixel(0, 0), ImageColour(1)));
    EXPECT_TRUE(Near(desktop.Pixel(63, 47), ImageColour(1)));
    EXPECT_TRUE(Near(desktop.Pixel(127, 47), ImageColour(2)));
}

// A landscape primary and a portrait monitor beside it, each with its own
// picture: each gets the next picture of its own shape, in the rotation's
// order, where the channel says how large its pictures are.
TEST_F(DesktopChangeTest, EachMonitorGetsPicturesOfItsOwnShapeInTheRotationsOrder) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 112, 64}, false}});
    Subscribe(8);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 0;
    const Size landscape{80, 60};
    const Size portrait{60, 80};
    const std::vector<std::optional<Size>> sizes = {landscape, portrait,  landscape, landscape,
                                                    portrait,  landscape, portrait,  std::nullopt};
    change_.SetPictureSize([&sizes](std::int32_t image) { return sizes.at(image); });

    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 2}, Drawn{1, 4}));
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 5}, Drawn{1, 6}));
    // A picture of unknown size suits either; past the end the order wraps.
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 7}, Drawn{1, 1}));

    // With the same picture on each screen it suits the primary.
    settings_.multiScreenOpt = MultiScreen::Same;
    settings_.currentImage = 0;
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_EQ(settings_.currentImage, 2);
}

TEST_F(DesktopChangeTest, PicturesMuchSmallerThanTheMonitorArePassedOverWhileLargerOnesExist) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}});
    Subscribe(4);
    settings_.currentImage = 0;
    std::vector<Size> sizes = {{64, 48}, {20, 15}, {40, 24}, {31, 23}};
    change_.SetPictureSize([&sizes](std::int32_t image) { return sizes.at(image); });
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    // 20 x 15 is less than half the monitor each way; 40 x 24 is not.
    EXPECT_EQ(settings_.currentImage, 2);
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_EQ(settings_.currentImage, 0);

    // When every picture is small (or of the other shape) the rotation is
    // as it always was; so it is for a picture asked for by hand.
    sizes = {{8, 6}, {20, 15}, {6, 8}, {31, 23}};
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_EQ(settings_.currentImage, 1);
    ASSERT_TRUE(change_.ChangeDesktop(2));
    EXPECT_EQ(settings_.currentImage, 2);

    // A hidden picture stays hidden even when it is the only one that suits.
    sizes = {{8, 6}, {64, 48}, {20, 15}, {20, 15}};
    change_.SetPassOver([](std::int32_t image) { return image == 1; });
    settings_.currentImage = 0;
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_EQ(settings_.currentImage, 2);
}

// One picture across a primary and a monitor left of and above it: the
// picture is fitted to the two monitors' bounding box, not to each monitor.
TEST_F(DesktopChangeTest, SpanModeCutsOnePictureAtTheMonitorsEdges) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{-40, -20, 0, 20}, false}});
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Span;
    settings_.currentImage = 0;

    change_.ChangeDesktop(-1);

    // The rotation moves on once, as with the same image on each screen.
    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 1}, Drawn{1, 1}));
    // The 40 x 30 image centred in the 104 x 68 box lies at desktop columns
    // -8..31 and rows -1..28. The canvas starts at the primary's corner; the
    // left monitor wraps to columns 64..103.
    const Bitmap desktop = Desktop();
    ASSERT_EQ(desktop.width(), 104);
    ASSERT_EQ(desktop.height(), 68);
    EXPECT_TRUE(Near(desktop.Pixel(20, 10), ImageColour(1)));
    EXPECT_EQ(desktop.Pixel(40, 10), BackgroundOf(1));  // primary, right of the image
    EXPECT_EQ(desktop.Pixel(20, 40), BackgroundOf(1));  // primary, below it
    // The picture runs on across the edge between the monitors.
    EXPECT_TRUE(Near(desktop.Pixel(0, 10), ImageColour(1)));
    EXPECT_TRUE(Near(desktop.Pixel(104 - 1, 10), ImageColour(1)));
    // On its own the image would fill the left monitor's width.
    EXPECT_EQ(desktop.Pixel(104 - 20, 5), BackgroundOf(1));
    // Below the left monitor lies no monitor: the user's colour.
    EXPECT_EQ(desktop.Pixel(104 - 20, 30), kUserBackground);
}

TEST_F(DesktopChangeTest, DifferentModeAdvancesOncePerMonitorInMonitorOrder) {
    ThreeMonitors();
    Subscribe(6);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 4;

    change_.ChangeDesktop(-1);

    // The primary takes 5, then the others in monitor order 0 and 1.
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 0}, Drawn{1, 5}, Drawn{2, 1}));
    EXPECT_EQ(settings_.currentImage, 1);
    const Bitmap desktop = Desktop();
    ExpectImageAt(desktop, 0, 5);
    ExpectImageAt(desktop, 64, 1);
    ExpectImageAt(desktop, 128, 0);
    // The captions follow the primary's image.
    ASSERT_EQ(platform_.iconColourCalls.size(), 1u);
    EXPECT_EQ(platform_.iconColourCalls[0].text, FontOf(5));
    // The wallpaper's side got ready once, while the first image decoded, and
    // the installation used what it made.
    EXPECT_EQ(platform_.preparations, 1);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_TRUE(platform_.wallpaperCalls[0].prepared);
    EXPECT_EQ(platform_.forgottenPreparations, 0);
}

TEST_F(DesktopChangeTest, DifferentModeInRandomOrderNeverRepeatsThePreviousMonitorsImage) {
    ThreeMonitors();
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.randomOrder = true;
    for (int round = 0; round < 5; ++round) {
        const std::int32_t before = settings_.currentImage;
        change_.ChangeDesktop(-1);
        const auto& drawn = change_.drawnImages();
        ASSERT_EQ(drawn.size(), 3u);
        // Preparation order: the primary (monitor 1), then monitors 0 and 2.
        EXPECT_NE(drawn[1].image, before);
        EXPECT_NE(drawn[0].image, drawn[1].image);
        EXPECT_NE(drawn[2].image, drawn[0].image);
        EXPECT_EQ(settings_.currentImage, drawn[2].image);
    }
}

TEST_F(DesktopChangeTest, SingleModeOnASecondaryLeavesThePrimaryInTheUsersColour) {
    ThreeMonitors();
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Single;
    settings_.activeSingleMonitor = 2;
    settings_.currentImage = 0;

    change_.ChangeDesktop(-1);

    EXPECT_EQ(settings_.currentImage, 1);
    const Bitmap desktop = Desktop();
    ExpectFillAt(desktop, 0);
    ExpectImageAt(desktop, 64, 1);
    ExpectFillAt(desktop, 128);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{2, 1}));
    // The captions still take the image's colours.
    ASSERT_EQ(platform_.iconColourCalls.size(), 1u);
    EXPECT_EQ(platform_.iconColourCalls[0].text, FontOf(1));
}

TEST_F(DesktopChangeTest, SingleModeOnThePrimaryLeavesTheOthersInTheUsersColour) {
    ThreeMonitors();
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Single;
    settings_.activeSingleMonitor = 1;
    settings_.currentImage = 0;

    change_.ChangeDesktop(-1);

    const Bitmap desktop = Desktop();
    ExpectImageAt(desktop, 0, 1);
    ExpectFillAt(desktop, 64);
    ExpectFillAt(desktop, 128);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{1, 1}));
}

TEST_F(DesktopChangeTest, SingleModeWithoutAChoiceUsesTheFirstMonitor) {
    ThreeMonitors();
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Single;
    settings_.activeSingleMonitor = -1;

    change_.ChangeDesktop(-1);

    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 1}));
}

TEST_F(DesktopChangeTest, AMonitorWhosePictureCannotBeFetchedKeepsThePictureItShowed) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(4);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 3;
    ASSERT_TRUE(change_.ChangeDesktop(-1));
    ExpectImageAt(Desktop(), 0, 0);
    server_.Remove("/dunes/img2.jpg");

    EXPECT_TRUE(change_.ChangeDesktop(-1));

    // Monitor 0 wanted image 2, which is gone, and still shows image 0;
    // monitor 1 shows image 3. The captions stay with the kept picture.
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{1, 3}));
    const Bitmap desktop = Desktop();
    ExpectImageAt(desktop, 0, 0);
    ExpectImageAt(desktop, 64, 3);
    ASSERT_EQ(change_.missingImages().size(), 1u);
    EXPECT_EQ(change_.missingImages()[0].monitor, 0);
    EXPECT_EQ(change_.missingImages()[0].reason,
              "Could not download \"Image 2\" from Dunes: The server answered with status 404.");
    EXPECT_EQ(platform_.iconColourCalls.size(), 1u);
}

TEST_F(DesktopChangeTest, WithoutAnEarlierDesktopAMissingPictureBorrowsOneOfTheChange) {
    // The monitors changed since the last desktop: it no longer fits.
    test::WriteFile(DesktopFile(), "not a picture of these monitors");
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    server_.Remove("/dunes/img1.jpg");
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 0;

    EXPECT_TRUE(change_.ChangeDesktop(-1));

    // Never the plain colour: monitor 0 shows monitor 1's picture too.
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{1, 2}));
    const Bitmap desktop = Desktop();
    ExpectImageAt(desktop, 0, 2);
    ExpectImageAt(desktop, 64, 2);
}

TEST_F(DesktopChangeTest, WithNoPictureAtAllNothingIsInstalled) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(0);
    test::WriteFile(DesktopFile(), "the wallpaper before");

    EXPECT_FALSE(change_.ChangeDesktop(-1));

    EXPECT_THAT(feedback_.statuses,
                ElementsAre("Downloading image 1",
                            "Could not download \"image 1\" from Dunes: the channel gives no "
                            "address for it."));
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_TRUE(platform_.iconColourCalls.empty());
    EXPECT_EQ(test::ReadFile(DesktopFile()), "the wallpaper before");
    EXPECT_TRUE(change_.drawnImages().empty());
}

TEST_F(DesktopChangeTest, AnIndexPastTheLastImageFetchesAndInstallsNothing) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(2);
    server_.ClearRequests();

    EXPECT_FALSE(change_.ChangeDesktop(7));

    EXPECT_EQ(server_.Requests().size(), 0u);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    ASSERT_EQ(change_.missingImages().size(), 1u);
    EXPECT_EQ(change_.missingImages()[0].image, 7);
}

TEST_F(DesktopChangeTest, AnImageThatIsNotAJpegGivesWayToTheNextOne) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(3);
    // Announced as a JPEG, but a WebP picture.
    server_.Serve("/dunes/img1.jpg", "RIFF\x10\0\0\0WEBPVP8 not a jpeg", std::nullopt,
                  "image/jpeg");
    settings_.currentImage = 0;

    EXPECT_TRUE(change_.ChangeDesktop(-1));

    EXPECT_EQ(settings_.currentImage, 2);
    ExpectImageAt(Desktop(), 0, 2);
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 2}));
    // The reason was told on the way.
    EXPECT_THAT(
        feedback_.statuses,
        ::testing::Contains(::testing::StartsWith("Could not read \"Image 1\" from Dunes")));
    // Each picture is fetched once.
    EXPECT_EQ(server_.Count("GET", "/dunes/img1.jpg"), 1);
}

TEST_F(DesktopChangeTest, WhenNoPictureCanBeReadTheDesktopStaysAsItWas) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(2);
    test::WriteFile(DesktopFile(), "the wallpaper before");
    for (const char* path : {"/dunes/img0.jpg", "/dunes/img1.jpg"}) {
        server_.Serve(path, "\x89PNG\r\n\x1a\n not a jpeg at all", std::nullopt, "image/png");
    }
    settings_.currentImage = 0;

    EXPECT_FALSE(change_.ChangeDesktop(-1));

    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    // What the wallpaper's side made ready for it is dropped.
    EXPECT_EQ(platform_.preparations, 1);
    EXPECT_EQ(platform_.forgottenPreparations, 1);
    EXPECT_EQ(test::ReadFile(DesktopFile()), "the wallpaper before");
    // The captions still suit the picture on the desktop.
    EXPECT_TRUE(platform_.iconColourCalls.empty());
    ASSERT_EQ(change_.missingImages().size(), 1u);
    EXPECT_THAT(change_.missingImages()[0].reason,
                ::testing::StartsWith("Could not read \"Dunes\" from Dunes: "));
    EXPECT_THAT(change_.missingImages()[0].reason, ::testing::HasSubstr("Not a JPEG"));
    EXPECT_EQ(feedback_.statuses.back(), change_.missingImages()[0].reason);
}

TEST_F(DesktopChangeTest, AConversionThatCannotBeWrittenEndsTheChangeAndInstallsNothing) {
    // The BMP beside the download is written while the monitors are drawn;
    // its failure still ends the change before anything is installed.
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    test::WriteFile(DesktopFile(), "the wallpaper before");
    // A folder where the conversion of image 2 goes: it cannot take the name.
    std::filesystem::create_directories(AppFolder(platform_) / "cache/dunes/images/img2.bmp/x");
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 0;

    try {
        change_.ChangeDesktop(-1);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), ::testing::HasSubstr("img2.bmp"));
    }

    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_EQ(test::ReadFile(DesktopFile()), "the wallpaper before");
    // The other conversion was written whole, and no half-written file is left.
    EXPECT_NO_THROW(ReadBmpFile(AppFolder(platform_) / "cache/dunes/images/img1.bmp"));
    EXPECT_FALSE(std::filesystem::exists(AppFolder(platform_) / "cache/dunes/images/img2.bmp.tmp"));
}

TEST_F(DesktopChangeTest, PicturesAreNamedByTitleElseFileNameAndLongNamesAreCut) {
    platform_.SetSingleMonitor(64, 48);
    Publish(1);
    Bitmap picture(10, 10);
    picture.Fill(kWhite);
    server_.Serve("/dunes/untitled.jpg", test::EncodeJpeg(picture));
    const std::string huge(100'000, 'x');
    server_.Serve("/dunes/Channel.xml",
                  "<provider><images><i><loc>" + server_.Url("/dunes/untitled.jpg") +
                      "</loc></i><i><title>" + huge + "</title></i></images></provider>");
    source_.RefreshControlFile(0);

    change_.ChangeDesktop(0);

    EXPECT_THAT(feedback_.statuses,
                ElementsAre("Downloading untitled.jpg", "Converting untitled.jpg to BMP",
                            "Positioning untitled.jpg"));
    EXPECT_EQ(change_.ImageName(1), std::string(80, 'x') + "...");
    EXPECT_EQ(change_.ImageName(5), "image 6");
}

TEST_F(DesktopChangeTest, ImageWithoutColoursGetsABlackBackground) {
    platform_.SetSingleMonitor(64, 48);
    Publish(1);
    server_.Serve("/dunes/Channel.xml", "<provider><images><i><loc>" +
                                            server_.Url("/dunes/img0.jpg") +
                                            "</loc><background>pink</background></i>"
                                            "</images></provider>");
    source_.RefreshControlFile(0);

    change_.ChangeDesktop(0);

    EXPECT_EQ(Desktop().Pixel(0, 0), kBlack);
}

TEST_F(DesktopChangeTest, WithoutAPrimaryMonitorOnlyTheOthersAreDrawn) {
    platform_.SetMonitors({{{0, 0, 64, 48}, false}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Same;
    settings_.currentImage = 1;

    change_.ChangeDesktop(-1);

    // No primary: the current image does not advance and no caption colours
    // are chosen, but every monitor still shows the current image.
    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_TRUE(platform_.iconColourCalls.empty());
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 1}, Drawn{1, 1}));
}

TEST_F(DesktopChangeTest, TheSinkReceivesTheDesktopInsteadOfTheWallpaper) {
    platform_.SetSingleMonitor(64, 48);
    Subscribe(1);
    int received = 0;
    change_.SetDesktopSink([&](const Bitmap& desktop) {
        ++received;
        EXPECT_EQ(desktop.width(), 64);
    });

    change_.ChangeDesktop(-1);

    EXPECT_EQ(received, 1);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_FALSE(std::filesystem::exists(DesktopFile()));
}

TEST_F(DesktopChangeTest, NoMonitorsIsAnErrorNotAnEmptyWallpaper) {
    platform_.SetMonitors({});
    Subscribe(1);
    EXPECT_THROW(change_.ChangeDesktop(-1), Error);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

// A second channel for monitors that show one of their own: flat pictures as
// files on disk, each filling a 64 x 48 monitor.
class FilesSource : public ChannelSource {
public:
    FilesSource(std::filesystem::path folder, std::vector<Colour> colours)
        : folder_(std::move(folder)), colours_(std::move(colours)) {
        std::filesystem::create_directories(folder_);
        for (std::size_t k = 0; k < colours_.size(); ++k) {
            Bitmap flat(64, 48);
            flat.Fill(colours_[k]);
            test::WriteJpeg(PathOf(static_cast<std::int32_t>(k)), flat);
        }
    }
    static constexpr Colour kFirst = 0xC03020;
    static constexpr Colour kSecond = 0x20C0A0;

    std::filesystem::path PathOf(std::int32_t index) const {
        return folder_ / ("photo" + std::to_string(index) + ".jpg");
    }
    std::string RefreshControlFile(std::int32_t) override { return {}; }
    std::int32_t ImageCount() const override { return static_cast<std::int32_t>(colours_.size()); }
    ChannelPicture Image(std::int32_t index) const override {
        ChannelPicture picture;
        picture.title = "Photo " + std::to_string(index);
        picture.loc = PathOf(index).filename().string();
        return picture;
    }
    std::filesystem::path ImageFilePath(std::int32_t index) override { return PathOf(index); }
    std::string ChannelName() const override { return "Photos"; }
    std::string ChannelId(std::int32_t) const override { return "photos"; }

private:
    std::filesystem::path folder_;
    std::vector<Colour> colours_;
};

class MonitorRunsTest : public DesktopChangeTest {
protected:
    MonitorRunsTest() { combined_.Add(photos_); }

    FilesSource photos_{root_ / "photos", {FilesSource::kFirst, FilesSource::kSecond}};
    CombinedSource combined_{source_};
    DesktopChange change_{platform_, settings_, combined_, feedback_, random_};
};

TEST_F(MonitorRunsTest, EachMonitorRotatesThroughTheChannelItShows) {
    ThreeMonitors();
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 0;
    // Monitors 0 and 2 show the photos (run 1), the primary the subscribed
    // channel.
    change_.SetImageRuns({{0, 3, -1}, {3, 2, -1}}, {1, 0, 1});

    ASSERT_TRUE(change_.ChangeDesktop(-1));

    // The photos' run goes on from monitor 0 to monitor 2; the subscribed
    // channel's rotation is the settings' alone.
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 3}, Drawn{1, 1}, Drawn{2, 4}));
    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_EQ(change_.imageRuns()[1].current, 1);
    // The canvas starts at the primary; monitor 0, left of it, wraps to
    // the end.
    Bitmap desktop = Desktop();
    ExpectImageAt(desktop, 0, 1);
    EXPECT_TRUE(Near(desktop.Pixel(96, 24), FilesSource::kSecond));
    EXPECT_TRUE(Near(desktop.Pixel(160, 24), FilesSource::kFirst));

    ASSERT_TRUE(change_.ChangeDesktop(-1));
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 3}, Drawn{1, 2}, Drawn{2, 4}));
    EXPECT_EQ(settings_.currentImage, 2);
    // The names in messages are the pictures' own channel's.
    EXPECT_EQ(combined_.ChannelNameOf(3), "Photos");
    EXPECT_EQ(combined_.ChannelNameOf(2), "Dunes");
}

TEST_F(MonitorRunsTest, AnUnreadablePictureGivesWayWithinItsOwnChannel) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    settings_.multiScreenOpt = MultiScreen::Different;
    settings_.currentImage = 0;
    test::WriteFile(photos_.PathOf(0), "not a JPEG after all");
    change_.SetImageRuns({{0, 3, -1}, {3, 2, -1}}, {0, 1});

    ASSERT_TRUE(change_.ChangeDesktop(-1));

    // Monitor 1 wanted photo 0 and took photo 1, never a picture of the
    // subscribed channel.
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 1}, Drawn{1, 4}));
    EXPECT_EQ(change_.imageRuns()[1].current, 1);
    EXPECT_TRUE(Near(Desktop().Pixel(96, 24), FilesSource::kSecond));
}

TEST_F(MonitorRunsTest, OnlyDifferentImagesModeShowsTheMonitorsOwnChannels) {
    platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
    Subscribe(3);
    settings_.currentImage = 0;
    change_.SetImageRuns({{0, 3, -1}, {3, 2, -1}}, {1, 1});
    for (const MultiScreen mode : {MultiScreen::Same, MultiScreen::Single}) {
        settings_.multiScreenOpt = mode;
        settings_.activeSingleMonitor = 1;
        ASSERT_TRUE(change_.ChangeDesktop(-1));
        for (const Drawn& d : change_.drawnImages()) {
            EXPECT_LT(d.image, 3) << "monitor " << d.monitor;
        }
    }
    EXPECT_EQ(change_.imageRuns()[1].current, -1);
    // A hand-picked picture of the subscribed channel goes on the primary.
    settings_.multiScreenOpt = MultiScreen::Different;
    ASSERT_TRUE(change_.ChangeDesktop(2));
    EXPECT_THAT(change_.drawnImages(), ElementsAre(Drawn{0, 2}, Drawn{1, 3}));
}

}  // namespace
}  // namespace wylo
