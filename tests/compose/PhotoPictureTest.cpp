// Thumbnails and suggested colours, on real pixels and real JPEGs.

#include <cstdlib>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/Jpeg.h"
#include "compose/PhotoPicture.h"
#include "support/JpegWriter.h"
#include "support/PictureChecks.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::PhotoPattern;
using test::TempDir;

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

using test::Near;
using test::Solid;

using test::FramedPhoto;

// Through a real JPEG file and the program's decoder.
Bitmap RoundTrip(const Bitmap& bitmap) {
    TempDir dir;
    test::WriteJpeg(dir / "p.jpg", bitmap);
    return DecodeJpegFile(dir / "p.jpg");
}

TEST(ThumbnailSize, KeepsTheAspectAtAbout120Wide) {
    EXPECT_EQ(ThumbnailSize({1920, 1080}), (Size{120, 68}));
    EXPECT_EQ(ThumbnailSize({2000, 3000}), (Size{120, 180}));
    // Too tall at 120 wide: narrower instead.
    EXPECT_EQ(ThumbnailSize({1000, 3000}), (Size{80, 240}));
    // Small pictures are not enlarged; slivers keep a pixel.
    EXPECT_EQ(ThumbnailSize({50, 40}), (Size{50, 40}));
    EXPECT_EQ(ThumbnailSize({10000, 1}), (Size{120, 1}));
    EXPECT_EQ(ThumbnailSize({1, 10000}), (Size{1, 240}));
}

TEST(ScaleBox, AveragesFineDetailInsteadOfPickingPixels) {
    // One-pixel stripes: a nearest-pixel scaler shows only black or white.
    Bitmap stripes(100, 10);
    for (std::int32_t x = 0; x < 100; x += 2) {
        stripes.Fill({x, 0, x + 1, 10}, kWhite);
    }
    const Bitmap small = ScaleBox(stripes, 10, 1);
    for (std::int32_t x = 0; x < 10; ++x) {
        EXPECT_TRUE(Near(small.Pixel(x, 0), MakeColour(128, 128, 128), 1)) << x;
    }
}

TEST(ScaleBox, KeepsRegionsWhereTheyAreAndEnlargesByRepeating) {
    Bitmap halves(200, 100);
    halves.Fill({0, 0, 100, 100}, kRed);
    halves.Fill({100, 0, 200, 100}, kBlue);
    const Bitmap small = ScaleBox(halves, 20, 10);
    EXPECT_EQ(small.Pixel(0, 0), kRed);
    EXPECT_EQ(small.Pixel(9, 9), kRed);
    EXPECT_EQ(small.Pixel(10, 0), kBlue);
    EXPECT_EQ(small.Pixel(19, 9), kBlue);

    Bitmap two(2, 1);
    two.SetPixel(0, 0, kRed);
    two.SetPixel(1, 0, kBlue);
    const Bitmap large = ScaleBox(two, 4, 2);
    EXPECT_EQ(large.Pixel(0, 1), kRed);
    EXPECT_EQ(large.Pixel(1, 0), kRed);
    EXPECT_EQ(large.Pixel(2, 1), kBlue);
    EXPECT_EQ(large.Pixel(3, 0), kBlue);

    EXPECT_THROW(ScaleBox(two, 0, 5), Error);
    EXPECT_THROW(ScaleBox(Bitmap(), 5, 5), Error);
    EXPECT_THROW(ScaleBox(two, {5, 0, 9, 1}, 2, 2), Error);  // entirely outside
}

TEST(ScaleToCover, CropsTheCentreInsteadOfLetterboxing) {
    // 2:1 with red outer quarters: a square cover shows only the blue middle.
    Bitmap wide = Solid(200, 100, kBlue);
    wide.Fill({0, 0, 50, 100}, kRed);
    wide.Fill({150, 0, 200, 100}, kRed);
    const Bitmap square = ScaleToCover(wide, 40, 40);
    ASSERT_EQ(square.width(), 40);
    ASSERT_EQ(square.height(), 40);
    for (const auto& [x, y] : {std::pair{0, 0}, {39, 0}, {0, 39}, {39, 39}, {20, 20}}) {
        EXPECT_EQ(square.Pixel(x, y), kBlue) << x << "," << y;
    }
}

TEST(BorderColour, ReadsTheFrameOfAJpegPhotoWithinAFewLevels) {
    const Colour dark = MakeColour(16, 32, 48);
    const Colour light = MakeColour(235, 228, 205);
    EXPECT_TRUE(Near(BorderColour(RoundTrip(FramedPhoto(640, 400, 24, dark))), dark, 3));
    EXPECT_TRUE(Near(BorderColour(RoundTrip(FramedPhoto(300, 500, 20, light))), light, 3));
    // The inside does not count, however bright it is.
    EXPECT_TRUE(Near(BorderColour(FramedPhoto(400, 400, 8, dark)), dark, 0));
}

TEST(BorderColour, IgnoresASmallBrightObjectOnTheEdge) {
    const Colour sea = MakeColour(20, 60, 120);
    Bitmap photo = FramedPhoto(500, 300, 10, sea);
    photo.Fill({200, 290, 260, 300}, kWhite);  // the sun setting on the bottom edge
    EXPECT_EQ(BorderColour(photo), sea);
}

TEST(BorderColour, TinyPicturesUseEveryPixel) {
    EXPECT_EQ(BorderColour(Solid(1, 1, kRed)), kRed);
    EXPECT_EQ(BorderColour(Solid(3, 2, kBlue)), kBlue);
    EXPECT_EQ(BorderColour(Bitmap()), kBlack);
}

TEST(ContrastingFont, WhiteOnDarkAndBlackOnLight) {
    EXPECT_EQ(ContrastingFont(kBlack), kWhite);
    EXPECT_EQ(ContrastingFont(MakeColour(16, 32, 48)), kWhite);
    EXPECT_EQ(ContrastingFont(kBlue), kWhite);
    EXPECT_EQ(ContrastingFont(kWhite), kBlack);
    EXPECT_EQ(ContrastingFont(MakeColour(235, 228, 205)), kBlack);
    EXPECT_EQ(ContrastingFont(MakeColour(255, 255, 0)), kBlack);
    // Mid tones go by perceived lightness: green is lighter than it looks in RGB.
    EXPECT_EQ(ContrastingFont(MakeColour(0, 160, 0)), kBlack);
    EXPECT_EQ(ContrastingFont(MakeColour(110, 0, 110)), kWhite);
}

TEST(ColourText, IsTheChannelFormatAndReadsBack) {
    EXPECT_EQ(ColourText(MakeColour(0x10, 0x20, 0x30)), "#102030");
    EXPECT_EQ(ColourText(MakeColour(0xAB, 0xCD, 0xEF)), "#ABCDEF");
    EXPECT_EQ(ColourText(kBlack), "#000000");
    for (const Colour c : {kRed, kBlue, MakeColour(1, 254, 127)}) {
        EXPECT_EQ(HexToColour(ColourText(c)), c);
    }
}

}  // namespace
}  // namespace wylo
