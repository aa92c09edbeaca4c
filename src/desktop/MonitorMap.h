#pragma once

#include <string>
#include <vector>

#include "base/Geometry.h"
#include "platform/Platform.h"

namespace wylo {

// Sizes a child panel to fit inside a host panel with a margin, keeping the
// child's aspect ratio, and centres it. A child that already fits keeps its
// size. Each side the fit recomputes gains twice the child's bevel width.
// The result is the child's rectangle in host coordinates.
Rect FitPanel(Size host, Size child, int margin, int bevelWidth = 1);

// One monitor on the map: its rectangle in map coordinates, the caption
// (its one-based number) and the hint ("1920x1080").
struct MonitorPanel {
    Rect bounds;
    std::string caption;
    std::string hint;
};

// The scaled picture of the monitors shown on the settings page, and the
// screen metrics text beside it.
struct MonitorMapLayout {
    // The map panel in host coordinates; the monitors lie inside it.
    Rect map;
    std::vector<MonitorPanel> monitors;
    // "Monitor Count : n", an empty line, one "Monitor i Resolution : WxH"
    // line per monitor, an empty line, "Desktop Resolution : WxH".
    std::vector<std::string> metricsLines;
};

// The margin between the map and its host.
inline constexpr int kMonitorMapMargin = 10;

// Lays out the map of monitors (in the system's order, bounds relative to the
// primary monitor's origin) for a virtual desktop of the given size inside a
// host of the given size.
MonitorMapLayout LayoutMonitorMap(Size host, const std::vector<Monitor>& monitors,
                                  Size virtualDesktop);

// The metrics lines joined with line feeds.
std::string MetricsText(const MonitorMapLayout& layout);

}  // namespace wylo
