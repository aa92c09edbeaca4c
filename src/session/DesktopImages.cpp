#include <algorithm>

#include "session/SessionObserver.h"

namespace wylo {

std::string DesktopImages::Name() const {
    std::vector<const std::string*> seen;
    std::string name;
    for (const Image& image : images) {
        if (image.title.empty() || std::any_of(seen.begin(), seen.end(),
                                               [&](const auto* t) { return *t == image.title; })) {
            continue;
        }
        seen.push_back(&image.title);
        if (!name.empty()) {
            name += ", ";
        }
        name += image.title;
    }
    return name;
}

std::vector<int> DesktopImages::MonitorsShowing(int row) const {
    std::vector<int> monitors;
    for (const Image& image : images) {
        if (row >= 0 && image.row == row) {
            monitors.push_back(image.monitor);
        }
    }
    return monitors;
}

}  // namespace wylo
