#include "compose/OrientedBitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace wylo {

namespace {

constexpr std::size_t kPixel = 3;

void CopyReversed(std::uint8_t* out, const std::uint8_t* in, std::int32_t width) {
    out += static_cast<std::size_t>(width) * kPixel;
    for (std::int32_t x = 0; x < width; ++x, in += kPixel) {
        out -= kPixel;
        std::memcpy(out, in, kPixel);
    }
}

// The band's rows become columns. Each stored column x lands in one upright
// row as count pixels side by side, so every write goes to one short run of
// bytes, and the band's rows (a few kilobytes each) stay in the cache while
// x moves along them.
template <bool kReverseRows, bool kReverseColumns>
void PlaceTransposed(Bitmap& upright, const std::uint8_t* rows, std::size_t stride,
                     std::int32_t first, std::int32_t count) {
    const std::int32_t width = upright.height();  // the stored width
    const std::int32_t height = upright.width();  // the stored height
    // Where stored pixel (x, first) lands in its upright row, and the step
    // in bytes to the pixel of the next stored row.
    const std::int32_t column = kReverseColumns ? height - 1 - first : first;
    constexpr std::ptrdiff_t kStep = kReverseColumns ? -3 : 3;
    for (std::int32_t x = 0; x < width; ++x) {
        std::uint8_t* out = upright.Row(kReverseRows ? width - 1 - x : x) +
                            static_cast<std::size_t>(column) * kPixel;
        const std::uint8_t* in = rows + static_cast<std::size_t>(x) * kPixel;
        for (std::int32_t i = 0; i < count; ++i, in += stride, out += kStep) {
            std::memcpy(out, in, kPixel);
        }
    }
}

}  // namespace

void PlaceOrientedRows(Bitmap& upright, Orientation o, const std::uint8_t* rows, std::size_t stride,
                       std::int32_t first, std::int32_t count) {
    switch (o) {
        case Orientation::Transpose:
            return PlaceTransposed<false, false>(upright, rows, stride, first, count);
        case Orientation::Rotate90:
            return PlaceTransposed<false, true>(upright, rows, stride, first, count);
        case Orientation::Transverse:
            return PlaceTransposed<true, true>(upright, rows, stride, first, count);
        case Orientation::Rotate270:
            return PlaceTransposed<true, false>(upright, rows, stride, first, count);
        default:
            break;
    }
    const bool flipRows = o == Orientation::Rotate180 || o == Orientation::MirrorVertical;
    const bool mirror = o == Orientation::MirrorHorizontal || o == Orientation::Rotate180;
    const std::int32_t width = upright.width();
    const std::int32_t height = upright.height();
    for (std::int32_t i = 0; i < count; ++i, rows += stride) {
        const std::int32_t y = first + i;
        std::uint8_t* out = upright.Row(flipRows ? height - 1 - y : y);
        if (mirror) {
            CopyReversed(out, rows, width);
        } else {
            std::memcpy(out, rows, static_cast<std::size_t>(width) * kPixel);
        }
    }
}

Bitmap Oriented(const Bitmap& stored, Orientation o) {
    if (o == Orientation::Normal) {
        return stored;
    }
    const Size size = OrientedSize({stored.width(), stored.height()}, o);
    Bitmap upright = Bitmap::Unpainted(size.width, size.height);
    for (std::int32_t y = 0; y < stored.height(); y += kTurnBand) {
        PlaceOrientedRows(upright, o, stored.Row(y), stored.stride(), y,
                          std::min(kTurnBand, stored.height() - y));
    }
    return upright;
}

}  // namespace wylo
