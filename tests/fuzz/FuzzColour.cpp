// The colour parser of channel documents: black for anything it cannot
// read, never a value with a top byte.

#include "base/Colour.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const Colour colour = HexToColour(fuzz::Text(data, size));
    fuzz::Require(colour <= 0xFFFFFFu);
    return 0;
}
