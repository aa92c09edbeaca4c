// Helpers for bench/compare-responsiveness:
//
//   wylo_bench_responsiveness photos OUT-DIR [COUNT [WIDTHxHEIGHT]]
//       photo-like JPEGs, 2560 x 1600 unless a size is given
//   wylo_bench_responsiveness serve DIR [--trickle SECONDS --slow PART]
//       a channel host on 127.0.0.1 that sends the bodies of paths containing
//       PART spread over SECONDS; prints the port and a line per request
//   wylo_bench_responsiveness clicks HOST-LOG PART [COUNT]
//       the main window on this X display; once the host's log shows the
//       slow request, clicks page tabs and times each to its page painted
//   wylo_bench_responsiveness change PHOTO-DIR [RUNS]
//       "Change Now" in a running session against xwallpaper --tile
//   wylo_bench_responsiveness change-fresh RUNS
//       "Change Now" with the pictures gone from the cache
//
// clicks and change read Wylo.ini from $XDG_DATA_HOME/Wylo as the program
// does.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "Responsiveness.h"
#include "support/JpegWriter.h"

namespace {

namespace fs = std::filesystem;

int Photos(const fs::path& folder, int count, int width, int height) {
    fs::create_directories(folder);
    for (int i = 1; i <= count; ++i) {
        const fs::path path = folder / ("photo-" + std::to_string(i) + ".jpg");
        wylo::test::WriteJpeg(
            path, wylo::test::PhotoPattern(width, height, static_cast<std::uint32_t>(i)),
            {.quality = 90});
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: wylo_bench_responsiveness photos OUT-DIR [COUNT [WIDTHxHEIGHT]]\n"
                 "       wylo_bench_responsiveness serve DIR [--trickle SECONDS --slow PART]\n"
                 "       wylo_bench_responsiveness clicks HOST-LOG PART [COUNT]\n"
                 "       wylo_bench_responsiveness change PHOTO-DIR [RUNS]\n"
                 "       wylo_bench_responsiveness change-fresh RUNS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "photos" && argc >= 3 && argc <= 5) {
        int width = 2560;
        int height = 1600;
        if (argc == 5 && std::sscanf(argv[4], "%dx%d", &width, &height) != 2) {
            return Usage();
        }
        return Photos(argv[2], argc > 3 ? std::stoi(argv[3]) : 3, width, height);
    }
    if (command == "serve" && argc == 3) {
        return wylo::bench::ServeChannels(argv[2], 0, {});
    }
    if (command == "serve" && argc == 7 && std::string(argv[3]) == "--trickle" &&
        std::string(argv[5]) == "--slow") {
        return wylo::bench::ServeChannels(argv[2], std::stod(argv[4]), argv[6]);
    }
    if (command == "clicks" && (argc == 4 || argc == 5)) {
        return wylo::bench::TimeTabClicks(argv[2], argv[3], argc > 4 ? std::stoi(argv[4]) : 40);
    }
    if (command == "change-fresh" && argc == 3) {
        return wylo::bench::TimeFreshChangeNow(std::stoi(argv[2]));
    }
    if (command == "change" && (argc == 3 || argc == 4)) {
        return wylo::bench::TimeChangeNow(argv[2], argc > 3 ? std::stoi(argv[3]) : 30);
    }
    return Usage();
} catch (const std::exception& e) {
    std::fprintf(stderr, "wylo_bench_responsiveness: %s\n", e.what());
    return 1;
}
