// The wallpaper history file: whatever it accepts names only safe files,
// keeps within its limits and reads back the same from its own text.

#include "channels/Download.h"
#include "session/WallpaperHistory.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::optional<WallpaperHistory> history = WallpaperHistory::Parse(fuzz::Text(data, size));
    if (!history) {
        return 0;
    }
    fuzz::Require(history->entries().size() <= WallpaperHistory::kCapacity);
    for (const PastWallpaper& w : history->entries()) {
        fuzz::Require(IsSafeName(w.channelId));
        fuzz::Require(!w.images.empty() && w.images.size() <= WallpaperHistory::kMaxMonitors);
        for (const PastWallpaper::Image& image : w.images) {
            fuzz::Require(IsSafeName(image.fileName));
            fuzz::Require(image.title.size() <= WallpaperHistory::kMaxTitleBytes);
        }
    }
    const std::optional<WallpaperHistory> again = WallpaperHistory::Parse(history->Text());
    fuzz::Require(again && again->entries() == history->entries() &&
                  again->position() == history->position());
    return 0;
}
