#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "settings/Settings.h"

class QFrame;
class QLabel;
class QProgressBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace wylo {
class ChannelSession;
class Clock;
class DesktopChange;
class HttpClient;
class Platform;
class Scheduler;
class SessionChannelSource;
}  // namespace wylo

namespace wylo::app {

class AppFeedback;
class ChannelsPage;
class ImagesPage;
class NewsPage;
class SettingsPage;
class TrayIcon;
class WelcomePage;

// The main window: five pages, a status bar with the "Change Now" button and
// the download progress, and the icon in the notification area. It binds the
// core's channel, schedule and settings logic to the controls.
//
// All work runs on the one thread. Work that downloads lets paint and timer
// events run but holds user input back until it ends; a schedule tick that
// finds other work running is skipped, and a close asked for meanwhile
// (the close button, a signal, the session's end) waits for the work to end.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    // platform and clock must outlive the window. directoryUrl is where the
    // channel directory is fetched from.
    TFormMain(Platform& platform, const Clock& clock, std::string directoryUrl,
              QWidget* parent = nullptr);
    ~TFormMain() override;

    // The start-up sequence; run once, right after construction. A step that
    // fails shows its error and the next steps still run.
    void FormCreate();
    // Saves the settings; runs once, when the window closes (or goes).
    void FormDestroy();

    // Shows text in the status line, the tray hint and the tray menu's first
    // item, and lets the window repaint.
    void SetStatus(const QString& text);

    // Settings file.
    void LoadSettings();
    void SaveSettings();

    // Channel list and welcome pages.
    bool FetchChannelDirectory();
    bool LoadChannelDirectory();
    void cbProvidersChange();
    void sbRefreshClick();
    void sbTermsClick();
    // Opens an http or https address in the user's browser; anything else is
    // ignored.
    void ShellOpen(const QString& target);

    // Subscription and the subscribed channel's pages.
    void ShowSubscribedChannel();
    void sbSubscribeClick();

    // Schedule.
    void tScheduleTimer();
    void sbChangeNowClick();
    void cbEnableSchedulerClick();
    void cbScheduleTypeChange(int index);
    void ChangeDesktop(int index);

    // Images list: puts the selected image on the desktop.
    void lbImagesDblClick();

    // Settings page.
    void ArrangeSettingsPage();
    void ShowScreenMetrics();
    void tsSettingsHide();

    void Exit2Click();

    // State.
    Settings& settings() { return settings_; }
    std::int32_t CurrentChannel() const { return settings_.currentChannel; }
    bool ForceChange() const;
    int MaxThumbWidth() const;
    QString SelectedChannelId() const;
    QString TermsUrl() const { return termsUrl_; }
    QString PreviewUrl() const { return previewUrl_; }
    ChannelSession& session() { return *session_; }
    DesktopChange& desktopChange() { return *change_; }
    // True while work that downloads or changes the desktop runs.
    bool isWorking() const { return workDepth_ > 0; }

    // Pages and controls.
    QTabWidget* PageControl1;
    WelcomePage* tsWelcome;
    ChannelsPage* tsChannels;
    NewsPage* tsChannelNews;
    ImagesPage* tsCurrentChannel;
    SettingsPage* tsSettings;
    QFrame* Panel2;
    QToolButton* sbChangeNow;
    QLabel* lStatus;
    QProgressBar* pbHTTPProgress;
    QTimer* tSchedule;
    TrayIcon* tray;

    // Shows or hides the tab of a page.
    void setPageTabVisible(QWidget* page, bool visible);
    bool isPageTabVisible(QWidget* page) const;

signals:
    // The window has closed and saved; the program can end.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class WorkScope;

    void BuildWindow();
    void BindControls();
    void FillMonitorList();
    void HideToTray();
    void RestoreFromTray();
    void AfterWork();
    void PutImageOnDesktop(int row);
    // Reads the user's settings from the controls into settings_.
    void SyncSettingsFromControls();
    void ApplySettingsToControls();
    void FailSubscription(const QString& message);

    Platform& platform_;
    const Clock& clock_;
    Settings settings_;
    std::unique_ptr<AppFeedback> feedback_;
    std::unique_ptr<HttpClient> http_;
    std::unique_ptr<ChannelSession> session_;
    std::unique_ptr<SessionChannelSource> source_;
    std::unique_ptr<DesktopChange> change_;
    std::unique_ptr<Scheduler> scheduler_;

    QString termsUrl_;
    QString previewUrl_;
    QWidget* lastPage_ = nullptr;
    int workDepth_ = 0;
    bool syncBlocked_ = false;
    bool settingsLoaded_ = false;
    bool destroyed_ = false;
    bool pendingClose_ = false;
    bool hasPendingPick_ = false;
    int pendingPick_ = -1;
};

// Marks work in progress for its lifetime.
class WorkScope {
public:
    explicit WorkScope(TFormMain& form) : form_(form) { ++form_.workDepth_; }
    ~WorkScope();
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    TFormMain& form_;
};

}  // namespace wylo::app
