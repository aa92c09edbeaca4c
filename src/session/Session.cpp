#include "session/Session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "base/ChannelIndex.h"
#include "base/Clock.h"
#include "base/Error.h"
#include "base/PathText.h"
#include "base/WebAddress.h"
#include "channels/ChannelSession.h"
#include "channels/ChannelText.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "channels/MadeChannel.h"
#include "compose/Jpeg.h"
#include "desktop/Leftovers.h"
#include "desktop/Wallpaper.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"
#include "schedule/ChannelSource.h"
#include "schedule/CombinedSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/PictureSizes.h"
#include "session/CachePruning.h"
#include "session/HistorySource.h"
#include "session/PhotoFolder.h"
#include "session/PostedFeedback.h"
#include "settings/AtomicFile.h"
#include "settings/SettingsFile.h"

namespace wylo {
namespace {

constexpr const char* kDownloadProblem =
    "There was a problem downloading the channel control file. Sorry, can't continue with this "
    "channel";
constexpr const char* kLoadProblem =
    "There was a problem loading the channel control file. Sorry, can't continue with this "
    "channel";

// Row height for an image without a thumbnail.
constexpr int kDefaultRowHeight = 16;

// Thumbnails fetched or confirmed when a channel's pages are filled, around
// the row the list opens on; a channel of many thousands of images shows the
// others as far as the cache holds them, and fetches theirs when their rows
// come into view, this many at a time.
constexpr int kThumbnailsFetched = 100;
constexpr int kThumbnailsAhead = 60;

// How long a close waits for the job that runs once it was cancelled; a job
// that takes longer (a system call that cannot be interrupted) is left behind.
constexpr std::chrono::milliseconds kCloseWait{700};

// How long one reading of a folder channel reads new photos before the
// channel is shown with the rest still to come.
constexpr std::chrono::seconds kFolderReadingTime{3};

namespace fs = std::filesystem;

// The cache name of image index of a channel.
std::string CacheNameOf(const ChannelSource& source, std::int32_t index) {
    return PictureCacheName(source.Image(index));
}

// "30 seconds", "1 minute", "15 minutes".
std::string DelayText(int seconds) {
    if (seconds < 60) {
        return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    }
    const int minutes = seconds / 60;
    return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

// text ending in a full stop, so another sentence can follow it.
std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?') {
        text += '.';
    }
    return text;
}

bool IsColourText(const std::string& colour) {
    return colour.size() == 7 && colour[0] == '#' &&
           colour.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos;
}

}  // namespace

// Where the window's calls reach the observer from the worker: open until the
// session finishes, so a job left behind at the close calls nobody.
struct Session::Mailbox {
    std::mutex mutex;
    bool open = true;
    SessionObserver* observer = nullptr;

    // Runs work on the window's thread, unless the session has gone by then.
    void Post(std::weak_ptr<int> life, std::function<void()> work) {
        const std::lock_guard lock(mutex);
        if (open) {
            observer->RunSoon([life = std::move(life), work = std::move(work)] {
                if (life.lock()) {
                    work();
                }
            });
        }
    }
    void Close() {
        const std::lock_guard lock(mutex);
        open = false;
    }
};

// Everything the jobs work on, touched only on the worker: the HTTP client,
// the channel directory and the loaded control file, the desktop change and
// the copy of the settings that the job runs with. Shared with the worker so
// that a job left behind at the close still has it.
struct Session::Backstage {
    Backstage(Platform& system, const Clock& clock, std::string directoryUrl, Feedback& target,
              PostedFeedback::Post post, HttpLimits limits)
        : platform(system),
          feedback(target, std::move(post)),
          http(limits),
          clock(clock),
          channels(http, clock, AppFolder(platform), std::move(directoryUrl)),
          subscribed(channels),
          source(subscribed),
          change(platform, settings, source, feedback) {
        change.SetDesktopSink([this](const Bitmap& desktop) { Install(desktop); });
        change.SetPassOver([this](std::int32_t image) {
            return IsHidden(source.ChannelId(image), CacheNameOf(source, image));
        });
        change.SetPictureSize([this](std::int32_t image) { return pictureSizes.Of(image); });
        channels.SetFolderReader([this](const OwnChannel& channel, const fs::path& cacheFolder) {
            return ReadFolder(channel, cacheFolder);
        });
    }

    // A folder's photos as a channel. Photos seen before are taken from the
    // last reading; new ones are read for a few seconds at a time, so a large
    // folder is listed at once and its thumbnails and colours follow at the
    // next readings.
    ChannelDescription ReadFolder(const OwnChannel& channel, const fs::path& cacheFolder) {
        const auto start = std::chrono::steady_clock::now();
        const auto enough = [this, start] {
            return cancelled || std::chrono::steady_clock::now() - start > kFolderReadingTime;
        };
        return ReadFolderChannel(
            channel, cacheFolder, enough, [this, &channel](int done, int total) {
                feedback.SetStatus("Reading the photos of " + ShortenedText(channel.title, 60) +
                                   ": " + std::to_string(done) + " of " + std::to_string(total));
            });
    }

    // Makes ready the channels of the monitors that show one of their own in
    // "Different Image On Each Screen", once the subscribed channel's control
    // file is loaded: each is loaded in a session beside the subscribed one,
    // its pictures a run of the change's source with its own rotation. A
    // channel that cannot be had leaves its monitors to the subscribed one.
    // Outside that mode every monitor shows the subscribed channel.
    void PrepareMonitorChannels() {
        source.RemoveAdded();
        monitorChannels.clear();
        std::vector<DesktopChange::ImageRun> runs{{0, subscribed.ImageCount(), -1}};
        std::vector<std::size_t> monitorRuns;
        // Asking for the monitors costs a round trip to the display on Linux.
        const std::vector<Monitor> monitors =
            settings.multiScreenOpt == MultiScreen::Different && !settings.monitorChannels.empty()
                ? platform.Monitors()
                : std::vector<Monitor>();
        if (MultiScreenMode(monitors.size(), settings.multiScreenOpt) == MultiScreen::Different) {
            // The runs by channel id: monitors of one channel share its run.
            std::map<std::string, std::size_t, std::less<>> runOf{
                {channels.selectedChannelId(), 0}};
            monitorRuns.assign(monitors.size(), 0);
            for (std::size_t m = 0; m < monitors.size(); ++m) {
                const std::string chosen = settings.MonitorChannelOf(m);
                if (chosen.empty()) {
                    continue;
                }
                const std::string which = "The channel chosen for monitor " + std::to_string(m + 1);
                const std::optional<int> index = channels.IndexOfChannel(chosen);
                if (!index) {
                    feedback.SetStatus(which +
                                       " is no longer listed; it shows the subscribed channel.");
                    continue;
                }
                const std::string id = channels.ChannelId(*index);
                if (const auto known = runOf.find(id); known != runOf.end()) {
                    monitorRuns[m] = known->second;
                    continue;
                }
                runOf[id] = 0;
                ChannelSource* loaded = LoadMonitorChannel(*index, which);
                if (loaded == nullptr) {
                    continue;
                }
                runs.push_back({source.ImageCount(), loaded->ImageCount(),
                                settings.monitorChannels[m].currentImage});
                source.Add(*loaded);
                runOf[id] = runs.size() - 1;
                monitorRuns[m] = runs.size() - 1;
            }
        }
        runOfMonitor = monitorRuns;
        change.SetImageRuns(std::move(runs), std::move(monitorRuns));
    }

    // Loads the channel at index, which a monitor shows, in a session of its
    // own; null, with the reason on the status line (which: the monitor's
    // choice in words), when its control file cannot be had.
    ChannelSource* LoadMonitorChannel(int index, const std::string& which) {
        auto loaded = std::make_unique<MonitorChannel>(*this);
        std::string problem;
        try {
            problem = loaded->source.RefreshControlFile(index);
        } catch (const std::exception& e) {
            problem = e.what();
        }
        if (problem.empty() && loaded->source.ImageCount() == 0) {
            problem = "It lists no pictures.";
        }
        if (!problem.empty()) {
            feedback.SetStatus(which + " could not be had: " + problem +
                               " The monitor shows the subscribed channel.");
            return nullptr;
        }
        monitorChannels.push_back(std::move(loaded));
        return &monitorChannels.back()->source;
    }

    // The runs' images shown last, kept for the monitors that show them.
    void KeepMonitorImages() {
        const std::vector<DesktopChange::ImageRun>& runs = change.imageRuns();
        for (std::size_t m = 0; m < settings.monitorChannels.size() && m < runOfMonitor.size();
             ++m) {
            if (const std::size_t run = runOfMonitor[m]; run > 0 && run < runs.size()) {
                settings.monitorChannels[m].currentImage = runs[run].current;
            }
        }
    }

    // The pictures just shown of a channel that gives no thumbnails (a feed
    // without them) get one made from the picture, for the images list.
    void MakeMissingThumbnails() {
        const ControlFile& file = channels.controlFile();
        const fs::path folder = channels.CacheFolder(channels.selectedChannelId());
        for (const DesktopChange::DrawnImage& d : change.drawnImages()) {
            if (source.Locate(d.image).part != 0) {
                continue;  // a monitor's own channel, not listed
            }
            const fs::path thumbnail = channels.ThumbnailPath(d.image);
            const std::string name = PictureCacheName(file.Image(d.image));
            std::error_code ec;
            if (!file.Image(d.image).thumb.empty() || thumbnail.empty() || !IsSafeName(name) ||
                fs::exists(thumbnail, ec) || !fs::is_regular_file(folder / "images" / name, ec)) {
                continue;
            }
            try {
                fs::create_directories(thumbnail.parent_path(), ec);
                MakePictureThumbnail(folder / "images" / name, thumbnail);
            } catch (const std::exception&) {
                // The row shows its title until a thumbnail can be made.
            }
        }
    }

