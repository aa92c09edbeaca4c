#pragma once

#include <string>
#include <utility>
#include <vector>

namespace wylo::test {

struct RunResult {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output, line by line
    std::string errors;              // standard error
};

// Runs program with args and the extra environment variables, waits for it
// and collects what it printed. Arguments are passed as they are, quotes
// included.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& environment = {});

}  // namespace wylo::test
