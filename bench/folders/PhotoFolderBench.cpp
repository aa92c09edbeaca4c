// A folder of photos as a channel: listing a folder of 1,000 photos should
// take well under 2 s (their thumbnails may follow), a rescan of an unchanged
// folder reads no photo again, and reading one camera-sized photo for its
// thumbnail and colours costs a fraction of decoding it whole.
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "compose/Jpeg.h"
#include "session/PhotoFolder.h"
#include "support/JpegWriter.h"

namespace {

namespace fs = std::filesystem;

class Folder {
public:
    Folder(const std::string& name, int photos, int width, int height)
        : root_(fs::temp_directory_path() /
                ("wylo-bench-" + name + "-" + std::to_string(getpid()))) {
        fs::remove_all(root_);
        const std::string jpeg = wylo::test::EncodeJpeg(wylo::test::PhotoPattern(width, height));
        for (int i = 0; i < photos; ++i) {
            // Ten photos a folder, a hundred folders in ten.
            const fs::path folder =
                Photos() / ("year" + std::to_string(i / 100)) / ("trip" + std::to_string(i / 10));
            fs::create_directories(folder);
            std::FILE* file =
                std::fopen((folder / ("IMG_" + std::to_string(i) + ".JPG")).c_str(), "wb");
            std::fwrite(jpeg.data(), 1, jpeg.size(), file);
            std::fclose(file);
        }
    }
    ~Folder() { fs::remove_all(root_); }
    fs::path Photos() const { return root_ / "photos"; }
    fs::path Cache() const { return root_ / "cache"; }

private:
    fs::path root_;
};

void BM_ListThousandPhotos(benchmark::State& state) {
    static const Folder folder("list", 1000, 64, 48);
    for (auto _ : state) {
        const wylo::PhotoFolderScan scan =
            wylo::ListPhotoFolder(folder.Photos(), folder.Cache(), {});
        benchmark::DoNotOptimize(scan.channel.images.size());
    }
}
BENCHMARK(BM_ListThousandPhotos)->Unit(benchmark::kMillisecond);

void BM_RescanThousandUnchangedPhotos(benchmark::State& state) {
    static const Folder folder("rescan", 1000, 320, 240);
    static const wylo::ChannelDescription previous =
        wylo::ScanPhotoFolder(folder.Photos(), folder.Cache(), {}).channel;
    for (auto _ : state) {
        const wylo::PhotoFolderScan scan =
            wylo::ScanPhotoFolder(folder.Photos(), folder.Cache(), previous);
        benchmark::DoNotOptimize(scan.channel.images.size());
    }
}
BENCHMARK(BM_RescanThousandUnchangedPhotos)->Unit(benchmark::kMillisecond);

// Ten 12-megapixel photos read for their thumbnails and colours.
void BM_ReadTenCameraPhotos(benchmark::State& state) {
    static const Folder folder("read", 10, 4000, 3000);
    for (auto _ : state) {
        const wylo::PhotoFolderScan scan =
            wylo::ScanPhotoFolder(folder.Photos(), folder.Cache(), {});
        benchmark::DoNotOptimize(scan.channel.images.size());
    }
}
BENCHMARK(BM_ReadTenCameraPhotos)->Unit(benchmark::kMillisecond);

// The same ten decoded whole, for comparison.
void BM_DecodeTenCameraPhotosWhole(benchmark::State& state) {
    static const Folder folder("whole", 10, 4000, 3000);
    for (auto _ : state) {
        for (const auto& entry : fs::recursive_directory_iterator(folder.Photos())) {
            if (entry.is_regular_file()) {
                benchmark::DoNotOptimize(wylo::DecodeJpegFile(entry.path()).width());
            }
        }
    }
}
BENCHMARK(BM_DecodeTenCameraPhotosWhole)->Unit(benchmark::kMillisecond);

}  // namespace
