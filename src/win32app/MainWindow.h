#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "session/Session.h"
#include "win32app/ChannelsPage.h"
#include "win32app/Controls.h"
#include "win32app/SettingsPage.h"
#include "win32app/StatusBar.h"
#include "win32app/SubscribedPages.h"
#include "win32app/TrayIcon.h"

struct _IMAGELIST;

namespace wylo {
class Clock;
class Platform;
}  // namespace wylo

namespace wylo::win {

// The main window "Wylo": five pages in a tab control, a status bar with the
// "Change Now" button and the download progress, and the icon in the
// notification area. It binds the controls to the session, which runs the
// program, and shows what the session reports. The session's slow work runs
// beside the window; its results arrive as posted messages, so the window
// answers at any time and runs no message loop of its own.
class MainWindow : private SessionObserver {
public:
    enum class Page { Welcome, Channels, News, Images, Settings };
    static constexpr UINT_PTR kScheduleTimerId = 1;
    static constexpr UINT kScheduleIntervalMs = 1000;
    // Work posted from the session waits; the handler runs it.
    static constexpr UINT kRunSoonMessage = WM_APP + 2;

    // platform and clock must outlive the window. directoryUrl is where the
    // channel directory is fetched from. The window is created hidden.
    MainWindow(Platform& platform, const Clock& clock, std::string directoryUrl);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The start-up sequence; run once, right after the window is shown.
    void FormCreate();
    // Closing the window ends the message loop.
    void SetQuitOnClose(bool quit) { quitOnClose_ = quit; }
    // The window has closed while a job still ran: the program should end
    // at once, without waiting for it or running more of its own code.
    bool workLeftBehind() const { return workLeftBehind_; }
    // The window's keyboard handling for a message about to be dispatched:
    // Alt+X and moving between controls with Tab; true when it was used.
    bool PreTranslateMessage(MSG& message);
    // Runs the work posted with RunSoon so far, as the message loop would.
    void RunPendingWork();
    // Work posted with RunSoon waits to run.
    bool HasPendingWork() const;

    Session& session() { return *session_; }
    // A command a later start of Wylo handed on: brings the window forward,
    // closes it, or does what the button of the same name does. True when
    // it was taken.
    bool TakeCommand(RemoteCommand command);

    // Pages and their tabs.
    bool IsPageTabVisible(Page page) const;
    void SetPageTabVisible(Page page, bool visible);
    Page ActivePage() const { return active_; }
    void SetActivePage(Page page);
    // The user turned to the page at a tab position.
    void SelectTab(int position);
    // The caption shown at a tab position.
    std::wstring TabCaption(int position) const;
    int TabCount() const;

    bool timerRunning() const { return timerRunning_; }
    // The pointer over the window shows that work goes on in the background.
    bool showsWorking() const { return showsWorking_; }

    HWND PageControl1 = nullptr;
    std::unique_ptr<WelcomePage> tsWelcome;
    std::unique_ptr<ChannelsPage> tsChannels;
    std::unique_ptr<NewsPage> tsChannelNews;
    std::unique_ptr<ImagesPage> tsCurrentChannel;
    std::unique_ptr<SettingsPage> tsSettings;
    std::unique_ptr<StatusBar> Panel2;
    std::unique_ptr<TrayIcon> tray;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Build();
    void BindControls();
    void Layout();
    void ApplyDpi(UINT dpi);
    void RebuildTabs();
    Panel* PagePanel(Page page) const;
    void OnResize(WPARAM kind, int width, int height);
    void OnTrayMessage(LPARAM event);
    void OnClose();
    void FormDestroy();
    void HideToTray();
    void RestoreFromTray();
    // Runs a request to the session; an error it throws is shown, and the
    // pointer follows whether work now runs.
    template <typename Request>
    void Ask(Request&& request);
    void FollowBusy();
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void tsSettingsHide();
    void cbEnableSchedulerClick();

    // Feedback and what the session reports.
    void SetStatus(const std::string& text) override;
    void BusyBegin() override;
    void BusyEnd() override;
    void TransferBegin(std::int64_t expected) override;
    void TransferWork(std::int64_t count) override;
    void TransferEnd() override;
    void RunSoon(std::function<void()> work) override;
    void ShowStartPages() override;
    void FillMonitorList(int count) override;
    void ArrangeSettingsPage(int monitorCount) override;
    void ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualSize) override;
    void SettingsLoaded() override;
    void ShowCurrentImage(int image) override;
    void SetSchedulerRunning(bool running) override;
    void ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                            int currentChannel) override;
    void ShowWelcomePage(const std::string& url) override;
    void SelectedChannelChanged(const SelectedChannel& channel) override;
    void ClearSelectedChannel() override;
    void SubscribedChannelChanged(const SubscribedChannel& channel) override;
    void SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& rows) override;
    void SubscribedChannelMarked(int channel) override;
    void SubscriptionOpened(bool hasNews) override;
    void SubscriptionFailed(const std::string& message) override;
    void ShowError(const std::string& message) override;
    void CacheMeasured(std::uintmax_t bytes) override;
    void ShowExitProblem(const std::string& message) override;
    void HistoryChanged(bool canGoBack, bool canGoForward) override;
    void DesktopImagesChanged(const DesktopImages& shown) override;
    void ImageMarksChanged(const ImageMarks& marks) override;

    Platform& platform_;
    const Clock& clock_;
    std::string directoryUrl_;
    HWND hwnd_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    ::_IMAGELIST* tabPictures_ = nullptr;
    HACCEL accelerators_ = nullptr;
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<Session> session_;
    // The settings page's controls on the session's settings.
    std::unique_ptr<SettingsBinding> binding_;
    // Where RunSoon posts, set before the session exists; RunSoon reads it
    // from the worker's thread.
    HWND postTo_ = nullptr;
    mutable std::mutex pendingMutex_;
    std::deque<std::function<void()>> pending_;
    bool visible_[5] = {true, true, true, true, true};
    Page active_ = Page::Welcome;
    SIZE lastSize_ = {-1, -1};
    bool dpiChanging_ = false;
    bool timerRunning_ = false;
    int busyDepth_ = 0;
    bool showsWorking_ = false;
    bool destroyed_ = false;
    bool quitOnClose_ = false;
    bool workLeftBehind_ = false;
};

}  // namespace wylo::win
