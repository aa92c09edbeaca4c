// Many files in one batch: every rule of the single download holds for each,
// the transfers overlap, and a cancel leaves the cache whole.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "base/Feedback.h"
#include "base/LocalTime.h"
#include "channels/Download.h"
#include "channels/DownloadGate.h"
#include "channels/HttpClient.h"
#include "channels/PartFileName.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TestHttpServer;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void SetWriteTime(const fs::path& path, std::time_t t) {
    fs::last_write_time(
        path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)));
}

DateTime LocalDateTime(std::time_t t) {
    const std::tm local = ToLocalTime(t).value();
    return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec});
}

// Temporary download files anywhere under folder.
int PartialFiles(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        count += IsPartialDownloadName(entry.path().filename().string()) ? 1 : 0;
    }
    return count;
}

class Progress : public TransferObserver {
public:
    std::vector<std::string> events;
    std::vector<std::int64_t> counts;
    std::function<void()> onPulse;
    int pulses = 0;
    void TransferBegin(std::int64_t expected) override {
        events.push_back("begin " + std::to_string(expected));
    }
    void TransferWork(std::int64_t count) override { counts.push_back(count); }
    void TransferEnd() override { events.push_back("end"); }
    void TransferPulse() override {
        ++pulses;
        if (onPulse) {
            onPulse();
        }
    }
};

class DownloadBatchTest : public ::testing::Test {
protected:
    DownloadBatchTest() { client_.SetObserver(&progress_); }

    const std::time_t now_ = std::time(nullptr) / 2 * 2 - 10;
    TestHttpServer server_;
    test::TempDir dir_;
    ManualClock clock_{LocalDateTime(now_)};
    HttpLimits limits_ = [] {
        HttpLimits l;
        l.readTimeout = std::chrono::milliseconds(500);
        return l;
    }();
    HttpClient client_{limits_};
    Progress progress_;

    fs::path File(const std::string& name) const { return dir_ / "cache" / name; }
    DownloadRequest Entry(const std::string& name) const {
        return {server_.Url("/" + name), File(name)};
    }
    void Cache(const std::string& name, const std::string& content, std::time_t written) {
        WriteFile(File(name), content);
        SetWriteTime(File(name), written);
    }
};

TEST_F(DownloadBatchTest, EveryRuleOfTheSingleDownloadHoldsForEachFileOfABatch) {
    test::GateOpener opener;
    auto gate = opener.gate;
    // Confirmed: the server's copy is older than the cached one.
    server_.Serve("/cached.jpg", "server cached", now_ - 3600);
    Cache("cached.jpg", "kept", now_);
    // Stale: the server's copy is newer.
    server_.Serve("/stale.jpg", "fresh", now_ + 3600);
    Cache("stale.jpg", "old", now_ - 3600);
    // Missing locally.
    server_.Serve("/missing.jpg", "new");
    // Failing: with a copy that is kept, and without one.
    Cache("failing.jpg", "still here", now_);
    Cache("empty.jpg", "", now_);
    server_.Serve("/empty.jpg", "");
    // Silent: answers nothing until the test ends.
    server_.Route("/silent.jpg", [gate](const httplib::Request&, httplib::Response& res) {
        gate->Wait(std::chrono::seconds(30));
        res.set_content("late", "image/jpeg");
    });
    server_.Route("/moved.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/missing.jpg");
    });

    const std::vector<DownloadOutcome> outcomes =
        DownloadFiles(client_,
                      {Entry("silent.jpg"),
                       Entry("cached.jpg"),
                       Entry("stale.jpg"),
                       Entry("missing.jpg"),
                       Entry("failing.jpg"),
                       Entry("gone.jpg"),
                       Entry("empty.jpg"),
                       Entry("moved.jpg"),
                       {"ftp://127.0.0.1/x.jpg", File("x.jpg")},
                       {server_.Url("/a"), File("..")}},
                      clock_);
    // The batch ended while the silent server still held its answer.
    gate->Open();

    ASSERT_EQ(outcomes.size(), 10u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_THAT(outcomes[0].reason, HasSubstr("sent nothing for 500 milliseconds"));
    EXPECT_FALSE(fs::exists(File("silent.jpg")));

    EXPECT_TRUE(outcomes[1].ok);
    EXPECT_EQ(ReadFile(File("cached.jpg")), "kept");
    EXPECT_EQ(server_.Count("HEAD", "/cached.jpg"), 1);
    EXPECT_EQ(server_.Count("GET", "/cached.jpg"), 0);

    EXPECT_TRUE(outcomes[2].ok);
    EXPECT_EQ(ReadFile(File("stale.jpg")), "fresh");
    EXPECT_EQ(server_.Count("HEAD", "/stale.jpg"), 1);
    EXPECT_EQ(server_.Count("GET", "/stale.jpg"), 1);

    EXPECT_TRUE(outcomes[3].ok);
    EXPECT_EQ(ReadFile(File("missing.jpg")), "new");
    EXPECT_EQ(server_.Count("HEAD", "/missing.jpg"), 0);

    EXPECT_TRUE(outcomes[4].ok);
    EXPECT_EQ(ReadFile(File("failing.jpg")), "still here");
    EXPECT_FALSE(outcomes[5].ok);
    EXPECT_EQ(outcomes[5].reason, "The server answered with status 404.");
    EXPECT_FALSE(fs::exists(File("gone.jpg")));

    // An empty copy is no copy: fetched without a HEAD; an empty body fails.
    EXPECT_FALSE(outcomes[6].ok);
    EXPECT_EQ(outcomes[6].reason, "The server sent an empty file.");
    EXPECT_EQ(server_.Count("HEAD", "/empty.jpg"), 0);
    EXPECT_FALSE(fs::exists(File("empty.jpg")));

    EXPECT_FALSE(outcomes[7].ok);
    EXPECT_THAT(outcomes[7].reason, HasSubstr("redirects are not followed"));
    EXPECT_FALSE(fs::exists(File("moved.jpg")));
    EXPECT_EQ(outcomes[8].reason, "Only http and https addresses can be fetched.");
    EXPECT_THAT(outcomes[9].reason, HasSubstr("The file name \"..\" is"));

    // Every request carried the fixed headers and named itself as referer.
    for (const auto& request : server_.Requests()) {
        EXPECT_EQ(request.headers.find("User-Agent")->second, "Wylo/1.04");
        EXPECT_EQ(request.headers.find("Referer")->second, server_.Url(request.path));
    }
    EXPECT_EQ(PartialFiles(dir_.path()), 0);
}

