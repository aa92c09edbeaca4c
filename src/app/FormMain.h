#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "app/AppFeedback.h"
#include "session/Session.h"
#include "settings/Settings.h"

class QFrame;
class QLabel;
class QProgressBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace wylo {
class Clock;
class Platform;
}  // namespace wylo

namespace wylo::app {

class ChannelsPage;
class ImagesPage;
class NewsPage;
class SettingsBinding;
class SettingsPage;
class TrayIcon;
class WelcomePage;

// The main window: five pages, a status bar with the "Change Now" button and
// the download progress, and the icon in the notification area. It binds the
// controls to the session, which runs the program, and shows what the
// session reports.
class TFormMain : public QWidget, private AppFeedback {
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
    // Cancels the work and saves the settings; runs once, when the window
    // closes (or goes).
    void FormDestroy();

    // Shows text in the status line, the tray hint and the tray menu's first
    // item, and lets the window repaint.
    void SetStatus(const QString& text);
    void SaveSettings();

    // Handlers of the controls.
    void cbProvidersChange();
    void sbRefreshClick();
    void AddAddressClick();
    void AddFolderClick();
    void sbRemoveClick();
    // "Remove" is offered for the user's own channels only.
    void ShowRemoveButton();
    void sbTermsClick();
    // Opens an http or https address in the user's browser; anything else is
    // ignored.
    void ShellOpen(const QString& target);
    void sbSubscribeClick();
    void tScheduleTimer();
    void sbChangeNowClick();
    // "Previous" and "Next", in the status bar and the tray menu.
    void sbPreviousClick();
    void sbNextClick();
    void cbEnableSchedulerClick();
    void cbScheduleTypeChange(int index);
    // Images list: puts the selected image on the desktop.
    void lbImagesDblClick();
    void tsSettingsHide();
    // Shows again what the system keeps (start at login): the user may have
    // changed it by other means while the page was away.
    void tsSettingsShow();
    void Exit2Click();
    // A command a later start of Wylo handed on: brings the window forward,
    // ends the program, or does what the button of the same name does. True
    // when it was taken.
    bool TakeCommand(RemoteCommand command);

    // State.
    Session& session() { return *session_; }
    Settings& settings() { return session_->settings(); }
    std::int32_t CurrentChannel() const { return session_->settings().currentChannel; }
    bool ForceChange() const { return session_->changeAsked(); }
    int MaxThumbWidth() const { return session_->maxThumbWidth(); }
    QString SelectedChannelId() const { return Q(session_->selectedChannelId()); }
    QString TermsUrl() const { return Q(session_->termsUrl()); }
    QString PreviewUrl() const { return Q(session_->previewUrl()); }
    bool isWorking() const { return session_->busy(); }
    // False when the close left work running that would not end: the
    // program should end without running more of its own code.
    bool workEnded() const { return workEnded_; }

    // Pages and controls.
    QTabWidget* PageControl1;
    WelcomePage* tsWelcome;
    ChannelsPage* tsChannels;
    NewsPage* tsChannelNews;
    ImagesPage* tsCurrentChannel;
    SettingsPage* tsSettings;
    QFrame* Panel2;
    QToolButton* sbChangeNow;
    QToolButton* sbPrevious;
    QToolButton* sbNext;
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
    static QString Q(const std::string& text) { return QString::fromStdString(text); }

    // What the session reports besides the feedback.
    void ShowStartPages() override;
    void FillMonitorList(int count) override;
    void ArrangeSettingsPage(int monitorCount) override;
    void ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualSize) override;
    void SettingsLoaded() override;
    void ShowCurrentImage(int image) override;
    void DesktopImagesChanged(const DesktopImages& shown) override;
    void ImageMarksChanged(const ImageMarks& marks) override;
    void HistoryChanged(bool canGoBack, bool canGoForward) override;
    void SubscribedChannelMarked(int channel) override;
    void SetSchedulerRunning(bool running) override;
    void ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                            int currentChannel) override;
    void ShowWelcomePage(const std::string& url) override;
    void SelectedChannelChanged(const SelectedChannel& channel) override;
    void ClearSelectedChannel() override;
    void SubscribedChannelChanged(const SubscribedChannel& channel) override;
    void SubscribedRowsMeasured(const std::vector<SubscribedChannel::Row>& rows) override;
    void SubscriptionOpened(bool hasNews) override;
    void SubscriptionFailed(const std::string& message) override;
    void CacheMeasured(std::uintmax_t bytes) override;
    void ShowError(const std::string& message) override;

    void BuildWindow();
    void BindControls();
    void HideToTray();
    void RestoreFromTray();

    Platform& platform_;
    const Clock& clock_;
    std::unique_ptr<Session> session_;
    QWidget* lastPage_ = nullptr;
    SettingsBinding* binding_ = nullptr;
    bool destroyed_ = false;
    bool workEnded_ = true;
};

}  // namespace wylo::app
