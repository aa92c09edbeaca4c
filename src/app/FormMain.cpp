#include "app/FormMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QResizeEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/Icons.h"
#include "app/ImagesList.h"
#include "app/PageControl.h"
#include "app/SettingsBinding.h"
#include "app/SettingsPage.h"
#include "app/StatusBar.h"
#include "app/SubscribedPages.h"
#include "app/TrayIcon.h"
#include "app/WebView.h"
#include "app/WindowPlacement.h"
#include "base/Clock.h"
#include "platform/Platform.h"
#include "session/Session.h"

namespace wylo::app {
namespace {

constexpr QSize kClientSize(715, 561);
// The smallest client area that still shows the whole settings page.
constexpr QSize kMinimumClientSize(714, 561);
constexpr int kScheduleIntervalMs = 1000;

}  // namespace

TFormMain::TFormMain(Platform& platform, const Clock& clock, std::string directoryUrl,
                     QWidget* parent)
    : QWidget(parent), platform_(platform), clock_(clock) {
    setObjectName(QStringLiteral("FormMain"));
    setFont(WindowFont());
    BuildWindow();

    BindFeedback(lStatus, tray, pbHTTPProgress);
    session_ = std::make_unique<Session>(platform_, clock_, std::move(directoryUrl),
                                         static_cast<SessionObserver&>(*this));
    tsCurrentChannel->lbImages->setThumbnails(ImagesList::ThumbnailsOf(*session_));
    BindControls();
}

TFormMain::~TFormMain() {
    if (!destroyed_) {
        FormDestroy();
    }
}

void TFormMain::BuildWindow() {
    setWindowTitle(QStringLiteral("Wylo"));
    setWindowIcon(ProgramIcon());
    // Sizable, with a minimise button but no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PageControl1 = new PageControl(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setIconSize(QSize(32, 32));
    PageControl1->setDocumentMode(true);
    PageControl1->setUsesScrollButtons(true);
    tsWelcome = new WelcomePage(PageControl1);
    tsChannels = new ChannelsPage(PageControl1);
    tsChannelNews = new NewsPage(PageControl1);
    tsCurrentChannel = new ImagesPage(PageControl1);
    tsSettings = new SettingsPage(PageControl1);
    PageControl1->addTab(tsWelcome, TabIcon(0), QStringLiteral("Welcome"));
    PageControl1->addTab(tsChannels, TabIcon(1), QStringLiteral("Channels List"));
    PageControl1->addTab(tsChannelNews, TabIcon(3), QStringLiteral("Subscribed Channel News"));
    PageControl1->addTab(tsCurrentChannel, TabIcon(2), QStringLiteral("Subscribed Channel Images"));
    PageControl1->addTab(tsSettings, TabIcon(4), QStringLiteral("Settings"));
    layout->addWidget(PageControl1, 1);

    auto* statusBar = new StatusBar(this);
    Panel2 = statusBar;
    sbChangeNow = statusBar->sbChangeNow;
    sbPrevious = statusBar->sbPrevious;
    sbNext = statusBar->sbNext;
    lStatus = statusBar->lStatus;
    pbHTTPProgress = statusBar->pbHTTPProgress;
    layout->addWidget(Panel2);

    tSchedule = new QTimer(this);
    tSchedule->setObjectName(QStringLiteral("tSchedule"));
    tSchedule->setInterval(kScheduleIntervalMs);

    tray = new TrayIcon(ProgramIcon(), this);
    // Alt+X ends the program from the window as well as from the tray menu.
    addAction(tray->Exit2);

    PlaceOnMainMonitor(*this, kClientSize, kMinimumClientSize);
    lastPage_ = PageControl1->currentWidget();
}

void TFormMain::BindControls() {
    SettingsPage* s = tsSettings;
    ChannelsPage* c = tsChannels;
    connect(tSchedule, &QTimer::timeout, this, &TFormMain::tScheduleTimer);
    connect(sbChangeNow, &QToolButton::clicked, this, &TFormMain::sbChangeNowClick);
    connect(tray->ChangeNow1, &QAction::triggered, this, &TFormMain::sbChangeNowClick);
    connect(sbPrevious, &QToolButton::clicked, this, &TFormMain::sbPreviousClick);
    connect(tray->Previous1, &QAction::triggered, this, &TFormMain::sbPreviousClick);
    connect(sbNext, &QToolButton::clicked, this, &TFormMain::sbNextClick);
    connect(tray->Next1, &QAction::triggered, this, &TFormMain::sbNextClick);
    connect(tray->Keep1, &QAction::triggered, this, [this] { session_->KeepPicture(); });
    connect(tray->NeverAgain1, &QAction::triggered, this, [this] { session_->NeverShowAgain(); });
    connect(tray->Exit2, &QAction::triggered, this, &TFormMain::Exit2Click);
    connect(tray, &TrayIcon::restoreRequested, this, &TFormMain::RestoreFromTray);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        QWidget* page = PageControl1->currentWidget();
        if (lastPage_ == tsSettings && page != tsSettings) {
            tsSettingsHide();
        }
        if (page == tsSettings && lastPage_ != tsSettings) {
            tsSettingsShow();
        }
        lastPage_ = page;
    });

    // The channel page's controls react to the user, not to the program.
    connect(c->cbProviders, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { cbProvidersChange(); }); });
    connect(c->sbRefresh, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbRefreshClick(); }); });
    connect(c->acAddAddress, &QAction::triggered, this,
            [this] { Guarded(this, [this] { AddAddressClick(); }); });
    connect(c->acAddFolder, &QAction::triggered, this,
            [this] { Guarded(this, [this] { AddFolderClick(); }); });
    connect(c->sbRemove, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbRemoveClick(); }); });
    connect(c->sbTerms, &QToolButton::clicked, this, &TFormMain::sbTermsClick);
    connect(c->sbSubscribe, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbSubscribeClick(); }); });
    for (WebView* view : {tsWelcome->wbWelcome, tsChannelNews->wbBrowser}) {
        connect(view, &WebView::openExternally, this, &TFormMain::ShellOpen);
    }
    connect(tsCurrentChannel->lbImages, &ImagesList::activatedByUser, this,
            &TFormMain::lbImagesDblClick);
    connect(tsCurrentChannel->lbImages, &ImagesList::keepAsked, this,
            [this](int row) { session_->KeepImage(row); });
    connect(tsCurrentChannel->lbImages, &ImagesList::neverAgainAsked, this,
            [this](int row) { session_->NeverShowImageAgain(row); });

    connect(s->cbEnableScheduler, &QCheckBox::toggled, this, &TFormMain::cbEnableSchedulerClick);
    connect(s->cbScheduleType, &QComboBox::activated, this, &TFormMain::cbScheduleTypeChange);

    // Every other change of a setting goes straight into the settings the
    // core reads.
    binding_ = new SettingsBinding(session_->settings(), this);
    s->BindSettings(*binding_, *session_);
}

