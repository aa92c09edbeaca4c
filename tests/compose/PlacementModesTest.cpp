#include <gtest/gtest.h>

#include "compose/Placement.h"
#include "compose/SmoothScale.h"

namespace wylo {
namespace {

constexpr Colour kBackground = MakeColour(10, 20, 30);

// Pixel (x, y) has red = x, green = y, blue 200.
Bitmap Coordinates(std::int32_t w, std::int32_t h) {
    Bitmap b(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            b.SetPixel(x, y,
                       MakeColour(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 200));
        }
    }
    return b;
}

Bitmap Monitor(std::int32_t w, std::int32_t h) {
    Bitmap b(w, h);
    b.Fill(kBackground);
    return b;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (std::int32_t y = 0; y < a.height(); ++y) {
        for (std::int32_t x = 0; x < a.width(); ++x) {
            if (a.Pixel(x, y) != b.Pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

constexpr ImagePlacement kCenter{PlacementMode::Center, 100};
constexpr ImagePlacement kTile{PlacementMode::Tile, 100};
constexpr ImagePlacement kStretch{PlacementMode::Stretch, 100};
constexpr ImagePlacement Zoom(std::int32_t percent) {
    return {PlacementMode::Zoom, percent};
}

TEST(PlaceImage, CenterWithoutSmoothingIsTheFitRulePixelForPixel) {
    // The default placement must give exactly the desktop the fit rule gives.
    for (const Size image : {Size{6, 4}, Size{160, 120}, Size{200, 100}, Size{300, 100}}) {
        Bitmap expected = Monitor(150, 90);
        Bitmap placed = Monitor(150, 90);
        const Bitmap picture = Coordinates(image.width, image.height);
        DrawFitted(expected, picture);
        PlaceImage(placed, picture, ImagePlacement{}, false);
        EXPECT_TRUE(SamePixels(expected, placed)) << image.width << "x" << image.height;
    }
}

TEST(PlaceImage, TileRepeatsTheImageFromTheTopLeftCorner) {
    Bitmap monitor = Monitor(11, 7);
    const Bitmap image = Coordinates(3, 2);
    PlaceImage(monitor, image, kTile, false);
    for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 11; ++x) {
            ASSERT_EQ(monitor.Pixel(x, y), image.Pixel(x % 3, y % 2)) << x << "," << y;
        }
    }
}

TEST(PlaceImage, TileOfAnImageLargerThanTheMonitorShowsItsTopLeft) {
    Bitmap monitor = Monitor(5, 4);
    const Bitmap image = Coordinates(9, 8);
    PlaceImage(monitor, image, kTile, true);
    EXPECT_EQ(monitor.Pixel(0, 0), image.Pixel(0, 0));
    EXPECT_EQ(monitor.Pixel(4, 3), image.Pixel(4, 3));
}

TEST(PlaceImage, StretchFillsTheMonitorIgnoringTheAspect) {
    Bitmap monitor = Monitor(8, 6);
    const Bitmap image = Coordinates(2, 3);
    PlaceImage(monitor, image, kStretch, false);
    EXPECT_EQ(PlacementRect(kStretch, {2, 3}, {8, 6}), (Rect{0, 0, 8, 6}));
    for (std::int32_t y = 0; y < 6; ++y) {
        for (std::int32_t x = 0; x < 8; ++x) {
            ASSERT_EQ(monitor.Pixel(x, y), image.Pixel(x / 4, y / 2)) << x << "," << y;
        }
    }
}

TEST(PlacementRect, ZoomCoversAtOneHundredAndScalesFromThere) {
    // 2560 x 1600 on 1920 x 1080: the width needs the larger scale.
    EXPECT_EQ(PlacementRect(Zoom(100), {2560, 1600}, {1920, 1080}), (Rect{0, -60, 1920, 1140}));
    EXPECT_EQ(PlacementRect(Zoom(50), {2560, 1600}, {1920, 1080}), (Rect{480, 240, 1440, 840}));
    EXPECT_EQ(PlacementRect(Zoom(200), {2560, 1600}, {1920, 1080}), (Rect{-960, -660, 2880, 1740}));
    // A tall image on a wide monitor: the width decides, cut top and bottom.
    EXPECT_EQ(PlacementRect(Zoom(100), {1000, 2000}, {800, 600}), (Rect{0, -500, 800, 1100}));
    // A wide image: the height decides, cut left and right.
    EXPECT_EQ(PlacementRect(Zoom(100), {2000, 1000}, {1000, 800}), (Rect{-300, 0, 1300, 800}));
    // A small image is enlarged to cover.
    EXPECT_EQ(PlacementRect(Zoom(100), {480, 270}, {1920, 1080}), (Rect{0, 0, 1920, 1080}));
    // The monitor's own aspect covers exactly, also when scaling is uneven.
    EXPECT_EQ(PlacementRect(Zoom(100), {3840, 2160}, {1920, 1080}), (Rect{0, 0, 1920, 1080}));
}

TEST(PlacementRect, DegenerateSizesNeverCrash) {
    EXPECT_EQ(PlacementRect(Zoom(100), {0, 0}, {100, 50}), (Rect{50, 25, 50, 25}));
    EXPECT_EQ(PlacementRect(Zoom(100), {10, 10}, {0, 0}), (Rect{0, 0, 0, 0}));
    EXPECT_EQ(PlacementRect(kStretch, {10, 10}, {-3, -3}), (Rect{0, 0, 0, 0}));
    // An absurd percentage is held to a sane range instead of overflowing.
    const Rect huge = PlacementRect(Zoom(2'000'000'000), {32768, 1}, {32768, 16384});
    EXPECT_GT(huge.right, huge.left);
}

TEST(PlaceImage, ZoomCutsTheOverhangEquallyAndLeavesNoBackground) {
    // 4 x 2 on 4 x 4 covers at 8 x 4, destination (-2, 0)-(6, 4).
    Bitmap monitor = Monitor(4, 4);
    const Bitmap image = Coordinates(4, 2);
    PlaceImage(monitor, image, Zoom(100), false);
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            ASSERT_EQ(monitor.Pixel(x, y), image.Pixel((x + 2) / 2, y / 2)) << x << "," << y;
        }
    }
}

TEST(PlaceImage, ZoomBelowOneHundredLeavesTheBackgroundAround) {
    Bitmap monitor = Monitor(20, 10);
    PlaceImage(monitor, Coordinates(20, 10), Zoom(50), false);
    // Destination (5, 2)-(15, 7).
    EXPECT_EQ(monitor.Pixel(4, 4), kBackground);
    EXPECT_EQ(monitor.Pixel(15, 4), kBackground);
    EXPECT_EQ(monitor.Pixel(10, 1), kBackground);
    EXPECT_EQ(monitor.Pixel(10, 7), kBackground);
    EXPECT_EQ(monitor.Pixel(5, 2), MakeColour(0, 0, 200));
    EXPECT_EQ(BlueOf(monitor.Pixel(14, 6)), 200);
}

Bitmap Row(std::initializer_list<std::uint8_t> greys) {
    Bitmap b(static_cast<std::int32_t>(greys.size()), 1);
    std::int32_t x = 0;
    for (const std::uint8_t g : greys) {
        b.SetPixel(x++, 0, MakeColour(g, g, g));
    }
    return b;
}

std::vector<int> Greys(const Bitmap& b, std::int32_t y = 0) {
    std::vector<int> out;
    for (std::int32_t x = 0; x < b.width(); ++x) {
        out.push_back(RedOf(b.Pixel(x, y)));
    }
    return out;
}

TEST(DrawSmoothScaled, ShrinkingAveragesTheCoveredPixels) {
    Bitmap out(2, 1);
    DrawSmoothScaled(out, Row({0, 100, 200, 50}), {0, 0, 2, 1});
    EXPECT_EQ(Greys(out), (std::vector<int>{50, 125}));
    // A non-whole ratio weights the pixel shared by two outputs by its share.
    Bitmap thirds(2, 1);
    DrawSmoothScaled(thirds, Row({0, 90, 180}), {0, 0, 2, 1});
    // [0, 1.5) = (0 + 0.5 x 90) / 1.5, [1.5, 3) = (0.5 x 90 + 180) / 1.5.
    EXPECT_EQ(Greys(thirds), (std::vector<int>{30, 150}));
}

TEST(DrawSmoothScaled, GrowingBlendsBetweenNeighbours) {
    Bitmap out(4, 1);
    DrawSmoothScaled(out, Row({0, 200}), {0, 0, 4, 1});
    EXPECT_EQ(Greys(out), (std::vector<int>{0, 50, 150, 200}));
}

TEST(DrawSmoothScaled, SameSizeIsAnExactCopyAndFlatStaysFlat) {
    const Bitmap image = Coordinates(37, 23);
    Bitmap copy(37, 23);
    DrawSmoothScaled(copy, image, {0, 0, 37, 23});
    EXPECT_TRUE(SamePixels(copy, image));

    Bitmap flat(13, 7);
    flat.Fill(MakeColour(90, 160, 250));
    for (const Rect dest : {Rect{0, 0, 40, 3}, Rect{-5, -9, 31, 30}, Rect{2, 1, 7, 4}}) {
        Bitmap monitor = Monitor(29, 19);
        DrawSmoothScaled(monitor, flat, dest);
        for (std::int32_t y = std::max(dest.top, 0); y < std::min(dest.bottom, 19); ++y) {
            for (std::int32_t x = std::max(dest.left, 0); x < std::min(dest.right, 29); ++x) {
                ASSERT_EQ(monitor.Pixel(x, y), MakeColour(90, 160, 250));
            }
        }
    }
}

TEST(DrawSmoothScaled, RowsAreWeighedAsColumnsAre) {
    // The rows are summed from the few source rows still needed, kept as the
    // destination comes down; shrinking, growing and clipping must weigh them
    // as the columns of the same values are weighed.
    std::vector<int> values;
    for (int k = 0; k < 29; ++k) {
        values.push_back((k * 53 + 17) % 256);
    }
    Bitmap row(29, 1);
    Bitmap column(1, 29);
    for (std::int32_t k = 0; k < 29; ++k) {
        const auto g = static_cast<std::uint8_t>(values[static_cast<std::size_t>(k)]);
        row.SetPixel(k, 0, MakeColour(g, g, g));
        column.SetPixel(0, k, MakeColour(g, g, g));
    }
    for (const auto& [length, offset] :
         {std::pair{11, 0}, {3, 0}, {2, 5}, {64, 0}, {11, -4}, {40, -13}, {29, 2}}) {
        SCOPED_TRACE(::testing::Message() << length << " from " << offset);
        Bitmap across(20, 1);
        Bitmap down(1, 20);
        across.Fill(MakeColour(1, 2, 3));
        down.Fill(MakeColour(1, 2, 3));
        DrawSmoothScaled(across, row, {offset, 0, offset + length, 1});
        DrawSmoothScaled(down, column, {0, offset, 1, offset + length});
        for (std::int32_t k = 0; k < 20; ++k) {
            ASSERT_EQ(down.Pixel(0, k), across.Pixel(k, 0)) << k;
        }
    }
}

TEST(StretchedRows, DrawsWhatStretchFromDrawsWhateverOrderTheRowsComeIn) {
    const Bitmap picture = Coordinates(37, 23);
    for (const Rect dest : {Rect{0, 0, 11, 7}, Rect{0, 0, 80, 50}, Rect{-9, -5, 25, 17},
                            Rect{3, 2, 40, 26}, Rect{0, 0, 37, 23}, Rect{5, 40, 20, 60}}) {
        SCOPED_TRACE(::testing::Message()
                     << dest.left << "," << dest.top << " " << dest.right << "," << dest.bottom);
        Bitmap expected = Monitor(29, 19);
        expected.StretchFrom(picture, dest);
        Bitmap drawn = Monitor(29, 19);
        const StretchedRows rows(drawn, {37, 23}, dest);
        // Bands of five rows, the last band first, as two decoders may hand
        // them on.
        for (std::int32_t first = 20; first >= 0; first -= 5) {
            const std::int32_t count = std::min(5, 23 - first);
            rows.Draw(first, count, picture.Row(first), picture.stride());
        }
        EXPECT_TRUE(SamePixels(drawn, expected));
    }
}

TEST(SmoothedRows, RowsFedInBandsDrawWhatTheWholePictureDraws) {
    const Bitmap picture = Coordinates(37, 23);
    for (const Rect dest : {Rect{0, 0, 11, 7}, Rect{0, 0, 80, 50}, Rect{-9, -5, 25, 17},
                            Rect{3, 2, 40, 26}, Rect{5, 40, 20, 60}}) {
        Bitmap expected = Monitor(29, 19);
        DrawSmoothScaled(expected, picture, dest);
        Bitmap drawn = Monitor(29, 19);
        SmoothedRows rows(drawn, {37, 23}, dest);
        for (std::int32_t first = 0; first < 23; first += 5) {
            rows.Feed(first, std::min(5, 23 - first), picture.Row(first), picture.stride());
        }
        EXPECT_TRUE(SamePixels(drawn, expected)) << dest.left << "," << dest.top;
    }
}

TEST(PlaceImage, SmoothCenterShrinksWithoutDroppingPixels) {
    // Nearest neighbour keeps one of each pair of columns; averaging blends
    // both, so a fine stripe pattern becomes even grey.
    Bitmap stripes(40, 2);
    for (std::int32_t x = 0; x < 40; ++x) {
        const std::uint8_t g = x % 2 ? 200 : 0;
        stripes.SetPixel(x, 0, MakeColour(g, g, g));
        stripes.SetPixel(x, 1, MakeColour(g, g, g));
    }
    Bitmap smooth = Monitor(20, 1);
    PlaceImage(smooth, stripes, kCenter, true);
    EXPECT_EQ(Greys(smooth), std::vector<int>(20, 100));
    Bitmap nearest = Monitor(20, 1);
    PlaceImage(nearest, stripes, kCenter, false);
    EXPECT_EQ(Greys(nearest), std::vector<int>(20, 0));
}

TEST(PlaceImage, SmoothZoomComputesOnlyTheVisiblePart) {
    // A huge zoom of a small image on a small monitor must stay cheap and
    // land the centre of the image in the centre of the monitor.
    Bitmap monitor = Monitor(8, 8);
    Bitmap image = Row({0, 0, 255, 255});
    PlaceImage(monitor, image, Zoom(200), true);
    EXPECT_LT(RedOf(monitor.Pixel(0, 4)), 128);
    EXPECT_GT(RedOf(monitor.Pixel(7, 4)), 128);
}

// One picture across monitors of different sizes, one left of and one
// above the primary, with gaps between them: each monitor's part is exactly
// what it shows of the picture placed into the monitors' bounding box.
TEST(PlaceImageInArea, EachMonitorShowsItsCutOfThePictureOverTheBoundingBox) {
    const Rect monitors[] = {
        {0, 0, 96, 54},     // the primary
        {-70, 9, -6, 57},   // left of it, lower, with a gap of 6 columns
        {20, -40, 70, -4},  // above it, with a gap of 4 rows
    };
    const Rect box{-70, -40, 96, 57};
    const Bitmap picture = Coordinates(150, 90);
    for (const ImagePlacement placement : {kCenter, kStretch, Zoom(100), Zoom(150), kTile}) {
        for (const bool smooth : {false, true}) {
            Bitmap whole = Monitor(box.Width(), box.Height());
            PlaceImage(whole, picture, placement, smooth);
            for (const Rect& m : monitors) {
                Bitmap part = Monitor(m.Width(), m.Height());
                PlaceImageInArea(
                    part, picture, placement, smooth,
                    {box.left - m.left, box.top - m.top, box.right - m.left, box.bottom - m.top});
                Bitmap expected = Monitor(m.Width(), m.Height());
                expected.CopyFrom(
                    whole,
                    {m.left - box.left, m.top - box.top, m.right - box.left, m.bottom - box.top}, 0,
                    0);
                EXPECT_TRUE(SamePixels(part, expected))
                    << "mode " << static_cast<int>(placement.mode) << " zoom " << placement.zoom
                    << " smooth " << smooth << " monitor at " << m.left << ", " << m.top;
            }
        }
    }
}

TEST(PlaceImageInArea, TheBoxOfOneMonitorIsPlaceImage) {
    const Bitmap picture = Coordinates(40, 30);
    for (const ImagePlacement placement : {kCenter, kTile, Zoom(120)}) {
        Bitmap a = Monitor(64, 48);
        Bitmap b = Monitor(64, 48);
        PlaceImage(a, picture, placement, false);
        PlaceImageInArea(b, picture, placement, false, {0, 0, 64, 48});
        EXPECT_TRUE(SamePixels(a, b)) << static_cast<int>(placement.mode);
    }
}

}  // namespace
}  // namespace wylo
