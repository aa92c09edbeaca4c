// Run inside a real desktop session (see real-desktop.sh): makes two
// wallpaper changes through the Linux platform, each monitor its own colour
// as with a different picture on each screen, and checks after each that
// the screen shows every monitor's own colour where that monitor is (also
// along a row across the seams), that the desktop's own process is still
// alive and, on X11, that no pixmap of Wylo's is left on the X server when
// the desktop draws its own background.
//
//   desktop-session-check --pid PID [--output NAME | --screenshot PROGRAM]
//   desktop-session-check --pid PID --screenshot PROGRAM --expect RRGGBB,...
//   desktop-session-check --pid PID --gsettings SCHEMA KEY
//
// With --output, the screen is that Wayland output, photographed with grim;
// with --screenshot, PROGRAM FILE photographs the whole screen into FILE (a
// binary PPM); without either, the X root window (desktop windows and a
// compositor's drawing included). With --expect, nothing is changed: the
// screen must come to show those colours, one per monitor (what Wylo
// itself installed). With --gsettings,
// the screen is not looked at: the key, read back by `gsettings` in a
// process of its own (through dconf), must name a new file holding the
// picture at each change.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>

#include "compose/BmpFile.h"
#include "platform/linux/DesktopEnvironment.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/WaylandDesktop.h"
#include "platform/linux/X11Desktop.h"

// Last: Xlib's macros would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

namespace {

using wylo::Bitmap;
using wylo::Colour;

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

// A photograph of the whole screen (the box around every monitor).
struct ScreenShot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // three bytes a pixel, row by row

    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)) *
                              3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// The X root window, desktop windows and a compositor's drawing included.
std::optional<ScreenShot> PhotographRoot() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        return std::nullopt;
    }
    ScreenShot screen;
    screen.width = DisplayWidth(d, DefaultScreen(d));
    screen.height = DisplayHeight(d, DefaultScreen(d));
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(screen.width),
                              static_cast<unsigned>(screen.height), AllPlanes, ZPixmap);
    if (image) {
        screen.rgb.reserve(static_cast<std::size_t>(screen.width) *
                           static_cast<std::size_t>(screen.height) * 3);
        for (int y = 0; y < screen.height; ++y) {
            for (int x = 0; x < screen.width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                screen.rgb.push_back(static_cast<unsigned char>(p >> 16 & 0xFF));
                screen.rgb.push_back(static_cast<unsigned char>(p >> 8 & 0xFF));
                screen.rgb.push_back(static_cast<unsigned char>(p & 0xFF));
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(d);
    if (!image) {
        return std::nullopt;
    }
    return screen;
}

// A binary PPM (P6, maxval 255), as grim and the screenshot helpers write.
std::optional<ScreenShot> ReadPpm(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxval = 0;
    ScreenShot screen;
    in >> magic >> screen.width >> screen.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || screen.width <= 0 || screen.height <= 0) {
        return std::nullopt;
    }
    screen.rgb.resize(static_cast<std::size_t>(screen.width) *
                      static_cast<std::size_t>(screen.height) * 3);
    in.read(reinterpret_cast<char*>(screen.rgb.data()),
            static_cast<std::streamsize>(screen.rgb.size()));
    if (!in) {
        return std::nullopt;
    }
    return screen;
}

// A point of the screen and the colour the monitor under it should show.
struct Sample {
    int x = 0;
    int y = 0;
    Rgb want;
};

// Each monitor gets a colour of its own, so a picture that lands on the
// wrong monitor, or shifted across two, shows.
std::vector<Rgb> MonitorColours(int change, std::size_t monitors) {
    static const Rgb kColours[2][3] = {
        {{200, 30, 60}, {30, 60, 200}, {210, 200, 40}},
        {{20, 160, 90}, {160, 90, 20}, {90, 20, 160}},
    };
    std::vector<Rgb> colours;
    for (std::size_t i = 0; i < monitors; ++i) {
        colours.push_back(kColours[change % 2][i % 3]);
    }
    return colours;
}

// Points inside each monitor, away from the top-left corner where desktops
// put their icons and from the top and bottom where shells put their bars
// (the right edge included, so a picture cut short shows), and a row
// across the whole screen through the first monitor's middle, so the seams
// between monitors are crossed. In screen coordinates (the box's top-left
// is 0, 0); a row point off every monitor or at a monitor's edge is left out.
std::vector<Sample> SamplesFor(const std::vector<wylo::Monitor>& monitors,
                               const std::vector<Rgb>& colours) {
    const wylo::DesktopOffset offset = wylo::VirtualDesktopOffset(monitors);
    std::vector<wylo::Rect> boxes;
    for (const wylo::Monitor& m : monitors) {
        boxes.push_back({m.bounds.left + offset.dx, m.bounds.top + offset.dy,
                         m.bounds.right + offset.dx, m.bounds.bottom + offset.dy});
    }
    std::vector<Sample> samples;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const wylo::Rect& b = boxes[i];
        const int w = b.Width();
        const int h = b.Height();
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{
                 {w / 2, h / 2}, {w * 3 / 4, h / 4}, {w * 3 / 5, h * 4 / 5}, {w - 2, h * 2 / 3}}) {
            samples.push_back({b.left + x, b.top + y, colours[i]});
        }
    }
    const wylo::Size size = wylo::BoundingSize(monitors);
    const int row = boxes.empty() ? 0 : (boxes[0].top + boxes[0].bottom) / 2;
    for (int x = 0; x < size.width; x += 7) {
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const wylo::Rect& b = boxes[i];
            if (x >= b.left + 2 && x < b.right - 2 && row >= b.top && row < b.bottom) {
                samples.push_back({x, row, colours[i]});
                break;
            }
        }
    }
    return samples;
}

