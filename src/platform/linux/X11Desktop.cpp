#include "platform/linux/X11Desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <memory>

#include "base/Error.h"

namespace wylo {
namespace {

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr OpenDisplay() { return DisplayPtr(XOpenDisplay(nullptr)); }

}  // namespace

Size BoundingSize(const std::vector<Monitor>& monitors) {
    if (monitors.empty()) {
        return {};
    }
    Rect box = monitors.front().bounds;
    for (const Monitor& m : monitors) {
        box.left = std::min(box.left, m.bounds.left);
        box.top = std::min(box.top, m.bounds.top);
        box.right = std::max(box.right, m.bounds.right);
        box.bottom = std::max(box.bottom, m.bounds.bottom);
    }
    return {box.Width(), box.Height()};
}

std::vector<Monitor> X11Monitors() {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return {};
    }
    Display* d = display.get();
    std::vector<Monitor> monitors;
    int count = 0;
    if (XRRMonitorInfo* info = XRRGetMonitors(d, DefaultRootWindow(d), True, &count)) {
        for (int i = 0; i < count; ++i) {
            const XRRMonitorInfo& m = info[i];
            monitors.push_back({Rect{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
        }
        XRRFreeMonitors(info);
    }
    if (monitors.empty()) {
        const int screen = DefaultScreen(d);
        monitors.push_back({Rect{0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen)}, true});
    }
    if (std::none_of(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; })) {
        // RandR names no primary until one is chosen; the system then treats
        // the first monitor as the primary one.
        monitors.front().primary = true;
    }
    const auto primary =
        std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    const int dx = primary->bounds.left;
    const int dy = primary->bounds.top;
    for (Monitor& m : monitors) {
        m.bounds = {m.bounds.left - dx, m.bounds.top - dy, m.bounds.right - dx,
                    m.bounds.bottom - dy};
    }
    return monitors;
}

void X11SetWallpaper(const std::filesystem::path& path, bool) {
    // Filled in by the Linux desktop back-end.
    throw Error("No wallpaper back-end is available to show " + path.string());
}

void X11Bell() {
    if (DisplayPtr display = OpenDisplay()) {
        XBell(display.get(), 0);
        XFlush(display.get());
    }
}

}  // namespace wylo
