#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "compose/ExifOrientation.h"
#include "support/ExifSegment.h"

namespace wylo {
namespace {

using test::ByteOrder;
using test::ExifEntry;
using test::ExifSegment;
using test::PhoneExifSegment;

Orientation Read(const std::string& segment) {
    return ReadExifOrientation(
        std::span(reinterpret_cast<const std::uint8_t*>(segment.data()), segment.size()));
}

int Value(const std::string& segment) {
    return static_cast<int>(Read(segment));
}

// Where PhoneExifSegment puts IFD0 and its entries within the payload.
constexpr std::size_t kIfd0 = 14;
constexpr std::size_t kEntries = kIfd0 + 2;
constexpr std::size_t kOrientationEntry = kEntries + 2 * 12;
constexpr std::size_t kEndOfEntries = kEntries + 5 * 12;

void Put16(std::string& s, std::size_t at, std::uint16_t v, ByteOrder order) {
    const bool big = order == ByteOrder::Motorola;
    s[at] = static_cast<char>(big ? v >> 8 : v & 0xFF);
    s[at + 1] = static_cast<char>(big ? v & 0xFF : v >> 8);
}

void Put32(std::string& s, std::size_t at, std::uint32_t v, ByteOrder order) {
    const bool big = order == ByteOrder::Motorola;
    Put16(s, at + (big ? 0 : 2), static_cast<std::uint16_t>(v >> 16), order);
    Put16(s, at + (big ? 2 : 0), static_cast<std::uint16_t>(v & 0xFFFF), order);
}

TEST(ReadExifOrientation, ReadsEveryValueInBothByteOrders) {
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (std::uint16_t v = 1; v <= 8; ++v) {
            EXPECT_EQ(Value(PhoneExifSegment(v, order)), v)
                << (order == ByteOrder::Intel ? "II " : "MM ") << v;
            // Alone in its directory too.
            EXPECT_EQ(Value(ExifSegment({{0x0112, 3, 1, v, {}}}, order)), v);
        }
    }
}

TEST(ReadExifOrientation, MissingOrUnknownValuesAreNormal) {
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        EXPECT_EQ(Read(ExifSegment({}, order)), Orientation::Normal);
        EXPECT_EQ(Read(ExifSegment({{0x0110, 2, 4, 0x00535953, {}}}, order)), Orientation::Normal);
        for (const std::uint16_t v : {0, 9, 256, 0xFFFF}) {
            EXPECT_EQ(Read(PhoneExifSegment(v, order)), Orientation::Normal) << v;
        }
        // The tag as any other type than one SHORT.
        EXPECT_EQ(Read(ExifSegment({{0x0112, 4, 1, 6, {}}}, order)), Orientation::Normal);
        EXPECT_EQ(Read(ExifSegment({{0x0112, 3, 2, 6, {}}}, order)), Orientation::Normal);
        EXPECT_EQ(Read(ExifSegment({{0x0112, 3, 0, 6, {}}}, order)), Orientation::Normal);
    }
}

TEST(ReadExifOrientation, OtherSegmentsAreNormal) {
    const std::string good = PhoneExifSegment(6);
    EXPECT_EQ(Read(""), Orientation::Normal);
    EXPECT_EQ(Read("Exif"), Orientation::Normal);
    EXPECT_EQ(Read("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"), Orientation::Normal);
    std::string noTerminator = good;
    noTerminator[5] = 'x';
    EXPECT_EQ(Read(noTerminator), Orientation::Normal);
    std::string mixedOrder = good;
    mixedOrder[7] = 'M';  // "IM"
    EXPECT_EQ(Read(mixedOrder), Orientation::Normal);
    std::string bigTiff = good;
    bigTiff[8] = 43;
    EXPECT_EQ(Read(bigTiff), Orientation::Normal);
}

TEST(ReadExifOrientation, TruncatedSegmentsAreNormalUntilTheWholeDirectoryIsIn) {
    // What the entries point to is not needed; the directory itself is.
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::string good = PhoneExifSegment(6, order);
        for (std::size_t size = 0; size < good.size(); ++size) {
            EXPECT_EQ(Read(good.substr(0, size)),
                      size >= kEndOfEntries ? Orientation::Rotate90 : Orientation::Normal)
                << size;
        }
    }
}

TEST(ReadExifOrientation, OffsetsAndCountsOutsideTheSegmentAreNormal) {
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const std::string good = PhoneExifSegment(6, order);
        const auto tiffSize = static_cast<std::uint32_t>(good.size() - 6);
        for (const std::uint32_t ifd :
             {tiffSize, tiffSize - 1, tiffSize + 1, 0xFFFFFFF0u, 0xFFFFFFFFu, 0x80000000u}) {
            std::string s = good;
            Put32(s, 10, ifd, order);
            EXPECT_EQ(Read(s), Orientation::Normal) << ifd;
        }
        // A count that runs past the end, the orientation being its first
        // entry all the same.
        for (const std::uint16_t count : {0xFFFF, 0x1000, 9}) {
            std::string s = ExifSegment({{0x0112, 3, 1, 6, {}}}, order);
            Put16(s, kIfd0, count, order);
            EXPECT_EQ(Read(s), Orientation::Normal) << count;
        }
        // A huge value count on the tag itself.
        std::string s = good;
        Put32(s, kOrientationEntry + 4, 0xFFFFFFFF, order);
        EXPECT_EQ(Read(s), Orientation::Normal);
    }
}

TEST(ReadExifOrientation, LoopsAreNeverFollowed) {
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        // IFD0 pointing back into the header.
        for (const std::uint32_t ifd : {0u, 2u, 4u, 7u}) {
            std::string s = PhoneExifSegment(6, order);
            Put32(s, 10, ifd, order);
            EXPECT_EQ(Read(s), Orientation::Normal) << ifd;
        }
        // IFD0's next directory is itself: only IFD0 is read.
        std::string self = ExifSegment({{0x0112, 3, 1, 8, {}}}, order);
        Put32(self, kEntries + 12, 8, order);
        EXPECT_EQ(Read(self), Orientation::Rotate270);
        // An orientation in IFD1 (the embedded thumbnail's) is not the picture's.
        std::string ifd1 = ExifSegment({{0x0110, 2, 4, 0, {}}}, order);
        const auto ifd1At = static_cast<std::uint32_t>(ifd1.size() - 6);
        Put32(ifd1, kEntries + 12, ifd1At, order);
        ifd1 += ExifSegment({{0x0112, 3, 1, 6, {}}}, order).substr(kIfd0);
        EXPECT_EQ(Read(ifd1), Orientation::Normal);
    }
}

}  // namespace
}  // namespace wylo
