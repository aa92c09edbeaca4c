// A channel host that misbehaves on demand, and the program's real change
// against it. Whatever the host does, the program stays up, writes nothing
// outside its folder, says why in the status line, and the desktop keeps the
// wallpaper it had.
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "channels/DownloadGate.h"
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

namespace fs = std::filesystem;
using test::ChannelSpec;
using test::ReadFile;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kNextPicture[] = "/c/sea/images/i1.jpg";
constexpr char kControlFile[] = "/c/sea/Channel.xml";

// Short waits, so a silent or trickling host is given up on in a second or
// two rather than the program's half minute.
HttpLimits ShortLimits() {
    HttpLimits limits;
    limits.readTimeout = std::chrono::milliseconds(1500);
    limits.connectTimeout = std::chrono::milliseconds(3000);
    limits.minBytesPerSecond = 1024;
    limits.rateWindow = std::chrono::milliseconds(1500);
    return limits;
}

// A reply of 64 MB of XML sent without a length, so only the bytes can tell
// it is too large; sent, when given, counts what left the host.
void SendEndlessDocument(httplib::Response& res,
                         std::shared_ptr<std::atomic<std::size_t>> sent = nullptr) {
    res.set_chunked_content_provider(
        "text/xml", [sent](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= (std::size_t{64} << 20)) {
                sink.done();
                return true;
            }
            const std::string chunk =
                offset == 0 ? "<provider>" + std::string(65526, ' ') : std::string(65536, ' ');
            if (sent) {
                *sent += chunk.size();
            }
            return sink.write(chunk.data(), chunk.size());
        });
}

// A time the cached copies are older than, so a changed file is fetched.
std::time_t Later() {
    return std::time(nullptr) + 3600;
}

fs::path Normal(fs::path path) {
    path = path.lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

// Every file under folder but those inside skip, with its size.
std::map<fs::path, std::uintmax_t> FilesOutside(const fs::path& folder, const fs::path& skip) {
    std::map<fs::path, std::uintmax_t> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (Normal(it->path()) == Normal(skip)) {
            it.disable_recursion_pending();
            continue;
        }
        std::error_code sizeError;
        files[it->path()] = it->is_regular_file() ? it->file_size(sizeError) : 0;
    }
    return files;
}

