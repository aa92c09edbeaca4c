#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/Error.h"
#include "channels/ChannelSession.h"
#include "channels/HttpClient.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;

// Every regular file below root, relative to it.
std::vector<std::string> FilesBelow(const fs::path& root) {
    std::vector<std::string> files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files.push_back(fs::relative(e.path(), root).generic_string());
        }
    }
    return files;
}

class ChannelSessionTest : public ::testing::Test {
protected:
    ChannelSessionTest()
        : app_(root_ / "app"),
          session_(client_, Clock::System(), app_, server_.Url("/wylo/wylo.xml")) {}

    // A directory of the given channel entries (inner XML of PROVIDERS).
    void ServeDirectory(const std::string& providers) {
        server_.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS>" + providers + "</PROVIDERS></wylo>");
    }

    std::string Entry(const std::string& id, const std::string& path) {
        return "<p><id>" + id + "</id><url>" + server_.Url(path) + "</url></p>";
    }

    // Fetches and opens the directory served.
    void OpenDirectory() {
        ASSERT_TRUE(session_.FetchChannelDirectory());
        ASSERT_TRUE(session_.OpenChannelDirectory());
    }

    // The alps channel as channel 0 with its control file loaded.
    void OpenAlps(const std::string& images) {
        ServeDirectory(Entry("alps", "/alps/Channel.xml"));
        server_.Serve("/alps/Channel.xml",
                      "<provider><title>Alps</title><images>" + images + "</images></provider>");
        OpenDirectory();
        ASSERT_TRUE(session_.DownloadControlFile(0));
        ASSERT_TRUE(session_.LoadControlFile(0));
    }

    TempDir root_;
    fs::path app_;
    TestHttpServer server_;
    HttpClient client_;
    ChannelSession session_;
};

TEST(ChannelDirectoryUrlTest, ConfiguredWebAddressOverridesTheBuiltInOne) {
    EXPECT_EQ(ChannelDirectoryUrl(std::nullopt), kDefaultChannelDirectoryUrl);
    EXPECT_EQ(ChannelDirectoryUrl("https://channels.example.org/wylo/wylo.xml"),
              "https://channels.example.org/wylo/wylo.xml");
    EXPECT_EQ(ChannelDirectoryUrl("HTTP://host/w.xml"), "HTTP://host/w.xml");
}

TEST(ChannelDirectoryUrlTest, AnythingButHttpOrHttpsFallsBackToTheBuiltInOne) {
    for (const char* bad : {"", "file:///etc/passwd", "ftp://host/wylo.xml", "wylo.xml", "http://",
                            "javascript:alert(1)"}) {
        EXPECT_EQ(ChannelDirectoryUrl(std::string(bad)), kDefaultChannelDirectoryUrl) << bad;
    }
}

TEST_F(ChannelSessionTest, FetchedDirectoryLandsInAppFolderWhateverTheAddress) {
    ChannelSession other(client_, Clock::System(), app_, server_.Url("/elsewhere/list.xml"));
    server_.Serve("/elsewhere/list.xml", "<wylo><PROVIDERS><p><id>a</id></p></PROVIDERS></wylo>");
    ASSERT_TRUE(other.FetchChannelDirectory());
    EXPECT_EQ(other.DirectoryPath(), app_ / "wylo.xml");
    ASSERT_TRUE(other.OpenChannelDirectory());
    EXPECT_EQ(other.directory().ChannelCount(), 1);
    EXPECT_EQ(FilesBelow(root_.path()), std::vector<std::string>{"app/wylo.xml"});
}

TEST_F(ChannelSessionTest, NoDirectoryCopyMeansFetchAndOpenFail) {
    EXPECT_FALSE(session_.FetchChannelDirectory());
    EXPECT_FALSE(session_.OpenChannelDirectory());
    EXPECT_FALSE(session_.directory().IsOpen());
}

TEST_F(ChannelSessionTest, CachedDirectoryIsUsedWhenTheServerLosesIt) {
    ServeDirectory(Entry("alps", "/alps/Channel.xml"));
    OpenDirectory();
    server_.Remove("/wylo/wylo.xml");
    EXPECT_TRUE(session_.FetchChannelDirectory());
    ASSERT_TRUE(session_.OpenChannelDirectory());
    EXPECT_EQ(session_.directory().Channel(0).id, "alps");
}

TEST_F(ChannelSessionTest, MalformedDirectoryThrowsWhenOpened) {
    server_.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS>");
    ASSERT_TRUE(session_.FetchChannelDirectory());
    EXPECT_THROW(session_.OpenChannelDirectory(), Error);
    EXPECT_FALSE(session_.directory().IsOpen());
}

