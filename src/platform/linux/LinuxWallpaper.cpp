#include "platform/linux/LinuxWallpaper.h"

#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "platform/linux/X11Desktop.h"

namespace wylo {

Bitmap ShiftForVirtualDesktop(const Bitmap& bitmap, DesktopOffset offset) {
    Bitmap shifted(bitmap.width(), bitmap.height());
    if (bitmap.empty()) {
        return shifted;
    }
    const std::int32_t w = bitmap.width();
    // Column u of a row comes from column (u - dx) mod W: two runs per row.
    const std::int32_t from = TileCoordinate(0, offset.dx, w);
    const std::size_t tail = static_cast<std::size_t>(w - from) * 3;
    const std::size_t head = static_cast<std::size_t>(from) * 3;
    for (std::int32_t v = 0; v < bitmap.height(); ++v) {
        const std::uint8_t* src = bitmap.Row(TileCoordinate(v, offset.dy, bitmap.height()));
        std::uint8_t* dst = shifted.Row(v);
        std::memcpy(dst, src + head, tail);
        std::memcpy(dst + tail, src, head);
    }
    return shifted;
}

std::filesystem::path DesktopEnvironmentCopyPath(const std::filesystem::path& wallpaper) {
    std::string name = wallpaper.stem().string();
    if (name.empty()) {
        name = "desktop";
    }
    return wallpaper.parent_path() / (name + "-de.bmp");
}

void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       std::string_view currentDesktop) {
    const Bitmap bitmap = ReadBmpFile(path);
    std::vector<std::string> failures;
    bool taken = false;

    try {
        X11SetRootWallpaper(bitmap, tile);
        taken = true;
    } catch (const Error& e) {
        failures.emplace_back(e.what());
    }

    const DesktopSession session = DetectDesktopSession(currentDesktop);
    if (session.Any()) {
        // These desktops tile from the virtual desktop's top-left corner, not
        // from the primary monitor's: they get a copy moved to match.
        std::filesystem::path file = path;
        const std::filesystem::path copy = DesktopEnvironmentCopyPath(path);
        const DesktopOffset offset = VirtualDesktopOffset(X11Monitors());
        std::error_code ignored;
        if (tile && (offset.dx != 0 || offset.dy != 0)) {
            try {
                WriteBmpFile(copy, ShiftForVirtualDesktop(bitmap, offset));
                file = copy;
            } catch (const Error& e) {
                // The unshifted picture is still better than none.
                failures.emplace_back(e.what());
            }
        } else {
            // A copy left from an earlier layout would only mislead.
            std::filesystem::remove(copy, ignored);
        }
        if (session.gnome && SetGSettingsWallpaper(kGnomeBackground, file, tile)) {
            taken = true;
        }
        if (session.cinnamon && SetGSettingsWallpaper(kCinnamonBackground, file, tile)) {
            taken = true;
        }
        if (session.mate && SetGSettingsWallpaper(kMateBackground, file, tile)) {
            taken = true;
        }
        if (session.xfce && SetXfceWallpaper(file, tile)) {
            taken = true;
        }
        if (session.plasma && SetPlasmaWallpaper(file, tile)) {
            taken = true;
        }
        if (!taken) {
            failures.emplace_back("the desktop environment did not accept it");
        }
    }

    if (!taken) {
        std::string message = "Unable to set the wallpaper";
        for (std::size_t i = 0; i < failures.size(); ++i) {
            message += i == 0 ? ": " : "; ";
            message += failures[i];
        }
        throw Error(message);
    }
}

}  // namespace wylo
