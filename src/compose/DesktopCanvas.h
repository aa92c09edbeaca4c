#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Colour.h"
#include "base/Monitor.h"
#include "compose/Bitmap.h"

namespace wylo {

// A bitmap the size of the virtual desktop, painted with the fill colour.
Bitmap CreateDesktopCanvas(Size virtualDesktop, Colour fill);

// True when the rectangles lie inside a canvas of this size, overlap nowhere
// and together cover all of it: images drawn there hide every pixel of the
// fill, which then need not be painted.
bool TilesCanvas(Size canvas, const std::vector<Rect>& parts);

// Monitor images other than the primary's, keyed by the monitor's index as
// decimal text, in monitor order.
using OtherMonitorList = std::vector<std::pair<std::string, Bitmap>>;

// Draws the monitor images onto the canvas, which is shown tiled from the
// primary monitor's origin: the primary image goes to (0, 0), every other
// image to its monitor's place, and the parts of a monitor lying left of or
// above the origin wrap to the right or bottom end of the canvas. A part both
// left of and above the origin is not drawn. Images drawn later win where
// monitors overlap. Returns nothing (abandoning the canvas) when a key is not
// a decimal number or names no monitor in the list.
std::optional<Bitmap> ComposeDesktop(Bitmap canvas, const std::vector<Monitor>& monitors,
                                     const Bitmap* primary, const OtherMonitorList* others);

// What a monitor at bounds shows of a canvas composed by the same wrap rule:
// the way back from a desktop to one monitor's picture, so a monitor can keep
// what it showed. An empty bitmap for an empty canvas or bounds.
Bitmap MonitorPictureOf(const Bitmap& canvas, const Rect& bounds);

}  // namespace wylo
