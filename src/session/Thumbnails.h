#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "base/Geometry.h"

namespace wylo {

// A thumbnail ready to paint: 32-bit pixels 0xAARRGGBB, row after row, with
// pure red made fully transparent. Opaque pixels have alpha 255, so the
// pixels are the same premultiplied or not.
struct ThumbnailPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

// The size of a thumbnail file, read by the decoder its extension names
// (JPEG or BMP); 0 x 0 when it cannot be read.
Size MeasureThumbnail(const std::filesystem::path& file);

// The pictures of the images list. A thumbnail is converted to a bitmap file
// beside it only when it is newer than its conversion, and kept decoded in
// memory until it changes or the pictures are released.
class ThumbnailCache {
public:
    // The picture of a thumbnail file; nothing when it is missing or does not
    // decode.
    std::optional<ThumbnailPicture> Picture(const std::filesystem::path& thumbnail);
    // Drops the decoded pictures; they are decoded again when next asked for.
    void Release() { pictures_.clear(); }

private:
    struct Entry {
        std::filesystem::file_time_type thumbTime;
        std::optional<ThumbnailPicture> picture;
    };
    std::map<std::filesystem::path, Entry> pictures_;
};

}  // namespace wylo
