#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "compose/Bitmap.h"

namespace wylo::test {

enum class JpegColour {
    Colour,     // YCbCr, what cameras write
    Greyscale,  // one component
    AdobeCmyk,  // four components, inks stored inverted, with an Adobe marker
    Ycck,       // CMYK transformed to YCCK, with an Adobe marker
};

struct JpegOptions {
    int quality = 90;
    JpegColour colour = JpegColour::Colour;
    bool progressive = false;
    // A legal progressive file with one scan per coefficient band and bit
    // (thousands of scans): what a hostile server sends to stall a decoder.
    bool thousandsOfScans = false;
    // The payload of an APP1 segment written after the JFIF header (an Exif
    // segment from ExifSegment, say); none when empty.
    std::string app1 = {};
};

// A real JPEG of bitmap made by libjpeg's compressor, as bytes or as a file.
// Throws std::runtime_error when the compressor refuses.
std::string EncodeJpeg(const Bitmap& bitmap, const JpegOptions& options = {});
void WriteJpeg(const std::filesystem::path& path, const Bitmap& bitmap,
               const JpegOptions& options = {});

// A photo-like picture: smooth colour gradients and soft shapes with fine
// noise, the same for the same seed.
Bitmap PhotoPattern(std::int32_t width, std::int32_t height, std::uint32_t seed = 1);

// Four flat quadrants (red top-left, green top-right, blue bottom-left, white
// bottom-right): colours that survive JPEG compression within a few levels.
Bitmap QuadrantPattern(std::int32_t width, std::int32_t height);
// Four flat quadrants of the colours given: top-left, top-right,
// bottom-left, bottom-right.
Bitmap QuadrantPattern(std::int32_t width, std::int32_t height, const Colour (&corners)[4]);

}  // namespace wylo::test
