#pragma once

#include <cstdint>

#include "base/Choices.h"

namespace wylo {

// Both windows' placement controls: a group of the placement modes and a
// list of kZoomPercentages, in that order.

// Where percent sits in a zoom list; one the list does not offer shows as
// the default, so the list always has a selection.
std::int32_t ZoomPosition(std::int32_t percent);

// The placement a group's and a zoom list's positions stand for; no mode
// chosen is "Center", no zoom chosen the default.
ImagePlacement PlacementAt(std::int32_t modePosition, std::int32_t zoomPosition);

}  // namespace wylo
