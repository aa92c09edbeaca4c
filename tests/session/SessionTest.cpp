// The program's rules without a window: start-up, subscription, the pick, the
// tick and closing, with nested calls arriving in the middle of work as the
// window's events would.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "channels/DownloadGate.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/RecordingObserver.h"
#include "session/Session.h"
#include "support/JpegWriter.h"
#include "support/PostedWork.h"
#include "support/PublishedChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

using test::ChannelSpec;
using test::ReadFile;
using test::RecordingObserver;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 8, 12, 0, 0})) {
        platform_.SetSingleMonitor(320, 200);
    }

    std::filesystem::path AppDir() const { return AppFolder(platform_); }
    std::filesystem::path SettingsFile() const { return AppDir() / "Wylo.ini"; }
    void WriteSettings(const std::string& body) {
        std::filesystem::create_directories(AppDir());
        WriteFile(SettingsFile(), "[Settings]\n" + body);
    }

    // Runs what the session posts back until its work is done.
    void Settle() {
        ASSERT_TRUE(observer_.posted.RunUntil([this] { return !session_.busy(); }));
    }
    // Runs what the session posts back until pred holds.
    void RunUntil(const std::function<bool()>& pred) {
        ASSERT_TRUE(observer_.posted.RunUntil(pred));
    }
    Session& Started() {
        session_.Start();
        Settle();
        return session_;
    }
    // The picture of image k of the channel is held by the host until the
    // gate opens; the session is told when the host has been asked for it.
    void HoldImage(const std::string& channel, int k, std::shared_ptr<test::Gate> gate) {
        const std::string path = "/c/" + channel + "/images/i" + std::to_string(k) + ".jpg";
        Bitmap picture(64, 48);
        picture.Fill(MakeColour(200, 100, 40 * k));
        const std::string body = test::EncodeJpeg(picture);
        server_.Route(path, [gate, body](const httplib::Request& req, httplib::Response& res) {
            if (req.method != "HEAD") {
                gate->Wait(std::chrono::seconds(30));
            }
            res.set_content(body, "image/jpeg");
        });
    }

    TempDir root_;
    TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
    RecordingObserver observer_;
    Session session_{platform_, clock_, server_.Url("/wylo/wylo.xml"), observer_};
};

TEST_F(SessionTest, StartBuildsTheListAndReopensTheSubscribedChannel) {
    ChannelSpec news("alps", "The Alps");
    news.news = server_.Url("/news.html");
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea"), news});
    WriteSettings("CurrentChannel=1\nCurrentImage=2\n");

    Started();

    ASSERT_EQ(observer_.channelList.size(), 2u);
    EXPECT_EQ(observer_.channelList[1].title, "The Alps");
    EXPECT_EQ(observer_.settingsLoads, 1);
    EXPECT_THAT(observer_.opened, ElementsAre(true));
    EXPECT_EQ(observer_.subscribed.title, "The Alps");
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    // Rows are as tall as their thumbnails and a margin; the widest sets the
    // thumbnail column.
    EXPECT_EQ(observer_.subscribed.rows[0].height, 79);
    EXPECT_EQ(session_.maxThumbWidth(), 120);
    EXPECT_TRUE(observer_.schedulerRunning);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(SessionTest, AtStartTheSubscribedChannelsPictureComesBeforeTheRestOfTheList) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea"), ChannelSpec("alps", "The Alps"),
                                    ChannelSpec("dunes", "The Dunes")});
    WriteSettings(
        "CurrentChannel=1\nCurrentImage=0\nRandomOrder=0\nLastChange=08/12/2026 11:00:00\n");

    Started();

    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    ASSERT_EQ(observer_.channelList.size(), 3u);
    const std::vector<TestHttpServer::LoggedRequest> requests = server_.Requests();
    const auto first = [&](const std::string& path) {
        return std::find_if(requests.begin(), requests.end(),
                            [&](const auto& r) { return r.path == path; }) -
               requests.begin();
    };
    const auto picture = first("/c/alps/images/i1.jpg");
    ASSERT_LT(picture, static_cast<long>(requests.size()));
    EXPECT_LT(first("/c/alps/Channel.xml"), picture);
    EXPECT_GT(first("/c/sea/Channel.xml"), picture);
    EXPECT_GT(first("/c/dunes/Channel.xml"), picture);
    EXPECT_GT(first("/c/alps/thumbs/t0.jpg"), first("/c/dunes/Channel.xml"));
    // One check of each file in the start's pass, not one per step.
    for (const std::string path :
         {"/wylo/wylo.xml", "/c/sea/Channel.xml", "/c/alps/Channel.xml", "/c/dunes/Channel.xml"}) {
        EXPECT_LE(server_.Count("HEAD", path), 1) << path;
        EXPECT_EQ(server_.Count("GET", path), 1) << path;
    }
    // The rows got their thumbnails after the list.
    EXPECT_EQ(observer_.subscribed.rows[0].height, 79);

    // A later change is a check of its own.
    server_.ClearRequests();
    session_.ChangeNow();
    Settle();
    EXPECT_EQ(server_.Count("HEAD", "/c/alps/Channel.xml"), 1);
    EXPECT_EQ(platform_.wallpaperCalls.size(), 2u);
}

