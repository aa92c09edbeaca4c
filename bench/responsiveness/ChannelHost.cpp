#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "Responsiveness.h"

namespace wylo::bench {
namespace {

namespace fs = std::filesystem;

// How often a slow body moves on. Well inside Wylo's three seconds of
// silence, so only the rate is slow.
constexpr std::chrono::milliseconds kTick{50};

std::mutex logMutex;

void Log(const std::string& line) {
    const std::lock_guard lock(logMutex);
    std::cout << line << '\n' << std::flush;
}

// Last-Modified as a real host sends it: the file's write time.
std::string HttpDate(const fs::path& file) {
    std::error_code ec;
    const auto written = fs::last_write_time(file, ec);
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

std::string ContentType(const fs::path& file) {
    const std::string ext = file.extension().string();
    if (ext == ".jpg" || ext == ".jpeg") {
        return "image/jpeg";
    }
    if (ext == ".xml") {
        return "text/xml";
    }
    if (ext == ".html") {
        return "text/html";
    }
    return "application/octet-stream";
}

}  // namespace

int ServeChannels(const fs::path& folder, double trickleSeconds, const std::string& slowPart) {
    httplib::Server server;
    // Set before the server stops, so a slow body still being sent gives up
    // and the server's threads can end.
    auto stopping = std::make_shared<std::atomic<bool>>(false);
    server.Get(R"(/(.*))", [&folder, trickleSeconds, slowPart, stopping](
                               const httplib::Request& req, httplib::Response& res) {
        Log(req.method + " " + req.path);
        const std::string relative = req.matches[1];
        const fs::path file = folder / relative;
        std::error_code ec;
        if (relative.find("..") != std::string::npos || !fs::is_regular_file(file, ec)) {
            res.status = 404;
            return;
        }
        const std::size_t size = fs::file_size(file, ec);
        res.set_header("Last-Modified", HttpDate(file));
        const bool slow =
            trickleSeconds > 0 && !slowPart.empty() && req.path.find(slowPart) != std::string::npos;
        // Evenly over the whole time: the same number of bytes at every tick.
        const double ticks = trickleSeconds * 1000.0 / static_cast<double>(kTick.count());
        const std::size_t perTick =
            slow ? std::max<std::size_t>(
                       1, static_cast<std::size_t>(static_cast<double>(size) / ticks + 0.5))
                 : std::size_t{256} * 1024;
        auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
        res.set_content_provider(
            size, ContentType(file),
            [in, perTick, slow, stopping](std::size_t offset, std::size_t length,
                                          httplib::DataSink& sink) {
                if (slow && offset > 0) {
                    std::this_thread::sleep_for(kTick);
                }
                if (stopping->load()) {
                    return false;
                }
                std::vector<char> chunk(std::min(length, perTick));
                in->seekg(static_cast<std::streamoff>(offset));
                in->read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                if (in->gcount() != static_cast<std::streamsize>(chunk.size())) {
                    return false;
                }
                return sink.write(chunk.data(), chunk.size());
            },
            [path = req.path, isGet = req.method == "GET"](bool success) {
                if (isGet) {
                    Log("END " + path + (success ? " ok" : " cut"));
                }
            });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    Log(std::to_string(port));
    std::thread listener([&server] { server.listen_after_bind(); });
    // The script ends the host by closing its input.
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    stopping->store(true);
    server.stop();
    listener.join();
    return 0;
}

int SlowRequests(const fs::path& hostLog, const std::string& slowPart) {
    std::ifstream log(hostLog);
    std::string line;
    int count = 0;
    while (std::getline(log, line)) {
        if (line.rfind("GET ", 0) == 0 && line.find(slowPart) != std::string::npos) {
            ++count;
        }
    }
    return count;
}

}  // namespace wylo::bench
