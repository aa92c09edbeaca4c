#pragma once

namespace wylo {

// Where the images list paints a row, for a row rectangle in the window's
// pixels. At other scalings than 100 % the lengths come in scaled.

// The left edge of a thumbnail of the given width: the widest thumbnail so
// far ends margin pixels inside the row's right edge, and every narrower one
// is centred in the column of that width.
constexpr int ThumbnailLeft(int rowRight, int width, int maxThumbWidth, int margin = 10) {
    const int h = (width - maxThumbWidth) / 2;
    return rowRight - margin - (width - h);
}

// The top of a row's title: the row's middle less half the title's size in
// points, used as if it were pixels.
constexpr int TitleTop(int top, int bottom, int titleSize = 14) {
    return (top + bottom) / 2 - titleSize / 2;
}

// The thumbnail's top: 2 pixels below the row's top.
constexpr int ThumbnailTop(int top, int gap = 2) {
    return top + gap;
}

}  // namespace wylo
