// A folder of photos as a channel, on real folders of real JPEG files: what
// is listed, in which order, under which names, what a rescan reads again,
// and that only the cache is written.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Colour.h"
#include "base/Error.h"
#include "base/PathText.h"
#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"
#include "compose/BmpFile.h"
#include "compose/PhotoPicture.h"
#include "session/PhotoFolder.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

constexpr Colour kDarkBlue = MakeColour(16, 32, 96);
constexpr Colour kPaper = MakeColour(235, 228, 205);

// A photo framed by a solid border, written as a real JPEG.
void Photo(const fs::path& path, std::int32_t width, std::int32_t height,
           Colour border = kDarkBlue) {
    fs::create_directories(path.parent_path());
    Bitmap photo = test::PhotoPattern(width, height, 3);
    const std::int32_t band = std::max(2, std::min(width, height) / 10);
    photo.Fill({0, 0, width, band}, border);
    photo.Fill({0, height - band, width, height}, border);
    photo.Fill({0, 0, band, height}, border);
    photo.Fill({width - band, 0, width, height}, border);
    test::WriteJpeg(path, photo);
}

bool Near(Colour a, Colour b, int tolerance) {
    const auto off = [](int x, int y) { return std::abs(x - y); };
    return off(RedOf(a), RedOf(b)) <= tolerance && off(GreenOf(a), GreenOf(b)) <= tolerance &&
           off(BlueOf(a), BlueOf(b)) <= tolerance;
}

std::vector<std::string> Titles(const ChannelDescription& channel) {
    std::vector<std::string> titles;
    for (const ChannelPicture& image : channel.images) {
        titles.push_back(image.title);
    }
    return titles;
}

const ChannelPicture* Find(const ChannelDescription& channel, const fs::path& path) {
    for (const ChannelPicture& image : channel.images) {
        if (image.path == path) {
            return &image;
        }
    }
    return nullptr;
}

// Every file under root with its size and time.
std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(const fs::path& root) {
    std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && !entry.is_symlink()) {
            files[entry.path()] = {entry.file_size(), entry.last_write_time()};
        }
    }
    return files;
}

// A link to a folder; false where the system does not let the test make one.
bool LinkFolder(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_directory_symlink(target, link, ec);
    return !ec;
}

class PhotoFolderTest : public ::testing::Test {
protected:
    fs::path Photos() const { return dir_ / "photos"; }
    fs::path Cache() const { return dir_ / "cache" / "folder-channel"; }

    PhotoFolderScan Scan(const ChannelDescription& previous = {}) {
        return ScanPhotoFolder(Photos(), Cache(), previous);
    }

    // The way the program keeps a scan between runs: as the control file.
    ChannelDescription ThroughControlFile(const ChannelDescription& channel) {
        const fs::path file = dir_ / "Channel.xml";
        WriteFile(file, MadeControlFileText(channel));
        ControlFile controlFile;
        EXPECT_TRUE(controlFile.Load(file)) << controlFile.LoadError();
        return controlFile.channel();
    }

    TempDir dir_;
};

