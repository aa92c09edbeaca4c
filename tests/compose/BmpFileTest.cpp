#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using ::testing::HasSubstr;

std::uint32_t U32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | static_cast<std::uint8_t>(s[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

void PutU32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    }
}

// A bitmap with a distinct colour in every pixel.
Bitmap Gradient(std::int32_t w, std::int32_t h) {
    Bitmap b(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            b.SetPixel(
                x, y,
                MakeColour(static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 13),
                           static_cast<std::uint8_t>(x + y)));
        }
    }
    return b;
}

void ExpectSamePixels(const Bitmap& a, const Bitmap& b) {
    ASSERT_EQ(a.width(), b.width());
    ASSERT_EQ(a.height(), b.height());
    for (std::int32_t y = 0; y < a.height(); ++y) {
        ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), a.stride()), 0) << "row " << y;
    }
}

// Reads a BMP file that was written, changed by edit, and written back.
std::string ReadErrorAfter(const std::function<void(std::string&)>& edit) {
    TempDir dir;
    WriteBmpFile(dir / "a.bmp", Gradient(5, 3));
    std::string bytes = ReadFile(dir / "a.bmp");
    edit(bytes);
    WriteFile(dir / "b.bmp", bytes);
    try {
        ReadBmpFile(dir / "b.bmp");
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(BmpFileWrite, WritesA24BitBottomUpFileWithTheStandardHeader) {
    TempDir dir;
    Bitmap b(5, 2);                         // 15 bytes a row, padded to 16
    b.SetPixel(0, 0, MakeColour(1, 2, 3));  // top-left
    b.SetPixel(4, 1, MakeColour(4, 5, 6));  // bottom-right
    WriteBmpFile(dir / "out.bmp", b);
    const std::string s = ReadFile(dir / "out.bmp");
    ASSERT_EQ(s.size(), 54u + 32u);
    EXPECT_EQ(s.substr(0, 2), "BM");
    EXPECT_EQ(U32(s, 2), s.size());
    EXPECT_EQ(U32(s, 10), 54u);
    EXPECT_EQ(U32(s, 14), 40u);
    EXPECT_EQ(U32(s, 18), 5u);
    EXPECT_EQ(U32(s, 22), 2u);  // positive height: bottom-up
    EXPECT_EQ(static_cast<std::uint8_t>(s[28]), 24);
    EXPECT_EQ(U32(s, 30), 0u);  // uncompressed
    EXPECT_EQ(U32(s, 34), 32u);
    // First stored row is the bottom one: its last pixel is blue, green, red 6, 5, 4.
    EXPECT_EQ(static_cast<std::uint8_t>(s[54 + 12]), 6);
    EXPECT_EQ(static_cast<std::uint8_t>(s[54 + 14]), 4);
    // Second stored row is the top one, starting with 3, 2, 1.
    EXPECT_EQ(static_cast<std::uint8_t>(s[54 + 16]), 3);
    EXPECT_EQ(static_cast<std::uint8_t>(s[54 + 18]), 1);
}

TEST(BmpFileWrite, RoundTripsEveryWidthPadding) {
    TempDir dir;
    for (std::int32_t w = 1; w <= 4; ++w) {
        const Bitmap b = Gradient(w, 3);
        WriteBmpFile(dir / "r.bmp", b);
        ExpectSamePixels(ReadBmpFile(dir / "r.bmp"), b);
    }
}

TEST(BmpFileWrite, TallBitmapsKeepTheirRowOrderAcrossWriteBatches) {
    // More rows than one write call takes, with padding in every row.
    TempDir dir;
    Bitmap b(5, 1300);
    for (std::int32_t y = 0; y < 1300; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
            // Every row its own colour, so a misplaced batch shows.
            b.SetPixel(x, y,
                       MakeColour(static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(y >> 8),
                                  static_cast<std::uint8_t>(x)));
        }
    }
    WriteBmpFile(dir / "tall.bmp", b);
    EXPECT_EQ(ReadFile(dir / "tall.bmp").size(), kBmpHeaderSize + 16u * 1300u);
    ExpectSamePixels(ReadBmpFile(dir / "tall.bmp"), b);
}

TEST(BmpFileWrite, ReplacesAnEarlierFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    WriteFile(dir / "desktop.bmp", std::string(1000, 'x'));
    WriteBmpFile(dir / "desktop.bmp", Gradient(2, 2));
    EXPECT_EQ(ReadFile(dir / "desktop.bmp").size(), 54u + 16u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(BmpFileWrite, AFileThatAlreadyHoldsThePictureIsKeptAndOnlyItsTimeMoves) {
    TempDir dir;
    const auto path = dir / "photo.bmp";
    const Bitmap picture = Gradient(5, 1300);  // rows padded, more than one read
    WriteBmpFile(path, picture);
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    std::filesystem::last_write_time(path, longAgo);
#ifndef _WIN32
    // A second name for the same file shows whether it was replaced.
    std::filesystem::create_hard_link(path, dir / "link.bmp");
#endif

    WriteBmpFile(path, picture);
    EXPECT_GT(std::filesystem::last_write_time(path), longAgo + std::chrono::hours(1));
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::equivalent(path, dir / "link.bmp"));
#endif
    EXPECT_FALSE(std::filesystem::exists(dir / "photo.bmp.tmp"));

    // One pixel of a middle row differs: written anew.
    Bitmap changed = picture;
    changed.SetPixel(4, 650, MakeColour(1, 2, 3));
    WriteBmpFile(path, changed);
    ExpectSamePixels(ReadBmpFile(path), changed);
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::equivalent(path, dir / "link.bmp"));
#endif

#ifndef _WIN32
    // A link to a file with the same picture is replaced, never kept.
    std::filesystem::create_symlink(path, dir / "linked.bmp");
    WriteBmpFile(dir / "linked.bmp", changed);
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "linked.bmp"));
#endif

    // The same number of bytes in another shape (4x10 and 6x6 both hold 120
    // bytes of rows): the header tells them apart.
    WriteBmpFile(dir / "shape.bmp", Gradient(4, 10));
    WriteBmpFile(dir / "shape.bmp", Gradient(6, 6));
    ExpectSamePixels(ReadBmpFile(dir / "shape.bmp"), Gradient(6, 6));
}

