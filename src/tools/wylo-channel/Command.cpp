#include "tools/wylo-channel/Command.h"

#include <algorithm>
#include <random>
#include <system_error>

#include <fmt/core.h>
#include <stdlib.h>

#include "base/Error.h"

namespace wylo::tool {

namespace {

// Filled during static initialisation, so it must exist before the first
// registration whatever the order of the files.
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}

}  // namespace

bool RegisterCommand(Command command) {
    Registry().push_back(std::move(command));
    return true;
}

std::vector<Command> Commands() {
    std::vector<Command> commands = Registry();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return a.name < b.name; });
    return commands;
}

std::string Printable(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n') {
            result += "\\n";
        } else if (c == '\r') {
            result += "\\r";
        } else if (c == '\t') {
            result += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            result += fmt::format("\\x{:02X}", c);
        } else {
            result += ch;
        }
    }
    return result;
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
#ifdef _WIN32
    // No mkdtemp here: creating a folder fails when the name is taken, so
    // random names are tried until one is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() / fmt::format("{}-{:08x}", prefix, random());
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
        }
    }
    if (path_.empty()) {
        throw Error("Cannot create a temporary folder for the downloads");
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        throw Error("Cannot create a temporary folder for the downloads");
    }
    path_ = pattern;
#endif
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace wylo::tool
