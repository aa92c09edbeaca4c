// Runs the built wylo-channel build on real folders of real JPEGs and reads
// the channel back the way Wylo does.

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "RunTool.h"
#include "ToolTestSupport.h"
#include "base/Clock.h"
#include "channels/ChannelSession.h"
#include "channels/ControlFile.h"
#include "channels/HttpClient.h"
#include "compose/Jpeg.h"
#include "support/ExifSegment.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::FramedPhoto;
using test::Near;
using test::ReadFile;
using test::RunResult;
using test::RunTool;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;
using test::WriteJpeg;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

constexpr Colour kDusk = MakeColour(16, 32, 48);
constexpr Colour kSand = MakeColour(235, 228, 205);
constexpr Colour kWine = MakeColour(120, 20, 30);

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class BuildCommandTest : public ::testing::Test {
protected:
    BuildCommandTest() { fs::create_directories(photos_); }

    std::string Base(const std::string& id) const { return server_.Url("/" + id); }

    RunResult Build(const fs::path& photos, const fs::path& out, const std::string& id,
                    std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"build", photos.string(), out.string(), "--id",
                                         id,      "--base-url",    Base(id)};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args);
    }

    // Three photos whose names sort as listed, and a text file.
    void WriteSunsetPhotos() {
        WriteJpeg(photos_ / "Sunset_over-the_Bay.jpg", FramedPhoto(640, 400, 24, kDusk));
        WriteJpeg(photos_ / "beach.jpg", FramedPhoto(300, 500, 20, kSand, 3));
        WriteJpeg(photos_ / "Rock & Roll #1.jpg", FramedPhoto(200, 200, 12, kWine, 5));
        WriteFile(photos_ / "notes.txt", "not a photo");
    }

    TempDir dir_;
    fs::path photos_ = dir_ / "photos";
    fs::path root_ = dir_ / "site";
    TestHttpServer server_;
};

TEST_F(BuildCommandTest, PublishesPhotosSortedByNameWithTitlesAddressesAndColours) {
    WriteSunsetPhotos();
    const fs::path out = root_ / "sunsets";
    const RunResult run = Build(photos_, out, "sunsets",
                                {"--title", "Sun & <Sea>", "--description", "Two\nlines",
                                 "--copyright", "(c) Publisher", "--news", "http://news.example/",
                                 "--legal", "https://legal.example/terms", "--subscription"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(run.lines, ElementsAre(HasSubstr("Channel.xml: 3 images, 1 file skipped")));
    EXPECT_THAT(run.errors, HasSubstr("warning: skipped notes.txt: not a readable JPEG"));
    EXPECT_THAT(run.errors, HasSubstr("[2/4] Sunset_over-the_Bay.jpg: 640 x 400"));

    ControlFile channel;
    ASSERT_TRUE(channel.Load(out / "Channel.xml")) << channel.LoadError();
    EXPECT_EQ(channel.channel().title, "Sun & <Sea>");
    EXPECT_EQ(channel.channel().description, "Two\nlines");
    EXPECT_EQ(channel.channel().copyright, "(c) Publisher");
    EXPECT_EQ(channel.channel().subscription, "1");
    EXPECT_EQ(channel.channel().news, "http://news.example/");
    EXPECT_EQ(channel.channel().legal, "https://legal.example/terms");
    EXPECT_EQ(channel.channel().preview, Base("sunsets") + "/preview.jpg");

    ASSERT_EQ(channel.ImageCount(), 3);
    const std::string base = Base("sunsets");
    EXPECT_EQ(channel.Image(0).title, "Rock & Roll #1");
    EXPECT_EQ(channel.Image(0).loc, base + "/images/Rock%20%26%20Roll%20%231.jpg");
    EXPECT_EQ(channel.Image(0).thumb, base + "/thumbs/Rock%20%26%20Roll%20%231.jpg");
    EXPECT_EQ(channel.Image(1).title, "Sunset over the Bay");
    EXPECT_EQ(channel.Image(1).loc, base + "/images/Sunset_over-the_Bay.jpg");
    EXPECT_EQ(channel.Image(2).title, "beach");
    EXPECT_EQ(channel.Image(2).thumb, base + "/thumbs/beach.jpg");

    // Colours from each photo's border: white captions on dark, black on light.
    const Colour borders[] = {kWine, kDusk, kSand};
    const Colour fonts[] = {kWhite, kWhite, kBlack};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Near(HexToColour(channel.Image(i).background), borders[i], 4)) << i;
        EXPECT_EQ(HexToColour(channel.Image(i).font), fonts[i]) << i;
    }

    // The photos themselves, unchanged; thumbnails and preview Wylo can decode.
    EXPECT_EQ(ReadFile(out / "images" / "beach.jpg"), ReadFile(photos_ / "beach.jpg"));
    const Bitmap wide = DecodeJpegFile(out / "thumbs" / "Sunset_over-the_Bay.jpg");
    EXPECT_EQ(wide.width(), 120);
    EXPECT_EQ(wide.height(), 75);
    const Bitmap tall = DecodeJpegFile(out / "thumbs" / "beach.jpg");
    EXPECT_EQ(tall.width(), 120);
    EXPECT_EQ(tall.height(), 200);
    EXPECT_TRUE(Near(tall.Pixel(0, 0), kSand, 8));
    const Bitmap preview = DecodeJpegFile(out / "preview.jpg");
    EXPECT_EQ(preview.width(), 400);
    EXPECT_EQ(preview.height(), 250);

    // Nothing else, no temporary files left behind.
    EXPECT_THAT(Names(out), UnorderedElementsAre("Channel.xml", "preview.jpg", "images", "thumbs"));
    EXPECT_THAT(Names(out / "images"),
                UnorderedElementsAre("Rock & Roll #1.jpg", "Sunset_over-the_Bay.jpg", "beach.jpg"));
}

