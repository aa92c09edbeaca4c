// The user's own channels in the running program: a photo feed added by its
// address works with no channel directory at all, the subscription to it is
// kept by its address, and its list entry never moves when the directory
// changes.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/RecordingObserver.h"
#include "session/Session.h"
#include "support/JpegWriter.h"
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
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class OwnChannelSessionTest : public ::testing::Test {
protected:
    OwnChannelSessionTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 10, 12, 0, 0})) {
        platform_.SetSingleMonitor(320, 200);
        // A photo feed of two pictures, one of them published as a PNG.
        for (int k = 0; k < 2; ++k) {
            Bitmap picture(64, 48);
            picture.Fill(MakeColour(200, 40 * k, 90));
            server_.Serve("/photos/p" + std::to_string(k) + ".jpg", test::EncodeJpeg(picture));
        }
        server_.Serve("/feed.rss", R"(<?xml version="1.0"?>
<rss version="2.0"><channel><title>Photos of the Day</title>
<link>https://example.org/</link><description>Daily</description>
<item><title>First</title><enclosure url="/photos/p0.jpg" type="image/jpeg" length="1"/></item>
<item><title>Drawing</title><enclosure url="/photos/d.png" type="image/png" length="1"/></item>
<item><title>Second</title><enclosure url="/photos/p1.jpg" type="image/jpeg" length="1"/></item>
</channel></rss>)");
    }

    std::string FeedUrl() const { return server_.Url("/feed.rss"); }

    std::unique_ptr<Session> NewSession(RecordingObserver& observer) {
        return std::make_unique<Session>(platform_, clock_, server_.Url("/wylo/wylo.xml"),
                                         observer);
    }
    void Settle(RecordingObserver& observer, Session& session) {
        ASSERT_TRUE(observer.posted.RunUntil([&session] { return !session.busy(); }));
    }

    TempDir root_;
    TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
};

TEST_F(OwnChannelSessionTest, AFeedWorksWithoutAnyChannelHostAndIsKeptByItsAddress) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    session->Start();
    Settle(observer, *session);
    // No directory: the list holds nothing yet, and says why.
    EXPECT_TRUE(observer.channelList.empty());

    ASSERT_TRUE(session->AddOwnChannel(OwnChannel::Kind::Address, FeedUrl()));
    Settle(observer, *session);
    // Listed under the feed's own title once it was read.
    ASSERT_EQ(observer.channelList.size(), 1u);
    EXPECT_EQ(observer.channelList[0].title, "Photos of the Day");
    EXPECT_EQ(observer.channelList[0].index, kOwnChannelBase);
    EXPECT_EQ(observer.selected.title, "Photos of the Day");
    EXPECT_EQ(observer.selected.description, "Daily");

    session->Subscribe(kOwnChannelBase);
    Settle(observer, *session);
    ASSERT_EQ(observer.subscribed.rows.size(), 2u);  // the PNG is left out
    EXPECT_EQ(observer.subscribed.rows[1].caption, "Second");
    // The feed gives no thumbnails: the rows show titles, and a picture
    // fetched for a change gets a thumbnail made from it.
    EXPECT_TRUE(observer.measured.empty());
    EXPECT_TRUE(session->ThumbnailPath(0).empty());
    session->settings().randomOrder = false;
    session->settings().currentImage = 1;
    session->ChangeNow();
    Settle(observer, *session);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(server_.Count("GET", "/photos/p0.jpg"), 1);
    EXPECT_EQ(server_.Count("GET", "/photos/p1.jpg"), 0);
    ASSERT_FALSE(session->ThumbnailPath(0).empty());
    EXPECT_EQ(session->ThumbnailBitmap(session->ThumbnailPath(0))->width, 64);
    EXPECT_TRUE(session->ThumbnailPath(1).empty());
    EXPECT_THAT(observer.errors, IsEmpty());
    ASSERT_TRUE(session->Finish());

    // The settings keep the own channel by its address; the directory's
    // index says no directory channel is subscribed.
    const std::string ini = ReadFile(AppFolder(platform_) / "Wylo.ini");
    EXPECT_THAT(ini, HasSubstr("CurrentChannel=-1"));
    EXPECT_THAT(ini, HasSubstr("OwnChannel=" + FeedUrl()));
    EXPECT_THAT(ReadFile(AppFolder(platform_) / "Channels.txt"),
                HasSubstr("title: Photos of the Day\naddress: " + FeedUrl() + "\n"));
}

