#include "session/HistorySource.h"

#include <algorithm>
#include <system_error>

#include "channels/Download.h"

namespace wylo {

const PastWallpaper::Image* HistorySource::Find(std::int32_t index) const {
    for (const PastWallpaper::Image& image : wallpaper_.images) {
        if (image.image == index) {
            return &image;
        }
    }
    return nullptr;
}

std::filesystem::path HistorySource::CachedPath(const PastWallpaper::Image& image) const {
    // The file read back names its folder and file; both are checked again
    // here so a hand-edited history cannot reach outside the cache.
    if (!IsSafeName(wallpaper_.channelId) || !IsSafeName(image.fileName)) {
        return {};
    }
    return appFolder_ / "cache" / wallpaper_.channelId / "images" / image.fileName;
}

bool HistorySource::IsCached() const {
    return !wallpaper_.images.empty() &&
           std::all_of(wallpaper_.images.begin(), wallpaper_.images.end(),
                       [this](const PastWallpaper::Image& image) {
                           std::error_code ec;
                           const std::filesystem::path path = CachedPath(image);
                           return !path.empty() && std::filesystem::is_regular_file(path, ec);
                       });
}

std::int32_t HistorySource::ImageCount() const {
    std::int32_t count = 0;
    for (const PastWallpaper::Image& image : wallpaper_.images) {
        count = std::max(count, image.image + 1);
    }
    return count;
}

std::string HistorySource::ImageValue(std::string_view name, std::int32_t index) const {
    const PastWallpaper::Image* image = Find(index);
    if (!image) {
        return {};
    }
    if (name == "title") {
        return image->title;
    }
    if (name == "background") {
        return image->background;
    }
    if (name == "font") {
        return image->font;
    }
    if (name == "loc") {
        return image->fileName;  // enough to name the picture
    }
    return {};
}

std::filesystem::path HistorySource::ImageFilePath(std::int32_t index) {
    const PastWallpaper::Image* image = Find(index);
    const std::filesystem::path path = image ? CachedPath(*image) : std::filesystem::path();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
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
