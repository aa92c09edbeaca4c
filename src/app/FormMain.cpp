#include "app/FormMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QResizeEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppFeedback.h"
#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/Icons.h"
#include "app/ImagesList.h"
#include "app/PageControl.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "app/WindowPlacement.h"
#include "app/TrayIcon.h"
#include "app/WebView.h"
#include "base/Clock.h"
#include "channels/ChannelSession.h"
#include "channels/HttpClient.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/ScheduleTick.h"

namespace wylo::app {
namespace {

// The window's font: Tahoma 8 point, 11 pixels high at 96 dots per inch.
// Where Tahoma is missing, a condensed sans of about its width, so captions
// fit the fixed places of the settings page; else the system's sans font.
QFont WindowFont() {
    for (const char* family : {"Tahoma", "DejaVu Sans Condensed"}) {
        QFont font(QString::fromLatin1(family));
        font.setPixelSize(11);
        if (QFontInfo(font).family().compare(QLatin1String(family), Qt::CaseInsensitive) == 0) {
            return font;
        }
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    return font;
}

constexpr QSize kClientSize(715, 561);
// The smallest client area that still shows the whole settings page.
constexpr QSize kMinimumClientSize(714, 561);
constexpr int kScheduleIntervalMs = 1000;

}  // namespace

WorkScope::~WorkScope() {
    if (--form_.workDepth_ == 0) {
        form_.AfterWork();
    }
}

TFormMain::TFormMain(Platform& platform, const Clock& clock, std::string directoryUrl,
                     QWidget* parent)
    : QWidget(parent), platform_(platform), clock_(clock) {
    setObjectName(QStringLiteral("FormMain"));
    setFont(WindowFont());
    BuildWindow();

    feedback_ = std::make_unique<AppFeedback>(lStatus, tray, pbHTTPProgress);
    http_ = std::make_unique<HttpClient>();
    http_->SetObserver(feedback_.get());
    session_ = std::make_unique<ChannelSession>(*http_, clock_, AppFolder(platform_),
                                                std::move(directoryUrl));
    source_ = std::make_unique<SessionChannelSource>(*session_);
    change_ = std::make_unique<DesktopChange>(platform_, settings_, *source_, *feedback_);
    scheduler_ = std::make_unique<Scheduler>(platform_, settings_, *feedback_, *source_, *change_);
    scheduler_->showSubscribedChannel = [this] { ShowSubscribedChannel(); };
    tsCurrentChannel->lbImages->setThumbnails(
        {[this](int i) { return session_->ThumbnailPath(i); },
         [this](int i) { return session_->FetchThumbnail(i); }});

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

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Panel2->setFixedHeight(20);
    auto* status = new QHBoxLayout(Panel2);
    status->setContentsMargins(1, 1, 1, 1);
    status->setSpacing(2);
    sbChangeNow = new QToolButton(Panel2);
    sbChangeNow->setObjectName(QStringLiteral("sbChangeNow"));
    sbChangeNow->setText(QStringLiteral("Change Now"));
    sbChangeNow->setToolTip(QStringLiteral("Put the next picture on the desktop now"));
    sbChangeNow->setFocusPolicy(Qt::NoFocus);
    sbChangeNow->setAutoRaise(true);
    sbChangeNow->setFixedWidth(72);
    sbChangeNow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    lStatus = new QLabel(Panel2);
    lStatus->setObjectName(QStringLiteral("lStatus"));
    lStatus->setAlignment(Qt::AlignCenter);
    lStatus->setTextFormat(Qt::PlainText);
    lStatus->setMinimumWidth(1);
    pbHTTPProgress = new QProgressBar(Panel2);
    pbHTTPProgress->setObjectName(QStringLiteral("pbHTTPProgress"));
    pbHTTPProgress->setFixedWidth(368);
    pbHTTPProgress->setTextVisible(false);
    pbHTTPProgress->setRange(0, 100);
    pbHTTPProgress->setValue(0);
    status->addWidget(sbChangeNow);
    status->addWidget(lStatus, 1);
    status->addWidget(pbHTTPProgress);
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
    connect(tray->Exit2, &QAction::triggered, this, &TFormMain::Exit2Click);
    connect(tray, &TrayIcon::restoreRequested, this, &TFormMain::RestoreFromTray);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        QWidget* page = PageControl1->currentWidget();
        if (lastPage_ == tsSettings && page != tsSettings) {
            tsSettingsHide();
        }
        lastPage_ = page;
    });

