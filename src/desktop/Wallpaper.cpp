#include "desktop/Wallpaper.h"

#include <future>

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
    std::future<void> writing = std::async(std::launch::async, [&] { WriteBmpFile(file, canvas); });
    platform.SetWallpaperWhileWritten(file, canvas, true, [&writing] { writing.get(); });
    // A back-end that returned without waiting (none should) still does not
    // hide a failed write.
    if (writing.valid()) {
        writing.get();
    }
}

void InstallDesktop(Platform& platform) {
    platform.SetWallpaper(DesktopBitmapPath(platform), true);
}

}  // namespace wylo
