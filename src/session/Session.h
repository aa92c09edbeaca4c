#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/CommandLine.h"
#include "base/DateTime.h"
#include "channels/HttpClient.h"
#include "channels/OwnChannels.h"
#include "schedule/ScheduleTick.h"
#include "session/HiddenPictures.h"
#include "session/RetryBackoff.h"
#include "session/SessionObserver.h"
#include "session/Thumbnails.h"
#include "session/WallpaperHistory.h"
#include "session/WorkerThread.h"
#include "settings/Settings.h"

namespace wylo {

class Clock;
class Platform;

// The program itself, without a window: it owns the settings, the channels,
// the schedule and the wallpaper history, and runs the start-up, the channel
// list, the subscription, the schedule's tick, "Change Now", the hand-picked
// image, the steps through the history, saving and closing. A window binds
// its controls to it and shows what it reports through the observer.
//
// Every call is made on the window's thread and returns at once. Whatever is
// slow (the network, decoding, composing, writing, installing) runs as a job
// on a thread beside the window, one job after another in the order asked
// for; a job works on its own copy of what it needs, and its result comes
// back to the window's thread through the observer's RunSoon, where only the
// session's own state changes.
class Session {
public:
    // Everything passed in must outlive the session. directoryUrl is where the
    // channel directory is fetched from; limits bound the transfers.
    Session(Platform& platform, const Clock& clock, std::string directoryUrl,
            SessionObserver& observer, HttpLimits limits = {});
    // Cancels the work and waits for the job that runs; saves nothing.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The start-up sequence, run once: the app folder, the history, the
    // window's own steps and the settings at once; then, beside the window,
    // the channel directory and list, the subscribed channel and a change
    // that is due. A step that fails is reported and the next one runs.
    void Start();

    // The user's settings. The window writes the user's changes here as they
    // are made; a job takes a copy when it begins.
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    // Writes the settings file beside the window, from the settings as they
    // are now; a failure is shown as an error ("Unable to write to <path>").
    void SaveSettings();

    // "Start Wylo when I log in" is kept by the system, not in the settings
    // file: whether the entry is there now, and the user's change, made at
    // once. A change the system refuses is shown as an error; the result is
    // what the system holds afterwards.
    bool StartsAtLogin() const;
    bool SetStartAtLogin(bool start);

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

    // The user's own channels, listed after the directory's: added by their
    // address (a photo feed or a channel's control file) or as a folder of
    // photos, kept in a file of their own in the app folder. A fresh start
    // lists the computer's own picture folders.
    const std::vector<OwnChannel>& ownChannels() const { return own_; }
    // Adds one and selects it in the list (an address or folder already
    // there is selected again). False, with the reason shown as an error,
    // for an address that is not http or https or a folder that is not one.
    bool AddOwnChannel(OwnChannel::Kind kind, const std::string& source);
    // Removes the own channel at list index. False, with the reason shown,
    // for the subscribed channel and for the directory's channels.
    bool RemoveOwnChannel(int index);
    // Where the own channels are kept.
    std::filesystem::path OwnChannelsPath() const;
    // The channels listed, in the list's order.
    const std::vector<ChannelSession::ChannelListEntry>& channelList() const {
        return channelList_;
    }

    // "Different Image On Each Screen" lets each monitor show a channel of
    // its own. The channel monitor shows, as its index in the directory or
    // among the own channels; -1 for the subscribed channel, also when the
    // one chosen is not listed now.
    int MonitorChannel(int monitor) const;
    // The user's choice for monitor (-1: the subscribed channel), written
    // into the settings at once; the next change shows it.
    void SetMonitorChannel(int monitor, int channel);

