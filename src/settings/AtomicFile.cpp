#include "settings/AtomicFile.h"

#include <system_error>

namespace wylo {

bool IsAtomicWriteLeftover(std::string_view targetName, std::string_view name) {
    constexpr std::string_view kMarker = ".tmp-";
    constexpr std::size_t kDigits = 16;
    if (name.size() != targetName.size() + kMarker.size() + kDigits ||
        !name.starts_with(targetName) ||
        name.substr(targetName.size(), kMarker.size()) != kMarker) {
        return false;
    }
    for (const char c : name.substr(targetName.size() + kMarker.size())) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string FullPathText(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    const std::u8string text = full.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace wylo
