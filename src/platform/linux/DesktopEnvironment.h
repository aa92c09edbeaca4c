#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

// The desktop environments of the session that keep a wallpaper setting of
// their own (drawn over the X root window).
struct DesktopSession {
    bool gnome = false;     // GNOME and its relatives: org.gnome.desktop.background
    bool cinnamon = false;  // org.cinnamon.desktop.background
    bool mate = false;      // org.mate.background
    bool xfce = false;      // xfdesktop, through xfconf-query
    bool plasma = false;    // KDE Plasma, through its shell's scripting interface

    bool Any() const { return gnome || cinnamon || mate || xfce || plasma; }
};

// Reads the colon-separated desktop names of $XDG_CURRENT_DESKTOP (any case).
DesktopSession DetectDesktopSession(std::string_view currentDesktop);

// Where a GSettings-based desktop keeps its wallpaper. Null keys are not used.
struct GSettingsWallpaperKeys {
    const char* schema;
    const char* uriKey;      // a file:// URI
    const char* darkUriKey;  // the same for the dark style, when the schema has it
    const char* fileKey;     // a plain path, where the desktop takes one
    const char* optionsKey;  // "wallpaper" tiles, "centered" centres
};
extern const GSettingsWallpaperKeys kGnomeBackground;
extern const GSettingsWallpaperKeys kCinnamonBackground;
extern const GSettingsWallpaperKeys kMateBackground;

// Points the schema's keys at file. The schema is looked up first, so a
// desktop that is not installed is skipped rather than ending the program.
// Returns false, changing nothing, when the schema or the picture key is
// missing or not writable.
bool SetGSettingsWallpaper(const GSettingsWallpaperKeys& keys, const std::filesystem::path& file,
                           bool tile);

// xfdesktop: sets every backdrop's image and style that xfconf knows of.
// False when xfconf-query is missing or lists no backdrop.
bool SetXfceWallpaper(const std::filesystem::path& file, bool tile);

// KDE Plasma: sets every desktop's image wallpaper through the shell's script
// interface (qdbus), falling back to plasma-apply-wallpaperimage. False when
// neither tool could do it.
bool SetPlasmaWallpaper(const std::filesystem::path& file, bool tile);

// The script that gives every Plasma desktop the image at uri.
std::string PlasmaWallpaperScript(std::string_view uri, bool tile);

// Runs a program found on PATH, without a shell, with stdin and stderr on
// /dev/null; collects its standard output into *output when given. Returns
// its exit status, or -1 when it could not be started, was killed, or ran
// longer than timeout (it is then killed).
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace wylo
