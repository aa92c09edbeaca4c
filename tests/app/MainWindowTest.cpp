// The window as a whole: its pages and controls, start-up, the status line,
// the tray and ending.
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "AppFixture.h"
#include "app/AppFeedback.h"
#include "app/ChannelsPage.h"
#include "app/Icons.h"
#include "app/SettingsPage.h"
#include "app/TrayIcon.h"
#include "channels/DownloadGate.h"
#include "compose/Bitmap.h"
#include "session/Session.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"

using namespace wylo;
using namespace wylo::test;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void windowHasTitleSizeAndNoMaximiseButton();
    void pagesInTabOrderWithCaptions();
    void statusBarControls();
    void trayMenuBeforeAnyStatus();
    void startWithoutDirectoryShowsNoMessageAndLoadsSettings();
    void startWithDirectoryListsChannelsAndStartsOnChannelZero();
    void unreadableDirectoryIsReportedAndTheWindowStillOpens();
    void setStatusShowsTheTextInThreePlaces();
    void progressBarTakesLow32BitsAndResetsAtTheEnd();
    void resizeBeepsOnlyWhenTheSizeChanges();
    void minimisingWithoutTrayKeepsTheWindowReachable();
    void closingSavesTheSettings();
    void closeDuringADownloadEndsAtOnceAndRecordsNothing();
    void clicksDuringADownloadAreAnsweredAtOnce();
    void exitShortcutDuringADownloadClosesAtOnce();
    void errorBoxesNeitherWaitNorPileUp();
    void appFolderIsCreatedWithItsParents();
    void timerStartsOnlyAfterTheSettingsAreRead();
};

void MainWindowTest::windowHasTitleSizeAndNoMaximiseButton() {
    AppWorld world;
    auto form = world.MakeForm();
    QCOMPARE(form->objectName(), QStringLiteral("FormMain"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Wylo"));
    QCOMPARE(form->size(), QSize(715, 561));
    QVERIFY(form->minimumWidth() > 700);
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!form->windowIcon().isNull());
}

void MainWindowTest::pagesInTabOrderWithCaptions() {
    AppWorld world;
    auto form = world.StartForm();
    QTabWidget* tabs = form->PageControl1;
    const QStringList names = {"tsWelcome", "tsChannels", "tsChannelNews", "tsCurrentChannel",
                               "tsSettings"};
    const QStringList captions = {"Welcome", "Channels List", "Subscribed Channel News",
                                  "Subscribed Channel Images", "Settings"};
    QCOMPARE(tabs->count(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), names[i]);
        QCOMPARE(tabs->tabText(i), captions[i]);
        QVERIFY(!tabs->tabIcon(i).isNull());
    }
    QCOMPARE(tabs->currentWidget(), form->tsWelcome);
    QVERIFY(tabs->isTabVisible(0));
    QVERIFY(tabs->isTabVisible(1));
    QVERIFY(!tabs->isTabVisible(2));
    QVERIFY(!tabs->isTabVisible(3));
    QVERIFY(tabs->isTabVisible(4));
    // Every control the other parts use is there under its own name.
    for (const char* name : {"cbProviders",
                             "sbRefresh",
                             "edTitle",
                             "edDescription",
                             "iPreview",
                             "sbSubscribe",
                             "sbTerms",
                             "cbSubscription",
                             "wbWelcome",
                             "wbBrowser",
                             "lNewsChannelTitle",
                             "lNewsChannelCopyright",
                             "lTitle",
                             "lbImages",
                             "lCopyright",
                             "rgMultiScreen",
                             "pcMultiScreen",
                             "pcSingleScreen",
                             "cbSingleMonitorToUse",
                             "gbMisc",
                             "gbSchedule",
                             "cbEnableScheduler",
                             "seScheduleFrequency",
                             "cbScheduleType",
                             "pnBGColour",
                             "pnFGColour",
                             "mScreenMetrics",
                             "Panel1"}) {
        QVERIFY2(form->findChild<QWidget*>(name) != nullptr, name);
    }
}

void MainWindowTest::statusBarControls() {
    AppWorld world;
    auto form = world.MakeForm();
    QCOMPARE(form->Panel2->height(), 20);
    QCOMPARE(form->sbChangeNow->text(), QStringLiteral("Change Now"));
    QCOMPARE(form->sbChangeNow->width(), 72);
    QCOMPARE(form->sbChangeNow->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form->lStatus->text(), QString());
    QCOMPARE(form->lStatus->alignment(), Qt::AlignCenter);
    QCOMPARE(form->pbHTTPProgress->width(), 368);
}

