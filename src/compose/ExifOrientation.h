#pragma once

#include <cstdint>
#include <span>

namespace wylo {

// How a stored picture is turned to stand upright, as the orientation tag of
// a camera's Exif data gives it. The values are the tag's own.
enum class Orientation : std::uint8_t {
    Normal = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,   // mirrored along the diagonal from top-left
    Rotate90 = 6,    // clockwise
    Transverse = 7,  // mirrored along the diagonal from top-right
    Rotate270 = 8,   // clockwise, i.e. a quarter turn anticlockwise
};

// Whether the orientation turns rows into columns (width and height swap).
constexpr bool SwapsAxes(Orientation o) {
    return o >= Orientation::Transpose;
}

// The orientation tag of IFD0 in the payload of a JPEG APP1 segment that
// begins with "Exif\0\0". Anything else, and any tag that is missing,
// malformed, out of the segment or outside 1..8, gives Normal: a camera's
// metadata never keeps a picture from showing.
Orientation ReadExifOrientation(std::span<const std::uint8_t> app1);

}  // namespace wylo
