#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace wylo {

// A channel and its pictures, typed: what a control file says, and what Wylo
// makes of a photo feed or a folder (written as a control file of its own
// and read back the same way). Read once, when the control file loads; the
// rest of the program reads these fields. Texts are as the source gave them
// (cut and cleaned only where they are shown); a missing value is empty or 0.

struct ChannelPicture {
    std::string title;
    // The picture's http(s) address; empty for a photo on the computer.
    std::string loc;
    // A photo on the computer: its full path. Read only for channels the
    // user made from a folder, never because a control file says so.
    std::filesystem::path path;
    // The thumbnail's address; empty when the source has none.
    std::string thumb;
    // The picture's name in the channel's cache (its download, conversion
    // and thumbnail): safe as a file name, unique in the channel. Empty in
    // a publisher's control file: the name then comes from loc.
    std::string file;
    std::string credit;
    // The suggested colours: "#RRGGBB" or a number, or empty to leave them
    // to the picture.
    std::string background;
    std::string font;
    // The picture's size when the source gives it; 0 when unknown.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // A photo on the computer: its size and time when it was read, so an
    // unchanged photo is not read again at the next scan.
    std::string stamp;
};

struct ChannelDescription {
    std::string title;
    std::string description;
    std::string copyright;
    // The address of the channel's news page (a feed's own page); empty when
    // it has none.
    std::string news;
    // The address of the terms a subscriber accepts, and of the preview
    // picture shown on the Channels List.
    std::string legal;
    std::string preview;
    // The control file's subscription flag, as written ("1", "True", ...).
    std::string subscription;
    std::vector<ChannelPicture> images;
};

}  // namespace wylo
