#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Feedback.h"
#include "base/Geometry.h"
#include "base/Monitor.h"
#include "channels/ChannelSession.h"

namespace wylo {

// What the channel page shows of the channel selected in the channel list.
struct SelectedChannel {
    // A channel with a safe identifier is selected: it can be subscribed to.
    bool selectable = false;
    // Its control file was fetched and loaded: the texts below are its own.
    // Otherwise the page keeps what it showed and only the buttons follow.
    bool loaded = false;
    std::string title;
    std::string description;
    bool subscriptionRequired = false;
    // Empty: the channel names no terms, and the terms button goes.
    std::string termsUrl;
    // The fetched preview picture to show; empty when there is none to show.
    std::filesystem::path previewFile;
    // The channel names no preview: the picture goes.
    bool hidePreview = false;
};

// What the pages of the subscribed channel show.
struct SubscribedChannel {
    struct Row {
        std::string caption;
        int image = 0;
        // As tall as the thumbnail and a margin, or the default height when
        // there is no thumbnail.
        int height = 0;
    };
    std::string title;
    std::string copyright;
    // The news page's address; empty: the news tab is hidden.
    std::string news;
    std::vector<Row> rows;
    // The image whose row stays selected when a channel's rows are filled
    // again; -1 when the list opens with none.
    int selectedImage = -1;
};

// What Wylo put on the desktop and is there now: the image on each monitor
// that shows one.
struct DesktopImages {
    struct Image {
        // 0-based, in the system's monitor order.
        int monitor = 0;
        std::string title;
        // The images list's row that shows this very picture; -1 when the
        // list does not hold it (another channel, or the channel changed).
        int row = -1;
        friend bool operator==(const Image&, const Image&) = default;
    };
    std::vector<Image> images;

    // What the status text and the tray call the desktop: the titles in
    // monitor order, each once, joined by ", "; empty when nothing is known.
    std::string Name() const;
    // The monitors (0-based) that show the picture of row.
    std::vector<int> MonitorsShowing(int row) const;
    // The mark the images list shows on row: "On the desktop" when the
    // desktop shows one image, "On monitor 2" or "On monitors 1, 3" when the
    // monitors show several; empty when row is not on the desktop.
    std::string MarkText(int row) const;
    friend bool operator==(const DesktopImages&, const DesktopImages&) = default;
};

// The images list's rows whose pictures the user kept in Favourites, and
// those never to be shown again, by image index.
struct ImageMarks {
    std::vector<int> kept;
    std::vector<int> hidden;
    friend bool operator==(const ImageMarks&, const ImageMarks&) = default;
};

// The status as the tray icon's tooltip and the first item of its menu show
// it: a failure's reason can run long, and they have room for a line.
inline std::string TrayStatusText(std::string_view status) {
    constexpr std::size_t kTrayTextBytes = 120;
    return ShortenedText(status, kTrayTextBytes);
}

// How the session reaches the window. Besides the status text, the progress
// and the busy cursor, it asks the window to do its own steps of the
// start-up and to show what the session's work produced. Every call but
// RunSoon comes on the window's thread. The window runs nothing of the
// program's logic itself.
class SessionObserver : public Feedback {
public:
    // Start-up, in this order; a step that throws is reported and the next
    // one runs.
    // The Welcome page active, the subscribed channel's tabs hidden.
    virtual void ShowStartPages() {}
    // "Monitor 1" ... "Monitor <count>" for the single-screen choice; only
    // called with more than one monitor.
    virtual void FillMonitorList(int /*count*/) {}
    virtual void ArrangeSettingsPage(int /*monitorCount*/) {}
    virtual void ShowScreenMetrics(const std::vector<Monitor>& /*monitors*/, Size /*virtualSize*/) {
    }
    // The settings were read: the controls show them (and hand back what
    // they allow) and the channel list selects the subscribed channel.
    virtual void SettingsLoaded() {}
    // The image shown last: once the settings are read, and after each
    // change, so the images list keeps the image on the desktop in view.
    virtual void ShowCurrentImage(int /*image*/) {}

    // What is on the desktop now: after each change, each step through the
    // history, each refill of the images list, and once the settings are
    // read. The images list marks and selects the rows of these images.
    virtual void DesktopImagesChanged(const DesktopImages& /*shown*/) {}
    // Which rows are kept or hidden: after each refill of the images list and
    // each keep, hide or "Show Hidden Pictures Again".
    virtual void ImageMarksChanged(const ImageMarks& /*marks*/) {}
    // Whether "Previous" and "Next" have a wallpaper of the history to go to.
    virtual void HistoryChanged(bool /*canGoBack*/, bool /*canGoForward*/) {}
    // The channel whose pages are open, for the channel list to mark; -1
    // none.
    virtual void SubscribedChannelMarked(int /*channel*/) {}

    // Starts or stops the one-second schedule timer.
    virtual void SetSchedulerRunning(bool /*running*/) {}

    // The channel list was built anew; the entry of currentChannel is the
    // selected one.
    virtual void ChannelListChanged(
        const std::vector<ChannelSession::ChannelListEntry>& /*entries*/, int /*currentChannel*/) {}
    // The channel directory names a welcome page.
    virtual void ShowWelcomePage(const std::string& /*url*/) {}
    virtual void SelectedChannelChanged(const SelectedChannel& /*channel*/) {}
    // The list was refreshed: no channel's details are shown.
    virtual void ClearSelectedChannel() {}

    // The subscribed channel's pages, refilled.
    virtual void SubscribedChannelChanged(const SubscribedChannel& /*channel*/) {}
    // Thumbnails of rows of the images list arrived: those rows (by their
    // place in the list) take their new heights and are painted again.
    virtual void SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& /*rows*/) {}
    // A subscription worked: the news page, or the images page when the
    // channel has no news, comes up.
    virtual void SubscriptionOpened(bool /*hasNews*/) {}
    // A subscription failed: the channel list comes back, the subscribed
    // channel's tabs go, and message is shown in a box captioned "Error".
    virtual void SubscriptionFailed(const std::string& /*message*/) {}

    // How many bytes the cache holds, measured beside the window: when the
    // window asked (MeasureCache) and after each clean-up of the cache.
    virtual void CacheMeasured(std::uintmax_t /*bytes*/) {}

    // An error that ended a piece of work, for the program's default error box.
    virtual void ShowError(const std::string& /*message*/) {}
    // The settings could not be saved as the program ends. Nothing may wait
    // for the user here: a logout waits for the program. By default the
    // message goes to the standard error stream.
    virtual void ShowExitProblem(const std::string& message);

    // Runs work on the window's thread once the event being handled has
    // ended, in the order asked. Called from any thread.
    virtual void RunSoon(std::function<void()> work) = 0;
};

}  // namespace wylo