void MainWindowTest::trayMenuBeforeAnyStatus() {
    AppWorld world;
    auto form = world.MakeForm();
    app::TrayIcon* tray = form->tray;
    QCOMPARE(tray->NextChange->text(), QStringLiteral("moo"));
    QVERIFY(!tray->NextChange->isEnabled());
    QCOMPARE(tray->ChangeNow1->text(), QStringLiteral("&Change Now"));
    QCOMPARE(tray->Exit2->text(), QStringLiteral("E&xit"));
    QCOMPARE(tray->Exit2->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    const QList<QAction*> items = tray->PopupMenu1->actions();
    QCOMPARE(items.size(), 9);
    QVERIFY(items[1]->isSeparator());
    QCOMPARE(items[3], tray->Previous1);
    QCOMPARE(items[4], tray->Next1);
    QCOMPARE(items[5], tray->Keep1);
    QCOMPARE(items[6], tray->NeverAgain1);
    QVERIFY(items[7]->isSeparator());
    // Nothing to go back to, keep or hide before Wylo has changed the desktop.
    QVERIFY(!tray->Previous1->isEnabled());
    QVERIFY(!tray->Next1->isEnabled());
    QVERIFY(!tray->Keep1->isEnabled());
    QVERIFY(!tray->NeverAgain1->isEnabled());
    QVERIFY(tray->tiTray->isVisible());
}

void MainWindowTest::startWithoutDirectoryShowsNoMessageAndLoadsSettings() {
    AppWorld world;
    world.server.Stop();
    world.WriteSettings("RandomOrder=0\n");
    auto form = world.StartForm();
    QVERIFY(AppWorld::Boxes().isEmpty());
    QCOMPARE(form->tsChannels->cbProviders->count(), 0);
    QCOMPARE(form->tsWelcome->wbWelcome->url(), QString());
    QVERIFY(!form->settings().randomOrder);
    QCOMPARE(form->CurrentChannel(), -1);
}

void MainWindowTest::startWithDirectoryListsChannelsAndStartsOnChannelZero() {
    AppWorld world;
    ChannelSpec a{"alpha", "Alpha"};
    ChannelSpec b{"beta", "Beta"};
    world.Publish({a, b}, "http://news.example/welcome.html");
    auto form = world.StartForm();
    QComboBox* list = form->tsChannels->cbProviders;
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(form->SelectedChannelId(), QStringLiteral("alpha"));
    QCOMPARE(form->tsWelcome->wbWelcome->url(), QStringLiteral("http://news.example/welcome.html"));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsWelcome);
}

void MainWindowTest::unreadableDirectoryIsReportedAndTheWindowStillOpens() {
    AppWorld world;
    world.server.Serve("/wylo/wylo.xml", "<wylo><PROVIDERS>");
    world.WriteSettings("ScheduleFrequency=7\n");
    auto form = world.StartForm();
    const auto boxes = AppWorld::Boxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("Wylo"));
    QVERIFY(!boxes[0].text.isEmpty());
    // The steps after the failing one still ran.
    QVERIFY(form->tsSettings->monitorMap != nullptr);
    QCOMPARE(form->settings().scheduleFrequency, 7);
}

void MainWindowTest::setStatusShowsTheTextInThreePlaces() {
    AppWorld world;
    auto form = world.MakeForm();
    form->SetStatus(QStringLiteral("Downloading Dunes"));
    QCOMPARE(form->lStatus->text(), QStringLiteral("Downloading Dunes"));
    QCOMPARE(form->tray->hint(), QStringLiteral("Wylo - Downloading Dunes"));
    QCOMPARE(form->tray->NextChange->text(), QStringLiteral("Downloading Dunes"));
}

void MainWindowTest::progressBarTakesLow32BitsAndResetsAtTheEnd() {
    QProgressBar bar;
    QLabel label;
    app::TrayIcon tray(app::ProgramIcon());
    app::AppFeedback feedback(&label, &tray, &bar);
    feedback.TransferBegin(1000);
    QCOMPARE(bar.value(), 0);
    QCOMPARE(bar.maximum(), 1000);
    feedback.TransferWork(400);
    QCOMPARE(bar.value(), 400);
    feedback.TransferEnd();
    QCOMPARE(bar.value(), 0);
    // 2^32 + 500 keeps only its low 32 bits.
    feedback.TransferBegin((std::int64_t{1} << 32) + 500);
    QCOMPARE(bar.maximum(), 500);
    QCOMPARE(app::AppFeedback::Low32((std::int64_t{1} << 32) + 7), 7);
    // No length known: the bar shows that work goes on, then rests at 0.
    feedback.TransferBegin(-1);
    QCOMPARE(bar.maximum(), 0);
    feedback.TransferEnd();
    QVERIFY(bar.maximum() > 0);
    QCOMPARE(bar.value(), 0);
}

void MainWindowTest::resizeBeepsOnlyWhenTheSizeChanges() {
    AppWorld world;
    auto form = world.MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const int before = world.platform.beeps;
    form->resize(800, 600);
    QTRY_COMPARE(world.platform.beeps, before + 1);
    form->move(form->pos() + QPoint(10, 10));
    QTest::qWait(20);
    QCOMPARE(world.platform.beeps, before + 1);
}

void MainWindowTest::minimisingWithoutTrayKeepsTheWindowReachable() {
    AppWorld world;
    auto form = world.MakeForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(!app::TrayIcon::IsAvailable());
    form->showMinimized();
    QTest::qWait(50);
    // No notification area to come back from: the window is not hidden.
    QVERIFY(!form->isHidden());
}