TEST_F(OwnChannelSessionTest, TheSubscriptionSurvivesADirectoryThatAppearsAndGrows) {
    {
        RecordingObserver observer;
        auto session = NewSession(observer);
        session->Start();
        Settle(observer, *session);
        session->AddOwnChannel(OwnChannel::Kind::Address, FeedUrl());
        Settle(observer, *session);
        session->Subscribe(kOwnChannelBase);
        Settle(observer, *session);
        ASSERT_TRUE(session->Finish());
    }
    // Now a channel host answers, with two channels before the own one.
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea"), ChannelSpec("alps", "Alps")});
    RecordingObserver observer;
    auto session = NewSession(observer);
    session->Start();
    Settle(observer, *session);
    ASSERT_EQ(observer.channelList.size(), 3u);
    EXPECT_EQ(observer.channelList[2].title, "Photos of the Day");
    EXPECT_EQ(observer.channelList[2].index, kOwnChannelBase);
    EXPECT_EQ(observer.subscribed.title, "Photos of the Day");
    EXPECT_EQ(session->settings().currentChannel, kOwnChannelBase);
    EXPECT_THAT(observer.errors, IsEmpty());
}

TEST_F(OwnChannelSessionTest, BadAddressesFoldersAndRemovalsAreRefusedWithAReason) {
    RecordingObserver observer;
    auto session = NewSession(observer);
    session->Start();
    Settle(observer, *session);
    EXPECT_FALSE(session->AddOwnChannel(OwnChannel::Kind::Address, "file:///etc/passwd"));
    EXPECT_FALSE(session->AddOwnChannel(OwnChannel::Kind::Folder,
                                        (root_.path() / "no such folder").string()));
    ASSERT_EQ(observer.errors.size(), 2u);
    EXPECT_THAT(observer.errors[0], HasSubstr("http://"));
    EXPECT_THAT(observer.errors[1], HasSubstr("cannot be found"));
    EXPECT_TRUE(session->ownChannels().empty());

    session->AddOwnChannel(OwnChannel::Kind::Address, FeedUrl());
    session->AddOwnChannel(OwnChannel::Kind::Address, server_.Url("/other.rss"));
    // Adding one again selects it instead of listing it twice.
    session->AddOwnChannel(OwnChannel::Kind::Address, FeedUrl());
    Settle(observer, *session);
    ASSERT_EQ(session->ownChannels().size(), 2u);
    session->Subscribe(kOwnChannelBase + 1);
    Settle(observer, *session);

    // The subscribed channel stays; the one before it goes, and the
    // subscription moves up with its channel.
    EXPECT_FALSE(session->RemoveOwnChannel(kOwnChannelBase + 1));
    EXPECT_THAT(observer.errors.back(), HasSubstr("subscribed"));
    EXPECT_FALSE(session->RemoveOwnChannel(0));
    EXPECT_TRUE(session->RemoveOwnChannel(kOwnChannelBase));
    ASSERT_EQ(session->ownChannels().size(), 1u);
    EXPECT_EQ(session->settings().currentChannel, kOwnChannelBase);
    EXPECT_EQ(session->settings().ownChannel, server_.Url("/other.rss"));
    ASSERT_EQ(observer.channelList.size(), 1u);
    EXPECT_EQ(observer.channelList[0].index, kOwnChannelBase);
    EXPECT_EQ(ReadFile(session->OwnChannelsPath()).find(FeedUrl()), std::string::npos);
    Settle(observer, *session);
}

