#pragma once

// Shared by the fuzz harnesses: the readers under test take files, so each
// input is written to a file of this process's own first.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <unistd.h>

namespace wylo::fuzz {

// A file in the temporary folder named for this process and suffix, holding
// the input's bytes.
inline std::filesystem::path InputFile(const std::uint8_t* data, std::size_t size,
                                       std::string_view suffix) {
    static const std::filesystem::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path f = tmp && *tmp ? tmp : "/tmp";
        f /= "wylo-fuzz-" + std::to_string(::getpid());
        std::filesystem::create_directories(f);
        return f;
    }();
    const std::filesystem::path path = folder / ("input" + std::string(suffix));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);
    return path;
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Stops the run with a finding when a property does not hold.
inline void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace wylo::fuzz