TEST_F(SessionTest, ARefreshChecksEachControlFileOnce) {
    test::PublishChannels(server_,
                          {ChannelSpec("sea", "The Sea"), ChannelSpec("alps", "The Alps")});
    WriteSettings("CurrentChannel=0\nEnableScheduler=0\n");
    Started();
    server_.ClearRequests();

    session_.RefreshChannelList();
    Settle();

    for (const std::string path : {"/wylo/wylo.xml", "/c/sea/Channel.xml", "/c/alps/Channel.xml"}) {
        EXPECT_EQ(server_.Count("HEAD", path), 1) << path;
        EXPECT_LE(server_.Count("GET", path), 1) << path;
    }
    EXPECT_EQ(observer_.channelList.size(), 2u);
}

TEST_F(SessionTest, StartReturnsBeforeTheNetworkAnswers) {
    test::GateOpener opener;
    auto gate = opener.gate;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    server_.Route("/wylo/wylo.xml", [gate](const httplib::Request&, httplib::Response& res) {
        gate->Wait(std::chrono::seconds(30));
        res.set_content("<wylo/>", "text/xml");
    });
    WriteSettings("CurrentChannel=0\nEnableScheduler=0\n");

    session_.Start();

    // The window has its settings at once; the list follows the host.
    EXPECT_EQ(observer_.settingsLoads, 1);
    EXPECT_TRUE(session_.busy());
    EXPECT_THAT(observer_.channelList, IsEmpty());
    gate->Open();
    Settle();
    EXPECT_FALSE(session_.busy());
}

TEST_F(SessionTest, WithAChangeDueAtStartTheRowsComeAfterTheFirstWallpaper) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings(
        "CurrentChannel=0\nScheduleType=0\nScheduleFrequency=5\nRandomOrder=0\n"
        "CurrentImage=0\nLastChange=08/12/2026 11:00:00\n");
    std::vector<std::string> order;
    server_.Route("/c/sea/thumbs/t0.jpg", [&](const httplib::Request&, httplib::Response& res) {
        order.push_back("thumbnail");
        res.status = 404;
    });

    session_.Start();
    RunUntil([&] { return !observer_.opened.empty(); });
    EXPECT_EQ(observer_.subscribed.title, "The Sea");
    // The rows come at once with what the cache holds: nothing yet.
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    EXPECT_EQ(observer_.subscribed.rows[1].height, 16);

    // The change starts without waiting for a tick.
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    EXPECT_EQ(observer_.subscribed.rows[1].height, 79);
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1));
    EXPECT_EQ(session_.settings().lastChange, clock_.Now());
    EXPECT_THAT(order, ElementsAre("thumbnail"));
}

