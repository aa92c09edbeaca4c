#pragma once

#include <string>
#include <vector>

namespace wylo::test {

struct RunResult {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output
    std::string errors;              // standard error
};

// Runs the built wylo-channel with args (none of which may hold a single
// quote) and collects what it printed.
RunResult RunTool(const std::vector<std::string>& args);

}  // namespace wylo::test
