// What building the channel list costs once every control file is cached:
// one HEAD per channel (the freshness check), no body transferred. The server
// runs in-process on 127.0.0.1, so the figure is the client's own cost plus
// loopback, not the internet's.

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <stdlib.h>

#include "base/Clock.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"

namespace {

namespace fs = std::filesystem;

constexpr int kChannels = 100;
constexpr int kImagesPerChannel = 30;

std::string HttpDate(std::time_t t) {
    std::tm gmt{};
    gmtime_r(&t, &gmt);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &gmt);
    return text;
}

// A control file of typical size: a few lines about the channel and thirty images.
std::string ControlFile(int channel) {
    const std::string id = "channel" + std::to_string(channel);
    std::string xml = "<provider><title>Channel " + std::to_string(channel) +
                      "</title><description>Photographs of somewhere.</description>"
                      "<news>http://example.com/" +
                      id + "/news.html</news><images>";
    for (int i = 0; i < kImagesPerChannel; ++i) {
        const std::string n = std::to_string(i);
        xml += "<image><loc>http://example.com/" + id + "/images/photo" + n +
               ".jpg</loc><thumb>http://example.com/" + id + "/thumbs/photo" + n +
               ".jpg</thumb><title>Photo " + n +
               "</title><background>#102030</background><font>#ffffff</font></image>";
    }
    return xml + "</images></provider>";
}

// Serves /channelN/Channel.xml for every channel, last modified a day ago.
class ChannelHost {
public:
    ChannelHost() : lastModified_(HttpDate(std::time(nullptr) - 86400)) {
        for (int c = 0; c < kChannels; ++c) {
            bodies_.push_back(ControlFile(c));
        }
        server_.Get(R"(/channel(\d+)/Channel\.xml)",
                    [this](const httplib::Request& req, httplib::Response& res) {
                        (req.method == "HEAD" ? heads_ : gets_)++;
                        const int c = std::stoi(req.matches[1]);
                        if (c < 0 || c >= kChannels) {
                            res.status = 404;
                            return;
                        }
                        res.set_header("Last-Modified", lastModified_);
                        res.set_content(bodies_[static_cast<std::size_t>(c)], "text/xml");
                    });
        server_.set_keep_alive_max_count(1000000);
        // Headers and body go out in separate writes; without this, Nagle's
        // rule and the client's delayed ACK add 40 ms to every GET, which a
        // real web server does not.
        server_.set_tcp_nodelay(true);
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ChannelHost() {
        server_.stop();
        thread_.join();
    }

    std::string Url(int channel) const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/channel" + std::to_string(channel) +
               "/Channel.xml";
    }
    int heads() const { return heads_; }
    int gets() const { return gets_; }

private:
    std::string lastModified_;
    std::vector<std::string> bodies_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> heads_{0};
    std::atomic<int> gets_{0};
};

class CacheFolder {
public:
    CacheFolder() {
        std::string pattern = (fs::temp_directory_path() / "wylo-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~CacheFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    fs::path ControlFilePath(int channel) const {
        return path_ / "cache" / ("channel" + std::to_string(channel)) / "Channel.xml";
    }

private:
    fs::path path_;
};

// One pass over every channel, as the channel list does when it is built.
bool FetchEveryControlFile(wylo::HttpClient& client, const ChannelHost& host,
                           const CacheFolder& cache) {
    for (int c = 0; c < kChannels; ++c) {
        if (!wylo::DownloadFile(client, host.Url(c), cache.ControlFilePath(c),
                                wylo::Clock::System())) {
            return false;
        }
    }
    return true;
}

void PerChannel(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kChannels);
    state.counters["per_channel"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kChannels),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Every control file cached and current: one HEAD per channel.
void BM_ChannelListCachedHeadPass(benchmark::State& state) {
    ChannelHost host;
    CacheFolder cache;
    wylo::HttpClient client;
    if (!FetchEveryControlFile(client, host, cache)) {
        state.SkipWithError("the first fetch failed");
        return;
    }
    const int getsBefore = host.gets();
    for (auto _ : state) {
        if (!FetchEveryControlFile(client, host, cache)) {
            state.SkipWithError("a freshness check failed");
            return;
        }
    }
    if (host.gets() != getsBefore) {
        state.SkipWithError("a cached control file was fetched again");
    }
    PerChannel(state);
}
BENCHMARK(BM_ChannelListCachedHeadPass)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison, the first start: nothing cached, one GET per channel.
void BM_ChannelListEmptyCacheGetPass(benchmark::State& state) {
    ChannelHost host;
    wylo::HttpClient client;
    for (auto _ : state) {
        state.PauseTiming();
        auto cache = std::make_unique<CacheFolder>();
        state.ResumeTiming();
        if (!FetchEveryControlFile(client, host, *cache)) {
            state.SkipWithError("a download failed");
            return;
        }
        state.PauseTiming();
        cache.reset();
        state.ResumeTiming();
    }
    PerChannel(state);
}
BENCHMARK(BM_ChannelListEmptyCacheGetPass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
