#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ChannelIndex.h"

namespace wylo {

// A channel the user added beside the directory's: a web address (a photo
// feed or another host's control file) or a folder of photos on the
// computer. The computer's own wallpapers come as such folders.
struct OwnChannel {
    enum class Kind {
        Address,    // a feed or a control file, told apart once fetched
        Folder,     // the photos in a folder and its subfolders
        Wallpapers  // a folder of wallpapers, one folder per picture in its sizes
    };
    Kind kind = Kind::Address;
    // The web address, or the folder's full path as UTF-8.
    std::string source;
    // The channel list's caption: the feed's title once read, or the folder's.
    std::string title;

    // The channel's cache folder name: made from the source, so the cache
    // survives a reordering, and never one of a directory's usual ids.
    std::string Id() const;
    friend bool operator==(const OwnChannel&, const OwnChannel&) = default;
};

inline constexpr std::size_t kMaxOwnChannels = 1000;

// The file the own channels are kept in, a text a person can read and edit:
// one block per channel, blocks apart by a blank line, each line a name, a
// colon and a value ("title: Sunsets", then "address: https://..." or
// "folder: /home/me/Pictures/Sunsets" or "wallpapers: /usr/share/wallpapers").
// Lines starting with "#" are comments.
std::string OwnChannelsText(const std::vector<OwnChannel>& channels);
// Reads that text; blocks without a usable source (an address other than
// http or https, an empty folder name) and repeats are left out, and at most
// kMaxOwnChannels are read.
std::vector<OwnChannel> ParseOwnChannels(std::string_view text);

}  // namespace wylo