// Every regular file below root, relative to it.
std::vector<std::string> FilesBelow(const std::filesystem::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(std::filesystem::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// With the network cable pulled: the computer's own pictures are listed at
// the first start, subscribed to, and put on the desktop, and their folder
// is only ever read.
TEST_F(OwnChannelSessionTest, TheComputersOwnPicturesWorkOffline) {
    const std::filesystem::path backgrounds = root_.path() / "backgrounds";
    std::filesystem::create_directories(backgrounds / "nature");
    for (const char* name : {"nature/Blue_Lake.jpg", "Red-Dunes.jpg"}) {
        Bitmap picture(64, 48);
        picture.Fill(MakeColour(30, 90, 200));
        test::WriteFile(backgrounds / name, test::EncodeJpeg(picture));
    }
    test::WriteFile(backgrounds / "notes.txt", "not a picture");
    platform_.pictureFolders = {{"Desktop Backgrounds", backgrounds, false}};
    const std::vector<std::string> before = FilesBelow(backgrounds);

    RecordingObserver observer;
    auto session = NewSession(observer);
    session->Start();
    Settle(observer, *session);
    ASSERT_EQ(observer.channelList.size(), 1u);
    EXPECT_EQ(observer.channelList[0].title, "Desktop Backgrounds");
    session->Subscribe(kOwnChannelBase);
    Settle(observer, *session);
    ASSERT_EQ(observer.subscribed.rows.size(), 2u);
    EXPECT_EQ(observer.subscribed.rows[0].caption, "Blue Lake");
    EXPECT_EQ(observer.subscribed.rows[1].caption, "Red Dunes");
    // Each row has the thumbnail made in the cache.
    EXPECT_FALSE(session->ThumbnailPath(0).empty());
    EXPECT_TRUE(std::filesystem::exists(session->ThumbnailPath(1)));
    session->ChangeNow();
    Settle(observer, *session);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_THAT(observer.errors, IsEmpty());
    EXPECT_EQ(FilesBelow(backgrounds), before);
    // Previous finds a photo where its folder keeps it, and converts it
    // into the cache, not beside it.
    session->ChangeNow();
    Settle(observer, *session);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 2u);
    session->GoBack();
    Settle(observer, *session);
    EXPECT_EQ(platform_.wallpaperCalls.size(), 3u);
    EXPECT_THAT(observer.statuses,
                ::testing::Not(::testing::Contains(HasSubstr("no longer in the cache"))));
    EXPECT_EQ(FilesBelow(backgrounds), before);
    // Removed from the folder, a photo is gone from the channel at the next
    // reading.
    std::filesystem::remove(backgrounds / "Red-Dunes.jpg");
    session->RefreshChannelList();
    session->Subscribe(kOwnChannelBase);
    Settle(observer, *session);
    EXPECT_EQ(observer.subscribed.rows.size(), 1u);
}

// A kept picture goes into Favourites, a channel of its own that outlives a
// full clean-up of the cache and a restart.
TEST_F(OwnChannelSessionTest, AKeptPictureOutlivesTheCacheAndARestart) {
    {
        RecordingObserver observer;
        auto session = NewSession(observer);
        session->Start();
        Settle(observer, *session);
        EXPECT_FALSE(session->KeepPicture());  // nothing of Wylo's on the desktop yet
        session->AddOwnChannel(OwnChannel::Kind::Address, FeedUrl());
        Settle(observer, *session);
        session->Subscribe(kOwnChannelBase);
        session->settings().randomOrder = false;
        session->settings().currentImage = 1;
        session->ChangeNow();
        Settle(observer, *session);
        ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);

        ASSERT_TRUE(session->KeepPicture());
        ASSERT_TRUE(session->TakeCommand(RemoteCommand::Keep));  // twice: still one copy
        Settle(observer, *session);
        EXPECT_THAT(observer.errors, IsEmpty());
        EXPECT_EQ(observer.statuses.back(), "The picture is kept in Favourites.");
        EXPECT_EQ(FilesBelow(session->FavouritesFolder()), std::vector<std::string>{"p0.jpg"});
        ASSERT_EQ(observer.channelList.size(), 2u);
        EXPECT_EQ(observer.channelList[1].title, "Favourites");

        // The cache cleaned to nothing: the favourite stays.
        session->settings().cacheLimit = 1;
        session->ChangeNow();
        Settle(observer, *session);
        EXPECT_EQ(FilesBelow(session->FavouritesFolder()), std::vector<std::string>{"p0.jpg"});
        ASSERT_TRUE(session->Finish());
    }
    RecordingObserver observer;
    auto session = NewSession(observer);
    session->Start();
    Settle(observer, *session);
    ASSERT_EQ(observer.channelList.size(), 2u);
    session->Subscribe(observer.channelList[1].index);
    Settle(observer, *session);
    ASSERT_EQ(observer.subscribed.rows.size(), 1u);
    EXPECT_EQ(observer.subscribed.rows[0].caption, "p0");
}

}  // namespace
}  // namespace wylo
