#include "support/TempDir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <stdlib.h>

namespace wylo::test {

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp here: try random names until a new folder is made.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() / ("wylo-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
        }
    }
    if (path_.empty()) {
        throw std::runtime_error("cannot create a temporary folder");
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "wylo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
#endif
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string NativeLines(const std::string& text) {
#ifdef _WIN32
    std::string native;
    for (const char c : text) {
        if (c == '\n') {
            native += '\r';
        }
        native += c;
    }
    return native;
#else
    return text;
#endif
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace wylo::test
