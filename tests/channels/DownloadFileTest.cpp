#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>

#include <sys/resource.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/LocalTime.h"
#include "channels/Download.h"
#include "channels/DownloadGate.h"
#include "channels/HttpClient.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

void SetWriteTime(const fs::path& path, std::time_t t) {
    fs::last_write_time(
        path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)));
}

DateTime LocalDateTime(std::time_t t) {
    const std::tm local = ToLocalTime(t).value();
    return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec});
}

// Every file name in a folder, hidden ones included.
std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class DownloadFileTest : public ::testing::Test {
protected:
    // A whole second in the past, so that copies written "now" are newer.
    const std::time_t now_ = std::time(nullptr) / 2 * 2 - 10;
    test::TestHttpServer server_;
    test::TempDir dir_;
    ManualClock clock_{LocalDateTime(now_)};
    HttpClient client_;

    bool Download(const std::string& path, const fs::path& file) {
        return DownloadFile(client_, server_.Url(path), file, clock_);
    }

    // A cached copy written at the given time.
    fs::path Cached(const std::string& content, std::time_t written) {
        const fs::path file = dir_ / "cache" / "photo.jpg";
        WriteFile(file, content);
        SetWriteTime(file, written);
        return file;
    }
};

// --- Reasons -----------------------------------------------------------------

TEST_F(DownloadFileTest, EveryFailureHasAReasonAndSuccessNone) {
    server_.Serve("/photo.jpg", "bytes");
    const auto outcome = [this](const std::string& url, const fs::path& file) {
        return DownloadFileWithReason(client_, url, file, clock_);
    };
    EXPECT_EQ(outcome(server_.Url("/photo.jpg"), dir_ / "photo.jpg").reason, "");
    EXPECT_EQ(outcome(server_.Url("/gone.jpg"), dir_ / "gone.jpg").reason,
              "The server answered with status 404.");
    EXPECT_EQ(
        outcome(server_.Url("/photo.jpg"), dir_ / std::string(248, 'n')).reason,
        "The file name \"" + std::string(60, 'n') + "...\" is too long (248 bytes; at most 247).");
    // The longest safe name is one the file system takes.
    const DownloadOutcome longest =
        outcome(server_.Url("/photo.jpg"), dir_ / std::string(247, 'n'));
    EXPECT_TRUE(longest.ok) << longest.reason;
    WriteFile(dir_ / "file", "x");
    EXPECT_THAT(outcome(server_.Url("/photo.jpg"), dir_ / "file" / "photo.jpg").reason,
                testing::StartsWith("The folder "));
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 2);
}

TEST_F(DownloadFileTest, TricklingServerIsAbandonedAndTheCachedCopyKept) {
    server_.Route("/photo.jpg", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(std::time(nullptr)));
        if (req.method == "HEAD") {
            return;
        }
        res.set_chunked_content_provider("image/jpeg", [](std::size_t, httplib::DataSink& sink) {
            for (int i = 0; i < 300 && sink.is_writable(); ++i) {
                sink.write("x", 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            sink.done();
            return true;
        });
    });
    const fs::path file = Cached("old copy", now_ - 3600);
    HttpClient client({.minBytesPerSecond = 100, .rateWindow = std::chrono::milliseconds(1000)});

    const DownloadOutcome outcome =
        DownloadFileWithReason(client, server_.Url("/photo.jpg"), file, clock_);

    EXPECT_FALSE(outcome.ok);
    EXPECT_THAT(outcome.reason, testing::StartsWith("The server is too slow"));
    EXPECT_EQ(ReadFile(file), "old copy");
    EXPECT_EQ(Listing(file.parent_path()), std::vector<std::string>{"photo.jpg"});
}

// --- No usable local copy --------------------------------------------------

TEST_F(DownloadFileTest, WithoutLocalFileSendsOneGetAndNoHead) {
    server_.Serve("/photo.jpg", "jpeg bytes", now_);
    const fs::path file = dir_ / "photo.jpg";

    EXPECT_TRUE(Download("/photo.jpg", file));

    EXPECT_EQ(ReadFile(file), "jpeg bytes");
    EXPECT_EQ(server_.Count("HEAD", "/photo.jpg"), 0);
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 1);
}

TEST_F(DownloadFileTest, EmptyLocalFileIsDeletedAndFetchedWithoutHead) {
    server_.Serve("/photo.jpg", "fresh");
    const fs::path file = Cached("", now_);

    EXPECT_TRUE(Download("/photo.jpg", file));

    EXPECT_EQ(ReadFile(file), "fresh");
    EXPECT_EQ(server_.Count("HEAD", "/photo.jpg"), 0);
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 1);
}

