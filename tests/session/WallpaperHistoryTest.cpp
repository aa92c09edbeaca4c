// The wallpaper history and its file: stepping, the limit of 50, and files
// that are damaged or written by a hostile hand.
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "session/RetryBackoff.h"
#include "session/WallpaperHistory.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using ::testing::HasSubstr;

PastWallpaper Wallpaper(int image, std::string title = "Dunes") {
    PastWallpaper w;
    w.time = 46000.5 + image;
    w.channel = 0;
    w.channelId = "dunes";
    w.images.push_back({0, image, "image" + std::to_string(image) + ".jpg", std::move(title),
                        "#102030", "#F0E0D0"});
    return w;
}

TEST(WallpaperHistoryTest, StepsBackAndForthBetweenTheEnds) {
    WallpaperHistory history;
    EXPECT_FALSE(history.position());
    EXPECT_FALSE(history.CanGoBack());
    for (int i = 0; i < 3; ++i) {
        history.Add(Wallpaper(i));
    }
    EXPECT_EQ(history.position(), 2u);
    EXPECT_TRUE(history.CanGoBack());
    EXPECT_FALSE(history.CanGoForward());
    history.MoveTo(0);
    EXPECT_FALSE(history.CanGoBack());
    EXPECT_TRUE(history.CanGoForward());
    history.MoveTo(7);  // not there: stays
    EXPECT_EQ(history.position(), 0u);
    // A new change goes to the end, whatever entry was current.
    history.Add(Wallpaper(9));
    EXPECT_EQ(history.position(), 3u);
    EXPECT_EQ(history.Current()->images[0].image, 9);
}

TEST(WallpaperHistoryTest, KeepsTheLastFifty) {
    WallpaperHistory history;
    for (int i = 0; i < 53; ++i) {
        history.Add(Wallpaper(i));
    }
    ASSERT_EQ(history.entries().size(), 50u);
    EXPECT_EQ(history.entries().front().images[0].image, 3);
    EXPECT_EQ(history.entries().back().images[0].image, 52);
    EXPECT_EQ(history.position(), 49u);
    // And so does a file read back.
    const auto read = WallpaperHistory::Parse(history.Text());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->entries(), history.entries());
}

TEST(WallpaperHistoryTest, TheFileGivesBackWhatWasWritten) {
    TempDir dir;
    WallpaperHistory history;
    PastWallpaper two = Wallpaper(4, "Sossusvlei");
    two.images.push_back({1, 7, "other.jpg", "Deadvlei", "", ""});
    history.Add(Wallpaper(1));
    history.Add(two);
    history.MoveTo(0);
    const std::filesystem::path file = WallpaperHistory::FilePath(dir.path());
    history.Save(file);

    const WallpaperHistoryLoad loaded = WallpaperHistory::Load(file);
    EXPECT_EQ(loaded.message, "");
    EXPECT_EQ(loaded.history.entries(), history.entries());
    EXPECT_EQ(loaded.history.position(), 0u);
    // No file yet is an empty history, not damage.
    const auto none = WallpaperHistory::Load(dir.path() / "none.txt");
    EXPECT_TRUE(none.history.empty());
    EXPECT_EQ(none.message, "");
}

TEST(WallpaperHistoryTest, AMonitorsOwnChannelIsKeptWithItsImageAndOnlyThen) {
    WallpaperHistory history;
    PastWallpaper two = Wallpaper(4, "Sossusvlei");
    two.images.push_back({1, 2, "fjord.jpg", "Fjord", "", "", "own-norway"});
    history.Add(two);
    const std::string text = history.Text();
    // A line without a channel of its own reads as before.
    EXPECT_THAT(text, HasSubstr("\tSossusvlei\n"));
    EXPECT_THAT(text, HasSubstr("\tFjord\town-norway\n"));
    const auto read = WallpaperHistory::Parse(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->entries(), history.entries());
    const PastWallpaper& back = read->entries()[0];
    EXPECT_EQ(back.ChannelOf(back.images[0]), "dunes");
    EXPECT_EQ(back.ChannelOf(back.images[1]), "own-norway");
    // The channel names a cache folder: never a path.
    const std::string head =
        "Wylo wallpaper history 1\nposition\t0\nwallpaper\t46000.5\t0\tdunes\n";
    for (const char* channel : {"..", "a/../../b", ""}) {
        EXPECT_FALSE(WallpaperHistory::Parse(head + "image\t0\t1\ta.jpg\t\t\tA\t" + channel + "\n"))
            << channel;
    }
}

TEST(WallpaperHistoryTest, TitlesStayOnOneLineAndAreCutWhole) {
    WallpaperHistory history;
    history.Add(Wallpaper(0, "Tab\there,\nnew line\r"));
    // 199 bytes, then a two-byte character that would cross the limit.
    history.Add(Wallpaper(1, std::string(199, 'a') + "\xC3\xA9" + "tail"));
    const auto read = WallpaperHistory::Parse(history.Text());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->entries()[0].images[0].title, "Tab here, new line ");
    EXPECT_EQ(read->entries()[1].images[0].title, std::string(199, 'a'));
}

