// Changes through a channel of 5120 x 2880 photos with the cache's limit at
// its default (1 GB): after each change the cache must hold no more than its
// limit. Each photo is some 4 MB as a JPEG and 44 MB as the bitmap it is
// converted to, so without the limit 300 changes would leave about 14 GB.
// The channel is served from loopback; the desktop is one 3840 x 2160
// monitor of a platform that only records what it is asked to install.
//
//   wylo_bench_cache_limit [changes (300)] [limit in MB (1024)]
//
// Prints the largest size the cache reached after a change, the time a
// change took, and exits 1 when the cache ever held more than its limit. (A
// limit below what the last five wallpapers take, some 240 MB here, is passed:
// Previous must find those, so they are never removed.)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/CachePruning.h"
#include "session/Session.h"
#include "support/BenchObserver.h"
#include "support/JpegWriter.h"

namespace {

using namespace wylo;
using Stopwatch = std::chrono::steady_clock;

double Megabytes(std::uintmax_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const int limitMb = argc > 2 ? std::max(50, std::atoi(argv[2])) : 1024;

    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / "wylo-bench-cache-limit";
    std::filesystem::remove_all(root);

    // One photo, served under as many names as there are changes.
    std::printf("Encoding a 5120 x 2880 photo...\n");
    const auto photo =
        std::make_shared<const std::string>(test::EncodeJpeg(test::PhotoPattern(5120, 2880)));
    std::printf("The photo is %.1f MB as a JPEG.\n", Megabytes(photo->size()));
    httplib::Server server;
    const int port = server.bind_to_any_port("127.0.0.1");
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    std::string images;
    for (int k = 0; k < changes + 1; ++k) {
        images += "<image><loc>" + base + "/c/p" + std::to_string(k) + ".jpg</loc><title>Photo " +
                  std::to_string(k) + "</title></image>";
    }
    const std::string control =
        "<provider><title>Large</title><images>" + images + "</images></provider>";
    const std::string directory = "<wylo><PROVIDERS><p><id>large</id><url>" + base +
                                  "/c/Channel.xml</url></p></PROVIDERS></wylo>";
    server.Get("/wylo.xml", [&directory](const httplib::Request&, httplib::Response& res) {
        res.set_content(directory, "text/xml");
    });
    server.Get("/c/Channel.xml", [&control](const httplib::Request&, httplib::Response& res) {
        res.set_content(control, "text/xml");
    });
    server.Get(R"(/c/p\d+\.jpg)", [photo](const httplib::Request&, httplib::Response& res) {
        res.set_content(*photo, "image/jpeg");
    });
    std::thread serving([&server] { server.listen_after_bind(); });

    FakePlatform platform(root / "shared");
    platform.SetSingleMonitor(3840, 2160);
    std::filesystem::create_directories(AppFolder(platform));
    std::ofstream(AppFolder(platform) / "Wylo.ini")
        << "[Settings]\nCurrentChannel=0\nCurrentImage=0\nRandomOrder=0\nCacheLimit=" << limitMb
        << "\n";
    ManualClock clock(EncodeDateTime({2026, 12, 10, 12, 0, 0}));
    bench::BenchObserver observer;
    std::uintmax_t largest = 0;
    int over = 0;
    double slowest = 0;
    const auto started = Stopwatch::now();
    {
        Session session(platform, clock, base + "/wylo.xml", observer);
        session.Start();
        observer.Settle(session);
        const std::filesystem::path cache = AppFolder(platform) / "cache";
        const std::uintmax_t limit = std::uintmax_t{1024} * 1024 * limitMb;
        for (int i = 0; i < changes; ++i) {
            const auto before = Stopwatch::now();
            session.ChangeNow();
            observer.Settle(session);
            slowest =
                std::max(slowest, std::chrono::duration<double>(Stopwatch::now() - before).count());
            const std::uintmax_t size = CacheSize(cache);
            largest = std::max(largest, size);
            over += size > limit ? 1 : 0;
            if ((i + 1) % 50 == 0) {
                std::printf("%4d changes: the cache holds %.0f MB\n", i + 1, Megabytes(size));
            }
        }
        session.Finish();
    }
    const double seconds = std::chrono::duration<double>(Stopwatch::now() - started).count();
    server.stop();
    serving.join();
    std::filesystem::remove_all(root);

    std::printf(
        "%d changes, %zu wallpapers installed, limit %d MB: the cache held at most "
        "%.0f MB after a change (%s); %.2f s a change on average, %.2f s at most\n",
        changes, platform.wallpaperCalls.size(), limitMb, Megabytes(largest),
        over == 0 ? "within its limit" : "OVER ITS LIMIT", seconds / changes, slowest);
    return over == 0 ? 0 : 1;
}
