#pragma once

#include <vector>

#include "base/Geometry.h"
#include "compose/Bitmap.h"
#include "compose/PhotoPicture.h"

namespace wylo::tool {

// The channel's preview picture.
inline constexpr Size kPreviewSize{400, 250};
// How many photos the preview shows at most.
inline constexpr int kPreviewPhotos = 4;

// The channel's preview: up to kPreviewPhotos pictures side by side (one,
// two or three) or in a 2 x 2 grid (four), each filling its cell. pictures
// must not be empty.
Bitmap MakePreview(const std::vector<Bitmap>& pictures);

}  // namespace wylo::tool