    // The one-second tick: shows the next change time, and starts a change
    // that is due or a retry of the channel directory.
    void Tick(DateTime now);
    // "Change Now": a change starts at once, or right after the one that
    // runs; asking again while one waits adds nothing. While the schedule is
    // off it waits until it is on again.
    void ChangeNow();
    // A "Change Now" waits for its turn or for the schedule.
    bool changeAsked() const { return changeAsked_; }
    // The scheduler's check box.
    void SetSchedulerEnabled(bool enabled);
    bool SchedulerRuns() const { return settingsLoaded_ && settings_.enableScheduler; }

    // The user picked the picture of image row in the images list: it goes on
    // the desktop after the work asked for before, and the settings are
    // saved. The picture is named now, so a list refilled meanwhile cannot
    // swap in another; -1 (no row) takes the next image by the rotation.
    void PickImage(int row);

    // "Previous" and "Next": put the wallpaper before or after the current
    // one in the history back on the desktop, from the cache. The schedule
    // is not disturbed: the next change is due when it was, and the rotation
    // goes on from where the schedule left it. A wallpaper whose pictures
    // have left the cache is passed over.
    void GoBack();
    void GoForward();
    const WallpaperHistory& history() const { return history_; }

    // A command a later start of Wylo handed on ("wylo --next"): does what
    // the button of the same name does. False when that button would do
    // nothing now (no channel subscribed, nothing before or after in the
    // history, the window closing) and for what the window carries out
    // itself (showing it, quitting).
    bool TakeCommand(RemoteCommand command);

    // "Never Show This Picture Again": the pictures on the desktop now are
    // hidden for good (no change, pick or step through the history shows
    // them again), leave the cache, and the next picture goes up at once.
    // False when no picture Wylo put on the desktop is known.
    bool NeverShowAgain();
    // "Keep This Picture": the pictures on the desktop now are copied into
    // the Favourites folder in the app folder, a channel of the user's own
    // that no clean-up of the cache touches. False when no picture Wylo put
    // on the desktop is known.
    bool KeepPicture();
    // Where the kept pictures go.
    std::filesystem::path FavouritesFolder() const;
    // The images list's context menu: the same for the subscribed channel's
    // image, on the desktop or not. A picture not yet in the cache is
    // fetched to be kept; hiding the picture on the desktop puts the next
    // one up. False when the list has no such image or the window closes.
    bool KeepImage(int image);
    bool NeverShowImageAgain(int image);
    // What the images list marks now.
    ImageMarks ImageMarksNow() const;

    // Measures how much the cache holds beside the window, after the work
    // asked for before; the observer's CacheMeasured tells the result.
    void MeasureCache();

    // How many pictures are hidden, and showing them all again.
    std::size_t hiddenCount() const { return hidden_.size(); }
    void ShowHiddenPicturesAgain();
    // What is on the desktop now, as the window marks it.
    DesktopImages DesktopNow() const;

    // While the channel directory could not be had at start, the tick fetches
    // it again with growing pauses until the host answers.
    const RetryBackoff& directoryRetry() const { return directoryRetry_; }
    // A scheduled change that put nothing on the desktop is tried again
    // with the same growing pauses, not at every tick.
    const RetryBackoff& changeRetry() const { return changeRetry_; }
    // The one-second timer is needed: for the schedule, or for a retry.
    bool TimerNeeded() const {
        return SchedulerRuns() || (settingsLoaded_ && directoryRetry_.pending());
    }

    // The window goes, at once: the work asked for is dropped, the job that
    // runs is cancelled, the settings are saved (a failure is reported
    // through ShowExitProblem, which holds nothing up) and the worker is
    // given a moment to end. False when the job still ran then: it is left
    // behind, and the program should end without running more of its own
    // code. Runs once.
    bool Finish();

    // Work runs or waits, or the settings are being written.
    bool busy() const { return running_ || !pending_.empty() || saving_ > 0; }