    // The pictures the user hid, as the window last handed them over.
    bool IsHidden(const std::string& channelId, const std::string& fileName) {
        const std::lock_guard lock(hiddenMutex);
        return hidden && hidden->Contains(channelId, fileName);
    }
    void SetHidden(std::shared_ptr<const HiddenPictures> pictures) {
        const std::lock_guard lock(hiddenMutex);
        hidden = std::move(pictures);
    }

    // A change that a close cut short lacks the images it was fetching; the
    // desktop keeps the wallpaper it has rather than a plain colour.
    void Install(const Bitmap& desktop) {
        if (cancelled) {
            return;
        }
        SaveDesktop(platform, desktop);
        installed = true;
    }

    // Makes the subscribed channel's control file the loaded one, from the
    // cache: the channel list may have loaded another since. False when
    // the directory no longer holds channelId at channel.
    bool LoadSubscribed(int channel, const std::string& channelId) {
        if (channelId.empty() || !Lists(channel) || channels.ChannelId(channel) != channelId) {
            return false;
        }
        channels.setSelectedChannelId(channelId);
        return channels.LoadControlFile(channel);
    }

    // The directory loaded here lists channel. The window's list may be
    // older: a job must not take a channel it saw there for granted.
    bool Lists(int channel) const { return channels.HasChannel(channel); }

    Platform& platform;
    PostedFeedback feedback;
    HttpClient http;
    const Clock& clock;
    ChannelSession channels;
    SessionChannelSource subscribed;
    // The subscribed channel, and the monitors' own channels after it.
    CombinedSource source;
    // A channel a monitor shows instead of the subscribed one, in a session
    // of its own so the subscribed channel stays loaded.
    // It reads what the subscribed channel's session has: the local copy of
    // the directory, the own channels, the limits and the folder reader.
    struct MonitorChannel {
        explicit MonitorChannel(Backstage& b)
            : channels(b.http, b.clock, b.channels.appFolder(), b.channels.directoryUrl()),
              source(channels) {
            try {
                channels.OpenChannelDirectory();
            } catch (const std::exception&) {
                // Only the own channels are there then; the index says which.
            }
            channels.SetOwnChannels(b.channels.ownChannels());
            channels.SetLargestPicture(b.settings.cacheLimit / 4);
            channels.SetFolderReader([&b](const OwnChannel& channel, const fs::path& cacheFolder) {
                return b.ReadFolder(channel, cacheFolder);
            });
        }
        ChannelSession channels;
        SessionChannelSource source;
    };
    std::vector<std::unique_ptr<MonitorChannel>> monitorChannels;
    // The run of the change's source each monitor showed; 0 the subscribed.
    std::vector<std::size_t> runOfMonitor;
    Settings settings;
    DesktopChange change;
    std::atomic<bool> cancelled{false};
    bool installed = false;
    // The control file whose thumbnails were last fetched or confirmed.
    std::optional<std::size_t> thumbnailsCheckedFor;
    // The start's pass over the channels began with the subscribed channel.
    bool startPassBegun = false;
    std::mutex hiddenMutex;
    std::shared_ptr<const HiddenPictures> hidden;
    PictureSizes pictureSizes{source};
};

namespace {

// Ends the pass over the channels when the job that ends it is over, however
// it ends.
struct CheckPassEnd {
    ChannelSession& channels;
    ~CheckPassEnd() { channels.EndCheckPass(); }
};

}  // namespace

namespace {

// The loaded control file as the cache holds it: its channel and a hash of
// its text. Hosts that send no Last-Modified have it downloaded at every
// change, so the file's time says nothing.
std::optional<std::size_t> ControlFileStamp(const ChannelSession& channels) {
    const std::string& id = channels.selectedChannelId();
    std::ifstream file(channels.ControlFilePath(id), std::ios::binary);
    if (id.empty() || !file) {
        return std::nullopt;
    }
    std::string text = id + '\n';
    text.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return std::hash<std::string>{}(text);
}

}  // namespace

// The subscribed channel's pages as a job made them.
struct Session::ChannelPages {
    // How the rows' thumbnails are had: fetched or confirmed over the
    // network, or only what the cache holds (rows that come at once, before
    // a change that goes first).
    enum class Thumbnails { Fetched, Cached };

    SubscribedChannel shown;
    std::string channelId;
    Thumbnails thumbnails = Thumbnails::Fetched;
    // The thumbnails are as checked: fetched now, or taken from the cache
    // because the control file is the one they were checked for.
    bool checked = true;
    int widestThumbnail = 0;
    std::vector<ListedRow> rows;

    // around: the image the list opens on.
    static ChannelPages Of(Backstage& b, Thumbnails thumbnails, int around) {
        ChannelSession& channels = b.channels;
        const ControlFile& file = channels.controlFile();
        ChannelPages pages;
        pages.checked = thumbnails == Thumbnails::Fetched;
        if (pages.checked) {
            b.thumbnailsCheckedFor = ControlFileStamp(channels);
        }
        pages.channelId = channels.selectedChannelId();
        pages.shown.title = ShownTitle(file.channel().title);
        pages.shown.copyright = ShownTitle(file.channel().copyright);
        pages.shown.news = file.channel().news;
        pages.thumbnails = thumbnails;
        const int count = file.ImageCount();
        // The thumbnails near the row the list opens on are fetched or
        // confirmed at once before the rows are measured; a bounded number.
        int first = 0;
        int last = 0;
        if (thumbnails == Thumbnails::Fetched) {
            first = std::clamp(around - kThumbnailsFetched / 4, 0,
                               std::max(0, count - kThumbnailsFetched));
            last = first + kThumbnailsFetched;
        }
        const std::vector<std::filesystem::path> paths = channels.FetchThumbnails(first, last);
        for (int i = 0; i < count; ++i) {
            const std::string loc = file.Image(i).loc;
            int height = kDefaultRowHeight;
            const std::filesystem::path& thumbnail = paths[static_cast<std::size_t>(i)];
            if (!thumbnail.empty()) {
                const Size size = MeasureThumbnail(thumbnail);
                height = size.height + 4;
                pages.widestThumbnail = std::max(pages.widestThumbnail, size.width);
            }
            pages.shown.rows.push_back({ImageCaption(file.Image(i).title, loc), i, height});
            pages.rows.push_back({PictureCacheName(file.Image(i)), thumbnail});
        }
        return pages;
    }
};

// What a fetch of the channel directory came to.
struct Session::SelectOutcome {
    SelectedChannel shown;
    std::string channelId;
    std::string termsUrl;
    std::string previewUrl;
    std::string error;

    // Fetches and loads the control file of the channel at index and its
    // preview. Whatever happens, the page's buttons follow the channel.
    static SelectOutcome Of(ChannelSession& channels, int index) {
        SelectOutcome outcome;
        SelectedChannel& shown = outcome.shown;
        try {
            channels.setSelectedChannelId(channels.ChannelId(index));
            if (channels.DownloadControlFile(index)) {
                channels.LoadControlFile(index);
                const ControlFile& file = channels.controlFile();
                shown.loaded = true;
                shown.title = ShownTitle(file.channel().title);
                shown.description = ShownDescription(file.channel().description);
                shown.subscriptionRequired = IsSubscriptionRequired(file.channel().subscription);
                outcome.termsUrl = file.channel().legal;
                outcome.previewUrl = file.channel().preview;
                if (outcome.previewUrl.empty()) {
                    shown.hidePreview = true;
                } else {
                    shown.previewFile = channels.FetchPreview(outcome.previewUrl);
                }
            }
        } catch (const std::exception& e) {
            outcome.error = e.what();
        }
        outcome.channelId = channels.selectedChannelId();
        shown.selectable = !outcome.channelId.empty();
        return outcome;
    }
};

struct Session::DirectoryOutcome {
    // The channel the list opens on.
    int current = -1;
    bool opened = false;
    std::string fetchError;
    std::string openError;
    // Why a channel was left out of the list.
    std::string listProblem;
    std::vector<ChannelSession::ChannelListEntry> list;
    // The ids of the directory's channels listed, by index.
    std::map<int, std::string> ids;
    std::string news;
    int channelCount = 0;
    std::optional<SelectOutcome> selected;
};

// What a change came to, from the worker's copy of the settings and the
// channel's control file.
struct Session::ChangeOutcome {
    bool installed = false;
    std::int32_t currentImage = 0;
    // The monitors' own channels with the images they showed last.
    std::vector<Settings::MonitorChannel> monitorChannels;
    // The wallpaper for the history; no images when none was drawn.
    PastWallpaper wallpaper;
    // Why the change installed nothing, or which pictures did not come.
    std::string problem;
    // A failure is tried again by the schedule.
    bool retried = false;
    // Steps through the history: the entry put back.
    std::optional<std::size_t> historyEntry;
    std::string status;

