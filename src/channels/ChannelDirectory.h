#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

// Channel documents come from the network; anything larger than this is
// refused before parsing, so a hostile server cannot make Wylo build a DOM of
// arbitrary size. Real directories and control files are a few kilobytes.
inline constexpr std::uintmax_t kMaxChannelDocumentBytes = 16 * 1024 * 1024;

// ASCII upper case; the directory compares element names this way.
std::string UpperAscii(std::string_view text);

// One channel the directory lists: its cache folder's name and the address
// of its control file, as the entry gives them (either may be empty).
struct DirectoryChannel {
    std::string id;
    std::string url;
};

// The channel directory: the document that lists every channel (under a
// section "PROVIDERS") and the directory-wide values (under "PROPERTIES"),
// read once when it opens. Element names are compared without regard to
// case (ASCII only); only element text is read, never attributes. A section
// is the first child so named of a top-level node, a later top-level node's
// replacing an earlier one's; an entry's value is its first child so named,
// a property the last.
class ChannelDirectory {
public:
    // Reads the file at path, replacing what was read before. Throws Error
    // naming the file when it cannot be read or parsed; the directory is
    // closed then.
    void Open(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return open_; }

    // True when the document has a "PROVIDERS" section, even an empty one:
    // it is a directory, not some other document.
    bool ListsChannels() const { return listsChannels_; }

    // Number of entries under "PROVIDERS"; 0 when the section is missing.
    int ChannelCount() const { return static_cast<int>(channels_.size()); }

    // The channel entry at index. Throws Error when index is outside the
    // list (callers resolve "the current channel" before asking).
    const DirectoryChannel& Channel(int index) const;

    // The "news" property: the Welcome page's address; empty when missing.
    const std::string& news() const { return news_; }

private:
    std::vector<DirectoryChannel> channels_;
    std::string news_;
    bool listsChannels_ = false;
    bool open_ = false;
};

}  // namespace wylo