TEST_F(DownloadBatchTest, TransfersOverlapAndShowAsOneProgress) {
    // Each answer waits until several requests are in at once, which only
    // happens when the client keeps them in flight together.
    std::atomic<int> inFlight = 0;
    std::atomic<int> mostAtOnce = 0;
    for (int i = 0; i < 40; ++i) {
        server_.Route("/t" + std::to_string(i) + ".jpg",
                      [&](const httplib::Request&, httplib::Response& res) {
                          const int now = ++inFlight;
                          int seen = mostAtOnce;
                          while (now > seen && !mostAtOnce.compare_exchange_weak(seen, now)) {
                          }
                          std::this_thread::sleep_for(std::chrono::milliseconds(20));
                          --inFlight;
                          res.set_content("thumb", "image/jpeg");
                      });
    }
    std::vector<DownloadRequest> files;
    for (int i = 0; i < 40; ++i) {
        files.push_back(Entry("t" + std::to_string(i) + ".jpg"));
    }

    const std::vector<DownloadOutcome> outcomes = DownloadFiles(client_, files, clock_);

    EXPECT_TRUE(std::all_of(outcomes.begin(), outcomes.end(), [](auto& o) { return o.ok; }));
    EXPECT_GT(mostAtOnce.load(), 1);
    EXPECT_LE(mostAtOnce.load(), HttpClient::kMaxConnectionsPerHost);
    // The batch shows as one transfer counted in files.
    EXPECT_THAT(progress_.events, ElementsAre("begin 40", "end"));
    ASSERT_EQ(progress_.counts.size(), 40u);
    EXPECT_TRUE(std::is_sorted(progress_.counts.begin(), progress_.counts.end()));
    EXPECT_EQ(progress_.counts.back(), 40);
    EXPECT_GT(progress_.pulses, 0);
}

TEST_F(DownloadBatchTest, TwoEntriesForOneFileRunOneAfterTheOther) {
    server_.Serve("/same.jpg", "body");

    const auto outcomes = DownloadFiles(client_, {Entry("same.jpg"), Entry("same.jpg")}, clock_);

    EXPECT_TRUE(outcomes[0].ok);
    EXPECT_TRUE(outcomes[1].ok);
    // The second found the first one's copy and only confirmed it.
    EXPECT_EQ(server_.Count("GET", "/same.jpg"), 1);
    EXPECT_EQ(server_.Count("HEAD", "/same.jpg"), 1);
}