TEST_F(ChannelSessionTest, ControlFileIsFetchedIntoTheChannelCacheAndLoaded) {
    ServeDirectory(Entry("sea", "/sea/Channel.xml") + Entry("alps", "/alps/Channel.xml"));
    server_.Serve("/alps/Channel.xml", "<provider><title>Alps</title></provider>");
    OpenDirectory();
    ASSERT_TRUE(session_.DownloadControlFile(1));
    EXPECT_EQ(session_.selectedChannelId(), "alps");
    EXPECT_EQ(ReadFile(app_ / "cache" / "alps" / "Channel.xml"),
              "<provider><title>Alps</title></provider>");
    ASSERT_TRUE(session_.LoadControlFile(1));
    EXPECT_EQ(session_.controlFile().channel().title, "Alps");
}

TEST_F(ChannelSessionTest, ChannelListLeavesOutChannelsThatCannotBeFetchedOrLoaded) {
    ServeDirectory(Entry("alps", "/alps/Channel.xml") + Entry("gone", "/gone/Channel.xml") +
                   Entry("../up", "/up/Channel.xml") + Entry("bad", "/bad/Channel.xml") +
                   Entry("sea", "/sea/Channel.xml") + Entry("last", "/last/Channel.xml"));
    server_.Serve("/alps/Channel.xml", "<provider><title>Alps</title></provider>");
    server_.Serve("/up/Channel.xml", "<provider><title>Up</title></provider>");
    server_.Serve("/bad/Channel.xml", "<provider><title>Bad</provider>");
    server_.Serve("/sea/Channel.xml", "<provider><title>Sea</title></provider>");
    OpenDirectory();

    using Entry = ChannelSession::ChannelListEntry;
    EXPECT_EQ(session_.BuildChannelList(), (std::vector<Entry>{{"Alps", 0}, {"Sea", 4}}));
    EXPECT_EQ(server_.Count("GET", "/up/Channel.xml"), 0);
    // The selection follows the last channel fetched, the document the last one loaded.
    EXPECT_EQ(session_.selectedChannelId(), "last");
    EXPECT_EQ(session_.controlFile().channel().title, "Sea");
}

TEST_F(ChannelSessionTest, FailedControlFileDownloadStillSelectsTheChannel) {
    ServeDirectory(Entry("sea", "/sea/Channel.xml"));
    OpenDirectory();
    EXPECT_FALSE(session_.DownloadControlFile(0));
    EXPECT_EQ(session_.selectedChannelId(), "sea");
    EXPECT_FALSE(session_.LoadControlFile(0));
}

TEST_F(ChannelSessionTest, ChannelIndexOutsideTheDirectory) {
    ServeDirectory(Entry("alps", "/alps/Channel.xml"));
    OpenDirectory();
    EXPECT_THROW(session_.DownloadControlFile(1), Error);
    EXPECT_THROW(session_.DownloadControlFile(-1), Error);
    EXPECT_FALSE(session_.LoadControlFile(1));
    EXPECT_FALSE(session_.LoadControlFile(-1));
}

TEST_F(ChannelSessionTest, FailedLoadClosesThePreviousControlFile) {
    ServeDirectory(Entry("alps", "/alps/Channel.xml") + Entry("sea", "/sea/Channel.xml"));
    server_.Serve("/alps/Channel.xml", "<provider><title>Alps</title></provider>");
    server_.Serve("/sea/Channel.xml", "<provider><title>Sea</provider>");
    OpenDirectory();
    ASSERT_TRUE(session_.DownloadControlFile(0));
    ASSERT_TRUE(session_.LoadControlFile(0));
    ASSERT_TRUE(session_.DownloadControlFile(1));
    EXPECT_FALSE(session_.LoadControlFile(1));
    EXPECT_FALSE(session_.controlFile().IsLoaded());
    EXPECT_EQ(session_.controlFile().channel().title, "");
}

TEST_F(ChannelSessionTest, UnsafeChannelIdsAreNeverFetchedNorWrittenOutsideTheAppFolder) {
    const std::vector<std::string> ids = {"../x", "../../x", "a/b", "a\\b", "..", ".",
                                          "C:",   "",        "nul", "x.",   "x "};
    std::string entries;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string path = "/c" + std::to_string(i) + "/Channel.xml";
        server_.Serve(path, "<provider><title>evil</title></provider>");
        entries += Entry(ids[i], path);
    }
    ServeDirectory(entries);
    OpenDirectory();
    // A well-formed control file where ".." would lead a careless path.
    WriteFile(app_ / "Channel.xml", "<provider><title>planted</title></provider>");
    server_.ClearRequests();

    for (std::size_t i = 0; i < ids.size(); ++i) {
        session_.setSelectedChannelId("previous");
        EXPECT_FALSE(session_.DownloadControlFile(static_cast<int>(i))) << ids[i];
        EXPECT_EQ(session_.selectedChannelId(), "") << ids[i];
        EXPECT_FALSE(session_.LoadControlFile(static_cast<int>(i))) << ids[i];
        EXPECT_TRUE(session_.CacheFolder(ids[i]).empty()) << ids[i];
    }
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_EQ(FilesBelow(root_.path()),
              (std::vector<std::string>{"app/Channel.xml", "app/wylo.xml"}));
}