// Each of these must be refused as a whole, never half read.
TEST(WallpaperHistoryTest, RefusesDamagedAndHostileFiles) {
    const std::string head = "Wylo wallpaper history 1\nposition\t0\n";
    const std::string wallpaper = "wallpaper\t46000.5\t0\tdunes\n";
    const std::string image = "image\t0\t1\ta.jpg\t#102030\t#FFFFFF\tDunes\n";
    ASSERT_TRUE(WallpaperHistory::Parse(head + wallpaper + image));
    const std::string cases[] = {
        "",
        "\x89PNG\r\n",
        "Wylo wallpaper history 2\n",
        head + wallpaper,                                          // no image
        head + image,                                              // image first
        head + "wallpaper\t46000.5\t0\t..\n" + image,              // folder outside the cache
        head + "wallpaper\t46000.5\t0\tdunes/../../x\n" + image,   // a path, not a name
        head + wallpaper + "image\t0\t1\t..\\..\\x.jpg\t\t\tA\n",  // the same for the picture
        head + wallpaper + "image\t0\t-1\ta.jpg\t\t\tA\n",         // no such image
        head + wallpaper + "image\t99\t1\ta.jpg\t\t\tA\n",         // no such monitor
        head + wallpaper + "image\t0\t1\ta.jpg\tred\t\tA\n",       // not a colour
        head + wallpaper + "image\t0\t1\ta.jpg\t\t\t" + std::string(300, 'x') + "\n",
        head + wallpaper +
            "image\t0\t1\ta.jpg\t\t\tA\x01"
            "B\n",  // control character
        head + "wallpaper\tnan\t0\tdunes\n" + image,
        head + "wallpaper\t1e300\t0\tdunes\n" + image,
        head + "wallpaper\t46000.5\t0x1\tdunes\n" + image,
        head + wallpaper + image + "mystery\n",
        "Wylo wallpaper history 1\nposition\t3\n" + wallpaper + image,  // beyond the end
    };
    for (const std::string& text : cases) {
        std::string problem;
        EXPECT_FALSE(WallpaperHistory::Parse(text, &problem)) << text;
        EXPECT_FALSE(problem.empty());
    }
    std::string many = head;
    for (int i = 0; i < 51; ++i) {
        many += wallpaper + image;
    }
    EXPECT_FALSE(WallpaperHistory::Parse(many));
}

TEST(WallpaperHistoryTest, ADamagedFileIsSetAsideAndANewOneBegins) {
    TempDir dir;
    const std::filesystem::path file = WallpaperHistory::FilePath(dir.path());
    WriteFile(file, "Wylo wallpaper history 1\nposition\t0\nwallpaper\t4");

    const WallpaperHistoryLoad loaded = WallpaperHistory::Load(file);
    EXPECT_TRUE(loaded.history.empty());
    EXPECT_THAT(loaded.message, HasSubstr("is damaged"));
    EXPECT_THAT(loaded.message, HasSubstr("History.txt.damaged"));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(ReadFile(dir.path() / "History.txt.damaged"),
              "Wylo wallpaper history 1\nposition\t0\nwallpaper\t4");

    // Damaged again later: the newer damaged file takes the older one's place.
    WriteFile(file, "garbage");
    EXPECT_THAT(WallpaperHistory::Load(file).message, HasSubstr("keeps the old file"));
    EXPECT_EQ(ReadFile(dir.path() / "History.txt.damaged"), "garbage");
}

TEST(WallpaperHistoryTest, AnUnwritableFolderIsReported) {
    TempDir dir;
    WallpaperHistory history;
    history.Add(Wallpaper(0));
    EXPECT_THROW(history.Save(dir.path() / "missing" / "History.txt"), Error);
}

TEST(RetryBackoffTest, WaitsLongerAfterEachFailureUpToAQuarterOfAnHour) {
    RetryBackoff retry;
    const DateTime start = 46000.0;
    EXPECT_FALSE(retry.pending());
    EXPECT_FALSE(retry.IsDue(start + 1));
    int delays[8] = {};
    for (int& delay : delays) {
        retry.Failed(start);
        delay = retry.delaySeconds();
    }
    EXPECT_THAT(delays, ::testing::ElementsAre(30, 60, 120, 240, 480, 900, 900, 900));
    EXPECT_FALSE(retry.IsDue(start + 899.0 / kSecondsPerDay));
    EXPECT_TRUE(retry.IsDue(start + 900.0 / kSecondsPerDay));

    retry.Succeeded();
    EXPECT_FALSE(retry.pending());
    retry.Failed(start);
    EXPECT_EQ(retry.delaySeconds(), 30);
}

}  // namespace
}  // namespace wylo
