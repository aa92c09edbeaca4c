#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Geometry.h"
#include "compose/Bitmap.h"

namespace wylo {

// Draws all of src scaled into dest with smoothing: each axis that shrinks
// averages the source pixels a destination pixel covers (weighted by how
// much of each it covers), each axis that grows blends the two nearest
// source pixels linearly. An axis of unchanged length is copied exactly.
// dest may lie partly outside dst; only the visible part is computed.
// src must not be dst.
void DrawSmoothScaled(Bitmap& dst, const Bitmap& src, const Rect& dest);

// DrawSmoothScaled for a picture of size source that comes a few rows at a
// time, from its first row down: each destination row is drawn as soon as
// the source rows it takes are in, and only those few are kept.
class SmoothedRows {
public:
    // dst must outlive this.
    SmoothedRows(Bitmap& dst, Size source, const Rect& dest);
    ~SmoothedRows();
    SmoothedRows(const SmoothedRows&) = delete;
    SmoothedRows& operator=(const SmoothedRows&) = delete;

    // Rows first to first + count of the picture, stride bytes apart; each
    // call takes up where the last one ended.
    void Feed(std::int32_t first, std::int32_t count, const std::uint8_t* rows, std::size_t stride);

private:
    struct Axes;
    float* RingRow(std::int64_t sy);
    void EmitRow(std::size_t k);

    Bitmap& dst_;
    std::unique_ptr<Axes> axes_;  // none when nothing is visible
    std::int64_t x0_ = 0;
    std::int64_t y0_ = 0;
    std::size_t width_ = 0;
    std::size_t depth_ = 1;
    std::size_t next_ = 0;  // the next destination row to draw
    std::vector<float> ring_;
    std::vector<float> sum_;
};

}  // namespace wylo