TEST(BmpFileWrite, FailureNamesThePathAndKeepsTheEarlierFile) {
    TempDir dir;
    const auto missing = dir / "no-such-folder" / "x.bmp";
    try {
        WriteBmpFile(missing, Gradient(2, 2));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("Unable to write " + missing.string() + ": "));
    }
    // A folder in the way of the rename: the write fails and the folder stays.
    std::filesystem::create_directories(dir / "taken.bmp" / "inner");
    EXPECT_THROW(WriteBmpFile(dir / "taken.bmp", Gradient(2, 2)), Error);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.bmp" / "inner"));
    EXPECT_FALSE(std::filesystem::exists(dir / "taken.bmp.tmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "taken.bmp.old"));
}

TEST(BmpFileWrite, ALeftoverOfAKilledWriteIsNoObstacle) {
    TempDir dir;
    WriteFile(dir / "desktop.bmp", std::string(1000, 'x'));
    WriteFile(dir / "desktop.bmp.old", std::string(10, 'y'));
    WriteBmpFile(dir / "desktop.bmp", Gradient(2, 2));
    ExpectSamePixels(ReadBmpFile(dir / "desktop.bmp"), Gradient(2, 2));
#ifndef _WIN32
    // Where the earlier file steps aside, the stale one goes with it.
    EXPECT_FALSE(std::filesystem::exists(dir / "desktop.bmp.old"));
#endif
    EXPECT_TRUE(IsBmpWriteLeftover("desktop.bmp.old"));
    EXPECT_FALSE(IsBmpWriteLeftover(".bmp.old"));
}

TEST(BmpFileWrite, RefusesAnEmptyBitmap) {
    TempDir dir;
    EXPECT_THROW(WriteBmpFile(dir / "e.bmp", Bitmap()), Error);
    EXPECT_FALSE(std::filesystem::exists(dir / "e.bmp"));
}

TEST(BmpRowsWriter, WritesTheFileWriteBmpFileWritesFromBandsInAnyOrder) {
    TempDir dir;
    const Bitmap picture = Gradient(37, 23);  // rows padded to 112 bytes
    WriteBmpFile(dir / "whole.bmp", picture);
    {
        BmpRowsWriter rows(dir / "rows.bmp", {37, 23});
        // Two bands at once, from two threads, the lower one first.
        std::thread lower([&] { rows.Write(12, 11, picture.Row(12), picture.stride()); });
        lower.join();
        std::thread upper([&] { rows.Write(0, 12, picture.Row(0), picture.stride()); });
        upper.join();
        EXPECT_FALSE(std::filesystem::exists(dir / "rows.bmp"));
        rows.Commit();
    }
    EXPECT_EQ(ReadFile(dir / "rows.bmp"), ReadFile(dir / "whole.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "rows.bmp.tmp"));
}

TEST(BmpRowsWriter, AFailureShowsAtTheCommitAndNothingIsLeftBehind) {
    TempDir dir;
    const auto missing = dir / "no-such-folder" / "x.bmp";
    BmpRowsWriter rows(missing, {2, 2});
    rows.Write(0, 2, Gradient(2, 2).Row(0), Gradient(2, 2).stride());
    try {
        rows.Commit();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("Unable to write " + missing.string() + ": "));
    }
    // Given up before the commit: the earlier file stays, no temporary file.
    WriteBmpFile(dir / "kept.bmp", Gradient(3, 3));
    const std::string kept = ReadFile(dir / "kept.bmp");
    {
        BmpRowsWriter abandoned(dir / "kept.bmp", {3, 3});
        abandoned.Write(0, 1, Gradient(3, 3).Row(0), Gradient(3, 3).stride());
    }
    EXPECT_EQ(ReadFile(dir / "kept.bmp"), kept);
    EXPECT_FALSE(std::filesystem::exists(dir / "kept.bmp.tmp"));
}

TEST(BmpFileRead, ReadsTopDownFilesTheRightWayUp) {
    TempDir dir;
    const Bitmap b = Gradient(3, 4);
    WriteBmpFile(dir / "a.bmp", b);
    std::string s = ReadFile(dir / "a.bmp");
    // Turn it into a top-down file: negative height, rows reversed.
    PutU32(s, 22, static_cast<std::uint32_t>(-4));
    std::string rows = s.substr(54);
    std::string reversed;
    for (int y = 3; y >= 0; --y) {
        reversed += rows.substr(static_cast<std::size_t>(y) * 12, 12);
    }
    WriteFile(dir / "t.bmp", s.substr(0, 54) + reversed);
    ExpectSamePixels(ReadBmpFile(dir / "t.bmp"), b);
}

TEST(BmpFileRead, AcceptsLaterHeaderVersionsAndAGapBeforeThePixels) {
    TempDir dir;
    const Bitmap b = Gradient(3, 2);
    WriteBmpFile(dir / "a.bmp", b);
    std::string s = ReadFile(dir / "a.bmp");
    // A V5 header (124 bytes) and 10 spare bytes before the pixel data.
    std::string v5 = s.substr(0, 54) + std::string(124 - 40 + 10, '\0') + s.substr(54);
    PutU32(v5, 14, 124);
    PutU32(v5, 10, 14 + 124 + 10);
    WriteFile(dir / "v5.bmp", v5);
    ExpectSamePixels(ReadBmpFile(dir / "v5.bmp"), b);
}

TEST(BmpFileRead, RejectsMalformedFilesWithAReadableReason) {
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s[0] = 'P'; }), HasSubstr("not a BMP file"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s = "BM"; }), HasSubstr("cut off"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s.clear(); }), HasSubstr("not a BMP file"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { PutU32(s, 14, 12); }), HasSubstr("header"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s[28] = 8; }), HasSubstr("8 bits per pixel"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s[28] = 32; }), HasSubstr("32 bits per pixel"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { PutU32(s, 30, 1); }), HasSubstr("compressed"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s[26] = 2; }), HasSubstr("damaged"));
}

