// wylo-channel check URL|FOLDER: fetches a channel directory and every
// channel's control file the way Wylo does, and lists what Wylo would offer;
// given one channel (a photo feed, a control file or a folder of photos), it
// lists that channel the way Wylo makes it when the user adds it.

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/core.h>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "base/Error.h"
#include "base/PathText.h"
#include "base/WebAddress.h"
#include "channels/ChannelSession.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "tools/wylo-channel/CliValidators.h"
#include "tools/wylo-channel/Command.h"
#include "tools/wylo-channel/GivenChannel.h"

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
    const std::string id = session.directory().Channel(index).id;
    const std::string url = session.directory().Channel(index).url;
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

// The line of image j of the loaded control file; with made, also the
// values Wylo adds to the channels it makes, where it knows them.
std::string ImageLine(const ControlFile& file, int j, bool made) {
    const ChannelPicture& image = file.Image(j);
    std::string line =
        fmt::format("  image {} title={} loc={} thumb={} background={} font={}", j,
                    Printable(image.title), Printable(image.loc), Printable(image.thumb),
                    Printable(image.background), Printable(image.font));
    if (made) {
        const auto add = [&line](const char* name, const std::string& text) {
            if (!text.empty()) {
                line += fmt::format(" {}={}", name, Printable(text));
            }
        };
        add("credit", image.credit);
        add("width", image.width > 0 ? std::to_string(image.width) : std::string());
        add("height", image.height > 0 ? std::to_string(image.height) : std::string());
        add("path", PathText(image.path));
    }
    return line;
}

int CheckDirectory(ChannelSession& session) {
    session.OpenChannelDirectory();

    if (const std::string news = session.directory().news(); !news.empty()) {
        PrintLine("news " + Printable(news));
    }
    bool anyAvailable = false;
    if (session.directory().ChannelCount() == 0) {
        PrintLine("no channels listed in the directory");
    }
    // Every control file at once, as Wylo builds its channel list.
    const std::vector<DownloadOutcome> fetched = session.DownloadControlFiles();
    for (int i = 0; i < session.directory().ChannelCount(); ++i) {
        const std::string id = Printable(session.directory().Channel(i).id);
        if (const std::string why =
                Unavailability(session, i, fetched[static_cast<std::size_t>(i)]);
            !why.empty()) {
            PrintLine(fmt::format("channel {} id={} unavailable: {}", i, id, Printable(why)));
            continue;
        }
        anyAvailable = true;
        const ControlFile& file = session.controlFile();
        PrintLine(fmt::format("channel {} id={} title={} images={}", i, id,
                              Printable(file.channel().title), file.ImageCount()));
        for (int j = 0; j < file.ImageCount(); ++j) {
            PrintLine(ImageLine(file, j, false));
        }
    }
    return anyAvailable ? kExitOk : kExitFailed;
}

// One channel, made and loaded as Wylo does with a channel the user adds.
int CheckOwn(ChannelSession& session, const OwnChannel& own) {
    if (!MakeOwnChannel(session, own)) {
        PrintLine("channel own unavailable: " + Printable(session.LastDownloadError()));
        return kExitFailed;
    }
    if (!session.LoadControlFile(kOwnChannelBase)) {
        PrintLine("channel own unavailable: control file could not be loaded: " +
                  Printable(session.controlFile().LoadError()));
        return kExitFailed;
    }
    const ControlFile& file = session.controlFile();
    PrintLine(fmt::format("channel own title={} images={}", Printable(file.channel().title),
                          file.ImageCount()));
    for (int j = 0; j < file.ImageCount(); ++j) {
        PrintLine(ImageLine(file, j, true));
    }
    return file.ImageCount() > 0 ? kExitOk : kExitFailed;
}

int RunCheck(const std::string& given) {
    TemporaryFolder cache("wylo-channel");
    HttpClient client;
    if (!IsFetchableUrl(given)) {
        ChannelSession session(client, Clock::System(), cache.path(), {});
        return CheckOwn(session, FolderChannel(given));
    }
    ChannelSession session(client, Clock::System(), cache.path(), given);
    const GivenAddress address = FetchGivenAddress(session);
    return address.directory ? CheckDirectory(session) : CheckOwn(session, address.own);
}

CommandRun SetUpCheck(CLI::App& sub) {
    auto url = std::make_shared<std::string>();
    sub.add_option("URL", *url,
                   "Address of a channel directory, a photo feed or a control file (http or "
                   "https), or the path of a folder of photos")
        ->required()
        ->check(GivenChannelValidator());
    sub.footer(
        "Fetches the channel directory at URL and every channel's control file into a\n"
        "temporary cache, with the rules Wylo applies, and prints one line each:\n"
        "  news <url>                                      (when the directory has one)\n"
        "  channel <i> id=<id> title=<title> images=<n>    (an available channel)\n"
        "  channel <i> id=<id> unavailable: <reason>       (one Wylo leaves out)\n"
        "  no channels listed in the directory             (when it lists none)\n"
        "    image <j> title=<t> loc=<l> thumb=<t> background=<b> font=<f>\n"
        "A URL that lists no channels but is a photo feed (RSS, Media RSS, Atom) or a\n"
        "control file, or a FOLDER of photos (with its subfolders), is read as Wylo reads\n"
        "a channel you add, and printed as\n"
        "  channel own title=<title> images=<n>            (the channel)\n"
        "  channel own unavailable: <reason>               (when Wylo cannot read it)\n"
        "    image <j> ... as above, then credit=<c> width=<w> height=<h> path=<p>\n"
        "    where the feed or the photo tells them.\n"
        "Values are the documents' raw texts; control characters are shown escaped.\n"
        "Exit status: 0 when at least one channel is available (one channel: when it has\n"
        "an image), 1 when none is or the directory or channel cannot be fetched or\n"
        "read, 2 on bad usage (a folder that does not exist, an address that is not\n"
        "http or https).");
    return [url] { return RunCheck(*url); };
}

const bool kRegistered = RegisterCommand(
    {"check", "Check a channel directory and every channel it lists, or one feed or folder",
     SetUpCheck});

}  // namespace
}  // namespace wylo::tool
