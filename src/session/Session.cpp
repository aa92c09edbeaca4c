#include "session/Session.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "base/Clock.h"
#include "channels/ChannelText.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"
#include "desktop/Leftovers.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/ScheduleTick.h"
#include "session/HistorySource.h"
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

// "30 seconds", "1 minute", "15 minutes".
std::string DelayText(int seconds) {
    if (seconds < 60) {
        return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    }
    const int minutes = seconds / 60;
    return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes");
}

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
    scheduler_ = std::make_unique<Scheduler>(platform_, settings_, observer_, *source_, *change_);
    scheduler_->showSubscribedChannel = [this] { ShowSubscribedChannel(); };
}

Session::~Session() = default;

template <typename Step>
void Session::Guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        observer_.ShowError(e.what());
    }
}

void Session::Start() {
    WorkScope work(*this);
    scheduler_->forceChange = false;
    maxThumbWidth_ = 0;
    EnsureAppFolder(platform_);
    RemoveLeftovers(AppFolder(platform_));
    Guarded([this] { LoadHistory(); });
    observer_.ShowStartPages();
    Guarded([this] {
        const std::size_t count = platform_.Monitors().size();
        if (count > 1) {
            singleMonitorEntries_ = static_cast<int>(count);
            observer_.FillMonitorList(singleMonitorEntries_);
        }
    });
    Guarded([this] { FetchAndLoadDirectory(); });
    if (channelList_.empty()) {
        ChannelDirectoryUnavailable(clock_.Now());
    }
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
    observer_.SetSchedulerRunning(TimerNeeded());
    if (settings_.currentChannel != -1 && IsListed(settings_.currentChannel)) {
        Subscribe(settings_.currentChannel);
    }
    observer_.ShowCurrentImage(settings_.currentImage);
    ShowDesktopImages();
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
    observer_.SubscribedChannelMarked(openChannel_);
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
    if (!channelList_.empty() && directoryRetry_.pending()) {
        // The user's refresh reached the host: no more retries.
        directoryRetry_.Succeeded();
        scheduler_->notice.clear();
    }
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
    const auto failed = [this](const char* message) {
        openChannel_ = -1;
        observer_.SubscribedChannelMarked(openChannel_);
        observer_.SubscriptionFailed(message);
    };
    if (!channels_->DownloadControlFile(index)) {
        failed(kDownloadProblem);
        return;
    }
    if (!channels_->LoadControlFile(index)) {
        failed(kLoadProblem);
        return;
    }
    openChannel_ = index;
    observer_.SubscribedChannelMarked(openChannel_);
    ShowSubscribedChannel();
    observer_.SubscriptionOpened(!channels_->controlFile().ControlFileValue("news").empty());
}

