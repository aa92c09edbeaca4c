#include "compose/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/Error.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace wylo {

#ifdef __linux__
namespace {
// Blocks from this size on go to whole huge pages (2 MB on x86-64).
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugeFrom = 2 * kHugePage;
}  // namespace
#endif

std::uint8_t* Bitmap::AllocatePixels(std::size_t bytes) {
#ifdef __linux__
    if (bytes >= kHugeFrom) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p = std::aligned_alloc(kHugePage, rounded);
        if (!p) {
            throw std::bad_alloc();
        }
        // Only a hint: without huge pages the memory is ordinary pages.
        madvise(p, rounded, MADV_HUGEPAGE);
        return static_cast<std::uint8_t*>(p);
    }
#endif
    return static_cast<std::uint8_t*>(::operator new(bytes));
}

void Bitmap::FreePixels(std::uint8_t* pixels, [[maybe_unused]] std::size_t bytes) noexcept {
#ifdef __linux__
    if (bytes >= kHugeFrom) {
        std::free(pixels);
        return;
    }
#endif
    ::operator delete(pixels);
}

std::size_t Bitmap::StrideFor(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
}

Bitmap::Bitmap(std::int32_t width, std::int32_t height) : Bitmap(width, height, true) {}

Bitmap Bitmap::Unpainted(std::int32_t width, std::int32_t height) {
    return Bitmap(width, height, false);
}

Bitmap::Bitmap(std::int32_t width, std::int32_t height, bool clear) {
    if (width < 0 || height < 0 ||
        static_cast<std::int64_t>(width) * static_cast<std::int64_t>(height) > kMaxPixels) {
        throw Error("A bitmap of " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels is too large");
    }
    try {
        const std::size_t bytes = StrideFor(width) * static_cast<std::size_t>(height);
        if (clear) {
            pixels_.assign(bytes, 0);
        } else {
            pixels_.resize(bytes);
        }
    } catch (const std::bad_alloc&) {
        throw Error("Not enough memory for a bitmap of " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels");
    }
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width);
    if (!clear) {
        const std::size_t used = static_cast<std::size_t>(width) * 3;
        if (used < stride_) {
            for (std::int32_t y = 0; y < height; ++y) {
                std::memset(Row(y) + used, 0, stride_ - used);
            }
        }
    }
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
    if (sl < 0) {
        dx -= sl;
        sl = 0;
    }
    if (st < 0) {
        dy -= st;
        st = 0;
    }
    sr = std::min<std::int64_t>(sr, src.width());
    sb = std::min<std::int64_t>(sb, src.height());
    if (dx < 0) {
        sl -= dx;
        dx = 0;
    }
    if (dy < 0) {
        st -= dy;
        dy = 0;
    }
    sr = std::min<std::int64_t>(sr, sl + (width_ - dx));
    sb = std::min<std::int64_t>(sb, st + (height_ - dy));
    if (sl >= sr || st >= sb) {
        return;
    }
    const auto bytes = static_cast<std::size_t>(sr - sl) * 3;
    const auto copyRow = [&](std::int64_t row) {
        std::memmove(
            Row(static_cast<std::int32_t>(dy + row - st)) + static_cast<std::size_t>(dx) * 3,
            src.Row(static_cast<std::int32_t>(row)) + static_cast<std::size_t>(sl) * 3, bytes);
    };
    // The source may be this bitmap itself: when it moves down, copy from the
    // bottom up so no row is overwritten before it is read (memmove covers
    // overlap within a row).
    if (&src == this && dy > st) {
        for (std::int64_t row = sb - 1; row >= st; --row) {
            copyRow(row);
        }
    } else {
        for (std::int64_t row = st; row < sb; ++row) {
            copyRow(row);
        }
    }
}

void Bitmap::StretchFrom(const Bitmap& src, const Rect& dest) {
    // 64-bit throughout: a destination far off the bitmap must not overflow.
    const std::int64_t left = dest.left;
    const std::int64_t top = dest.top;
    const std::int64_t dw = static_cast<std::int64_t>(dest.right) - left;
    const std::int64_t dh = static_cast<std::int64_t>(dest.bottom) - top;
    if (dw <= 0 || dh <= 0 || src.empty()) {
        return;
    }
    if (&src == this) {
        // Rows already drawn would be read again as source: draw from a copy.
        const Bitmap copy = src;
        StretchFrom(copy, dest);
        return;
    }
    const std::int64_t x0 = std::max<std::int64_t>(left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dest.right, width_);
    const std::int64_t y0 = std::max<std::int64_t>(top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dest.bottom, height_);
    if (x0 >= x1 || y0 >= y1) {
        return;
    }
    const auto count = static_cast<std::size_t>(x1 - x0);
    const auto rowBytes = count * 3;
    // Unscaled columns: every row is one contiguous copy.
    const bool sameWidth = dw == src.width();
    // Source column of every destination column: the one whose span holds the
    // destination pixel's position, computed in integers so no rounding drifts.
    std::vector<std::size_t> column;
    if (!sameWidth) {
        column.resize(count);
        for (std::int64_t x = x0; x < x1; ++x) {
            const std::int64_t sx = ((x - left) * src.width()) / dw;
            column[static_cast<std::size_t>(x - x0)] = static_cast<std::size_t>(sx) * 3;
        }
    }
    std::int64_t previousSy = -1;
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t sy = ((y - top) * src.height()) / dh;
        std::uint8_t* out = Row(static_cast<std::int32_t>(y)) + static_cast<std::size_t>(x0) * 3;
        if (sy == previousSy) {
            // A repeated source row gives the same destination row.
            std::memcpy(out,
                        Row(static_cast<std::int32_t>(y - 1)) + static_cast<std::size_t>(x0) * 3,
                        rowBytes);
            continue;
        }
        previousSy = sy;
        const std::uint8_t* in = src.Row(static_cast<std::int32_t>(sy));
        if (sameWidth) {
            std::memcpy(out, in + static_cast<std::size_t>(x0 - left) * 3, rowBytes);
            continue;
        }
        // Four bytes at a time where the fourth is still inside both rows:
        // it lands on the next pixel, which is written over next.
        const std::size_t lastWide = static_cast<std::size_t>(src.width() - 1) * 3;
        for (std::size_t i = 0; i + 1 < count; ++i) {
            std::memcpy(out + i * 3, in + column[i], column[i] < lastWide ? 4 : 3);
        }
        std::memcpy(out + (count - 1) * 3, in + column[count - 1], 3);
    }
}

}  // namespace wylo
