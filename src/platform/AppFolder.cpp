#include "platform/AppFolder.h"

#include <system_error>

namespace wylo {

std::filesystem::path AppFolder(const Platform& platform) {
    // When the system names no data folder, the folder sits at the root (of
    // the current drive, on Windows) rather than wherever the program was
    // started. A trailing empty element gives the path its final separator.
    std::filesystem::path base = platform.SharedDataFolder();
    if (base.empty()) {
        base = std::filesystem::path("/").make_preferred();
    }
    return base / "Wylo" / "";
}

void EnsureAppFolder(const Platform& platform) {
    std::error_code ignored;
    std::filesystem::create_directories(AppFolder(platform), ignored);
}

}  // namespace wylo
