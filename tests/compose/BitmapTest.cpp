#include <climits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/Bitmap.h"

namespace wylo {
namespace {

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kGreen = MakeColour(0, 255, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

// Every pixel as one letter per colour, row by row, for readable expectations.
std::vector<std::string> Picture(const Bitmap& b, const std::vector<std::pair<Colour, char>>& key) {
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < b.height(); ++y) {
        std::string row;
        for (std::int32_t x = 0; x < b.width(); ++x) {
            char letter = '?';
            for (const auto& [colour, c] : key) {
                if (b.Pixel(x, y) == colour) {
                    letter = c;
                }
            }
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

// A bitmap whose pixel (x, y) has red = x and green = y, so any copied or
// stretched pixel tells where it came from.
Bitmap Coordinates(std::int32_t w, std::int32_t h) {
    Bitmap b(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            b.SetPixel(x, y,
                       MakeColour(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
        }
    }
    return b;
}

std::int32_t SourceX(const Bitmap& b, std::int32_t x, std::int32_t y) {
    return RedOf(b.Pixel(x, y));
}
std::int32_t SourceY(const Bitmap& b, std::int32_t x, std::int32_t y) {
    return GreenOf(b.Pixel(x, y));
}

TEST(BitmapLayout, RowsArePaddedToFourBytesAndStartZeroed) {
    EXPECT_EQ(Bitmap::StrideFor(1), 4u);
    EXPECT_EQ(Bitmap::StrideFor(3), 12u);
    EXPECT_EQ(Bitmap::StrideFor(5), 16u);
    Bitmap b(5, 2);
    EXPECT_EQ(b.stride(), 16u);
    EXPECT_EQ(b.Row(1) - b.Row(0), 16);
    for (std::size_t i = 0; i < b.stride() * 2; ++i) {
        ASSERT_EQ(b.data()[i], 0);
    }
}

TEST(BitmapLayout, UnpaintedBitmapsStillHaveZeroPadding) {
    // Dirty the heap first, so reused memory would show through.
    for (int i = 0; i < 4; ++i) {
        Bitmap dirty(7, 300);
        dirty.Fill(MakeColour(0xAB, 0xCD, 0xEF));
    }
    const Bitmap b = Bitmap::Unpainted(7, 300);
    ASSERT_EQ(b.stride(), 24u);
    for (std::int32_t y = 0; y < b.height(); ++y) {
        for (std::size_t i = 21; i < 24; ++i) {
            ASSERT_EQ(b.Row(y)[i], 0) << "row " << y;
        }
    }
}

TEST(BitmapLayout, LargeBitmapsCopyMoveAndFillLikeSmallOnes) {
    // Large enough for the huge-page allocation.
    Bitmap big = Bitmap::Unpainted(2001, 1000);
    big.Fill(MakeColour(1, 2, 3));
    big.SetPixel(2000, 999, MakeColour(9, 8, 7));
    const Bitmap copy = big;
    Bitmap moved = std::move(big);
    EXPECT_EQ(copy.Pixel(0, 0), MakeColour(1, 2, 3));
    EXPECT_EQ(copy.Pixel(2000, 999), MakeColour(9, 8, 7));
    EXPECT_EQ(moved.Pixel(2000, 999), MakeColour(9, 8, 7));
    EXPECT_EQ(copy.Row(999)[2001 * 3], 0);  // padding
    moved = Bitmap(3, 3);
    EXPECT_EQ(moved.Pixel(2, 2), kBlack);
}

TEST(BitmapLayout, PixelsAreStoredBlueGreenRed) {
    Bitmap b(2, 1);
    b.SetPixel(1, 0, MakeColour(0x11, 0x22, 0x33));
    EXPECT_EQ(b.Row(0)[3], 0x33);
    EXPECT_EQ(b.Row(0)[4], 0x22);
    EXPECT_EQ(b.Row(0)[5], 0x11);
    EXPECT_EQ(b.Pixel(1, 0), MakeColour(0x11, 0x22, 0x33));
}

TEST(BitmapLayout, RefusesNegativeAndOversizedBitmaps) {
    EXPECT_THROW(Bitmap(-1, 10), Error);
    EXPECT_THROW(Bitmap(10, -1), Error);
    EXPECT_THROW(Bitmap(INT32_MAX, INT32_MAX), Error);
    EXPECT_THROW(Bitmap(32768, 16385), Error);
    EXPECT_TRUE(Bitmap(0, 0).empty());
}

TEST(BitmapFill, PaintsOnlyTheClippedRectangleAndLeavesPaddingAlone) {
    Bitmap b(5, 4);
    b.Fill(kBlue);
    b.Fill({-3, 1, 2, 100}, kRed);
    EXPECT_EQ(Picture(b, {{kBlue, 'b'}, {kRed, 'r'}}),
              (std::vector<std::string>{"bbbbb", "rrbbb", "rrbbb", "rrbbb"}));
    // Padding bytes after the 15 pixel bytes stay zero.
    EXPECT_EQ(b.Row(2)[15], 0);
}

TEST(BitmapFill, RectanglesOutsideOrEmptyChangeNothing) {
    Bitmap b(3, 3);
    b.Fill(kBlue);
    b.Fill({3, 0, 10, 3}, kRed);
    b.Fill({0, -5, 3, 0}, kRed);
    b.Fill({2, 2, 1, 1}, kRed);  // inverted
    b.Fill({INT32_MIN, INT32_MIN, INT32_MIN + 1, INT32_MIN + 1}, kRed);
    EXPECT_EQ(Picture(b, {{kBlue, 'b'}}), (std::vector<std::string>{"bbb", "bbb", "bbb"}));
}

TEST(BitmapCopy, CopiesOneToOneAndClipsAtEveryEdge) {
    const Bitmap src = Coordinates(4, 4);
    Bitmap dest(3, 3);
    dest.Fill(kBlue);
    // Source rectangle starting left of src, destination starting above dest.
    dest.CopyFrom(src, {-1, 1, 3, 4}, 0, -1);
    // Source column -1 does not exist: the copy of column 0 lands at x = 1.
    EXPECT_EQ(dest.Pixel(0, 0), kBlue);
    EXPECT_EQ(SourceX(dest, 1, 0), 0);
    EXPECT_EQ(SourceY(dest, 1, 0), 2);  // source row 1 went to y = -1, clipped
    EXPECT_EQ(SourceX(dest, 2, 1), 1);
    EXPECT_EQ(SourceY(dest, 2, 1), 3);
    EXPECT_EQ(dest.Pixel(1, 2), kBlue);  // source has no row 4
}

TEST(BitmapCopy, NegativeDestinationDropsTheLeadingColumns) {
    const Bitmap src = Coordinates(6, 2);
    Bitmap dest(3, 2);
    dest.CopyFrom(src, {0, 0, 6, 2}, -2, 0);
    EXPECT_EQ(SourceX(dest, 0, 0), 2);
    EXPECT_EQ(SourceX(dest, 2, 1), 4);
}

TEST(BitmapCopy, CopiesWithinOneBitmapWhenAreasOverlap) {
    Bitmap b = Coordinates(4, 4);
    b.CopyFrom(b, {0, 0, 3, 3}, 1, 1);  // down and right by one
    for (std::int32_t y = 1; y < 4; ++y) {
        for (std::int32_t x = 1; x < 4; ++x) {
            EXPECT_EQ(SourceX(b, x, y), x - 1);
            EXPECT_EQ(SourceY(b, x, y), y - 1);
        }
    }
    Bitmap c = Coordinates(4, 4);
    c.CopyFrom(c, {1, 1, 4, 4}, 0, 0);  // up and left by one
    EXPECT_EQ(SourceX(c, 0, 0), 1);
    EXPECT_EQ(SourceY(c, 2, 2), 3);
}

TEST(BitmapStretch, EnlargingRepeatsWholeRowsAndColumns) {
    Bitmap src(2, 2);
    src.SetPixel(0, 0, kRed);
    src.SetPixel(1, 0, kGreen);
    src.SetPixel(0, 1, kBlue);
    src.SetPixel(1, 1, kWhite);
    Bitmap dest(4, 4);
    dest.StretchFrom(src, {0, 0, 4, 4});
    EXPECT_EQ(Picture(dest, {{kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {kWhite, 'w'}}),
              (std::vector<std::string>{"rrgg", "rrgg", "bbww", "bbww"}));
}

TEST(BitmapStretch, ShrinkingTakesEveryOtherRowAndColumnFromTheFirst) {
    const Bitmap src = Coordinates(4, 4);
    Bitmap dest(2, 2);
    dest.StretchFrom(src, {0, 0, 2, 2});
    EXPECT_EQ(SourceX(dest, 0, 0), 0);
    EXPECT_EQ(SourceX(dest, 1, 0), 2);
    EXPECT_EQ(SourceY(dest, 0, 1), 2);
    EXPECT_EQ(SourceY(dest, 1, 1), 2);
}

TEST(BitmapStretch, NegativeOriginIsClippedWithoutShiftingTheImage) {
    // 4 source columns over 8 destination columns starting at x = -3: the
    // visible columns 0..4 are destination columns 3..7, i.e. source 1,2,2,3,3.
    const Bitmap src = Coordinates(4, 1);
    Bitmap dest(5, 1);
    dest.StretchFrom(src, {-3, 0, 5, 1});
    const std::vector<std::int32_t> expected{1, 2, 2, 3, 3};
    for (std::int32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(SourceX(dest, x, 0), expected[static_cast<std::size_t>(x)]) << "x = " << x;
    }
}

TEST(BitmapStretch, UnscaledDrawIsAPlainCopyAndKeepsTheRestOfTheBitmap) {
    const Bitmap src = Coordinates(3, 2);
    Bitmap dest(6, 4);
    dest.Fill(kBlue);
    dest.StretchFrom(src, {2, 1, 5, 3});
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            if (inside) {
                EXPECT_EQ(SourceX(dest, x, y), x - 2);
                EXPECT_EQ(SourceY(dest, x, y), y - 1);
            } else {
                EXPECT_EQ(dest.Pixel(x, y), kBlue) << x << "," << y;
            }
        }
    }
}

TEST(BitmapStretch, EmptyInvertedOrFarAwayDestinationsDrawNothing) {
    const Bitmap src = Coordinates(2, 2);
    Bitmap dest(3, 3);
    dest.Fill(kBlue);
    dest.StretchFrom(src, {2, 2, 2, 3});
    dest.StretchFrom(src, {3, 0, 0, 3});
    dest.StretchFrom(src, {INT32_MIN, INT32_MIN, INT32_MAX, -1});
    dest.StretchFrom(Bitmap(), {0, 0, 3, 3});
    EXPECT_EQ(Picture(dest, {{kBlue, 'b'}}), (std::vector<std::string>{"bbb", "bbb", "bbb"}));
}

TEST(BitmapStretch, HugeDestinationAroundTheBitmapDoesNotOverflow) {
    const Bitmap src = Coordinates(2, 2);
    Bitmap dest(2, 2);
    dest.StretchFrom(src, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    // The middle of the destination is the boundary between source pixels 0 and 1.
    EXPECT_EQ(SourceX(dest, 0, 0), 1);
    EXPECT_EQ(SourceY(dest, 1, 1), 1);
}

TEST(BitmapStretch, StretchingABitmapIntoItselfUsesTheOriginalPixels) {
    Bitmap b = Coordinates(4, 4);
    b.StretchFrom(b, {0, 0, 8, 8});
    EXPECT_EQ(SourceX(b, 3, 3), 1);
    EXPECT_EQ(SourceY(b, 3, 3), 1);
    EXPECT_EQ(SourceX(b, 2, 1), 1);
    EXPECT_EQ(SourceY(b, 2, 1), 0);
}

}  // namespace
}  // namespace wylo
