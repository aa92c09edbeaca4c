// wylo-channel check and render given one channel instead of a directory: a
// real feed served on loopback, another host's control file, a real folder
// of real JPEGs. The tool reads them as Wylo reads a channel the user adds.

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ToolTestSupport.h"
#include "channels/OwnChannels.h"
#include "compose/BmpFile.h"
#include "support/JpegWriter.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::Near;
using test::ReadFile;
using test::RunResult;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr Colour kSea = MakeColour(20, 90, 200);
constexpr Colour kSand = MakeColour(220, 190, 120);

// Every file under root with its content.
std::map<fs::path, std::string> Snapshot(const fs::path& root) {
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = ReadFile(entry.path());
        }
    }
    return files;
}

Bitmap Flat(std::int32_t width, std::int32_t height, Colour colour) {
    Bitmap picture(width, height);
    picture.Fill(colour);
    return picture;
}

class FeedAndFolderCommandTest : public ::testing::Test {
protected:
    // Serves the real feed name at path, as the service sent it.
    void ServeFeed(const std::string& path, const char* name) {
        server_.Serve(path, ReadFile(fs::path(WYLO_FEEDS_DIR) / name));
    }

    // A folder of photos: two JPEGs (one in a subfolder), and files that are
    // no JPEG photos.
    fs::path MakePhotoFolder() {
        const fs::path folder = photos_ / "Holiday";
        fs::create_directories(folder / "day 2");
        test::WriteJpeg(folder / "beach.jpg", Flat(64, 48, kSand));
        test::WriteJpeg(folder / "day 2" / "sea.JPEG", Flat(48, 64, kSea));
        WriteFile(folder / "broken.jpg", "not a JPEG at all");
        WriteFile(folder / "notes.txt", "packing list");
        return folder;
    }

    // Runs the tool with its temporary files under tmp_.
    RunResult Run(const std::vector<std::string>& args) {
        return test::RunProgram(WYLO_CHANNEL_EXE, args, {{"TMPDIR", tmp_.path().string()}});
    }

    std::string Out() const { return (out_ / "desktop.bmp").string(); }

    TestHttpServer server_;
    TempDir photos_;
    TempDir out_;
    TempDir tmp_;
};

TEST_F(FeedAndFolderCommandTest, CheckListsAFeedAsWyloMakesIt) {
    ServeFeed("/feeds/flickr.xml", "flickr-rss200-mrss-user-2011.xml");
    const RunResult run = Run({"check", server_.Url("/feeds/flickr.xml")});

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 21u);
    EXPECT_EQ(run.lines[0], "channel own title=Uploads from Ole Bj\xC3\xB8rn Michelsen images=20");
    EXPECT_EQ(run.lines[1],
              "  image 0 title=Moonrise "
              "loc=http://farm7.staticflickr.com/6153/6167590028_a32b2b2c95_b.jpg "
              "thumb=http://farm7.staticflickr.com/6153/6167590028_a32b2b2c95_s.jpg background= "
              "font= credit=Ole Bj\xC3\xB8rn Michelsen width=1024 height=683");
    EXPECT_THAT(
        run.lines[9],
        AllOf(StartsWith("  image 8 title=H\xC3\xB8sts\xC3\xA6son "
                         "loc=http://farm5.staticflickr.com/4052/4355183127_a9c674b028_z.jpg "),
              EndsWith(" width=640 height=426")));
    // The temporary cache is gone afterwards.
    EXPECT_TRUE(fs::is_empty(tmp_.path()));
}

