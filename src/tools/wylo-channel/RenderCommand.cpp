// wylo-channel render URL --channel I --monitor WxH+X+Y ... --out FILE.bmp:
// runs one desktop change the way Wylo does, on the monitors given, and
// writes the composed desktop to a file; with --install it also makes it this
// machine's wallpaper, as Wylo does. Given one channel instead of a directory
// (a photo feed, a control file or a folder of photos, without --channel),
// it draws that channel as Wylo draws a channel the user added.

#include "tools/wylo-channel/RenderCommand.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/core.h>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "base/Error.h"
#include "base/Feedback.h"
#include "base/WebAddress.h"
#include "channels/ChannelSession.h"
#include "channels/HttpClient.h"
#include "compose/BmpFile.h"
#include "desktop/Wallpaper.h"
#include "platform/headless/HeadlessPlatform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/PictureSizes.h"
#include "settings/Settings.h"
#include "tools/wylo-channel/CliValidators.h"
#include "tools/wylo-channel/Command.h"
#include "tools/wylo-channel/GivenChannel.h"

namespace wylo::tool {

namespace {

namespace fs = std::filesystem;

// Larger than any desktop a system reports; keeps the arithmetic far from
// overflow. The canvas itself is capped by Bitmap.
constexpr long long kMaxExtent = 32768;
constexpr long long kMaxOffset = 65536;

// Reads a decimal number from the front of text; an optional sign first when
// signed is true.
std::optional<long long> TakeNumber(std::string_view& text, bool withSign) {
    long long sign = 1;
    if (withSign) {
        if (text.empty() || (text.front() != '+' && text.front() != '-')) {
            return std::nullopt;
        }
        sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    text.remove_prefix(static_cast<std::size_t>(ptr - text.data()));
    return sign * value;
}

// Prints every status text on a line of its own as it comes.
class PrintingFeedback : public Feedback {
public:
    void SetStatus(const std::string& text) override {
        fmt::print("{}\n", Printable(text));
        std::fflush(stdout);
    }
};

struct RenderOptions {
    std::string url;
    int channel = 0;
    // Set once the command line is read: whether --channel was given.
    CLI::Option* channelOption = nullptr;
    int image = -1;
    std::vector<std::string> monitors;
    std::string primary;
    std::string mode = "same";
    int singleMonitor = 0;
    bool random = false;
    int current = 0;
    std::string background = "#000000";
    std::string placement = "center";
    int zoom = kDefaultZoom;
    bool smooth = false;
    std::string out;
    std::string cache;
    bool install = false;
};

PlacementMode PlacementNamed(const std::string& name) {
    return name == "tile"      ? PlacementMode::Tile
           : name == "stretch" ? PlacementMode::Stretch
           : name == "zoom"    ? PlacementMode::Zoom
                               : PlacementMode::Center;
}

int UsageError(const std::string& message) {
    fmt::print(stderr, "wylo-channel render: {}\n", message);
    return kExitUsage;
}

int RunRender(const RenderOptions& o) {
    // Opened first, so a machine without a desktop fails before any download.
    std::unique_ptr<Platform> system;
    if (o.install) {
        system = CreateSystemPlatform();
    }
    std::vector<Monitor> monitors;
    for (const std::string& text : o.monitors) {
        monitors.push_back({*ParseMonitorGeometry(text), false});
    }
    if (monitors.empty()) {
        if (!system) {
            return UsageError("--monitor is required unless --install takes this machine's");
        }
        monitors = system->Monitors();
        if (monitors.empty()) {
            throw Error("this machine reports no monitor to put a wallpaper on");
        }
    }
    const auto count = static_cast<int>(monitors.size());
    if (o.monitors.empty()) {
        // The machine's own monitors carry its primary flag.
        if (!o.primary.empty()) {
            return UsageError("--primary goes with --monitor");
        }
    } else if (o.primary.empty()) {
        for (Monitor& m : monitors) {
            if (m.bounds.left == 0 && m.bounds.top == 0) {
                m.primary = true;
                break;
            }
        }
    } else if (o.primary != "none") {
        int p = -1;
        const auto [ptr, ec] =
            std::from_chars(o.primary.data(), o.primary.data() + o.primary.size(), p);
        if (ec != std::errc() || ptr != o.primary.data() + o.primary.size() || p < 0 ||
            p >= count) {
            return UsageError("--primary must be a monitor number from 0 to " +
                              std::to_string(count - 1) + ", or none");
        }
        monitors[static_cast<std::size_t>(p)].primary = true;
    }
    if (o.singleMonitor < 0 || o.singleMonitor >= count) {
        return UsageError("--single-monitor must be a monitor number from 0 to " +
                          std::to_string(count - 1));
    }
    const bool channelGiven = o.channelOption && o.channelOption->count() > 0;
    const bool isAddress = IsFetchableUrl(o.url);
    if (!isAddress && channelGiven) {
        return UsageError("--channel picks a channel of a directory; " + o.url +
                          " is a folder, drawn as one channel without --channel");
    }

    Settings settings;
    settings.currentImage = o.current;
    settings.multiScreenOpt = o.mode == "same"        ? MultiScreen::Same
                              : o.mode == "different" ? MultiScreen::Different
                                                      : MultiScreen::Single;
    settings.activeSingleMonitor = o.singleMonitor;
    settings.randomOrder = o.random;
    settings.bgColour = *ParseColourOption(o.background);
    // The placement of the page the mode reads.
    const MultiScreen mode = MultiScreenMode(monitors.size(), settings.multiScreenOpt);
    settings.PlacementFor(mode) = {PlacementNamed(o.placement), o.zoom};
    settings.smoothScaling = o.smooth;

    std::unique_ptr<TemporaryFolder> temporary;
    fs::path appFolder;
    if (o.cache.empty()) {
        temporary = std::make_unique<TemporaryFolder>("wylo-render");
        appFolder = temporary->path();
    } else {
        appFolder = o.cache;
        std::error_code error;
        fs::create_directories(appFolder, error);
        if (error) {
            throw Error("Cannot create the cache folder " + appFolder.string() + ": " +
                        error.message());
        }
    }

    HttpClient client;
    ChannelSession session(client, Clock::System(), appFolder, isAddress ? o.url : std::string());
    std::optional<OwnChannel> own;
    if (isAddress) {
        GivenAddress address = FetchGivenAddress(session);
        if (address.directory) {
            if (!channelGiven) {
                return UsageError(o.url + " is a channel directory: --channel picks its channel");
            }
            if (!session.OpenChannelDirectory()) {
                throw Error("cannot download the channel directory from " + o.url);
            }
        } else if (channelGiven) {
            return UsageError("--channel picks a channel of a directory; " + o.url + " is " +
                              address.holds + ", drawn as one channel without --channel");
        } else {
            own = std::move(address.own);
        }
    } else {
        own = FolderChannel(o.url);
    }
    settings.currentChannel = own ? kOwnChannelBase : o.channel;

    if (own) {
        // As before every scheduled change: without a control file the
        // change leaves the desktop to the user's colour.
        if (!MakeOwnChannel(session, *own)) {
            fmt::print(stderr, "wylo-channel render: warning: {} could not be read{}\n",
                       Printable(own->source),
                       session.LastDownloadError().empty()
                           ? ""
                           : ": " + Printable(session.LastDownloadError()));
        }
        if (!session.LoadControlFile(kOwnChannelBase)) {
            fmt::print(stderr, "wylo-channel render: warning: control file of {} not loaded{}\n",
                       Printable(own->source),
                       session.controlFile().LoadError().empty()
                           ? ""
                           : ": " + Printable(session.controlFile().LoadError()));
        }
    } else {
        if (o.channel >= session.directory().ChannelCount()) {
            throw Error("the directory has no channel " + std::to_string(o.channel));
        }
        // As before every scheduled change: a control file that cannot be had
        // leaves the change to the user's colour, which is what Wylo would show.
        if (!session.DownloadControlFile(o.channel)) {
            fmt::print(stderr,
                       "wylo-channel render: warning: control file of channel {} not "
                       "downloaded{}\n",
                       o.channel,
                       session.LastDownloadError().empty()
                           ? ""
                           : ": " + Printable(session.LastDownloadError()));
        }
        if (!session.LoadControlFile(o.channel)) {
            fmt::print(stderr,
                       "wylo-channel render: warning: control file of channel {} not "
                       "loaded{}\n",
                       o.channel,
                       session.controlFile().LoadError().empty()
                           ? ""
                           : ": " + Printable(session.controlFile().LoadError()));
        }
    }

    HeadlessPlatform platform(appFolder, monitors);
    SessionChannelSource source(session);
    PrintingFeedback feedback;
    DesktopChange change(platform, settings, source, feedback);
    // Each monitor's picture chosen as Wylo chooses it, by its shape and size.
    PictureSizes sizes(source);
    change.SetPictureSize([&sizes](std::int32_t image) { return sizes.Of(image); });
    const fs::path out = o.out;
    if (system) {
        change.SetInstallingPlatform(*system);
    }
    change.SetDesktopSink([&out, &system](const Bitmap& desktop) {
        if (system) {
            WriteAndInstallWallpaper(*system, out, desktop);
        } else {
            WriteBmpFile(out, desktop);
        }
    });

    if (!change.ChangeDesktop(o.image)) {
        // Nothing was written: a desktop without its picture is no render.
        for (const DesktopChange::MissingImage& missing : change.missingImages()) {
            fmt::print(stderr, "wylo-channel render: {}\n", Printable(missing.reason));
        }
        return kExitFailed;
    }
    for (const DesktopChange::MissingImage& missing : change.missingImages()) {
        fmt::print(stderr,
                   "wylo-channel render: warning: monitor {} keeps the earlier desktop: {}\n",
                   missing.monitor, Printable(missing.reason));
    }
    for (const DesktopChange::DrawnImage& drawn : change.drawnImages()) {
        fmt::print("image {} {}\n", drawn.monitor, drawn.image);
    }
    fmt::print("current {}\n", settings.currentImage);
    return kExitOk;
}

CommandRun SetUpRender(CLI::App& sub) {
    auto o = std::make_shared<RenderOptions>();
    sub.add_option("URL", o->url,
                   "Address of a channel directory, a photo feed or a control file (http or "
                   "https), or the path of a folder of photos")
        ->required()
        ->check(GivenChannelValidator());
    o->channelOption = sub.add_option("--channel", o->channel,
                                      "Position of the channel in the directory (a directory only)")
                           ->check(CLI::NonNegativeNumber);
    sub.add_option("--image", o->image, "Image to show (default: the next one)")
        ->check(CLI::Range(-1, 2147483647));
    sub.add_option("--monitor", o->monitors,
                   "A monitor as WIDTHxHEIGHT+LEFT+TOP, each edge with its sign, the primary's "
                   "top-left corner at 0,0; repeat for every monitor, in the system's order")
        ->allow_extra_args(false)
        ->take_all()
        ->check(CLI::Validator(
            [](const std::string& text) {
                return ParseMonitorGeometry(text)
                           ? std::string()
                           : "a monitor is WIDTHxHEIGHT+LEFT+TOP, for example 1280x1024-1280+56";
            },
            "WxH+X+Y", "Monitor"));
    sub.add_flag("--install", o->install,
                 "Also make the desktop this machine's wallpaper, as Wylo does (without "
                 "--monitor, on this machine's monitors)");
    sub.add_option("--primary", o->primary,
                   "Number of the primary monitor, or none (default: the one at 0,0)");
    sub.add_option("--mode", o->mode, "same, different or single (default: same)")
        ->check(CLI::IsMember({"same", "different", "single"}));
    sub.add_option("--single-monitor", o->singleMonitor,
                   "Monitor that single mode puts the image on (default: 0)");
    sub.add_flag("--random", o->random, "Take the images in random order");
    sub.add_option("--placement", o->placement,
                   "center, tile, stretch or zoom, for the mode's page (default: center)")
        ->check(CLI::IsMember({"center", "tile", "stretch", "zoom"}));
    sub.add_option("--zoom", o->zoom, "Percentage for --placement zoom (default: 100)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                int value = 0;
                const auto [ptr, ec] =
                    std::from_chars(text.data(), text.data() + text.size(), value);
                return ec == std::errc() && ptr == text.data() + text.size() &&
                               IsZoomPercentage(value)
                           ? std::string()
                           : "the zoom is one of 10, 20, 50, 100, 110, 120, 150, 175, 200";
            },
            "PERCENT", "Zoom"));
    sub.add_flag("--smooth", o->smooth, "Smooth scaled images instead of nearest pixels");
    sub.add_option("--current", o->current, "The image shown before the change (default: 0)");
    sub.add_option("--bg", o->background, "The user's background colour (default: #000000)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return ParseColourOption(text) ? std::string()
                                               : "a colour is # and six hexadecimal digits";
            },
            "#RRGGBB", "Colour"));
    sub.add_option("--out", o->out, "The BMP file to write the composed desktop to")->required();
    sub.add_option("--cache", o->cache,
                   "Folder to keep the downloads in, so a second run revalidates them "
                   "(default: a temporary folder, removed afterwards)");
    sub.footer(
        "Fetches the channel directory at URL and the control file of channel I, runs one\n"
        "desktop change with the monitors given and writes the desktop bitmap to FILE;\n"
        "a URL that is a photo feed or a control file, or a FOLDER of photos, is one\n"
        "channel, read as Wylo reads a channel you add, and takes no --channel.\n"
        "--install then installs FILE as the wallpaper, as Wylo does with desktop.bmp.\n"
        "Prints every status text on a line of its own, then 'image <monitor> <image>'\n"
        "for each monitor that shows an image, in monitor order, and 'current <image>'.\n"
        "Exit status: 0 on success, 1 when the change failed, 2 on bad usage.");
    return [o] { return RunRender(*o); };
}