class HostileChannelTest : public ::testing::Test {
protected:
    HostileChannelTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 8, 12, 0, 0})) {
        platform_.SetSingleMonitor(320, 200);
    }

    fs::path AppDir() const { return AppFolder(platform_); }
    fs::path DesktopFile() const { return AppDir() / "desktop.bmp"; }

    void Settle() {
        ASSERT_TRUE(observer_.posted.RunUntil([this] { return !session_.busy(); },
                                              std::chrono::seconds(60)));
    }

    // Subscribed to "The Sea", its first picture on the desktop; what is on
    // disk and in the settings now is what every failed change must leave.
    void StartWithAWallpaper() {
        test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
        fs::create_directories(AppDir());
        test::WriteFile(AppDir() / "Wylo.ini",
                        "[Settings]\nCurrentChannel=0\nCurrentImage=2\nRandomOrder=0\n");
        session_.Start();
        Settle();
        session_.ChangeNow();
        Settle();
        installs_ = platform_.wallpaperCalls.size();
        ASSERT_GE(installs_, 1u);
        ASSERT_EQ(session_.settings().currentImage, 0);
        desktop_ = ReadFile(DesktopFile());
        lastChange_ = session_.settings().lastChange;
        historySize_ = session_.history().entries().size();
        outside_ = FilesOutside(root_.path(), AppDir());
    }

    // "Change Now", which cannot put a new picture up: nothing moves, no box
    // opens, and the status line says why. Returns what it says.
    std::string FailedChange() {
        clock_.Advance(60.0 / kSecondsPerDay);
        session_.ChangeNow();
        Settle();
        EXPECT_EQ(platform_.wallpaperCalls.size(), installs_);
        EXPECT_TRUE(ReadFile(DesktopFile()) == desktop_) << "desktop.bmp changed";
        EXPECT_EQ(session_.settings().currentImage, 0);
        EXPECT_EQ(session_.settings().lastChange, lastChange_);
        EXPECT_EQ(session_.history().entries().size(), historySize_);
        EXPECT_EQ(FilesOutside(root_.path(), AppDir()), outside_);
        EXPECT_THAT(observer_.errors, IsEmpty());
        EXPECT_FALSE(session_.busy());
        if (observer_.statuses.empty()) {
            ADD_FAILURE() << "nothing was said";
            return {};
        }
        const std::string& said = observer_.statuses.back();
        EXPECT_THAT(said, HasSubstr("The desktop keeps its wallpaper")) << said;
        return said;
    }

    // The next picture's address answers with handler.
    void NextPicture(test::TestHttpServer::Handler handler) {
        server_.Route(kNextPicture, std::move(handler));
    }

    // The channel's control file with image 1's address (and title) as given.
    void PublishSeaWith(const std::string& loc, const std::string& title = "Picture 2") {
        std::string images;
        for (int k = 0; k < 3; ++k) {
            const std::string n = std::to_string(k);
            images += "<image><loc>" +
                      (k == 1 ? loc : server_.Url("/c/sea/images/i" + n + ".jpg")) +
                      "</loc><title>" + (k == 1 ? title : "Picture " + std::to_string(k + 1)) +
                      "</title></image>";
        }
        server_.Serve(kControlFile,
                      "<provider><title>The Sea</title><images>" + images + "</images></provider>",
                      Later(), "text/xml");
    }

    test::TempDir root_;
    test::TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
    test::RecordingObserver observer_;
    Session session_{platform_, clock_, server_.Url("/wylo/wylo.xml"), observer_, ShortLimits()};

    std::size_t installs_ = 0;
    std::string desktop_;
    DateTime lastChange_ = 0;
    std::size_t historySize_ = 0;
    std::map<fs::path, std::uintmax_t> outside_;
};

TEST_F(HostileChannelTest, ErrorStatusesAndEmptyBodiesKeepTheWallpaper) {
    StartWithAWallpaper();
    for (int status : {500, 404, 403}) {
        NextPicture(
            [status](const httplib::Request&, httplib::Response& res) { res.status = status; });
        const std::string said = FailedChange();
        EXPECT_THAT(said, HasSubstr("Could not download \"Picture 2\" from The Sea: The server "
                                    "answered with status " +
                                    std::to_string(status)));
    }
    NextPicture(
        [](const httplib::Request&, httplib::Response& res) { res.set_content("", "image/jpeg"); });
    EXPECT_THAT(FailedChange(), HasSubstr("The server sent an empty file."));
}

TEST_F(HostileChannelTest, AConnectionCutMidDownloadKeepsTheWallpaperAndNoPartialFile) {
    StartWithAWallpaper();
    NextPicture([](const httplib::Request&, httplib::Response& res) {
        // Announces 50 KB, sends 4 KB, and hangs up.
        res.set_content_provider(50'000, "image/jpeg",
                                 [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset >= 4096) {
                                         return false;
                                     }
                                     const std::string part(4096, '\xff');
                                     sink.write(part.data(), part.size());
                                     return true;
                                 });
    });
    EXPECT_THAT(FailedChange(), HasSubstr("Could not download \"Picture 2\""));
    EXPECT_FALSE(fs::exists(AppDir() / "cache/sea/images/i1.jpg"));
}

