#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

// The version the program and its packages carry, such as "1.04".
std::string_view ProgramVersion();

// What a start of Wylo asks of the one that already runs: Show brings its
// window forward (a start without arguments), the others do what the
// window's buttons and menu items of the same name do.
enum class RemoteCommand { Show, ChangeNow, Previous, Next, Keep, NeverAgain, Quit };

// The command's name on the command line without its dashes, and the
// command of such a name ("change-now").
std::string_view RemoteCommandName(RemoteCommand command);
std::optional<RemoteCommand> RemoteCommandNamed(std::string_view name);

// What the program's command line asks for: to run (or bring the running
// Wylo forward), its version, help, or a command for the running Wylo.
struct CommandLineRequest {
    enum class Action { Run, Version, Help, Command, Mistake };
    Action action = Action::Run;
    // What to print for Version, Help and Mistake (a Mistake goes to the
    // error stream and ends the program with status 2).
    std::string text;
    // For Command.
    RemoteCommand command = RemoteCommand::Show;
    // A Mistake about an argument the program does not know, which the
    // window's toolkit may still take as its own.
    bool unknownArgument = false;
};

// Reads the arguments after the program's name. program is the name the
// texts call it by ("wylo", "Wylo.exe"); toolkitOptions, when not empty,
// tells the user which further options the window's toolkit takes.
CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments,
                                   std::string_view program, std::string_view toolkitOptions = {});

}  // namespace wylo
