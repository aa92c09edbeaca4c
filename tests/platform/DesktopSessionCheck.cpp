// Run inside a real desktop session (see real-desktop.sh): makes two
// wallpaper changes through the Linux platform and checks after each that the
// screen shows the picture, that the desktop's own process is still alive
// and, on X11, that no pixmap of Wylo's is left on the X server when the
// desktop draws its own background.
//
//   desktop-session-check --pid PID [--output NAME]
//   desktop-session-check --pid PID --gsettings SCHEMA KEY
//
// With --output, the screen is that Wayland output, photographed with grim;
// without, the X root window (desktop windows included). With --gsettings,
// the screen is not looked at: the key, read back by `gsettings` in a
// process of its own (through dconf), must name a new file holding the
// picture at each change.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
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

// Samples away from the top-left corner, where desktops put their icons.
std::vector<std::pair<int, int>> SamplePoints(int w, int h) {
    return {{w / 2, h / 2}, {w * 3 / 4, h / 4}, {w * 3 / 5, h * 4 / 5}, {w - 2, h - 2}};
}

std::optional<std::vector<Rgb>> SampleRoot(int& w, int& h) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        return std::nullopt;
    }
    w = DisplayWidth(d, DefaultScreen(d));
    h = DisplayHeight(d, DefaultScreen(d));
    std::vector<Rgb> samples;
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (image) {
        for (const auto& [x, y] : SamplePoints(w, h)) {
            const unsigned long p = XGetPixel(image, x, y);
            samples.push_back({static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                               static_cast<int>(p & 0xFF)});
        }
        XDestroyImage(image);
    }
    XCloseDisplay(d);
    return samples;
}

// grim's binary PPM (P6, maxval 255) of one output.
std::optional<std::vector<Rgb>> SampleOutput(const std::string& output, const std::string& file,
                                             int& w, int& h) {
    if (wylo::RunProgram({"grim", "-t", "ppm", "-o", output, file}) != 0) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || w <= 0 || h <= 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!in) {
        return std::nullopt;
    }
    std::vector<Rgb> samples;
    for (const auto& [x, y] : SamplePoints(w, h)) {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                               static_cast<std::size_t>(x)) *
                              3;
        samples.push_back({data[i], data[i + 1], data[i + 2]});
    }
    return samples;
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
        }
    }
    if (pid <= 0) {
        std::cerr << "usage: desktop-session-check --pid PID [--output NAME]\n";
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
    const wylo::Size size = platform.VirtualDesktopSize();
    if (size.width <= 0 || size.height <= 0) {
        std::cerr << "FAIL: the platform reports no monitor\n";
        return 1;
    }
    // Wait (bounded) for the desktop to cover the root, so the check proves
    // something about the desktop and not the bare root.
    if (output.empty()) {
        for (int i = 0; i < 300 && !wylo::X11DesktopWindowPresent(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (!wylo::X11DesktopWindowPresent()) {
            std::cerr << "FAIL: the desktop showed no desktop window within 30 s\n";
            return 1;
        }
    }

    const Rgb colours[2] = {{200, 30, 60}, {20, 160, 90}};
    int status = 0;
    for (int change = 0; change < 2; ++change) {
        const Rgb want = colours[change];
        Bitmap canvas(size.width, size.height);
        for (std::int32_t y = 0; y < size.height; ++y) {
            for (std::int32_t x = 0; x < size.width; ++x) {
                canvas.SetPixel(x, y,
                                wylo::MakeColour(static_cast<std::uint8_t>(want.r),
                                                 static_cast<std::uint8_t>(want.g),
                                                 static_cast<std::uint8_t>(want.b)));
            }
        }
        wylo::WriteBmpFile(wallpaper, canvas);
        try {
            platform.SetWallpaper(wallpaper, true);
        } catch (const std::exception& e) {
            std::cerr << "FAIL: change " << change + 1 << ": " << e.what() << "\n";
            return 1;
        }
        // The desktop redraws in its own time: wait for the picture, bounded.
        bool shown = false;
        std::vector<Rgb> seen;
        int w = 0;
        int h = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!shown && std::chrono::steady_clock::now() < deadline) {
            const auto samples = output.empty()
                                     ? SampleRoot(w, h)
                                     : SampleOutput(output, (folder / "screen.ppm").string(), w, h);
            if (samples) {
                seen = *samples;
                shown = !seen.empty() && std::all_of(seen.begin(), seen.end(),
                                                     [&](const Rgb& c) { return c == want; });
            }
            if (!shown) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        if (!shown) {
            std::cerr << "FAIL: change " << change + 1 << " not on screen (" << w << "x" << h
                      << "); saw";
            for (const Rgb& c : seen) {
                std::cerr << " (" << c.r << "," << c.g << "," << c.b << ")";
            }
            std::cerr << ", wanted (" << want.r << "," << want.g << "," << want.b << ")\n";
            status = 1;
        } else {
            std::cout << "change " << change + 1 << " is on screen\n";
        }
        if (!Alive(pid)) {
            std::cerr << "FAIL: the desktop process ended after change " << change + 1 << "\n";
            return 1;
        }
    }
    // A background process of Wylo's would stay on top of what the next
    // check sets.
    wylo::EndSwaybg();
    if (output.empty()) {
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
    return status;
}
