// Where the main window opens, on a real X server with RandR monitors (run
// under scripts/with-xvfb, once with the default layout, whose primary is not
// the first monitor, and once on one 1920 x 1080 monitor at 200 %).
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtTest>

#include "app/WindowPlacement.h"

namespace wylo::app {

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void FitIntoShrinksEachSideOnItsOwn() {
        QCOMPARE(FitInto(QSize(715, 561), QSize(960, 508)), QSize(715, 508));
        QCOMPARE(FitInto(QSize(715, 561), QSize(700, 900)), QSize(700, 561));
        QCOMPARE(FitInto(QSize(715, 561), QSize(1920, 1080)), QSize(715, 561));
    }

    void OpensCentredOnTheMainMonitorAndFitsItsArea() {
        QScreen* primary = QGuiApplication::primaryScreen();
        QVERIFY(primary);
        QWidget window;
        PlaceOnMainMonitor(window, QSize(715, 561), QSize(714, 561));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = primary->availableGeometry();
        const QRect frame = window.frameGeometry();
        QVERIFY2(area.contains(frame),
                 qPrintable(QStringLiteral("window %1,%2 %3x%4 outside %5,%6 %7x%8")
                                .arg(frame.x())
                                .arg(frame.y())
                                .arg(frame.width())
                                .arg(frame.height())
                                .arg(area.x())
                                .arg(area.y())
                                .arg(area.width())
                                .arg(area.height())));
        QVERIFY(window.minimumHeight() <= area.height());
        QVERIFY(window.minimumWidth() <= area.width());
        // Centred on the main monitor, to within the room left for a window
        // frame that this server (without a window manager) does not draw.
        QVERIFY2(std::abs(frame.center().x() - area.center().x()) <= 5 &&
                     std::abs(frame.center().y() - area.center().y()) <= 17,
                 qPrintable(QStringLiteral("centre %1,%2, area centre %3,%4")
                                .arg(frame.center().x())
                                .arg(frame.center().y())
                                .arg(area.center().x())
                                .arg(area.center().y())));
        if (area.height() >= 561 + 40 && area.width() >= 715 + 8) {
            QCOMPARE(window.size(), QSize(715, 561));
        }
    }
};

}  // namespace wylo::app

QTEST_MAIN(wylo::app::WindowPlacementTest)
#include "WindowPlacementTest.moc"
