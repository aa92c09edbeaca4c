#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/Error.h"
#include "base/PathText.h"
#include "channels/ChannelSession.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "channels/MadeChannel.h"
#include "channels/OwnChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;

TEST(OwnChannelsFileTest, WhatIsWrittenIsReadBackInOrder) {
    const std::vector<OwnChannel> channels = {
        {OwnChannel::Kind::Address, "https://feeds.example.org/iotd.rss", "Image of the Day"},
        {OwnChannel::Kind::Folder, "/home/me/Pictures/Sunsets: best", "Sunsets"},
        {OwnChannel::Kind::Wallpapers, "/usr/share/wallpapers", ""},
    };
    const std::string text = OwnChannelsText(channels);
    EXPECT_EQ(ParseOwnChannels(text), channels);
    // A person reads it: one line per value, comments explain the names.
    EXPECT_NE(text.find("\ntitle: Sunsets\nfolder: /home/me/Pictures/Sunsets: best\n"),
              std::string::npos);
    EXPECT_EQ(text.rfind("#", 0), 0u);
}

TEST(OwnChannelsFileTest, HandEditedFilesAreReadForgivingly) {
    const std::vector<OwnChannel> read = ParseOwnChannels(
        "# mine\r\n"
        "title: Kept\r\n"
        "address:   http://host/feed.xml  \r\n"
        "\r\n"
        "title: Not a web address\n"
        "address: file:///etc/passwd\n"
        "\n"
        "address: javascript:alert(1)\n"
        "folder:\n"
        "unknown: value\n"
        "address: http://host/feed.xml\n"  // a repeat
        "\n"
        "folder: C:\\Users\\me\\Pictures\n");
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0], (OwnChannel{OwnChannel::Kind::Address, "http://host/feed.xml", "Kept"}));
    // The title of a dropped block does not stick to the next one.
    EXPECT_EQ(read[1], (OwnChannel{OwnChannel::Kind::Folder, "C:\\Users\\me\\Pictures", ""}));
}

TEST(OwnChannelsFileTest, LineBreaksInValuesCannotForgeAnotherEntry) {
    const std::vector<OwnChannel> read = ParseOwnChannels(OwnChannelsText(
        {{OwnChannel::Kind::Folder, "/photos", "Trip\naddress: http://evil/x.rss"}}));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].source, "/photos");
}

TEST(OwnChannelsFileTest, IdsAreStableSafeAndTellKindsAndSourcesApart) {
    const OwnChannel feed{OwnChannel::Kind::Address, "https://host/a.rss", "A"};
    const OwnChannel renamed{OwnChannel::Kind::Address, "https://host/a.rss", "B"};
    const OwnChannel other{OwnChannel::Kind::Address, "https://host/b.rss", "A"};
    const OwnChannel folder{OwnChannel::Kind::Folder, "https://host/a.rss", "A"};
    EXPECT_EQ(feed.Id(), renamed.Id());
    EXPECT_NE(feed.Id(), other.Id());
    EXPECT_NE(feed.Id(), folder.Id());
    EXPECT_TRUE(IsSafeName(feed.Id()));
    EXPECT_EQ(feed.Id(), "own-" + feed.Id().substr(4));
    EXPECT_EQ(feed.Id().size(), 20u);
}

TEST(MadeChannelTest, CacheNamesAreSafeUniqueAndStable) {
    std::set<std::string> taken;
    EXPECT_EQ(UniqueCacheName("sunset.jpg", "http://h/sunset.jpg", taken), "sunset.jpg");
    // Addresses alike but for their query string, or names alike but for
    // case, get names of their own, the same at the next refresh.
    const std::string second = UniqueCacheName("SUNSET.JPG", "http://h/SUNSET.JPG?v=2", taken);
    EXPECT_NE(second, "SUNSET.JPG");
    std::set<std::string> again{"SUNSET.JPG"};
    EXPECT_EQ(UniqueCacheName("SUNSET.JPG", "http://h/SUNSET.JPG?v=2", again), second);
    // Names that are no safe file names, or no JPEG names, are made.
    for (const char* wanted : {"", "..", "con.jpg", "a/b.jpg", "photo.php", "image"}) {
        const std::string name = UniqueCacheName(wanted, std::string("key-") + wanted, taken);
        EXPECT_TRUE(IsSafeName(name)) << wanted;
        EXPECT_TRUE(name.ends_with(".jpg")) << wanted;
    }
    EXPECT_EQ(taken.size(), 8u);
}