TEST_F(SessionTest, RowsPutOffAtStartComeWhenTheSchedulerStops) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    // The change due at start waits on its picture.
    HoldImage("sea", 1, opener.gate);
    WriteSettings(
        "CurrentChannel=0\nScheduleType=0\nScheduleFrequency=5\nRandomOrder=0\nCurrentImage=0\n"
        "LastChange=08/12/2026 11:00:00\n");
    session_.Start();
    RunUntil([&] { return !observer_.opened.empty(); });
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    ASSERT_EQ(observer_.subscribed.rows[0].height, 16);

    session_.SetSchedulerEnabled(false);
    opener.gate->Open();
    Settle();
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    EXPECT_EQ(observer_.subscribed.rows[0].height, 79);
}

TEST_F(SessionTest, ACloseDuringNetworkWorkEndsAtOnceAndKeepsTheSettings) {
    test::GateOpener opener;
    auto gate = opener.gate;
    server_.Route("/wylo/wylo.xml", [gate](const httplib::Request&, httplib::Response& res) {
        gate->Wait(std::chrono::seconds(30));
        res.set_content("<wylo/>", "text/xml");
    });
    WriteSettings("CurrentChannel=1\nCurrentImage=2\n");
    session_.Start();
    RunUntil([&] { return server_.Count("GET", "/wylo/wylo.xml") > 0; });

    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(session_.Finish());
    // Cancelled, not left to the read timeout.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
    EXPECT_FALSE(std::filesystem::exists(AppDir() / "wylo.xml"));
    observer_.posted.RunPosted();
    EXPECT_THAT(observer_.errors, IsEmpty());
    EXPECT_THAT(observer_.failures, IsEmpty());
    // The settings were read before they are written back.
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("CurrentChannel=1"));
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("CurrentImage=2"));
    // Nothing more happens: the window has gone.
    session_.ChangeNow();
    session_.Tick(clock_.Now());
    EXPECT_FALSE(session_.busy());
}

TEST_F(SessionTest, AFailingStartStepIsReportedAndTheSettingsAreStillRead) {
    // No host, and a cached directory that does not parse.
    server_.Stop();
    std::filesystem::create_directories(AppDir());
    WriteFile(AppDir() / "wylo.xml", "<wylo><PROVIDERS>");
    WriteSettings("EnableScheduler=0\n");

    Started();

    EXPECT_EQ(observer_.errors.size(), 1u);
    EXPECT_EQ(observer_.settingsLoads, 1);
    EXPECT_FALSE(session_.settings().enableScheduler);
    EXPECT_FALSE(session_.SchedulerRuns());
}

TEST_F(SessionTest, ASubscriptionThatCannotBeHadSaysWhyAndKeepsTheChoice) {
    test::PublishChannels(server_, {ChannelSpec("good", "Good"), ChannelSpec("bad", "Bad")});
    Started();
    ASSERT_EQ(observer_.channelList.size(), 2u);

    // A newer control file that does not parse.
    server_.Serve("/c/bad/Channel.xml", "<provider><images>", std::time(nullptr) + 3600);
    session_.Subscribe(1);
    Settle();
    ASSERT_EQ(observer_.failures.size(), 1u);
    EXPECT_THAT(observer_.failures[0], HasSubstr("problem loading the channel control file"));
    EXPECT_EQ(session_.settings().currentChannel, 1);

    server_.Stop();
    std::filesystem::remove(AppDir() / "cache" / "good" / "Channel.xml");
    session_.Subscribe(0);
    Settle();
    ASSERT_EQ(observer_.failures.size(), 2u);
    EXPECT_THAT(observer_.failures[1], HasSubstr("problem downloading the channel control file"));
    EXPECT_EQ(session_.settings().currentChannel, 0);
    EXPECT_THAT(observer_.opened, IsEmpty());
}

TEST_F(SessionTest, APickedImageGoesOnTheDesktopAndIsSaved) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\n");
    Started();
    clock_.Advance(1.0);

    session_.PickImage(2);
    Settle();

    EXPECT_EQ(session_.settings().currentImage, 2);
    EXPECT_EQ(session_.settings().lastChange, clock_.Now());
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("CurrentImage=2"));
}

