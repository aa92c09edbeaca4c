// The tray on a real X server with a notification area (run under
// scripts/with-xvfb --tray): minimising hides the window to the tray, and a
// double-click on the icon brings it back.
#include "AppFixture.h"
#include "app/TrayIcon.h"

using namespace wylo;
using namespace wylo::test;

class TrayTest : public QObject {
    Q_OBJECT
private slots:
    void minimisingHidesToTheTrayAndTheIconRestores();
};

void TrayTest::minimisingHidesToTheTrayAndTheIconRestores() {
    if (!app::TrayIcon::IsAvailable()) {
        QSKIP("needs a notification area");
    }
    AppWorld world;
    auto form = world.MakeForm();
    form->show();
    form->FormCreate();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->tray->tiTray->isVisible());
    form->showMinimized();
    QTRY_VERIFY(form->isHidden());
    emit form->tray->restoreRequested();
    QTRY_VERIFY(form->isVisible());
    QVERIFY(!form->isMinimized());
}

QTEST_MAIN(TrayTest)
#include "TrayTest.moc"