TEST_F(ChannelSessionTest, ControlFileAddressOtherThanHttpIsNotFetched) {
    WriteFile(root_ / "secret.xml", "<provider><title>secret</title></provider>");
    ServeDirectory("<p><id>local</id><url>file://" + (root_ / "secret.xml").string() +
                   "</url></p>");
    OpenDirectory();
    EXPECT_FALSE(session_.DownloadControlFile(0));
    EXPECT_FALSE(fs::exists(app_ / "cache" / "local" / "Channel.xml"));
}

TEST_F(ChannelSessionTest, ImageIsFetchedIntoTheImagesFolderOfTheChannel) {
    OpenAlps("<i><loc>" + server_.Url("/alps/img/one.jpg") + "</loc></i>");
    server_.Serve("/alps/img/one.jpg", "JPEG");
    const fs::path path = session_.ImageFilePath("alps", 0);
    EXPECT_EQ(path, app_ / "cache" / "alps" / "images" / "one.jpg");
    EXPECT_EQ(ReadFile(path), "JPEG");
}

TEST_F(ChannelSessionTest, ImageFilePathIsEmptyWhenThereIsNothingSafeToFetch) {
    OpenAlps("<i><loc>" + server_.Url("/alps/img/one.jpg") + "</loc></i>" +  // 0
             "<i><title>no loc</title></i>" +                                // 1
             "<i><loc>" + server_.Url("/alps/img/") + "</loc></i>" +         // 2
             "<i><loc>" + server_.Url("/alps/img/..") + "</loc></i>" +       // 3
             "<i><loc>" + server_.Url("/alps/img/a:b.jpg") + "</loc></i>" +  // 4
             "<i><loc>" + server_.Url("/alps/img/missing.jpg") + "</loc></i>");
    server_.Serve("/alps/img/one.jpg", "JPEG");
    server_.ClearRequests();

    EXPECT_TRUE(session_.ImageFilePath("alps", -1).empty());
    EXPECT_TRUE(session_.ImageFilePath("alps", 1).empty());
    EXPECT_TRUE(session_.ImageFilePath("alps", 2).empty());
    EXPECT_TRUE(session_.ImageFilePath("alps", 3).empty());
    EXPECT_TRUE(session_.ImageFilePath("alps", 4).empty());
    EXPECT_TRUE(session_.ImageFilePath("alps", 99).empty());
    EXPECT_TRUE(session_.ImageFilePath("../alps", 0).empty());
    EXPECT_TRUE(server_.Requests().empty());

    EXPECT_TRUE(session_.ImageFilePath("alps", 5).empty());
    EXPECT_EQ(server_.Count("GET", "/alps/img/missing.jpg"), 1);
}

TEST_F(ChannelSessionTest, ThumbnailsAndPreviewLieInTheSelectedChannelsCache) {
    OpenAlps("<i><thumb>" + server_.Url("/alps/th/one.jpg") + "</thumb></i><i/>");
    server_.Serve("/alps/th/one.jpg", "THUMB");
    server_.Serve("/alps/preview.jpg", "PREVIEW");
    const fs::path cache = app_ / "cache" / "alps";

    EXPECT_EQ(session_.ThumbnailPath(0), cache / "thumbs" / "one.jpg");
    EXPECT_TRUE(session_.ThumbnailPath(1).empty());
    EXPECT_EQ(session_.FetchThumbnail(0), cache / "thumbs" / "one.jpg");
    EXPECT_EQ(ReadFile(cache / "thumbs" / "one.jpg"), "THUMB");
    EXPECT_TRUE(session_.FetchThumbnail(1).empty());

    EXPECT_EQ(session_.FetchPreview(server_.Url("/alps/preview.jpg")), cache / "preview.jpg");
    EXPECT_EQ(ReadFile(cache / "preview.jpg"), "PREVIEW");
}

TEST_F(ChannelSessionTest, PreviewNamedLikeTheCachesOwnEntriesIsRefused) {
    OpenAlps("");
    server_.Serve("/alps/Channel.XML", "<provider><title>replaced</title></provider>");
    server_.ClearRequests();
    for (const char* path : {"/alps/Channel.XML", "/alps/images", "/alps/Thumbs", "/alps/"}) {
        EXPECT_TRUE(session_.FetchPreview(server_.Url(path)).empty()) << path;
    }
    EXPECT_TRUE(server_.Requests().empty());
    ASSERT_TRUE(session_.LoadControlFile(0));
    EXPECT_EQ(session_.controlFile().channel().title, "Alps");
}

TEST_F(ChannelSessionTest, NoSelectedChannelMeansNoThumbnailOrPreviewPath) {
    OpenAlps("<i><thumb>" + server_.Url("/alps/th/one.jpg") + "</thumb></i>");
    session_.setSelectedChannelId("");
    EXPECT_TRUE(session_.ThumbnailPath(0).empty());
    EXPECT_TRUE(session_.PreviewPath(server_.Url("/alps/preview.jpg")).empty());
}

}  // namespace
}  // namespace wylo
