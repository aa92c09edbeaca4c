#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compose/Bitmap.h"
#include "platform/Platform.h"

struct _XDisplay;  // Xlib's Display

namespace wylo {

// The pixmap that a property of the root window names (_XROOTPMAP_ID or
// ESETROOT_PMAP_ID), as wallpaper setters leave it; nothing when unset.
std::optional<unsigned long> RootPixmapProperty(_XDisplay* display, const char* name);

// The monitors of the X display named by $DISPLAY as RandR reports them, in
// root-window coordinates (origin at the root window's top-left). Without
// RandR monitors the whole screen is one primary monitor; when RandR names no
// primary, the first monitor is taken as the primary one. Empty without a
// display.
std::vector<Monitor> X11RootMonitors();

// The same monitors with the origin moved to the primary monitor's top-left.
std::vector<Monitor> X11Monitors();

// The names by which desktops know each of those monitors, in the same
// order: the RandR monitor's name, then the names of its outputs. Empty
// without a display.
std::vector<std::vector<std::string>> X11MonitorNames();

// Maps a coordinate of a surface tiled with a bitmap of the given size, the
// tile grid starting at origin, to the bitmap's coordinate (0 .. size - 1).
constexpr std::int32_t TileCoordinate(std::int64_t position, std::int64_t origin,
                                      std::int32_t size) {
    const std::int64_t r = (position - origin) % size;
    return static_cast<std::int32_t>(r < 0 ? r + size : r);
}

// A connection to the X display named by $DISPLAY, for several of the calls
// below in a row (each call without one opens its own); closed when it goes.
// Null display() without a display.
class X11Connection {
public:
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    _XDisplay* display() const { return display_; }

private:
    _XDisplay* display_;
};

// Makes bitmap the background of the X root window. Tiled, the tile grid
// starts at the primary monitor's top-left, so monitors left of or above it
// show the far end of the bitmap; untiled, the bitmap is centred on the
// primary monitor on black. The pixmap is published in _XROOTPMAP_ID and
// ESETROOT_PMAP_ID for compositors and terminals and outlives this process;
// Wylo notes it in a root property of its own (_WYLO_ROOT_PIXMAP) and frees
// the one it noted before. Pixmaps of other programs are never freed, and
// no other program is ended. Throws Error when there is no display or the
// display cannot show it.
void X11SetRootWallpaper(const Bitmap& bitmap, bool tile);
// The same on a connection of the caller's, which ends up keeping what it
// made (the pixmap) when it closes: the last call on it.
// With beforeShowing, that is called once the picture is in the server,
// before anything shows; an exception from it leaves the root as it was and
// goes to the caller.
void X11SetRootWallpaper(const Bitmap& bitmap, bool tile, X11Connection& connection,
                         const std::function<void()>& beforeShowing = {});

// The root's next wallpaper, begun before its picture is ready: a
// connection of its own on which the server makes a root-sized pixmap while
// the picture is still being decoded. Nothing shows until
// X11SetRootWallpaper draws it; dropped unused, the pixmap is freed. The
// connection is for that call and for looking at the desktop before it.
class X11RootPreparation {
public:
    X11RootPreparation();
    ~X11RootPreparation();
    X11RootPreparation(const X11RootPreparation&) = delete;
    X11RootPreparation& operator=(const X11RootPreparation&) = delete;

    // For other calls before X11SetRootWallpaper: the server's answer to
    // the pixmap is read first, so those calls see no error of it.
    X11Connection& connection();

    struct Target;

private:
    friend void X11SetRootWallpaper(const Bitmap& bitmap, bool tile, X11RootPreparation& prepared,
                                    const std::function<void()>& beforeShowing);

    X11Connection connection_;
    std::unique_ptr<Target> target_;  // none without a display that can show it
};

// X11SetRootWallpaper into the pixmap made ahead (or, when none could be
// made, as without it).
void X11SetRootWallpaper(const Bitmap& bitmap, bool tile, X11RootPreparation& prepared,
                         const std::function<void()>& beforeShowing = {});

// Frees the pixmap an earlier X11SetRootWallpaper left, for a desktop that
// draws its own background; the root properties naming it are removed.
// Nothing without a display or without such a pixmap.
void X11ReleaseRootWallpaper();
void X11ReleaseRootWallpaper(X11Connection& connection);

// True when a window of the desktop type (_NET_WM_WINDOW_TYPE_DESKTOP)
// exists: a desktop program (file manager, desktop shell) runs and draws the
// background itself, over the root or into it, so the root window's picture
// is hidden or replaced.
bool X11DesktopWindowPresent();
bool X11DesktopWindowPresent(X11Connection& connection);

// True when the window manager draws the desktop's background itself, as
// the compositing shells built on Mutter do (GNOME Shell, Cinnamon's
// Muffin, Budgie's): it names itself so on its _NET_SUPPORTING_WM_CHECK
// window, and the root's picture is never seen under it.
bool X11WindowManagerDrawsBackground(X11Connection& connection);

// Rings the display's bell; nothing without a display.
void X11Bell();

}  // namespace wylo
