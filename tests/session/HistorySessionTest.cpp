// What is on the desktop, going back and forth through the wallpapers, and a
// start without the channel host, on the fake platform with real pictures
// served over loopback HTTP.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "compose/BmpFile.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/CachePruning.h"
#include "session/Session.h"
#include "support/PostedWork.h"
#include "support/PublishedChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

using test::FlatChannel;
using test::ReadFile;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class Observer : public SessionObserver {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetSchedulerRunning(bool running) override { timerRunning = running; }
    void ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                            int) override {
        channelList = entries;
    }
    void SubscriptionOpened(bool) override { ++opened; }
    void SubscriptionFailed(const std::string& message) override { errors.push_back(message); }
    void DesktopImagesChanged(const DesktopImages& shown) override { desktop = shown; }
    void HistoryChanged(bool back, bool forward) override {
        canGoBack = back;
        canGoForward = forward;
    }
    void SubscribedChannelMarked(int channel) override { markedChannel = channel; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void CacheMeasured(std::uintmax_t bytes) override { measured.push_back(bytes); }
    void ImageMarksChanged(const ImageMarks& m) override { marks = m; }
    void RunSoon(std::function<void()> work) override { posted.Post(std::move(work)); }

    std::vector<std::string> statuses;
    std::vector<std::string> errors;
    std::vector<ChannelSession::ChannelListEntry> channelList;
    DesktopImages desktop;
    bool canGoBack = false;
    bool canGoForward = false;
    bool timerRunning = false;
    int markedChannel = -2;
    int opened = 0;
    std::vector<std::uintmax_t> measured;
    ImageMarks marks;
    test::PostedWork posted;
};

// Runs what the session posts back until its work is done.
void Settle(Session& session, Observer& observer) {
    ASSERT_TRUE(observer.posted.RunUntil([&] { return !session.busy(); }));
}

class HistorySessionTest : public ::testing::Test {
protected:
    HistorySessionTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 8, 12, 0, 0})) {
        platform_.SetSingleMonitor(320, 200);
    }

    std::filesystem::path AppDir() const { return AppFolder(platform_); }
    std::filesystem::path HistoryFile() const { return AppDir() / "History.txt"; }
    void WriteSettings(const std::string& body) {
        std::filesystem::create_directories(AppDir());
        WriteFile(AppDir() / "Wylo.ini", "[Settings]\n" + body);
    }
    // Subscribed to the flat channel of count images, in order, from image 0.
    void StartSubscribed(int count) {
        test::PublishFlatChannel(server_, count);
        WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
        session_.Start();
        Settle();
        ASSERT_EQ(observer_.opened, 1);
    }
    void Settle() { wylo::Settle(session_, observer_); }
    void ChangeNow() {
        session_.ChangeNow();
        Settle();
    }
    // The image whose picture fills the middle of the (first) monitor.
    int ImageOnDesktop() const { return ImageAt(160, 100); }
    int ImageAt(int x, int y) const {
        const Bitmap desktop = ReadBmpFile(AppDir() / "desktop.bmp");
        const Colour middle = desktop.Pixel(x, y);
        for (int k = 0; k < 10; ++k) {
            if (middle == FlatChannel::ImageColour(k)) {
                return k;
            }
        }
        for (int k = 0; k < 10; ++k) {
            const Colour c = FlatChannel::ImageColour(k);
            if (std::abs(RedOf(c) - RedOf(middle)) <= 6 &&
                std::abs(GreenOf(c) - GreenOf(middle)) <= 6 &&
                std::abs(BlueOf(c) - BlueOf(middle)) <= 6) {
                return k;
            }
        }
        return -1;
    }

    TempDir root_;
    TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
    Observer observer_;
    Session session_{platform_, clock_, server_.Url("/wylo.xml"), observer_};
};

