#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace wylo {

// What a pass over the cache found and did.
struct CachePruning {
    // Every file under the cache folder, before and after the pass.
    std::uintmax_t bytesBefore = 0;
    std::uintmax_t bytesAfter = 0;
    // Pictures removed, each with its conversion.
    std::size_t picturesRemoved = 0;
};

// Names a picture in the cache: its channel's identifier (the folder under
// the cache) and its file name in that channel's images folder.
using CachedPictureTest =
    std::function<bool(std::string_view channelId, std::string_view fileName)>;

// Brings the cache folder (AppFolder's "cache") within limit bytes by
// removing the pictures shown least recently, each with its BMP conversion,
// oldest first; a picture for which keep answers true is never removed.
// When a picture was last shown is the later of its own file's time and its
// conversion's, which every change that shows it writes anew. Control files,
// previews and thumbnails count toward the size but stay. Files that cannot
// be read or removed are passed over.
CachePruning PruneCache(const std::filesystem::path& cacheFolder, std::uintmax_t limit,
                        const CachedPictureTest& keep);

// Every file under the cache folder, counted as PruneCache counts them; 0
// when there is no cache yet. Files that cannot be read are passed over.
std::uintmax_t CacheSize(const std::filesystem::path& cacheFolder);

// What the settings page says the cache holds: "The cache holds 312 MB."
std::string CacheSizeText(std::uintmax_t bytes);

}  // namespace wylo
