#pragma once

#include <cstdint>

namespace wylo {

// Left, Top, Right, Bottom; right and bottom are exclusive.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t Width() const { return right - left; }
    constexpr std::int32_t Height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

}  // namespace wylo