// A control file Wylo made reads like any other, its own values included.
TEST(MadeChannelTest, MadeControlFileLoadsWithEveryValue) {
    TempDir dir;
    ChannelDescription channel;
    channel.title = "Feed & <more>";
    channel.description = "About";
    channel.copyright = "(c) me";
    channel.news = "https://host/";
    ChannelPicture image;
    image.title = "Dawn";
    image.loc = "https://host/p.jpg?size=large";
    image.file = "p-1.jpg";
    image.credit = "A. Photographer";
    image.width = 4000;
    image.height = 3000;
    image.path = PathFromText("/photos/d\xc3\xa9j\xc3\xa0.jpg");
    channel.images.push_back(image);
    WriteFile(dir.path() / "Channel.xml", MadeControlFileText(channel));
    ControlFile file;
    ASSERT_TRUE(file.Load(dir.path() / "Channel.xml"));
    EXPECT_EQ(file.channel().title, "Feed & <more>");
    EXPECT_EQ(file.channel().news, "https://host/");
    ASSERT_EQ(file.ImageCount(), 1);
    EXPECT_EQ(file.Image(0).loc, "https://host/p.jpg?size=large");
    EXPECT_EQ(file.Image(0).credit, "A. Photographer");
    EXPECT_EQ(file.Image(0).width, 4000);
    EXPECT_EQ(file.Image(0).path, PathFromText("/photos/d\xc3\xa9j\xc3\xa0.jpg"));
    EXPECT_EQ(PictureCacheName(file.Image(0)), "p-1.jpg");
}

// A picture of a made channel: at its address or on the computer.
ChannelPicture Picture(std::string title, std::string loc, fs::path path, std::string file) {
    ChannelPicture image;
    image.title = std::move(title);
    image.loc = std::move(loc);
    image.path = std::move(path);
    image.file = std::move(file);
    return image;
}

class OwnChannelSessionTest : public ::testing::Test {
protected:
    OwnChannelSessionTest()
        : app_(root_.path() / "app"),
          session_(client_, Clock::System(), app_, server_.Url("/wylo/wylo.xml")) {}

    TempDir root_;
    fs::path app_;
    TestHttpServer server_;
    HttpClient client_;
    ChannelSession session_;
};

// Another host's control file, added by its address, works without any
// directory: listed, fetched, and its pictures fetched into its own cache.
TEST_F(OwnChannelSessionTest, AnotherHostsControlFileNeedsNoDirectory) {
    server_.Serve("/other/Channel.xml",
                  "<provider><title>Other</title><images><i><title>One</title><loc>" +
                      server_.Url("/other/one.jpg") + "</loc></i></images></provider>");
    server_.Serve("/other/one.jpg", "JPEG bytes");
    const OwnChannel other{OwnChannel::Kind::Address, server_.Url("/other/Channel.xml"), "Other"};
    session_.SetOwnChannels({other});
    // No directory is open: the own channel is still listed and reachable.
    const auto list = session_.OwnChannelList();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].index, kOwnChannelBase);
    EXPECT_TRUE(session_.HasChannel(kOwnChannelBase));
    EXPECT_FALSE(session_.HasChannel(kOwnChannelBase + 1));
    EXPECT_EQ(session_.ChannelId(kOwnChannelBase), other.Id());

    ASSERT_TRUE(session_.DownloadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.selectedChannelId(), other.Id());
    ASSERT_TRUE(session_.LoadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.controlFile().channel().title, "Other");
    const fs::path picture = session_.ImageFilePath(other.Id(), 0);
    EXPECT_EQ(picture, app_ / "cache" / other.Id() / "images" / "one.jpg");
    EXPECT_EQ(ReadFile(picture), "JPEG bytes");
}

TEST_F(OwnChannelSessionTest, AFeedIsReadByTheFeedReaderAndKeptWhenTheHostGoes) {
    server_.Serve("/feed.xml", "<rss version=\"2.0\"><channel><title>F</title></channel></rss>");
    const OwnChannel feed{OwnChannel::Kind::Address, server_.Url("/feed.xml"), ""};
    session_.SetOwnChannels({feed});
    int reads = 0;
    session_.SetFeedReader([&](const fs::path& file, std::string_view address) {
        ++reads;
        EXPECT_EQ(address, feed.source);
        EXPECT_NE(ReadFile(file).find("<rss"), std::string::npos);
        ChannelDescription made;
        made.title = "Made from the feed";
        made.images.push_back(Picture("P", server_.Url("/p.jpg?id=1"), {}, "p.jpg"));
        return made;
    });
    ASSERT_TRUE(session_.DownloadControlFile(kOwnChannelBase));
    ASSERT_TRUE(session_.LoadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.controlFile().channel().title, "Made from the feed");
    EXPECT_EQ(reads, 1);

    // A feed that turns bad keeps the channel made before, and says why.
    session_.SetFeedReader([](const fs::path&, std::string_view) -> ChannelDescription {
        throw Error("The feed lists no JPEG pictures.");
    });
    server_.Serve("/feed.xml", "<rss version=\"2.0\"><channel/></rss>");
    EXPECT_TRUE(session_.DownloadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.LastDownloadError(), "The feed lists no JPEG pictures.");
    ASSERT_TRUE(session_.LoadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.controlFile().channel().title, "Made from the feed");
}

