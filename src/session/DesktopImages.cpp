#include <algorithm>
#include <cstdio>
#include <string>

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

std::string DesktopImages::MarkText(int row) const {
    const std::vector<int> monitors = MonitorsShowing(row);
    if (monitors.empty()) {
        return {};
    }
    if (images.size() == 1) {
        return "On the desktop";
    }
    std::string text = monitors.size() == 1 ? "On monitor " : "On monitors ";
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (i > 0) {
            text += ", ";
        }
        text += std::to_string(monitors[i] + 1);
    }
    return text;
}

void SessionObserver::ShowExitProblem(const std::string& message) {
    std::fprintf(stderr, "Wylo: %s\n", message.c_str());
}

}  // namespace wylo
