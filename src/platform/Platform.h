#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Colour.h"
#include "base/DateTime.h"
#include "base/Geometry.h"
#include "base/Monitor.h"

namespace wylo {

class Bitmap;

// A folder of pictures the computer offers as a ready channel.
struct PictureFolder {
    std::string title;
    std::filesystem::path path;
    // Laid out as wallpaper packages, NAME/contents/images/WxH.jpg, one
    // picture in several sizes each.
    bool wallpaperPackages = false;
};

// Everything Wylo asks of the operating system. One implementation per OS
// (linux/, win32/), chosen by the build, and a recording fake for tests.
class Platform {
public:
    virtual ~Platform() = default;

    // The application-data folder shared by all users of the machine; empty
    // when the system cannot tell.
    virtual std::filesystem::path SharedDataFolder() const = 0;

    // The monitors in the system's order, read afresh at every call.
    virtual std::vector<Monitor> Monitors() const = 0;
    // Width and height of the bounding box of all monitors.
    virtual Size VirtualDesktopSize() const = 0;

    // Makes the bitmap file at path the wallpaper. Throws Error when no
    // back-end could take it.
    virtual void SetWallpaper(const std::filesystem::path& path, bool tile) = 0;
    // The same for a file just written from picture: a back-end that draws
    // the picture itself takes it from memory instead of reading the file
    // back. By default the file is handed on as by SetWallpaper.
    virtual void SetWallpaperWritten(const std::filesystem::path& path, const Bitmap& picture,
                                     bool tile) {
        static_cast<void>(picture);
        SetWallpaper(path, tile);
    }
    // The same while the file is still being written from picture, on
    // another thread: written() returns once the file is whole, or throws
    // what stopped it. A back-end may start on the picture meanwhile but
    // shows nothing, and hands the path to nobody, before written() has
    // returned; an error from it leaves the wallpaper as it was and goes to
    // the caller. By default it waits first.
    virtual void SetWallpaperWhileWritten(const std::filesystem::path& path, const Bitmap& picture,
                                          bool tile, const std::function<void()>& written) {
        written();
        SetWallpaperWritten(path, picture, tile);
    }
    // A change is about to make a wallpaper: a back-end may get ready for it
    // while the pictures are decoded (the X root's makes its pixmap). The
    // next SetWallpaper call of any kind uses what was made;
    // ForgetPreparedWallpaper, for a change that installs nothing, drops it.
    virtual void PrepareWallpaper() {}
    virtual void ForgetPreparedWallpaper() {}
    // Recolours the captions of the desktop icons; quietly does nothing where
    // the desktop has no icon list.
    virtual void SetDesktopIconColours(Colour text, Colour background, bool transparent) = 0;

    // Opens an http or https address in the user's browser; anything else is
    // ignored.
    virtual void OpenUrl(const std::string& url) = 0;
    // The system's default message sound.
    virtual void Beep() = 0;

    // Whether the program starts when the user logs in, as the system has it
    // now: the user may have changed it by other means since.
    virtual bool StartsAtLogin() const = 0;
    // Makes the program start, or no longer start, when the user logs in.
    // Throws Error when the system's entry cannot be written or removed.
    virtual void SetStartAtLogin(bool start) = 0;

    // The user's short date format and long time format.
    virtual std::string FormatShortDate(const CivilDateTime& value) const = 0;
    virtual std::string FormatLongTime(const CivilDateTime& value) const = 0;
    // Reads a text made of a short date, optionally followed by a blank and a
    // long time, in the user's current formats.
    virtual std::optional<CivilDateTime> ParseDateTime(std::string_view text) const = 0;

    // The folders of pictures this computer offers, those that exist: the
    // wallpapers that come with the system and the user's own pictures.
    virtual std::vector<PictureFolder> PictureFolders() const = 0;
};

// The platform of the machine the program runs on.
std::unique_ptr<Platform> CreateSystemPlatform();

}  // namespace wylo