TEST_F(BuildCommandTest, PortraitsFromAPhoneAreMeasuredAndThumbnailedUpright) {
    // Stored on its side as a phone's sensor saw it, with the Exif
    // orientation 6 (turn a quarter clockwise): upright it is red and green
    // over blue and white.
    const Colour red = MakeColour(255, 0, 0), green = MakeColour(0, 255, 0),
                 blue = MakeColour(0, 0, 255);
    WriteJpeg(photos_ / "portrait.jpg", test::QuadrantPattern(400, 300, {green, kWhite, red, blue}),
              {.quality = 95, .app1 = test::PhoneExifSegment(6)});
    const fs::path out = root_ / "portraits";
    const RunResult run = Build(photos_, out, "portraits");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_THAT(run.errors, HasSubstr("portrait.jpg: 300 x 400"));

    const Bitmap thumb = DecodeJpegFile(out / "thumbs" / "portrait.jpg");
    ASSERT_EQ(thumb.width(), 120);
    ASSERT_EQ(thumb.height(), 160);
    EXPECT_TRUE(Near(thumb.Pixel(30, 40), red, 12));
    EXPECT_TRUE(Near(thumb.Pixel(90, 40), green, 12));
    EXPECT_TRUE(Near(thumb.Pixel(30, 120), blue, 12));
    EXPECT_TRUE(Near(thumb.Pixel(90, 120), kWhite, 12));
    // The photo is published as it is; Wylo turns it when it decodes it.
    EXPECT_EQ(ReadFile(out / "images" / "portrait.jpg"), ReadFile(photos_ / "portrait.jpg"));
    EXPECT_EQ(DecodeJpegFile(out / "images" / "portrait.jpg").height(), 400);
}

