#pragma once

#include <filesystem>
#include <string>

#include "channels/ChannelDescription.h"

namespace wylo {

// A channel's control file (Channel.xml), read into a ChannelDescription: a
// root element "provider" whose children carry the channel's values, and an
// "images" child whose element children are the image entries, taken by
// position whatever their names. Element names match exactly, case
// included. A missing element, a document that is not loaded or any other
// trouble reads as an empty text or 0.
class ControlFile {
public:
    // Replaces the description with the file at path. False, and the
    // description emptied, when the file is missing, too large or not
    // well-formed; LoadError() then tells why.
    bool Load(const std::filesystem::path& path);
    void Close();
    bool IsLoaded() const { return loaded_; }
    // Why the last Load failed; empty after a successful one.
    const std::string& LoadError() const { return loadError_; }

    // What the file says; empty when none is loaded.
    const ChannelDescription& channel() const { return channel_; }
    // Number of image entries.
    int ImageCount() const { return static_cast<int>(channel_.images.size()); }
    // The image entry at index; an empty one when there is none there.
    const ChannelPicture& Image(int index) const;

private:
    ChannelDescription channel_;
    std::string loadError_;
    bool loaded_ = false;
};

}  // namespace wylo
