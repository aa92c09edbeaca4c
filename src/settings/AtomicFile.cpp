#include "settings/AtomicFile.h"

#include <system_error>

namespace wylo {

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
