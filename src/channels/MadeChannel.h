#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "channels/ChannelDescription.h"

namespace wylo {

// A channel Wylo makes itself from a source that publishes no control file:
// a photo feed, or a folder of photos on the computer. It is written as a
// control file into the channel's cache folder, so the images list, the
// rotation, the history and every change read it like any other channel's.
//
// Besides the elements every control file has, an image entry Wylo made
// carries "file" (the picture's name in the cache), "path" (a photo on the
// computer: where it is), "credit", "width" and "height" when known, and
// "stamp" (a photo on the computer: its size and time when it was read).

// The control file of channel, as UTF-8 XML text.
std::string MadeControlFileText(const ChannelDescription& channel);

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
// The same for a picture of a channel.
std::string PictureCacheName(const ChannelPicture& picture);

}  // namespace wylo