TEST_F(SessionTest, WorkAskedForDuringAChangeRunsAfterItInOrder) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    HoldImage("sea", 1, opener.gate);

    session_.ChangeNow();
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i1.jpg") > 0; });
    // In the middle of the change: every call returns at once and queues.
    session_.Tick(clock_.Now());
    session_.PickImage(2);
    session_.ChangeNow();
    session_.ChangeNow();  // asked twice while one waits: one change
    EXPECT_TRUE(session_.busy());
    EXPECT_TRUE(platform_.wallpaperCalls.empty());

    opener.gate->Open();
    Settle();
    // The change, the pick, one more change: images 1, 2, 0.
    EXPECT_EQ(platform_.wallpaperCalls.size(), 3u);
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1, 2, 0));
    EXPECT_EQ(session_.settings().currentImage, 0);
    EXPECT_FALSE(session_.changeAsked());
}

TEST_F(SessionTest, APickNamesThePictureNotTheRow) {
    test::GateOpener opener;
    ChannelSpec sea("sea", "The Sea");
    sea.imageTitles = {"Bay", "Cliff", "Dune"};
    test::PublishChannels(server_, {sea});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    // The channel puts its pictures in another order; the next change sees
    // it and refills the list.
    const std::string url = server_.Url("/c/sea/images/");
    std::string images;
    for (int k : {2, 0, 1}) {
        const std::string n = std::to_string(k);
        images += "<image><loc>" + url + "i" + n + ".jpg</loc><title>" +
                  sea.imageTitles[static_cast<std::size_t>(k)] + "</title></image>";
    }
    server_.Serve("/c/sea/Channel.xml",
                  "<provider><title>The Sea</title><images>" + images + "</images></provider>",
                  std::time(nullptr) + 3600);
    HoldImage("sea", 0, opener.gate);
    session_.ChangeNow();
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i0.jpg") > 0; });

    // Meanwhile the user double-clicks "Dune", the third row of the list
    // they see.
    session_.PickImage(2);
    opener.gate->Open();
    Settle();

    const PastWallpaper* shown = session_.history().Current();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->images.size(), 1u);
    EXPECT_EQ(shown->images[0].title, "Dune");
    EXPECT_EQ(shown->images[0].fileName, "i2.jpg");
    // Its row is the first now.
    EXPECT_EQ(session_.settings().currentImage, 0);
    EXPECT_EQ(session_.DesktopNow().images[0].row, 0);
}

TEST_F(SessionTest, AChannelChosenInTheListDuringAChangeCannotReachIntoIt) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea"), ChannelSpec("alps", "Alps")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    HoldImage("sea", 1, opener.gate);
    session_.ChangeNow();
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i1.jpg") > 0; });

    session_.SelectChannel(1);
    session_.PickImage(2);
    opener.gate->Open();
    Settle();

    EXPECT_EQ(observer_.selected.title, "Alps");
    EXPECT_EQ(session_.selectedChannelId(), "alps");

    // Both changes drew the subscribed channel's pictures.
    ASSERT_EQ(session_.history().entries().size(), 2u);
    for (const PastWallpaper& w : session_.history().entries()) {
        EXPECT_EQ(w.channelId, "sea");
    }
    EXPECT_EQ(server_.Count("GET", "/c/alps/images/i2.jpg"), 0);
}

TEST_F(SessionTest, PreviousAndNextDuringAChangeRunAfterItInTurn) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    session_.ChangeNow();  // image 1
    Settle();
    session_.ChangeNow();  // image 2
    Settle();
    HoldImage("sea", 0, opener.gate);
    session_.ChangeNow();  // image 0, held
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i0.jpg") > 0; });

    // Asked for while the third change downloads: back twice, forward once.
    session_.GoBack();
    session_.GoBack();
    session_.GoForward();
    opener.gate->Open();
    Settle();

    // From the third wallpaper back to the first, then forward to the second.
    ASSERT_EQ(session_.history().entries().size(), 3u);
    EXPECT_EQ(session_.history().position(), 1u);
    EXPECT_EQ(session_.history().Current()->images[0].fileName, "i2.jpg");
    EXPECT_EQ(platform_.wallpaperCalls.size(), 6u);
    // The rotation goes on from the last image the schedule chose.
    EXPECT_EQ(session_.settings().currentImage, 0);
}