    // The channel page's controls react to the user, not to the program.
    connect(c->cbProviders, &QComboBox::activated, this,
            [this] { Guarded(this, [this] { cbProvidersChange(); }); });
    connect(c->sbRefresh, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbRefreshClick(); }); });
    connect(c->sbTerms, &QToolButton::clicked, this, &TFormMain::sbTermsClick);
    connect(c->sbSubscribe, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbSubscribeClick(); }); });
    for (WebView* view : {tsWelcome->wbWelcome, tsChannelNews->wbBrowser}) {
        connect(view, &WebView::openExternally, this, &TFormMain::ShellOpen);
    }
    connect(tsCurrentChannel->lbImages, &ImagesList::activatedByUser, this,
            &TFormMain::lbImagesDblClick);

    connect(s->cbEnableScheduler, &QCheckBox::toggled, this, &TFormMain::cbEnableSchedulerClick);
    connect(s->cbScheduleType, &QComboBox::activated, this, &TFormMain::cbScheduleTypeChange);

    // Every other change of a setting goes straight into the settings the
    // core reads.
    const auto sync = [this] { SyncSettingsFromControls(); };
    connect(s->rgMultiScreen, &RadioGroup::clicked, this, sync);
    connect(s->cbSingleMonitorToUse, &QComboBox::currentIndexChanged, this, sync);
    connect(s->cbScheduleType, &QComboBox::currentIndexChanged, this, sync);
    connect(s->seScheduleFrequency, &QSpinBox::valueChanged, this, sync);
    connect(s, &SettingsPage::colourChanged, this, sync);
    for (QCheckBox* box : {s->cbBGOverride, s->cbIconTextOverride, s->cbIconTransparancyOverride,
                           s->cbRandomOrder}) {
        connect(box, &QCheckBox::toggled, this, sync);
    }
}

void TFormMain::FormCreate() {
    WorkScope work(*this);
    scheduler_->forceChange = false;
    tsCurrentChannel->lbImages->setMaxThumbWidth(0);
    EnsureAppFolder(platform_);
    PageControl1->setCurrentWidget(tsWelcome);
    setPageTabVisible(tsChannelNews, false);
    setPageTabVisible(tsCurrentChannel, false);
    Guarded(this, [this] { FillMonitorList(); });
    Guarded(this, [this] {
        if (FetchChannelDirectory()) {
            LoadChannelDirectory();
        }
    });
    Guarded(this, [this] { ArrangeSettingsPage(); });
    Guarded(this, [this] { ShowScreenMetrics(); });
    Guarded(this, [this] { LoadSettings(); });
}

void TFormMain::FormDestroy() {
    destroyed_ = true;
    tSchedule->stop();
    tsWelcome->wbWelcome->Release();
    tsChannelNews->wbBrowser->Release();
    Guarded(this, [this] { SaveSettings(); });
}

void TFormMain::SetStatus(const QString& text) {
    feedback_->SetStatus(text.toStdString());
}

void TFormMain::FillMonitorList() {
    const std::vector<Monitor> monitors = platform_.Monitors();
    if (monitors.size() <= 1) {
        return;
    }
    QComboBox* list = tsSettings->cbSingleMonitorToUse;
    list->clear();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        list->addItem(QStringLiteral("Monitor %1").arg(i + 1), static_cast<int>(i));
    }
    list->setCurrentIndex(0);
}

void TFormMain::ArrangeSettingsPage() {
    tsSettings->ArrangeSettingsPage(static_cast<int>(platform_.Monitors().size()));
}

void TFormMain::ShowScreenMetrics() {
    tsSettings->ShowScreenMetrics(platform_.Monitors(), platform_.VirtualDesktopSize());
}

void TFormMain::tsSettingsHide() {
    Guarded(this, [this] { SaveSettings(); });
}

void TFormMain::Exit2Click() {
    close();
}

bool TFormMain::ForceChange() const {
    return scheduler_->forceChange;
}
int TFormMain::MaxThumbWidth() const {
    return tsCurrentChannel->lbImages->maxThumbWidth();
}
QString TFormMain::SelectedChannelId() const {
    return QString::fromStdString(session_->selectedChannelId());
}

void TFormMain::setPageTabVisible(QWidget* page, bool visible) {
    PageControl1->setTabVisible(PageControl1->indexOf(page), visible);
}

bool TFormMain::isPageTabVisible(QWidget* page) const {
    return PageControl1->isTabVisible(PageControl1->indexOf(page));
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (workDepth_ > 0) {
        // Closing in the middle of a download or a change would pull the
        // window from under it; the window closes when the work is done.
        pendingClose_ = true;
        event->ignore();
        return;
    }
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
    tsCurrentChannel->lbImages->ReleasePictures();
}

void TFormMain::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void TFormMain::AfterWork() {
    if (!hasPendingPick_ && !pendingClose_) {
        return;
    }
    // Run outside the handler that just finished.
    QTimer::singleShot(0, this, [this] {
        if (workDepth_ > 0) {
            return;
        }
        if (hasPendingPick_) {
            hasPendingPick_ = false;
            PutImageOnDesktop(pendingPick_);
        }
        if (pendingClose_ && workDepth_ == 0) {
            pendingClose_ = false;
            close();
        }
    });
}

}  // namespace wylo::app
