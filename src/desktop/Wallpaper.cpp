#include "desktop/Wallpaper.h"

#include "compose/BmpFile.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"

namespace wylo {

std::filesystem::path DesktopBitmapPath(const Platform& platform) {
    return AppFolder(platform) / "desktop.bmp";
}

void SaveDesktop(Platform& platform, const Bitmap& canvas) {
    EnsureAppFolder(platform);
    // WriteBmpFile writes beside the target and renames over it.
    const std::filesystem::path path = DesktopBitmapPath(platform);
    WriteBmpFile(path, canvas);
    // The canvas goes along, so a back-end that draws it need not read the
    // file back.
    platform.SetWallpaperWritten(path, canvas, true);
}

void InstallDesktop(Platform& platform) {
    platform.SetWallpaper(DesktopBitmapPath(platform), true);
}

}  // namespace wylo
