#pragma once

#include <chrono>
#include <filesystem>

namespace wylo {

// A temporary file untouched for this long belongs to no save or download
// still running (a running one writes at least every few seconds), so another
// Wylo starting meanwhile never takes one from under it.
inline constexpr std::chrono::seconds kLeftoverMinAge{60};

// Removes what a save or download killed half-way leaves behind in
// appFolder: temporary copies of the settings file beside "Wylo.ini",
// downloads' ".part" files in appFolder and in the channel cache (each
// channel's folder and its "images" and "thumbs"), and unfinished ".bmp.tmp"
// files of the wallpaper ("desktop*.bmp.tmp") and of the cache's
// conversions. Only files with these temporary names, last written at least
// minAge ago, and only inside appFolder: symbolic links are neither followed
// nor removed. Returns how many files were removed; never throws.
int RemoveLeftovers(const std::filesystem::path& appFolder,
                    std::chrono::seconds minAge = kLeftoverMinAge);

}  // namespace wylo
