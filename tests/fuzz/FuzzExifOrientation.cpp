// The Exif orientation reader: any APP1 payload gives one of the eight
// orientations, and a bitmap turned by it has the turned size.

#include <span>

#include "compose/ExifOrientation.h"
#include "compose/OrientedBitmap.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const Orientation o = ReadExifOrientation(std::span(data, size));
    const int value = static_cast<int>(o);
    fuzz::Require(value >= 1 && value <= 8);
    const Bitmap turned = Oriented(Bitmap(3, 2), o);
    fuzz::Require(turned.width() == (SwapsAxes(o) ? 2 : 3));
    return 0;
}
