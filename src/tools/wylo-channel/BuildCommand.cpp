// wylo-channel build PHOTOS-DIR OUT-DIR: publishes a folder of photographs as
// a channel that Wylo can subscribe to.

#include <iostream>
#include <memory>
#include <string>

#include <fmt/core.h>

#include "channels/Download.h"
#include "tools/wylo-channel/ChannelWriter.h"
#include "tools/wylo-channel/CliValidators.h"
#include "tools/wylo-channel/Command.h"

namespace wylo::tool {
namespace {

int RunBuild(const ChannelOptions& options) {
    const PublishedChannel channel = BuildChannel(options, std::cerr);
    const auto text = channel.controlFile.u8string();
    fmt::print("{}: {} image{}{}\n", Printable(std::string(text.begin(), text.end())),
               channel.images.size(), channel.images.size() == 1 ? "" : "s",
               channel.skipped == 0   ? std::string()
               : channel.skipped == 1 ? std::string(", 1 file skipped")
                                      : fmt::format(", {} files skipped", channel.skipped));
    return kExitOk;
}

CommandRun SetUpBuild(CLI::App& sub) {
    auto options = std::make_shared<ChannelOptions>();
    sub.add_option("PHOTOS-DIR", options->photos, "Folder of JPEG photographs")
        ->required()
        ->check(CLI::ExistingDirectory);
    sub.add_option("OUT-DIR", options->out, "Folder the channel is written to")->required();
    sub.add_option("--id", options->id, "The channel's identifier (a plain folder name)")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& text) {
                return IsSafeName(text) ? std::string() : "cannot be used as a folder name";
            },
            "ID", "SafeName"));
    sub.add_option("--base-url", options->baseUrl, "The address OUT-DIR is served at")
        ->required()
        ->check(WebAddressValidator(false));
    sub.add_option("--title", options->title, "The channel's title (default: the id)");
    sub.add_option("--description", options->description, "The channel's description");
    sub.add_option("--copyright", options->copyright, "The copyright line shown with the images");
    sub.add_option("--news", options->news, "Address of the channel's news page")
        ->check(WebAddressValidator(true));
    sub.add_option("--legal", options->legal, "Address of the channel's terms")
        ->check(WebAddressValidator(true));
    sub.add_flag("--subscription", options->subscription, "The channel requires a subscription");
    sub.footer(
        "Copies every JPEG photograph of PHOTOS-DIR to OUT-DIR/images/ (sorted by name;\n"
        "subfolders and names starting with a dot are left out), writes a thumbnail of\n"
        "each to OUT-DIR/thumbs/, a preview picture OUT-DIR/preview.jpg and the control\n"
        "file OUT-DIR/Channel.xml, whose addresses lie under --base-url. Each image's\n"
        "title comes from its file name (underscores and dashes read as blanks); its\n"
        "suggested background colour is the colour of the photo's border, and its\n"
        "caption colour black or white, whichever reads better on it. Files that are\n"
        "not readable JPEGs are skipped with a warning. Unchanged files are not\n"
        "rewritten; nothing is deleted.\n"
        "Serve OUT-DIR at --base-url, e.g. as a folder named after --id under the\n"
        "address given to 'wylo-channel directory'.\n"
        "Exit status: 0 when the channel was written, 1 when it was not, 2 on bad usage.");
    return [options] { return RunBuild(*options); };
}

const bool kRegistered =
    RegisterCommand({"build", "Publish a folder of JPEG photographs as a channel", SetUpBuild});

}  // namespace
}  // namespace wylo::tool
