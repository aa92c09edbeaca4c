#include "desktop/MonitorMap.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "compose/DesktopCanvas.h"

namespace wylo {
namespace {

// The ratios are worked out in extended precision and cut toward zero, so a
// side that is whole in exact arithmetic stays whole.
std::int32_t Scaled(std::int64_t side, std::int64_t num, std::int64_t den) {
    if (den == 0) {
        return 0;
    }
    return static_cast<std::int32_t>(
        std::trunc(static_cast<long double>(side) * num / static_cast<long double>(den)));
}

// Round half to even, like the positions of the original map.
std::int32_t RoundEven(long double value) {
    const long double r = std::nearbyint(value);
    if (r > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (r < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(r);
}

std::string SizeText(std::int32_t width, std::int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

Rect FitPanel(Size host, Size child, int margin, int bevelWidth) {
    const std::int64_t w0 = child.width;
    const std::int64_t h0 = child.height;
    std::int64_t w = w0;
    std::int64_t h = h0;
    const int grow = 2 * bevelWidth;
    // A child without area has no aspect ratio to keep.
    if ((w0 > host.width || h0 > host.height) && w0 > 0 && h0 > 0) {
        if (h0 > w0) {
            w = Scaled(h, w0, h0) + grow;
        } else {
            h = Scaled(w, h0, w0) + grow;
        }
        if (w > host.width) {
            w = host.width - margin;
            h = Scaled(w, h0, w0) + grow;
        }
        if (h > host.height) {
            h = host.height - margin;
            w = Scaled(h, w0, h0) + grow;
        }
    }
    const auto left = static_cast<std::int32_t>((host.width - w) / 2);
    const auto top = static_cast<std::int32_t>((host.height - h) / 2);
    return {left, top, static_cast<std::int32_t>(left + w), static_cast<std::int32_t>(top + h)};
}

MonitorMapLayout LayoutMonitorMap(Size host, const std::vector<Monitor>& monitors,
                                  Size virtualDesktop) {
    MonitorMapLayout layout;
    const std::int32_t dw = virtualDesktop.width;
    const std::int32_t dh = virtualDesktop.height;
    layout.map = FitPanel(host, virtualDesktop, kMonitorMapMargin);
    const std::int32_t mapW = layout.map.Width();
    const std::int32_t mapH = layout.map.Height();

    layout.metricsLines.push_back("Monitor Count : " + std::to_string(monitors.size()));
    layout.metricsLines.emplace_back();

    // Without a desktop or a map there is nothing to scale by.
    const bool drawable = dw > 0 && dh > 0 && mapW > 0 && mapH > 0;
    const double scale = drawable ? static_cast<double>(dw) / mapW : 1.0;
    const DesktopOffset offset = VirtualDesktopOffset(monitors);

    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& b = monitors[i].bounds;
        const std::string size = SizeText(b.Width(), b.Height());
        layout.metricsLines.push_back("Monitor " + std::to_string(i + 1) + " Resolution : " + size);
        if (!drawable) {
            continue;
        }
        // Sizes use one scale for both axes; positions use each axis's own ratio.
        const std::int32_t width = RoundEven(b.Width() / static_cast<long double>(scale)) - 2;
        const std::int32_t height = RoundEven(b.Height() / static_cast<long double>(scale)) - 2;
        const std::int32_t top = RoundEven(static_cast<long double>(mapH) / dh *
                                           (static_cast<std::int64_t>(b.top) + offset.dy));
        const std::int32_t left = RoundEven(static_cast<long double>(mapW) / dw *
                                            (static_cast<std::int64_t>(b.left) + offset.dx));
        layout.monitors.push_back(
            {Rect{left, top, left + width, top + height}, std::to_string(i + 1), size});
    }

    layout.metricsLines.emplace_back();
    layout.metricsLines.push_back("Desktop Resolution : " + SizeText(dw, dh));
    return layout;
}

std::string MetricsText(const MonitorMapLayout& layout) {
    std::string text;
    for (std::size_t i = 0; i < layout.metricsLines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        text += layout.metricsLines[i];
    }
    return text;
}

}  // namespace wylo