TEST_F(HistorySessionTest, TheDesktopsImageIsNamedAndMarked) {
    StartSubscribed(3);
    // Nothing put on the desktop yet: nothing to name.
    EXPECT_THAT(observer_.desktop.images, IsEmpty());
    EXPECT_EQ(observer_.markedChannel, 0);

    ChangeNow();
    ASSERT_EQ(observer_.desktop.images.size(), 1u);
    EXPECT_EQ(observer_.desktop.images[0].title, "Image 1");
    EXPECT_EQ(observer_.desktop.images[0].row, 1);
    // Right after the change the status names the picture before the time.
    EXPECT_THAT(observer_.statuses.back(), StartsWith("Image 1 - Next Change : "));
    clock_.Advance(10.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_THAT(observer_.statuses.back(), StartsWith("Image 1 - Next Change : "));
}

TEST_F(HistorySessionTest, WithTheScheduleOffTheStatusNamesThePictureWithoutATime) {
    test::PublishFlatChannel(server_, 3);
    WriteSettings("CurrentChannel=0\nEnableScheduler=0\n");
    session_.Start();
    Settle();
    session_.PickImage(2);
    Settle();
    EXPECT_EQ(observer_.statuses.back(), "Image 2");
    EXPECT_FALSE(observer_.timerRunning);
}

TEST_F(HistorySessionTest, DifferentModeMarksOneRowPerMonitor) {
    platform_.SetMonitors({Monitor{{0, 0, 320, 200}, true}, Monitor{{320, 0, 640, 200}, false}});
    test::PublishFlatChannel(server_, 4);
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nMultiScreenOpt=1\n");
    session_.Start();
    Settle();
    ChangeNow();
    ASSERT_EQ(observer_.desktop.images.size(), 2u);
    EXPECT_EQ(observer_.desktop.MonitorsShowing(1), std::vector<int>{0});
    EXPECT_EQ(observer_.desktop.MonitorsShowing(2), std::vector<int>{1});
    EXPECT_EQ(observer_.desktop.Name(), "Image 1, Image 2");
}

TEST_F(HistorySessionTest, GoingBackPutsEachMonitorsImageBack) {
    platform_.SetMonitors({Monitor{{0, 0, 320, 200}, true}, Monitor{{320, 0, 640, 200}, false}});
    test::PublishFlatChannel(server_, 5);
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nMultiScreenOpt=1\n");
    session_.Start();
    Settle();
    ChangeNow();  // images 1 and 2
    ChangeNow();  // images 3 and 4
    EXPECT_EQ(ImageOnDesktop(), 3);
    EXPECT_EQ(ImageAt(480, 100), 4);

    session_.GoBack();

    Settle();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_EQ(ImageAt(480, 100), 2);
    EXPECT_EQ(session_.settings().currentImage, 4);
    EXPECT_EQ(observer_.desktop.MonitorsShowing(2), std::vector<int>{1});
}

TEST_F(HistorySessionTest, PreviousAndNextWalkTheHistoryWithoutDisturbingTheSchedule) {
    StartSubscribed(4);
    ChangeNow();
    ChangeNow();
    ChangeNow();
    ASSERT_EQ(ImageOnDesktop(), 3);
    EXPECT_TRUE(observer_.canGoBack);
    EXPECT_FALSE(observer_.canGoForward);
    const DateTime lastChange = session_.settings().lastChange;
    const std::size_t wallpapers = platform_.wallpaperCalls.size();

    // From the cache: the host may be gone.
    server_.Stop();
    clock_.Advance(5.0 / kSecondsPerDay);
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 2);
    EXPECT_EQ(platform_.wallpaperCalls.size(), wallpapers + 1);
    EXPECT_EQ(observer_.desktop.images[0].row, 2);
    EXPECT_THAT(observer_.statuses.back(), StartsWith("Image 2 - Next Change : "));
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_FALSE(observer_.canGoBack);
    EXPECT_TRUE(observer_.canGoForward);
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_EQ(observer_.statuses.back(), "There is no earlier wallpaper in the history");

    // The schedule's time and the rotation are where they were.
    EXPECT_EQ(session_.settings().lastChange, lastChange);
    EXPECT_EQ(session_.settings().currentImage, 3);

    session_.GoForward();

    Settle();
    EXPECT_EQ(ImageOnDesktop(), 2);
    session_.GoForward();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 3);
    EXPECT_FALSE(observer_.canGoForward);

    // Back once more, then the schedule goes on after the image it showed
    // last, and the new wallpaper is the newest in the history.
    session_.GoBack();
    Settle();
    server_.Restart();
    ChangeNow();
    EXPECT_EQ(ImageOnDesktop(), 0);
    EXPECT_FALSE(observer_.canGoForward);
    EXPECT_EQ(session_.history().entries().size(), 4u);
    EXPECT_EQ(session_.history().position(), 3u);
}

