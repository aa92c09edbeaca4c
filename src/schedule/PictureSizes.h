#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

#include "base/Geometry.h"

namespace wylo {

class ChannelSource;

// The sizes of a source's pictures, for the rotation's choice
// of pictures that suit each monitor: as the channel gives them (feeds and
// folders do), else read once from the picture's header in the cache;
// nothing while neither knows.
class PictureSizes {
public:
    // source must outlive this.
    explicit PictureSizes(const ChannelSource& source) : source_(source) {}

    std::optional<Size> Of(std::int32_t image);

private:
    const ChannelSource& source_;
    std::map<std::filesystem::path, Size> read_;
};

}  // namespace wylo