TEST_F(DownloadFileTest, MissingFoldersAreCreated) {
    server_.Serve("/Channel.xml", "<provider/>");
    const fs::path file = dir_ / "cache" / "nature" / "thumbs" / "Channel.xml";

    EXPECT_TRUE(Download("/Channel.xml", file));
    EXPECT_EQ(ReadFile(file), "<provider/>");
}

TEST_F(DownloadFileTest, EmptyBodyIsAFailureAndLeavesNoFile) {
    server_.Serve("/photo.jpg", "");
    const fs::path file = dir_ / "photo.jpg";

    const DownloadOutcome outcome =
        DownloadFileWithReason(client_, server_.Url("/photo.jpg"), file, clock_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.reason, "The server sent an empty file.");

    EXPECT_FALSE(fs::exists(file));
    EXPECT_TRUE(Listing(dir_.path()).empty());
}

TEST_F(DownloadFileTest, UnreachableServerWithoutCopyFailsAndLeavesNoFile) {
    server_.Stop();
    const fs::path file = dir_ / "photo.jpg";

    EXPECT_FALSE(Download("/photo.jpg", file));

    EXPECT_TRUE(Listing(dir_.path()).empty());
}

TEST_F(DownloadFileTest, ErrorStatusWithoutCopyFails) {
    const fs::path file = dir_ / "photo.jpg";

    EXPECT_FALSE(Download("/missing.jpg", file));  // 404 with a body

    EXPECT_TRUE(Listing(dir_.path()).empty());
}

TEST_F(DownloadFileTest, RedirectIsAFailureAndIsNotFollowed) {
    server_.Serve("/real.jpg", "moved here");
    server_.Route("/photo.jpg", [this](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(server_.Url("/real.jpg"), 302);
    });
    const fs::path file = dir_ / "photo.jpg";

    EXPECT_FALSE(Download("/photo.jpg", file));

    EXPECT_EQ(server_.Count("GET", "/real.jpg"), 0);
    EXPECT_TRUE(Listing(dir_.path()).empty());
}

// --- The freshness check of a cached copy ---------------------------------

TEST_F(DownloadFileTest, NewerServerCopyIsFetchedAgain) {
    server_.Serve("/photo.jpg", "new", now_);
    const fs::path file = Cached("old", now_ - 3600);

    EXPECT_TRUE(Download("/photo.jpg", file));

    EXPECT_EQ(ReadFile(file), "new");
    EXPECT_EQ(server_.Count("HEAD", "/photo.jpg"), 1);
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 1);
}

TEST_F(DownloadFileTest, EqualOlderOrMissingLastModifiedKeepsTheCopy) {
    const fs::path file = Cached("cached", now_);
    const auto written = fs::last_write_time(file);
    const std::vector<std::optional<std::time_t>> serverTimes = {now_, now_ - 86400, std::nullopt};
    for (const auto& lastModified : serverTimes) {
        server_.Serve("/photo.jpg", "server", lastModified);
        server_.ClearRequests();

        EXPECT_TRUE(Download("/photo.jpg", file));

        EXPECT_EQ(server_.Count("HEAD", "/photo.jpg"), 1);
        EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 0);
        EXPECT_EQ(ReadFile(file), "cached");
        EXPECT_EQ(fs::last_write_time(file), written);
    }
}

TEST_F(DownloadFileTest, UnreadableLastModifiedKeepsTheCopy) {
    server_.Route("/photo.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Last-Modified", "next Tuesday, probably");
        res.set_content("server", "image/jpeg");
    });
    const fs::path file = Cached("cached", now_ - 3600);

    EXPECT_TRUE(Download("/photo.jpg", file));
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 0);
    EXPECT_EQ(ReadFile(file), "cached");
}

TEST_F(DownloadFileTest, CopyTimeCountsAtTwoSecondResolution) {
    // Written one second after the server's time, the copy still counts as
    // written a second before it.
    server_.Serve("/photo.jpg", "new", now_ + 1);
    const fs::path file = Cached("old", now_ + 1);

    EXPECT_TRUE(Download("/photo.jpg", file));
    EXPECT_EQ(ReadFile(file), "new");
}