TEST(BmpFileRead, RejectsSizesThatAreInvalidOverflowOrExceedTheFile) {
    const auto width = [](std::uint32_t w) { return [w](std::string& s) { PutU32(s, 18, w); }; };
    const auto height = [](std::uint32_t h) { return [h](std::string& s) { PutU32(s, 22, h); }; };
    EXPECT_THAT(ReadErrorAfter(width(0)), HasSubstr("not valid"));
    EXPECT_THAT(ReadErrorAfter(width(static_cast<std::uint32_t>(-5))), HasSubstr("not valid"));
    EXPECT_THAT(ReadErrorAfter(height(0)), HasSubstr("not valid"));
    EXPECT_THAT(ReadErrorAfter(height(0x80000000u)), HasSubstr("not valid"));  // INT32_MIN
    // Sizes whose byte count overflows 32 bits, or merely exceeds the file.
    EXPECT_THAT(ReadErrorAfter([](std::string& s) {
                    PutU32(s, 18, 0x7FFFFFFF);
                    PutU32(s, 22, 0x7FFFFFFF);
                }),
                HasSubstr("too large"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) {
                    PutU32(s, 18, 32768);
                    PutU32(s, 22, 16385);
                }),
                HasSubstr("too large"));
    EXPECT_THAT(ReadErrorAfter(height(4)), HasSubstr("cut off"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { s.resize(s.size() - 1); }),
                HasSubstr("cut off"));
    // Pixel data said to start inside the header, or past the end of the file.
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { PutU32(s, 10, 20); }), HasSubstr("damaged"));
    EXPECT_THAT(ReadErrorAfter([](std::string& s) { PutU32(s, 10, 0xFFFFFFF0u); }),
                HasSubstr("damaged"));
}

TEST(BmpFileRead, MissingFileNamesThePath) {
    TempDir dir;
    try {
        ReadBmpFile(dir / "none.bmp");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_THAT(e.what(), HasSubstr("Unable to read " + (dir / "none.bmp").string()));
        EXPECT_THAT(e.what(), HasSubstr("No such file"));
    }
}

TEST(BmpFileRead, ZeroesWhateverTheFileKeptInRowPadding) {
    TempDir dir;
    WriteBmpFile(dir / "a.bmp", Gradient(1, 1));  // 3 pixel bytes, 1 padding byte
    std::string s = ReadFile(dir / "a.bmp");
    s[54 + 3] = '\x7f';
    WriteFile(dir / "p.bmp", s);
    EXPECT_EQ(ReadBmpFile(dir / "p.bmp").Row(0)[3], 0);
}

}  // namespace
}  // namespace wylo
