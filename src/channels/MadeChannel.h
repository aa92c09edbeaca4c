#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

class ControlFile;

// A channel Wylo makes itself from a source that publishes no control file:
// a photo feed, or a folder of photos on the computer. It is written as a
// control file into the channel's cache folder, so the images list, the
// rotation, the history and every change read it like any other channel's.
//
// Besides the elements every control file has, an image entry Wylo made
// carries "file" (the picture's name in the cache), "path" (a photo on the
// computer: where it is), "credit", "width" and "height" when known, and
// "stamp" (a photo on the computer: its size and time when it was read).

struct MadeImage {
    std::string title;
    // The picture's http(s) address; empty for a photo on the computer.
    std::string loc;
    // A photo on the computer: its full path. Read only for channels the
    // user made from a folder, never because a control file says so.
    std::filesystem::path path;
    // The thumbnail's address; empty when the source has none.
    std::string thumb;
    // The picture's name in the channel's cache (its download, conversion
    // and thumbnail): safe as a file name, unique in the channel.
    std::string file;
    std::string credit;
    // "#RRGGBB", or empty to leave the colours to the picture.
    std::string background;
    std::string font;
    std::int32_t width = 0;
    std::int32_t height = 0;
    // A photo on the computer: its size and time when it was read, so an
    // unchanged photo is not read again at the next scan.
    std::string stamp;
};

struct MadeChannel {
    std::string title;
    std::string description;
    std::string copyright;
    // The address of the source's own page; empty when it has none.
    std::string news;
    std::vector<MadeImage> images;
};

// The control file of channel, as UTF-8 XML text.
std::string MadeControlFileText(const MadeChannel& channel);

// A name for a picture in the cache that no other picture of the channel
// has: wanted when it is a safe name ending in ".jpg" or ".jpeg" that taken
// does not hold yet (compared without regard to case), otherwise wanted's
// stem cut short with 16 hexadecimal digits made from key (the picture's
// address or path) and ".jpg". The name is added to taken.
std::string UniqueCacheName(std::string_view wanted, std::string_view key,
                            std::set<std::string>& taken);

// The name a picture has in its channel's cache, from its image entry's
// "file" and "loc": the file when that is a safe name, otherwise the file
// name of the address. Empty when it has neither.
std::string PictureCacheName(std::string_view file, std::string_view loc);
// The same for image index of a control file.
std::string ImageCacheName(const ControlFile& controlFile, int index);

}  // namespace wylo
