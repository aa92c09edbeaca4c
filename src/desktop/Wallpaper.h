#pragma once

#include <filesystem>

namespace wylo {

class Bitmap;
class Platform;

// Where the composed desktop is kept: "desktop.bmp" directly in AppFolder.
std::filesystem::path DesktopBitmapPath(const Platform& platform);

// Writes canvas to desktop.bmp and installs it. The file is replaced in one
// step, so the installed wallpaper is never half-written; when the write
// fails the earlier file stays, nothing is installed and Error is thrown.
void SaveDesktop(Platform& platform, const Bitmap& canvas);

// Writes canvas to file and makes it the tiled wallpaper, as SaveDesktop
// does: the back-end may draw the picture while the file is written, but
// nothing is installed unless the file was written whole.
void WriteAndInstallWallpaper(Platform& platform, const std::filesystem::path& file,
                              const Bitmap& canvas);

// Makes desktop.bmp the wallpaper, tiled from the primary monitor's origin.
void InstallDesktop(Platform& platform);

}  // namespace wylo