TEST_F(SessionTest, TheSettingsAreWrittenWithoutWaitingForADownload) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    HoldImage("sea", 1, opener.gate);
    session_.ChangeNow();
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i1.jpg") > 0; });

    session_.settings().randomOrder = true;
    session_.SaveSettings();
    RunUntil([&] { return ReadFile(SettingsFile()).find("RandomOrder=1") != std::string::npos; });
    EXPECT_TRUE(platform_.wallpaperCalls.empty());

    // A file that cannot be written is said, in a box.
    std::filesystem::remove(SettingsFile());
    std::filesystem::create_directory(SettingsFile());
    session_.SaveSettings();
    RunUntil([&] { return !observer_.errors.empty(); });
    EXPECT_THAT(observer_.errors[0], HasSubstr("Unable to write to"));
    opener.gate->Open();
    Settle();
}

TEST_F(SessionTest, TheNewWallpaperIsToldBeforeTheThumbnailsAreChecked) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    // A new control file, so the thumbnails are checked after the change.
    ChannelSpec changed("sea", "The Sea");
    changed.description = "Now with a longer description.";
    changed.lastModified = std::time(nullptr) + 3600;
    test::PublishChannel(server_, changed);
    const auto gate = opener.gate;
    server_.Route("/c/sea/thumbs/t2.jpg", [gate](const httplib::Request&, httplib::Response& res) {
        gate->Wait(std::chrono::seconds(30));
        res.status = 404;
    });

    session_.ChangeNow();
    RunUntil([&] { return !session_.history().empty(); });
    // The thumbnails are still being checked.
    EXPECT_TRUE(session_.busy());
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1));
    EXPECT_EQ(session_.DesktopNow().images[0].title, "Picture 2");
    opener.gate->Open();
    Settle();
}

TEST_F(SessionTest, ThumbnailsAreCheckedAgainOnlyWhenTheControlFileChanged) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    const auto thumbnailRequests = [this] {
        int count = 0;
        for (const auto& request : server_.Requests()) {
            count += request.path.rfind("/c/sea/thumbs/", 0) == 0 ? 1 : 0;
        }
        return count;
    };
    Started();
    const int atStart = thumbnailRequests();
    EXPECT_GE(atStart, 3);

    // The control file comes again unchanged: the rows are filled from the
    // cache, with every thumbnail.
    session_.ChangeNow();
    Settle();
    session_.ChangeNow();
    Settle();
    EXPECT_EQ(thumbnailRequests(), atStart);
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1, 2));
    EXPECT_EQ(observer_.subscribed.rows.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_FALSE(session_.ThumbnailPath(k).empty()) << k;
    }

    ChannelSpec changed("sea", "The Sea");
    changed.description = "Now with a longer description.";
    changed.lastModified = std::time(nullptr) + 3600;
    test::PublishChannel(server_, changed);
    session_.ChangeNow();
    Settle();
    EXPECT_GE(thumbnailRequests(), atStart + 3);
}

TEST_F(SessionTest, AChangeCutShortByACloseRecordsNothing) {
    test::GateOpener opener;
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings(
        "CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nLastChange=08/12/2026 12:00:00\n");
    Started();
    HoldImage("sea", 1, opener.gate);
    session_.ChangeNow();
    RunUntil([&] { return server_.Count("GET", "/c/sea/images/i1.jpg") > 0; });
    session_.PickImage(2);

    EXPECT_TRUE(session_.Finish());
    observer_.posted.RunPosted();

    // Not the plain colour of a change without its image, and the pick
    // asked for before the close is dropped with it.
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_THAT(observer_.errors, IsEmpty());
    EXPECT_TRUE(session_.history().empty());
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("CurrentImage=0"));
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("LastChange=08/12/2026 12:00:00"));
}

