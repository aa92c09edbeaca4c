#include "RunTool.h"

#include <sstream>

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include "support/TempDir.h"

namespace wylo::test {

RunResult RunTool(const std::vector<std::string>& args) {
    TempDir dir;
    std::string command = std::string("'") + WYLO_CHANNEL_EXE + "'";
    for (const std::string& arg : args) {
        EXPECT_EQ(arg.find('\''), std::string::npos) << arg;
        command += " '" + arg + "'";
    }
    command += " 2>'" + (dir / "stderr").string() + "'";

    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    std::string out;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
        out.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        result.lines.push_back(line);
    }
    result.errors = ReadFile(dir / "stderr");
    return result;
}

}  // namespace wylo::test