const bool kRegistered = RegisterCommand(
    {"render", "Preview the desktop Wylo would compose for a channel", SetUpRender});

}  // namespace

std::optional<Rect> ParseMonitorGeometry(std::string_view text) {
    const auto width = TakeNumber(text, false);
    if (!width || text.empty() || (text.front() != 'x' && text.front() != 'X')) {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const auto height = TakeNumber(text, false);
    const auto left = TakeNumber(text, true);
    const auto top = TakeNumber(text, true);
    if (!height || !left || !top || !text.empty() || *width < 1 || *width > kMaxExtent ||
        *height < 1 || *height > kMaxExtent || *left < -kMaxOffset || *left > kMaxOffset ||
        *top < -kMaxOffset || *top > kMaxOffset) {
        return std::nullopt;
    }
    const auto l = static_cast<std::int32_t>(*left);
    const auto t = static_cast<std::int32_t>(*top);
    return Rect{l, t, l + static_cast<std::int32_t>(*width),
                t + static_cast<std::int32_t>(*height)};
}

std::optional<Colour> ParseColourOption(std::string_view text) {
    if (text.size() != 7 || text.front() != '#') {
        return std::nullopt;
    }
    for (const char ch : text.substr(1)) {
        if (!std::isxdigit(static_cast<unsigned char>(ch))) {
            return std::nullopt;
        }
    }
    return HexToColour(text);
}

}  // namespace wylo::tool
