#include "compose/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/Error.h"

namespace wylo {

std::size_t Bitmap::StrideFor(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

Bitmap::Bitmap(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0 ||
        static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height) > kMaxPixels) {
        throw Error("A bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is too large");
    }
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width);
    pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

Colour Bitmap::Pixel(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    return MakeColour(p[2], p[1], p[0]);
}

void Bitmap::SetPixel(std::int32_t x, std::int32_t y, Colour colour) {
    std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    p[0] = BlueOf(colour);
    p[1] = GreenOf(colour);
    p[2] = RedOf(colour);
}

void Bitmap::Fill(const Rect& rect, Colour colour) {
    const std::int32_t left = std::max(rect.left, 0);
    const std::int32_t right = std::min(rect.right, width_);
    const std::int32_t top = std::max(rect.top, 0);
    const std::int32_t bottom = std::min(rect.bottom, height_);
    if (left >= right || top >= bottom) {
        return;
    }
    const std::uint8_t bgr[3] = {BlueOf(colour), GreenOf(colour), RedOf(colour)};
    // Paint the first row, then copy it into the others.
    std::uint8_t* first = Row(top) + static_cast<std::size_t>(left) * 3;
    const auto bytes = static_cast<std::size_t>(right - left) * 3;
    for (std::size_t i = 0; i < bytes; i += 3) {
        std::memcpy(first + i, bgr, 3);
    }
    for (std::int32_t y = top + 1; y < bottom; ++y) {
        std::memcpy(Row(y) + static_cast<std::size_t>(left) * 3, first, bytes);
    }
}

void Bitmap::CopyFrom(const Bitmap& src, const Rect& source, std::int32_t x, std::int32_t y) {
    // Clip the source to src, then the destination to this bitmap.
    std::int64_t sl = source.left, st = source.top, sr = source.right, sb = source.bottom;
    std::int64_t dx = x, dy = y;
    if (sl < 0) { dx -= sl; sl = 0; }
    if (st < 0) { dy -= st; st = 0; }
    sr = std::min<std::int64_t>(sr, src.width());
    sb = std::min<std::int64_t>(sb, src.height());
    if (dx < 0) { sl -= dx; dx = 0; }
    if (dy < 0) { st -= dy; dy = 0; }
    sr = std::min<std::int64_t>(sr, sl + (width_ - dx));
    sb = std::min<std::int64_t>(sb, st + (height_ - dy));
    if (sl >= sr || st >= sb) {
        return;
    }
    const auto bytes = static_cast<std::size_t>(sr - sl) * 3;
    for (std::int64_t row = st; row < sb; ++row) {
        std::memcpy(Row(static_cast<std::int32_t>(dy + row - st)) + static_cast<std::size_t>(dx) * 3,
                    src.Row(static_cast<std::int32_t>(row)) + static_cast<std::size_t>(sl) * 3,
                    bytes);
    }
}

void Bitmap::StretchFrom(const Bitmap& src, const Rect& dest) {
    const std::int64_t dw = dest.Width();
    const std::int64_t dh = dest.Height();
    if (dw <= 0 || dh <= 0 || src.empty()) {
        return;
    }
    const std::int32_t x0 = std::max(dest.left, 0);
    const std::int32_t x1 = std::min(dest.right, width_);
    const std::int32_t y0 = std::max(dest.top, 0);
    const std::int32_t y1 = std::min(dest.bottom, height_);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    // Source column of every destination column: the one whose span holds the
    // destination pixel's position, computed in integers so no rounding drifts.
    std::vector<std::size_t> column(static_cast<std::size_t>(x1 - x0));
    for (std::int32_t x = x0; x < x1; ++x) {
        const std::int64_t sx = (static_cast<std::int64_t>(x - dest.left) * src.width()) / dw;
        column[static_cast<std::size_t>(x - x0)] = static_cast<std::size_t>(sx) * 3;
    }
    std::int64_t previousSy = -1;
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::int64_t sy = (static_cast<std::int64_t>(y - dest.top) * src.height()) / dh;
        std::uint8_t* out = Row(y) + static_cast<std::size_t>(x0) * 3;
        if (sy == previousSy) {
            // A repeated source row gives the same destination row.
            std::memcpy(out, Row(y - 1) + static_cast<std::size_t>(x0) * 3,
                        static_cast<std::size_t>(x1 - x0) * 3);
            continue;
        }
        previousSy = sy;
        const std::uint8_t* in = src.Row(static_cast<std::int32_t>(sy));
        for (std::size_t i = 0; i < column.size(); ++i) {
            std::memcpy(out + i * 3, in + column[i], 3);
        }
    }
}

}  // namespace wylo
