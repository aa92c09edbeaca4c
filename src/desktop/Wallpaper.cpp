#include "desktop/Wallpaper.h"

#include "base/SideTask.h"
#include "compose/BmpFile.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"

namespace wylo {

std::filesystem::path DesktopBitmapPath(const Platform& platform) {
    return AppFolder(platform) / "desktop.bmp";
}

void SaveDesktop(Platform& platform, const Bitmap& canvas) {
    EnsureAppFolder(platform);
    WriteAndInstallWallpaper(platform, DesktopBitmapPath(platform), canvas);
}

void WriteAndInstallWallpaper(Platform& platform, const std::filesystem::path& file,
                              const Bitmap& canvas) {
    // WriteBmpFile writes beside the target and renames over it. The canvas
    // goes along, so a back-end that draws it need not read the file back,
    // and can draw it while the file is written.
    SideTask writing([&] { WriteBmpFile(file, canvas); });
    platform.SetWallpaperWhileWritten(file, canvas, true, [&writing] { writing.Get(); });
    // A back-end that returned without waiting (none should) still does not
    // hide a failed write.
    writing.Get();
}

void InstallDesktop(Platform& platform) {
    platform.SetWallpaper(DesktopBitmapPath(platform), true);
}

}  // namespace wylo
