#include "session/HistorySource.h"

#include <algorithm>
#include <system_error>

#include "channels/Download.h"

namespace wylo {

const PastWallpaper::Image* HistorySource::Find(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= wallpaper_.images.size()) {
        return nullptr;
    }
    return &wallpaper_.images[static_cast<std::size_t>(index)];
}

std::filesystem::path HistorySource::CachedPath(const PastWallpaper::Image& image) const {
    // The file read back names its folder and file; both are checked again
    // here so a hand-edited history cannot reach outside the cache.
    const std::string& channelId = wallpaper_.ChannelOf(image);
    if (!IsSafeName(channelId) || !IsSafeName(image.fileName)) {
        return {};
    }
    return appFolder_ / "cache" / channelId / "images" / image.fileName;
}

std::filesystem::path HistorySource::PicturePath(const PastWallpaper::Image& image) const {
    std::error_code ec;
    const std::filesystem::path cached = CachedPath(image);
    if (cached.empty()) {
        return {};
    }
    if (std::filesystem::is_regular_file(cached, ec)) {
        return cached;
    }
    const std::filesystem::path found = locate_ ? locate_(image) : std::filesystem::path();
    return !found.empty() && std::filesystem::is_regular_file(found, ec) ? found
                                                                         : std::filesystem::path();
}

bool HistorySource::IsCached() const {
    return !wallpaper_.images.empty() &&
           std::all_of(
               wallpaper_.images.begin(), wallpaper_.images.end(),
               [this](const PastWallpaper::Image& image) { return !PicturePath(image).empty(); });
}

std::filesystem::path HistorySource::ConversionPath(std::int32_t index,
                                                    const std::filesystem::path& picture) const {
    const PastWallpaper::Image* image = Find(index);
    const std::filesystem::path cached = image ? CachedPath(*image) : std::filesystem::path();
    if (cached.empty() || picture == cached) {
        return ChannelSource::ConversionPath(index, picture);
    }
    return std::filesystem::path(cached).replace_extension(".bmp");
}

std::int32_t HistorySource::ImageCount() const {
    return static_cast<std::int32_t>(wallpaper_.images.size());
}

std::string HistorySource::ChannelId(std::int32_t index) const {
    const PastWallpaper::Image* image = Find(index);
    return image ? wallpaper_.ChannelOf(*image) : std::string();
}

ChannelPicture HistorySource::Image(std::int32_t index) const {
    ChannelPicture picture;
    if (const PastWallpaper::Image* image = Find(index)) {
        picture.title = image->title;
        picture.background = image->background;
        picture.font = image->font;
        picture.loc = image->fileName;  // enough to name the picture
    }
    return picture;
}

std::filesystem::path HistorySource::ImageFilePath(std::int32_t index) {
    const PastWallpaper::Image* image = Find(index);
    const std::filesystem::path path = image ? PicturePath(*image) : std::filesystem::path();
    if (path.empty()) {
        error_ = "The picture is no longer in the cache.";
        return {};
    }
    error_.clear();
    return path;
}

std::string HistorySource::LastDownloadError() const {
    return error_;
}

}  // namespace wylo
