#pragma once

#include <filesystem>
#include <functional>

#include "schedule/ChannelSource.h"
#include "session/WallpaperHistory.h"

namespace wylo {

// A wallpaper of the history as the desktop change's channel: its images
// come from the channel's cache and their titles and colours from the
// history itself, so putting it back needs neither the network nor the
// channel's control file, and a channel that has changed since cannot
// swap in another picture.
class HistorySource : public ChannelSource {
public:
    // Where a picture that is not in the channel's cache lies: a folder
    // channel's photo, read where the folder holds it; empty when gone.
    using Locator = std::function<std::filesystem::path(const PastWallpaper::Image& image)>;

    // wallpaper must outlive the source.
    HistorySource(std::filesystem::path appFolder, const PastWallpaper& wallpaper,
                  Locator locate = {})
        : appFolder_(std::move(appFolder)), wallpaper_(wallpaper), locate_(std::move(locate)) {}

    // The picture of every image of the wallpaper is still there.
    bool IsCached() const;

    // Image index is the wallpaper's index-th image.
    std::string RefreshControlFile(std::int32_t) override { return {}; }
    std::int32_t ImageCount() const override;
    // The title and colours the history kept; the file name stands for the
    // address.
    ChannelPicture Image(std::int32_t index) const override;
    std::filesystem::path ImageFilePath(std::int32_t index) override;
    // A folder's photo is converted into the cache, never beside it.
    std::filesystem::path ConversionPath(std::int32_t index,
                                         const std::filesystem::path& picture) const override;
    std::string LastDownloadError() const override;
    std::string ChannelId(std::int32_t index) const override;

private:
    const PastWallpaper::Image* Find(std::int32_t index) const;
    std::filesystem::path CachedPath(const PastWallpaper::Image& image) const;
    // The cached picture, else where the locator finds it; empty when gone.
    std::filesystem::path PicturePath(const PastWallpaper::Image& image) const;

    std::filesystem::path appFolder_;
    const PastWallpaper& wallpaper_;
    Locator locate_;
    std::string error_;
};

}  // namespace wylo
