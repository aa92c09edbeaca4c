#include "platform/linux/PcmanfmDesktop.h"

#include "platform/linux/DesktopEnvironment.h"

namespace wylo {

std::vector<std::string> PcmanfmWallpaperCommand(const std::filesystem::path& file, bool tile,
                                                 bool qt) {
    const std::string path = std::filesystem::absolute(file).string();
    const std::string mode = tile ? "tile" : "center";
    // One argument each: a path starting with a dash stays a path.
    if (qt) {
        return {"pcmanfm-qt", "--set-wallpaper=" + path, "--wallpaper-mode=" + mode};
    }
    return {"pcmanfm", "--set-wallpaper=" + path, "--wallpaper-mode=" + mode};
}

bool SetPcmanfmWallpaper(const std::filesystem::path& file, bool tile, bool qt) {
    return RunProgram(PcmanfmWallpaperCommand(file, tile, qt)) == 0;
}

}  // namespace wylo
