#include "base/Monitor.h"

#include <algorithm>
#include <limits>

namespace wylo {
namespace {

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

Rect BoundingBox(const std::vector<Monitor>& monitors) {
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
    return box;
}

Size BoundingSize(const std::vector<Monitor>& monitors) {
    const Rect box = BoundingBox(monitors);
    return {box.Width(), box.Height()};
}

DesktopOffset VirtualDesktopOffset(const std::vector<Monitor>& monitors) {
    std::int64_t dx = 0;
    std::int64_t dy = 0;
    for (const Monitor& m : monitors) {
        dx = std::min<std::int64_t>(dx, m.bounds.left);
        dy = std::min<std::int64_t>(dy, m.bounds.top);
    }
    return {Clamp32(-dx), Clamp32(-dy)};
}

std::int32_t PrimaryMonitorIndex(const std::vector<Monitor>& monitors) {
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].primary) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

}  // namespace wylo
