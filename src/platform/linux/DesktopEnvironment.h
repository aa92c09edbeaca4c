#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wylo {

// The desktop environments of the session that keep a wallpaper setting of
// their own (drawn over the X root window, or by a Wayland compositor).
struct DesktopSession {
    bool gnome = false;     // GNOME and its relatives: org.gnome.desktop.background
    bool cinnamon = false;  // org.cinnamon.desktop.background
    bool mate = false;      // org.mate.background
    bool xfce = false;      // xfdesktop, through xfconf-query
    bool plasma = false;    // KDE Plasma, through its shell's scripting interface
    bool lxde = false;      // pcmanfm's desktop
    bool lxqt = false;      // pcmanfm-qt's desktop
    bool sway = false;      // sway, through swaymsg, one picture per output
    bool wlroots = false;   // another Wayland compositor: a swaybg of Wylo's own

    bool Any() const {
        return gnome || cinnamon || mate || xfce || plasma || lxde || lxqt || sway || wlroots;
    }
};

// Reads the colon-separated desktop names of $XDG_CURRENT_DESKTOP (any case).
DesktopSession DetectDesktopSession(std::string_view currentDesktop);

// What the session's environment tells about the desktop.
struct SessionEnvironment {
    std::string currentDesktop;  // $XDG_CURRENT_DESKTOP
    bool wayland = false;        // $WAYLAND_DISPLAY is set: a Wayland compositor shows the desktop
    bool swaySocket = false;     // $SWAYSOCK is set
    static SessionEnvironment FromProcess();
};

// The desktop names, plus sway when its socket is known, plus a swaybg of
// Wylo's own on a Wayland compositor that none of the names covers.
DesktopSession DetectDesktopSession(const SessionEnvironment& environment);

// The name shown when no back-end reaches the desktop: $XDG_CURRENT_DESKTOP,
// else "Wayland" or "X11".
std::string DesktopSessionName(const SessionEnvironment& environment);

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
// missing or not writable. With span the picture is laid over the box
// around all monitors ("spanned"), pixel for pixel when it is that box's
// size, instead of tiled.
bool SetGSettingsWallpaper(const GSettingsWallpaperKeys& keys, const std::filesystem::path& file,
                           bool tile, bool span = false);

// xfdesktop: sets every backdrop's image and style that xfconf knows of.
// xfdesktop draws each monitor on its own: a backdrop of a monitor named in
// monitors ("/backdrop/screen0/monitorNAME/...") gets that monitor's own
// picture, the others file. False when xfconf-query is missing or lists no
// backdrop.
bool SetXfceWallpaper(
    const std::filesystem::path& file, bool tile,
    const std::vector<std::pair<std::string, std::filesystem::path>>& monitors = {});

// The monitor name in an xfdesktop backdrop property
// ("/backdrop/screen0/monitorHDMI-1/workspace0/last-image" gives "HDMI-1").
std::string XfceBackdropMonitor(std::string_view property);

// KDE Plasma: sets every desktop's image wallpaper through the shell's script
// interface (qdbus), falling back to plasma-apply-wallpaperimage. False when
// neither tool could do it.
bool SetPlasmaWallpaper(const std::filesystem::path& file, bool tile);

// The script that gives every Plasma desktop the image at uri.
std::string PlasmaWallpaperScript(std::string_view uri, bool tile);

// One screen's own picture for Plasma: the screen's geometry (as Plasma
// reports it, the top-left of the whole desktop at 0, 0) and its image.
struct PlasmaScreenPicture {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string uri;
};

// The same, but each desktop whose screen has exactly the geometry of one of
// screens gets that screen's picture; the others get uri. Plasma tiles each
// screen from its own corner, so one canvas over all screens would be right
// on the first only.
std::string PlasmaWallpaperScript(std::string_view uri, bool tile,
                                  const std::vector<PlasmaScreenPicture>& screens);

// Sets the Plasma wallpaper with per-screen pictures (see above).
bool SetPlasmaWallpaper(const std::filesystem::path& file, bool tile,
                        const std::vector<PlasmaScreenPicture>& screens);

// A file:// URI for file (made absolute); empty when it cannot be made.
std::string FileUri(const std::filesystem::path& file);

// Runs a program found on PATH, without a shell, with stdin and stderr on
// /dev/null; collects its standard output into *output when given. Returns
// its exit status, or -1 when it could not be started, was killed, or ran
// longer than timeout (it is then killed).
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace wylo
