#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "channels/ChannelSession.h"
#include "session/RetryBackoff.h"
#include "session/SessionObserver.h"
#include "session/Thumbnails.h"
#include "session/WallpaperHistory.h"
#include "settings/Settings.h"

namespace wylo {

class Clock;
class DesktopChange;
class HttpClient;
class Platform;
class Scheduler;
class SessionChannelSource;

// The program itself, without a window: it owns the settings, the HTTP
// client, the channels, the desktop change and the scheduler, and runs the
// start-up, the channel list, the subscription, the schedule's tick, "Change
// Now", the hand-picked image, saving and closing. A window binds its
// controls to it and shows what it reports through the observer.
//
// All work runs on one thread. While work runs, the observer may let paint
// and timer events through, so calls can arrive in the middle of it; none
// nests: a tick is skipped, a hand-picked image is put on the desktop after
// the work, and a close waits for it.
class Session {
public:
    // Everything passed in must outlive the session. directoryUrl is where the
    // channel directory is fetched from.
    Session(Platform& platform, const Clock& clock, std::string directoryUrl,
            SessionObserver& observer);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The start-up sequence, run once: the app folder, the window's own
    // steps, the channel directory and list, and the settings (which may
    // reopen the subscribed channel). A step that fails is reported and the
    // next one runs.
    void Start();

    // The user's settings. The window writes the user's changes here as they
    // are made.
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    void LoadSettings();
    // Throws Error("Unable to write to <path>") when the file cannot be written.
    void SaveSettings();

    // Channel directory and list.
    bool FetchChannelDirectory();
    // Builds the channel list from the local copy of the directory; false
    // when there is none. Throws Error when it does not parse.
    bool LoadChannelDirectory();
    // The channel at index in the directory was chosen in the list: fetches
    // and shows its details.
    void SelectChannel(int index);
    // Fetches the directory again and rebuilds the list.
    void RefreshChannelList();
    // Opens the selected channel's terms, or any http(s) address a page asks
    // for, in the user's browser.
    void OpenTerms();
    void OpenUrl(const std::string& url);

    // Subscribes to the channel at index in the directory and shows its pages.
    void Subscribe(int index);
    // Refills the subscribed channel's pages from the loaded control file.
    void ShowSubscribedChannel();

    // The schedule's one-second tick.
    void Tick(DateTime now);
    // "Change Now": the next tick changes the desktop.
    void ChangeNow();
    bool forceChange() const;
    // The scheduler's check box; no tick runs before the settings are read.
    void SetSchedulerEnabled(bool enabled);
    bool SchedulerRuns() const { return settingsLoaded_ && settings_.enableScheduler; }

    // The user picked image row: puts it on the desktop now, or after the
    // work that runs, and saves the settings.
    void PickImage(int row);

    // "Previous" and "Next": put the wallpaper before or after the current
    // one in the history back on the desktop, from the cache. The schedule
    // is not disturbed: the next change is due when it was, and the rotation
    // goes on from where the schedule left it. A wallpaper whose pictures
    // have left the cache is passed over.
    void GoBack();
    void GoForward();
    const WallpaperHistory& history() const { return history_; }
    // What is on the desktop now, as the window marks it.
    DesktopImages DesktopNow() const;

    // While the channel directory could not be had at start, the tick fetches
    // it again with growing pauses until the host answers.
    const RetryBackoff& directoryRetry() const { return directoryRetry_; }
    // The one-second timer is needed: for the schedule, or for a retry.
    bool TimerNeeded() const {
        return SchedulerRuns() || (settingsLoaded_ && directoryRetry_.pending());
    }

    // True when the window may close now; false while work runs, in which
    // case the observer's CloseNow comes once it has ended.
    bool RequestClose();
    // The window goes: saves the settings (an error is reported). Runs once.
    void Finish();

    // State the pages show.
    bool isWorking() const { return workDepth_ > 0; }
    const std::string& termsUrl() const { return termsUrl_; }
    const std::string& previewUrl() const { return previewUrl_; }
    int maxThumbWidth() const { return maxThumbWidth_; }
    // The images list's pictures: where image's thumbnail is kept (empty when
    // it has none), and the picture of a thumbnail file.
    std::filesystem::path ThumbnailPath(int image) const;
    std::optional<ThumbnailPicture> ThumbnailBitmap(const std::filesystem::path& thumbnail);
    void ReleaseThumbnails() { thumbnails_.Release(); }

    ChannelSession& channels() { return *channels_; }
    DesktopChange& desktopChange() { return *change_; }

    // Marks work in progress for its lifetime; the last one out runs what was
    // asked for meanwhile.
    class WorkScope {
    public:
        explicit WorkScope(Session& session) : session_(session) { ++session_.workDepth_; }
        ~WorkScope() {
            if (--session_.workDepth_ == 0) {
                session_.AfterWork();
            }
        }
        WorkScope(const WorkScope&) = delete;
        WorkScope& operator=(const WorkScope&) = delete;

    private:
        Session& session_;
    };

private:
    void PutImageOnDesktop(int row);
    void AfterWork();
    // The history: read at start, a new entry after each change, a step.
    void LoadHistory();
    void RecordChange();
    void SaveHistory();
    void NotifyHistory();
    void StepThroughHistory(int step);
    // Tells the window and the status text what is on the desktop now.
    void ShowDesktopImages();
    // Fetches the directory and builds the list; false when no list came of it.
    bool FetchAndLoadDirectory();
    void ChannelDirectoryUnavailable(DateTime now);
    void RetryChannelDirectory(DateTime now);
    // Runs one step of a sequence; an error it throws is reported.
    template <typename Step>
    void Guarded(Step&& step);
    bool IsListed(int channel) const;

    Platform& platform_;
    const Clock& clock_;
    SessionObserver& observer_;
    Settings settings_;
    std::unique_ptr<HttpClient> http_;
    std::unique_ptr<ChannelSession> channels_;
    std::unique_ptr<SessionChannelSource> source_;
    std::unique_ptr<DesktopChange> change_;
    std::unique_ptr<Scheduler> scheduler_;
    ThumbnailCache thumbnails_;

    std::vector<ChannelSession::ChannelListEntry> channelList_;
    std::string termsUrl_;
    std::string previewUrl_;
    int maxThumbWidth_ = 0;
    int singleMonitorEntries_ = 0;
    int workDepth_ = 0;
    bool settingsLoaded_ = false;
    bool finished_ = false;
    bool pendingClose_ = false;
    std::optional<int> pendingPick_;

    WallpaperHistory history_;
    // The desktop shows the history's current wallpaper; false after a
    // change that could draw no image.
    bool desktopFromHistory_ = false;
    RetryBackoff directoryRetry_;
    std::string directoryError_;
    // The channel whose pages are open; -1 none.
    int openChannel_ = -1;
    // The channel and the file name of each row of the images list, so a
    // wallpaper of the history is marked only on the row of its own picture.
    std::string listedChannelId_;
    std::vector<std::string> listedFiles_;
};

}  // namespace wylo
