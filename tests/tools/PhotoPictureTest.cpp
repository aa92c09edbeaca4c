// The channel preview, and the tool's JPEG encoder read back by the program's decoder.

#include <cstdlib>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/Jpeg.h"
#include "support/JpegWriter.h"
#include "support/PictureChecks.h"
#include "support/TempDir.h"
#include "tools/wylo-channel/JpegEncoder.h"
#include "tools/wylo-channel/PhotoPicture.h"

namespace wylo::tool {
namespace {

using test::TempDir;
using test::WriteFile;

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

using test::Near;
using test::Solid;

// Encodes with the tool's own encoder and decodes with the program's decoder.
Bitmap RoundTrip(const Bitmap& bitmap, int quality = 90) {
    TempDir dir;
    WriteFile(dir / "p.jpg", EncodeJpeg(bitmap, quality));
    return DecodeJpegFile(dir / "p.jpg");
}

TEST(MakePreview, ShowsEachPictureInItsOwnCell) {
    const Colour colours[] = {kRed, kBlue, MakeColour(0, 200, 0), kWhite};
    std::vector<Bitmap> pictures;
    for (const Colour c : colours) {
        pictures.push_back(Solid(300, 200, c));
    }
    const Bitmap grid = MakePreview(pictures);
    ASSERT_EQ(grid.width(), kPreviewSize.width);
    ASSERT_EQ(grid.height(), kPreviewSize.height);
    EXPECT_EQ(grid.Pixel(10, 10), colours[0]);
    EXPECT_EQ(grid.Pixel(390, 10), colours[1]);
    EXPECT_EQ(grid.Pixel(10, 240), colours[2]);
    EXPECT_EQ(grid.Pixel(390, 240), colours[3]);

    pictures.resize(2);
    const Bitmap pair = MakePreview(pictures);
    EXPECT_EQ(pair.Pixel(10, 240), colours[0]);
    EXPECT_EQ(pair.Pixel(390, 10), colours[1]);

    EXPECT_THROW(MakePreview({}), Error);
}

TEST(EncodeJpeg, MakesAFileTheProgramDecodes) {
    const Bitmap quadrants = test::QuadrantPattern(64, 48);
    const Bitmap decoded = RoundTrip(quadrants);
    ASSERT_EQ(decoded.width(), 64);
    ASSERT_EQ(decoded.height(), 48);
    EXPECT_TRUE(Near(decoded.Pixel(8, 8), kRed, 6));
    EXPECT_TRUE(Near(decoded.Pixel(56, 8), MakeColour(0, 255, 0), 6));
    EXPECT_TRUE(Near(decoded.Pixel(8, 40), kBlue, 6));
    EXPECT_TRUE(Near(decoded.Pixel(56, 40), kWhite, 6));

    EXPECT_THROW(EncodeJpeg(Bitmap()), Error);
    EXPECT_THROW(EncodeJpeg(quadrants, 0), Error);
}

}  // namespace
}  // namespace wylo::tool
