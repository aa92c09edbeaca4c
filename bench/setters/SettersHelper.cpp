// Helpers for bench/compare-setters:
//
//   wylo_bench_setters photos OUT-DIR [COUNT]   photo-like 2560 x 1600 JPEGs
//   wylo_bench_setters serve DIR                serves DIR on 127.0.0.1, prints
//                                               the port, runs until stdin closes

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include <httplib.h>

#include "support/JpegWriter.h"

namespace {

namespace fs = std::filesystem;

int Photos(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
        const fs::path path = folder / ("photo-" + std::to_string(i) + ".jpg");
        wylo::test::WriteJpeg(path,
                              wylo::test::PhotoPattern(2560, 1600, static_cast<std::uint32_t>(i)),
                              {.quality = 90});
    }
    return 0;
}

int Serve(const fs::path& folder) {
    httplib::Server server;
    if (!server.set_mount_point("/", folder.string())) {
        std::fprintf(stderr, "cannot serve %s\n", folder.c_str());
        return 1;
    }
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);
    std::thread listener([&server] { server.listen_after_bind(); });
    // The script ends the server by closing its input.
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    server.stop();
    listener.join();
    return 0;
}

}  // namespace

int main(int argc, char** argv) try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "photos" && argc >= 3) {
        return Photos(argv[2], argc > 3 ? std::stoi(argv[3]) : 3);
    }
    if (command == "serve" && argc == 3) {
        return Serve(argv[2]);
    }
    std::fprintf(stderr, "usage: wylo_bench_setters photos OUT-DIR [COUNT] | serve DIR\n");
    return 2;
} catch (const std::exception& e) {
    std::fprintf(stderr, "wylo_bench_setters: %s\n", e.what());
    return 1;
}