    static PastWallpaper Drawn(Backstage& b, int channel) {
        PastWallpaper wallpaper;
        wallpaper.channel = channel;
        wallpaper.channelId = b.channels.selectedChannelId();
        for (const DesktopChange::DrawnImage& d : b.change.drawnImages()) {
            const ChannelPicture picture = b.source.Image(d.image);
            const CombinedSource::Place at = b.source.Locate(d.image);
            PastWallpaper::Image image;
            image.monitor = d.monitor;
            image.image = at.index;
            image.fileName = PictureCacheName(picture);
            image.title = ImageCaption(picture.title, picture.loc);
            image.background = picture.background;
            image.font = picture.font;
            if (at.part != 0) {
                image.channelId = b.source.ChannelId(d.image);
            }
            // Only what the history file can hold and read back: a picture
            // that was drawn has a safe name, and colours the channel wrote
            // oddly are left to the defaults.
            if (!IsSafeName(image.fileName)) {
                continue;
            }
            for (std::string* colour : {&image.background, &image.font}) {
                if (!IsColourText(*colour)) {
                    colour->clear();
                }
            }
            wallpaper.images.push_back(std::move(image));
        }
        return wallpaper;
    }
};

Session::Session(Platform& platform, const Clock& clock, std::string directoryUrl,
                 SessionObserver& observer, HttpLimits limits)
    : platform_(platform), clock_(clock), observer_(observer) {
    mailbox_ = std::make_shared<Mailbox>();
    mailbox_->observer = &observer_;
    backstage_ = std::make_shared<Backstage>(
        platform_, clock_, std::move(directoryUrl), observer_,
        [mailbox = mailbox_, life = std::weak_ptr<int>(life_)](std::function<void()> work) {
            mailbox->Post(life, std::move(work));
        },
        limits);
    backstage_->http.SetObserver(&backstage_->feedback);
}

Session::~Session() {
    closing_ = true;
    backstage_->cancelled = true;
    backstage_->http.Cancel();
    mailbox_->Close();
    worker_.Stop(std::chrono::milliseconds::max());
    saver_.Stop(std::chrono::milliseconds::max());
}

template <typename Step>
void Session::Guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        // A box now would hold up the close the user asked for.
        if (!closing_) {
            observer_.ShowError(e.what());
        }
    }
}

// The queue.

void Session::Enqueue(Request request) {
    if (closing_) {
        return;
    }
    pending_.push_back(std::move(request));
    StartNext();
}

bool Session::Pending(Kind kind) const {
    return std::any_of(pending_.begin(), pending_.end(),
                       [kind](const Request& r) { return r.kind == kind; });
}

void Session::StartNext() {
    while (!running_ && !closing_ && !pending_.empty()) {
        Request request = std::move(pending_.front());
        pending_.pop_front();
        Job job;
        Guarded([&] { job = request.begin(); });
        if (!job) {
            continue;
        }
        running_ = true;
        runningKind_ = request.kind;
        // No picture may take more than a quarter of the cache's limit.
        const std::uint64_t largestPicture = settings_.cacheLimit / 4;
        // The worker reaches the session only through what it posts back.
        worker_.Run([this, b = backstage_, mailbox = mailbox_, life = std::weak_ptr<int>(life_),
                     job = std::move(job), largestPicture] {
            Finisher finish;
            try {
                b->channels.SetLargestPicture(largestPicture);
                finish = job(*b);
            } catch (const std::exception& e) {
                finish = [this, message = std::string(e.what())] {
                    if (!closing_) {
                        observer_.ShowError(message);
                    }
                };
            }
            // Only the window's thread touches the session; the worker hands
            // it the result and goes back to wait.
            mailbox->Post(life, [this, finish = std::move(finish)] {
                running_ = false;
                if (!closing_ && finish) {
                    Guarded(finish);
                }
                StartNext();
            });
        });
    }
}

// Start-up and settings.

void Session::Start() {
    maxThumbWidth_ = 0;
    EnsureAppFolder(platform_);
    Guarded([this] { LoadHistory(); });
    LoadHidden();
    LoadKept();
    observer_.ShowStartPages();
    Guarded([this] {
        const std::size_t count = platform_.Monitors().size();
        if (count > 1) {
            singleMonitorEntries_ = static_cast<int>(count);
            observer_.FillMonitorList(singleMonitorEntries_);
        }
    });
    Guarded(
        [this] { observer_.ArrangeSettingsPage(static_cast<int>(platform_.Monitors().size())); });
    Guarded([this] {
        observer_.ShowScreenMetrics(platform_.Monitors(), platform_.VirtualDesktopSize());
    });
    Guarded([this] { LoadSettings(); });
    Guarded([this] { LoadOwnChannels(); });
    // The subscribed channel goes first, so a due wallpaper waits for the
    // directory and one control file, not for every channel of the list.
    Enqueue(settings_.currentChannel >= 0 ? SubscribedFirstRequest()
                                          : DirectoryRequest(DirectoryReason::Start));
}

void Session::LoadSettings() {
    wylo::LoadSettings(SettingsFilePath(platform_), settings_, platform_, clock_,
                       singleMonitorEntries_);
    settingsLoaded_ = true;
    observer_.SettingsLoaded();
    observer_.SetSchedulerRunning(TimerNeeded());
    // The images list selects the image shown last once its rows are there.
    ShowDesktopImages();
}

bool Session::StartsAtLogin() const {
    return platform_.StartsAtLogin();
}

bool Session::SetStartAtLogin(bool start) {
    try {
        platform_.SetStartAtLogin(start);
    } catch (const std::exception& e) {
        observer_.ShowError(e.what());
    }
    return platform_.StartsAtLogin();
}

void Session::SaveSettings() {
    if (closing_) {
        return;
    }
    ++saving_;
    saver_.Run([this, mailbox = mailbox_, life = std::weak_ptr<int>(life_),
                file = SettingsFilePath(platform_), snapshot = settings_] {
        std::string error;
        try {
            wylo::SaveSettings(file, snapshot, platform_);
        } catch (const std::exception& e) {
            error = e.what();
        }
        mailbox->Post(life, [this, error] {
            --saving_;
            if (!error.empty() && !closing_) {
                observer_.ShowError(error);
            }
        });
    });
}

bool Session::Finish() {
    if (finished_) {
        return workStopped_;
    }
    finished_ = true;
    closing_ = true;
    pending_.clear();
    backstage_->cancelled = true;
    backstage_->http.Cancel();
    observer_.SetSchedulerRunning(false);
    // A save begun before is let finish, so this one is the last.
    saver_.Stop(std::chrono::milliseconds::max());
    saving_ = 0;
    try {
        wylo::SaveSettings(SettingsFilePath(platform_), settings_, platform_);
    } catch (const std::exception& e) {
        observer_.ShowExitProblem(e.what());
    }
    // From here on a job left running reaches nobody.
    mailbox_->Close();
    workStopped_ = worker_.Stop(kCloseWait);
    running_ = false;
    return workStopped_;
}

// The channel directory and list.

Session::Request Session::DirectoryRequest(DirectoryReason reason) {
    return {Kind::Directory, [this, reason]() -> Job {
                // At start the list opens on the subscribed channel, or on
                // the directory's first when there is none.
                const int current =
                    reason == DirectoryReason::Start && settings_.currentChannel == -1
                        ? 0
                        : settings_.currentChannel;
                return [this, reason, current](Backstage& b) -> Finisher {
                    DirectoryOutcome outcome;
                    // A refresh is a pass of its own; at start the pass began
                    // with the subscribed channel, or begins here.
                    if (reason != DirectoryReason::Start || !b.startPassBegun) {
                        b.channels.BeginCheckPass();
                    }
                    const CheckPassEnd passEnd{b.channels};
                    if (reason == DirectoryReason::Start) {
                        if (!b.startPassBegun) {
                            RemoveLeftovers(b.channels.appFolder());
                        }
                    } else {
                        b.channels.directory().Close();
                    }
                    const bool fetched = b.channels.FetchChannelDirectory();
                    if (!fetched) {
                        outcome.fetchError = b.channels.LastDownloadError();
                    }
                    if (fetched || std::filesystem::exists(b.channels.DirectoryPath())) {
                        try {
                            outcome.opened = b.channels.OpenChannelDirectory();
                            if (outcome.opened) {
                                outcome.list = b.channels.BuildChannelList();
                                outcome.listProblem = b.channels.ChannelListProblem();
                                outcome.news = b.channels.directory().news();
                                outcome.channelCount = b.channels.directory().ChannelCount();
                            }
                        } catch (const std::exception& e) {
                            outcome.openError = e.what();
                        }
                    }
                    if (!outcome.opened) {
                        // The user's own channels need no host.
                        outcome.list = b.channels.OwnChannelList();
                    }
                    for (const ChannelSession::ChannelListEntry& entry : outcome.list) {
                        if (entry.index < kOwnChannelBase) {
                            outcome.ids[entry.index] = b.channels.ChannelId(entry.index);
                        }
                    }
                    const bool listed =
                        std::any_of(outcome.list.begin(), outcome.list.end(),
                                    [current](const auto& e) { return e.index == current; });
                    if (listed) {
                        outcome.selected = SelectOutcome::Of(b.channels, current);
                    }
                    outcome.current = current;
                    return [this, reason, outcome = std::move(outcome)]() mutable {
                        DirectoryFinished(reason, std::move(outcome));
                    };
                };
            }};
}

