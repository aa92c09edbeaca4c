#include <algorithm>

#include "platform/Platform.h"

namespace wylo {

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

}  // namespace wylo