#ifndef _WIN32
// A channel of thousands of thumbnails is one batch; the files waiting their
// turn must not each hold a descriptor, or the process runs out of them.
TEST_F(DownloadBatchTest, ABatchLargerThanTheDescriptorLimitFetchesEveryFile) {
    constexpr int kFiles = 300;
    std::vector<DownloadRequest> files;
    for (int i = 0; i < kFiles; ++i) {
        server_.Serve("/many" + std::to_string(i) + ".jpg", "thumb " + std::to_string(i));
        files.push_back(Entry("many" + std::to_string(i) + ".jpg"));
    }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_cur, 128);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    const std::vector<DownloadOutcome> outcomes = DownloadFiles(client_, files, clock_);
    setrlimit(RLIMIT_NOFILE, &saved);

    for (int i = 0; i < kFiles; ++i) {
        EXPECT_TRUE(outcomes[static_cast<std::size_t>(i)].ok)
            << i << ": " << outcomes[static_cast<std::size_t>(i)].reason;
    }
    EXPECT_EQ(ReadFile(File("many299.jpg")), "thumb 299");
    EXPECT_EQ(PartialFiles(dir_.path()), 0);
}
#endif

TEST_F(DownloadBatchTest, BatchStartedInsideAnotherFailsWithoutARequest) {
    server_.Serve("/outer.jpg", "outer");
    server_.Serve("/inner.jpg", "inner");
    std::vector<DownloadOutcome> inner;
    progress_.onPulse = [&] {
        if (inner.empty()) {
            inner = DownloadFiles(client_, {Entry("inner.jpg"), Entry("inner2.jpg")}, clock_);
        }
    };
    server_.Route("/slow.jpg", [](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        res.set_content("slow", "image/jpeg");
    });

    const auto outer = DownloadFiles(client_, {Entry("outer.jpg"), Entry("slow.jpg")}, clock_);

    EXPECT_TRUE(outer[0].ok && outer[1].ok);
    ASSERT_EQ(inner.size(), 2u);
    EXPECT_THAT(inner[0].reason, HasSubstr("in progress"));
    EXPECT_EQ(server_.Count("GET", "/inner.jpg"), 0);
}

TEST_F(DownloadBatchTest, CancelEndsTheBatchAndLeavesEveryCachedCopyWhole) {
    test::GateOpener opener;
    auto gate = opener.gate;
    std::atomic<int> bodiesStarted = 0;
    // Bodies that start and then stall until the test ends.
    const auto stalling = [&, gate](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Last-Modified", TestHttpServer::HttpDate(now_ + 3600));
        if (req.method == "HEAD") {
            return;
        }
        res.set_content_provider(
            100000, "image/jpeg",
            [&, gate](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset > 0) {
                    gate->Wait(std::chrono::seconds(30));
                    return false;
                }
                ++bodiesStarted;
                sink.write(std::string(1000, 'n').data(), 1000);
                return true;
            });
    };
    std::vector<DownloadRequest> files;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        server_.Route("/" + name, stalling);
        if (i % 2 == 0) {
            Cache(name, "cached " + std::to_string(i), now_ - 3600);
        }
        files.push_back(Entry(name));
    }
    progress_.onPulse = [&] {
        if (bodiesStarted >= 3) {
            client_.Cancel();
        }
    };

    const auto outcomes = DownloadFiles(client_, files, clock_);
    gate->Open();

    for (int i = 0; i < 6; ++i) {
        const fs::path file = File("p" + std::to_string(i) + ".jpg");
        if (i % 2 == 0) {
            // A copy whose update was cut short is still the old copy, whole.
            EXPECT_EQ(ReadFile(file), "cached " + std::to_string(i));
        } else {
            EXPECT_FALSE(outcomes[i].ok) << i;
            EXPECT_THAT(outcomes[i].reason, HasSubstr("cancelled")) << i;
            EXPECT_FALSE(fs::exists(file));
        }
    }
    EXPECT_EQ(PartialFiles(dir_.path()), 0);

    // Nothing more goes out once cancelled.
    server_.ClearRequests();
    EXPECT_FALSE(DownloadFile(client_, server_.Url("/p1.jpg"), File("p1.jpg"), clock_));
    EXPECT_TRUE(client_.cancelled());
    EXPECT_TRUE(server_.Requests().empty());
}

}  // namespace
}  // namespace wylo
