#pragma once

#include <cstdint>
#include <vector>

#include "base/Geometry.h"

namespace wylo {

// One display monitor. Bounds are in the program's coordinates: the origin is
// the primary monitor's top-left corner.
struct Monitor {
    Rect bounds;
    bool primary = false;
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

// The bounding box of the monitors, in their coordinates (empty for none).
Rect BoundingBox(const std::vector<Monitor>& monitors);
// Width and height of the bounding box of the monitors (0 x 0 for none).
Size BoundingSize(const std::vector<Monitor>& monitors);

// How far the virtual desktop reaches left of and above the primary monitor's
// origin; both are 0 or more.
struct DesktopOffset {
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    friend bool operator==(const DesktopOffset&, const DesktopOffset&) = default;
};
DesktopOffset VirtualDesktopOffset(const std::vector<Monitor>& monitors);

// Index of the first monitor flagged primary, or -1.
std::int32_t PrimaryMonitorIndex(const std::vector<Monitor>& monitors);

}  // namespace wylo
