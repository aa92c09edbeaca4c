#include "tools/wylo-channel/PhotoPicture.h"

#include <algorithm>

#include "base/Error.h"

namespace wylo::tool {

Bitmap MakePreview(const std::vector<Bitmap>& pictures) {
    if (pictures.empty()) {
        throw Error("A channel preview needs at least one picture");
    }
    const int count = std::min<int>(static_cast<int>(pictures.size()), kPreviewPhotos);
    Bitmap preview(kPreviewSize.width, kPreviewSize.height);
    const bool grid = count == 4;
    const int columns = grid ? 2 : count;
    const int rows = grid ? 2 : 1;
    for (int i = 0; i < count; ++i) {
        const int column = i % columns;
        const int row = i / columns;
        const Rect cell{kPreviewSize.width * column / columns, kPreviewSize.height * row / rows,
                        kPreviewSize.width * (column + 1) / columns,
                        kPreviewSize.height * (row + 1) / rows};
        const Bitmap part =
            ScaleToCover(pictures[static_cast<std::size_t>(i)], cell.Width(), cell.Height());
        preview.CopyFrom(part, {0, 0, part.width(), part.height()}, cell.left, cell.top);
    }
    return preview;
}

}  // namespace wylo::tool