    // State the pages show.
    const std::string& termsUrl() const { return termsUrl_; }
    const std::string& previewUrl() const { return previewUrl_; }
    // The channel whose details were fetched last.
    const std::string& selectedChannelId() const { return selectedChannelId_; }
    int maxThumbWidth() const { return maxThumbWidth_; }
    // The images list's pictures: where the thumbnail of image is kept (empty
    // when it has none), and the picture of a thumbnail file.
    std::filesystem::path ThumbnailPath(int image) const;
    // The images list is about to paint image's row without a thumbnail:
    // the thumbnails of that row and of a bounded number after it are
    // fetched beside the window, once, and SubscribedRowsMeasured tells the
    // rows that got one.
    void ThumbnailWanted(int image);
    std::optional<ThumbnailPicture> ThumbnailBitmap(const std::filesystem::path& thumbnail);
    void ReleaseThumbnails() { thumbnails_.Release(); }

private:
    struct Backstage;
    struct Mailbox;
    struct ChannelPages;
    struct DirectoryOutcome;
    struct SelectOutcome;
    struct ChangeOutcome;
    // What runs on the window's thread once a job has ended.
    using Finisher = std::function<void()>;
    // A job: runs beside the window on the backstage and returns its finisher.
    using Job = std::function<Finisher(Backstage&)>;
    enum class Kind {
        Directory,
        Select,
        Subscribe,
        Change,
        Pick,
        Step,
        Rows,
        Thumbnails,
        Forget,
        Prune,
        Measure,
        Own,
        Keep
    };
    // Work asked for. Its job is made when its turn comes, so it starts from
    // what the work before it left; an empty job means nothing is left to do.
    struct Request {
        Kind kind;
        std::function<Job()> begin;
    };
    enum class DirectoryReason { Start, Refresh, Retry };

    void Enqueue(Request request);
    void StartNext();
    bool Pending(Kind kind) const;
    bool Running(Kind kind) const { return running_ && runningKind_ == kind; }

    void LoadSettings();
    Request DirectoryRequest(DirectoryReason reason);
    // At start: the directory and the subscribed channel's control file, and
    // the subscription opened from them, before the rest of the list.
    Request SubscribedFirstRequest();
    void DirectoryFinished(DirectoryReason reason, DirectoryOutcome outcome);
    void ShowSelected(const SelectOutcome& outcome);
    // reopened: the subscription of an earlier run, opened again.
    Request SubscribeRequest(int index, bool fetchThumbnails, bool reopened);
    // Opens the subscribed channel once the list holds it, the change that
    // is due first when there is one.
    void ReopenSubscription();
    // Opens the subscribed channel, the change that is due first; listed:
    // the channel list is there, else the rows' thumbnails wait for it.
    void OpenSubscription(bool listed);
    // selectedImage: the row kept selected when the rows are filled again.
    void ShowPages(ChannelPages pages, int selectedImage = -1);
    Request ChangeRequest();
    Request PickRequest(int row);
    Request StepRequest(int step);
    Request RowsRequest();
    Request ThumbnailsRequest();
    // Starts the change the schedule or "Change Now" asks for, unless one
    // runs or waits.
    void StartDueChange(DateTime now);
    // A change is over: when it reached the desktop, the current image, the
    // last change and the history move.
    void ChangeFinished(const ChangeOutcome& outcome, DateTime changeTime);
    // Tells what a change, a pick or a step put on the desktop, or why it
    // put nothing there.
    void ChangeShown(const ChangeOutcome& outcome);
    bool IsListed(int channel) const;
    // The list holds a channel of the directory, not only the user's own.
    bool DirectoryListed() const;

