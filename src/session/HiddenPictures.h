#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace wylo {

// The pictures the user asked never to see again, each named by its
// channel's identifier and its file name in that channel's cache. Kept in a
// text file of its own in the application folder, one picture a line: the
// identifier, a tab, the file name.
class HiddenPictures {
public:
    // Bounds on what a file may hold; lines beyond them are not read.
    static constexpr std::size_t kMaxEntries = 100000;
    static constexpr std::size_t kMaxLineBytes = 1024;

    static std::filesystem::path FilePath(const std::filesystem::path& appFolder);
    // A missing or unreadable file is an empty list; lines that are not a
    // picture of this program's are passed over.
    static HiddenPictures Load(const std::filesystem::path& path);
    // Throws Error("Unable to write to <path>") when the file cannot be
    // written; the file it replaces stays whole.
    void Save(const std::filesystem::path& path) const;

    bool Contains(std::string_view channelId, std::string_view fileName) const;
    // False when the picture was hidden already or cannot be named in the
    // file (empty, or with a tab or a line break).
    bool Add(std::string_view channelId, std::string_view fileName);
    void Clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    std::set<std::pair<std::string, std::string>, std::less<>> entries_;
};

}  // namespace wylo
