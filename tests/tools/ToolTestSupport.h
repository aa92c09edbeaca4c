#pragma once

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "base/Colour.h"
#include "compose/Bitmap.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "tools/wylo-channel/PhotoPicture.h"

namespace wylo::test {

// Each channel of a colour within tolerance.
inline ::testing::AssertionResult NearColour(Colour actual, Colour expected, int tolerance) {
    const auto off = [](std::uint8_t a, std::uint8_t b) { return std::abs(int(a) - int(b)); };
    if (off(RedOf(actual), RedOf(expected)) <= tolerance &&
        off(GreenOf(actual), GreenOf(expected)) <= tolerance &&
        off(BlueOf(actual), BlueOf(expected)) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << ColourText(actual) << " is not within " << tolerance
                                         << " of " << ColourText(expected);
}

// A photo-like picture framed by a solid border band pixels wide.
inline Bitmap FramedPhoto(std::int32_t width, std::int32_t height, std::int32_t band, Colour border,
                          std::uint32_t seed = 7) {
    Bitmap photo = PhotoPattern(width, height, seed);
    photo.Fill({0, 0, width, band}, border);
    photo.Fill({0, height - band, width, height}, border);
    photo.Fill({0, 0, band, height}, border);
    photo.Fill({width - band, 0, width, height}, border);
    return photo;
}

// Serves every file below root at "/" + its path relative to root, the way a
// static web server would.
inline void ServeTree(TestHttpServer& server, const std::filesystem::path& root) {
    const std::time_t now = std::time(nullptr);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            const std::string path =
                "/" + std::filesystem::relative(entry.path(), root).generic_string();
            server.Serve(path, ReadFile(entry.path()), now);
        }
    }
}

}  // namespace wylo::test
