#pragma once

#include <cstdint>

#include "base/Choices.h"
#include "base/Geometry.h"
#include "compose/Bitmap.h"

namespace wylo {

// Where an image of image's size lands in target: at its own size when it
// fits; scaled with its aspect ratio when it is wider or taller than target
// (a height that does not fit wins, even if the scaled width then exceeds
// target and is cut equally on both sides); always centred. Lengths are cut
// toward zero from the ratio rounded to a double and multiplied at 64-bit
// mantissa precision, so a 3840 x 2160 image fitted to 1080 high is 1919 wide.
// Negative sizes count as zero.
Rect FitImageRect(const Rect& image, const Rect& target);

// The placement step: draws all of image into monitor at FitImageRect's
// rectangle, scaled with whole rows and columns dropped or repeated. Where
// the image does not reach, monitor keeps what it had (its background).
void DrawFitted(Bitmap& monitor, const Bitmap& image);

// Where the image lands on a monitor of the target's size for a scaling
// mode: Center is FitImageRect; Stretch fills the monitor exactly; Zoom
// scales the image, keeping its aspect ratio, to zoom percent of the size
// that just covers the monitor and centres it, so at 100 % or more the
// overhang is cut off equally on opposite sides. Tile is not scaled and
// gives the image's own size at the monitor's corner.
Rect PlacementRect(const ImagePlacement& placement, Size image, Size target);

// Draws image into monitor as placement asks. Tile repeats the image from
// the monitor's top-left corner at its own size; the other modes scale it
// into PlacementRect, with whole rows and columns dropped or repeated, or
// smoothed when smooth is set. Where the image does not reach, monitor
// keeps what it had (its background).
void PlaceImage(Bitmap& monitor, const Bitmap& image, const ImagePlacement& placement, bool smooth);

// Draws into monitor its part of image placed as placement asks into a
// larger area that holds the whole monitor, given in monitor's coordinates
// (one picture across all monitors: the monitors' bounding box). Pixels line up across the monitors
// cut from the same area, and what lies between them is skipped, as a window across them would be.
// Tile repeats from the area's top-left corner.
void PlaceImageInArea(Bitmap& monitor, const Bitmap& image, const ImagePlacement& placement,
                      bool smooth, const Rect& area);

namespace detail {
// trunc(length x ratio) with the product rounded to a 64-bit mantissa (round
// to nearest, ties to even), as the x87 extended type computes it, but in
// integers so the result does not depend on the floating-point unit's
// precision setting. length and ratio must not be negative.
std::int64_t TruncExtendedProduct(std::int64_t length, double ratio);
}  // namespace detail

}  // namespace wylo
