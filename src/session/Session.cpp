#include "session/Session.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "base/Clock.h"
#include "channels/ChannelText.h"
#include "channels/HttpClient.h"
#include "desktop/Leftovers.h"
#include "desktop/Wallpaper.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/ScheduleTick.h"
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

}  // namespace

Session::Session(Platform& platform, const Clock& clock, std::string directoryUrl,
                 SessionObserver& observer)
    : platform_(platform), clock_(clock), observer_(observer) {
    http_ = std::make_unique<HttpClient>();
    http_->SetObserver(&observer_);
    channels_ = std::make_unique<ChannelSession>(*http_, clock_, AppFolder(platform_),
                                                 std::move(directoryUrl));
    source_ = std::make_unique<SessionChannelSource>(*channels_);
    change_ = std::make_unique<DesktopChange>(platform_, settings_, *source_, observer_);
    // A change that a close cut short lacks the images it was fetching; the
    // desktop keeps the wallpaper it has rather than a plain colour.
    change_->SetDesktopSink([this](const Bitmap& desktop) {
        if (!closing_) {
            SaveDesktop(platform_, desktop);
        }
    });
    scheduler_ = std::make_unique<Scheduler>(platform_, settings_, observer_, *source_, *change_);
    scheduler_->showSubscribedChannel = [this] { ShowSubscribedChannel(); };
}

Session::~Session() = default;

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

void Session::Start() {
    WorkScope work(*this);
    scheduler_->forceChange = false;
    maxThumbWidth_ = 0;
    EnsureAppFolder(platform_);
    RemoveLeftovers(AppFolder(platform_));
    observer_.ShowStartPages();
    Guarded([this] {
        const std::size_t count = platform_.Monitors().size();
        if (count > 1) {
            singleMonitorEntries_ = static_cast<int>(count);
            observer_.FillMonitorList(singleMonitorEntries_);
        }
    });
    Guarded([this] {
        if (FetchChannelDirectory()) {
            LoadChannelDirectory();
        }
    });
    Guarded(
        [this] { observer_.ArrangeSettingsPage(static_cast<int>(platform_.Monitors().size())); });
    Guarded([this] {
        observer_.ShowScreenMetrics(platform_.Monitors(), platform_.VirtualDesktopSize());
    });
    Guarded([this] { LoadSettings(); });
}

void Session::LoadSettings() {
    wylo::LoadSettings(SettingsFilePath(platform_), settings_, platform_, clock_,
                       singleMonitorEntries_);
    settingsLoaded_ = true;
    observer_.SettingsLoaded();
    observer_.SetSchedulerRunning(SchedulerRuns());
    if (settings_.currentChannel != -1 && IsListed(settings_.currentChannel)) {
        // When the first tick changes the desktop anyway, the images list is
        // filled after that change: the wallpaper does not wait for every
        // thumbnail to be checked twice.
        deferRows_ =
            SchedulerRuns() && (scheduler_->forceChange || scheduler_->IsChangeDue(clock_.Now()));
        Subscribe(settings_.currentChannel);
        deferRows_ = false;
    }
    observer_.ShowCurrentImage(settings_.currentImage);
}

void Session::SaveSettings() {
    wylo::SaveSettings(SettingsFilePath(platform_), settings_, platform_);
}

bool Session::FetchChannelDirectory() {
    WorkScope work(*this);
    return channels_->FetchChannelDirectory();
}

bool Session::LoadChannelDirectory() {
    WorkScope work(*this);
    if (!channels_->OpenChannelDirectory()) {
        return false;
    }
    channelList_ = channels_->BuildChannelList();
    observer_.ChannelListChanged(channelList_, settings_.currentChannel);
    if (IsListed(settings_.currentChannel)) {
        SelectChannel(settings_.currentChannel);
    }
    const std::string news = channels_->directory().DirectoryProperty("news");
    if (!news.empty()) {
        observer_.ShowWelcomePage(news);
    }
    return true;
}

bool Session::IsListed(int channel) const {
    return std::any_of(channelList_.begin(), channelList_.end(),
                       [channel](const auto& entry) { return entry.index == channel; });
}

void Session::SelectChannel(int index) {
    WorkScope work(*this);
    SelectedChannel shown;
    // Whatever happens below, the page's buttons follow the channel now
    // selected.
    const auto report = [this, &shown] {
        shown.selectable = !channels_->selectedChannelId().empty();
        shown.termsUrl = termsUrl_;
        observer_.SelectedChannelChanged(shown);
    };
    try {
        channels_->setSelectedChannelId(channels_->directory().ChannelValue("id", index));
        if (channels_->DownloadControlFile(index)) {
            channels_->LoadControlFile(index);
            const ControlFile& file = channels_->controlFile();
            shown.loaded = true;
            shown.title = file.ControlFileValue("title");
            shown.description = ShownDescription(file.ControlFileValue("description"));
            shown.subscriptionRequired =
                IsSubscriptionRequired(file.ControlFileValue("subscription"));
            termsUrl_ = file.ControlFileValue("legal");
            previewUrl_ = file.ControlFileValue("preview");
            if (previewUrl_.empty()) {
                shown.hidePreview = true;
            } else {
                shown.previewFile = channels_->FetchPreview(previewUrl_);
            }
        }
    } catch (...) {
        report();
        throw;
    }
    report();
}

void Session::RefreshChannelList() {
    WorkScope work(*this);
    channels_->directory().Close();
    FetchChannelDirectory();
    LoadChannelDirectory();
    observer_.ClearSelectedChannel();
}

void Session::OpenTerms() {
    OpenUrl(termsUrl_);
}

void Session::OpenUrl(const std::string& url) {
    // Only web addresses: a channel cannot make Wylo run or open anything else.
    platform_.OpenUrl(url);
}

