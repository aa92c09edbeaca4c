// wylo-channel check URL: fetches a channel directory and every channel's
// control file the way Wylo does, and lists what Wylo would offer.

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/core.h>

#include "base/Clock.h"
#include "base/Error.h"
#include "base/WebAddress.h"
#include "channels/ChannelSession.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "tools/wylo-channel/CliValidators.h"
#include "tools/wylo-channel/Command.h"

namespace wylo::tool {
namespace {

namespace fs = std::filesystem;

void PrintLine(const std::string& line) {
    fmt::print("{}\n", line);
}

// Why the channel at index cannot be offered, given how the fetch of its
// control file went; empty when it can, in which case its control file is
// loaded.
std::string Unavailability(ChannelSession& session, int index, const DownloadOutcome& fetched) {
    const std::string id = session.directory().ChannelValue("id", index);
    const std::string url = session.directory().ChannelValue("url", index);
    if (id.empty()) {
        return "no id";
    }
    if (IsNameTooLong(id)) {
        return "id is " + UnsafeNameReason(id) + " for a folder name";
    }
    if (!IsSafeName(id)) {
        return "id is not usable as a folder name";
    }
    if (url.empty()) {
        return "no control file address";
    }
    if (!IsFetchableUrl(url)) {
        return "control file address is not an http or https address: " + url;
    }
    if (!fetched.ok) {
        const std::string& why = fetched.reason;
        return "control file could not be downloaded from " + url +
               (why.empty() ? std::string() : ": " + why);
    }
    if (!session.LoadControlFile(index)) {
        // The loader names the cached copy; the publisher knows the address.
        std::string why = session.controlFile().LoadError();
        const std::string cached = "\"" + session.ControlFilePath(id).string() + "\"";
        if (const auto at = why.find(cached); at != std::string::npos) {
            why.replace(at, cached.size(), url);
        }
        return "control file could not be loaded: " + why;
    }
    return {};
}

int RunCheck(const std::string& url) {
    TemporaryFolder cache("wylo-channel");
    HttpClient client;
    ChannelSession session(client, Clock::System(), cache.path(), url);

    if (!session.FetchChannelDirectory()) {
        const std::string why = session.LastDownloadError();
        throw Error("cannot download the channel directory from " + url +
                    (why.empty() ? std::string() : ": " + why));
    }
    session.OpenChannelDirectory();

    if (const std::string news = session.directory().DirectoryProperty("news"); !news.empty()) {
        PrintLine("news " + Printable(news));
    }
    bool anyAvailable = false;
    if (session.directory().ChannelCount() == 0) {
        PrintLine("no channels listed in the directory");
    }
    // Every control file at once, as Wylo builds its channel list.
    const std::vector<DownloadOutcome> fetched = session.DownloadControlFiles();
    for (int i = 0; i < session.directory().ChannelCount(); ++i) {
        const std::string id = Printable(session.directory().ChannelValue("id", i));
        if (const std::string why =
                Unavailability(session, i, fetched[static_cast<std::size_t>(i)]);
            !why.empty()) {
            PrintLine(fmt::format("channel {} id={} unavailable: {}", i, id, Printable(why)));
            continue;
        }
        anyAvailable = true;
        const ControlFile& file = session.controlFile();
        PrintLine(fmt::format("channel {} id={} title={} images={}", i, id,
                              Printable(file.ControlFileValue("title")), file.ImageCount()));
        for (int j = 0; j < file.ImageCount(); ++j) {
            const auto value = [&](const char* name) {
                return Printable(file.ImageValue(name, j));
            };
            PrintLine(fmt::format("  image {} title={} loc={} thumb={} background={} font={}", j,
                                  value("title"), value("loc"), value("thumb"), value("background"),
                                  value("font")));
        }
    }
    return anyAvailable ? kExitOk : kExitFailed;
}

CommandRun SetUpCheck(CLI::App& sub) {
    auto url = std::make_shared<std::string>();
    sub.add_option("URL", *url, "Address of the channel directory (http or https)")
        ->required()
        ->check(WebAddressValidator(false));
    sub.footer(
        "Fetches the channel directory at URL and every channel's control file into a\n"
        "temporary cache, with the rules Wylo applies, and prints one line each:\n"
        "  news <url>                                      (when the directory has one)\n"
        "  channel <i> id=<id> title=<title> images=<n>    (an available channel)\n"
        "  channel <i> id=<id> unavailable: <reason>       (one Wylo leaves out)\n"
        "  no channels listed in the directory             (when it lists none)\n"
        "    image <j> title=<t> loc=<l> thumb=<t> background=<b> font=<f>\n"
        "Values are the documents' raw texts; control characters are shown escaped.\n"
        "Exit status: 0 when at least one channel is available, 1 when none is or\n"
        "the directory cannot be fetched or read, 2 on bad usage.");
    return [url] { return RunCheck(*url); };
}

const bool kRegistered =
    RegisterCommand({"check", "Check a channel directory and every channel it lists", SetUpCheck});

}  // namespace
}  // namespace wylo::tool