Session::Request Session::SubscribedFirstRequest() {
    return {Kind::Directory, [this]() -> Job {
                const int channel = settings_.currentChannel;
                return [this, channel](Backstage& b) -> Finisher {
                    // The pass ends with the channel list that follows.
                    b.channels.BeginCheckPass();
                    b.startPassBegun = true;
                    bool ready = false;
                    try {
                        RemoveLeftovers(b.channels.appFolder());
                        // An own channel needs no directory.
                        if (!b.channels.OwnChannelAt(channel)) {
                            b.channels.FetchChannelDirectory();
                            b.channels.OpenChannelDirectory();
                        }
                        ready = b.Lists(channel) && b.channels.DownloadControlFile(channel) &&
                                b.channels.LoadControlFile(channel);
                    } catch (const std::exception&) {
                        // The list that follows opens the directory again
                        // and says what is wrong with it.
                    }
                    return [this, ready] {
                        if (ready) {
                            OpenSubscription(false);
                        }
                        Enqueue(DirectoryRequest(DirectoryReason::Start));
                    };
                };
            }};
}

void Session::DirectoryFinished(DirectoryReason reason, DirectoryOutcome outcome) {
    directoryError_ = outcome.fetchError;
    if (outcome.opened || !outcome.list.empty()) {
        directoryChannelCount_ = outcome.channelCount;
        listProblem_ = outcome.listProblem;
        channelList_ = std::move(outcome.list);
        directoryIds_ = std::move(outcome.ids);
        observer_.ChannelListChanged(channelList_, outcome.current);
        observer_.SubscribedChannelMarked(openChannel_);
        if (outcome.selected) {
            ShowSelected(*outcome.selected);
            if (!outcome.selected->error.empty()) {
                observer_.ShowError(outcome.selected->error);
            }
        }
        if (!outcome.news.empty()) {
            observer_.ShowWelcomePage(outcome.news);
        }
    }
    const bool listed = outcome.opened && DirectoryListed();
    const DateTime now = clock_.Now();
    switch (reason) {
        case DirectoryReason::Start:
            if (!outcome.openError.empty()) {
                observer_.ShowError(outcome.openError);
            }
            if (!DirectoryListed()) {
                ChannelDirectoryUnavailable(now);
            }
            break;
        case DirectoryReason::Refresh:
            observer_.ClearSelectedChannel();
            if (!outcome.fetchError.empty()) {
                // The list shows the copy in the cache; the user asked for news.
                observer_.SetStatus("The channel directory could not be fetched: " +
                                    ShortenedText(outcome.fetchError, 120));
            }
            if (!outcome.openError.empty()) {
                observer_.ShowError(outcome.openError);
            }
            if (listed && directoryRetry_.pending()) {
                // The user's refresh reached the host: no more retries.
                directoryRetry_.Succeeded();
                scheduler_.SetNotice({});
                ShowDesktopImages();
            }
            break;
        case DirectoryReason::Retry:
            if (!listed) {
                // Said in the status line: a box at every retry would nag.
                if (!outcome.openError.empty()) {
                    directoryError_ = outcome.openError;
                }
                ChannelDirectoryUnavailable(now);
                return;
            }
            directoryRetry_.Succeeded();
            scheduler_.SetNotice({});
            observer_.SetSchedulerRunning(TimerNeeded());
            ShowDesktopImages();
            break;
    }
    ReopenSubscription();
    if (rowsPending_ && !Pending(Kind::Rows) && !Pending(Kind::Change) && !Running(Kind::Change)) {
        // The rows put off for the list; a change asked for fills them after it.
        Enqueue(RowsRequest());
    }
}

void Session::ChannelDirectoryUnavailable(DateTime now) {
    directoryRetry_.Failed(now);
    std::string text = "The channel directory could not be fetched";
    if (!directoryError_.empty()) {
        text += " (" + ShortenedText(directoryError_, 120) + ")";
    } else if (directoryChannelCount_ > 0) {
        text = "No channel of the directory could be fetched";
        if (!listProblem_.empty()) {
            text += " (" + ShortenedText(listProblem_, 120) + ")";
        }
    }
    text += "; Wylo will try again in " + DelayText(directoryRetry_.delaySeconds());
    scheduler_.SetNotice(text);
    observer_.SetStatus(text);
    observer_.SetSchedulerRunning(TimerNeeded());
}

bool Session::DirectoryListed() const {
    return std::any_of(channelList_.begin(), channelList_.end(),
                       [](const auto& entry) { return entry.index < kOwnChannelBase; });
}

bool Session::IsListed(int channel) const {
    return std::any_of(channelList_.begin(), channelList_.end(),
                       [channel](const auto& entry) { return entry.index == channel; });
}

void Session::SelectChannel(int index) {
    // Only the last choice matters: one still waiting is replaced.
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                  [](const Request& r) { return r.kind == Kind::Select; }),
                   pending_.end());
    Enqueue({Kind::Select, [this, index]() -> Job {
                 return [this, index](Backstage& b) -> Finisher {
                     SelectOutcome outcome = SelectOutcome::Of(b.channels, index);
                     return [this, outcome = std::move(outcome)] {
                         ShowSelected(outcome);
                         if (!outcome.error.empty()) {
                             observer_.ShowError(outcome.error);
                         }
                     };
                 };
             }});
}

void Session::ShowSelected(const SelectOutcome& outcome) {
    selectedChannelId_ = outcome.channelId;
    // A feed added by its address is listed by its own title once read.
    for (std::size_t i = 0; i < own_.size(); ++i) {
        OwnChannel& channel = own_[i];
        if (channel.kind == OwnChannel::Kind::Address && outcome.shown.loaded &&
            !outcome.shown.title.empty() && channel.title != outcome.shown.title &&
            channel.Id() == outcome.channelId) {
            channel.title = outcome.shown.title;
            SaveOwnChannels();
            PublishOwnChannels();
            RelistOwnChannels(kOwnChannelBase + static_cast<int>(i));
            break;
        }
    }
    if (outcome.shown.loaded) {
        termsUrl_ = outcome.termsUrl;
        previewUrl_ = outcome.previewUrl;
    }
    SelectedChannel shown = outcome.shown;
    shown.termsUrl = termsUrl_;
    observer_.SelectedChannelChanged(shown);
}

void Session::RefreshChannelList() {
    if (!Pending(Kind::Directory)) {
        Enqueue(DirectoryRequest(DirectoryReason::Refresh));
    }
}

void Session::OpenTerms() {
    OpenUrl(termsUrl_);
}

void Session::OpenUrl(const std::string& url) {
    // Only web addresses: a channel cannot make Wylo run or open anything else.
    platform_.OpenUrl(url);
}

// The user's own channels.

namespace {

// The picture folders this computer comes with, as channels.
std::vector<OwnChannel> SystemPictureChannels(const Platform& platform) {
    std::vector<OwnChannel> channels;
    for (const PictureFolder& folder : platform.PictureFolders()) {
        channels.push_back(
            {folder.wallpaperPackages ? OwnChannel::Kind::Wallpapers : OwnChannel::Kind::Folder,
             PathText(folder.path), folder.title});
    }
    return channels;
}

}  // namespace

std::filesystem::path Session::OwnChannelsPath() const {
    return AppFolder(platform_) / "Channels.txt";
}

void Session::LoadOwnChannels() {
    const std::filesystem::path path = OwnChannelsPath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        // A first start: the computer's own pictures, ready to subscribe to.
        own_ = SystemPictureChannels(platform_);
        SaveOwnChannels();
    } else {
        std::ifstream in(path, std::ios::binary);
        std::string text;
        // A person keeps a few lines here; a huge file is not theirs.
        text.resize(std::min<std::uintmax_t>(std::filesystem::file_size(path, ec), 1 << 20));
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
        own_ = ParseOwnChannels(text);
    }
    PublishOwnChannels();
    if (!settings_.ownChannel.empty()) {
        const auto found = std::find_if(
            own_.begin(), own_.end(),
            [this](const OwnChannel& channel) { return channel.source == settings_.ownChannel; });
        settings_.currentChannel =
            found == own_.end() ? -1 : kOwnChannelBase + static_cast<int>(found - own_.begin());
    } else if (settings_.currentChannel >= kOwnChannelBase) {
        settings_.currentChannel = -1;
    }
}

void Session::SaveOwnChannels() {
    try {
        WriteFileAtomically(OwnChannelsPath(), OwnChannelsText(own_));
    } catch (const std::exception& e) {
        observer_.ShowError(e.what());
    }
}

void Session::PublishOwnChannels() {
    Enqueue({Kind::Own, [list = own_]() -> Job {
                 return [list](Backstage& b) -> Finisher {
                     b.channels.SetOwnChannels(list);
                     return {};
                 };
             }});
}

std::string Session::ListedChannelKey(int channel) const {
    if (channel >= kOwnChannelBase) {
        const auto k = static_cast<std::size_t>(channel - kOwnChannelBase);
        return k < own_.size() ? own_[k].source : std::string();
    }
    const auto found = directoryIds_.find(channel);
    return found != directoryIds_.end() ? found->second : std::string();
}

int Session::MonitorChannel(int monitor) const {
    const std::string chosen = monitor >= 0
                                   ? settings_.MonitorChannelOf(static_cast<std::size_t>(monitor))
                                   : std::string();
    for (const ChannelSession::ChannelListEntry& entry : channelList_) {
        if (!chosen.empty() && ListedChannelKey(entry.index) == chosen) {
            return entry.index;
        }
    }
    return -1;
}