// One picture may take at most a quarter of the cache's limit: a larger one
// is refused during the transfer, whether announced or not, and not kept.
TEST_F(HostileChannelTest, APictureLargerThanAQuarterOfTheCacheLimitIsRefused) {
    StartWithAWallpaper();
    session_.settings().cacheLimit = std::uint64_t{8} << 20;
    NextPicture([](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(std::size_t{3} << 20, '\xff'), "image/jpeg");
    });
    EXPECT_THAT(FailedChange(), HasSubstr("Could not download \"Picture 2\" from The Sea: The "
                                          "file is larger than 2 MB."));
    EXPECT_FALSE(fs::exists(AppDir() / "cache/sea/images/i1.jpg"));

    // The same picture under a limit with room for it is taken.
    session_.settings().cacheLimit = std::uint64_t{16} << 20;
    Bitmap picture(64, 48);
    picture.Fill(MakeColour(10, 20, 30));
    // Padded past the first limit after its end, where a decoder stops reading.
    const std::string bytes = test::EncodeJpeg(picture) + std::string(std::size_t{3} << 20, '\0');
    NextPicture([bytes](const httplib::Request&, httplib::Response& res) {
        res.set_content(bytes, "image/jpeg");
    });
    clock_.Advance(60.0 / kSecondsPerDay);
    session_.ChangeNow();
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs_ + 1);
}

TEST_F(HostileChannelTest, AHostThatGoesAwayAndComesBackGetsThePictureUp) {
    StartWithAWallpaper();
    server_.Stop();
    EXPECT_THAT(FailedChange(), HasSubstr("Could not download \"Picture 2\" from The Sea: The "
                                          "host could not be reached"));
    EXPECT_TRUE(session_.changeRetry().pending());

    // Back again: the retry half a minute later makes the change that was
    // due, not one a whole period later.
    server_.Restart();
    clock_.Advance(31.0 / kSecondsPerDay);
    session_.Tick(clock_.Now());
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs_ + 1);
    EXPECT_EQ(session_.settings().currentImage, 1);
    EXPECT_FALSE(session_.changeRetry().pending());
    EXPECT_THAT(observer_.statuses.back(), HasSubstr("Next Change : "));
}

TEST_F(HostileChannelTest, SilentAndTricklingHostsAreGivenUpOn) {
    StartWithAWallpaper();
    test::GateOpener opener;
    const auto gate = opener.gate;
    NextPicture([gate](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "HEAD") {
            gate->Wait(std::chrono::seconds(20));
        }
        res.status = 404;
    });
    EXPECT_THAT(FailedChange(), HasSubstr("The server sent nothing for"));
    opener.gate->Open();

    NextPicture([](const httplib::Request&, httplib::Response& res) {
        // Ten bytes every 200 ms: 50 bytes a second, far below the floor.
        res.set_chunked_content_provider(
            "image/jpeg", [](std::size_t offset, httplib::DataSink& sink) {
                if (offset > 2000) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                return sink.write("\xff\xd8\xff\xe0\x00\x10JFIF", 10);
            });
    });
    EXPECT_THAT(FailedChange(), HasSubstr("The server is too slow"));
}

TEST_F(HostileChannelTest, ARedirectIsNotFollowed) {
    StartWithAWallpaper();
    const std::string target = server_.Url("/c/sea/images/i2.jpg");
    NextPicture(
        [target](const httplib::Request&, httplib::Response& res) { res.set_redirect(target); });
    EXPECT_THAT(FailedChange(), HasSubstr("redirects are not followed"));
    EXPECT_EQ(server_.Count("GET", "/c/sea/images/i2.jpg"), 0);
}

TEST_F(HostileChannelTest, HostileAddressesAndNamesAreRefusedWithTheirReason) {
    StartWithAWallpaper();
    const std::map<std::string, std::string> refusals = {
        {"file:///etc/passwd", "Only http and https addresses can be fetched."},
        {"ftp://127.0.0.1/c/sea/images/i1.jpg", "Only http and https addresses can be fetched."},
        {server_.Url("/c/sea/images/.."), "The file name in "},
        {server_.Url("/c/sea/images/con.jpg"), "The file name in "},
        {server_.Url("/c/sea/images/"), "names no file"},
    };
    for (const auto& [loc, reason] : refusals) {
        PublishSeaWith(loc);
        EXPECT_THAT(FailedChange(), HasSubstr(reason)) << loc;
    }
    EXPECT_EQ(server_.Count("GET", "/c/sea/images/con.jpg"), 0);
}