TEST_F(BuildCommandTest, SkipsEveryUnreadableFileAndWritesNothingWithoutPhotos) {
    WriteFile(photos_ / "notes.txt", "not a photo");
    WriteFile(photos_ / "fake.jpg", "GIF89a");
    const std::string whole = test::EncodeJpeg(FramedPhoto(320, 200, 10, kDusk));
    WriteFile(photos_ / "cut.jpg", whole.substr(0, whole.size() / 2));
    WriteFile(photos_ / ".hidden.jpg", whole);
    fs::create_directory(photos_ / "more");
    WriteFile(photos_ / "more" / "deep.jpg", whole);

    const fs::path out = root_ / "empty";
    const RunResult run = Build(photos_, out, "empty");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors,
                AllOf(HasSubstr("skipped cut.jpg: not a readable JPEG"),
                      HasSubstr("skipped fake.jpg: not a readable JPEG"),
                      HasSubstr("skipped notes.txt: not a readable JPEG"),
                      HasSubstr("skipped the folder more"),
                      HasSubstr("No readable JPEG photograph"), Not(HasSubstr("hidden"))));
    EXPECT_FALSE(fs::exists(out / "Channel.xml"));
    EXPECT_FALSE(fs::exists(out / "images"));
}

TEST_F(BuildCommandTest, RebuildingKeepsUnchangedFilesAsTheyWere) {
    WriteSunsetPhotos();
    const fs::path out = root_ / "sunsets";
    ASSERT_EQ(Build(photos_, out, "sunsets").exitCode, 0);

    // Web servers report a file's modification time; an unchanged file must
    // keep it so Wylo does not fetch it again.
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    const std::vector<fs::path> kept = {out / "Channel.xml", out / "preview.jpg",
                                        out / "images" / "beach.jpg", out / "thumbs" / "beach.jpg"};
    for (const fs::path& file : kept) {
        fs::last_write_time(file, old);
    }
    ASSERT_EQ(Build(photos_, out, "sunsets").exitCode, 0);
    for (const fs::path& file : kept) {
        EXPECT_EQ(fs::last_write_time(file), old) << file;
    }

    // A new photo changes the control file but not the other photos.
    WriteJpeg(photos_ / "zebra.jpg", FramedPhoto(100, 80, 4, kWine));
    ASSERT_EQ(Build(photos_, out, "sunsets").exitCode, 0);
    EXPECT_NE(fs::last_write_time(out / "Channel.xml"), old);
    EXPECT_EQ(fs::last_write_time(out / "images" / "beach.jpg"), old);
    ControlFile channel;
    ASSERT_TRUE(channel.Load(out / "Channel.xml"));
    EXPECT_EQ(channel.ImageCount(), 4);
}

TEST_F(BuildCommandTest, RefusesFoldersWhereItWouldOverwritePhotosOrWriteElsewhere) {
    WriteSunsetPhotos();
    const std::string photo = ReadFile(photos_ / "beach.jpg");

    // The channel folder is the photo folder.
    RunResult run = Build(photos_, photos_, "photos");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("must not be the photo folder"));
    EXPECT_FALSE(fs::exists(photos_ / "Channel.xml"));

    // The photos lie where their copies would go.
    const fs::path out = root_ / "sunsets";
    fs::create_directories(out / "images");
    fs::rename(photos_, out / "images" / "new");
    run = Build(out / "images" / "new", out, "sunsets");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("must not lie in the channel's images folder"));
    fs::rename(out / "images" / "new", photos_);
    EXPECT_EQ(ReadFile(photos_ / "beach.jpg"), photo);

    // A link would carry the thumbnails out of the channel folder.
    const fs::path elsewhere = dir_ / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, out / "thumbs");
    run = Build(photos_, out, "sunsets");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.errors, HasSubstr("is a symbolic link"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_FALSE(fs::exists(out / "Channel.xml"));

    // A link in place of a file is replaced, not written through.
    fs::remove(out / "thumbs");
    WriteFile(elsewhere / "keep.txt", "mine");
    fs::create_directories(out / "images");
    fs::create_symlink(elsewhere / "keep.txt", out / "images" / "beach.jpg");
    run = Build(photos_, out, "sunsets");
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(ReadFile(elsewhere / "keep.txt"), "mine");
    EXPECT_FALSE(fs::is_symlink(out / "images" / "beach.jpg"));
    EXPECT_EQ(ReadFile(out / "images" / "beach.jpg"), photo);
}

