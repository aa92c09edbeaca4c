#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTime.h"

namespace wylo {

// One wallpaper that was on the desktop: the channel it came from and, per
// monitor that showed an image, which image. Each image carries what it
// takes to put it back from the cache without its control file: the cached
// file's name and the colours it suggested.
struct PastWallpaper {
    struct Image {
        std::int32_t monitor = 0;
        std::int32_t image = 0;
        // The cached picture's name in the channel's images folder.
        std::string fileName;
        std::string title;
        // "#RRGGBB", or empty when the channel suggested none.
        std::string background;
        std::string font;
        // The channel the image came from, when not the wallpaper's (a
        // monitor that shows a channel of its own).
        std::string channelId = {};
        friend bool operator==(const Image&, const Image&) = default;
    };

    DateTime time = 0;
    // The channel's position in the directory and its identifier, which
    // names its cache folder.
    std::int32_t channel = -1;
    std::string channelId;
    // In monitor order; never empty.
    std::vector<Image> images;
    // The id of the channel image came from.
    const std::string& ChannelOf(const Image& image) const {
        return image.channelId.empty() ? channelId : image.channelId;
    }
    friend bool operator==(const PastWallpaper&, const PastWallpaper&) = default;
};

struct WallpaperHistoryLoad;

// The last wallpapers, oldest first, with the one now on the desktop marked
// by a position, so the user can step back and forth through them. Kept in
// a text file of its own, rewritten whole and atomically at every change.
class WallpaperHistory {
public:
    static constexpr std::size_t kCapacity = 50;
    // Limits on what a file may hold; anything beyond them is damage.
    static constexpr std::size_t kMaxMonitors = 16;
    static constexpr std::size_t kMaxTitleBytes = 200;

    const std::vector<PastWallpaper>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }
    // The entry now on the desktop; nothing when the history is empty.
    std::optional<std::size_t> position() const;
    const PastWallpaper* Current() const;

    // A new wallpaper went on the desktop: it becomes the newest entry and the
    // current one, and the oldest goes beyond kCapacity. Titles are cut and
    // cleaned of control characters so the file stays one entry per line.
    void Add(PastWallpaper wallpaper);
    // Moves the position to entry index (which must exist).
    void MoveTo(std::size_t index);
    bool CanGoBack() const;
    bool CanGoForward() const;

    // The file's text, and reading it back. Parse returns nothing and sets
    // problem (when given) for text that is not a history this program wrote.
    std::string Text() const;
    static std::optional<WallpaperHistory> Parse(std::string_view text,
                                                 std::string* problem = nullptr);

    // Where the history is kept in the application folder.
    static std::filesystem::path FilePath(const std::filesystem::path& appFolder);

    // Reads the file at path; a damaged one is moved aside (see below).
    static WallpaperHistoryLoad Load(const std::filesystem::path& path);
    // Throws Error("Unable to write to <path>") when the file cannot be written.
    void Save(const std::filesystem::path& path) const;

private:
    std::vector<PastWallpaper> entries_;
    std::size_t position_ = 0;
};

// What loading the history file came to.
struct WallpaperHistoryLoad {
    WallpaperHistory history;
    // Empty when the file was read (or did not exist). Otherwise the file
    // was damaged: the history starts empty, the damaged file was moved
    // aside, and this says so in words a user can read.
    std::string message;
};

}  // namespace wylo