TEST_F(HistorySessionTest, TheHistoryOutlivesTheProgramAndKeepsFifty) {
    StartSubscribed(3);
    for (int i = 0; i < 52; ++i) {
        ChangeNow();
    }
    session_.Finish();
    EXPECT_EQ(session_.history().entries().size(), 50u);

    Observer second;
    Session again(platform_, clock_, server_.Url("/wylo.xml"), second);
    again.Start();
    wylo::Settle(again, second);
    ASSERT_EQ(again.history().entries().size(), 50u);
    // The desktop still shows the last wallpaper: named and marked at start.
    ASSERT_EQ(second.desktop.images.size(), 1u);
    EXPECT_EQ(second.desktop.images[0].row, 52 % 3);
    int steps = 0;
    while (second.canGoBack) {
        again.GoBack();
        wylo::Settle(again, second);
        ++steps;
    }
    EXPECT_EQ(steps, 49);
    EXPECT_THAT(second.errors, IsEmpty());
}

TEST_F(HistorySessionTest, ADamagedHistoryIsReportedAndStartedAfresh) {
    std::filesystem::create_directories(AppDir());
    WriteFile(HistoryFile(), "Wylo wallpaper history 1\nposition\t0\nimage\t\t\t\n");
    StartSubscribed(3);
    ASSERT_EQ(observer_.errors.size(), 1u);
    EXPECT_THAT(observer_.errors[0], HasSubstr("is damaged"));
    EXPECT_FALSE(observer_.canGoBack);
    // The program goes on, and the next change starts a new history.
    ChangeNow();
    EXPECT_THAT(ReadFile(HistoryFile()), HasSubstr("Image 1"));
    EXPECT_TRUE(std::filesystem::exists(AppDir() / "History.txt.damaged"));
}

