#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "compose/OrientedBitmap.h"
#include "compose/SmoothScale.h"
#include "support/ExifSegment.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ByteOrder;
using test::EncodeJpeg;
using test::JpegColour;
using test::JpegOptions;
using test::PhoneExifSegment;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using test::WriteJpeg;
using ::testing::HasSubstr;

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kGreen = MakeColour(0, 255, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

// Colours within a few levels of each other, as JPEG keeps flat areas.
::testing::AssertionResult Near(Colour actual, Colour expected, int tolerance = 6) {
    const auto off = [](int a, int b) { return std::abs(a - b); };
    if (off(RedOf(actual), RedOf(expected)) <= tolerance &&
        off(GreenOf(actual), GreenOf(expected)) <= tolerance &&
        off(BlueOf(actual), BlueOf(expected)) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hex << "0x" << actual << " is not near 0x" << expected;
}

void ExpectQuadrants(const Bitmap& b, int tolerance = 6) {
    const std::int32_t w = b.width(), h = b.height();
    EXPECT_TRUE(Near(b.Pixel(w / 4, h / 4), kRed, tolerance));
    EXPECT_TRUE(Near(b.Pixel(3 * w / 4, h / 4), kGreen, tolerance));
    EXPECT_TRUE(Near(b.Pixel(w / 4, 3 * h / 4), kBlue, tolerance));
    EXPECT_TRUE(Near(b.Pixel(3 * w / 4, 3 * h / 4), kWhite, tolerance));
}

double MeanDifference(const Bitmap& a, const Bitmap& b) {
    double total = 0;
    for (std::int32_t y = 0; y < a.height(); ++y) {
        for (std::int32_t x = 0; x < a.width() * 3; ++x) {
            total += std::abs(a.Row(y)[x] - b.Row(y)[x]);
        }
    }
    return total / (static_cast<double>(a.width()) * a.height() * 3);
}

// Every row byte for byte, padding included.
void ExpectSameRows(const Bitmap& ours, const Bitmap& theirs) {
    ASSERT_EQ(ours.width(), theirs.width());
    ASSERT_EQ(ours.height(), theirs.height());
    for (std::int32_t y = 0; y < ours.height(); ++y) {
        ASSERT_EQ(std::memcmp(ours.Row(y), theirs.Row(y), ours.stride()), 0) << "row " << y;
    }
}

std::string DecodeError(const fs::path& path) {
    try {
        DecodeJpegFile(path);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

// A valid JPEG whose frame header claims another size.
std::string WithClaimedSize(std::string jpeg, std::uint16_t width, std::uint16_t height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF &&
            (static_cast<std::uint8_t>(jpeg[i + 1]) == 0xC0 ||
             static_cast<std::uint8_t>(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// The JPEG with an APP1 segment put first, before any other, as cameras put
// their Exif segment.
std::string WithApp1First(const std::string& jpeg, const std::string& app1) {
    const std::size_t length = app1.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    return jpeg.substr(0, 2) + segment + app1 + jpeg.substr(2);
}

TEST(JpegDecode, ColourPictureRoundTripsAtFullSize) {
    TempDir dir;
    WriteJpeg(dir / "q.jpg", test::QuadrantPattern(64, 48), {.quality = 95});
    const Bitmap b = DecodeJpegFile(dir / "q.jpg");
    EXPECT_EQ(b.width(), 64);
    EXPECT_EQ(b.height(), 48);
    ExpectQuadrants(b);
}

TEST(JpegDecode, PhotoLikePictureStaysCloseToTheOriginal) {
    TempDir dir;
    const Bitmap original = test::PhotoPattern(301, 203);  // odd sizes: partial blocks, padding
    for (const bool progressive : {false, true}) {
        WriteJpeg(dir / "p.jpg", original, {.quality = 92, .progressive = progressive});
        const Bitmap b = DecodeJpegFile(dir / "p.jpg");
        ASSERT_EQ(b.width(), 301);
        ASSERT_EQ(b.height(), 203);
        EXPECT_LT(MeanDifference(b, original), 4.0) << "progressive " << progressive;
    }
}

TEST(JpegDecode, GivesExactlyWhatTheLibrarysOwnToolGives) {
    // djpeg's defaults are full size and the accurate transform, as ours.
    if (std::system("command -v djpeg > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "djpeg is not installed";
    }
    TempDir dir;
    WriteJpeg(dir / "p.jpg", test::PhotoPattern(157, 99, 3), {.quality = 85});
    const std::string command =
        "djpeg -bmp -outfile '" + (dir / "d.bmp").string() + "' '" + (dir / "p.jpg").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Bitmap theirs = ReadBmpFile(dir / "d.bmp");
    const Bitmap ours = DecodeJpegFile(dir / "p.jpg");
    ExpectSameRows(ours, theirs);
}

// The pixels of a binary PGM or PPM file, as djpeg -pnm writes them, in the
// bitmap's blue, green, red order; empty when it is not such a file.
Bitmap ReadPnm(const fs::path& path) {
    const std::string bytes = ReadFile(path);
    std::istringstream header(bytes);
    std::string magic;
    std::int32_t width = 0, height = 0, maxValue = 0;
    header >> magic >> width >> height >> maxValue;
    const int channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
    if (!header || channels == 0 || maxValue != 255 || width <= 0 || height <= 0) {
        return {};
    }
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    if (bytes.size() != start + static_cast<std::size_t>(width) * height * channels) {
        return {};
    }
    Bitmap b(width, height);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + start);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x, p += channels) {
            b.SetPixel(x, y, channels == 3 ? MakeColour(p[0], p[1], p[2]) : MakeColour(*p, *p, *p));
        }
    }
    return b;
}

TEST(JpegDecode, LargePicturesDecodedInTwoPartsAreExactlyTheLibrarysOwn) {
    // Over a million pixels: decoded by two decoders at once, which must meet
    // without a seam. Odd sizes leave partial blocks at both edges; grey has
    // rows of blocks half as tall as colour's.
    if (std::system("command -v djpeg > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "djpeg is not installed";
    }
    TempDir dir;
    for (const JpegColour colour : {JpegColour::Colour, JpegColour::Greyscale}) {
        SCOPED_TRACE(colour == JpegColour::Colour ? "colour" : "grey");
        WriteJpeg(dir / "p.jpg", test::PhotoPattern(1283, 907, 5),
                  {.quality = 88, .colour = colour});
        const std::string command = "djpeg -pnm -outfile '" + (dir / "d.pnm").string() + "' '" +
                                    (dir / "p.jpg").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const Bitmap theirs = ReadPnm(dir / "d.pnm");
        const Bitmap ours = DecodeJpegFile(dir / "p.jpg");
        ExpectSameRows(ours, theirs);
    }
}

TEST(JpegDecode, FilesTooLongToReadWholeDecodeAlikeFromAStream) {
    // Past 64 MB a file is read as a stream, one per part of a split
    // picture. What follows the picture's end is never read (sparse here).
    TempDir dir;
    WriteJpeg(dir / "p.jpg", test::PhotoPattern(1283, 907, 5), {.quality = 88});
    fs::copy_file(dir / "p.jpg", dir / "long.jpg");
    fs::resize_file(dir / "long.jpg", (std::uintmax_t{64} << 20) + 1);
    ExpectSameRows(DecodeJpegFile(dir / "long.jpg"), DecodeJpegFile(dir / "p.jpg"));
}

TEST(JpegDecode, GreyscalePictureComesOutAsTwentyFourBitGrey) {
    TempDir dir;
    WriteJpeg(dir / "g.jpg", test::QuadrantPattern(32, 32), {.colour = JpegColour::Greyscale});
    const Bitmap b = DecodeJpegFile(dir / "g.jpg");
    ASSERT_EQ(b.width(), 32);
    for (std::int32_t y = 0; y < 32; ++y) {
        for (std::int32_t x = 0; x < 32; ++x) {
            const Colour c = b.Pixel(x, y);
            ASSERT_EQ(RedOf(c), GreenOf(c));
            ASSERT_EQ(GreenOf(c), BlueOf(c));
        }
    }
    // Luma of pure red is about 76, of white 255.
    EXPECT_NEAR(RedOf(b.Pixel(8, 8)), 76, 4);
    EXPECT_NEAR(RedOf(b.Pixel(24, 24)), 255, 4);
}

TEST(JpegDecode, AdobeCmykAndYcckPicturesAreConvertedToColour) {
    TempDir dir;
    for (const JpegColour colour : {JpegColour::AdobeCmyk, JpegColour::Ycck}) {
        WriteJpeg(dir / "c.jpg", test::QuadrantPattern(48, 48), {.quality = 95, .colour = colour});
        const Bitmap b = DecodeJpegFile(dir / "c.jpg");
        ASSERT_EQ(b.width(), 48);
        ExpectQuadrants(b, 10);
    }
}

TEST(JpegFileToBmpFile, WritesTheDecodedPictureAsABmpFile) {
    TempDir dir;
    WriteJpeg(dir / "a.jpg", test::PhotoPattern(90, 61));
    WriteFile(dir / "a.bmp", "an older file");
    JpegFileToBmpFile(dir / "a.bmp", dir / "a.jpg");
    const Bitmap written = ReadBmpFile(dir / "a.bmp");
    const Bitmap decoded = DecodeJpegFile(dir / "a.jpg");
    ASSERT_EQ(written.width(), 90);
    ASSERT_EQ(written.height(), 61);
    EXPECT_EQ(MeanDifference(written, decoded), 0.0);
}

// Every way a download can fail to be a JPEG: an error naming the file, and
// no BMP (an older one stays untouched).
struct BadInput {
    const char* name;
    std::string bytes;
    const char* reason;
};

std::vector<BadInput> BadInputs() {
    const std::string jpeg = EncodeJpeg(test::PhotoPattern(120, 80));
    const std::string progressive = EncodeJpeg(test::PhotoPattern(120, 80), {.progressive = true});
    // Large enough to be decoded in two parts: damage in either part, or
    // only at the very end, must still be found.
    const std::string large = EncodeJpeg(test::PhotoPattern(1400, 900));
    return {
        {"png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "Not a JPEG file"},
        {"gif", "GIF89a\x10\x00\x10\x00", "Not a JPEG file"},
        {"html error page", "<html><body>404 Not Found</body></html>", "Not a JPEG file"},
        {"empty", "", "Empty input file"},
        {"only the start marker", "\xFF\xD8", "Premature end of JPEG file"},
        {"cut in the header", jpeg.substr(0, 100), "Premature end of JPEG file"},
        {"cut in the picture", jpeg.substr(0, jpeg.size() / 2), "Premature end of JPEG file"},
        {"cut before the end marker", jpeg.substr(0, jpeg.size() - 2),
         "Premature end of JPEG file"},
        {"progressive, cut", progressive.substr(0, progressive.size() * 2 / 3),
         "Premature end of JPEG file"},
        {"large, cut in the upper part", large.substr(0, large.size() / 4),
         "Premature end of JPEG file"},
        {"large, cut in the lower part", large.substr(0, large.size() * 9 / 10),
         "Premature end of JPEG file"},
        {"large, cut before the end marker", large.substr(0, large.size() - 2),
         "Premature end of JPEG file"},
        {"over 100 megapixels", WithClaimedSize(jpeg, 12000, 9000), "100 megapixels"},
        {"cut in the Exif segment", WithApp1First(jpeg, PhoneExifSegment(6)).substr(0, 40),
         "Premature end of JPEG file"},
        {"over 100 megapixels, turned",
         WithClaimedSize(EncodeJpeg(test::PhotoPattern(120, 80), {.app1 = PhoneExifSegment(6)}),
                         9000, 12000),
         "100 megapixels"},
        {"largest frame", WithClaimedSize(jpeg, 65500, 65500), "65500 x 65500"},
        {"zero height", WithClaimedSize(jpeg, 120, 0), "Empty JPEG image"},
        {"thousands of scans",
         EncodeJpeg(test::PhotoPattern(16, 16), {.progressive = true, .thousandsOfScans = true}),
         "more scans"},
    };
}

TEST(JpegFileToBmpFile, BadInputRaisesAnErrorAndWritesNoBmp) {
    for (const BadInput& input : BadInputs()) {
        SCOPED_TRACE(input.name);
        TempDir dir;
        WriteFile(dir / "in.jpg", input.bytes);
        try {
            JpegFileToBmpFile(dir / "out.bmp", dir / "in.jpg");
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), HasSubstr((dir / "in.jpg").string()));
            EXPECT_THAT(e.what(), HasSubstr(input.reason));
        }
        EXPECT_FALSE(fs::exists(dir / "out.bmp"));
        EXPECT_FALSE(fs::exists(dir / "out.bmp.tmp"));
    }
}

TEST(JpegFileToBmpFile, FailedConversionKeepsTheEarlierBmp) {
    TempDir dir;
    WriteFile(dir / "in.jpg", "GIF89a");
    WriteFile(dir / "out.bmp", "the earlier file");
    EXPECT_THROW(JpegFileToBmpFile(dir / "out.bmp", dir / "in.jpg"), Error);
    EXPECT_EQ(ReadFile(dir / "out.bmp"), "the earlier file");
}

TEST(JpegDecode, MissingFileIsAReadableError) {
    TempDir dir;
    const std::string message = DecodeError(dir / "gone.jpg");
    EXPECT_THAT(message, HasSubstr("Unable to read " + (dir / "gone.jpg").string()));
    EXPECT_THAT(message, HasSubstr("No such file"));
}

TEST(JpegDecode, StrayBytesBetweenMarkersAreHarmless) {
    // Some cameras leave bytes between segments; the library only warns.
    TempDir dir;
    std::string jpeg = EncodeJpeg(test::QuadrantPattern(32, 32), {.quality = 95});
    const std::size_t eoi = jpeg.size() - 2;
    jpeg.insert(eoi, "xyz");
    WriteFile(dir / "s.jpg", jpeg);
    ExpectQuadrants(DecodeJpegFile(dir / "s.jpg"));
}

// The colours a picture must be stored with for each orientation to come out
// as QuadrantPattern (red, green / blue, white) once turned: where each
// stored corner lands follows from which side the stored first row and first
// column show (a quarter turn clockwise puts the first row on the right).
struct StoredQuadrants {
    Orientation orientation;
    Colour corners[4];  // top-left, top-right, bottom-left, bottom-right as stored
};
constexpr StoredQuadrants kStored[] = {
    {Orientation::Normal, {kRed, kGreen, kBlue, kWhite}},
    {Orientation::MirrorHorizontal, {kGreen, kRed, kWhite, kBlue}},
    {Orientation::Rotate180, {kWhite, kBlue, kGreen, kRed}},
    {Orientation::MirrorVertical, {kBlue, kWhite, kRed, kGreen}},
    {Orientation::Transpose, {kRed, kBlue, kGreen, kWhite}},
    {Orientation::Rotate90, {kGreen, kWhite, kRed, kBlue}},
    {Orientation::Transverse, {kWhite, kGreen, kBlue, kRed}},
    {Orientation::Rotate270, {kBlue, kRed, kWhite, kGreen}},
};

TEST(JpegOrientation, EveryOrientationComesOutUprightInBothByteOrders) {
    TempDir dir;
    for (const ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (const StoredQuadrants& stored : kStored) {
            const auto value = static_cast<std::uint16_t>(stored.orientation);
            SCOPED_TRACE(::testing::Message()
                         << "orientation " << value << (order == ByteOrder::Intel ? " II" : " MM"));
            WriteJpeg(dir / "o.jpg", test::QuadrantPattern(64, 48, stored.corners),
                      {.quality = 95, .app1 = PhoneExifSegment(value, order)});
            const Bitmap b = DecodeJpegFile(dir / "o.jpg");
            const bool turned = SwapsAxes(stored.orientation);
            EXPECT_EQ(b.width(), turned ? 48 : 64);
            EXPECT_EQ(b.height(), turned ? 64 : 48);
            ExpectQuadrants(b);
        }
    }
}

// The size read from the header alone is the decoded picture's, turned
// upright; what is not a JPEG has none.
TEST(JpegFileSize, IsTheUprightSizeFromTheHeader) {
    TempDir dir;
    WriteJpeg(dir / "plain.jpg", test::PhotoPattern(120, 80));
    EXPECT_EQ(JpegFileSize(dir / "plain.jpg"), (Size{120, 80}));
    WriteJpeg(dir / "phone.jpg", test::PhotoPattern(120, 80), {.app1 = PhoneExifSegment(6)});
    EXPECT_EQ(JpegFileSize(dir / "phone.jpg"), (Size{80, 120}));
    WriteFile(dir / "page.jpg", "<html></html>");
    EXPECT_EQ(JpegFileSize(dir / "page.jpg"), std::nullopt);
    EXPECT_EQ(JpegFileSize(dir / "missing.jpg"), std::nullopt);
}

TEST(JpegOrientation, TurnedPicturesMatchTheStoredPicturePixelForPixel) {
    // Large enough to be decoded in two parts, each placing its own rows;
    // progressive and CMYK pictures are decoded in one.
    const Bitmap photo = test::PhotoPattern(1283, 907, 5);
    const std::string jpegs[] = {
        EncodeJpeg(photo, {.quality = 88}),
        EncodeJpeg(test::PhotoPattern(301, 203), {.progressive = true}),
        EncodeJpeg(test::PhotoPattern(97, 61), {.colour = JpegColour::AdobeCmyk}),
    };
    TempDir dir;
    for (const std::string& jpeg : jpegs) {
        WriteFile(dir / "stored.jpg", jpeg);
        const Bitmap stored = DecodeJpegFile(dir / "stored.jpg");
        for (const StoredQuadrants& s : kStored) {
            SCOPED_TRACE(static_cast<int>(s.orientation));
            WriteFile(
                dir / "turned.jpg",
                WithApp1First(jpeg, PhoneExifSegment(static_cast<std::uint16_t>(s.orientation))));
            ExpectSameRows(DecodeJpegFile(dir / "turned.jpg"), Oriented(stored, s.orientation));
        }
    }
}

TEST(JpegOrientation, TheFirstExifSegmentCountsNotOtherApp1Segments) {
    TempDir dir;
    const Bitmap stored = test::QuadrantPattern(64, 48, kStored[5].corners);  // turned 90
    std::string jpeg = WithApp1First(
        EncodeJpeg(stored, {.quality = 95, .app1 = PhoneExifSegment(3)}), PhoneExifSegment(6));
    // Before it: XMP (which may carry an orientation of its own), a segment
    // too short to be Exif, and thousands of empty ones.
    jpeg = WithApp1First(jpeg, std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                                   "<x:xmpmeta><tiff:Orientation>8</tiff:Orientation></x:xmpmeta>");
    jpeg = WithApp1First(jpeg, "Exi");
    std::string empty;
    for (int i = 0; i < 5000; ++i) {
        empty += std::string("\xFF\xE1\0\x02", 4);
    }
    jpeg.insert(2, empty);
    WriteFile(dir / "x.jpg", jpeg);
    ExpectQuadrants(DecodeJpegFile(dir / "x.jpg"));
}

TEST(JpegOrientation, MalformedExifDecodesAsStored) {
    // Each would give a quarter turn if it were read; none must be.
    std::vector<std::pair<const char*, std::string>> segments;
    const std::string good = PhoneExifSegment(6, ByteOrder::Motorola);
    segments.emplace_back("cut in the directory", good.substr(0, 40));
    segments.emplace_back("cut in the header", good.substr(0, 11));
    std::string pastEnd = good;
    pastEnd.replace(10, 4, "\x7F\xFF\xFF\xF0", 4);  // IFD0 far past the segment
    segments.emplace_back("IFD0 past the end", pastEnd);
    std::string hugeCount = good;
    hugeCount.replace(14, 2, "\xFF\xFF", 2);
    segments.emplace_back("huge entry count", hugeCount);
    std::string loop = good;
    loop.replace(10, 4, std::string("\0\0\0\0", 4));  // IFD0 is the header itself
    segments.emplace_back("IFD0 loops to the header", loop);
    segments.emplace_back("value 9", PhoneExifSegment(9, ByteOrder::Motorola));
    std::string garbage = good;
    for (std::size_t i = 6; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(0xFF);
    }
    segments.emplace_back("all bytes 0xFF", garbage);

    TempDir dir;
    for (const auto& [name, segment] : segments) {
        SCOPED_TRACE(name);
        WriteJpeg(dir / "m.jpg", test::QuadrantPattern(64, 48), {.quality = 95, .app1 = segment});
        const Bitmap b = DecodeJpegFile(dir / "m.jpg");
        EXPECT_EQ(b.width(), 64);
        ExpectQuadrants(b);
    }
}

TEST(JpegOrientation, ConversionsToBmpComeOutUpright) {
    TempDir dir;
    WriteJpeg(dir / "portrait.jpg", test::QuadrantPattern(64, 48, kStored[5].corners),
              {.quality = 95, .app1 = PhoneExifSegment(6)});
    const auto expectUpright = [](const Bitmap& b) {
        EXPECT_EQ(b.width(), 48);
        EXPECT_EQ(b.height(), 64);
        ExpectQuadrants(b);
    };
    JpegFileToBmpFile(dir / "a.bmp", dir / "portrait.jpg");
    expectUpright(ReadBmpFile(dir / "a.bmp"));
    expectUpright(ReadBmpFile(ConvertToBmp(dir / "portrait.jpg")));
    const ConvertedImage kept = ConvertToBmpKeepingBitmap(dir / "portrait.jpg");
    expectUpright(kept.bitmap);
    expectUpright(ReadBmpFile(kept.bmpPath));
}

// The picture as a change draws it at size: smoothed down from a decode.
Bitmap SmoothedTo(const Bitmap& picture, Size size) {
    Bitmap out(size.width, size.height);
    DrawSmoothScaled(out, picture, {0, 0, size.width, size.height});
    return out;
}

int LargestDifference(const Bitmap& a, const Bitmap& b) {
    int largest = 0;
    for (std::int32_t y = 0; y < a.height(); ++y) {
        for (std::int32_t x = 0; x < a.width() * 3; ++x) {
            largest = std::max(largest, std::abs(a.Row(y)[x] - b.Row(y)[x]));
        }
    }
    return largest;
}

TEST(JpegReducedDecode, GivesThePictureTheFullDecodeSmoothedDownGives) {
    TempDir dir;
    WriteJpeg(dir / "photo.jpg", test::PhotoPattern(1600, 1200, 3), {.quality = 90});
    const Bitmap full = DecodeJpegFile(dir / "photo.jpg");
    struct Case {
        Size wanted;
        Size decoded;
    };
    // The smallest of a half, a quarter and an eighth that still covers it;
    // more than half decodes in full.
    for (const Case c : {Case{{800, 600}, {800, 600}}, Case{{500, 375}, {800, 600}},
                         Case{{400, 300}, {400, 300}}, Case{{190, 140}, {200, 150}},
                         Case{{801, 600}, {1600, 1200}}, Case{{1920, 1080}, {1600, 1200}}}) {
        SCOPED_TRACE(::testing::Message() << c.wanted.width << " x " << c.wanted.height);
        Size told;
        const ReducedPicture picture = DecodeJpegFileCovering(dir / "photo.jpg", [&](Size size) {
            told = size;
            return c.wanted;
        });
        EXPECT_EQ(told, (Size{1600, 1200}));
        EXPECT_EQ(picture.fullSize, (Size{1600, 1200}));
        ASSERT_EQ(picture.bitmap.width(), c.decoded.width);
        ASSERT_EQ(picture.bitmap.height(), c.decoded.height);
        const Size shown{std::min(c.wanted.width, 1600), std::min(c.wanted.height, 1200)};
        const Bitmap expected = SmoothedTo(full, shown);
        const Bitmap actual = SmoothedTo(picture.bitmap, shown);
        // Within a level on average; a few pixels at sharp edges differ more.
        EXPECT_LT(MeanDifference(actual, expected), 1.5);
        EXPECT_LE(LargestDifference(actual, expected), 32);
    }
}

TEST(JpegReducedDecode, TurnedAndOddSizedPicturesAreReducedUpright) {
    TempDir dir;
    const std::string stored = EncodeJpeg(test::PhotoPattern(1283, 907, 5), {.quality = 88});
    WriteFile(dir / "turned.jpg", WithApp1First(stored, PhoneExifSegment(6)));
    const Bitmap full = DecodeJpegFile(dir / "turned.jpg");
    ASSERT_EQ(full.width(), 907);
    const ReducedPicture picture = DecodeJpegFileCovering(dir / "turned.jpg", [](Size) {
        return Size{220, 320};
    });
    EXPECT_EQ(picture.fullSize, (Size{907, 1283}));
    // A quarter, rounded up as the decoder rounds: 907 / 4 and 1283 / 4.
    ASSERT_EQ(picture.bitmap.width(), 227);
    ASSERT_EQ(picture.bitmap.height(), 321);
    EXPECT_LT(MeanDifference(SmoothedTo(picture.bitmap, {220, 320}), SmoothedTo(full, {220, 320})),
              1.5);
}

TEST(JpegRowsDecode, HandsOnEveryRowOnceAsTheWholeDecodeHasIt) {
    TempDir dir;
    // Large enough to be decoded in two parts at once.
    WriteJpeg(dir / "photo.jpg", test::PhotoPattern(1283, 907, 5), {.quality = 88});
    const Bitmap whole = DecodeJpegFile(dir / "photo.jpg");
    Bitmap rows(1283, 907);
    std::mutex mutex;
    std::vector<int> seen(907, 0);
    const std::optional<Size> size = DecodeJpegFileRows(dir / "photo.jpg", [&](Size full) {
        EXPECT_EQ(full, (Size{1283, 907}));
        return RowSink([&](std::int32_t first, std::int32_t count, const std::uint8_t* data,
                           std::size_t stride) {
            const std::lock_guard lock(mutex);
            for (std::int32_t k = 0; k < count; ++k) {
                ++seen[static_cast<std::size_t>(first + k)];
                std::memcpy(rows.Row(first + k), data + static_cast<std::size_t>(k) * stride,
                            1283 * 3);
            }
        });
    });
    ASSERT_EQ(size, (Size{1283, 907}));
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), 907);
    ExpectSameRows(rows, whole);
}

TEST(JpegRowsDecode, TurnedCmykAndDeclinedPicturesAreNotHandedOn) {
    TempDir dir;
    const std::string stored = EncodeJpeg(test::PhotoPattern(97, 61), {.quality = 88});
    WriteFile(dir / "turned.jpg", WithApp1First(stored, PhoneExifSegment(6)));
    WriteFile(dir / "cmyk.jpg",
              EncodeJpeg(test::PhotoPattern(97, 61), {.colour = JpegColour::AdobeCmyk}));
    WriteFile(dir / "plain.jpg", stored);
    int asked = 0;
    const auto sinkFor = [&](Size) {
        ++asked;
        return RowSink();
    };
    EXPECT_EQ(DecodeJpegFileRows(dir / "turned.jpg", sinkFor), std::nullopt);
    EXPECT_EQ(DecodeJpegFileRows(dir / "cmyk.jpg", sinkFor), std::nullopt);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(DecodeJpegFileRows(dir / "plain.jpg", sinkFor), std::nullopt);
    EXPECT_EQ(asked, 1);
    // A damaged picture is an error, as for a whole decode.
    WriteFile(dir / "cut.jpg", stored.substr(0, stored.size() / 2));
    EXPECT_THROW(DecodeJpegFileRows(dir / "cut.jpg",
                                    [](Size) {
                                        return RowSink([](std::int32_t, std::int32_t,
                                                          const std::uint8_t*, std::size_t) {});
                                    }),
                 Error);
}

TEST(ConversionIsCurrent, OnlyForAConversionOfThatSizeWrittenAfterTheDownload) {
    TempDir dir;
    const fs::path jpeg = dir / "photo.jpg";
    WriteJpeg(jpeg, test::PhotoPattern(64, 48));
    EXPECT_FALSE(ConversionIsCurrent(jpeg, {64, 48}));
    ConvertToBmp(jpeg);
    EXPECT_TRUE(ConversionIsCurrent(jpeg, {64, 48}));
    EXPECT_FALSE(ConversionIsCurrent(jpeg, {48, 64}));
    // A download newer than its conversion.
    fs::last_write_time(dir / "photo.bmp", fs::last_write_time(jpeg) - std::chrono::seconds(2));
    EXPECT_FALSE(ConversionIsCurrent(jpeg, {64, 48}));
    ConvertToBmp(jpeg);
    EXPECT_TRUE(ConversionIsCurrent(jpeg, {64, 48}));
}

TEST(ConvertToBmp, WritesBesideTheJpegAndReturnsThePath) {
    TempDir dir;
    WriteJpeg(dir / "sunset.jpg", test::QuadrantPattern(16, 16));
    const fs::path bmp = ConvertToBmp(dir / "sunset.jpg");
    EXPECT_EQ(bmp, dir / "sunset.bmp");
    EXPECT_EQ(ReadBmpFile(bmp).width(), 16);
    // A second conversion runs again and overwrites.
    WriteJpeg(dir / "sunset.jpg", test::QuadrantPattern(24, 8));
    EXPECT_EQ(ReadBmpFile(ConvertToBmp(dir / "sunset.jpg")).width(), 24);
}

TEST(ConvertToBmp, NeverOverwritesADownloadAlreadyNamedBmp) {
    TempDir dir;
    const std::string jpeg = EncodeJpeg(test::QuadrantPattern(16, 16));
    WriteFile(dir / "photo.BMP", jpeg);
    const fs::path bmp = ConvertToBmp(dir / "photo.BMP");
    EXPECT_EQ(bmp, dir / "photo.BMP.bmp");
    EXPECT_EQ(ReadFile(dir / "photo.BMP"), jpeg);
    EXPECT_EQ(ReadBmpFile(bmp).width(), 16);
}

TEST(ReplaceExtension, CutsAtTheLastDotOfTheFileName) {
    EXPECT_EQ(ReplaceExtension("C:\\cache\\7\\images\\a.b.jpg", ".bmp").string(),
              "C:\\cache\\7\\images\\a.b.bmp");
    EXPECT_EQ(ReplaceExtension("/data/cache/7/images/sunset.jpg", ".bmp").string(),
              "/data/cache/7/images/sunset.bmp");
    EXPECT_EQ(ReplaceExtension("/data/images/a.", ".bmp").string(), "/data/images/a.bmp");
    EXPECT_EQ(ReplaceExtension("/data/images/.jpg", ".bmp").string(), "/data/images/.bmp");
    EXPECT_EQ(ReplaceExtension("photo.jpeg", ".bmp").string(), "photo.bmp");
}

TEST(ReplaceExtension, AppendsWhenTheFileNameHasNoDot) {
    // Cutting at a dot in a folder name would leave the folder.
    EXPECT_EQ(ReplaceExtension("/data/Wylo.d/cache/7/images/photo", ".bmp").string(),
              "/data/Wylo.d/cache/7/images/photo.bmp");
    EXPECT_EQ(ReplaceExtension("C:\\Program.Data\\Wylo\\images\\photo", ".bmp").string(),
              "C:\\Program.Data\\Wylo\\images\\photo.bmp");
    EXPECT_EQ(ReplaceExtension("photo", ".bmp").string(), "photo.bmp");
    EXPECT_EQ(ReplaceExtension("", ".bmp").string(), ".bmp");
}

}  // namespace
}  // namespace wylo
