#pragma once

#include <optional>
#include <string_view>

#include "base/Colour.h"
#include "platform/Platform.h"

namespace wylo::tool {

// Reads a monitor given as WIDTHxHEIGHT followed by the left and top edges,
// each with its own sign ("1280x1024-1280+56"), in the program's coordinates.
// Nothing for anything else, or for sizes and places no desktop has.
std::optional<Rect> ParseMonitorGeometry(std::string_view text);

// Reads "#RRGGBB" strictly (exactly six hexadecimal digits).
std::optional<Colour> ParseColourOption(std::string_view text);

}  // namespace wylo::tool
