#include "platform/linux/LinuxWallpaper.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/Error.h"
#include "compose/BmpFile.h"
#include "platform/linux/PcmanfmDesktop.h"
#include "platform/linux/WaylandDesktop.h"
#include "platform/linux/X11Desktop.h"

namespace wylo {
namespace {

Rect PrimaryOf(const std::vector<Monitor>& monitors) {
    const auto p =
        std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    return p == monitors.end() ? Rect{} : p->bounds;
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

}  // namespace

Bitmap ShiftForVirtualDesktop(const Bitmap& bitmap, DesktopOffset offset) {
    Bitmap shifted(bitmap.width(), bitmap.height());
    if (bitmap.empty()) {
        return shifted;
    }
    const std::int32_t w = bitmap.width();
    // Column u of a row comes from column (u - dx) mod W: two runs per row.
    const std::int32_t from = TileCoordinate(0, offset.dx, w);
    const std::size_t tail = static_cast<std::size_t>(w - from) * 3;
    const std::size_t head = static_cast<std::size_t>(from) * 3;
    for (std::int32_t v = 0; v < bitmap.height(); ++v) {
        const std::uint8_t* src = bitmap.Row(TileCoordinate(v, offset.dy, bitmap.height()));
        std::uint8_t* dst = shifted.Row(v);
        std::memcpy(dst, src + head, tail);
        std::memcpy(dst + tail, src, head);
    }
    return shifted;
}

Bitmap CropForMonitor(const Bitmap& wallpaper, const Rect& bounds, bool tile, const Rect& primary) {
    Bitmap crop(std::max(bounds.Width(), 0), std::max(bounds.Height(), 0));
    if (wallpaper.empty() || crop.empty()) {
        return crop;
    }
    const std::int32_t w = wallpaper.width();
    const std::int32_t h = wallpaper.height();
    // Untiled, the picture's top-left sits here (black around it).
    const std::int64_t ox = primary.left + (primary.Width() - w) / 2;
    const std::int64_t oy = primary.top + (primary.Height() - h) / 2;
    for (std::int32_t v = 0; v < crop.height(); ++v) {
        const std::int64_t y = static_cast<std::int64_t>(bounds.top) + v;
        std::uint8_t* out = crop.Row(v);
        if (tile) {
            const std::uint8_t* row = wallpaper.Row(TileCoordinate(y, 0, h));
            std::int32_t from = TileCoordinate(bounds.left, 0, w);
            for (std::int32_t u = 0; u < crop.width();) {
                const std::int32_t n = std::min(w - from, crop.width() - u);
                std::memcpy(out + static_cast<std::size_t>(u) * 3,
                            row + static_cast<std::size_t>(from) * 3,
                            static_cast<std::size_t>(n) * 3);
                u += n;
                from = 0;
            }
            continue;
        }
        std::memset(out, 0, static_cast<std::size_t>(crop.width()) * 3);
        if (y < oy || y >= oy + h) {
            continue;
        }
        const std::uint8_t* row = wallpaper.Row(static_cast<std::int32_t>(y - oy));
        for (std::int32_t u = 0; u < crop.width(); ++u) {
            const std::int64_t x = static_cast<std::int64_t>(bounds.left) + u - ox;
            if (x >= 0 && x < w) {
                std::memcpy(out + static_cast<std::size_t>(u) * 3,
                            row + static_cast<std::size_t>(x) * 3, 3);
            }
        }
    }
    return crop;
}

DesktopFiles::DesktopFiles(std::filesystem::path wallpaper) : wallpaper_(std::move(wallpaper)) {
    // The letter the last change did not use.
    letter_ =
        Exists(PathFor(wallpaper_, 'a', 0)) || Exists(PathFor(wallpaper_, 'a', 1)) ? 'b' : 'a';
}

std::filesystem::path DesktopFiles::PathFor(const std::filesystem::path& wallpaper, char letter,
                                            int monitor) {
    std::string name = wallpaper.stem().string();
    if (name.empty()) {
        name = "desktop";
    }
    name += '-';
    name += letter;
    if (monitor > 0) {
        name += "-" + std::to_string(monitor);
    }
    return wallpaper.parent_path() / (name + ".bmp");
}

std::filesystem::path DesktopFiles::Canvas(const Bitmap& wallpaper, DesktopOffset offset) {
    const std::filesystem::path path = PathFor(wallpaper_, letter_, 0);
    if (std::find(written_.begin(), written_.end(), path) == written_.end()) {
        written_.push_back(path);
        WriteBmpFile(path, offset == DesktopOffset{} ? wallpaper
                                                     : ShiftForVirtualDesktop(wallpaper, offset));
    }
    return path;
}

std::filesystem::path DesktopFiles::Monitor(std::size_t index, const Bitmap& picture) {
    const std::filesystem::path path = PathFor(wallpaper_, letter_, static_cast<int>(index) + 1);
    if (std::find(written_.begin(), written_.end(), path) == written_.end()) {
        written_.push_back(path);
    }
    WriteBmpFile(path, picture);
    return path;
}

void DesktopFiles::Keep() {
    if (written_.empty()) {
        return;
    }
    // Everything of the other letter, and the single moved copy that earlier
    // versions kept.
    const std::string stem = wallpaper_.stem().string();
    const std::string other = stem + "-" + (letter_ == 'a' ? 'b' : 'a');
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(wallpaper_.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        const bool ours = name == other + ".bmp" ||
                          (name.rfind(other + "-", 0) == 0 && entry.path().extension() == ".bmp");
        if (ours || name == stem + "-de.bmp") {
            std::error_code ignored;
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

void DesktopFiles::Discard() {
    for (const std::filesystem::path& path : written_) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    written_.clear();
}

std::vector<Monitor> LinuxMonitors(const SessionEnvironment& environment) {
    if (DetectDesktopSession(environment).sway) {
        if (std::vector<Monitor> m = MonitorsFromOutputs(SwayOutputs()); !m.empty()) {
            return m;
        }
    }
    if (std::vector<Monitor> m = X11Monitors(); !m.empty()) {
        return m;
    }
    return MonitorsFromOutputs(WaylandProtocolOutputs());
}

void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       std::string_view currentDesktop) {
    SessionEnvironment environment;
    environment.currentDesktop = std::string(currentDesktop);
    SetLinuxWallpaper(path, tile, environment);
}

void SetLinuxWallpaper(const std::filesystem::path& path, bool tile,
                       const SessionEnvironment& environment) {
    SetLinuxWallpaper(path, ReadBmpFile(path), tile, environment);
}

bool RootShowsTheWallpaper(const SessionEnvironment& environment) {
    return !environment.wayland && !DetectDesktopSession(environment).Any();
}

void SetLinuxWallpaper(const std::filesystem::path& path, const Bitmap& bitmap, bool tile,
                       const SessionEnvironment& environment, X11RootPreparation* prepared,
                       const std::function<void()>& fileWritten) {
    const DesktopSession session = DetectDesktopSession(environment);
    // The desktops read the file: it is whole before any is told of it. Only
    // the X root, drawn from memory, need not wait.
    const bool rootOnly = RootShowsTheWallpaper(environment);
    if (fileWritten && !rootOnly) {
        fileWritten();
    }
    // A failed write ends the installation with its own error, not as one
    // more way that did not take the picture.
    std::exception_ptr writeFailure;
    const std::function<void()> waitForFile = [&] {
        try {
            fileWritten();
        } catch (...) {
            writeFailure = std::current_exception();
            throw;
        }
    };
    std::vector<std::string> failures;
    DesktopFiles files(path);
    bool taken = false;  // by a desktop's own setting

    try {
        // Desktops that show one picture over the whole desktop tile it from
        // the virtual desktop's top-left corner, not from the primary
        // monitor's: they get a copy moved to match.
        if (session.gnome || session.cinnamon || session.mate || session.xfce || session.lxde ||
            session.lxqt) {
            const std::vector<Monitor> monitors = LinuxMonitors(environment);
            const DesktopOffset offset = tile ? VirtualDesktopOffset(monitors) : DesktopOffset{};
            const std::filesystem::path file = files.Canvas(bitmap, offset);
            // Each back-end only when the session has its desktop.
            const auto use = [&](bool wanted, const char* what, const auto& set) {
                if (!wanted) {
                    return;
                }
                if (set()) {
                    taken = true;
                } else {
                    failures.emplace_back(std::string(what) + " did not accept it");
                }
            };
            // GNOME Shell tiles several monitors from another origin than the
            // box around them; laid over that box, the canvas (moved to the
            // box's corner) lands on each monitor where it belongs. Cinnamon
            // draws its background with the same code (Muffin is Mutter's
            // fork) and gets the same.
            const bool span = tile && monitors.size() > 1;
            use(session.gnome, "GNOME",
                [&] { return SetGSettingsWallpaper(kGnomeBackground, file, tile, span); });
            use(session.cinnamon, "Cinnamon",
                [&] { return SetGSettingsWallpaper(kCinnamonBackground, file, tile, span); });
            use(session.mate, "MATE",
                [&] { return SetGSettingsWallpaper(kMateBackground, file, tile); });
            use(session.xfce, "xfdesktop", [&] {
                // Each monitor its own picture, under every name it goes by.
                std::vector<std::pair<std::string, std::filesystem::path>> own;
                const std::vector<Monitor> x11 = X11Monitors();
                const std::vector<std::vector<std::string>> names = X11MonitorNames();
                if (x11.size() > 1 && names.size() == x11.size()) {
                    const Rect primary = PrimaryOf(x11);
                    for (std::size_t i = 0; i < x11.size(); ++i) {
                        const std::filesystem::path picture =
                            files.Monitor(i, CropForMonitor(bitmap, x11[i].bounds, tile, primary));
                        for (const std::string& name : names[i]) {
                            own.emplace_back(name, picture);
                        }
                    }
                }
                return SetXfceWallpaper(file, tile, own);
            });
            use(session.lxde, "pcmanfm", [&] { return SetPcmanfmWallpaper(file, tile, false); });
            use(session.lxqt, "pcmanfm-qt", [&] { return SetPcmanfmWallpaper(file, tile, true); });
        }
        if (session.plasma) {
            // Each Plasma screen tiles from its own corner: each gets its own
            // picture, matched by its geometry (from the whole desktop's
            // top-left corner).
            const std::vector<Monitor> monitors = LinuxMonitors(environment);
            const Rect primary = PrimaryOf(monitors);
            const DesktopOffset offset = VirtualDesktopOffset(monitors);
            std::vector<PlasmaScreenPicture> screens;
            for (std::size_t i = 0; i < monitors.size(); ++i) {
                const Rect& b = monitors[i].bounds;
                const std::string uri =
                    FileUri(files.Monitor(i, CropForMonitor(bitmap, b, tile, primary)));
                screens.push_back(
                    {b.left + offset.dx, b.top + offset.dy, b.Width(), b.Height(), uri});
            }
            const std::filesystem::path whole =
                files.Canvas(bitmap, tile ? offset : DesktopOffset{});
            if (SetPlasmaWallpaper(whole, tile, screens)) {
                taken = true;
            } else {
                failures.emplace_back("Plasma did not accept it");
            }
        }
        if (session.sway || session.wlroots) {
            const std::vector<WaylandOutput> outputs =
                session.sway ? SwayOutputs() : WaylandProtocolOutputs();
            const std::vector<Monitor> monitors = MonitorsFromOutputs(outputs);
            const Rect primary = PrimaryOf(monitors);
            OutputPictures pictures;
            for (std::size_t i = 0; i < outputs.size(); ++i) {
                if (outputs[i].name.empty()) {
                    continue;  // swaybg chooses outputs by name
                }
                pictures.emplace_back(
                    outputs[i].name,
                    files.Monitor(i, CropForMonitor(bitmap, monitors[i].bounds, tile, primary)));
            }
            if (session.sway ? SetSwayWallpaper(pictures, true) : StartSwaybg(pictures, true)) {
                taken = true;
            } else {
                failures.emplace_back(session.sway ? "sway did not accept it"
                                                   : "swaybg could not show it");
            }
        }
    } catch (const Error& e) {
        // A picture file that could not be written: the desktops that got
        // theirs keep them.
        failures.emplace_back(e.what());
    }

    // The X root: seen on X11 unless a desktop window covers it. On Wayland
    // it belongs to the X server of X programs and is never on screen.
    bool rootShown = false;
    if (!environment.wayland) {
        // One connection for the look and the change.
        std::optional<X11Connection> own;
        X11Connection& x11 = prepared ? prepared->connection() : own.emplace();
        const bool covered = X11DesktopWindowPresent(x11) || X11WindowManagerDrawsBackground(x11);
        if (taken && covered) {
            // The desktop draws its own background: a root pixmap would only
            // cost memory, and the one Wylo left before is freed.
            X11ReleaseRootWallpaper(x11);
        } else {
            try {
                const std::function<void()> wait =
                    fileWritten && rootOnly ? waitForFile : std::function<void()>();
                if (prepared) {
                    X11SetRootWallpaper(bitmap, tile, *prepared, wait);
                } else {
                    X11SetRootWallpaper(bitmap, tile, x11, wait);
                }
                rootShown = !covered;
                if (covered) {
                    failures.emplace_back("a desktop program draws over the X root window");
                }
            } catch (const Error& e) {
                if (writeFailure) {
                    std::rethrow_exception(writeFailure);
                }
                failures.emplace_back(e.what());
            }
        }
    }

    if (taken) {
        files.Keep();
    } else {
        files.Discard();
    }
    if (!taken && !rootShown) {
        std::string message =
            "No desktop took the picture: no way to set the wallpaper on this desktop (" +
            DesktopSessionName(environment) + ")";
        for (std::size_t i = 0; i < failures.size(); ++i) {
            message += i == 0 ? ": " : "; ";
            message += failures[i];
        }
        throw Error(message);
    }
}

}  // namespace wylo
