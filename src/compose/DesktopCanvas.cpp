#include "compose/DesktopCanvas.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace wylo {
namespace {

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Rect MakeRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    return {Clamp32(left), Clamp32(top), Clamp32(right), Clamp32(bottom)};
}

// The whole key must be a decimal number naming a monitor of the list.
std::optional<std::size_t> MonitorOfKey(const std::string& key, std::size_t monitorCount) {
    long long value = -1;
    const char* end = key.data() + key.size();
    const auto [ptr, ec] = std::from_chars(key.data(), end, value);
    if (key.empty() || ec != std::errc() || ptr != end || value < 0 ||
        static_cast<unsigned long long>(value) >= monitorCount) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(value);
}

// Copies one monitor's image by the wrap rule: rows above the origin go to the
// bottom of the canvas, columns left of it to the right end.
void DrawWrapped(Bitmap& canvas, const Rect& bounds, const Bitmap& image) {
    const std::int64_t cw = canvas.width();
    const std::int64_t ch = canvas.height();
    const std::int64_t left = bounds.left;
    const std::int64_t top = bounds.top;
    const std::int64_t w = static_cast<std::int64_t>(bounds.right) - left;
    const std::int64_t h = static_cast<std::int64_t>(bounds.bottom) - top;
    if (w <= 0 || h <= 0) {
        return;
    }
    std::int64_t firstRow = 0;
    if (top < 0) {
        // Columns left of 0 are cut off here, not wrapped: that corner of the
        // monitor is shown nowhere.
        firstRow = std::min(h, -top);
        canvas.CopyFrom(image, MakeRect(0, 0, w, firstRow), Clamp32(left), Clamp32(ch + top));
    }
    std::int64_t firstColumn = 0;
    if (left < 0) {
        firstColumn = std::min(w, -left);
        canvas.CopyFrom(image, MakeRect(0, firstRow, firstColumn, h), Clamp32(cw + left),
                        Clamp32(top + firstRow));
    }
    canvas.CopyFrom(image, MakeRect(firstColumn, firstRow, w, h), Clamp32(left + firstColumn),
                    Clamp32(top + firstRow));
}

}  // namespace

Bitmap CreateDesktopCanvas(Size virtualDesktop, Colour fill) {
    Bitmap canvas = Bitmap::Unpainted(virtualDesktop.width, virtualDesktop.height);
    canvas.Fill(fill);
    return canvas;
}

bool TilesCanvas(Size canvas, const std::vector<Rect>& parts) {
    std::int64_t area = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const Rect& r = parts[i];
        if (r.left < 0 || r.top < 0 || r.right > canvas.width || r.bottom > canvas.height ||
            r.Width() <= 0 || r.Height() <= 0) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const Rect& o = parts[j];
            if (r.left < o.right && o.left < r.right && r.top < o.bottom && o.top < r.bottom) {
                return false;
            }
        }
        area += std::int64_t{r.Width()} * r.Height();
    }
    return area == std::int64_t{canvas.width} * canvas.height;
}

std::optional<Bitmap> ComposeDesktop(Bitmap canvas, const std::vector<Monitor>& monitors,
                                     const Bitmap* primary, const OtherMonitorList* others) {
    const std::int32_t p = PrimaryMonitorIndex(monitors);
    if (primary != nullptr && p >= 0) {
        const Rect& bounds = monitors[static_cast<std::size_t>(p)].bounds;
        canvas.CopyFrom(*primary, {0, 0, bounds.Width(), bounds.Height()}, bounds.left, bounds.top);
    }
    if (others != nullptr) {
        for (const auto& [key, image] : *others) {
            const auto index = MonitorOfKey(key, monitors.size());
            if (!index) {
                return std::nullopt;
            }
            DrawWrapped(canvas, monitors[*index].bounds, image);
        }
    }
    return canvas;
}

}  // namespace wylo

namespace wylo {

Bitmap MonitorPictureOf(const Bitmap& canvas, const Rect& bounds) {
    const std::int64_t cw = canvas.width();
    const std::int64_t ch = canvas.height();
    const std::int64_t w = bounds.Width();
    const std::int64_t h = bounds.Height();
    if (canvas.empty() || w <= 0 || h <= 0) {
        return {};
    }
    // Coordinates past either end of the canvas wrap round, as the canvas
    // is shown tiled.
    const auto wrap = [](std::int64_t v, std::int64_t size) { return ((v % size) + size) % size; };
    constexpr std::size_t kPixelBytes = 3;
    Bitmap picture = Bitmap::Unpainted(static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    for (std::int64_t y = 0; y < h; ++y) {
        const std::uint8_t* from = canvas.Row(static_cast<std::int32_t>(wrap(bounds.top + y, ch)));
        std::uint8_t* to = picture.Row(static_cast<std::int32_t>(y));
        for (std::int64_t x = 0; x < w;) {
            const std::int64_t cx = wrap(bounds.left + x, cw);
            const std::int64_t run = std::min(w - x, cw - cx);
            std::memcpy(to + x * kPixelBytes, from + cx * kPixelBytes,
                        static_cast<std::size_t>(run) * kPixelBytes);
            x += run;
        }
    }
    return picture;
}

}  // namespace wylo