void Session::SetMonitorChannel(int monitor, int channel) {
    if (monitor < 0 || static_cast<std::size_t>(monitor) >= Settings::kMaxMonitorChannels) {
        return;
    }
    const std::string chosen = channel < 0 ? std::string() : ListedChannelKey(channel);
    Settings::MonitorChannel& entry =
        settings_.MonitorChannelEntry(static_cast<std::size_t>(monitor));
    if (entry.channel != chosen) {
        // Another channel's rotation starts from its beginning.
        entry = {chosen, -1};
    }
}

void Session::RelistOwnChannels(int selected) {
    channelList_.erase(
        std::remove_if(channelList_.begin(), channelList_.end(),
                       [](const auto& entry) { return entry.index >= kOwnChannelBase; }),
        channelList_.end());
    for (std::size_t i = 0; i < own_.size(); ++i) {
        const OwnChannel& channel = own_[i];
        channelList_.push_back({ShownTitle(channel.title.empty() ? channel.source : channel.title),
                                kOwnChannelBase + static_cast<int>(i)});
    }
    observer_.ChannelListChanged(channelList_, selected);
    observer_.SubscribedChannelMarked(openChannel_);
}

bool Session::AddOwnChannel(OwnChannel::Kind kind, const std::string& source) {
    OwnChannel channel{kind, source, {}};
    if (kind == OwnChannel::Kind::Address) {
        if (!IsFetchableUrl(source)) {
            observer_.ShowError(
                "Wylo can add only web addresses that start with http:// or "
                "https://.");
            return false;
        }
    } else {
        std::error_code ec;
        const std::filesystem::path folder = PathFromText(source);
        if (source.empty() || !std::filesystem::is_directory(folder, ec)) {
            observer_.ShowError("The folder " + source + " cannot be found.");
            return false;
        }
        channel.title = FolderChannelTitle(folder);
    }
    auto found = std::find_if(own_.begin(), own_.end(), [&channel](const OwnChannel& c) {
        return c.kind == channel.kind && c.source == channel.source;
    });
    if (found == own_.end()) {
        if (own_.size() >= kMaxOwnChannels) {
            observer_.ShowError("Wylo keeps at most " + std::to_string(kMaxOwnChannels) +
                                " channels of your own.");
            return false;
        }
        own_.push_back(std::move(channel));
        found = own_.end() - 1;
        SaveOwnChannels();
        PublishOwnChannels();
    }
    const int index = kOwnChannelBase + static_cast<int>(found - own_.begin());
    RelistOwnChannels(index);
    SelectChannel(index);
    return true;
}

bool Session::RemoveOwnChannel(int index) {
    const long position = static_cast<long>(index) - kOwnChannelBase;
    if (position < 0 || position >= static_cast<long>(own_.size())) {
        observer_.ShowError("Only channels you added yourself can be removed.");
        return false;
    }
    if (index == settings_.currentChannel) {
        observer_.ShowError(
            "You are subscribed to this channel. Subscribe to another one "
            "before removing it.");
        return false;
    }
    own_.erase(own_.begin() + position);
    // The own channels after it move up one place.
    const auto moved = [index](int& channel) {
        if (channel > index) {
            --channel;
        }
    };
    moved(settings_.currentChannel);
    moved(openChannel_);
    SaveOwnChannels();
    PublishOwnChannels();
    RelistOwnChannels(-1);
    observer_.ClearSelectedChannel();
    return true;
}

// The subscription and its pages.

void Session::Subscribe(int index) {
    maxThumbWidth_ = 0;
    // On failure the channel stays chosen, so the next start tries it again.
    settings_.currentChannel = index;
    const long own = static_cast<long>(index) - kOwnChannelBase;
    settings_.ownChannel = own >= 0 && own < static_cast<long>(own_.size())
                               ? own_[static_cast<std::size_t>(own)].source
                               : std::string();
    Enqueue(SubscribeRequest(index, true, false));
}

Session::Request Session::SubscribeRequest(int index, bool fetchThumbnails, bool reopened) {
    return {Kind::Subscribe, [this, index, fetchThumbnails, reopened]() -> Job {
                const int around = settings_.currentImage;
                return [this, index, fetchThumbnails, reopened, around](Backstage& b) -> Finisher {
                    const char* problem = nullptr;
                    std::optional<ChannelPages> pages;
                    bool hasNews = false;
                    if (!b.Lists(index)) {
                        // The directory changed since: the next list opens it.
                        return {};
                    }
                    if (!b.channels.DownloadControlFile(index)) {
                        problem = kDownloadProblem;
                    } else if (!b.channels.LoadControlFile(index)) {
                        problem = kLoadProblem;
                    } else {
                        pages = ChannelPages::Of(b,
                                                 fetchThumbnails ? ChannelPages::Thumbnails::Fetched
                                                                 : ChannelPages::Thumbnails::Cached,
                                                 around);
                        hasNews = !pages->shown.news.empty();
                    }
                    return [this, index, problem, pages = std::move(pages), hasNews, reopened] {
                        if (problem) {
                            openChannel_ = -1;
                            observer_.SubscribedChannelMarked(openChannel_);
                            observer_.SubscriptionFailed(problem);
                            return;
                        }
                        if (!reopened) {
                            // Another channel: what went wrong with the
                            // last one's pictures is past.
                            scheduler_.SetChangeProblem({});
                        }
                        openChannel_ = index;
                        observer_.SubscribedChannelMarked(openChannel_);
                        ShowPages(*pages);
                        if (reopened) {
                            // The list opens on the image shown last.
                            observer_.ShowCurrentImage(settings_.currentImage);
                            ShowDesktopImages();
                        }
                        observer_.SubscriptionOpened(hasNews);
                    };
                };
            }};
}

void Session::ReopenSubscription() {
    if (IsListed(settings_.currentChannel)) {
        OpenSubscription(true);
    }
}

void Session::OpenSubscription(bool listed) {
    const int channel = settings_.currentChannel;
    if (channel == -1 || openChannel_ == channel || Pending(Kind::Subscribe) ||
        Running(Kind::Subscribe)) {
        return;
    }
    // The images list shows what the cache holds and is checked over the
    // network after a change that is due, and after the channel list when
    // that is still to come: the wallpaper waits for neither.
    const DateTime now = clock_.Now();
    const bool changeFirst = SchedulerRuns() && (changeAsked_ || scheduler_.IsChangeDue(now));
    rowsPending_ = changeFirst || !listed;
    Enqueue(SubscribeRequest(channel, !rowsPending_, true));
    StartDueChange(now);
}

void Session::ShowPages(ChannelPages pages, int selectedImage) {
    if (pages.checked) {
        rowsPending_ = false;
    }
    listedChannelId_ = pages.channelId;
    listedRows_ = pages.rows;
    thumbnailAsked_.assign(listedRows_.size(), false);
    for (std::size_t i = 0; i < listedRows_.size(); ++i) {
        thumbnailAsked_[i] = !listedRows_[i].thumbnail.empty();
    }
    maxThumbWidth_ = std::max(maxThumbWidth_, pages.widestThumbnail);
    pages.shown.selectedImage = selectedImage;
    observer_.SubscribedChannelChanged(pages.shown);
    // The refilled list marks the desktop's images again.
    ShowDesktopImages();
    ShowImageMarks();
}

Session::Request Session::RowsRequest() {
    return {Kind::Rows, [this]() -> Job {
                if (!rowsPending_ || openChannel_ < 0) {
                    return {};
                }
                const int channel = openChannel_;
                const int around = settings_.currentImage;
                return [this, channel, around](Backstage& b) -> Finisher {
                    if (!b.Lists(channel)) {
                        return {};
                    }
                    const std::string id = b.channels.ChannelId(channel);
                    if (!b.LoadSubscribed(channel, id)) {
                        return {};
                    }
                    // Checked again only when the control file changed
                    // since: after most changes nothing did, and each
                    // check is a request per thumbnail.
                    const bool unchanged = b.thumbnailsCheckedFor &&
                                           b.thumbnailsCheckedFor == ControlFileStamp(b.channels);
                    ChannelPages pages =
                        ChannelPages::Of(b,
                                         unchanged ? ChannelPages::Thumbnails::Cached
                                                   : ChannelPages::Thumbnails::Fetched,
                                         around);
                    pages.checked = true;
                    return [this, pages = std::move(pages)] {
                        if (rowsPending_) {
                            ShowPages(pages, settings_.currentImage);
                        }
                    };
                };
            }};
}

std::filesystem::path Session::ThumbnailPath(int image) const {
    if (image < 0 || static_cast<std::size_t>(image) >= listedRows_.size()) {
        return {};
    }
    return listedRows_[static_cast<std::size_t>(image)].thumbnail;
}

void Session::ThumbnailWanted(int image) {
    if (image < 0 || static_cast<std::size_t>(image) >= thumbnailAsked_.size() ||
        thumbnailAsked_[static_cast<std::size_t>(image)] || closing_) {
        return;
    }
    thumbnailsWanted_ = image;
    if (!Pending(Kind::Thumbnails)) {
        Enqueue(ThumbnailsRequest());
    }
}

