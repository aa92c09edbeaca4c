// A channel per monitor in the running program: in "Different Image On Each
// Screen" a monitor may show the pictures of a channel of its own, chosen in
// the settings, with its own rotation, kept in the history and the settings
// file.
#include <filesystem>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "compose/BmpFile.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/RecordingObserver.h"
#include "session/Session.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

using test::ReadFile;
using test::RecordingObserver;
using test::TempDir;
using test::TestHttpServer;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int kFeed = kOwnChannelBase;
constexpr int kFolder = kOwnChannelBase + 1;

Colour FeedColour(int k) {
    return MakeColour(200, 40 + 80 * k, 90);
}
Colour FolderColour(int k) {
    return MakeColour(30, 90, 120 + 100 * k);
}

bool Near(Colour a, Colour b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 6 && std::abs(GreenOf(a) - GreenOf(b)) <= 6 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 6;
}

class MonitorChannelsSessionTest : public ::testing::Test {
protected:
    MonitorChannelsSessionTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 11, 9, 0, 0})) {
        platform_.SetMonitors({{{0, 0, 64, 48}, true}, {{64, 0, 128, 48}, false}});
        // The subscribed channel: a feed of two flat pictures.
        for (int k = 0; k < 2; ++k) {
            Bitmap picture(64, 48);
            picture.Fill(FeedColour(k));
            server_.Serve("/photos/p" + std::to_string(k) + ".jpg", test::EncodeJpeg(picture));
        }
        server_.Serve("/feed.rss", R"(<?xml version="1.0"?>
<rss version="2.0"><channel><title>Photos of the Day</title>
<item><title>First</title><enclosure url="/photos/p0.jpg" type="image/jpeg" length="1"/></item>
<item><title>Second</title><enclosure url="/photos/p1.jpg" type="image/jpeg" length="1"/></item>
</channel></rss>)");
        // The second monitor's own channel: a folder of two photos.
        std::filesystem::create_directories(folder_);
        for (int k = 0; k < 2; ++k) {
            Bitmap picture(64, 48);
            picture.Fill(FolderColour(k));
            test::WriteFile(folder_ / (std::string(1, static_cast<char>('a' + k)) + ".jpg"),
                            test::EncodeJpeg(picture));
        }
    }

    std::unique_ptr<Session> NewSession(RecordingObserver& observer) {
        return std::make_unique<Session>(platform_, clock_, server_.Url("/wylo/wylo.xml"),
                                         observer);
    }
    void Settle(RecordingObserver& observer, Session& session) {
        ASSERT_TRUE(observer.posted.RunUntil([&session] { return !session.busy(); }));
    }
    // Both channels listed, the feed subscribed, pictures in sequence.
    void SetUpChannels(RecordingObserver& observer, Session& session) {
        session.Start();
        Settle(observer, session);
        ASSERT_TRUE(session.AddOwnChannel(OwnChannel::Kind::Address, server_.Url("/feed.rss")));
        ASSERT_TRUE(session.AddOwnChannel(OwnChannel::Kind::Folder, folder_.string()));
        Settle(observer, session);
        session.Subscribe(kFeed);
        Settle(observer, session);
        session.settings().multiScreenOpt = MultiScreen::Different;
        session.settings().randomOrder = false;
        session.settings().currentImage = 1;
    }
    void Change(RecordingObserver& observer, Session& session) {
        session.ChangeNow();
        Settle(observer, session);
    }
    // The colours in the middle of the two monitors.
    std::pair<Colour, Colour> Shown() const {
        const Bitmap desktop = ReadBmpFile(AppFolder(platform_) / "desktop.bmp");
        return {desktop.Pixel(32, 24), desktop.Pixel(96, 24)};
    }

    TempDir root_;
    TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
    std::filesystem::path folder_ = root_.path() / "folder";
};

