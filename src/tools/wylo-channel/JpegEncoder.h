#pragma once

#include <string>

#include "compose/Bitmap.h"

namespace wylo::tool {

// Compresses bitmap into a baseline JPEG (4:2:0, optimised Huffman tables)
// of the given quality (1..100) and returns the file's bytes. Throws Error
// with the compressor's reason when it refuses, or for an empty bitmap.
std::string EncodeJpeg(const Bitmap& bitmap, int quality = 85);

}  // namespace wylo::tool
