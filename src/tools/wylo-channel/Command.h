#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace wylo::tool {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs a subcommand once its command line has been read; gives the exit code.
using CommandRun = std::function<int()>;

// One subcommand of wylo-channel. setup declares the subcommand's options on
// sub and returns what running it does; the options' values live in that
// function's captures.
struct Command {
    std::string name;
    std::string description;
    CommandRun (*setup)(CLI::App& sub);
};

// Adds a subcommand. Each <Name>Command.cpp calls it once through a
// namespace-scope constant, so that file must be one of wylo-channel's own
// sources (a static library would drop the unreferenced registration).
bool RegisterCommand(Command command);

// Every registered subcommand, ordered by name.
std::vector<Command> Commands();

// Text from the network made safe to print on one terminal line: control
// characters become \n, \r, \t or \xHH; everything else stays as it is.
std::string Printable(const std::string& text);

// A fresh folder under the system's temporary folder for a command's
// downloads, removed with its content when the command ends.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace wylo::tool
