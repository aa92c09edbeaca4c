#pragma once

#include <string>
#include <vector>

#include "support/RunProgram.h"

namespace wylo::test {

// Runs the built wylo-channel with args and collects what it printed.
inline RunResult RunTool(const std::vector<std::string>& args) {
    return RunProgram(WYLO_CHANNEL_EXE, args);
}

}  // namespace wylo::test
