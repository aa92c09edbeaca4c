#pragma once

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

}  // namespace wylo