TEST_F(PhotoFolderTest, ListsEveryDecodableJpegInSubfoldersInCaseInsensitiveOrder) {
    Photo(Photos() / "b_harbour-at-dawn.JPEG", 400, 300);
    Photo(Photos() / "A.jpg", 300, 400, kPaper);
    Photo(Photos() / "Cliffs" / "c.Jpg", 200, 100);
    Photo(Photos() / "cliffs2" / "deep" / "er" / "d.jpg", 160, 90);
    Photo(Photos() / ".hidden.jpg", 64, 48);
    Photo(Photos() / ".cache" / "thumbnail.jpg", 64, 48);
    WriteFile(Photos() / "notes.txt", "not a photo");
    WriteFile(Photos() / "picture.png", "\x89PNG\r\n");
    WriteFile(Photos() / "renamed.jpg", "GIF89a this is no JPEG");
    const std::string whole = test::EncodeJpeg(test::PhotoPattern(200, 200));
    WriteFile(Photos() / "cut.jpg", whole.substr(0, 40));
    int calls = 0;
    int lastTotal = 0;
    const PhotoFolderScan scan =
        ScanPhotoFolder(Photos(), Cache(), {}, {}, [&](int done, int total) {
            EXPECT_EQ(done, ++calls);
            lastTotal = total;
        });

    EXPECT_FALSE(scan.cancelled);
    EXPECT_FALSE(scan.truncated);
    EXPECT_EQ(scan.undecodable, 2);
    EXPECT_EQ(lastTotal, 6);  // every JPEG name is tried
    EXPECT_EQ(scan.channel.title, "photos");
    EXPECT_EQ(Titles(scan.channel), (std::vector<std::string>{"A", "b harbour at dawn", "c", "d"}));
    const ChannelPicture& tall = scan.channel.images[0];
    EXPECT_EQ(tall.path, Photos() / "A.jpg");
    EXPECT_TRUE(tall.loc.empty());
    EXPECT_EQ(tall.width, 300);
    EXPECT_EQ(tall.height, 400);
    EXPECT_TRUE(Near(HexToColour(tall.background), kPaper, 4)) << tall.background;
    EXPECT_EQ(tall.font, "#000000");
    const ChannelPicture& wide = scan.channel.images[1];
    EXPECT_TRUE(Near(HexToColour(wide.background), kDarkBlue, 4)) << wide.background;
    EXPECT_EQ(wide.font, "#FFFFFF");
    EXPECT_EQ(scan.channel.images[3].path, Photos() / "cliffs2" / "deep" / "er" / "d.jpg");

    for (const ChannelPicture& image : scan.channel.images) {
        EXPECT_FALSE(image.stamp.empty());
        const Bitmap thumb = ReadBmpFile(PhotoThumbnailPath(Cache(), image.file));
        EXPECT_EQ((Size{thumb.width(), thumb.height()}), ThumbnailSize({image.width, image.height}))
            << image.file;
    }
    EXPECT_EQ(PhotoThumbnailPath(Cache(), tall.file), Cache() / "thumbs" / "A.bmp");
}

TEST_F(PhotoFolderTest, LargePhotosAreReducedWhileDecodedAndKeepTheirBorderColour) {
    Photo(Photos() / "large.jpg", 2400, 1600, kPaper);
    const PhotoFolderScan scan = Scan();
    ASSERT_EQ(scan.channel.images.size(), 1u);
    const ChannelPicture& image = scan.channel.images[0];
    EXPECT_EQ(image.width, 2400);
    EXPECT_EQ(image.height, 1600);
    EXPECT_TRUE(Near(HexToColour(image.background), kPaper, 4)) << image.background;
    const Bitmap thumb = ReadBmpFile(PhotoThumbnailPath(Cache(), image.file));
    EXPECT_EQ((Size{thumb.width(), thumb.height()}), (Size{120, 80}));
    EXPECT_TRUE(Near(thumb.Pixel(1, 1), kPaper, 6));
}

TEST_F(PhotoFolderTest, NamesThatClashOrDifferOnlyByFolderGetUniqueCacheNames) {
    Photo(Photos() / "sea.jpg", 64, 48);
    // Only where the file system tells the two apart.
    const bool caseSensitive = !fs::exists(Photos() / "SEA.JPG");
    if (caseSensitive) {
        Photo(Photos() / "SEA.JPG", 64, 48);
    }
    Photo(Photos() / "2024" / "sea.jpg", 64, 48);
    Photo(Photos() / "2025" / "Sea.jpeg", 64, 48);
    Photo(Photos() / "odd name #1.jpg", 64, 48);
    const PhotoFolderScan scan = Scan();
    ASSERT_EQ(scan.channel.images.size(), caseSensitive ? 5u : 4u);
    std::set<std::string> names;
    for (const ChannelPicture& image : scan.channel.images) {
        EXPECT_TRUE(names.insert(UpperAscii(image.file)).second) << image.file;
        EXPECT_TRUE(IsSafeName(image.file)) << image.file;
        EXPECT_TRUE(fs::is_regular_file(PhotoThumbnailPath(Cache(), image.file))) << image.file;
    }
    // The same names at the next scan.
    const PhotoFolderScan again = Scan(scan.channel);
    for (std::size_t i = 0; i < scan.channel.images.size(); ++i) {
        EXPECT_EQ(again.channel.images[i].file, scan.channel.images[i].file);
    }
}

