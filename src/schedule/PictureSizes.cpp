#include "schedule/PictureSizes.h"

#include <string>
#include <system_error>

#include "compose/Jpeg.h"
#include "schedule/ChannelSource.h"

namespace wylo {

std::optional<Size> PictureSizes::Of(std::int32_t image) {
    const ChannelPicture given = source_.Image(image);
    if (given.width > 0 && given.height > 0) {
        return Size{given.width, given.height};
    }
    const std::filesystem::path picture = source_.CachedPicturePath(image);
    if (picture.empty()) {
        return std::nullopt;
    }
    if (const auto known = read_.find(picture); known != read_.end()) {
        return known->second;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(picture, ec)) {
        return std::nullopt;
    }
    const std::optional<Size> size = JpegFileSize(picture);
    if (size) {
        constexpr std::size_t kMostRemembered = 100'000;
        if (read_.size() >= kMostRemembered) {
            read_.clear();
        }
        read_.emplace(picture, *size);
    }
    return size;
}

}  // namespace wylo
