#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compose/OrientedBitmap.h"

namespace wylo {
namespace {

constexpr Orientation kAll[] = {
    Orientation::Normal,         Orientation::MirrorHorizontal, Orientation::Rotate180,
    Orientation::MirrorVertical, Orientation::Transpose,        Orientation::Rotate90,
    Orientation::Transverse,     Orientation::Rotate270,
};

// Pixels named by letters, so expectations read as pictures.
Bitmap Letters(const std::vector<std::string>& rows) {
    Bitmap b(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()));
    for (std::int32_t y = 0; y < b.height(); ++y) {
        for (std::int32_t x = 0; x < b.width(); ++x) {
            const auto c = static_cast<std::uint8_t>(rows[static_cast<std::size_t>(y)][x]);
            b.SetPixel(x, y, MakeColour(c, 255 - c, c / 2));
        }
    }
    return b;
}

std::vector<std::string> Letters(const Bitmap& b) {
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < b.height(); ++y) {
        std::string row;
        for (std::int32_t x = 0; x < b.width(); ++x) {
            row += static_cast<char>(RedOf(b.Pixel(x, y)));
        }
        rows.push_back(row);
    }
    return rows;
}

// Every byte of every row, padding included.
bool SameBytes(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (std::int32_t y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), a.stride()) != 0) {
            return false;
        }
    }
    return true;
}

TEST(Oriented, TurnsAsTheCameraSays) {
    const Bitmap stored = Letters({"ABC", "DEF"});
    using Rows = std::vector<std::string>;
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Normal)), (Rows{"ABC", "DEF"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::MirrorHorizontal)), (Rows{"CBA", "FED"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Rotate180)), (Rows{"FED", "CBA"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::MirrorVertical)), (Rows{"DEF", "ABC"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Transpose)), (Rows{"AD", "BE", "CF"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Rotate90)), (Rows{"DA", "EB", "FC"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Transverse)), (Rows{"FC", "EB", "DA"}));
    EXPECT_EQ(Letters(Oriented(stored, Orientation::Rotate270)), (Rows{"CF", "BE", "AD"}));
}

// A picture taller than several bands, of odd sizes (row padding differs
// once turned), with no two pixels alike.
Bitmap Distinct(std::int32_t width, std::int32_t height) {
    Bitmap b(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            b.SetPixel(x, y,
                       MakeColour(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                  static_cast<std::uint8_t>(x ^ y)));
        }
    }
    return b;
}

TEST(Oriented, TurnsComposeLikeTurnsOfAPhotograph) {
    const Bitmap p = Distinct(37, 53);
    const auto turn = [](const Bitmap& b, Orientation o) { return Oriented(b, o); };
    const Bitmap quarter = turn(p, Orientation::Rotate90);
    ASSERT_EQ(quarter.width(), 53);
    ASSERT_EQ(quarter.height(), 37);
    const Bitmap half = turn(quarter, Orientation::Rotate90);
    EXPECT_TRUE(SameBytes(half, turn(p, Orientation::Rotate180)));
    EXPECT_TRUE(SameBytes(turn(half, Orientation::Rotate90), turn(p, Orientation::Rotate270)));
    EXPECT_TRUE(SameBytes(turn(turn(p, Orientation::Rotate270), Orientation::Rotate90), p));
    // Each mirror undoes itself.
    for (const Orientation o : {Orientation::MirrorHorizontal, Orientation::MirrorVertical,
                                Orientation::Transpose, Orientation::Transverse}) {
        EXPECT_TRUE(SameBytes(turn(turn(p, o), o), p)) << static_cast<int>(o);
    }
    // The diagonal mirrors are a quarter turn and a mirror.
    EXPECT_TRUE(
        SameBytes(turn(p, Orientation::Transpose), turn(quarter, Orientation::MirrorHorizontal)));
    EXPECT_TRUE(
        SameBytes(turn(p, Orientation::Transverse), turn(quarter, Orientation::MirrorVertical)));
}

TEST(Oriented, KeepsRowPaddingClearAndSizesRight) {
    const Bitmap p = Distinct(37, 53);  // rows of 111 and, turned, 159 bytes
    for (const Orientation o : kAll) {
        const Bitmap b = Oriented(p, o);
        const Size expected = SwapsAxes(o) ? Size{53, 37} : Size{37, 53};
        EXPECT_EQ((Size{b.width(), b.height()}), expected);
        EXPECT_EQ(OrientedSize({37, 53}, o), expected);
        for (std::int32_t y = 0; y < b.height(); ++y) {
            const std::uint8_t* row = b.Row(y);
            for (std::size_t i = static_cast<std::size_t>(b.width()) * 3; i < b.stride(); ++i) {
                ASSERT_EQ(row[i], 0) << static_cast<int>(o) << " row " << y;
            }
        }
    }
    EXPECT_TRUE(Oriented(Bitmap(), Orientation::Rotate90).empty());
}

TEST(PlaceOrientedRows, BandsPlacedInAnyOrderMakeTheWholePicture) {
    // Two decoders place the upper and lower parts of one picture.
    const Bitmap p = Distinct(29, 40);
    for (const Orientation o : kAll) {
        const Size size = OrientedSize({29, 40}, o);
        Bitmap upright(size.width, size.height);
        PlaceOrientedRows(upright, o, p.Row(24), p.stride(), 24, 16);
        PlaceOrientedRows(upright, o, p.Row(7), p.stride(), 7, 17);
        PlaceOrientedRows(upright, o, p.Row(0), p.stride(), 0, 7);
        EXPECT_TRUE(SameBytes(upright, Oriented(p, o))) << static_cast<int>(o);
    }
}

}  // namespace
}  // namespace wylo