TEST_F(MonitorChannelsSessionTest, EachMonitorShowsItsOwnChannelInItsOwnOrder) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    SetUpChannels(observer, *session);
    session->SetMonitorChannel(1, kFolder);
    EXPECT_EQ(session->MonitorChannel(0), -1);
    EXPECT_EQ(session->MonitorChannel(1), kFolder);

    Change(observer, *session);
    auto [primary, second] = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(0)));
    EXPECT_TRUE(Near(second, FolderColour(0)));
    // The subscribed channel's rotation and the folder's go on apart.
    EXPECT_EQ(session->settings().currentImage, 0);
    EXPECT_EQ(session->settings().monitorChannels[1].currentImage, 0);
    const PastWallpaper* shown = session->history().Current();
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->images.size(), 2u);
    EXPECT_TRUE(shown->images[0].channelId.empty());
    const std::string folderId = OwnChannel{OwnChannel::Kind::Folder, folder_.string(), ""}.Id();
    EXPECT_EQ(shown->ChannelOf(shown->images[1]), folderId);

    Change(observer, *session);
    std::tie(primary, second) = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(1)));
    EXPECT_TRUE(Near(second, FolderColour(1)));

    // Previous puts back both monitors' pictures, each from its channel.
    session->GoBack();
    Settle(observer, *session);
    std::tie(primary, second) = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(0)));
    EXPECT_TRUE(Near(second, FolderColour(0)));
    EXPECT_THAT(observer.errors, IsEmpty());
    ASSERT_TRUE(session->Finish());

    // The choice and the folder's rotation are kept for the next start.
    const std::string ini = ReadFile(AppFolder(platform_) / "Wylo.ini");
    // An own channel is named by its folder, as the subscription to one is.
    const std::string line = "MonitorChannel2=" + folder_.string();
    const std::size_t at = ini.find(line);
    ASSERT_NE(at, std::string::npos);
    EXPECT_TRUE(ini[at + line.size()] == '\r' || ini[at + line.size()] == '\n');
    EXPECT_THAT(ini, HasSubstr("MonitorImage2=1"));
    EXPECT_THAT(ini, ::testing::Not(HasSubstr("MonitorChannel1=")));
    RecordingObserver again;
    auto next = NewSession(again);
    next->Start();
    Settle(again, *next);
    EXPECT_EQ(next->MonitorChannel(1), kFolder);
    EXPECT_EQ(next->settings().monitorChannels[1].currentImage, 1);
    ASSERT_TRUE(next->Finish());
}

TEST_F(MonitorChannelsSessionTest, NeverAgainAndKeepActOnEachPictureInItsOwnChannel) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    SetUpChannels(observer, *session);
    session->SetMonitorChannel(1, kFolder);
    Change(observer, *session);

    ASSERT_TRUE(session->KeepPicture());
    Settle(observer, *session);
    std::size_t kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(session->FavouritesFolder())) {
        kept += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(kept, 2u);

    // Both pictures go, each hidden in its own channel, and one change
    // puts the next of each up.
    const std::size_t changes = platform_.wallpaperCalls.size();
    ASSERT_TRUE(session->NeverShowAgain());
    Settle(observer, *session);
    EXPECT_EQ(session->hiddenCount(), 2u);
    EXPECT_EQ(platform_.wallpaperCalls.size(), changes + 1);
    const auto [primary, second] = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(1)));
    EXPECT_TRUE(Near(second, FolderColour(1)));
    // The folder's photo is hidden, never removed from the user's folder.
    EXPECT_TRUE(std::filesystem::exists(folder_ / "a.jpg"));
    EXPECT_THAT(observer.errors, IsEmpty());
    ASSERT_TRUE(session->Finish());
}

TEST_F(MonitorChannelsSessionTest, AMonitorWhoseChannelIsGoneShowsTheSubscribedOne) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    SetUpChannels(observer, *session);
    session->SetMonitorChannel(1, kFolder);
    ASSERT_TRUE(session->RemoveOwnChannel(kFolder));
    Settle(observer, *session);
    EXPECT_EQ(session->MonitorChannel(1), -1);

    Change(observer, *session);

    // Both monitors show the feed, in its order, and the status says why.
    const auto [primary, second] = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(0)));
    EXPECT_TRUE(Near(second, FeedColour(1)));
    EXPECT_THAT(observer.statuses,
                Contains(HasSubstr("The channel chosen for monitor 2 is no longer listed")));
    EXPECT_THAT(observer.errors, IsEmpty());
    ASSERT_TRUE(session->Finish());
}

TEST_F(MonitorChannelsSessionTest, TheSameImagesModeIgnoresTheMonitorsChannels) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    SetUpChannels(observer, *session);
    session->SetMonitorChannel(1, kFolder);
    session->settings().multiScreenOpt = MultiScreen::Same;

    Change(observer, *session);

    const auto [primary, second] = Shown();
    EXPECT_TRUE(Near(primary, FeedColour(0)));
    EXPECT_TRUE(Near(second, FeedColour(0)));
    EXPECT_EQ(session->settings().monitorChannels[1].currentImage, -1);
    // Choosing the subscribed channel again clears the choice.
    session->SetMonitorChannel(1, -1);
    EXPECT_EQ(session->settings().MonitorChannelOf(1), "");
    ASSERT_TRUE(session->Finish());
}

}  // namespace
}  // namespace wylo
