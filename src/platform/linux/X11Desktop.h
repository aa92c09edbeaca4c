#pragma once

#include <filesystem>
#include <vector>

#include "platform/Platform.h"

namespace wylo {

// The monitors of the X display named by $DISPLAY, from RandR, with the
// origin moved to the primary monitor's top-left. Empty without a display.
std::vector<Monitor> X11Monitors();

// Width and height of the bounding box of the monitors.
Size BoundingSize(const std::vector<Monitor>& monitors);

// Shows the bitmap on the X root window, tiled from the primary monitor's
// origin, and hands it to the desktop environment where it keeps its own
// wallpaper setting. Throws Error when no back-end could take it.
void X11SetWallpaper(const std::filesystem::path& path, bool tile);

// Rings the display's bell; nothing without a display.
void X11Bell();

}  // namespace wylo
