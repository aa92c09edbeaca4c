#include "platform/AppFolder.h"

#include <system_error>

namespace wylo {

std::filesystem::path AppFolder(const Platform& platform) {
    // A trailing empty element gives the path its final separator.
    return platform.SharedDataFolder() / "Wylo" / "";
}

void EnsureAppFolder(const Platform& platform) {
    std::error_code ignored;
    std::filesystem::create_directories(AppFolder(platform), ignored);
}

}  // namespace wylo