void MainWindowTest::closingSavesTheSettings() {
    AppWorld world;
    auto form = world.StartForm();
    QSignalSpy closed(form.get(), &app::TFormMain::closed);
    std::filesystem::remove(world.settingsFile());
    form->Exit2Click();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(closed.count(), 1);
    const std::string saved = ReadFile(world.settingsFile());
    QVERIFY(saved.find("CurrentChannel=-1") != std::string::npos);
    QVERIFY(saved.find("IconTransparancy=1") != std::string::npos);
}

// A window subscribed to a channel whose next picture the host holds back
// until the gate opens; "Change Now" has started fetching it.
std::unique_ptr<app::TFormMain> FetchingSlowly(AppWorld& world, std::shared_ptr<Gate> gate) {
    world.Publish({ChannelSpec("sea", "The Sea")});
    world.WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    auto form = world.StartForm();
    world.Hold("/c/sea/images/i1.jpg", std::move(gate), AppWorld::Picture());
    form->sbChangeNowClick();
    if (!QTest::qWaitFor([&] { return world.server.Count("GET", "/c/sea/images/i1.jpg") > 0; })) {
        QTest::qFail("the picture was never asked for", __FILE__, __LINE__);
    }
    return form;
}

void MainWindowTest::closeDuringADownloadEndsAtOnceAndRecordsNothing() {
    AppWorld world;
    GateOpener opener;
    auto form = FetchingSlowly(world, opener.gate);
    QVERIFY(form->isWorking());
    const DateTime lastChange = form->settings().lastChange;
    QSignalSpy closed(form.get(), &app::TFormMain::closed);
    std::filesystem::remove(world.settingsFile());

    QElapsedTimer timer;
    timer.start();
    QVERIFY(form->close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(timer.elapsed() < 2000);
    QVERIFY(form->workEnded());
    // Saved, without the change that never reached the desktop.
    const std::string saved = ReadFile(world.settingsFile());
    QVERIFY(saved.find("CurrentImage=0") != std::string::npos);
    QCOMPARE(form->settings().lastChange, lastChange);
    QVERIFY(world.platform.wallpaperCalls.empty());
}

void MainWindowTest::clicksDuringADownloadAreAnsweredAtOnce() {
    AppWorld world;
    GateOpener opener;
    auto form = FetchingSlowly(world, opener.gate);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->isWorking());

    // Through the window, as the window system delivers it.
    QTabBar* tabs = form->PageControl1->tabBar();
    const int settings = form->PageControl1->indexOf(form->tsSettings);
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      tabs->mapTo(form.get(), tabs->tabRect(settings).center()));
    QCOMPARE(form->PageControl1->currentWidget(), static_cast<QWidget*>(form->tsSettings));
    QSignalSpy clicks(form->sbChangeNow, &QToolButton::clicked);
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      form->sbChangeNow->mapTo(form.get(), form->sbChangeNow->rect().center()));
    QCOMPARE(clicks.count(), 1);
    QVERIFY(form->isWorking());

    // The change that ran and the one asked for meanwhile, in turn.
    opener.gate->Open();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 2u);
    QCOMPARE(form->settings().currentImage, 2);
}

void MainWindowTest::exitShortcutDuringADownloadClosesAtOnce() {
    AppWorld world;
    GateOpener opener;
    auto form = FetchingSlowly(world, opener.gate);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QSignalSpy closed(form.get(), &app::TFormMain::closed);
    QTest::keyClick(form.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(closed.count(), 1);
    QVERIFY(world.platform.wallpaperCalls.empty());
}

void MainWindowTest::errorBoxesNeitherWaitNorPileUp() {
    AppWorld world;
    auto form = world.StartForm();
    form->show();
    app::MessageBox::setRecording(false);
    // Each call returns at once; the second box is the first with new words.
    app::ShowDefaultError(form.get(), QStringLiteral("First"));
    app::ShowDefaultError(form.get(), QStringLiteral("Second"));
    const auto boxes = form->findChildren<QMessageBox*>();
    app::MessageBox::setRecording(true);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0]->text(), QStringLiteral("Second"));
    QVERIFY(boxes[0]->isVisible());
    boxes[0]->close();
}

void MainWindowTest::appFolderIsCreatedWithItsParents() {
    AppWorld world;
    world.platform.SetSharedDataFolder(world.root.path() / "a" / "b");
    QVERIFY(!std::filesystem::exists(world.appFolder()));
    auto form = world.StartForm();
    QVERIFY(std::filesystem::is_directory(world.appFolder()));
}

void MainWindowTest::timerStartsOnlyAfterTheSettingsAreRead() {
    AppWorld world;
    auto form = world.MakeForm();
    QVERIFY(!form->tSchedule->isActive());
    QCOMPARE(form->tSchedule->interval(), 1000);
    form->FormCreate();
    QVERIFY(form->tSchedule->isActive());
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
