// One pass of the cache limit over a cache of 10,000 pictures, each with its
// conversion, in 20 channels: the pass runs after every change, beside the
// window, and should take well under 100 ms.
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "session/CachePruning.h"

namespace {

class Cache {
public:
    Cache() : root_(std::filesystem::temp_directory_path() / "wylo-bench-cache") {
        std::filesystem::remove_all(root_);
        for (int channel = 0; channel < 20; ++channel) {
            const std::filesystem::path images =
                root_ / ("channel" + std::to_string(channel)) / "images";
            std::filesystem::create_directories(images);
            for (int k = 0; k < 500; ++k) {
                const std::string stem = "photo" + std::to_string(k);
                std::ofstream(images / (stem + ".jpg")) << "j";
                std::ofstream(images / (stem + ".bmp")) << "bb";
            }
        }
    }
    ~Cache() { std::filesystem::remove_all(root_); }
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

void BM_PassOverTenThousandPictures(benchmark::State& state) {
    static const Cache cache;
    for (auto _ : state) {
        // Within the limit: every picture is looked at and none removed, as
        // after most changes.
        const wylo::CachePruning pass = wylo::PruneCache(
            cache.root(), 1u << 30,
            [](std::string_view, std::string_view file) { return file == "photo0.jpg"; });
        benchmark::DoNotOptimize(pass.bytesBefore);
    }
}
BENCHMARK(BM_PassOverTenThousandPictures)->Unit(benchmark::kMillisecond);

}  // namespace
