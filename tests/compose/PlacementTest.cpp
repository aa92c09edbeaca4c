#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "compose/Placement.h"

namespace wylo {
namespace {

constexpr Colour kBackground = MakeColour(10, 20, 30);

struct FitCase {
    Size image;
    Size monitor;
    Rect expected;
};

class FitImageRectExamples : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitImageRectExamples, GivesTheDocumentedRectangle) {
    const FitCase& c = GetParam();
    EXPECT_EQ(FitImageRect({0, 0, c.image.width, c.image.height},
                           {0, 0, c.monitor.width, c.monitor.height}),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FitImageRectExamples,
    ::testing::Values(
        // Smaller than the monitor: own size, centred both ways.
        FitCase{{1024, 768}, {1920, 1080}, {448, 156, 1472, 924}},
        // Taller only: height fitted, width cut from 1439.99...
        FitCase{{1600, 1200}, {1920, 1080}, {240, 0, 1679, 1080}},
        // Wider and taller with a wider aspect: height wins, overhang cut equally.
        FitCase{{1920, 1200}, {1280, 1024}, {-179, 0, 1459, 1024}},
        FitCase{{2000, 1000}, {1000, 800}, {-300, 0, 1300, 800}},
        // Wider only: width fitted, height 499 (1500 x 0.333... cut).
        FitCase{{3000, 1000}, {1500, 1500}, {0, 500, 1500, 999}},
        // Exactly the monitor's size.
        FitCase{{1920, 1080}, {1920, 1080}, {0, 0, 1920, 1080}},
        // Exact arithmetic gives 1920; the rounded ratio gives 1919.
        FitCase{{3840, 2160}, {1920, 1080}, {0, 0, 1919, 1080}},
        // Wider and taller with a taller aspect: letterboxed left and right.
        FitCase{{1000, 2000}, {800, 600}, {250, 0, 550, 600}},
        // Odd overhang: -293 / 2 truncates toward zero to -146.
        FitCase{{801, 101}, {500, 100}, {-146, 0, 647, 100}}));

TEST(FitImageRect, OnlyTheImageSizeMattersNotItsPosition) {
    EXPECT_EQ(FitImageRect({10, 20, 1034, 788}, {0, 0, 1920, 1080}), (Rect{448, 156, 1472, 924}));
}

TEST(FitImageRect, DegenerateSizesNeverCrash) {
    EXPECT_EQ(FitImageRect({0, 0, 0, 0}, {0, 0, 100, 50}), (Rect{50, 25, 50, 25}));
    EXPECT_EQ(FitImageRect({0, 0, 10, 10}, {0, 0, 0, 0}), (Rect{0, 0, 0, 0}));
    // A sliver taller than the monitor scales to zero width.
    EXPECT_EQ(FitImageRect({0, 0, 1, 100000}, {0, 0, 100, 100}), (Rect{50, 0, 50, 100}));
    // Inverted rectangles count as empty.
    EXPECT_EQ(FitImageRect({5, 5, 0, 0}, {0, 0, 10, 10}), (Rect{5, 5, 5, 5}));
    EXPECT_EQ(FitImageRect({0, 0, 10, 10}, {0, 0, -4, -4}), (Rect{0, 0, 0, 0}));
}

TEST(TruncExtendedProduct, MatchesTheX87ExtendedTypeBitForBit) {
    if constexpr (std::numeric_limits<long double>::digits != 64) {
        GTEST_SKIP() << "long double is not the 64-bit-mantissa type here";
    } else {
        std::mt19937_64 random(20240607);
        std::uniform_int_distribution<std::int32_t> length(0, 70000);
        std::uniform_int_distribution<std::int32_t> side(1, 70000);
        for (int i = 0; i < 200000; ++i) {
            const std::int64_t n = length(random);
            const double ratio = static_cast<double>(side(random)) / side(random);
            const auto expected = static_cast<std::int64_t>(static_cast<long double>(n) *
                                                            static_cast<long double>(ratio));
            ASSERT_EQ(detail::TruncExtendedProduct(n, ratio), expected) << n << " x " << ratio;
        }
        // Whole-number results that the rounded ratio pulls just below.
        for (std::int64_t a = 1; a <= 4000; ++a) {
            for (std::int64_t b : {3, 7, 9, 11, 1080, 1200}) {
                const double ratio = static_cast<double>(a) / static_cast<double>(b);
                const auto expected = static_cast<std::int64_t>(static_cast<long double>(b) *
                                                                static_cast<long double>(ratio));
                ASSERT_EQ(detail::TruncExtendedProduct(b, ratio), expected) << a << "/" << b;
            }
        }
    }
}

TEST(TruncExtendedProduct, KnownValues) {
    EXPECT_EQ(detail::TruncExtendedProduct(1080, 3840.0 / 2160.0), 1919);
    EXPECT_EQ(detail::TruncExtendedProduct(1080, 1600.0 / 1200.0), 1439);
    EXPECT_EQ(detail::TruncExtendedProduct(1500, 1000.0 / 3000.0), 499);
    EXPECT_EQ(detail::TruncExtendedProduct(1024, 2.0), 2048);
    EXPECT_EQ(detail::TruncExtendedProduct(0, 2.5), 0);
    EXPECT_EQ(detail::TruncExtendedProduct(7, 0.0), 0);
}

// Pixel (x, y) of the image has red = x % 256, green = y % 256, blue 200.
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

TEST(DrawFitted, SmallImageIsCentredUnscaledOnItsBackground) {
    Bitmap monitor = Monitor(20, 10);
    const Bitmap image = Coordinates(6, 4);
    DrawFitted(monitor, image);
    // Destination (7, 3)-(13, 7).
    EXPECT_EQ(monitor.Pixel(7, 3), image.Pixel(0, 0));
    EXPECT_EQ(monitor.Pixel(12, 6), image.Pixel(5, 3));
    EXPECT_EQ(monitor.Pixel(6, 3), kBackground);
    EXPECT_EQ(monitor.Pixel(13, 6), kBackground);
    EXPECT_EQ(monitor.Pixel(7, 2), kBackground);
    EXPECT_EQ(monitor.Pixel(12, 7), kBackground);
    EXPECT_EQ(monitor.Pixel(0, 0), kBackground);
    EXPECT_EQ(monitor.Pixel(19, 9), kBackground);
}

TEST(DrawFitted, ImageOfTheMonitorsSizeIsCopiedExactly) {
    Bitmap monitor = Monitor(33, 17);
    const Bitmap image = Coordinates(33, 17);
    DrawFitted(monitor, image);
    for (std::int32_t y = 0; y < 17; ++y) {
        for (std::int32_t x = 0; x < 33; ++x) {
            ASSERT_EQ(monitor.Pixel(x, y), image.Pixel(x, y));
        }
    }
}

TEST(DrawFitted, TallImageIsShrunkToTheHeightWithBackgroundBars) {
    // 160 x 120 on 192 x 108: height 108, width trunc(108 x 1.333...) = 143.
    Bitmap monitor = Monitor(192, 108);
    const Bitmap image = Coordinates(160, 120);
    const Rect dest = FitImageRect({0, 0, 160, 120}, {0, 0, 192, 108});
    ASSERT_EQ(dest, (Rect{24, 0, 167, 108}));
    DrawFitted(monitor, image);
    for (std::int32_t y : {0, 50, 107}) {
        EXPECT_EQ(monitor.Pixel(23, y), kBackground);
        EXPECT_EQ(monitor.Pixel(167, y), kBackground);
        EXPECT_EQ(BlueOf(monitor.Pixel(24, y)), 200);
        EXPECT_EQ(BlueOf(monitor.Pixel(166, y)), 200);
    }
    // Corners of the drawn area come from the image's corners, nearest pixel.
    EXPECT_EQ(monitor.Pixel(24, 0), image.Pixel(0, 0));
    EXPECT_EQ(RedOf(monitor.Pixel(166, 107)), 142 * 160 / 143);
    EXPECT_EQ(GreenOf(monitor.Pixel(166, 107)), 107 * 120 / 108);
}

TEST(DrawFitted, WideOverhangIsCutEquallyOnBothSides) {
    // 200 x 100 on 100 x 80: height 80, width 160, destination (-30, 0)-(130, 80).
    Bitmap monitor = Monitor(100, 80);
    const Bitmap image = Coordinates(200, 100);
    const Rect dest = FitImageRect({0, 0, 200, 100}, {0, 0, 100, 80});
    ASSERT_EQ(dest, (Rect{-30, 0, 130, 80}));
    EXPECT_EQ(-dest.left, dest.right - 100);
    DrawFitted(monitor, image);
    // Nothing of the background is left: the image covers every pixel.
    for (std::int32_t y = 0; y < 80; ++y) {
        for (std::int32_t x = 0; x < 100; ++x) {
            ASSERT_EQ(BlueOf(monitor.Pixel(x, y)), 200) << x << "," << y;
        }
    }
    // Monitor column 0 is destination column 30 of 160; column 99 is 129.
    EXPECT_EQ(RedOf(monitor.Pixel(0, 0)), 30 * 200 / 160);
    EXPECT_EQ(RedOf(monitor.Pixel(99, 0)), 129 * 200 / 160);
    EXPECT_EQ(GreenOf(monitor.Pixel(0, 79)), 79 * 100 / 80);
}

TEST(DrawFitted, WideImageIsShrunkToTheWidthAndCentredVertically) {
    // 300 x 100 on 150 x 150: width 150, height 49, destination (0, 50)-(150, 99).
    Bitmap monitor = Monitor(150, 150);
    DrawFitted(monitor, Coordinates(300, 100));
    EXPECT_EQ(monitor.Pixel(0, 49), kBackground);
    EXPECT_EQ(BlueOf(monitor.Pixel(0, 50)), 200);
    EXPECT_EQ(BlueOf(monitor.Pixel(149, 98)), 200);
    EXPECT_EQ(monitor.Pixel(149, 99), kBackground);
}

}  // namespace
}  // namespace wylo