// The canvas the session composes with a different picture on each monitor,
// each monitor's part in its own colour: the size of the box around the
// monitors, laid out as a tile whose origin is the primary monitor's
// top-left corner (monitors left of or above it wrap to the far end).
Bitmap MonitorsCanvas(const std::vector<wylo::Monitor>& monitors, const std::vector<Rgb>& colours) {
    const wylo::Size size = wylo::BoundingSize(monitors);
    Bitmap canvas(size.width, size.height);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const wylo::Rect& b = monitors[i].bounds;
        const Rgb c = colours[i];
        const Colour colour =
            wylo::MakeColour(static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                             static_cast<std::uint8_t>(c.b));
        for (std::int32_t y = b.top; y < b.bottom; ++y) {
            for (std::int32_t x = b.left; x < b.right; ++x) {
                canvas.SetPixel(wylo::TileCoordinate(x, 0, size.width),
                                wylo::TileCoordinate(y, 0, size.height), colour);
            }
        }
    }
    return canvas;
}

// Photographs the screen until every sample shows its colour (within
// tolerance: GL compositors round, JPEG shifts a level or two), for up to
// 20 seconds, as the desktop redraws in its own time. Says what was wrong.
bool WaitUntilShown(const std::function<std::optional<ScreenShot>()>& photograph,
                    const std::vector<Sample>& samples, int tolerance, const std::string& what) {
    const auto near = [tolerance](const Rgb& a, const Rgb& b) {
        return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
               std::abs(a.b - b.b) <= tolerance;
    };
    std::vector<Sample> wrong;
    ScreenShot screen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
        wrong = samples;
        if (std::optional<ScreenShot> shot = photograph()) {
            screen = std::move(*shot);
            wrong.clear();
            for (const Sample& s : samples) {
                const bool inside = s.x < screen.width && s.y < screen.height;
                if (!inside || !near(screen.At(s.x, s.y), s.want)) {
                    wrong.push_back(s);
                }
            }
        }
        if (!wrong.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    } while (!wrong.empty() && std::chrono::steady_clock::now() < deadline);
    if (wrong.empty()) {
        std::cout << what << " is on screen, each monitor its own\n";
        return true;
    }
    std::cerr << "FAIL: " << what << " not on screen (" << screen.width << "x" << screen.height
              << "); " << wrong.size() << " of " << samples.size() << " points wrong:";
    for (std::size_t i = 0; i < wrong.size() && i < 8; ++i) {
        const Sample& s = wrong[i];
        std::cerr << " at " << s.x << "," << s.y;
        if (s.x < screen.width && s.y < screen.height) {
            const Rgb seen = screen.At(s.x, s.y);
            std::cerr << " saw (" << seen.r << "," << seen.g << "," << seen.b << ")";
        }
        std::cerr << " wanted (" << s.want.r << "," << s.want.g << "," << s.want.b << ");";
    }
    std::cerr << "\n";
    return false;
}

