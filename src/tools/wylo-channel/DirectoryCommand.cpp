// wylo-channel directory OUT-ROOT: writes the channel directory that lists
// every channel published under OUT-ROOT.

#include <iostream>
#include <memory>
#include <string>

#include <fmt/core.h>

#include "tools/wylo-channel/ChannelWriter.h"
#include "tools/wylo-channel/CliValidators.h"
#include "tools/wylo-channel/Command.h"

namespace wylo::tool {
namespace {

int RunDirectory(const DirectoryOptions& options) {
    const PublishedDirectory directory = BuildDirectory(options, std::cerr);
    const auto text = directory.file.u8string();
    fmt::print("{}: {} channel{}\n", Printable(std::string(text.begin(), text.end())),
               directory.ids.size(), directory.ids.size() == 1 ? "" : "s");
    return kExitOk;
}

CommandRun SetUpDirectory(CLI::App& sub) {
    auto options = std::make_shared<DirectoryOptions>();
    sub.add_option("OUT-ROOT", options->root, "Folder holding one folder per channel")
        ->required()
        ->check(CLI::ExistingDirectory);
    sub.add_option("--base-url", options->baseUrl, "The address OUT-ROOT is served at")
        ->required()
        ->check(WebAddressValidator(false));
    sub.add_option("--news", options->news, "Address of the page Wylo's welcome tab shows")
        ->check(WebAddressValidator(true));
    sub.footer(
        "Lists every folder directly under OUT-ROOT that holds a Channel.xml (as made by\n"
        "'wylo-channel build'), sorted by name, in OUT-ROOT/wylo/wylo.xml: each\n"
        "folder's name is the channel's id, and its control file's address is\n"
        "<base-url>/<folder>/Channel.xml. Serve OUT-ROOT at --base-url; Wylo reads the\n"
        "directory at <base-url>/wylo/wylo.xml.\n"
        "Exit status: 0 when the directory was written, 1 when it was not, 2 on bad usage.");
    return [options] { return RunDirectory(*options); };
}

const bool kRegistered = RegisterCommand(
    {"directory", "Write the channel directory listing every published channel", SetUpDirectory});

}  // namespace
}  // namespace wylo::tool