TEST_F(PhotoFolderTest, ARescanReadsOnlyChangedPhotosAndSeesAddedAndRemovedOnes) {
    Photo(Photos() / "kept.jpg", 320, 200, kDarkBlue);
    Photo(Photos() / "changed.jpg", 320, 200, kDarkBlue);
    Photo(Photos() / "removed.jpg", 320, 200, kDarkBlue);
    Photo(Photos() / "sub" / "new.jpg", 64, 48);
    const PhotoFolderScan first = Scan();
    ASSERT_EQ(first.channel.images.size(), 4u);
    const std::string newName = Find(first.channel, Photos() / "sub" / "new.jpg")->file;
    const fs::path removedThumb =
        PhotoThumbnailPath(Cache(), Find(first.channel, Photos() / "removed.jpg")->file);

    // Same size and time: taken as unchanged, so even garbage is not read.
    const fs::path kept = Photos() / "kept.jpg";
    const auto keptTime = fs::last_write_time(kept);
    WriteFile(kept, std::string(fs::file_size(kept), 'x'));
    fs::last_write_time(kept, keptTime);
    // A new time: read again.
    Photo(Photos() / "changed.jpg", 200, 320, kPaper);
    fs::last_write_time(Photos() / "changed.jpg", keptTime + std::chrono::seconds(5));
    fs::remove(Photos() / "removed.jpg");
    // Sorts first and would take the plain name of the photo in sub.
    Photo(Photos() / "New.jpg", 80, 60);

    const PhotoFolderScan second = Scan(ThroughControlFile(first.channel));
    EXPECT_EQ(second.undecodable, 0);
    EXPECT_EQ(Titles(second.channel), (std::vector<std::string>{"changed", "kept", "New", "new"}));
    const ChannelPicture* keptImage = Find(second.channel, kept);
    ASSERT_NE(keptImage, nullptr);
    EXPECT_EQ(keptImage->width, 320);
    EXPECT_TRUE(Near(HexToColour(keptImage->background), kDarkBlue, 4));
    const ChannelPicture* changed = Find(second.channel, Photos() / "changed.jpg");
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->width, 200);
    EXPECT_EQ(changed->height, 320);
    EXPECT_TRUE(Near(HexToColour(changed->background), kPaper, 4));
    EXPECT_EQ(Find(second.channel, Photos() / "sub" / "new.jpg")->file, newName);
    EXPECT_NE(UpperAscii(Find(second.channel, Photos() / "New.jpg")->file), UpperAscii(newName));
    EXPECT_FALSE(fs::exists(removedThumb));

    // A thumbnail the cache lost is made again, even for an unchanged photo.
    const fs::path newThumb = PhotoThumbnailPath(Cache(), newName);
    fs::remove(newThumb);
    Scan(second.channel);
    EXPECT_TRUE(fs::is_regular_file(newThumb));
}

TEST_F(PhotoFolderTest, FolderLinksThatLoopAreWalkedOnceAndDeepFoldersAreCutOff) {
    Photo(Photos() / "top.jpg", 64, 48);
    Photo(Photos() / "sub" / "inner.jpg", 64, 48);
    if (!LinkFolder(Photos(), Photos() / "sub" / "back-to-top") ||
        !LinkFolder(Photos() / "sub", Photos() / "sub" / "itself") ||
        !LinkFolder(Photos() / "sub", Photos() / "also-sub")) {
        GTEST_SKIP() << "no folder links here";
    }
    fs::path deep = Photos() / "deep";
    for (int i = 0; i < kMaxPhotoFolderDepth + 2; ++i) {
        deep /= "d";
    }
    Photo(deep / "too-deep.jpg", 64, 48);

    const PhotoFolderScan scan = Scan();
    EXPECT_EQ(scan.channel.images.size(), 2u);
    EXPECT_TRUE(scan.truncated);
    std::set<std::string> titles;
    for (const ChannelPicture& image : scan.channel.images) {
        EXPECT_TRUE(titles.insert(image.title).second) << image.title;
    }
    EXPECT_EQ(titles, (std::set<std::string>{"top", "inner"}));
}

