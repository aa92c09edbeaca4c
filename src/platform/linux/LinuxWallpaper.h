#pragma once

#include <filesystem>
#include <string_view>

#include "compose/Bitmap.h"
#include "compose/DesktopCanvas.h"
#include "platform/linux/DesktopEnvironment.h"

namespace wylo {

// The bitmap moved so that a desktop tiling it from the virtual desktop's
// top-left corner shows what the X root shows when tiling the original from
// the primary monitor's origin: pixel (u, v) of the copy is pixel
// ((u - dx) mod W, (v - dy) mod H) of the original.
Bitmap ShiftForVirtualDesktop(const Bitmap& bitmap, DesktopOffset offset);

// Where that copy is kept: beside the wallpaper, its name followed by "-de"
// ("desktop.bmp" gives "desktop-de.bmp"), always in the same folder.
std::filesystem::path DesktopEnvironmentCopyPath(const std::filesystem::path& wallpaper);

// Installs the bitmap file at path on every back-end the session has: the X
// root window, and the desktop environment's own setting (named by
// currentDesktop, the text of $XDG_CURRENT_DESKTOP) with the shifted copy.
// Throws Error when the file cannot be read or no back-end took it.
void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       std::string_view currentDesktop);

}  // namespace wylo
