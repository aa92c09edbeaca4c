#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>

#include "base/Geometry.h"

namespace wylo {

class ChannelSession;
class ChannelSource;

// The sizes of the subscribed channel's pictures, for the rotation's choice
// of pictures that suit each monitor: as the channel gives them (feeds and
// folders do), else read once from the picture's header in the cache;
// nothing while neither knows.
class PictureSizes {
public:
    // Both must outlive this.
    PictureSizes(ChannelSession& channels, const ChannelSource& source)
        : channels_(channels), source_(source) {}

    std::optional<Size> Of(std::int32_t image);

private:
    ChannelSession& channels_;
    const ChannelSource& source_;
    std::map<std::filesystem::path, Size> read_;
};

}  // namespace wylo