TEST_F(PhotoFolderTest, WallpaperPackagesGiveTheirLargestPictureUnderTheirOwnName) {
    const fs::path aurora = Photos() / "Aurora";
    Photo(aurora / "contents" / "images" / "1920x1080.jpg", 192, 108);
    Photo(aurora / "contents" / "images" / "800x600.jpg", 80, 60);
    Photo(aurora / "contents" / "images_dark" / "3840x2160.jpg", 384, 216);
    WriteFile(aurora / "contents" / "screenshot.jpg", "never listed");
    WriteFile(aurora / "metadata.json",
              R"({"KPackageStructure": "Wallpaper/Images", "Tags": [1, {"Name": "no"}],)"
              R"( "KPlugin": {"Authors": [{"Name": "Someone"}], "Id": "Aurora",)"
              R"( "Name": "Aurora \u00fcber \"North\"", "Name[de]": "Nordlicht"}})");
    const fs::path dunes = Photos() / "dunes";
    Photo(dunes / "contents" / "images" / "1280x1024.jpg", 128, 102);
    WriteFile(dunes / "metadata.desktop",
              "[Other]\nName=Wrong\n[Desktop Entry]\nName[fr]=Dunes FR\nName = Golden Dunes\r\n");
    const fs::path plain = Photos() / "Plain";
    Photo(plain / "contents" / "images" / "1024x768.jpg", 102, 76);
    WriteFile(plain / "metadata.json", R"({"KPlugin": {"Name": )");  // cut off
    Photo(Photos() / "loose.jpg", 64, 48);

    const PhotoFolderScan scan = Scan();
    EXPECT_EQ(Titles(scan.channel), (std::vector<std::string>{"Aurora über \"North\"",
                                                              "Golden Dunes", "loose", "Plain"}));
    EXPECT_EQ(scan.channel.images[0].path, aurora / "contents" / "images_dark" / "3840x2160.jpg");
    EXPECT_EQ(scan.channel.images[1].path, dunes / "contents" / "images" / "1280x1024.jpg");

    // A package chosen as the folder itself.
    const PhotoFolderScan single = ScanPhotoFolder(aurora, dir_ / "cache" / "aurora", {});
    ASSERT_EQ(single.channel.images.size(), 1u);
    EXPECT_EQ(single.channel.images[0].title, "Aurora über \"North\"");
}

TEST_F(PhotoFolderTest, WritesNothingOutsideTheCacheFolder) {
    Photo(Photos() / "one.jpg", 64, 48);
    Photo(Photos() / "a" / "two.jpg", 64, 48);
    WriteFile(Photos() / "bad.jpg", "no JPEG");
    LinkFolder(Photos() / "a", Photos() / "link");
    const auto before = Snapshot(Photos());
    PhotoFolderScan scan = Scan();
    scan = Scan(scan.channel);
    EXPECT_EQ(Snapshot(Photos()), before);
    const fs::path photos = Photos();
    const fs::path cache = Cache();
    const auto under = [](const fs::path& path, const fs::path& folder) {
        return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
               folder.end();
    };
    for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
        const fs::path& path = entry.path();
        EXPECT_TRUE(under(path, photos) || under(path, cache) || path == cache.parent_path())
            << path;
    }
}