TEST_F(FeedAndFolderCommandTest, CheckReadsARelativeArchiveAnotherHostsControlFileAndRefusals) {
    // Picture addresses relative to the host that served the archive.
    ServeFeed("/HPImageArchive.xml", "bing-hpimagearchive-2016.xml");
    RunResult run = Run({"check", server_.Url("/HPImageArchive.xml")});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(run.lines,
                ElementsAre("channel own title=127.0.0.1 images=1",
                            "  image 0 title=Castelmezzano, Italy loc=" +
                                server_.Url("/az/hprichbg/rb/"
                                            "Castelmezzano_EN-US11750585825_1366x768.jpg") +
                                " thumb= background= font= credit=\xC2\xA9 Federico "
                                "Ravassard/500px"));
    // Listing fetches no picture.
    for (const TestHttpServer::LoggedRequest& request : server_.Requests()) {
        EXPECT_EQ(request.path, "/HPImageArchive.xml");
    }

    // A control file published on its own is one channel too.
    server_.Serve("/other/Channel.xml",
                  "<provider><title>Other host</title><images><image><title>One</title>"
                  "<loc>http://h/one.jpg</loc></image></images></provider>");
    run = Run({"check", server_.Url("/other/Channel.xml")});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(run.lines, ElementsAre("channel own title=Other host images=1",
                                       "  image 0 title=One loc=http://h/one.jpg thumb= "
                                       "background= font="));

    // A channel without pictures is listed but fails the check.
    server_.Serve("/empty/Channel.xml", "<provider><title>Bare</title></provider>");
    run = Run({"check", server_.Url("/empty/Channel.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.lines, ElementsAre("channel own title=Bare images=0"));

    server_.Serve("/words.xml",
                  "<rss version=\"2.0\"><channel><title>W</title><item><title>Only words</title>"
                  "</item></channel></rss>");
    run = Run({"check", server_.Url("/words.xml")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.lines,
                ElementsAre("channel own unavailable: The feed lists no JPEG pictures."));
}

TEST_F(FeedAndFolderCommandTest, CheckListsAFolderWithItsSubfoldersAndWritesNothingInIt) {
    const fs::path folder = MakePhotoFolder();
    const auto before = Snapshot(photos_.path());
    const RunResult run = Run({"check", folder.string()});

    EXPECT_EQ(run.exitCode, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 3u) << run.errors;
    EXPECT_EQ(run.lines[0], "channel own title=Holiday images=2");
    // Colours from the photo's border, its size and where it is.
    EXPECT_THAT(run.lines[1],
                AllOf(StartsWith("  image 0 title=beach loc= thumb= background=#"),
                      ContainsRegex("background=#[0-9A-F]{6} font=#[0-9A-F]{6} "),
                      EndsWith(" width=64 height=48 path=" + (folder / "beach.jpg").string())));
    EXPECT_THAT(run.lines[2], AllOf(StartsWith("  image 1 title=sea loc= thumb= "),
                                    EndsWith(" width=48 height=64 path=" +
                                             (folder / "day 2" / "sea.JPEG").string())));
    EXPECT_EQ(Snapshot(photos_.path()), before);
    EXPECT_TRUE(fs::is_empty(tmp_.path()));

    // A folder without photos has nothing to offer.
    const fs::path empty = photos_ / "empty";
    fs::create_directories(empty);
    const RunResult none = Run({"check", empty.string()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_THAT(none.lines, ElementsAre("channel own unavailable: The folder " + empty.string() +
                                        " holds no JPEG photos."));
}

TEST_F(FeedAndFolderCommandTest, WhatIsNeitherAnAddressNorAFolderIsRefusedClearly) {
    const fs::path missing = photos_ / "not here";
    WriteFile(photos_ / "photo.jpg", "a file");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {missing.string(), "there is no folder " + missing.string()},
        {(photos_ / "photo.jpg").string(), "is not a folder of photos"},
        {"file://" + photos_.path().string(), "only http and https addresses are read"},
        {"ftp://127.0.0.1/feed.xml", "only http and https addresses are read"},
    };
    for (const auto& [given, why] : refused) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"check", given},
              std::vector<std::string>{"render", given, "--monitor", "8x8+0+0", "--out", Out()}}) {
            const RunResult run = Run(args);
            EXPECT_EQ(run.exitCode, 2) << args[0] << " " << given;
            EXPECT_THAT(run.errors, HasSubstr(why)) << args[0] << " " << given;
            EXPECT_THAT(run.lines, IsEmpty());
        }
    }
    EXPECT_FALSE(fs::exists(Out()));
}

TEST_F(FeedAndFolderCommandTest, RenderDrawsAFeedsPicture) {
    ServeFeed("/HPImageArchive.xml", "bing-hpimagearchive-2016.xml");
    server_.Serve("/az/hprichbg/rb/Castelmezzano_EN-US11750585825_1366x768.jpg",
                  test::EncodeJpeg(Flat(96, 54, kSea)));
    const RunResult run = Run({"render", server_.Url("/HPImageArchive.xml"), "--monitor",
                               "96x54+0+0", "--image", "0", "--out", Out()});

    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(
        run.lines,
        ElementsAre("Downloading Castelmezzano, Italy", "Converting Castelmezzano, Italy to BMP",
                    "Positioning Castelmezzano, Italy", "image 0 0", "current 0"));
    const Bitmap desktop = ReadBmpFile(Out());
    ASSERT_EQ(desktop.width(), 96);
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{48, 27}, std::pair{93, 51}}) {
        EXPECT_TRUE(Near(desktop.Pixel(x, y), kSea, 6)) << x << "," << y;
    }
    EXPECT_TRUE(fs::is_empty(tmp_.path()));
}