// The clients of the X server that hold pixmaps and nothing else, which is
// what a program leaves when it keeps its pixmap after closing its
// connection, and whose pixmap no root property names: a wallpaper nobody
// can free any more. Live programs hold windows, graphics contexts and
// more; the root pixmap that shows, a desktop's or Wylo's, is named. -1 when the
// server cannot tell (XRes calls return nonzero on success).
int UnnamedPixmapClients() {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        return -1;
    }
    int eventBase = 0;
    int errorBase = 0;
    int count = 0;
    XResClient* clients = nullptr;
    if (!XResQueryExtension(d, &eventBase, &errorBase) || !XResQueryClients(d, &count, &clients)) {
        XCloseDisplay(d);
        return -1;
    }
    std::vector<unsigned long> named;
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        if (const auto pixmap = wylo::RootPixmapProperty(d, name)) {
            named.push_back(*pixmap);
        }
    }
    const Atom pixmap = XInternAtom(d, "PIXMAP", False);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        int types = 0;
        XResType* list = nullptr;
        if (!XResQueryClientResources(d, clients[i].resource_base, &types, &list)) {
            continue;
        }
        bool onlyPixmaps = types > 0;
        for (int t = 0; t < types; ++t) {
            if (list[t].count > 0 && list[t].resource_type != pixmap) {
                onlyPixmaps = false;
            }
        }
        XFree(list);
        const bool isNamed = std::any_of(named.begin(), named.end(), [&](unsigned long p) {
            return (p & ~static_cast<unsigned long>(clients[i].resource_mask)) ==
                   clients[i].resource_base;
        });
        found += onlyPixmaps && !isNamed ? 1 : 0;
    }
    XFree(clients);
    XCloseDisplay(d);
    return found;
}

bool Alive(pid_t pid) {
    return kill(pid, 0) == 0;
}

Bitmap Solid(std::int32_t w, std::int32_t h, const Rgb& c) {
    Bitmap bitmap(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            bitmap.SetPixel(
                x, y,
                wylo::MakeColour(static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                                 static_cast<std::uint8_t>(c.b)));
        }
    }
    return bitmap;
}