TEST_F(DownloadFileTest, FailedHeadKeepsTheCopy) {
    const fs::path file = Cached("cached", now_ - 3600);

    EXPECT_TRUE(Download("/missing.jpg", file));  // 404
    EXPECT_EQ(server_.Count("HEAD", "/missing.jpg"), 1);
    EXPECT_EQ(server_.Count("GET", "/missing.jpg"), 0);

    server_.Stop();
    EXPECT_TRUE(Download("/missing.jpg", file));
    EXPECT_EQ(ReadFile(file), "cached");
}

TEST_F(DownloadFileTest, SilentServerTimesOutAfterTheReadTimeoutAndKeepsTheCopy) {
    test::GateOpener opener;
    auto gate = opener.gate;
    // Were the HEAD answered, this Last-Modified would force a GET.
    server_.Route("/photo.jpg", [gate, this](const httplib::Request&, httplib::Response& res) {
        gate->Wait(std::chrono::seconds(20));
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(now_ + 3600));
        res.set_content("server", "image/jpeg");
    });
    const fs::path file = Cached("cached", now_);
    // The silence alone decides, not the rate floor's shorter window.
    HttpClient client({.readTimeout = std::chrono::milliseconds(3000),
                       .rateWindow = std::chrono::milliseconds(1000)});

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(DownloadFile(client, server_.Url("/photo.jpg"), file, clock_));
    const auto waited = std::chrono::steady_clock::now() - start;
    gate->Open();

    EXPECT_GE(waited, std::chrono::milliseconds(2900));
    EXPECT_LT(waited, std::chrono::milliseconds(9000));
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 0);
    EXPECT_EQ(ReadFile(file), "cached");
}

TEST_F(DownloadFileTest, AHostThatThinksBeforeAnsweringIsWaitedFor) {
    // Two seconds before the first byte: longer than the rate floor's window,
    // shorter than the read timeout.
    server_.Route("/photo.jpg", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        res.set_content("late but whole", "image/jpeg");
    });
    HttpClient client({.readTimeout = std::chrono::milliseconds(5000),
                       .rateWindow = std::chrono::milliseconds(1000)});
    const fs::path file = dir_ / "photo.jpg";

    const DownloadOutcome outcome =
        DownloadFileWithReason(client, server_.Url("/photo.jpg"), file, clock_);

    EXPECT_TRUE(outcome.ok) << outcome.reason;
    EXPECT_EQ(ReadFile(file), "late but whole");
}

#ifndef _WIN32
TEST_F(DownloadFileTest, AFullDiskSaysWhatTheSystemSaid) {
    // A file size limit stands in for a full disk: the write fails the same
    // way, with the system's reason.
    server_.Serve("/photo.jpg", std::string(200'000, 'x'));
    const fs::path file = dir_ / "photo.jpg";
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 50'000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const DownloadOutcome outcome =
        DownloadFileWithReason(client_, server_.Url("/photo.jpg"), file, clock_);

    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(outcome.ok);
    EXPECT_THAT(outcome.reason, ::testing::StartsWith("The download could not be saved to "));
    EXPECT_THAT(outcome.reason, ::testing::HasSubstr("File too large"));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_THAT(Listing(dir_.path()), ::testing::IsEmpty());
}
#endif

TEST_F(DownloadFileTest, VeryOldCopyIsFetchedAgainWhenTheServerCannotConfirmIt) {
    server_.Route("/photo.jpg", [](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "HEAD") {
            res.status = 503;
        } else {
            res.set_content("fresh", "image/jpeg");
        }
    });
    const fs::path file = Cached("ancient", now_ - 3600);
    const DateTime written = LocalDateTime(now_ - 3600);

    clock_.Set(written + 17999.99);
    EXPECT_TRUE(Download("/photo.jpg", file));
    EXPECT_EQ(ReadFile(file), "ancient");
    EXPECT_EQ(server_.Count("GET", "/photo.jpg"), 0);

    clock_.Set(written + 18000.01);
    EXPECT_TRUE(Download("/photo.jpg", file));
    EXPECT_EQ(ReadFile(file), "fresh");
}

// --- A failed download keeps what was there --------------------------------

TEST_F(DownloadFileTest, FailedGetLeavesThePreviousCopyIntact) {
    server_.Route("/photo.jpg", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(now_));
        if (req.method == "GET") {
            res.status = 500;
        }
    });
    const fs::path file = Cached("previous", now_ - 3600);

    EXPECT_FALSE(Download("/photo.jpg", file));

    EXPECT_EQ(ReadFile(file), "previous");
    EXPECT_EQ(Listing(file.parent_path()), std::vector<std::string>{"photo.jpg"});
}