void Session::Subscribe(int index) {
    WorkScope work(*this);
    maxThumbWidth_ = 0;
    settings_.currentChannel = index;
    // On failure the channel stays chosen, so the next start tries it again.
    if (!channels_->DownloadControlFile(index)) {
        if (!closing_) {
            observer_.SubscriptionFailed(kDownloadProblem);
        }
        return;
    }
    if (!channels_->LoadControlFile(index)) {
        if (!closing_) {
            observer_.SubscriptionFailed(kLoadProblem);
        }
        return;
    }
    if (deferRows_) {
        rowsPending_ = true;
        ShowSubscribedChannelTexts();
    } else {
        ShowSubscribedChannel();
    }
    observer_.SubscriptionOpened(!channels_->controlFile().ControlFileValue("news").empty());
}

SubscribedChannel Session::SubscribedChannelTexts() const {
    const ControlFile& file = channels_->controlFile();
    SubscribedChannel shown;
    shown.title = file.ControlFileValue("title");
    shown.copyright = file.ControlFileValue("copyright");
    shown.news = file.ControlFileValue("news");
    return shown;
}

void Session::ShowSubscribedChannelTexts() {
    observer_.SubscribedChannelChanged(SubscribedChannelTexts());
}

void Session::ShowSubscribedChannel() {
    rowsPending_ = false;
    const ControlFile& file = channels_->controlFile();
    SubscribedChannel shown = SubscribedChannelTexts();
    // Every thumbnail is fetched or confirmed at once before the rows are
    // measured, one by one as before.
    const std::vector<std::filesystem::path> thumbnails = channels_->FetchThumbnails();
    const int count = file.ImageCount();
    for (int i = 0; i < count; ++i) {
        int height = kDefaultRowHeight;
        const std::filesystem::path& thumbnail = thumbnails[static_cast<std::size_t>(i)];
        if (!thumbnail.empty()) {
            const Size size = MeasureThumbnail(thumbnail);
            height = size.height + 4;
            maxThumbWidth_ = std::max(maxThumbWidth_, size.width);
        }
        shown.rows.push_back(
            {ImageCaption(file.ImageValue("title", i), file.ImageValue("loc", i)), i, height});
    }
    observer_.SubscribedChannelChanged(shown);
}

void Session::ShowPendingRows() {
    if (rowsPending_ && !isWorking()) {
        WorkScope work(*this);
        ShowSubscribedChannel();
    }
}

std::filesystem::path Session::ThumbnailPath(int image) const {
    return channels_->ThumbnailPath(image);
}

std::optional<ThumbnailPicture> Session::ThumbnailBitmap(const std::filesystem::path& thumbnail) {
    return thumbnails_.Picture(thumbnail);
}

void Session::Tick(DateTime now) {
    // A tick that finds other work running is skipped; the next one decides
    // afresh.
    if (isWorking() || !settingsLoaded_) {
        return;
    }
    observer_.SetSchedulerRunning(false);
    std::string error;
    {
        WorkScope work(*this);
        try {
            if (scheduler_->Tick(now)) {
                observer_.ShowCurrentImage(settings_.currentImage);
            }
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    observer_.SetSchedulerRunning(SchedulerRuns());
    // A tick without a change still fills rows put off at start-up.
    ShowPendingRows();
    if (!error.empty() && !closing_) {
        observer_.ShowError(error);
    }
}

void Session::ChangeNow() {
    scheduler_->forceChange = true;
}

bool Session::forceChange() const {
    return scheduler_->forceChange;
}

void Session::SetSchedulerEnabled(bool enabled) {
    settings_.enableScheduler = enabled;
    observer_.SetSchedulerRunning(SchedulerRuns());
    if (!SchedulerRuns()) {
        // No tick will come to fill rows put off at start-up.
        observer_.RunSoon([this] { ShowPendingRows(); });
    }
}

void Session::PickImage(int row) {
    if (isWorking()) {
        // Put on the desktop when the running work ends, so the user's pick
        // comes last.
        pendingPick_ = row;
        return;
    }
    PutImageOnDesktop(row);
}

void Session::PutImageOnDesktop(int row) {
    WorkScope work(*this);
    const BusyScope busy(observer_);
    try {
        settings_.currentImage = row;
        change_->ChangeDesktop(row);
        observer_.ShowCurrentImage(row);
        settings_.lastChange = clock_.Now();
        SaveSettings();
    } catch (const std::exception&) {
        // A failed hand-picked change ends quietly: what was done stays, the
        // rest is skipped.
    }
}

bool Session::RequestClose() {
    if (isWorking()) {
        // Closing in the middle of a download or a change would pull the
        // window from under it; it closes when the work is done. The
        // transfers in flight end now, leaving every cached copy as it was,
        // so the work left runs on what is cached and ends soon.
        pendingClose_ = true;
        closing_ = true;
        http_->Cancel();
        return false;
    }
    return true;
}

void Session::Finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    observer_.SetSchedulerRunning(false);
    Guarded([this] { SaveSettings(); });
}

void Session::AfterWork() {
    observer_.WorkEnded();
    if (closing_) {
        // The user asked to go; a pick made before that is not worth the wait.
        pendingPick_.reset();
    }
    if (!pendingPick_ && !pendingClose_) {
        return;
    }
    // Runs outside the handler that just finished.
    observer_.RunSoon([this] {
        if (isWorking()) {
            return;
        }
        if (const std::optional<int> row = std::exchange(pendingPick_, std::nullopt)) {
            PutImageOnDesktop(*row);
        }
        if (pendingClose_ && !isWorking()) {
            pendingClose_ = false;
            observer_.CloseNow();
        }
    });
}

}  // namespace wylo