int CheckSettings(wylo::LinuxPlatform& platform, const std::filesystem::path& wallpaper,
                  const std::string& schema, const std::string& key) {
    std::string previous;
    const Rgb colours[2] = {{200, 30, 60}, {20, 160, 90}};
    for (int change = 0; change < 2; ++change) {
        const Bitmap picture = Solid(64, 48, colours[change]);
        wylo::WriteBmpFile(wallpaper, picture);
        try {
            platform.SetWallpaper(wallpaper, true);
        } catch (const std::exception& e) {
            std::cerr << "FAIL: change " << change + 1 << ": " << e.what() << "\n";
            return 1;
        }
        std::string value;
        if (wylo::RunProgram({"gsettings", "get", schema, key}, &value) != 0) {
            std::cerr << "FAIL: gsettings could not read " << schema << " " << key << "\n";
            return 1;
        }
        // 'file:///path' with a line end.
        const std::size_t start = value.find("file://");
        const std::size_t end = value.rfind('\'');
        if (start == std::string::npos || end == std::string::npos || end <= start) {
            std::cerr << "FAIL: " << key << " is " << value;
            return 1;
        }
        const std::string uri = value.substr(start, end - start);
        if (uri == previous) {
            std::cerr << "FAIL: change " << change + 1 << " wrote the same value " << uri
                      << ": the desktop gets no change signal\n";
            return 1;
        }
        previous = uri;
        const std::filesystem::path file = uri.substr(7);
        const Bitmap shown = wylo::ReadBmpFile(file);
        if (shown.width() != 64 || shown.Pixel(10, 10) != picture.Pixel(10, 10)) {
            std::cerr << "FAIL: " << file << " does not hold change " << change + 1 << "\n";
            return 1;
        }
        std::cout << "change " << change + 1 << ": " << key << " = " << uri << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    pid_t pid = 0;
    std::string output;
    std::string command;
    std::vector<Rgb> expected;
    std::string schema;
    std::string key;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--gsettings") == 0 && i + 2 < argc) {
            schema = argv[i + 1];
            key = argv[i + 2];
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--pid") == 0) {
            pid = static_cast<pid_t>(std::stol(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--output") == 0) {
            output = argv[i + 1];
        } else if (std::strcmp(argv[i], "--screenshot") == 0) {
            command = argv[i + 1];
        } else if (std::strcmp(argv[i], "--expect") == 0) {
            // RRGGBB,RRGGBB...: one colour per monitor, in the platform's order.
            std::stringstream list(argv[i + 1]);
            for (std::string hex; std::getline(list, hex, ',');) {
                const unsigned long v = std::stoul(hex, nullptr, 16);
                expected.push_back({static_cast<int>(v >> 16 & 0xFF),
                                    static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v & 0xFF)});
            }
        }
    }
    if (pid <= 0) {
        std::cerr
            << "usage: desktop-session-check --pid PID [--output NAME | --screenshot PROGRAM]\n";
        return 2;
    }
    const char* data = std::getenv("XDG_DATA_HOME");
    if (!data) {
        std::cerr << "XDG_DATA_HOME must name the session's private folder\n";
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(data) / "Wylo";
    std::filesystem::create_directories(folder);
    const std::filesystem::path wallpaper = folder / "desktop.bmp";

    wylo::LinuxPlatform platform;
    if (!schema.empty()) {
        return CheckSettings(platform, wallpaper, schema, key);
    }
    const std::vector<wylo::Monitor> monitors = platform.Monitors();
    if (monitors.empty()) {
        std::cerr << "FAIL: the platform reports no monitor\n";
        return 1;
    }
    std::cout << monitors.size() << " monitor(s)\n";
    // Wait (bounded) for the desktop to cover the root, so the check proves
    // something about the desktop and not the bare root.
    if (output.empty() && command.empty()) {
        const auto covered = [] {
            wylo::X11Connection x11;
            return wylo::X11DesktopWindowPresent(x11) || wylo::X11WindowManagerDrawsBackground(x11);
        };
        for (int i = 0; i < 300 && !covered(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!covered()) {
            std::cerr << "FAIL: the desktop showed no desktop window within 30 s\n";
            return 1;
        }
    }
    const auto photograph = [&]() -> std::optional<ScreenShot> {
        const std::string file = (folder / "screen.ppm").string();
        if (!output.empty()) {
            if (wylo::RunProgram({"grim", "-t", "ppm", "-o", output, file}) != 0) {
                return std::nullopt;
            }
            return ReadPpm(file);
        }
        if (!command.empty()) {
            if (wylo::RunProgram({command, file}) != 0) {
                return std::nullopt;
            }
            return ReadPpm(file);
        }
        return PhotographRoot();
    };

    // Only looking: what the screen shows now, one colour per monitor.
    if (!expected.empty()) {
        if (expected.size() != monitors.size()) {
            std::cerr << "FAIL: " << expected.size() << " colours for " << monitors.size()
                      << " monitors\n";
            return 1;
        }
        return WaitUntilShown(photograph, SamplesFor(monitors, expected), 8, "the wallpaper") ? 0
                                                                                              : 1;
    }

    int status = 0;
    for (int change = 0; change < 2; ++change) {
        const std::vector<Rgb> colours = MonitorColours(change, monitors.size());
        wylo::WriteBmpFile(wallpaper, MonitorsCanvas(monitors, colours));
        try {
            platform.SetWallpaper(wallpaper, true);
        } catch (const std::exception& e) {
            std::cerr << "FAIL: change " << change + 1 << ": " << e.what() << "\n";
            return 1;
        }
        if (!WaitUntilShown(photograph, SamplesFor(monitors, colours), 2,
                            "change " + std::to_string(change + 1))) {
            status = 1;
        }
        if (!Alive(pid)) {
            std::cerr << "FAIL: the desktop process ended after change " << change + 1 << "\n";
            return 1;
        }
    }
    // A background process of Wylo's would stay on top of what the next
    // check sets.
    wylo::EndSwaybg();
    // On X, also under a Wayland desktop's Xwayland.
    const char* x11 = std::getenv("DISPLAY");
    if (x11 && *x11) {
        // A desktop replaces its own root pixmap in its own time: what it
        // makes is named once it is done, a leaked one never is.
        int unnamed = UnnamedPixmapClients();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (unnamed > 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            unnamed = UnnamedPixmapClients();
        }
        if (unnamed != 0) {
            std::cerr << "FAIL: " << unnamed
                      << " kept pixmaps on the X server that no root property names"
                      << (unnamed < 0 ? " (the server cannot list its clients)" : "") << "\n";
            status = 1;
        } else {
            std::cout << "no pixmap left behind\n";
        }
    }
    // Every desktop here draws its own background: a root pixmap of Wylo's
    // would be X server memory nobody sees (Xwayland's root included).
    if (Display* d = XOpenDisplay(nullptr)) {
        if (wylo::RootPixmapProperty(d, "_WYLO_ROOT_PIXMAP")) {
            std::cerr << "FAIL: Wylo left a root pixmap (_WYLO_ROOT_PIXMAP) under a desktop that "
                         "draws its own background\n";
            status = 1;
        }
        XCloseDisplay(d);
    }
    return status;
}
