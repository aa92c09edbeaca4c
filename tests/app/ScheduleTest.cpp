// The schedule in the window: ticks, "Change Now", the switch and the
// errors of a change.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "AppFixture.h"
#include "app/SettingsPage.h"
#include "app/TrayIcon.h"
#include "channels/DownloadGate.h"
#include "session/Session.h"
#include "settings/Settings.h"

using namespace wylo;
using namespace wylo::test;

namespace {

std::unique_ptr<app::TFormMain> SubscribedForm(AppWorld& world, const std::string& settings) {
    world.Publish({{"c", "Channel"}});
    world.WriteSettings("CurrentChannel=0\n" + settings);
    return world.StartForm();
}

}  // namespace

class ScheduleTest : public QObject {
    Q_OBJECT
private slots:
    void tickShowsTheNextChangeInThreePlaces();
    void dueChangeRunsAtTheTick();
    void changeNowWithTheSchedulerOffWaitsUntilItIsOn();
    void changeNowFromTheTrayMenu();
    void tickDuringAChangeLeavesItsStatusAlone();
    void errorInAChangeIsShownAndTheScheduleGoesOn();
    void noTickBeforeTheSettingsAreRead();
};

void ScheduleTest::tickShowsTheNextChangeInThreePlaces() {
    AppWorld world;
    world.Publish({ChannelSpec("sea", "The Sea")});
    world.WriteSettings("ScheduleType=1\nScheduleFrequency=2\nLastChange=08/12/2026 11:00:00\n");
    auto form = world.StartForm();
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    const QString expected = QStringLiteral("Next Change : 08/12/2026 13:00:00");
    QCOMPARE(form->lStatus->text(), expected);
    QCOMPARE(form->tray->hint(), QStringLiteral("Wylo - ") + expected);
    QCOMPARE(form->tray->NextChange->text(), expected);
    QVERIFY(form->tSchedule->isActive());
}

void ScheduleTest::dueChangeRunsAtTheTick() {
    AppWorld world;
    auto form = SubscribedForm(world,
                               "ScheduleType=0\nScheduleFrequency=5\nRandomOrder=0\n"
                               "CurrentImage=0\nLastChange=08/12/2026 11:00:00\n");
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
    QCOMPARE(form->settings().currentImage, 1);
    QCOMPARE(form->settings().lastChange, world.clock.Now());
    // Not due again until the period has passed.
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void ScheduleTest::changeNowWithTheSchedulerOffWaitsUntilItIsOn() {
    AppWorld world;
    auto form = SubscribedForm(world, "EnableScheduler=0\nScheduleType=2\n");
    form->sbChangeNow->click();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(form->ForceChange());
    QTest::qWait(1500);
    QCOMPARE(world.platform.wallpaperCalls.size(), 0u);
    form->tsSettings->cbEnableScheduler->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(world.platform.wallpaperCalls.size(), 1u, 5000);
    QVERIFY(!form->ForceChange());
}

void ScheduleTest::changeNowFromTheTrayMenu() {
    AppWorld world;
    auto form = SubscribedForm(world, "ScheduleType=2\n");
    form->tray->ChangeNow1->trigger();
    QVERIFY(AppWorld::Settle(*form));
    // At once, not at the next tick.
    QVERIFY(!form->ForceChange());
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
}

void ScheduleTest::tickDuringAChangeLeavesItsStatusAlone() {
    AppWorld world;
    GateOpener opener;
    auto form = SubscribedForm(world, "ScheduleType=2\nRandomOrder=0\nCurrentImage=0\n");
    world.Hold("/c/c/images/i1.jpg", opener.gate, AppWorld::Picture());
    form->sbChangeNowClick();
    QTRY_VERIFY(form->lStatus->text().startsWith(QStringLiteral("Downloading ")));
    form->tScheduleTimer();
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Downloading ")));
    QVERIFY(!form->ForceChange());
    opener.gate->Open();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
}

void ScheduleTest::errorInAChangeIsShownAndTheScheduleGoesOn() {
    AppWorld world;
    auto form = SubscribedForm(world, "ScheduleType=2\n");
    const DateTime lastChange = form->settings().lastChange;
    const int image = form->settings().currentImage;
    world.platform.FailWallpaper(true);
    world.clock.Advance(0.25);
    form->sbChangeNowClick();
    QVERIFY(AppWorld::Settle(*form));
    // Said where it stays, in the status line, the tooltip and the menu: a
    // box at every retry would pile up.
    QVERIFY(AppWorld::Boxes().isEmpty());
    const QString reason = form->lStatus->text();
    QVERIFY2(
        reason.contains(QStringLiteral("The desktop keeps its wallpaper; Wylo will try again")),
        qPrintable(reason));
    // The menu has room for a line of it.
    QVERIFY(reason.startsWith(form->tray->NextChange->text().chopped(3)));
    QVERIFY(form->tSchedule->isActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // Nothing reached the desktop, so nothing moved; the failure is tried
    // again after a pause, not every second.
    QCOMPARE(form->settings().lastChange, lastChange);
    QCOMPARE(form->settings().currentImage, image);
    QVERIFY(form->session().changeRetry().pending());
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(AppWorld::Boxes().isEmpty());
    QCOMPARE(form->lStatus->text(), reason);
}

void ScheduleTest::noTickBeforeTheSettingsAreRead() {
    AppWorld world;
    auto form = world.MakeForm();
    form->sbChangeNowClick();
    QVERIFY(AppWorld::Settle(*form));
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->lStatus->text(), QString());
    QVERIFY(form->ForceChange());
}

QTEST_MAIN(ScheduleTest)
#include "ScheduleTest.moc"
