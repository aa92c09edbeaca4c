#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
// PlaceImage for image decoded at a reduced size from a picture of fullSize:
// it lands where the full picture would, and is smoothed into place.
void PlaceReducedImage(Bitmap& monitor, const Bitmap& image, Size fullSize,
                       const ImagePlacement& placement);

// Draws the rows of a picture of size source into dest on monitor exactly as
// StretchFrom draws the whole picture, as they are decoded: a picture shown
// with whole rows and columns dropped needs only the rows it shows, never
// the whole picture in memory. Rows may come in any order, and from two
// threads at once for different rows.
class StretchedRows {
public:
    // monitor must outlive this.
    StretchedRows(Bitmap& monitor, Size source, const Rect& dest);
    void Draw(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
              std::size_t stride) const;

private:
    Bitmap& monitor_;
    Size source_;
    std::int64_t x0_ = 0;
    std::int64_t y0_ = 0;
    // The source row of each visible destination row, from y0_ down.
    std::vector<std::int64_t> sourceRow_;
    // The byte offset in a source row of each visible destination column.
    std::vector<std::size_t> column_;
};

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
