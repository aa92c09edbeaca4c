#include "compose/Placement.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "compose/SmoothScale.h"

namespace wylo {

namespace detail {

std::int64_t TruncExtendedProduct(std::int64_t length, double ratio) {
    if (length <= 0 || !(ratio > 0) || !std::isfinite(ratio)) {
        return 0;
    }
    // ratio = mantissa x 2^exponent with a 53-bit integer mantissa.
    int exponent = 0;
    const double fraction = std::frexp(ratio, &exponent);
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;

    // The exact product length x mantissa in 128 bits (high, low).
    const auto n = static_cast<std::uint64_t>(length);
    const std::uint64_t nLow = n & 0xFFFFFFFFu;
    const std::uint64_t nHigh = n >> 32;
    const std::uint64_t mLow = mantissa & 0xFFFFFFFFu;
    const std::uint64_t mHigh = mantissa >> 32;
    const std::uint64_t ll = nLow * mLow;
    const std::uint64_t lh = nLow * mHigh;
    const std::uint64_t hl = nHigh * mLow;
    const std::uint64_t hh = nHigh * mHigh;
    const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    std::uint64_t low = (middle << 32) | (ll & 0xFFFFFFFFu);
    std::uint64_t high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);

    // Round to 64 significant bits, to nearest with ties to even.
    std::uint64_t value = low;
    if (high != 0) {
        const int shift = 64 - std::countl_zero(high);  // bits beyond 64
        const std::uint64_t dropped = low & ((std::uint64_t{1} << shift) - 1);
        const std::uint64_t half = std::uint64_t{1} << (shift - 1);
        value = (high << (64 - shift)) | (low >> shift);
        exponent += shift;
        if (dropped > half || (dropped == half && (value & 1))) {
            ++value;
            if (value == 0) {  // carried out of 64 bits
                value = std::uint64_t{1} << 63;
                ++exponent;
            }
        }
    }
    // value x 2^exponent, cut toward zero.
    if (exponent >= 0) {
        return static_cast<std::int64_t>(value << exponent);
    }
    if (exponent <= -64) {
        return 0;
    }
    return static_cast<std::int64_t>(value >> -exponent);
}

}  // namespace detail

Rect FitImageRect(const Rect& image, const Rect& target) {
    const std::int64_t iw = std::max<std::int64_t>(std::int64_t{image.right} - image.left, 0);
    const std::int64_t ih = std::max<std::int64_t>(std::int64_t{image.bottom} - image.top, 0);
    const std::int64_t tw = std::max<std::int64_t>(std::int64_t{target.right} - target.left, 0);
    const std::int64_t th = std::max<std::int64_t>(std::int64_t{target.bottom} - target.top, 0);

    // Only the image's size matters, not where its rectangle lies.
    std::int64_t left = 0, top = 0, right = iw, bottom = ih;
    if (iw > tw) {
        const double ratio = static_cast<double>(ih) / static_cast<double>(iw);
        left = target.left;
        top = target.top;
        right = left + tw;
        bottom = top + detail::TruncExtendedProduct(tw, ratio);
    }
    // Tested on the image's own height, not the one just fitted; it replaces
    // the width fit entirely.
    if (ih > th) {
        const double ratio = static_cast<double>(iw) / static_cast<double>(ih);
        left = target.left;
        top = target.top;
        right = left + detail::TruncExtendedProduct(th, ratio);
        bottom = top + th;
    }
    // Integer division truncates toward zero (-301 / 2 = -150), which keeps an
    // overhang cut equally on both sides.
    const std::int64_t dx = (tw - (right - left)) / 2;
    const std::int64_t dy = (th - (bottom - top)) / 2;
    return Rect{static_cast<std::int32_t>(left + dx), static_cast<std::int32_t>(top + dy),
                static_cast<std::int32_t>(right + dx), static_cast<std::int32_t>(bottom + dy)};
}

