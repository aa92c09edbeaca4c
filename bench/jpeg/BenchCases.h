#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "compose/Bitmap.h"

namespace wylo::bench {

// One photograph under test and a folder to write into.
struct BenchPhoto {
    std::filesystem::path jpeg;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::filesystem::path work;
    const Bitmap* decoded = nullptr;  // the photograph, decoded once beforehand
    // The same photograph as a phone stores a portrait: with an Exif
    // orientation of 6 (a quarter turn clockwise).
    std::filesystem::path turned = {};
};

// A named step timed on every photograph and printed as a ratio to djpeg.
struct BenchCase {
    std::string name;
    std::function<void(const BenchPhoto&)> run;
};

// The steps to time, in the order printed. Add a line in BenchCases.cpp for
// a new step.
std::vector<BenchCase> BenchCases();

}  // namespace wylo::bench