TEST_F(HostileChannelTest, AChannelIdThatIsNoFolderNameIsRefused) {
    StartWithAWallpaper();
    server_.Serve("/wylo/wylo.xml",
                  "<wylo><PROVIDERS><channel><id>../../evil</id><url>" + server_.Url(kControlFile) +
                      "</url></channel></PROVIDERS></wylo>",
                  Later());
    session_.RefreshChannelList();
    Settle();
    EXPECT_THAT(FailedChange(), HasSubstr("id is"));
    EXPECT_FALSE(fs::exists(AppDir() / "evil"));
}

TEST_F(HostileChannelTest, AControlFileThatIsGoneOrBrokenChangesNothing) {
    StartWithAWallpaper();
    // Gone from the host and from the cache.
    server_.Remove(kControlFile);
    fs::remove(AppDir() / "cache/sea/Channel.xml");
    EXPECT_THAT(FailedChange(),
                HasSubstr("The channel's control file could not be downloaded: The server "
                          "answered with status 404."));

    // Back, but no longer well-formed.
    server_.Serve(kControlFile, "<provider><title>The Sea</title><images><image>", Later(),
                  "text/xml");
    EXPECT_THAT(FailedChange(), HasSubstr("The channel's control file could not be read"));

    // Nested deeper than any real file.
    std::string nested;
    for (int i = 0; i < 100'000; ++i) {
        nested += "<a>";
    }
    server_.Serve(kControlFile, "<provider>" + nested, Later() + 10, "text/xml");
    EXPECT_THAT(FailedChange(), HasSubstr("The channel's control file could not be read"));
}

TEST_F(HostileChannelTest, AnOversizedControlFileIsRefusedDuringTheTransferAndNotKept) {
    StartWithAWallpaper();
    const std::string cached = ReadFile(AppDir() / "cache/sea/Channel.xml");
    auto sent = std::make_shared<std::atomic<std::size_t>>(0);
    server_.Route(kControlFile, [sent](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(Later()));
        if (req.method == "HEAD") {
            return;
        }
        // No length announced: only the bytes themselves can tell.
        SendEndlessDocument(res, sent);
    });
    // The copy in the cache serves; the change goes on with it.
    clock_.Advance(60.0 / kSecondsPerDay);
    session_.ChangeNow();
    Settle();
    EXPECT_THAT(observer_.statuses,
                ::testing::Contains(HasSubstr("The file is larger than 16 MB.")));
    EXPECT_TRUE(ReadFile(AppDir() / "cache/sea/Channel.xml") == cached);
    EXPECT_LT(sent->load(), std::size_t{32} << 20);
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs_ + 1);
}

TEST_F(HostileChannelTest, AListThatLostItsOnlyChannelToAnOversizedControlFileSaysWhy) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    server_.Route(kControlFile, [](const httplib::Request&, httplib::Response& res) {
        SendEndlessDocument(res);
    });
    session_.Start();
    Settle();
    ASSERT_FALSE(observer_.statuses.empty());
    EXPECT_THAT(observer_.statuses.back(),
                HasSubstr("No channel of the directory could be fetched (channel sea: The file "
                          "is larger than 16 MB.)"));
    EXPECT_FALSE(fs::exists(AppDir() / "cache/sea/Channel.xml"));
}

TEST_F(HostileChannelTest, AnOversizedDirectoryIsRefusedDuringTheTransferAndNotKept) {
    StartWithAWallpaper();
    const std::string cached = ReadFile(AppDir() / "wylo.xml");
    server_.Route("/wylo/wylo.xml", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(Later()));
        if (req.method == "HEAD") {
            return;
        }
        SendEndlessDocument(res);
    });
    session_.RefreshChannelList();
    Settle();
    EXPECT_THAT(observer_.statuses,
                ::testing::Contains(HasSubstr("The file is larger than 16 MB.")));
    EXPECT_TRUE(ReadFile(AppDir() / "wylo.xml") == cached);
}