Rect PlacementRect(const ImagePlacement& placement, Size image, Size target) {
    const std::int64_t iw = std::max<std::int64_t>(image.width, 0);
    const std::int64_t ih = std::max<std::int64_t>(image.height, 0);
    const std::int64_t tw = std::max<std::int64_t>(target.width, 0);
    const std::int64_t th = std::max<std::int64_t>(target.height, 0);
    switch (placement.mode) {
        case PlacementMode::Center:
            return FitImageRect({0, 0, image.width, image.height},
                                {0, 0, target.width, target.height});
        case PlacementMode::Tile:
            return {0, 0, static_cast<std::int32_t>(iw), static_cast<std::int32_t>(ih)};
        case PlacementMode::Stretch:
            return {0, 0, static_cast<std::int32_t>(tw), static_cast<std::int32_t>(th)};
        case PlacementMode::Zoom:
            break;
    }
    if (iw == 0 || ih == 0) {
        return {static_cast<std::int32_t>(tw / 2), static_cast<std::int32_t>(th / 2),
                static_cast<std::int32_t>(tw / 2), static_cast<std::int32_t>(th / 2)};
    }
    // Covering means the side that needs the larger scale fits exactly; the
    // other side is scaled alike and rounded to the nearest pixel. Integer
    // arithmetic, so an image of the monitor's aspect covers it exactly.
    const std::int64_t zoom = std::clamp<std::int64_t>(placement.zoom, 1, 1000);
    std::int64_t w = 0;
    std::int64_t h = 0;
    if (tw * ih >= th * iw) {
        w = (tw * zoom + 50) / 100;
        h = (ih * tw * zoom + iw * 50) / (iw * 100);
    } else {
        h = (th * zoom + 50) / 100;
        w = (iw * th * zoom + ih * 50) / (ih * 100);
    }
    // Far beyond any monitor, and still clear of the 32-bit edges.
    constexpr std::int64_t kMaxLength = std::int64_t{1} << 28;
    w = std::min(w, kMaxLength);
    h = std::min(h, kMaxLength);
    const std::int64_t dx = (tw - w) / 2;
    const std::int64_t dy = (th - h) / 2;
    return {static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy),
            static_cast<std::int32_t>(dx + w), static_cast<std::int32_t>(dy + h)};
}

namespace {

// Repeats image over monitor from its top-left corner.
void DrawTiled(Bitmap& monitor, const Bitmap& image) {
    if (image.empty() || monitor.empty()) {
        return;
    }
    // The first row of tiles, then whole image rows copied down from it.
    const std::int32_t firstRows = std::min(image.height(), monitor.height());
    for (std::int32_t x = 0; x < monitor.width(); x += image.width()) {
        monitor.CopyFrom(image, {0, 0, image.width(), firstRows}, x, 0);
    }
    for (std::int32_t y = image.height(); y < monitor.height(); y += image.height()) {
        monitor.CopyFrom(monitor, {0, 0, monitor.width(), image.height()}, 0, y);
    }
}

}  // namespace

void PlaceImage(Bitmap& monitor, const Bitmap& image, const ImagePlacement& placement,
                bool smooth) {
    if (placement.mode == PlacementMode::Tile) {
        DrawTiled(monitor, image);
        return;
    }
    const Rect dest = PlacementRect(placement, {image.width(), image.height()},
                                    {monitor.width(), monitor.height()});
    if (smooth) {
        DrawSmoothScaled(monitor, image, dest);
    } else {
        monitor.StretchFrom(image, dest);
    }
}

void PlaceReducedImage(Bitmap& monitor, const Bitmap& image, Size fullSize,
                       const ImagePlacement& placement) {
    DrawSmoothScaled(monitor, image,
                     PlacementRect(placement, fullSize, {monitor.width(), monitor.height()}));
}

