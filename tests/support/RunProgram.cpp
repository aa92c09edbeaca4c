#include "support/RunProgram.h"

#include <sstream>

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include "support/TempDir.h"

namespace wylo::test {
namespace {

// One word for the shell, whatever it holds.
std::string ShellWord(const std::string& text) {
    std::string word = "'";
    for (const char ch : text) {
        word += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    }
    return word + "'";
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& environment) {
    TempDir dir;
    std::string command;
    for (const auto& [name, value] : environment) {
        command += name + "=" + ShellWord(value) + " ";
    }
    command += ShellWord(program);
    for (const std::string& arg : args) {
        command += " " + ShellWord(arg);
    }
    command += " 2>" + ShellWord((dir / "stderr").string());

    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return result;
    }
    std::string out;
    char buffer[4096];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
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