TEST_F(HistorySessionTest, AChannelThatShrankStillGivesBackTheRightPictures) {
    StartSubscribed(4);
    ChangeNow();
    ChangeNow();
    ChangeNow();  // images 1, 2 and 3
    // The channel now publishes two images; the next change sees that.
    test::PublishFlatChannel(server_, 2);
    std::filesystem::remove(AppDir() / "cache" / "dunes" / "Channel.xml");
    ChangeNow();
    ASSERT_EQ(ImageOnDesktop(), 0);

    // Image 3 is gone from the channel but its picture is in the cache: it
    // comes back as it was, and no row of the list claims it.
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 3);
    ASSERT_EQ(observer_.desktop.images.size(), 1u);
    EXPECT_EQ(observer_.desktop.images[0].row, -1);
    EXPECT_EQ(observer_.desktop.images[0].title, "Image 3");

    // A wallpaper whose picture has left the cache is passed over.
    std::filesystem::remove(AppDir() / "cache" / "dunes" / "images" / "img2.jpg");
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(HistorySessionTest, AStartWithoutTheHostSaysSoAndFillsTheListWhenItAnswers) {
    test::PublishFlatChannel(server_, 3);
    WriteSettings("CurrentChannel=0\nEnableScheduler=0\n");
    server_.Stop();
    session_.Start();
    Settle();

    EXPECT_THAT(observer_.channelList, IsEmpty());
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("The channel directory could not be fetched"));
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("try again in 30 seconds"));
    // The schedule is off, but the timer runs for the retry.
    EXPECT_TRUE(observer_.timerRunning);
    EXPECT_THAT(observer_.errors, IsEmpty());

    // Still down at the first retry: the pause doubles.
    clock_.Advance(31.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("try again in 1 minute"));
    const int requests = server_.Count("GET", "/wylo.xml") + server_.Count("HEAD", "/wylo.xml");
    clock_.Advance(30.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());  // not yet due
    EXPECT_EQ(server_.Count("GET", "/wylo.xml") + server_.Count("HEAD", "/wylo.xml"), requests);

    // The host answers: the list fills and the subscription opens, with no
    // action of the user's.
    server_.Restart();
    clock_.Advance(31.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    ASSERT_EQ(observer_.channelList.size(), 1u);
    EXPECT_EQ(observer_.opened, 1);
    EXPECT_EQ(observer_.markedChannel, 0);
    EXPECT_FALSE(session_.directoryRetry().pending());
    EXPECT_FALSE(observer_.timerRunning);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(HistorySessionTest, AChangeDueWhileTheHostIsAwayComesOnceTheChannelOpens) {
    test::PublishFlatChannel(server_, 3);
    WriteSettings(
        "CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nScheduleType=0\nScheduleFrequency=5\n"
        "LastChange=08/12/2026 10:00:00\n");
    server_.Stop();
    session_.Start();
    Settle();
    // Nothing to change to, and nothing to complain of but the directory.
    for (int second = 0; second < 40; ++second) {
        clock_.Advance(1.0 / kSecondsPerDay);
        session_.Tick(clock_.Now());
        Settle();
    }
    EXPECT_THAT(observer_.errors, IsEmpty());
    EXPECT_TRUE(platform_.wallpaperCalls.empty());

    server_.Restart();
    clock_.Advance(60.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_EQ(observer_.opened, 1);
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(HistorySessionTest, RetriesOfADamagedDirectoryDoNotRepeatTheErrorBox) {
    test::PublishFlatChannel(server_, 3);
    std::filesystem::create_directories(AppDir());
    WriteFile(AppDir() / "wylo.xml", "<wylo><PROVIDERS>");
    server_.Stop();
    session_.Start();
    Settle();
    ASSERT_EQ(observer_.errors.size(), 1u);
    clock_.Advance(31.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_EQ(observer_.errors.size(), 1u);
    EXPECT_TRUE(session_.directoryRetry().pending());
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("try again in 1 minute"));

    // The host's good copy, newer than the damaged one, replaces it.
    server_.Serve("/wylo.xml",
                  "<wylo><PROVIDERS><p><id>dunes</id><url>" + server_.Url("/dunes/Channel.xml") +
                      "</url></p></PROVIDERS></wylo>",
                  std::time(nullptr) + 3600);
    server_.Restart();
    clock_.Advance(61.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_EQ(observer_.channelList.size(), 1u);
    EXPECT_FALSE(session_.directoryRetry().pending());
}

TEST_F(HistorySessionTest, AChangeDueWhileOfflineUsesTheCache) {
    StartSubscribed(3);
    ChangeNow();
    ChangeNow();
    ChangeNow();  // images 1, 2 and 0 are in the cache now
    server_.Stop();
    ChangeNow();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_EQ(observer_.desktop.images[0].row, 1);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

// A second start's commands do what the buttons do, and are refused where
// the buttons would do nothing, so its exit status can say so.
TEST_F(HistorySessionTest, CommandsFromASecondStartAreTakenOnlyWhereTheButtonsWouldAct) {
    StartSubscribed(4);
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::Previous));
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::Next));
    EXPECT_TRUE(session_.TakeCommand(RemoteCommand::ChangeNow));
    Settle();
    EXPECT_TRUE(session_.TakeCommand(RemoteCommand::ChangeNow));
    Settle();
    ASSERT_EQ(ImageOnDesktop(), 2);
    EXPECT_TRUE(session_.TakeCommand(RemoteCommand::Previous));
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 1);
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::Previous));
    EXPECT_TRUE(session_.TakeCommand(RemoteCommand::Next));
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 2);
    // The window's own commands are not the session's.
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::Show));
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::Quit));
}

TEST_F(HistorySessionTest, ChangeNowFromASecondStartIsRefusedWithoutASubscription) {
    test::PublishFlatChannel(server_, 3);
    WriteSettings("CurrentChannel=-1\n");
    session_.Start();
    Settle();
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::ChangeNow));
}

