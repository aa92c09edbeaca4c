// A photo feed of 300 items, each a 1920 x 1080 photo with a thumbnail,
// behind a host that waits 50 ms before every answer: the time from adding
// the feed's address to the channel list, and from subscribing to it with a
// change asked for at once, until the first wallpaper is installed. Target:
// under 3 s from subscribing. The session runs as in the program, with its
// window's queue run here; the desktop is one 1920 x 1080 monitor of a
// platform that only records what it is asked to install.
//
//   wylo_bench_feed_subscribe [items (300)] [delay in ms (50)]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "base/DateTime.h"
#include "platform/fake/FakePlatform.h"
#include "session/Session.h"
#include "support/BenchObserver.h"
#include "support/JpegWriter.h"

namespace {

using namespace wylo;
using Stopwatch = std::chrono::steady_clock;

// Tells how many rows the images list got.
class Observer : public bench::BenchObserver {
public:
    void SubscribedChannelChanged(const SubscribedChannel& shown) override {
        measuredRows = shown.rows.size();
    }
    std::size_t measuredRows = 0;
};

double Seconds(Stopwatch::time_point since) {
    return std::chrono::duration<double>(Stopwatch::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const int delayMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 50;

    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "wylo-bench-feed-subscribe";
    std::filesystem::remove_all(root);

    const auto photo =
        std::make_shared<const std::string>(test::EncodeJpeg(test::PhotoPattern(1920, 1080)));
    const auto thumbnail =
        std::make_shared<const std::string>(test::EncodeJpeg(test::PhotoPattern(160, 90, 2)));
    httplib::Server server;
    const int port = server.bind_to_any_port("127.0.0.1");
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    std::string feed =
        "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" "
        "xmlns:media=\"http://search.yahoo.com/mrss/\">"
        "<channel><title>Photo of the Day</title><link>" +
        base + "/</link><description>A photo a day</description>\n";
    for (int k = 0; k < items; ++k) {
        const std::string n = std::to_string(k);
        feed += "<item><title>Photo " + n + "</title><enclosure url=\"" + base + "/p/" + n +
                ".jpg\" type=\"image/jpeg\" length=\"" + std::to_string(photo->size()) +
                "\"/><media:thumbnail url=\"" + base + "/t/" + n +
                ".jpg\" width=\"160\" height=\"90\"/></item>\n";
    }
    feed += "</channel></rss>\n";
    std::atomic<int> photos{0};
    std::atomic<int> thumbnails{0};
    std::atomic<int> feeds{0};
    const auto wait = [delayMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    };
    server.Get("/feed.rss", [&](const httplib::Request&, httplib::Response& res) {
        ++feeds;
        wait();
        res.set_content(feed, "application/rss+xml");
    });
    server.Get(R"(/p/\d+\.jpg)", [&](const httplib::Request&, httplib::Response& res) {
        ++photos;
        wait();
        res.set_content(*photo, "image/jpeg");
    });
    server.Get(R"(/t/\d+\.jpg)", [&](const httplib::Request&, httplib::Response& res) {
        ++thumbnails;
        wait();
        res.set_content(*thumbnail, "image/jpeg");
    });
    // No channel directory: the feed is the user's own channel.
    server.Get("/wylo.xml", [&](const httplib::Request&, httplib::Response& res) {
        wait();
        res.status = 404;
    });
    std::thread serving([&server] { server.listen_after_bind(); });

    FakePlatform platform(root / "shared");
    platform.SetSingleMonitor(1920, 1080);
    ManualClock clock(EncodeDateTime({2026, 12, 10, 12, 0, 0}));
    Observer observer;
    double listed = 0;
    double rowsShown = 0;
    double firstWallpaper = 0;
    struct {
        int feeds, thumbnails, photos;
    } requests{};
    {
        Session session(platform, clock, base + "/wylo.xml", observer);
        session.Start();
        observer.Settle(session);

        auto started = Stopwatch::now();
        session.AddOwnChannel(OwnChannel::Kind::Address, base + "/feed.rss");
        observer.Settle(session);
        listed = Seconds(started);

        started = Stopwatch::now();
        session.Subscribe(kOwnChannelBase);
        session.ChangeNow();
        observer.posted.RunUntil(
            [&] {
                if (rowsShown == 0 && observer.measuredRows > 0) {
                    rowsShown = Seconds(started);
                }
                return !platform.wallpaperCalls.empty();
            },
            std::chrono::minutes(1));
        firstWallpaper = platform.wallpaperCalls.empty() ? -1 : Seconds(started);
        requests = {feeds.load(), thumbnails.load(), photos.load()};
        observer.Settle(session);
        session.Finish();
    }
    server.stop();
    serving.join();
    std::filesystem::remove_all(root);

    std::printf("A feed of %d items, %d ms before every answer:\n", items, delayMs);
    std::printf("  added and listed          %.2f s\n", listed);
    std::printf("  images list shown         %.2f s after subscribing\n", rowsShown);
    if (firstWallpaper < 0) {
        std::printf("  no wallpaper was installed\n");
        return 1;
    }
    std::printf("  first wallpaper installed %.2f s after subscribing (target: under 3 s)\n",
                firstWallpaper);
    std::printf("  requests until then: %d for the feed, %d thumbnails, %d photos\n",
                requests.feeds, requests.thumbnails, requests.photos);
    return firstWallpaper < 3.0 ? 0 : 1;
}
