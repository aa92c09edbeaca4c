#pragma once

#include <cstdint>
#include <cstdlib>

#include <gtest/gtest.h>

#include "compose/Bitmap.h"
#include "compose/PhotoPicture.h"
#include "support/JpegWriter.h"

namespace wylo::test {

// Each of red, green and blue within tolerance, as JPEG compression and
// scaling leave flat colours; the failure names both colours.
inline ::testing::AssertionResult Near(Colour actual, Colour expected, int tolerance) {
    const auto off = [](std::uint8_t a, std::uint8_t b) { return std::abs(int(a) - int(b)); };
    if (off(RedOf(actual), RedOf(expected)) <= tolerance &&
        off(GreenOf(actual), GreenOf(expected)) <= tolerance &&
        off(BlueOf(actual), BlueOf(expected)) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << ColourText(actual) << " is not within " << tolerance
                                         << " of " << ColourText(expected);
}

// A bitmap of one colour.
inline Bitmap Solid(std::int32_t width, std::int32_t height, Colour colour) {
    Bitmap bitmap(width, height);
    bitmap.Fill(colour);
    return bitmap;
}

// A photo-like picture framed by a solid border band pixels wide on every
// side, as a photographer's frame or a letterboxed picture is.
inline Bitmap FramedPhoto(std::int32_t width, std::int32_t height, std::int32_t band, Colour border,
                          std::uint32_t seed = 7) {
    Bitmap photo = PhotoPattern(width, height, seed);
    photo.Fill({0, 0, width, band}, border);
    photo.Fill({0, height - band, width, height}, border);
    photo.Fill({0, 0, band, height}, border);
    photo.Fill({width - band, 0, width, height}, border);
    return photo;
}

}  // namespace wylo::test
