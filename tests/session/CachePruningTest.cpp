// Keeping the cache within its limit, on a real cache folder: what goes
// first and what never goes.
#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "session/CachePruning.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::TempDir;
using test::WriteFile;
using Clock = std::filesystem::file_time_type::clock;

class CachePruningTest : public ::testing::Test {
protected:
    std::filesystem::path Cache() const { return dir_ / "cache"; }
    std::filesystem::path Image(const std::string& channel, const std::string& file) const {
        return Cache() / channel / "images" / file;
    }
    // A picture of bytes bytes last shown minutesAgo, with a conversion of
    // twice its size written then.
    void Picture(const std::string& channel, const std::string& stem, std::size_t bytes,
                 int minutesAgo) {
        const auto when = Clock::now() - std::chrono::minutes(minutesAgo);
        std::filesystem::create_directories(Cache() / channel / "images");
        const std::filesystem::path jpeg = Image(channel, stem + ".jpg");
        const std::filesystem::path bmp = Image(channel, stem + ".bmp");
        WriteFile(jpeg, std::string(bytes, 'j'));
        WriteFile(bmp, std::string(2 * bytes, 'b'));
        // Downloaded long ago, shown (converted) at when.
        std::filesystem::last_write_time(jpeg, when - std::chrono::hours(24));
        std::filesystem::last_write_time(bmp, when);
    }
    bool Cached(const std::string& channel, const std::string& stem) const {
        return std::filesystem::exists(Image(channel, stem + ".jpg"));
    }

    TempDir dir_;
};

TEST_F(CachePruningTest, ThePicturesShownLeastRecentlyGoFirstWithTheirConversions) {
    Picture("dunes", "a", 1000, 50);
    Picture("dunes", "b", 1000, 40);
    Picture("sea", "c", 1000, 30);
    Picture("sea", "d", 1000, 20);
    Picture("dunes", "e", 1000, 10);
    // The channel's own files count but stay.
    WriteFile(Cache() / "dunes" / "Channel.xml", std::string(500, 'x'));
    std::filesystem::create_directories(Cache() / "dunes" / "thumbs");
    WriteFile(Cache() / "dunes" / "thumbs" / "t.jpg", std::string(500, 't'));

    const CachePruning pass = PruneCache(Cache(), 10000, {});

    EXPECT_EQ(pass.bytesBefore, 16000u);
    EXPECT_EQ(pass.picturesRemoved, 2u);
    EXPECT_EQ(pass.bytesAfter, 10000u);
    EXPECT_FALSE(Cached("dunes", "a"));
    EXPECT_FALSE(std::filesystem::exists(Image("dunes", "a.bmp")));
    EXPECT_FALSE(Cached("dunes", "b"));
    EXPECT_TRUE(Cached("sea", "c"));
    EXPECT_TRUE(Cached("sea", "d"));
    EXPECT_TRUE(Cached("dunes", "e"));
    EXPECT_TRUE(std::filesystem::exists(Cache() / "dunes" / "Channel.xml"));
    EXPECT_TRUE(std::filesystem::exists(Cache() / "dunes" / "thumbs" / "t.jpg"));

    // Within the limit, nothing more goes.
    EXPECT_EQ(PruneCache(Cache(), 10000, {}).picturesRemoved, 0u);
}

TEST_F(CachePruningTest, WhatIsKeptNeverGoesEvenWhenTheLimitCannotBeMet) {
    Picture("dunes", "a", 1000, 50);  // on the desktop
    Picture("dunes", "b", 1000, 40);
    Picture("sea", "a", 1000, 30);  // the same name in another channel is another picture
    const auto keep = [](std::string_view channel, std::string_view file) {
        return channel == "dunes" && file == "a.jpg";
    };

    const CachePruning pass = PruneCache(Cache(), 0, keep);

    EXPECT_EQ(pass.picturesRemoved, 2u);
    EXPECT_TRUE(Cached("dunes", "a"));
    EXPECT_TRUE(std::filesystem::exists(Image("dunes", "a.bmp")));
    EXPECT_FALSE(Cached("dunes", "b"));
    EXPECT_FALSE(Cached("sea", "a"));
    EXPECT_EQ(pass.bytesAfter, 3000u);
}

TEST_F(CachePruningTest, AShowingWritesTheConversionAndSoMovesThePictureToTheBack) {
    Picture("dunes", "a", 1000, 50);
    Picture("dunes", "b", 1000, 40);
    // a is shown again: its conversion is written now.
    WriteFile(Image("dunes", "a.bmp"), std::string(2000, 'b'));
    PruneCache(Cache(), 3000, {});
    EXPECT_TRUE(Cached("dunes", "a"));
    EXPECT_FALSE(Cached("dunes", "b"));
}

TEST_F(CachePruningTest, NoCacheFolderIsNothingToDo) {
    const CachePruning pass = PruneCache(dir_ / "missing", 0, {});
    EXPECT_EQ(pass.bytesBefore, 0u);
    EXPECT_EQ(pass.picturesRemoved, 0u);
    EXPECT_EQ(CacheSize(dir_ / "missing"), 0u);
}

// The size the settings page shows counts what a clean-up counts: pictures,
// conversions and every other file, in any folder.
TEST_F(CachePruningTest, TheCachesSizeCountsEveryFileAsTheCleanUpDoes) {
    Picture("dunes", "a", 1000, 10);
    Picture("sea", "b", 500, 5);
    WriteFile(Cache() / "dunes" / "Channel.xml", std::string(77, 'x'));
    std::filesystem::create_directories(Cache() / "dunes" / "thumbs" / "deep");
    WriteFile(Cache() / "dunes" / "thumbs" / "deep" / "t.bmp", std::string(33, 't'));
    WriteFile(Cache() / "loose.txt", std::string(5, 'l'));
    const std::uintmax_t expected = 3 * 1000 + 3 * 500 + 77 + 33 + 5;
    EXPECT_EQ(CacheSize(Cache()), expected);
    EXPECT_EQ(PruneCache(Cache(), expected, {}).bytesBefore, expected);
}

}  // namespace
}  // namespace wylo
