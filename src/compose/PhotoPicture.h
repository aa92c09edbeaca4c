#pragma once

#include <cstdint>
#include <string>

#include "base/Colour.h"
#include "base/Geometry.h"
#include "compose/Bitmap.h"

namespace wylo {

// Thumbnails of photos and the colours suggested for them, shared by the
// program (channels made from a folder) and the publishers' tool. Everything
// here works on decoded 24-bit bitmaps.

// Thumbnails are about this wide (the images list centres them in a column).
inline constexpr std::int32_t kThumbnailWidth = 120;
// A very tall photo gets a narrower thumbnail instead of a row this tall.
inline constexpr std::int32_t kMaxThumbnailHeight = 240;

// The size of the thumbnail of a picture of the given size: kThumbnailWidth
// wide with the aspect kept, unless that would be taller than
// kMaxThumbnailHeight; never below 1 x 1 and never larger than the picture.
Size ThumbnailSize(Size picture);

// Scales the source rectangle of src (clipped to src) to width x height by
// averaging every source pixel that falls into each target pixel (a box
// filter), so fine detail turns into its mean colour instead of aliasing.
// Enlarging repeats pixels. Throws Error for an empty source or target.
Bitmap ScaleBox(const Bitmap& src, const Rect& source, std::int32_t width, std::int32_t height);

// The whole of src scaled to the given size.
Bitmap ScaleBox(const Bitmap& src, std::int32_t width, std::int32_t height);

// The largest centred part of src with the target's aspect, scaled to fill
// width x height completely (nothing is letterboxed).
Bitmap ScaleToCover(const Bitmap& src, std::int32_t width, std::int32_t height);

// The thumbnail of a photo: ThumbnailSize, box-filtered.
Bitmap MakeThumbnail(const Bitmap& photo);

// The colour of the photo's outer border, taken per channel as the median of
// a band along all four edges: what a fitted photo is surrounded by should
// continue its edges, and a median ignores a small bright object (the sun on
// the horizon) that would tint an average.
Colour BorderColour(const Bitmap& photo);

// Black or white, whichever contrasts more with background by the relative
// luminance of sRGB colours.
Colour ContrastingFont(Colour background);

// "#RRGGBB" in upper-case hexadecimal, the way channel documents write colours.
std::string ColourText(Colour colour);

}  // namespace wylo
