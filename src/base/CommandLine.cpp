#include "base/CommandLine.h"

#include <array>
#include <utility>

namespace wylo {

std::string_view ProgramVersion() {
    return WYLO_VERSION;
}

namespace {

constexpr std::array<std::pair<RemoteCommand, std::string_view>, 7> kCommandNames = {{
    {RemoteCommand::Show, "show"},
    {RemoteCommand::ChangeNow, "change-now"},
    {RemoteCommand::Previous, "previous"},
    {RemoteCommand::Next, "next"},
    {RemoteCommand::Keep, "keep"},
    {RemoteCommand::NeverAgain, "never-again"},
    {RemoteCommand::Quit, "quit"},
}};

std::string HelpText(std::string_view program, std::string_view toolkitOptions) {
    std::string text =
        "Usage: " + std::string(program) +
        " [--version | --help]\n"
        "       " +
        std::string(program) +
        " [--change-now | --previous | --next | --keep | --never-again | --quit]\n"
        "\n"
        "Wylo puts photographs from online channels on your desktop, on the "
        "schedule\nyou choose: subscribe to a channel and choose the schedule in its "
        "window. It\nkeeps its settings and pictures in its own folder and lives in the "
        "notification\narea. Only one Wylo runs at a time: starting it again brings its "
        "window forward,\nand the commands below go to the Wylo that runs, so a key of "
        "the desktop can\nchange the picture.\n"
        "\n"
        "  --change-now  put the next picture on the desktop now\n"
        "  --previous    put the wallpaper before the current one back\n"
        "  --next        go forward again after --previous\n"
        "  --keep        keep the picture on the desktop in Favourites\n"
        "  --never-again never show the picture on the desktop again, and put\n"
        "                up the next one\n"
        "  --quit        end the Wylo that runs\n"
        "  --version     print the version and end\n"
        "  -h, --help    print this text and end\n"
        "\n"
        "The exit status is 0 when the Wylo that runs took the command, 1 when it\n"
        "refused it or none runs, and 2 for a mistake on the command line.\n";
    if (!toolkitOptions.empty()) {
        text += "\n" + std::string(toolkitOptions);
    }
    return text;
}

std::string Mistake(std::string_view program, const std::string& what) {
    return std::string(program) + ": " + what + "\nTry '" + std::string(program) +
           " --help' for more.\n";
}

}  // namespace

std::string_view RemoteCommandName(RemoteCommand command) {
    for (const auto& [c, name] : kCommandNames) {
        if (c == command) {
            return name;
        }
    }
    return {};
}

std::optional<RemoteCommand> RemoteCommandNamed(std::string_view name) {
    for (const auto& [c, n] : kCommandNames) {
        if (n == name) {
            return c;
        }
    }
    return std::nullopt;
}

CommandLineRequest ReadCommandLine(const std::vector<std::string>& arguments,
                                   std::string_view program, std::string_view toolkitOptions) {
    using Action = CommandLineRequest::Action;
    if (arguments.empty()) {
        return {};
    }
    // Asking for help or the version wins over anything else given with it.
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h" || argument == "-?" || argument == "/?") {
            return {Action::Help, HelpText(program, toolkitOptions)};
        }
    }
    for (const std::string& argument : arguments) {
        if (argument == "--version") {
            return {Action::Version, "Wylo " + std::string(ProgramVersion()) + "\n"};
        }
    }
    std::optional<RemoteCommand> command;
    for (const std::string& argument : arguments) {
        const std::optional<RemoteCommand> named =
            argument.rfind("--", 0) == 0 ? RemoteCommandNamed(std::string_view(argument).substr(2))
                                         : std::nullopt;
        // "--show" is what a start without arguments sends, not an option.
        if (!named || *named == RemoteCommand::Show) {
            CommandLineRequest mistake{Action::Mistake,
                                       Mistake(program, "unknown argument '" + argument + "'")};
            mistake.unknownArgument = true;
            return mistake;
        }
        if (command && *command != *named) {
            return {Action::Mistake, Mistake(program, "one command at a time, not both '--" +
                                                          std::string(RemoteCommandName(*command)) +
                                                          "' and '" + argument + "'")};
        }
        command = named;
    }
    CommandLineRequest request{Action::Command, {}};
    request.command = *command;
    return request;
}

}  // namespace wylo