TEST_F(DownloadFileTest, CutOffDownloadLeavesThePreviousCopyIntact) {
    server_.Route("/photo.jpg", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Last-Modified", test::TestHttpServer::HttpDate(now_));
        // Announces 1000 bytes, sends 10, then drops the connection.
        res.set_content_provider(1000, "image/jpeg",
                                 [](std::size_t, std::size_t, httplib::DataSink& sink) {
                                     sink.write("0123456789", 10);
                                     return false;
                                 });
    });
    const fs::path file = Cached("previous", now_ - 3600);

    EXPECT_FALSE(Download("/photo.jpg", file));
    EXPECT_EQ(ReadFile(file), "previous");
    EXPECT_EQ(Listing(file.parent_path()), std::vector<std::string>{"photo.jpg"});

    // Without a previous copy the partial body is not kept either.
    fs::remove(file);
    EXPECT_FALSE(Download("/photo.jpg", file));
    EXPECT_TRUE(Listing(file.parent_path()).empty());
}

TEST_F(DownloadFileTest, ReplacesASymlinkInsteadOfWritingThroughIt) {
    const fs::path outside = dir_ / "outside.txt";
    WriteFile(outside, "not yours");
    const fs::path file = dir_ / "cache" / "photo.jpg";
    fs::create_directories(file.parent_path());
    std::error_code error;
    fs::create_symlink(outside, file, error);
    if (error) {
        // Windows lets only administrators and developer mode make them.
        GTEST_SKIP() << "no symbolic links here: " << error.message();
    }
    SetWriteTime(outside, now_ - 3600);
    server_.Serve("/photo.jpg", "photo", now_);

    EXPECT_TRUE(Download("/photo.jpg", file));

    EXPECT_EQ(ReadFile(outside), "not yours");
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(ReadFile(file), "photo");
}

// --- What is never fetched --------------------------------------------------

TEST_F(DownloadFileTest, UnsafeTargetNamesFailWithoutARequest) {
    server_.Serve("/", "index");
    server_.Serve("/photo.jpg", "photo");
    const std::vector<fs::path> targets = {
        dir_ / "images" / FileNameFromUrl(server_.Url("/")),  // ends in "/"
        dir_ / "images" / "..",
        dir_ / "images" / "photo.jpg?size=large",
        dir_ / "images" / "con.jpg",
    };
    for (const fs::path& target : targets) {
        EXPECT_FALSE(Download("/photo.jpg", target)) << target;
    }
    EXPECT_TRUE(server_.Requests().empty());
    EXPECT_FALSE(fs::exists(dir_ / "images"));
}

TEST_F(DownloadFileTest, OnlyHttpAndHttpsUrlsAreFetched) {
    const fs::path secret = dir_ / "secret.txt";
    WriteFile(secret, "secret");
    const fs::path file = dir_ / "copy.txt";
    const std::string port = std::to_string(server_.port());
    const std::vector<std::string> urls = {
        "file://" + secret.string(),
        "ftp://127.0.0.1:" + port + "/photo.jpg",
        "dict://127.0.0.1:" + port + "/photo.jpg",
        "127.0.0.1:" + port + "/photo.jpg",  // no scheme
        "/photo.jpg",
    };
    server_.Serve("/photo.jpg", "photo");
    for (const std::string& url : urls) {
        EXPECT_FALSE(DownloadFile(client_, url, file, clock_)) << url;
        EXPECT_FALSE(fs::exists(file)) << url;
    }
    EXPECT_TRUE(server_.Requests().empty());
}

// A channel can publish an address longer than the network library takes;
// that is a failed download like any other, with or without a cached copy.
TEST_F(DownloadFileTest, AddressTooLongForTheNetworkLibraryIsAFailureNotAnError) {
    const std::string url = server_.Url("/" + std::string(8'100'000, 'a') + "/photo.jpg");
    const fs::path file = dir_ / "cache" / "photo.jpg";

    bool fetched = true;
    EXPECT_NO_THROW(fetched = DownloadFile(client_, url, file, clock_));
    EXPECT_FALSE(fetched);
    EXPECT_FALSE(fs::exists(file));

    WriteFile(file, "cached");
    EXPECT_NO_THROW(fetched = DownloadFile(client_, url, file, clock_));
    EXPECT_TRUE(fetched);
    EXPECT_EQ(ReadFile(file), "cached");
    EXPECT_TRUE(server_.Requests().empty());
}

}  // namespace
}  // namespace wylo