void Session::ShowSubscribedChannel() {
    const ControlFile& file = channels_->controlFile();
    SubscribedChannel shown;
    shown.title = file.ControlFileValue("title");
    shown.copyright = file.ControlFileValue("copyright");
    shown.news = file.ControlFileValue("news");
    const int count = file.ImageCount();
    listedChannelId_ = channels_->selectedChannelId();
    listedFiles_.clear();
    for (int i = 0; i < count; ++i) {
        listedFiles_.push_back(FileNameFromUrl(file.ImageValue("loc", i)));
        // Measuring a row fetches its thumbnail.
        int height = kDefaultRowHeight;
        const std::filesystem::path thumbnail = channels_->FetchThumbnail(i);
        if (!thumbnail.empty()) {
            const Size size = MeasureThumbnail(thumbnail);
            height = size.height + 4;
            maxThumbWidth_ = std::max(maxThumbWidth_, size.width);
        }
        shown.rows.push_back(
            {ImageCaption(file.ImageValue("title", i), file.ImageValue("loc", i)), i, height});
    }
    observer_.SubscribedChannelChanged(shown);
    // The refilled list marks the desktop's images again.
    ShowDesktopImages();
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
    if (directoryRetry_.IsDue(now)) {
        RetryChannelDirectory(now);
    }
    if (!SchedulerRuns()) {
        // The timer ran for the retry alone; the schedule stays off.
        observer_.SetSchedulerRunning(TimerNeeded());
        return;
    }
    std::string error;
    {
        WorkScope work(*this);
        try {
            if (scheduler_->Tick(now)) {
                RecordChange();
                observer_.ShowCurrentImage(settings_.currentImage);
                ShowDesktopImages();
            }
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    observer_.SetSchedulerRunning(TimerNeeded());
    if (!error.empty()) {
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
    observer_.SetSchedulerRunning(TimerNeeded());
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
        RecordChange();
        observer_.ShowCurrentImage(row);
        ShowDesktopImages();
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
        // window from under it; it closes when the work is done.
        pendingClose_ = true;
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

namespace wylo {

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

void Session::SaveHistory() {
    try {
        history_.Save(WallpaperHistory::FilePath(AppFolder(platform_)));
    } catch (const std::exception& e) {
        // The wallpaper is on the desktop all the same; only the way back is
        // not kept for the next start.
        observer_.SetStatus(std::string("The wallpaper history could not be saved: ") + e.what());
    }
}

void Session::RecordChange() {
    const std::vector<DesktopChange::DrawnImage>& drawn = change_->drawnImages();
    if (drawn.empty()) {
        // A plain background is nothing to go back to.
        desktopFromHistory_ = false;
        NotifyHistory();
        return;
    }
    const ControlFile& file = channels_->controlFile();
    PastWallpaper wallpaper;
    wallpaper.time = clock_.Now();
    wallpaper.channel = settings_.currentChannel;
    wallpaper.channelId = channels_->selectedChannelId();
    for (const DesktopChange::DrawnImage& d : drawn) {
        const std::string loc = file.ImageValue("loc", d.image);
        PastWallpaper::Image image;
        image.monitor = d.monitor;
        image.image = d.image;
        image.fileName = FileNameFromUrl(loc);
        image.title = ImageCaption(file.ImageValue("title", d.image), loc);
        image.background = file.ImageValue("background", d.image);
        image.font = file.ImageValue("font", d.image);
        // Only what the history file can hold and read back: a picture that
        // was drawn has a safe name, and colours the channel wrote oddly are
        // left to the defaults.
        if (!IsSafeName(image.fileName)) {
            continue;
        }
        for (std::string* colour : {&image.background, &image.font}) {
            if (colour->size() != 7 || (*colour)[0] != '#' ||
                colour->find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos) {
                colour->clear();
            }
        }
        wallpaper.images.push_back(std::move(image));
    }
    if (wallpaper.images.empty() || !IsSafeName(wallpaper.channelId)) {
        desktopFromHistory_ = false;
        return;
    }
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
    StepThroughHistory(-1);
}

void Session::GoForward() {
    StepThroughHistory(+1);
}

void Session::StepThroughHistory(int step) {
    // User input waits while work runs, so this comes only from outside it.
    const std::optional<std::size_t> position = history_.position();
    if (isWorking() || !position || (step > 0 && !desktopFromHistory_)) {
        return;
    }
    WorkScope work(*this);
    const BusyScope busy(observer_);
    // After a change that drew nothing, "Previous" goes to the current entry.
    std::ptrdiff_t i = static_cast<std::ptrdiff_t>(*position);
    if (desktopFromHistory_) {
        i += step;
    }
    const auto count = static_cast<std::ptrdiff_t>(history_.entries().size());
    int passedOver = 0;
    for (; i >= 0 && i < count; i += step) {
        const PastWallpaper& wallpaper = history_.entries()[static_cast<std::size_t>(i)];
        HistorySource source(AppFolder(platform_), wallpaper);
        if (!source.IsCached()) {
            ++passedOver;
            continue;
        }
        std::vector<DesktopChange::DrawnImage> plan;
        for (const PastWallpaper::Image& image : wallpaper.images) {
            plan.push_back({image.monitor, image.image});
        }
        // The program's own change, on the history's pictures: the same
        // steps and the same place for the result.
        DesktopChange change(platform_, settings_, source, observer_);
        change.SetDesktopSink(change_->desktopSink());
        try {
            change.ChangeDesktopTo(plan);
        } catch (const std::exception& e) {
            observer_.ShowError(e.what());
            return;
        }
        history_.MoveTo(static_cast<std::size_t>(i));
        desktopFromHistory_ = true;
        SaveHistory();
        NotifyHistory();
        ShowDesktopImages();
        return;
    }
    observer_.SetStatus(
        passedOver > 0 ? std::string("The pictures of the ") + (step < 0 ? "earlier" : "later") +
                             " wallpapers are no longer in the cache"
                       : std::string("There is no ") + (step < 0 ? "earlier" : "later") +
                             " wallpaper in the history");
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
        if (wallpaper->channelId == listedChannelId_ && row < listedFiles_.size() &&
            listedFiles_[row] == image.fileName) {
            i.row = image.image;
        }
        shown.images.push_back(std::move(i));
    }
    return shown;
}

void Session::ShowDesktopImages() {
    const DesktopImages shown = DesktopNow();
    scheduler_->desktopName = shown.Name();
    observer_.DesktopImagesChanged(shown);
    if (const std::string text = scheduler_->StatusText(); settingsLoaded_ && !text.empty()) {
        observer_.SetStatus(text);
    }
}

bool Session::FetchAndLoadDirectory() {
    directoryError_.clear();
    if (!FetchChannelDirectory()) {
        directoryError_ = channels_->LastDownloadError();
        if (!std::filesystem::exists(channels_->DirectoryPath())) {
            return false;
        }
    }
    LoadChannelDirectory();
    return !channelList_.empty();
}

void Session::ChannelDirectoryUnavailable(DateTime now) {
    directoryRetry_.Failed(now);
    std::string text = "The channel directory could not be fetched";
    if (!directoryError_.empty()) {
        text += " (" + ShortenedText(directoryError_, 120) + ")";
    } else if (channels_->directory().ChannelCount() > 0) {
        text = "No channel of the directory could be fetched";
    }
    text += "; Wylo will try again in " + DelayText(directoryRetry_.delaySeconds());
    scheduler_->notice = text;
    observer_.SetStatus(text);
    observer_.SetSchedulerRunning(TimerNeeded());
}

void Session::RetryChannelDirectory(DateTime now) {
    WorkScope work(*this);
    bool listed = false;
    try {
        listed = FetchAndLoadDirectory();
    } catch (const std::exception& e) {
        // Said in the status line: a box at every retry would nag.
        directoryError_ = e.what();
    }
    if (!listed) {
        ChannelDirectoryUnavailable(now);
        return;
    }
    directoryRetry_.Succeeded();
    scheduler_->notice.clear();
    // The subscription that could not be reopened at start opens now.
    if (settings_.currentChannel != -1 && openChannel_ != settings_.currentChannel &&
        IsListed(settings_.currentChannel)) {
        Guarded([this] { Subscribe(settings_.currentChannel); });
    }
}

}  // namespace wylo