TEST_F(OwnChannelSessionTest, AFirstFeedThatCannotBeReadFails) {
    server_.Serve("/page.html", "<html><body>not a feed</body></html>");
    session_.SetOwnChannels({{OwnChannel::Kind::Address, server_.Url("/page.html"), ""}});
    session_.SetFeedReader([](const fs::path&, std::string_view) -> ChannelDescription {
        throw Error("This is not a photo feed.");
    });
    EXPECT_FALSE(session_.DownloadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.LastDownloadError(), "This is not a photo feed.");
    EXPECT_FALSE(session_.LoadControlFile(kOwnChannelBase));
}

// A folder's photos are read where they are; only photos inside the folder,
// and only for a folder the user added, never because a control file says so.
TEST_F(OwnChannelSessionTest, FolderPhotosAreReadInPlaceAndOnlyFromTheirFolder) {
    const fs::path photos = root_.path() / "photos";
    fs::create_directories(photos / "sub");
    WriteFile(photos / "sub" / "a.jpg", "A");
    WriteFile(root_.path() / "secret.jpg", "S");
    const OwnChannel folder{OwnChannel::Kind::Folder, PathText(photos), "Photos"};
    session_.SetOwnChannels({folder});
    session_.SetFolderReader([&](const OwnChannel& channel, const fs::path& cache) {
        EXPECT_EQ(channel, folder);
        EXPECT_EQ(cache, app_ / "cache" / folder.Id());
        ChannelDescription made;
        made.title = "Photos";
        made.images.push_back(Picture("A", "", photos / "sub" / "a.jpg", "a.jpg"));
        made.images.push_back(Picture("Out", "", photos / ".." / "secret.jpg", "s.jpg"));
        made.images.push_back(Picture("Gone", "", photos / "gone.jpg", "g.jpg"));
        return made;
    });
    ASSERT_TRUE(session_.DownloadControlFile(kOwnChannelBase));
    ASSERT_TRUE(session_.LoadControlFile(kOwnChannelBase));
    EXPECT_EQ(session_.ImageFilePath(folder.Id(), 0), photos / "sub" / "a.jpg");
    EXPECT_TRUE(session_.ImageFilePath(folder.Id(), 1).empty());
    EXPECT_EQ(session_.LastDownloadError(), "The photo is not in the channel's folder.");
    EXPECT_TRUE(session_.ImageFilePath(folder.Id(), 2).empty());
    EXPECT_EQ(session_.LastDownloadError(), "The photo is no longer in its folder.");
    // Nothing was copied: the cache holds the made control file alone.
    EXPECT_TRUE(fs::exists(app_ / "cache" / folder.Id() / "Channel.xml"));
    EXPECT_FALSE(fs::exists(app_ / "cache" / folder.Id() / "images"));
    // Its thumbnails are the ones made beside the cache's pictures.
    EXPECT_EQ(session_.ThumbnailPath(0), app_ / "cache" / folder.Id() / "thumbs" / "a.bmp");
}

TEST_F(OwnChannelSessionTest, ADirectoryChannelCannotNameAFileOnTheComputer) {
    const fs::path secret = root_.path() / "secret.jpg";
    WriteFile(secret, "S");
    server_.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS><p><id>evil</id><url>" +
                                        server_.Url("/evil/Channel.xml") +
                                        "</url></p></PROVIDERS></wylo>");
    server_.Serve("/evil/Channel.xml", "<provider><images><i><path>" + PathText(secret) +
                                           "</path><file>x.jpg</file></i></images></provider>");
    ASSERT_TRUE(session_.FetchChannelDirectory());
    ASSERT_TRUE(session_.OpenChannelDirectory());
    ASSERT_TRUE(session_.DownloadControlFile(0));
    ASSERT_TRUE(session_.LoadControlFile(0));
    EXPECT_TRUE(session_.ImageFilePath("evil", 0).empty());
    // Nor can a directory's channel pose as an own folder channel by id.
    session_.SetOwnChannels({{OwnChannel::Kind::Folder, PathText(root_.path()), ""}});
    EXPECT_TRUE(session_.ImageFilePath("evil", 0).empty());
}

}  // namespace
}  // namespace wylo