// "Never Show This Picture Again": the picture leaves the desktop and the
// cache at once, and neither the rotation, nor a pick, nor a step back, nor a
// restart brings it back, until the user shows the hidden pictures again.
TEST_F(HistorySessionTest, AHiddenPictureNeverComesBack) {
    StartSubscribed(3);
    ChangeNow();
    ASSERT_EQ(ImageOnDesktop(), 1);
    const std::filesystem::path cached = AppDir() / "cache" / "dunes" / "images" / "img1.jpg";
    ASSERT_TRUE(std::filesystem::exists(cached));

    EXPECT_TRUE(session_.NeverShowAgain());
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 2);
    EXPECT_FALSE(std::filesystem::exists(cached));
    EXPECT_FALSE(std::filesystem::exists(AppDir() / "cache" / "dunes" / "images" / "img1.bmp"));
    EXPECT_EQ(session_.hiddenCount(), 1u);

    for (int i = 0; i < 4; ++i) {
        ChangeNow();
        EXPECT_NE(ImageOnDesktop(), 1) << "change " << i;
    }
    const int before = ImageOnDesktop();
    session_.PickImage(1);
    Settle();
    EXPECT_EQ(ImageOnDesktop(), before);
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("never to see"));
    // Back through the history, past the wallpaper that showed it.
    for (int i = 0; i < 8 && observer_.canGoBack; ++i) {
        session_.GoBack();
        Settle();
        EXPECT_NE(ImageOnDesktop(), 1);
    }
    EXPECT_TRUE(session_.Finish());

    // A new start reads the list again.
    Observer observer;
    Session again{platform_, clock_, server_.Url("/wylo.xml"), observer};
    again.Start();
    wylo::Settle(again, observer);
    EXPECT_EQ(again.hiddenCount(), 1u);
    for (int i = 0; i < 4; ++i) {
        again.ChangeNow();
        wylo::Settle(again, observer);
        EXPECT_NE(ImageOnDesktop(), 1) << "change " << i << " after the restart";
    }
    again.ShowHiddenPicturesAgain();
    EXPECT_EQ(again.hiddenCount(), 0u);
    bool seen = false;
    for (int i = 0; i < 3 && !seen; ++i) {
        again.ChangeNow();
        wylo::Settle(again, observer);
        seen = ImageOnDesktop() == 1;
    }
    EXPECT_TRUE(seen);
    again.Finish();
}

// The images list's menu keeps or hides any row, on the desktop or not, and
// the list marks both, also after a new start.
TEST_F(HistorySessionTest, TheListsMenuKeepsAndHidesAnyRowAndMarksIt) {
    StartSubscribed(6);
    ChangeNow();
    ASSERT_EQ(ImageOnDesktop(), 1);
    const std::size_t installs = platform_.wallpaperCalls.size();
    const std::filesystem::path images = AppDir() / "cache" / "dunes" / "images";
    ASSERT_FALSE(std::filesystem::exists(images / "img4.jpg"));

    // A row never fetched is fetched to be kept; the desktop stays.
    ASSERT_TRUE(session_.KeepImage(4));
    Settle();
    EXPECT_TRUE(std::filesystem::exists(session_.FavouritesFolder() / "img4.jpg"));
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs);
    EXPECT_THAT(observer_.marks.kept, ElementsAre(4));

    // Hiding a row that is not on the desktop leaves the desktop alone.
    ASSERT_TRUE(session_.NeverShowImageAgain(2));
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs);
    EXPECT_THAT(observer_.marks.hidden, ElementsAre(2));
    // Hiding the one on the desktop puts the next up, passing the hidden over.
    ASSERT_TRUE(session_.NeverShowImageAgain(1));
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 3);
    EXPECT_THAT(observer_.marks.hidden, ElementsAre(1, 2));
    EXPECT_FALSE(std::filesystem::exists(images / "img1.jpg"));

    // Rows the list does not have.
    EXPECT_FALSE(session_.KeepImage(6));
    EXPECT_FALSE(session_.NeverShowImageAgain(-1));
    EXPECT_TRUE(session_.Finish());

    Observer observer;
    Session again{platform_, clock_, server_.Url("/wylo.xml"), observer};
    again.Start();
    wylo::Settle(again, observer);
    EXPECT_THAT(observer.marks.kept, ElementsAre(4));
    EXPECT_THAT(observer.marks.hidden, ElementsAre(1, 2));
    again.ShowHiddenPicturesAgain();
    EXPECT_THAT(observer.marks.hidden, IsEmpty());
    EXPECT_THAT(observer.marks.kept, ElementsAre(4));
    again.Finish();
}

TEST_F(HistorySessionTest, NothingKnownOnTheDesktopIsNothingToHide) {
    StartSubscribed(3);
    EXPECT_FALSE(session_.NeverShowAgain());
    EXPECT_FALSE(session_.TakeCommand(RemoteCommand::NeverAgain));
    EXPECT_EQ(session_.hiddenCount(), 0u);
}