void TFormMain::FormCreate() {
    session_->Start();
}

void TFormMain::FormDestroy() {
    destroyed_ = true;
    tsWelcome->wbWelcome->Release();
    tsChannelNews->wbBrowser->Release();
    workEnded_ = session_->Finish();
}

void TFormMain::SetStatus(const QString& text) {
    AppFeedback::SetStatus(text.toStdString());
}

void TFormMain::ShowStartPages() {
    PageControl1->setCurrentWidget(tsWelcome);
    setPageTabVisible(tsChannelNews, false);
    setPageTabVisible(tsCurrentChannel, false);
}

void TFormMain::ShowError(const std::string& message) {
    ShowDefaultError(this, QString::fromStdString(message));
}

void TFormMain::Exit2Click() {
    close();
}

bool TFormMain::TakeCommand(RemoteCommand command) {
    if (destroyed_) {
        return false;
    }
    switch (command) {
        case RemoteCommand::Show:
            RestoreFromTray();
            return true;
        case RemoteCommand::Quit:
            // After the answer has gone back.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            return true;
        default:
            return session_->TakeCommand(command);
    }
}

void TFormMain::setPageTabVisible(QWidget* page, bool visible) {
    PageControl1->setTabVisible(PageControl1->indexOf(page), visible);
}

bool TFormMain::isPageTabVisible(QWidget* page) const {
    return PageControl1->isTabVisible(PageControl1->indexOf(page));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // At any moment: the work that runs is cancelled, not waited for.
    event->accept();
    if (!destroyed_) {
        FormDestroy();
    }
    emit closed();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A beep for every change of size the user makes; none for the first
    // layout.
    if (event->oldSize().isValid() && event->oldSize() != event->size()) {
        platform_.Beep();
    }
}

void TFormMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && TrayIcon::IsAvailable()) {
        // Without a notification area the window stays minimised on the
        // taskbar, where the user can find it again.
        QTimer::singleShot(0, this, &TFormMain::HideToTray);
    }
}

void TFormMain::HideToTray() {
    if (!isMinimized()) {
        return;
    }
    hide();
    // The web pages and decoded thumbnails are what costs memory; they come
    // back when the window does.
    tsWelcome->wbWelcome->Release();
    tsChannelNews->wbBrowser->Release();
    session_->ReleaseThumbnails();
}

void TFormMain::RestoreFromTray() {
    if (PageControl1->currentWidget() == tsSettings) {
        tsSettingsShow();
    }
    showNormal();
    raise();
    activateWindow();
}

}  // namespace wylo::app