    // The history: read at start, a new entry after each change, a step.
    void LoadHistory();
    // The hidden pictures: read at start, written at every change of them,
    // and handed to the work beside the window.
    void LoadHidden();
    // The own channels: read at start (the computer's picture folders on a
    // first start), written at every change of them, and handed to the work
    // beside the window; the subscription to one of them found by address.
    void LoadOwnChannels();
    void SaveOwnChannels();
    void PublishOwnChannels();
    // How the settings name the listed channel at index: a directory
    // channel's id, an own channel's address or folder; empty when none is
    // listed there.
    std::string ListedChannelKey(int channel) const;
    // The list's own entries made again from the own channels.
    void RelistOwnChannels(int selected);
    void SaveHidden();
    void PublishHidden();
    // Hides the channel's pictures of these names and lets them leave the
    // cache; changeNow puts the next picture up.
    bool Hide(const std::string& channelId, const std::vector<std::string>& names, bool changeNow);
    // A picture to copy into Favourites: by its name in the cache, and the
    // image to fetch it as when the cache lacks it (-1: none).
    struct KeptPicture {
        std::string fileName;
        std::string title;
        int image = -1;
    };
    void Keep(const std::string& channelId, std::vector<KeptPicture> pictures);
    void LoadKept();
    // The folder channel of the kept pictures, as listed once the first is kept.
    OwnChannel FavouritesChannel() const;
    void ShowImageMarks();
    // Keeps the cache within its limit beside the window, once the work
    // asked for before is done; the pictures of the last few wallpapers stay.
    void PruneCacheSoon();
    void RecordChange(PastWallpaper wallpaper);
    void SaveHistory();
    void NotifyHistory();
    // Tells the window and the status text what is on the desktop now.
    void ShowDesktopImages();
    void ChannelDirectoryUnavailable(DateTime now);
    // Runs one step of a sequence; an error it throws is reported.
    template <typename Step>
    void Guarded(Step&& step);

    Platform& platform_;
    const Clock& clock_;
    SessionObserver& observer_;
    Settings settings_;
    Scheduler scheduler_{platform_, settings_};
    ThumbnailCache thumbnails_;

    std::shared_ptr<Mailbox> mailbox_;
    // Alive as long as the session: a result posted for a session that has
    // gone is dropped.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    std::shared_ptr<Backstage> backstage_;
    std::deque<Request> pending_;
    bool running_ = false;
    Kind runningKind_ = Kind::Directory;
    WorkerThread worker_;
    // Writes the settings file, so a save never waits behind a download.
    WorkerThread saver_;
    int saving_ = 0;

    std::vector<ChannelSession::ChannelListEntry> channelList_;
    // The ids of the directory's channels in the list, by index.
    std::map<int, std::string> directoryIds_;
    std::string termsUrl_;
    std::string previewUrl_;
    std::string selectedChannelId_;
    int maxThumbWidth_ = 0;
    int singleMonitorEntries_ = 0;
    bool settingsLoaded_ = false;
    bool finished_ = false;
    bool workStopped_ = true;
    // A close was asked for: no more work, no more message boxes.
    bool closing_ = false;
    bool changeAsked_ = false;
    // The subscribed channel's thumbnails wait to be checked over the network
    // after the change due at start.
    bool rowsPending_ = false;

    WallpaperHistory history_;
    HiddenPictures hidden_;
    // The names of the pictures in the Favourites folder, to mark the rows
    // of the pictures kept there.
    std::set<std::string, std::less<>> kept_;
    std::vector<OwnChannel> own_;
    // The desktop shows the history's current wallpaper; false after a
    // change that could draw no image.
    bool desktopFromHistory_ = false;
    RetryBackoff directoryRetry_;
    RetryBackoff changeRetry_;
    std::string directoryError_;
    int directoryChannelCount_ = 0;
    std::string listProblem_;
    // The channel whose pages are open; -1 none.
    int openChannel_ = -1;
    // The channel, and the picture and thumbnail of each row of the images
    // list, so a pick names its picture and a wallpaper of the history is
    // marked only on the row of its own picture.
    std::string listedChannelId_;
    struct ListedRow {
        std::string fileName;
        std::filesystem::path thumbnail;
    };
    std::vector<ListedRow> listedRows_;
    // Rows whose thumbnail was fetched, or is to be: each is asked for once
    // per filling of the list.
    std::vector<bool> thumbnailAsked_;
    // The first row of the thumbnails to fetch next; -1 none.
    int thumbnailsWanted_ = -1;
};

}  // namespace wylo
