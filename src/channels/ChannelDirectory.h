#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace wylo {

// Channel documents come from the network; anything larger than this is
// refused before parsing, so a hostile server cannot make Wylo build a DOM of
// arbitrary size. Real directories and control files are a few kilobytes.
inline constexpr std::uintmax_t kMaxChannelDocumentBytes = 16 * 1024 * 1024;

// Parses the XML file at path into doc (replacing what it held). Throws Error
// naming the file when it is missing, too large or not well-formed; doc is
// then empty. Entities declared in a DTD are never expanded.
void LoadChannelDocument(pugi::xml_document& doc, const std::filesystem::path& path);

// ASCII upper case; the directory compares element names this way.
std::string UpperAscii(std::string_view text);

// The channel directory: the document that lists every channel (under a
// section "PROVIDERS") and the directory-wide values (under "PROPERTIES").
// Element names are compared without regard to case; only element text is
// read, never attributes.
class ChannelDirectory {
public:
    // Parses the file at path, replacing the document held before. Throws
    // Error naming the file when it cannot be read or parsed; the directory
    // is closed then.
    void Open(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return open_; }

    // The first child named NAME (either case) of a top-level node; a match
    // under a later top-level node replaces an earlier one. Null when none.
    pugi::xml_node FindDirectorySection(std::string_view name) const;

    // Number of entries under "PROVIDERS"; 0 when the section is missing.
    int ChannelCount() const;

    // Text of the first child named name (either case) of the channel entry
    // at index; empty when the entry has no such child. Throws Error when
    // index is outside the list (callers resolve "the current channel"
    // before asking).
    std::string ChannelValue(std::string_view name, int index) const;

    // Text of the last child named name (either case) of "PROPERTIES"; empty
    // when missing.
    std::string DirectoryProperty(std::string_view name) const;

private:
    pugi::xml_document doc_;
    // The entries of "PROVIDERS" in document order, so that looking up a
    // channel by position does not walk the list each time.
    std::vector<pugi::xml_node> channels_;
    bool open_ = false;
};

}  // namespace wylo
