#include "base/CommandLine.h"

namespace wylo {

std::string_view ProgramVersion() {
    return WYLO_VERSION;
}

namespace {

std::string HelpText(std::string_view program, std::string_view toolkitOptions) {
    std::string text = "Usage: " + std::string(program) +
                       " [--version | --help]\n"
                       "\n"
                       "Wylo puts photographs from online channels on your desktop, on the "
                       "schedule\nyou choose. It takes no other arguments: subscribe to a channel "
                       "and choose\nthe schedule in its window. It keeps its settings and "
                       "pictures in its own\nfolder and lives in the notification area.\n"
                       "\n"
                       "  --version   print the version and end\n"
                       "  -h, --help  print this text and end\n";
    if (!toolkitOptions.empty()) {
        text += "\n" + std::string(toolkitOptions);
    }
    return text;
}

}  // namespace

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
    return {Action::Mistake, std::string(program) + ": unknown argument '" + arguments.front() +
                                 "'\nTry '" + std::string(program) + " --help' for more.\n"};
}

}  // namespace wylo