TEST_F(PhotoFolderTest, ListsAtOnceAndReadsLaterOrAfterACancel) {
    for (int i = 0; i < 5; ++i) {
        Photo(Photos() / ("p" + std::to_string(i) + ".jpg"), 64, 48);
    }
    WriteFile(Photos() / "p5.jpg", "no JPEG");
    PhotoFolderScan listed = ListPhotoFolder(Photos(), Cache(), {});
    ASSERT_EQ(listed.channel.images.size(), 6u);
    for (const ChannelPicture& image : listed.channel.images) {
        EXPECT_TRUE(image.stamp.empty());
        EXPECT_EQ(image.width, 0);
    }
    EXPECT_FALSE(fs::exists(Cache()));

    int done = 0;
    ReadListedPhotos(
        listed, Cache(), [&] { return done >= 2; }, [&](int d, int) { done = d; });
    EXPECT_TRUE(listed.cancelled);
    EXPECT_EQ(done, 2);
    ASSERT_EQ(listed.channel.images.size(), 6u);
    EXPECT_FALSE(listed.channel.images[1].stamp.empty());
    EXPECT_TRUE(listed.channel.images[2].stamp.empty());

    // The next pass reads only what is left.
    listed.cancelled = false;
    std::vector<int> totals;
    ReadListedPhotos(listed, Cache(), {}, [&](int, int total) { totals.push_back(total); });
    EXPECT_EQ(totals, (std::vector<int>{4, 4, 4, 4}));
    EXPECT_EQ(listed.channel.images.size(), 5u);
    EXPECT_EQ(listed.undecodable, 1);

    // Cancelled while the folder is walked: nothing to show.
    const PhotoFolderScan stopped = ScanPhotoFolder(Photos(), Cache(), {}, [] { return true; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.channel.images.empty());
}

// The reading the program and wylo-channel share: the last reading's
// control file is the starting point, and a reading stopped while the folder
// is walked changes nothing in the cache.
TEST_F(PhotoFolderTest, AFolderChannelIsReadFromItsLastReadingAndAStopKeepsTheCache) {
    Photo(Photos() / "one.jpg", 64, 48);
    Photo(Photos() / "sub" / "two.jpg", 48, 64);
    const OwnChannel channel{OwnChannel::Kind::Folder, PathText(Photos()), "Trip"};
    std::vector<int> totals;
    const ChannelDescription first =
        ReadFolderChannel(channel, Cache(), {}, [&](int, int total) { totals.push_back(total); });
    EXPECT_EQ(first.title, "Trip");
    EXPECT_EQ(Titles(first), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(totals, (std::vector<int>{2, 2}));
    WriteFile(Cache() / "Channel.xml", MadeControlFileText(first));

    Photo(Photos() / "three.jpg", 64, 48);
    totals.clear();
    const ChannelDescription second =
        ReadFolderChannel(channel, Cache(), {}, [&](int, int total) { totals.push_back(total); });
    EXPECT_EQ(Titles(second), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(totals, (std::vector<int>{1}));
    WriteFile(Cache() / "Channel.xml", MadeControlFileText(second));

    const auto cached = Snapshot(Cache());
    EXPECT_THROW(ReadFolderChannel(channel, Cache(), [] { return true; }), Error);
    EXPECT_EQ(Snapshot(Cache()), cached);

    fs::remove_all(Photos() / "sub");
    fs::remove(Photos() / "one.jpg");
    fs::remove(Photos() / "three.jpg");
    EXPECT_THROW(ReadFolderChannel(channel, Cache()), Error);
    EXPECT_THROW(
        ReadFolderChannel({OwnChannel::Kind::Folder, PathText(dir_ / "gone"), ""}, Cache()), Error);
    EXPECT_EQ(FolderChannelTitle(Photos()), "photos");
    EXPECT_EQ(FolderChannelTitle(Photos() / ""), "photos");
}

TEST(WallpaperPackageTitle, FallsBackToTheFolderNameOnHostileMetadata) {
    TempDir dir;
    const fs::path package = dir / "Night";
    fs::create_directories(package);
    for (const std::string& json : std::vector<std::string>{
             "", "[]", "{\"KPlugin\": 5}", "{\"KPlugin\": {\"Name\": \"\\ud800", "{{{{{{{{{{{",
             "{\"a\": " + std::string(10000, '['),
             std::string(10000, '[') + std::string(10000, ']'),
             "{\"KPlugin\": {\"Name\": \"tab\there\"}}"}) {
        WriteFile(package / "metadata.json", json);
        EXPECT_EQ(WallpaperPackageTitle(package), "Night") << json.substr(0, 40);
    }
}

}  // namespace
}  // namespace wylo