TEST_F(HostileChannelTest, ABodyThatIsNoPictureIsSaidAndTheNextPictureTakesItsPlace) {
    StartWithAWallpaper();
    NextPicture([](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body>Not found</body></html>", "image/jpeg");
    });
    clock_.Advance(60.0 / kSecondsPerDay);
    session_.ChangeNow();
    Settle();
    EXPECT_EQ(platform_.wallpaperCalls.size(), installs_ + 1);
    EXPECT_EQ(session_.settings().currentImage, 2);
    EXPECT_THAT(observer_.statuses,
                ::testing::Contains(HasSubstr("Could not read \"Picture 2\" from The Sea")));
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(HostileChannelTest, AHugeTitleIsCutEverywhereItIsShown) {
    StartWithAWallpaper();
    const std::string huge(10 << 20, 'T');
    PublishSeaWith(server_.Url(kNextPicture), huge);
    clock_.Advance(60.0 / kSecondsPerDay);
    session_.ChangeNow();
    Settle();
    ASSERT_EQ(platform_.wallpaperCalls.size(), installs_ + 1);
    for (const std::string& text : observer_.statuses) {
        EXPECT_LT(text.size(), 1000u);
    }
    for (const auto& row : observer_.subscribed.rows) {
        EXPECT_LT(row.caption.size(), 1000u);
    }
    ASSERT_FALSE(session_.history().entries().empty());
    for (const auto& image : session_.history().entries().back().images) {
        EXPECT_LT(image.title.size(), 1000u);
    }
}

TEST_F(HostileChannelTest, AChannelOfManyImagesOpensWithABoundedNumberOfThumbnailRequests) {
    constexpr int kImages = 5000;
    std::string images;
    for (int k = 0; k < kImages; ++k) {
        const std::string n = std::to_string(k);
        images += "<image><loc>" + server_.Url("/c/big/images/i" + n + ".jpg") + "</loc><thumb>" +
                  server_.Url("/c/big/thumbs/t" + n + ".jpg") + "</thumb></image>";
    }
    server_.Serve("/c/big/Channel.xml",
                  "<provider><title>Big</title><images>" + images + "</images></provider>");
    server_.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS><channel><id>big</id><url>" +
                                        server_.Url("/c/big/Channel.xml") +
                                        "</url></channel></PROVIDERS></wylo>");
    std::atomic<int> thumbnails{0};
    Bitmap thumb(40, 30);
    thumb.Fill(MakeColour(90, 120, 150));
    const std::string picture = test::EncodeJpeg(thumb);
    for (int k = 0; k < kImages; ++k) {
        // Far down the list the thumbnails are real pictures.
        const bool real = k >= 4000;
        server_.Route(
            "/c/big/thumbs/t" + std::to_string(k) + ".jpg",
            [&thumbnails, real, picture](const httplib::Request&, httplib::Response& res) {
                ++thumbnails;
                if (real) {
                    res.set_content(picture, "image/jpeg");
                } else {
                    res.status = 404;
                }
            });
    }
    session_.Start();
    Settle();
    session_.Subscribe(0);
    Settle();

    EXPECT_EQ(observer_.subscribed.rows.size(), static_cast<std::size_t>(kImages));
    EXPECT_GT(thumbnails.load(), 0);
    EXPECT_LE(thumbnails.load(), 400);

    // Scrolled far down: the rows painted there fetch theirs and a bounded
    // number after them, once.
    const int before = thumbnails.load();
    session_.ThumbnailWanted(4100);
    session_.ThumbnailWanted(4101);
    Settle();
    session_.ThumbnailWanted(4100);
    Settle();
    EXPECT_GT(thumbnails.load(), before);
    EXPECT_LE(thumbnails.load() - before, 100);
    ASSERT_FALSE(observer_.measured.empty());
    EXPECT_EQ(observer_.measured.front().image, 4100);
    EXPECT_EQ(observer_.measured.front().height, 34);
    EXPECT_FALSE(session_.ThumbnailPath(4100).empty());
}

}  // namespace
}  // namespace wylo