StretchedRows::StretchedRows(Bitmap& monitor, Size source, const Rect& dest)
    : monitor_(monitor), source_(source) {
    // The same integer mapping as StretchFrom, so both draw the same pixels.
    const std::int64_t dw = std::int64_t{dest.right} - dest.left;
    const std::int64_t dh = std::int64_t{dest.bottom} - dest.top;
    if (dw <= 0 || dh <= 0 || source.width <= 0 || source.height <= 0) {
        return;
    }
    x0_ = std::max<std::int64_t>(dest.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(dest.right, monitor.width());
    y0_ = std::max<std::int64_t>(dest.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(dest.bottom, monitor.height());
    if (x0_ >= x1 || y0_ >= y1) {
        return;
    }
    for (std::int64_t x = x0_; x < x1; ++x) {
        column_.push_back(static_cast<std::size_t>(((x - dest.left) * source.width) / dw) * 3);
    }
    for (std::int64_t y = y0_; y < y1; ++y) {
        sourceRow_.push_back(((y - dest.top) * source.height) / dh);
    }
}

void StretchedRows::Draw(std::int32_t first, std::int32_t count, const std::uint8_t* rows,
                         std::size_t stride) const {
    if (column_.empty()) {
        return;
    }
    // The destination rows that show these source rows lie together.
    const auto begin = std::lower_bound(sourceRow_.begin(), sourceRow_.end(), first);
    const auto end = std::lower_bound(begin, sourceRow_.end(), std::int64_t{first} + count);
    const std::size_t lastWide = static_cast<std::size_t>(source_.width - 1) * 3;
    const std::size_t n = column_.size();
    for (auto it = begin; it != end; ++it) {
        const std::uint8_t* in = rows + static_cast<std::size_t>(*it - first) * stride;
        const auto y = static_cast<std::int32_t>(y0_ + (it - sourceRow_.begin()));
        std::uint8_t* out = monitor_.Row(y) + static_cast<std::size_t>(x0_) * 3;
        // Four bytes at a time where the fourth is still inside both rows: it
        // lands on the next pixel, which is written over next.
        for (std::size_t i = 0; i + 1 < n; ++i) {
            std::memcpy(out + i * 3, in + column_[i], column_[i] < lastWide ? 4 : 3);
        }
        std::memcpy(out + (n - 1) * 3, in + column_[n - 1], 3);
    }
}

void PlaceImageInArea(Bitmap& monitor, const Bitmap& image, const ImagePlacement& placement,
                      bool smooth, const Rect& area) {
    if (image.empty() || monitor.empty() || area.Width() <= 0 || area.Height() <= 0) {
        return;
    }
    if (placement.mode == PlacementMode::Tile) {
        // The first tile that reaches into the monitor, then every one after.
        const auto first = [](std::int64_t start, std::int64_t step) {
            return start < 0 ? start + (-start / step) * step : start;
        };
        const std::int64_t w = image.width();
        const std::int64_t h = image.height();
        for (std::int64_t y = first(area.top, h);
             y < std::min<std::int64_t>(area.bottom, monitor.height()); y += h) {
            for (std::int64_t x = first(area.left, w);
                 x < std::min<std::int64_t>(area.right, monitor.width()); x += w) {
                const std::int64_t sx = std::max<std::int64_t>(0, -x);
                const std::int64_t sy = std::max<std::int64_t>(0, -y);
                monitor.CopyFrom(image,
                                 {static_cast<std::int32_t>(sx), static_cast<std::int32_t>(sy),
                                  static_cast<std::int32_t>(std::min(w, area.right - x)),
                                  static_cast<std::int32_t>(std::min(h, area.bottom - y))},
                                 static_cast<std::int32_t>(x + sx),
                                 static_cast<std::int32_t>(y + sy));
            }
        }
        return;
    }
    const Rect inArea =
        PlacementRect(placement, {image.width(), image.height()}, {area.Width(), area.Height()});
    const Rect dest{inArea.left + area.left, inArea.top + area.top, inArea.right + area.left,
                    inArea.bottom + area.top};
    if (smooth) {
        DrawSmoothScaled(monitor, image, dest);
    } else {
        monitor.StretchFrom(image, dest);
    }
}

void DrawFitted(Bitmap& monitor, const Bitmap& image) {
    const Rect dest = FitImageRect({0, 0, image.width(), image.height()},
                                   {0, 0, monitor.width(), monitor.height()});
    monitor.StretchFrom(image, dest);
}

}  // namespace wylo