TEST_F(BuildCommandTest, BadUsageExitsWithTwoBeforeWritingAnything) {
    WriteSunsetPhotos();
    const std::string out = (root_ / "c").string();
    const std::string photos = photos_.string();
    EXPECT_EQ(RunTool({"build", photos, out, "--base-url", Base("c")}).exitCode, 2);  // no id
    EXPECT_EQ(RunTool({"build", photos, out, "--id", "c"}).exitCode, 2);              // no address
    EXPECT_EQ(RunTool({"build", photos, out, "--id", "../c", "--base-url", Base("c")}).exitCode, 2);
    EXPECT_EQ(RunTool({"build", photos, out, "--id", "c", "--base-url", "ftp://h/c"}).exitCode, 2);
    EXPECT_EQ(RunTool({"build", photos, out, "--id", "c", "--base-url", Base("c"), "--news",
                       "file:///etc/passwd"})
                  .exitCode,
              2);
    EXPECT_EQ(
        RunTool({"build", (dir_ / "missing").string(), out, "--id", "c", "--base-url", Base("c")})
            .exitCode,
        2);
    EXPECT_FALSE(fs::exists(root_));

    const RunResult help = RunTool({"build", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.lines, testing::Contains(HasSubstr("Exit status")));
}

TEST_F(BuildCommandTest, PublishedChannelsPassCheckAndEveryFileDownloads) {
    WriteSunsetPhotos();
    ASSERT_EQ(Build(photos_, root_ / "sunsets", "sunsets", {"--title", "Sunsets"}).exitCode, 0);
    const fs::path coast = dir_ / "coast-photos";
    fs::create_directory(coast);
    WriteJpeg(coast / "Cliffs_at-dawn.jpg", FramedPhoto(480, 300, 10, kSand));
    ASSERT_EQ(Build(coast, root_ / "coast", "coast", {"--title", "Coast"}).exitCode, 0);
    const RunResult listing = RunTool({"directory", root_.string(), "--base-url", server_.Url(""),
                                       "--news", server_.Url("/news.html")});
    ASSERT_EQ(listing.exitCode, 0) << listing.errors;
    test::ServeTree(server_, root_);

    const RunResult check = RunTool({"check", server_.Url("/wylo/wylo.xml")});
    EXPECT_EQ(check.exitCode, 0) << check.errors;
    ASSERT_EQ(check.lines.size(), 7u);
    EXPECT_EQ(check.lines[0], "news " + server_.Url("/news.html"));
    EXPECT_EQ(check.lines[1], "channel 0 id=coast title=Coast images=1");
    EXPECT_THAT(check.lines[2], AllOf(HasSubstr("image 0 title=Cliffs at dawn loc=" +
                                                Base("coast") + "/images/Cliffs_at-dawn.jpg"),
                                      HasSubstr("font=#000000")));
    EXPECT_EQ(check.lines[3], "channel 1 id=sunsets title=Sunsets images=3");
    EXPECT_THAT(check.lines[4], HasSubstr("image 0 title=Rock & Roll #1 loc="));

    // Wylo's own session fetches every picture the control file names.
    TempDir app;
    HttpClient client;
    ChannelSession session(client, Clock::System(), app.path(), server_.Url("/wylo/wylo.xml"));
    ASSERT_TRUE(session.FetchChannelDirectory());
    ASSERT_TRUE(session.OpenChannelDirectory());
    ASSERT_TRUE(session.DownloadControlFile(1));
    ASSERT_TRUE(session.LoadControlFile(1));
    ASSERT_EQ(session.controlFile().ImageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const fs::path image = session.ImageFilePath("sunsets", i);
        ASSERT_FALSE(image.empty()) << i;
        EXPECT_NO_THROW(DecodeJpegFile(image)) << image;
        const fs::path thumb = session.FetchThumbnail(i);
        ASSERT_FALSE(thumb.empty()) << i;
        EXPECT_EQ(DecodeJpegFile(thumb).width(), 120);
    }
    const fs::path preview = session.FetchPreview(session.controlFile().channel().preview);
    ASSERT_FALSE(preview.empty());
    EXPECT_EQ(DecodeJpegFile(preview).width(), 400);
}

}  // namespace
}  // namespace wylo
