// wylo-channel: command-line tools for people who publish Wylo channels.
// Every subcommand lives in its own file and registers itself (Command.h).

#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "base/CommandLine.h"
#include "tools/wylo-channel/Command.h"

int main(int argc, char** argv) {
    using namespace wylo::tool;

    CLI::App app{"Tools for publishers of Wylo channels.", "wylo-channel"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "wylo-channel " + std::string(wylo::ProgramVersion()),
                         "Print the version and exit");
    app.footer("Run 'wylo-channel <command> --help' for the options of a command.");

    std::vector<std::pair<CLI::App*, CommandRun>> commands;
    for (const Command& command : Commands()) {
        CLI::App* sub = app.add_subcommand(command.name, command.description);
        commands.emplace_back(sub, command.setup(*sub));
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help ends here too, with code 0.
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    for (auto& [sub, run] : commands) {
        if (sub->parsed()) {
            try {
                return run();
            } catch (const std::exception& e) {
                std::cerr << "wylo-channel " << sub->get_name() << ": " << e.what() << '\n';
                return kExitFailed;
            }
        }
    }
    return kExitUsage;
}
