#pragma once

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "compose/Bitmap.h"
#include "compose/DesktopCanvas.h"
#include "platform/linux/DesktopEnvironment.h"
#include "platform/linux/X11Desktop.h"

namespace wylo {

// The bitmap moved so that a desktop tiling it from the virtual desktop's
// top-left corner shows what the X root shows when tiling the original from
// the primary monitor's origin: pixel (u, v) of the copy is pixel
// ((u - dx) mod W, (v - dy) mod H) of the original.
Bitmap ShiftForVirtualDesktop(const Bitmap& bitmap, DesktopOffset offset);

// What one monitor shows of the wallpaper, as its own picture: bounds are in
// the program's coordinates (origin at the primary monitor's top-left).
// Tiled, the wallpaper repeats from the primary's origin; untiled, it is
// centred on the primary monitor (primary) on black.
Bitmap CropForMonitor(const Bitmap& wallpaper, const Rect& bounds, bool tile, const Rect& primary);

// The files a change hands to desktops that are told a path. Each change
// uses new names, so every change is a real change of the desktop's setting
// and a desktop that keeps its picture by name reloads it: "desktop-a.bmp"
// and "desktop-b.bmp" take turns (with "desktop-a-1.bmp"... for each
// monitor's own picture), beside the wallpaper file, which itself keeps its
// name. Files are written when first asked for.
class DesktopFiles {
public:
    explicit DesktopFiles(std::filesystem::path wallpaper);

    // "a" or "b": the other one than the files of the last change.
    char Letter() const { return letter_; }
    // The whole picture, moved by offset (see ShiftForVirtualDesktop).
    std::filesystem::path Canvas(const Bitmap& wallpaper, DesktopOffset offset);
    // Monitor number index (0-based) as its own picture.
    std::filesystem::path Monitor(std::size_t index, const Bitmap& picture);

    // The change went through: the files of earlier changes go.
    void Keep();
    // It did not: the files just written go, the earlier ones stay.
    void Discard();

    static std::filesystem::path PathFor(const std::filesystem::path& wallpaper, char letter,
                                         int monitor);

private:
    std::filesystem::path wallpaper_;
    char letter_ = 'a';
    std::vector<std::filesystem::path> written_;
};

// Installs the bitmap file at path on every back-end the session has: the
// desktop environment's own setting and, where it shows, the X root window.
// The root is left alone (and Wylo's earlier root picture freed) when a
// desktop took the picture and draws its own background over the root, and
// on Wayland, where the X root is not seen. Throws Error when the file
// cannot be read, and "No desktop took the picture: no way to set the
// wallpaper on this desktop (NAME): ..." when nothing that is seen took it.
void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       const SessionEnvironment& environment);

// The same for the picture the file at path was just written from; it is
// not read back. The X root is drawn into prepared when there is one. With
// fileWritten, the file is still being written: that returns once it is
// whole (or throws why not, which reaches the caller before anything shows)
// and is called before any desktop is handed the path; where only the X root
// shows the wallpaper, the picture goes to the server meanwhile.
void SetLinuxWallpaper(const std::filesystem::path& path, const Bitmap& picture, bool tile,
                       const SessionEnvironment& environment,
                       X11RootPreparation* prepared = nullptr,
                       const std::function<void()>& fileWritten = {});

// True when the X root window is where the session shows its wallpaper: an
// X session without a desktop that takes the picture itself.
bool RootShowsTheWallpaper(const SessionEnvironment& environment);

// The same, the session named by currentDesktop alone (no Wayland).
void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       std::string_view currentDesktop);

// The session's monitors: sway's outputs under sway, else the X display's
// RandR monitors, else the outputs the Wayland compositor announces.
std::vector<Monitor> LinuxMonitors(const SessionEnvironment& environment);

}  // namespace wylo