TEST_F(SessionTest, AChangeThatDrewNothingIsTriedAgainLaterAndItsReasonStays) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings(
        "CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nScheduleType=0\nScheduleFrequency=5\n"
        "LastChange=08/12/2026 11:00:00\n");
    // The next picture cannot be had: nothing reaches the desktop.
    server_.Route("/c/sea/images/i1.jpg",
                  [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
    Started();
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_EQ(session_.settings().currentImage, 0);
    EXPECT_EQ(session_.settings().lastChange, EncodeDateTime({2026, 12, 8, 11, 0, 0}));
    EXPECT_TRUE(session_.changeRetry().pending());
    // Said in the status line, naming the picture and the channel, not in a box.
    EXPECT_THAT(observer_.errors, IsEmpty());
    ASSERT_FALSE(observer_.statuses.empty());
    const std::string reason = observer_.statuses.back();
    EXPECT_THAT(reason, ::testing::StartsWith("Could not download \""));
    EXPECT_THAT(reason, HasSubstr("from The Sea"));
    EXPECT_THAT(reason,
                HasSubstr("The desktop keeps its wallpaper; Wylo will try again at 12:00:30"));

    for (int second = 1; second <= 20; ++second) {
        clock_.Advance(1.0 / kSecondsPerDay);
        session_.Tick(clock_.Now());
        Settle();
    }
    // The ticks kept the reason in view and tried nothing yet.
    EXPECT_EQ(observer_.statuses.back(), reason);
    EXPECT_THAT(observer_.errors, IsEmpty());
    EXPECT_EQ(server_.Count("GET", "/c/sea/images/i1.jpg"), 1);

    // The picture is mended; the retry puts it up, and the reason goes.
    Bitmap mended(64, 48);
    mended.Fill(MakeColour(200, 100, 40));
    server_.Serve("/c/sea/images/i1.jpg", test::EncodeJpeg(mended), std::time(nullptr) + 3600,
                  "image/jpeg");
    clock_.Advance(15.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(session_.settings().currentImage, 1);
    EXPECT_FALSE(session_.changeRetry().pending());
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("Next Change : "));
}

TEST_F(SessionTest, EachChangeShowsTheImageNowOnTheDesktop) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    EXPECT_THAT(observer_.shownImages, ElementsAre(0));

    session_.ChangeNow();
    Settle();
    session_.PickImage(0);
    Settle();
    // A tick with nothing due changes nothing and shows nothing new.
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1, 0));
}

TEST_F(SessionTest, ChangeNowWaitsWhileTheScheduleIsOff) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nEnableScheduler=0\n");
    Started();
    session_.ChangeNow();
    Settle();
    EXPECT_TRUE(session_.changeAsked());
    EXPECT_TRUE(platform_.wallpaperCalls.empty());

    session_.SetSchedulerEnabled(true);
    Settle();
    EXPECT_FALSE(session_.changeAsked());
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
}

TEST_F(SessionTest, NoTickRunsBeforeTheSettingsAreRead) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    session_.ChangeNow();
    session_.Tick(clock_.Now());
    EXPECT_FALSE(session_.busy());
    EXPECT_THAT(observer_.statuses, IsEmpty());
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(SessionTest, FinishSavesOnceAndReportsAFailedSaveWithoutABox) {
    Started();
    std::filesystem::remove(SettingsFile());
    session_.Finish();
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    std::filesystem::remove(SettingsFile());
    session_.Finish();
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    Session other(platform_, clock_, server_.Url("/wylo/wylo.xml"), observer_);
    std::filesystem::remove_all(AppDir());
    WriteFile(root_.path() / "shared" / "Wylo", "a file where the folder should be");
    other.Finish();
    EXPECT_THAT(observer_.errors, IsEmpty());
    ASSERT_EQ(observer_.exitProblems.size(), 1u);
    EXPECT_THAT(observer_.exitProblems[0], HasSubstr("Unable to write to"));
}

}  // namespace
}  // namespace wylo