Session::Request Session::ThumbnailsRequest() {
    return {
        Kind::Thumbnails, [this]() -> Job {
            const int first = thumbnailsWanted_;
            thumbnailsWanted_ = -1;
            if (first < 0 || openChannel_ < 0 ||
                static_cast<std::size_t>(first) >= thumbnailAsked_.size()) {
                return {};
            }
            const int last =
                std::min(first + kThumbnailsAhead, static_cast<int>(thumbnailAsked_.size()));
            for (int i = first; i < last; ++i) {
                thumbnailAsked_[static_cast<std::size_t>(i)] = true;
            }
            return [this, channel = openChannel_, channelId = listedChannelId_, first,
                    last](Backstage& b) -> Finisher {
                if (!b.LoadSubscribed(channel, channelId)) {
                    return {};
                }
                const std::vector<std::filesystem::path> paths =
                    b.channels.FetchThumbnails(first, last);
                std::vector<std::pair<int, std::filesystem::path>> found;
                std::vector<SubscribedChannel::Row> rows;
                int widest = 0;
                for (int i = first; i < last && static_cast<std::size_t>(i) < paths.size(); ++i) {
                    const std::filesystem::path& path = paths[static_cast<std::size_t>(i)];
                    if (path.empty()) {
                        continue;
                    }
                    const Size size = MeasureThumbnail(path);
                    widest = std::max(widest, size.width);
                    found.emplace_back(i, path);
                    rows.push_back({{}, i, size.height + 4});
                }
                return [this, channelId, found = std::move(found), rows = std::move(rows), widest] {
                    if (channelId != listedChannelId_ || rows.empty()) {
                        return;  // the list was filled with another channel since
                    }
                    for (const auto& [row, path] : found) {
                        if (static_cast<std::size_t>(row) < listedRows_.size()) {
                            listedRows_[static_cast<std::size_t>(row)].thumbnail = path;
                        }
                    }
                    maxThumbWidth_ = std::max(maxThumbWidth_, widest);
                    observer_.SubscribedRowsMeasured(rows);
                };
            };
        }};
}

std::optional<ThumbnailPicture> Session::ThumbnailBitmap(const std::filesystem::path& thumbnail) {
    return thumbnails_.Picture(thumbnail);
}

// The schedule and the changes.

void Session::Tick(DateTime now) {
    if (!settingsLoaded_ || closing_) {
        return;
    }
    if (directoryRetry_.IsDue(now) && !Pending(Kind::Directory) && !Running(Kind::Directory)) {
        Enqueue(DirectoryRequest(DirectoryReason::Retry));
    }
    if (!SchedulerRuns()) {
        return;
    }
    // While work runs, its own texts stay in the status line.
    if (!running_) {
        observer_.SetStatus(scheduler_.StatusText());
    }
    StartDueChange(now);
}

void Session::StartDueChange(DateTime now) {
    if (!SchedulerRuns() || closing_) {
        return;
    }
    if (settings_.currentChannel < 0) {
        // Nothing to show yet: the user's own wallpaper stays, and the change
        // stays due for the first subscription.
        changeAsked_ = false;
        return;
    }
    if (openChannel_ != settings_.currentChannel && !Pending(Kind::Subscribe) &&
        !Running(Kind::Subscribe)) {
        // The channel is not open yet (its host was away at start): the
        // change comes once it is.
        return;
    }
    if (Pending(Kind::Change)) {
        return;  // one waits already
    }
    if (!changeAsked_) {
        const bool due =
            scheduler_.IsChangeDue(now) && (!changeRetry_.pending() || changeRetry_.IsDue(now));
        // A scheduled change that runs decides by its own result.
        if (!due || Running(Kind::Change)) {
            return;
        }
    }
    Enqueue(ChangeRequest());
}

void Session::ChangeNow() {
    changeAsked_ = true;
    StartDueChange(clock_.Now());
}

void Session::SetSchedulerEnabled(bool enabled) {
    settings_.enableScheduler = enabled;
    observer_.SetSchedulerRunning(TimerNeeded());
    if (SchedulerRuns()) {
        StartDueChange(clock_.Now());
    } else if (rowsPending_) {
        // No change will come to fill the rows put off at start-up.
        Enqueue(RowsRequest());
    }
}

Session::Request Session::ChangeRequest() {
    return {Kind::Change, [this]() -> Job {
                changeAsked_ = false;
                const int channel = settings_.currentChannel;
                if (channel < 0) {
                    return {};
                }
                const DateTime changeTime = clock_.Now();
                return [this, snapshot = settings_, channel, changeTime](Backstage& b) -> Finisher {
                    b.settings = snapshot;
                    b.installed = false;
                    ChangeOutcome outcome;
                    if (!b.Lists(channel)) {
                        // Tried again later, when the channel is listed.
                        return [this] { changeRetry_.Failed(clock_.Now()); };
                    }
                    try {
                        outcome.problem =
                            RunScheduledChange(b.source, b.change, b.feedback, channel, [&b] {
                                b.PrepareMonitorChannels();
                            }).problem;
                    } catch (const std::exception& e) {
                        outcome.problem = e.what();
                    }
                    outcome.installed = b.installed;
                    outcome.retried = true;
                    b.KeepMonitorImages();
                    outcome.currentImage = b.settings.currentImage;
                    outcome.monitorChannels = b.settings.monitorChannels;
                    outcome.wallpaper = ChangeOutcome::Drawn(b, channel);
                    b.MakeMissingThumbnails();
                    return [this, outcome = std::move(outcome), changeTime] {
                        if (!outcome.installed) {
                            // Tried again with growing pauses, not a whole
                            // period later.
                            changeRetry_.Failed(clock_.Now());
                        }
                        ChangeFinished(outcome, changeTime);
                        // The new wallpaper is told first; the pages, whose
                        // thumbnails may all need a check over the network,
                        // are refilled right after it, also when it failed.
                        rowsPending_ = true;
                        if (Pending(Kind::Directory)) {
                            // The channel list at start comes first.
                            Enqueue(RowsRequest());
                        } else {
                            pending_.push_front(RowsRequest());
                        }
                    };
                };
            }};
}

void Session::ChangeFinished(const ChangeOutcome& outcome, DateTime changeTime) {
    if (outcome.installed) {
        changeRetry_.Succeeded();
        settings_.currentImage = outcome.currentImage;
        // Only where the monitor still shows the channel the change drew
        // from: the user may have chosen another meanwhile.
        for (std::size_t m = 0;
             m < outcome.monitorChannels.size() && m < settings_.monitorChannels.size(); ++m) {
            if (settings_.monitorChannels[m].channel == outcome.monitorChannels[m].channel) {
                settings_.monitorChannels[m].currentImage = outcome.monitorChannels[m].currentImage;
            }
        }
        settings_.lastChange = changeTime;
        RecordChange(outcome.wallpaper);
        observer_.ShowCurrentImage(settings_.currentImage);
        PruneCacheSoon();
    }
    ChangeShown(outcome);
}

void Session::ChangeShown(const ChangeOutcome& outcome) {
    if (!outcome.installed) {
        // The reason stays in the status line until a change works or the
        // user moves on; a box at every retry would pile up overnight.
        std::string text =
            outcome.problem.empty() ? "No picture could be put on the desktop." : outcome.problem;
        text += " The desktop keeps its wallpaper";
        text += outcome.retried && changeRetry_.pending()
                    ? "; Wylo will try again at " + scheduler_.TimeText(changeRetry_.dueAt()) + "."
                    : ".";
        scheduler_.SetChangeProblem(std::move(text));
        observer_.SetStatus(scheduler_.StatusText());
        return;
    }
    scheduler_.SetChangeProblem(outcome.problem.empty()
                                    ? std::string()
                                    : Sentence(outcome.problem) +
                                          " Its monitor keeps the picture it had.");
    ShowDesktopImages();
}

void Session::PickImage(int row) {
    Enqueue(PickRequest(row));
}

Session::Request Session::PickRequest(int row) {
    // The picture the user saw on the row, named now.
    std::string channelId = listedChannelId_;
    std::string fileName;
    if (row >= 0 && static_cast<std::size_t>(row) < listedRows_.size()) {
        fileName = listedRows_[static_cast<std::size_t>(row)].fileName;
    } else {
        row = -1;
    }
    return {Kind::Pick,
            [this, row, channelId = std::move(channelId), fileName = std::move(fileName)]() -> Job {
                const int channel = settings_.currentChannel;
                if (channel < 0) {
                    return {};
                }
                return [this, snapshot = settings_, channel, row, channelId,
                        fileName](Backstage& b) -> Finisher {
                    b.settings = snapshot;
                    b.installed = false;
                    ChangeOutcome outcome;
                    std::int32_t image = row;
                    const BusyScope busy(b.feedback);
                    if (!b.LoadSubscribed(channel, channelId)) {
                        image = -2;
                    } else if (row >= 0 &&
                               PictureCacheName(b.channels.controlFile().Image(row)) != fileName) {
                        // The channel changed since the list was filled: the
                        // same picture elsewhere, or none.
                        image = -2;
                        const int count = b.channels.controlFile().ImageCount();
                        for (int i = 0; i < count; ++i) {
                            if (PictureCacheName(b.channels.controlFile().Image(i)) == fileName) {
                                image = i;
                                break;
                            }
                        }
                    }
                    if (image == -2) {
                        outcome.problem = "The picture you chose is no longer in the channel.";
                    } else {
                        try {
                            b.settings.currentImage = image;
                            b.PrepareMonitorChannels();
                            b.change.ChangeDesktop(image);
                            b.KeepMonitorImages();
                            outcome.problem = MissingImagesText(b.change);
                        } catch (const std::exception& e) {
                            outcome.problem = e.what();
                        }
                    }
                    outcome.installed = b.installed;
                    outcome.currentImage = b.settings.currentImage;
                    outcome.monitorChannels = b.settings.monitorChannels;
                    outcome.wallpaper = ChangeOutcome::Drawn(b, channel);
                    return [this, outcome = std::move(outcome)] {
                        ChangeFinished(outcome, clock_.Now());
                        if (outcome.installed) {
                            Guarded([this] { SaveSettings(); });
                        }
                    };
                };
            }};
}