// After each change the cache is brought within its limit; the pictures of
// the last five wallpapers stay, so Previous still finds them.
TEST_F(HistorySessionTest, AfterEachChangeTheCacheKeepsWithinItsLimitAndTheLastWallpapers) {
    StartSubscribed(8);
    session_.settings().cacheLimit = 1;  // smaller than any picture
    for (int i = 0; i < 7; ++i) {
        ChangeNow();
    }
    ASSERT_EQ(ImageOnDesktop(), 7);
    const std::filesystem::path images = AppDir() / "cache" / "dunes" / "images";
    for (int k = 1; k <= 7; ++k) {
        const std::string file = "img" + std::to_string(k) + ".jpg";
        EXPECT_EQ(std::filesystem::exists(images / file), k >= 3) << file;
    }
    EXPECT_FALSE(std::filesystem::exists(images / "img2.bmp"));
    session_.GoBack();
    Settle();
    EXPECT_EQ(ImageOnDesktop(), 6);
}

// Every byte of every file under the cache folder, counted here without the
// session's help.
std::uintmax_t BytesUnder(const std::filesystem::path& folder) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            total += entry.file_size();
        }
    }
    return total;
}

// The settings page asks what the cache holds; the answer comes back through
// the observer, measured on the real cache folder, and again after each
// clean-up, which changes it.
TEST_F(HistorySessionTest, TheCachesSizeIsMeasuredBesideTheWindowAndAfterEachCleanUp) {
    StartSubscribed(8);
    for (int i = 0; i < 3; ++i) {
        ChangeNow();
    }
    const std::filesystem::path cache = AppDir() / "cache";
    Settle();
    observer_.measured.clear();
    session_.MeasureCache();
    // Asked twice while waiting: measured once.
    session_.MeasureCache();
    EXPECT_TRUE(observer_.measured.empty()) << "measured on the window's thread";
    Settle();
    const std::uintmax_t full = BytesUnder(cache);
    ASSERT_GT(full, 0u);
    EXPECT_THAT(observer_.measured, ElementsAre(full));

    // A clean-up to a limit smaller than any picture: what is left is told.
    session_.settings().cacheLimit = 1;
    observer_.measured.clear();
    ChangeNow();
    ASSERT_FALSE(observer_.measured.empty());
    EXPECT_EQ(observer_.measured.back(), BytesUnder(cache));
}

TEST(CacheSizeText, SaysTheSizeInWholeMegabytes) {
    EXPECT_EQ(CacheSizeText(0), "The cache is empty.");
    EXPECT_EQ(CacheSizeText(1000), "The cache holds less than 1 MB.");
    EXPECT_EQ(CacheSizeText(312 * 1024 * 1024 + 1000), "The cache holds 312 MB.");
    EXPECT_EQ(CacheSizeText(std::uintmax_t{5} * 1024 * 1024 * 1024), "The cache holds 5120 MB.");
}

TEST(HiddenPictures, TheFileKeepsWhatCanBeNamedAndPassesOverTheRest) {
    TempDir dir;
    const std::filesystem::path file = HiddenPictures::FilePath(dir.path());
    HiddenPictures hidden;
    EXPECT_TRUE(hidden.Add("dunes", "img1.jpg"));
    EXPECT_FALSE(hidden.Add("dunes", "img1.jpg"));
    EXPECT_FALSE(hidden.Add("dunes", "a\tb.jpg"));
    EXPECT_FALSE(hidden.Add("", "img2.jpg"));
    EXPECT_TRUE(hidden.Add("sea", "img1.jpg"));
    hidden.Save(file);
    const HiddenPictures read = HiddenPictures::Load(file);
    EXPECT_EQ(read.size(), 2u);
    EXPECT_TRUE(read.Contains("dunes", "img1.jpg"));
    EXPECT_TRUE(read.Contains("sea", "img1.jpg"));
    EXPECT_FALSE(read.Contains("sea", "img2.jpg"));

    WriteFile(file, "no tab here\n\tno channel\nsea\timg3.jpg\r\n" + std::string(5000, 'x') +
                        "\tlong.jpg\n");
    const HiddenPictures damaged = HiddenPictures::Load(file);
    EXPECT_EQ(damaged.size(), 1u);
    EXPECT_TRUE(damaged.Contains("sea", "img3.jpg"));
    EXPECT_TRUE(HiddenPictures::Load(dir / "missing.txt").empty());
}

}  // namespace
}  // namespace wylo
