// Times libjpeg-turbo's own `djpeg -bmp` and Wylo's steps on the same
// photographs, in one run, and prints each step as a ratio to djpeg.
//
//   wylo_bench_jpeg [--runs N] [photo.jpg ...]
//
// Without photographs it generates photo-like 2560 x 1600 and 3840 x 2160
// JPEGs (quality 90) in a temporary folder.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include "BenchCases.h"
#include "compose/BmpFile.h"
#include "compose/Jpeg.h"
#include "support/ExifSegment.h"
#include "support/JpegWriter.h"

extern char** environ;

namespace wylo::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kJpegTarget = 1.10;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "wylo-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Runs djpeg -bmp on the photograph; throws when it cannot run or fails.
void RunDjpeg(const BenchPhoto& photo) {
    const std::string out = (photo.work / "djpeg.bmp").string();
    const std::string in = photo.jpeg.string();
    std::vector<char*> args{const_cast<char*>("djpeg"),    const_cast<char*>("-bmp"),
                            const_cast<char*>("-outfile"), const_cast<char*>(out.c_str()),
                            const_cast<char*>(in.c_str()), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "djpeg", nullptr, nullptr, args.data(), environ);
    if (error != 0) {
        throw std::runtime_error("cannot run djpeg (" + std::generic_category().message(error) +
                                 "); scripts/setup installs it");
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("djpeg failed on " + in);
    }
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <typename F>
Clock::duration Time(F&& f) {
    const auto start = Clock::now();
    f();
    return Clock::now() - start;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) {
        return false;
    }
    for (std::int32_t y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), a.stride()) != 0) {
            return false;
        }
    }
    return true;
}

fs::path Generate(const fs::path& folder, std::int32_t width, std::int32_t height,
                  std::uint32_t seed) {
    const fs::path path =
        folder / ("photo-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg");
    test::WriteJpeg(path, test::PhotoPattern(width, height, seed), {.quality = 90});
    return path;
}

// Copies the JPEG at source with an Exif segment of orientation 6 put first.
void WriteTurned(const fs::path& destination, const fs::path& source) {
    std::ifstream in(source, std::ios::binary);
    const std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string exif = test::PhoneExifSegment(6);
    const std::size_t length = exif.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    std::ofstream out(destination, std::ios::binary | std::ios::trunc);
    out << jpeg.substr(0, 2) << segment << exif << jpeg.substr(2);
    if (!in || !out.flush()) {
        throw std::runtime_error("cannot write " + destination.string());
    }
}

// Times every step on one photograph; false when a target is missed or the
// pixels differ from djpeg's.
bool Measure(BenchPhoto photo, int runs) {
    const Bitmap decoded = DecodeJpegFile(photo.jpeg);
    photo.width = decoded.width();
    photo.height = decoded.height();
    photo.decoded = &decoded;
    photo.turned = photo.work / "turned.jpg";
    WriteTurned(photo.turned, photo.jpeg);
    std::printf("\n%s: %d x %d, %.2f MB\n", photo.jpeg.filename().string().c_str(), photo.width,
                photo.height, static_cast<double>(fs::file_size(photo.jpeg)) / 1e6);

    const std::vector<BenchCase> cases = BenchCases();
    auto best = std::vector<Clock::duration>(cases.size() + 1, Clock::duration::max());
    // Run 0 warms the caches and is not counted; the steps take turns so any
    // drift of the machine hits all of them alike.
    for (int run = 0; run <= runs; ++run) {
        const auto djpeg = Time([&] { RunDjpeg(photo); });
        if (run > 0) {
            best[0] = std::min(best[0], djpeg);
        }
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto t = Time([&] { cases[i].run(photo); });
            if (run > 0) {
                best[i + 1] = std::min(best[i + 1], t);
            }
        }
    }

    const double base = Milliseconds(best[0]);
    std::printf("  %-40s %9s %8s\n", "step (best of runs)", "ms", "ratio");
    std::printf("  %-40s %9.2f %7.2fx\n", "djpeg -bmp", base, 1.0);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const double ms = Milliseconds(best[i + 1]);
        std::printf("  %-40s %9.2f %7.2fx\n", cases[i].name.c_str(), ms, ms / base);
    }

    bool ok = true;
    const double conversion = Milliseconds(best[1]) / base;
    std::printf("  JpegFileToBmpFile within %.2fx of djpeg: %s\n", kJpegTarget,
                conversion <= kJpegTarget ? "yes" : "NO");
    ok = ok && conversion <= kJpegTarget;
    const bool same =
        SamePixels(ReadBmpFile(photo.work / "djpeg.bmp"), ReadBmpFile(photo.work / "wylo.bmp"));
    std::printf("  pixels identical to djpeg's: %s\n", same ? "yes" : "NO");
    return ok && same;
}

int Main(int argc, char** argv) {
    int runs = 7;
    std::vector<fs::path> photos;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--help" || arg == "-h") {
            std::printf("usage: %s [--runs N] [photo.jpg ...]\n", argv[0]);
            return 0;
        } else {
            photos.emplace_back(arg);
        }
    }
    TempFolder folder;
    if (photos.empty()) {
        std::printf("Generating photo-like JPEGs (quality 90) in %s\n",
                    folder.path().string().c_str());
        photos.push_back(Generate(folder.path(), 2560, 1600, 1));
        photos.push_back(Generate(folder.path(), 3840, 2160, 2));
    }
    std::printf("Best of %d runs each; ratios are to djpeg -bmp on the same file.\n", runs);
    bool ok = true;
    for (const fs::path& jpeg : photos) {
        ok = Measure({jpeg, 0, 0, folder.path(), nullptr}, runs) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace wylo::bench

int main(int argc, char** argv) {
    try {
        return wylo::bench::Main(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wylo_bench_jpeg: %s\n", e.what());
        return 2;
    }
}
