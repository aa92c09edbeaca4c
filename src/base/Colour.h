#pragma once

#include <cstdint>
#include <string_view>

namespace wylo {

// 0x00BBGGRR: red in the low byte, the layout list views and bitmaps take.
using Colour = std::uint32_t;

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

constexpr Colour MakeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 |
           static_cast<Colour>(blue) << 16;
}
constexpr std::uint8_t RedOf(Colour c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 8 & 0xFF);
}
constexpr std::uint8_t BlueOf(Colour c) {
    return static_cast<std::uint8_t>(c >> 16 & 0xFF);
}

// Reads a channel's colour text ("#RRGGBB": the text after the first "#" as
// one to eight hexadecimal digits, red in bits 16..23). Anything else gives
// black; it never fails.
Colour HexToColour(std::string_view text);

}  // namespace wylo
