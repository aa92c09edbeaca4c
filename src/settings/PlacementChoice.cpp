#include "settings/PlacementChoice.h"

#include <algorithm>
#include <iterator>

namespace wylo {
namespace {

constexpr std::int32_t kZoomCount = static_cast<std::int32_t>(std::size(kZoomPercentages));

}  // namespace

std::int32_t ZoomPosition(std::int32_t percent) {
    const auto* begin = std::begin(kZoomPercentages);
    const auto* end = std::end(kZoomPercentages);
    const auto* at = std::find(begin, end, percent);
    if (at == end) {
        at = std::find(begin, end, kDefaultZoom);
    }
    return static_cast<std::int32_t>(at - begin);
}

ImagePlacement PlacementAt(std::int32_t modePosition, std::int32_t zoomPosition) {
    ImagePlacement placement;
    placement.mode = PlacementModeAt(modePosition).value_or(PlacementMode::Center);
    if (zoomPosition >= 0 && zoomPosition < kZoomCount) {
        placement.zoom = kZoomPercentages[zoomPosition];
    }
    return placement;
}

}  // namespace wylo