// The wallpaper history.

void Session::LoadHistory() {
    WallpaperHistoryLoad loaded =
        WallpaperHistory::Load(WallpaperHistory::FilePath(AppFolder(platform_)));
    history_ = std::move(loaded.history);
    // Until Wylo changes it, the desktop shows what Wylo put there last.
    desktopFromHistory_ = !history_.empty();
    NotifyHistory();
    if (!loaded.message.empty()) {
        observer_.ShowError(loaded.message);
    }
}

void Session::LoadHidden() {
    hidden_ = HiddenPictures::Load(HiddenPictures::FilePath(AppFolder(platform_)));
    PublishHidden();
}

void Session::SaveHidden() {
    try {
        hidden_.Save(HiddenPictures::FilePath(AppFolder(platform_)));
    } catch (const std::exception& e) {
        observer_.SetStatus(std::string("The list of hidden pictures could not be saved: ") +
                            e.what());
    }
}

void Session::PublishHidden() {
    backstage_->SetHidden(std::make_shared<const HiddenPictures>(hidden_));
}

bool Session::NeverShowAgain() {
    const PastWallpaper* shown = desktopFromHistory_ ? history_.Current() : nullptr;
    if (closing_ || shown == nullptr) {
        return false;
    }
    // A monitor may show a channel of its own: each channel hides its own.
    std::map<std::string, std::vector<std::string>> files;
    for (const PastWallpaper::Image& image : shown->images) {
        files[shown->ChannelOf(image)].push_back(image.fileName);
    }
    bool hidden = false;
    for (const auto& [channelId, names] : files) {
        hidden |= Hide(channelId, names, false);
    }
    // The next picture goes up once, after every channel has hidden its own.
    if (hidden && !Pending(Kind::Change)) {
        Enqueue(ChangeRequest());
    }
    return hidden;
}

bool Session::NeverShowImageAgain(int image) {
    if (closing_ || image < 0 || static_cast<std::size_t>(image) >= listedRows_.size()) {
        return false;
    }
    const std::string& file = listedRows_[static_cast<std::size_t>(image)].fileName;
    const DesktopImages shown = DesktopNow();
    const bool onDesktop =
        std::any_of(shown.images.begin(), shown.images.end(),
                    [image](const DesktopImages::Image& i) { return i.row == image; });
    return Hide(listedChannelId_, {file}, onDesktop);
}

bool Session::Hide(const std::string& channelId, const std::vector<std::string>& names,
                   bool changeNow) {
    if (!IsSafeName(channelId)) {
        return false;
    }
    std::vector<std::string> files;
    for (const std::string& name : names) {
        if (IsSafeName(name)) {
            hidden_.Add(channelId, name);
            files.push_back(name);
        }
    }
    if (files.empty()) {
        return false;
    }
    PublishHidden();
    SaveHidden();
    ShowImageMarks();
    // The pictures and their conversions leave the cache once the work
    // before has done with them; then the next picture goes up, as with
    // "Change Now", also while the schedule is off.
    Enqueue({Kind::Forget, [channelId, files]() -> Job {
                 return [channelId, files](Backstage& b) -> Finisher {
                     const std::filesystem::path folder = b.channels.CacheFolder(channelId);
                     for (const std::string& file : files) {
                         std::error_code ignored;
                         std::filesystem::remove(folder / "images" / file, ignored);
                         std::filesystem::remove(ConvertedBmpPath(folder / "images" / file),
                                                 ignored);
                     }
                     return [] {};
                 };
             }});
    if (changeNow && !Pending(Kind::Change)) {
        Enqueue(ChangeRequest());
    }
    return true;
}

std::filesystem::path Session::FavouritesFolder() const {
    return AppFolder(platform_) / "Favourites";
}

OwnChannel Session::FavouritesChannel() const {
    return {OwnChannel::Kind::Folder, PathText(FavouritesFolder()), "Favourites"};
}

