#pragma once

#include <filesystem>

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
    // wallpaper must outlive the source.
    HistorySource(std::filesystem::path appFolder, const PastWallpaper& wallpaper)
        : appFolder_(std::move(appFolder)), wallpaper_(wallpaper) {}

    // The cached picture of every image of the wallpaper is still there.
    bool IsCached() const;

    std::string RefreshControlFile(std::int32_t) override { return {}; }
    std::int32_t ImageCount() const override;
    std::string ImageValue(std::string_view name, std::int32_t index) const override;
    std::filesystem::path ImageFilePath(std::int32_t index) override;
    std::string LastDownloadError() const override;

private:
    const PastWallpaper::Image* Find(std::int32_t index) const;
    std::filesystem::path CachedPath(const PastWallpaper::Image& image) const;

    std::filesystem::path appFolder_;
    const PastWallpaper& wallpaper_;
    std::string error_;
};

}  // namespace wylo
