#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace wylo {

// Paths as UTF-8 text and back, the same on every system (a plain
// std::string path is in the system's code page on Windows).
inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

inline std::filesystem::path PathFromText(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace wylo