TEST_F(FeedAndFolderCommandTest, RenderDrawsAFolderPhotoAndLeavesTheFolderAlone) {
    const fs::path folder = MakePhotoFolder();
    const auto before = Snapshot(photos_.path());
    TempDir cache;
    const RunResult run = Run({"render", folder.string(), "--monitor", "48x64+0+0", "--image", "1",
                               "--cache", cache.path().string(), "--out", Out()});

    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.lines.back(), "current 1");
    const Bitmap desktop = ReadBmpFile(Out());
    ASSERT_EQ(desktop.height(), 64);
    EXPECT_TRUE(Near(desktop.Pixel(24, 32), kSea, 6));
    EXPECT_TRUE(Near(desktop.Pixel(1, 1), kSea, 6));
    // The photo's conversion and thumbnail are the cache's; the folder is as
    // it was.
    EXPECT_EQ(Snapshot(photos_.path()), before);
    const std::string id = OwnChannel{OwnChannel::Kind::Folder, folder.string(), ""}.Id();
    EXPECT_TRUE(fs::exists(cache / "cache" / id / "Channel.xml"));
    EXPECT_TRUE(fs::exists(cache / "cache" / id / "images" / "sea.bmp"));
}

TEST_F(FeedAndFolderCommandTest, ChannelGoesWithADirectoryOnly) {
    ServeFeed("/feeds/flickr.xml", "flickr-rss200-mrss-user-2011.xml");
    RunResult run = Run({"render", server_.Url("/feeds/flickr.xml"), "--channel", "0", "--monitor",
                         "8x8+0+0", "--out", Out()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.errors, HasSubstr("is a photo feed, drawn as one channel without --channel"));
    EXPECT_THAT(run.lines, IsEmpty());

    const fs::path folder = MakePhotoFolder();
    run =
        Run({"render", folder.string(), "--channel", "0", "--monitor", "8x8+0+0", "--out", Out()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.errors, HasSubstr("is a folder, drawn as one channel without --channel"));

    // A directory needs its channel named; only the directory was fetched.
    server_.Serve("/wylo.xml", "<wylo><PROVIDERS><p><id>x</id><url>" +
                                   server_.Url("/x/Channel.xml") + "</url></p></PROVIDERS></wylo>");
    server_.ClearRequests();
    run = Run({"render", server_.Url("/wylo.xml"), "--monitor", "8x8+0+0", "--out", Out()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.errors, HasSubstr("is a channel directory: --channel picks its channel"));
    ASSERT_EQ(server_.Requests().size(), 1u);
    EXPECT_EQ(server_.Requests()[0].path, "/wylo.xml");
    EXPECT_FALSE(fs::exists(Out()));
}

}  // namespace
}  // namespace wylo
