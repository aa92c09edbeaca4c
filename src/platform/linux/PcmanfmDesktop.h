#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace wylo {

// LXDE's desktop (pcmanfm) and LXQt's (pcmanfm-qt) draw their own window
// over the root and take their picture from the running file manager.

// The command line that hands file to pcmanfm or, with qt set, pcmanfm-qt.
std::vector<std::string> PcmanfmWallpaperCommand(const std::filesystem::path& file, bool tile,
                                                 bool qt);

// Runs that command; false when the program is missing or refused.
bool SetPcmanfmWallpaper(const std::filesystem::path& file, bool tile, bool qt);

}  // namespace wylo
