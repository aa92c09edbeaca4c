#include "base/Colour.h"

namespace wylo {

Colour HexToColour(std::string_view text) {
    if (const auto hash = text.find('#'); hash != std::string_view::npos) {
        text.remove_prefix(hash + 1);
    }
    if (text.empty() || text.size() > 8) {
        return kBlack;
    }
    std::uint32_t n = 0;
    for (const char ch : text) {
        std::uint32_t digit = 0;
        if (ch >= '0' && ch <= '9') {
            digit = static_cast<std::uint32_t>(ch - '0');
        } else if (ch >= 'a' && ch <= 'f') {
            digit = static_cast<std::uint32_t>(ch - 'a' + 10);
        } else if (ch >= 'A' && ch <= 'F') {
            digit = static_cast<std::uint32_t>(ch - 'A' + 10);
        } else {
            return kBlack;
        }
        n = n << 4 | digit;
    }
    return MakeColour(static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 8),
                      static_cast<std::uint8_t>(n));
}

}  // namespace wylo