namespace {

// Where a picture of the history lies: in its channel's cache, or for a
// folder's photo, where the folder's channel found it.
fs::path PictureOfHistory(ChannelSession& channels, const std::string& channelId,
                          const std::string& fileName) {
    const fs::path folder = channels.CacheFolder(channelId);
    std::error_code ec;
    if (folder.empty() || !IsSafeName(fileName)) {
        return {};
    }
    if (fs::is_regular_file(folder / "images" / fileName, ec)) {
        return folder / "images" / fileName;
    }
    const OwnChannel* own = channels.OwnChannelWithId(channelId);
    ControlFile made;
    if (!own || own->kind == OwnChannel::Kind::Address || !made.Load(folder / "Channel.xml")) {
        return {};
    }
    for (int i = 0; i < made.ImageCount(); ++i) {
        if (made.Image(i).file == fileName) {
            const fs::path& photo = made.Image(i).path;
            return fs::is_regular_file(photo, ec) ? photo : fs::path();
        }
    }
    return {};
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copies picture into folder under its own name, or a name made free with a
// number; nothing when the folder holds the same picture already.
void CopyIntoFolder(const fs::path& picture, const fs::path& folder, const std::string& name) {
    fs::create_directories(folder);
    const fs::path stem = fs::path(name).stem();
    const fs::path extension = fs::path(name).extension();
    std::error_code ec;
    for (int n = 1;; ++n) {
        fs::path target = folder / name;
        if (n > 1) {
            target = folder / (stem.string() + " (" + std::to_string(n) + ")" + extension.string());
        }
        if (!fs::exists(target, ec)) {
            fs::copy_file(picture, target);
            return;
        }
        if (fs::equivalent(picture, target, ec) ||
            (fs::file_size(picture, ec) == fs::file_size(target, ec) &&
             ReadWholeFile(picture) == ReadWholeFile(target))) {
            return;
        }
    }
}

}  // namespace

bool Session::KeepPicture() {
    const PastWallpaper* shown = desktopFromHistory_ ? history_.Current() : nullptr;
    if (closing_ || shown == nullptr || shown->images.empty()) {
        return false;
    }
    std::map<std::string, std::vector<KeptPicture>> pictures;
    for (const PastWallpaper::Image& image : shown->images) {
        pictures[shown->ChannelOf(image)].push_back({image.fileName, image.title, -1});
    }
    for (auto& [channelId, kept] : pictures) {
        Keep(channelId, std::move(kept));
    }
    return true;
}

bool Session::KeepImage(int image) {
    if (closing_ || image < 0 || static_cast<std::size_t>(image) >= listedRows_.size()) {
        return false;
    }
    const std::string& file = listedRows_[static_cast<std::size_t>(image)].fileName;
    Keep(listedChannelId_, {{file, file, image}});
    return true;
}

void Session::Keep(const std::string& channelId, std::vector<KeptPicture> pictures) {
    // The Favourites channel is listed from the first kept picture on.
    const OwnChannel favourites = FavouritesChannel();
    if (std::none_of(own_.begin(), own_.end(), [&favourites](const OwnChannel& c) {
            return c.kind == favourites.kind && c.source == favourites.source;
        })) {
        own_.push_back(favourites);
        SaveOwnChannels();
        PublishOwnChannels();
        RelistOwnChannels(settings_.currentChannel);
    }
    Enqueue({Kind::Keep, [this, channelId, pictures = std::move(pictures)]() -> Job {
                 return [this, channelId, pictures, listed = openChannel_,
                         folder = FavouritesFolder()](Backstage& b) -> Finisher {
                     std::string problem;
                     std::vector<std::string> kept;
                     for (const KeptPicture& wanted : pictures) {
                         try {
                             fs::path picture =
                                 PictureOfHistory(b.channels, channelId, wanted.fileName);
                             // A row of the list may not have been fetched yet.
                             if (picture.empty() && wanted.image >= 0 &&
                                 b.LoadSubscribed(listed, channelId)) {
                                 picture = b.channels.ImageFilePath(channelId, wanted.image);
                                 if (picture.empty()) {
                                     throw Error(b.channels.LastDownloadError());
                                 }
                             }
                             if (picture.empty()) {
                                 throw Error("\"" + ShortenedText(wanted.title, 60) +
                                             "\" is no longer in the cache.");
                             }
                             CopyIntoFolder(picture, folder, wanted.fileName);
                             kept.push_back(wanted.fileName);
                         } catch (const std::exception& e) {
                             problem = e.what();
                         }
                     }
                     return [this, kept, problem] {
                         kept_.insert(kept.begin(), kept.end());
                         ShowImageMarks();
                         if (!problem.empty()) {
                             observer_.ShowError("The picture could not be kept: " + problem);
                         } else {
                             observer_.SetStatus(kept.size() == 1
                                                     ? "The picture is kept in Favourites."
                                                     : "The pictures are kept in Favourites.");
                         }
                     };
                 };
             }});
}

ImageMarks Session::ImageMarksNow() const {
    ImageMarks marks;
    // Every picture of Favourites itself is kept: no mark needed there.
    const bool favourites = listedChannelId_ == FavouritesChannel().Id();
    for (std::size_t i = 0; i < listedRows_.size(); ++i) {
        const std::string& file = listedRows_[i].fileName;
        if (!favourites && kept_.count(file) != 0) {
            marks.kept.push_back(static_cast<int>(i));
        }
        if (hidden_.Contains(listedChannelId_, file)) {
            marks.hidden.push_back(static_cast<int>(i));
        }
    }
    return marks;
}

void Session::ShowImageMarks() {
    observer_.ImageMarksChanged(ImageMarksNow());
}

void Session::LoadKept() {
    kept_.clear();
    std::error_code ec;
    for (auto it = fs::directory_iterator(FavouritesFolder(), ec);
         !ec && it != fs::directory_iterator(); it.increment(ec)) {
        kept_.insert(PathText(it->path().filename()));
    }
}

void Session::PruneCacheSoon() {
    if (Pending(Kind::Prune)) {
        return;
    }
    Enqueue({Kind::Prune, [this]() -> Job {
                 // The desktop's pictures and those Previous reaches soonest.
                 constexpr std::size_t kKeptWallpapers = 5;
                 std::set<std::pair<std::string, std::string>, std::less<>> keep;
                 const std::vector<PastWallpaper>& entries = history_.entries();
                 const std::size_t first =
                     entries.size() > kKeptWallpapers ? entries.size() - kKeptWallpapers : 0;
                 const std::size_t current = history_.position().value_or(entries.size());
                 for (std::size_t i = 0; i < entries.size(); ++i) {
                     if (i < first && !(desktopFromHistory_ && i == current)) {
                         continue;
                     }
                     for (const PastWallpaper::Image& image : entries[i].images) {
                         keep.emplace(entries[i].ChannelOf(image), image.fileName);
                     }
                 }
                 const std::uint64_t limit = settings_.cacheLimit;
                 return [this, keep = std::move(keep), limit](Backstage& b) -> Finisher {
                     const CachePruning pruned = PruneCache(
                         b.channels.appFolder() / "cache", limit,
                         [&keep](std::string_view channel, std::string_view file) {
                             return keep.count(std::pair<std::string, std::string>(channel, file)) >
                                    0;
                         });
                     return [this, bytes = pruned.bytesAfter] { observer_.CacheMeasured(bytes); };
                 };
             }});
}

void Session::MeasureCache() {
    // A measurement under way answers this request too.
    if (Pending(Kind::Measure) || (running_ && runningKind_ == Kind::Measure)) {
        return;
    }
    Enqueue({Kind::Measure, [this]() -> Job {
                 return [this](Backstage& b) -> Finisher {
                     const std::uintmax_t bytes = CacheSize(b.channels.appFolder() / "cache");
                     return [this, bytes] { observer_.CacheMeasured(bytes); };
                 };
             }});
}

void Session::ShowHiddenPicturesAgain() {
    hidden_.Clear();
    PublishHidden();
    SaveHidden();
    ShowImageMarks();
}

void Session::SaveHistory() {
    try {
        history_.Save(WallpaperHistory::FilePath(AppFolder(platform_)));
    } catch (const std::exception& e) {
        // The wallpaper is on the desktop all the same; only the way back is
        // not kept for the next start.
        observer_.SetStatus(std::string("The wallpaper history could not be saved: ") + e.what());
    }
}

void Session::RecordChange(PastWallpaper wallpaper) {
    if (wallpaper.images.empty() || !IsSafeName(wallpaper.channelId)) {
        // A plain background is nothing to go back to.
        desktopFromHistory_ = false;
        NotifyHistory();
        return;
    }
    wallpaper.time = clock_.Now();
    history_.Add(std::move(wallpaper));
    desktopFromHistory_ = true;
    SaveHistory();
    NotifyHistory();
}

void Session::NotifyHistory() {
    // After a change that drew nothing, "Previous" puts back the last
    // wallpaper and there is nothing ahead.
    observer_.HistoryChanged(desktopFromHistory_ ? history_.CanGoBack() : !history_.empty(),
                             desktopFromHistory_ && history_.CanGoForward());
}

void Session::GoBack() {
    Enqueue(StepRequest(-1));
}

void Session::GoForward() {
    Enqueue(StepRequest(+1));
}

bool Session::TakeCommand(RemoteCommand command) {
    if (closing_ || finished_) {
        return false;
    }
    switch (command) {
        case RemoteCommand::ChangeNow:
            // Before the settings are read nobody knows of a subscription;
            // the change then waits for them.
            if (settingsLoaded_ && settings_.currentChannel < 0) {
                return false;
            }
            ChangeNow();
            return true;
        case RemoteCommand::Previous:
            if (!(desktopFromHistory_ ? history_.CanGoBack() : !history_.empty())) {
                return false;
            }
            GoBack();
            return true;
        case RemoteCommand::Next:
            if (!(desktopFromHistory_ && history_.CanGoForward())) {
                return false;
            }
            GoForward();
            return true;
        case RemoteCommand::NeverAgain:
            return NeverShowAgain();
        case RemoteCommand::Keep:
            return KeepPicture();
        default:
            return false;
    }
}

Session::Request Session::StepRequest(int step) {
    return {
        Kind::Step, [this, step]() -> Job {
            const std::optional<std::size_t> position = history_.position();
            if (!position || (step > 0 && !desktopFromHistory_)) {
                return {};
            }
            // After a change that drew nothing, "Previous" goes to the
            // current entry.
            std::ptrdiff_t i = static_cast<std::ptrdiff_t>(*position);
            if (desktopFromHistory_) {
                i += step;
            }
            // The entries to try, nearest first, each with its place.
            std::vector<std::pair<std::size_t, PastWallpaper>> candidates;
            const auto count = static_cast<std::ptrdiff_t>(history_.entries().size());
            for (; i >= 0 && i < count; i += step) {
                candidates.emplace_back(static_cast<std::size_t>(i),
                                        history_.entries()[static_cast<std::size_t>(i)]);
            }
            return [this, snapshot = settings_, step,
                    candidates = std::move(candidates)](Backstage& b) -> Finisher {
                b.settings = snapshot;
                b.installed = false;
                ChangeOutcome outcome;
                const BusyScope busy(b.feedback);
                int passedOver = 0;
                for (const auto& [place, wallpaper] : candidates) {
                    // A folder's photos are read where the folder has them.
                    // A structured binding is not captured by every
                    // compiler this builds with (clang 14).
                    const PastWallpaper& past = wallpaper;
                    HistorySource source(b.channels.appFolder(), wallpaper,
                                         [&b, &past](const PastWallpaper::Image& image) {
                                             return PictureOfHistory(
                                                 b.channels, past.ChannelOf(image), image.fileName);
                                         });
                    if (!source.IsCached()) {
                        ++passedOver;
                        continue;
                    }
                    // The source counts the wallpaper's images in order.
                    std::vector<DesktopChange::DrawnImage> plan;
                    for (std::size_t k = 0; k < wallpaper.images.size(); ++k) {
                        plan.push_back({wallpaper.images[k].monitor, static_cast<std::int32_t>(k)});
                    }
                    // The program's own change, on the history's
                    // pictures: the same steps and the same place for
                    // the result.
                    DesktopChange change(b.platform, b.settings, source, b.feedback);
                    change.SetDesktopSink(b.change.desktopSink());
                    change.SetPassOver([&b, &source](std::int32_t image) {
                        return b.IsHidden(source.ChannelId(image), CacheNameOf(source, image));
                    });
                    try {
                        change.ChangeDesktopTo(plan);
                        outcome.problem = MissingImagesText(change);
                    } catch (const std::exception& e) {
                        outcome.problem = e.what();
                    }
                    outcome.installed = b.installed;
                    outcome.historyEntry = place;
                    break;
                }
                if (!outcome.historyEntry) {
                    const char* way = step < 0 ? "earlier" : "later";
                    outcome.status = passedOver > 0 ? std::string("The pictures of the ") + way +
                                                          " wallpapers are no longer in the cache"
                                                    : std::string("There is no ") + way +
                                                          " wallpaper in the history";
                }
                return [this, outcome = std::move(outcome)] {
                    if (outcome.historyEntry) {
                        if (outcome.installed) {
                            history_.MoveTo(*outcome.historyEntry);
                            desktopFromHistory_ = true;
                            SaveHistory();
                            NotifyHistory();
                        }
                        ChangeShown(outcome);
                    }
                    if (!outcome.status.empty()) {
                        observer_.SetStatus(outcome.status);
                    }
                };
            };
        }};
}

DesktopImages Session::DesktopNow() const {
    DesktopImages shown;
    const PastWallpaper* wallpaper = desktopFromHistory_ ? history_.Current() : nullptr;
    if (!wallpaper) {
        return shown;
    }
    for (const PastWallpaper::Image& image : wallpaper->images) {
        DesktopImages::Image i;
        i.monitor = image.monitor;
        i.title = image.title;
        // The row of the same picture: same channel, same place, same file.
        const auto row = static_cast<std::size_t>(image.image);
        if (wallpaper->ChannelOf(image) == listedChannelId_ && row < listedRows_.size() &&
            listedRows_[row].fileName == image.fileName) {
            i.row = image.image;
        }
        shown.images.push_back(std::move(i));
    }
    return shown;
}

void Session::ShowDesktopImages() {
    const DesktopImages shown = DesktopNow();
    scheduler_.SetDesktopName(shown.Name());
    observer_.DesktopImagesChanged(shown);
    if (const std::string text = scheduler_.StatusText(); settingsLoaded_ && !text.empty()) {
        observer_.SetStatus(text);
    }
}

}  // namespace wylo
