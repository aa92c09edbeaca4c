#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wylo {

// The version the program and its packages carry, such as "1.04".
std::string_view ProgramVersion();

// What the program's command line asks for. The program takes no arguments
// of its own beyond asking for its version or for help.
struct CommandLineRequest {
    enum class Action { Run, Version, Help, Mistake };
    Action action = Action::Run;
    // What to print for Version, Help and Mistake (a Mistake goes to the
    // error stream and ends the program with status 2).
    std::string text;
};

// Reads the arguments after the program's name. program is the name the
// texts call it by ("wylo", "Wylo.exe"); toolkitOptions, when not empty,
// tells the user which further options the window's toolkit takes.
CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments,
                                   std::string_view program, std::string_view toolkitOptions = {});

}  // namespace wylo
