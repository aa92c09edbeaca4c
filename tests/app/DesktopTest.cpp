// What the window tells of the desktop: the marked rows of the images list,
// the image named in the status line and the tray, "Previous" and "Next",
// the tick on the subscribed channel, long titles, and a start while the
// channel host is away.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "AppFixture.h"
#include "app/ChannelsPage.h"
#include "app/ImagesList.h"
#include "app/SettingsPage.h"
#include "app/SubscribedPages.h"
#include "app/TrayIcon.h"
#include "session/Session.h"

using namespace wylo;
using namespace wylo::test;

namespace {

app::ImagesList* List(app::TFormMain& form) {
    return form.tsCurrentChannel->lbImages;
}

std::unique_ptr<app::TFormMain> Subscribed(AppWorld& world, const std::string& settings = {}) {
    ChannelSpec dunes("dunes", "Dunes");
    dunes.imageTitles = {"Namib at Dawn", "Sossusvlei", "Red Ridge", "Deadvlei"};
    dunes.thumbs = {{120, 75}, {100, 75}, {120, 75}, {90, 75}};
    world.Publish({ChannelSpec("sea", "The Sea"), dunes});
    world.WriteSettings("CurrentChannel=1\nCurrentImage=0\nRandomOrder=0\n" + settings);
    return world.StartForm();
}

void ChangeNow(app::TFormMain& form) {
    form.sbChangeNowClick();
    QVERIFY(AppWorld::Settle(form));
}

// The rows that carry a mark.
QList<int> MarkedRows(app::ImagesList* list) {
    QList<int> rows;
    for (int r = 0; r < list->count(); ++r) {
        if (!list->markText(r).isEmpty()) {
            rows << r;
        }
    }
    return rows;
}

// The list painted on its own, width pixels wide; it goes back into its page
// afterwards.
QImage Paint(app::ImagesList* list, int width) {
    QWidget* page = list->parentWidget();
    list->setParent(nullptr);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFrameShape(QFrame::NoFrame);
    list->resize(width, 400);
    list->show();
    QCoreApplication::processEvents();
    const QImage shot = list->viewport()->grab().toImage();
    list->hide();
    list->setParent(page);
    return shot;
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void theImageOnTheDesktopIsMarkedNamedAndKeptInView();
    void differentImagesAreMarkedPerMonitor();
    void theMarkIsPaintedOnItsRowOnly();
    void previousAndNextFromTheButtonsAndTheTray();
    void neverAgainFromTheTrayAndShowHiddenOnTheSettingsPage();
    void keepAndNeverAgainFromTheImagesListsMenu();
    void theSubscribedChannelIsTicked();
    void longTitlesEndBeforeTheThumbnails();
    void aStartWithoutTheHostSaysSoUntilItAnswers();
};

void DesktopTest::theImageOnTheDesktopIsMarkedNamedAndKeptInView() {
    AppWorld world;
    auto form = Subscribed(world);
    app::ImagesList* list = List(*form);
    QCOMPARE(MarkedRows(list), QList<int>());

    ChangeNow(*form);
    QCOMPARE(MarkedRows(list), QList<int>{1});
    QCOMPARE(list->markText(1), QStringLiteral("On the desktop"));
    QCOMPARE(list->selectedRow(), 1);
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Sossusvlei - Next Change : ")));
    QCOMPARE(form->tray->hint(), QStringLiteral("Wylo - ") + form->lStatus->text());
    QCOMPARE(form->tray->NextChange->text(), form->lStatus->text());

    // Later ticks keep the name; a refill keeps the mark and the selection.
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Sossusvlei - ")));
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(MarkedRows(list), QList<int>{1});
    QCOMPARE(list->selectedRow(), 1);
}

void DesktopTest::differentImagesAreMarkedPerMonitor() {
    AppWorld world;
    world.platform.SetMonitors({{{0, 0, 320, 200}, true}, {{320, 0, 640, 200}, false}});
    auto form = Subscribed(world, "MultiScreenOpt=1\n");
    ChangeNow(*form);
    app::ImagesList* list = List(*form);
    QCOMPARE(MarkedRows(list), (QList<int>{1, 2}));
    QCOMPARE(list->markText(1), QStringLiteral("On monitor 1"));
    QCOMPARE(list->markText(2), QStringLiteral("On monitor 2"));
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Sossusvlei, Red Ridge - ")));
}

void DesktopTest::theMarkIsPaintedOnItsRowOnly() {
    AppWorld world;
    auto form = Subscribed(world);
    ChangeNow(*form);
    app::ImagesList* list = List(*form);
    // Another row selected, so the marked row shows its plain colours.
    list->selectRow(0);
    const QImage shot = Paint(list, 500);
    const QColor highlight = list->palette().color(QPalette::Highlight);
    const QColor base = list->palette().color(QPalette::Base);
    const int marked = list->visualItemRect(list->item(1)).center().y();
    const int plain = list->visualItemRect(list->item(2)).center().y();
    // The bar along the left edge, and the badge under the title.
    QCOMPARE(shot.pixelColor(1, marked), highlight);
    QCOMPARE(shot.pixelColor(1, plain), base);
    QCOMPARE(shot.pixelColor(12, marked + 20), highlight);
    QCOMPARE(shot.pixelColor(12, plain + 20), base);
}

void DesktopTest::previousAndNextFromTheButtonsAndTheTray() {
    AppWorld world;
    auto form = Subscribed(world);
    QVERIFY(!form->sbPrevious->isEnabled());
    ChangeNow(*form);
    ChangeNow(*form);
    app::ImagesList* list = List(*form);
    QCOMPARE(MarkedRows(list), QList<int>{2});
    QVERIFY(form->sbPrevious->isEnabled());
    QVERIFY(form->tray->Previous1->isEnabled());
    QVERIFY(!form->sbNext->isEnabled());
    const DateTime lastChange = form->settings().lastChange;

    form->sbPrevious->click();

    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(MarkedRows(list), QList<int>{1});
    QCOMPARE(list->selectedRow(), 1);
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Sossusvlei - ")));
    QVERIFY(!form->sbPrevious->isEnabled());
    QVERIFY(form->sbNext->isEnabled());
    QVERIFY(form->tray->Next1->isEnabled());
    QCOMPARE(form->settings().lastChange, lastChange);

    form->tray->Next1->trigger();

    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(MarkedRows(list), QList<int>{2});
    QVERIFY(!form->sbNext->isEnabled());
    QCOMPARE(world.platform.wallpaperCalls.size(), 4u);
}

void DesktopTest::neverAgainFromTheTrayAndShowHiddenOnTheSettingsPage() {
    AppWorld world;
    auto form = Subscribed(world);
    QVERIFY(!form->tray->NeverAgain1->isEnabled());
    ChangeNow(*form);
    app::ImagesList* list = List(*form);
    QCOMPARE(MarkedRows(list), QList<int>{1});
    QVERIFY(form->tray->NeverAgain1->isEnabled());

    form->tray->NeverAgain1->trigger();

    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(MarkedRows(list), QList<int>({1, 2}));
    QCOMPARE(list->markText(1), QStringLiteral("Never shown again"));
    QCOMPARE(list->markText(2), QStringLiteral("On the desktop"));
    QCOMPARE(form->session().hiddenCount(), std::size_t{1});
    form->PageControl1->setCurrentWidget(form->tsSettings);
    QVERIFY(form->tsSettings->bnShowHidden->isEnabled());
    form->tsSettings->bnShowHidden->click();
    QCOMPARE(form->session().hiddenCount(), std::size_t{0});
    QVERIFY(!form->tsSettings->bnShowHidden->isEnabled());
    QCOMPARE(MarkedRows(list), QList<int>{2});
}

void DesktopTest::keepAndNeverAgainFromTheImagesListsMenu() {
    AppWorld world;
    auto form = Subscribed(world);
    ChangeNow(*form);
    app::ImagesList* list = List(*form);
    QCOMPARE(list->imageMenu->actions().size(), 2);
    QCOMPARE(list->KeepImage1->text(), QStringLiteral("&Keep This Picture"));
    QCOMPARE(list->NeverAgainImage1->text(), QStringLiteral("Ne&ver Show This Picture Again"));

    // A row that is not on the desktop, its picture not yet fetched.
    list->PrepareImageMenu(3);
    QVERIFY(list->KeepImage1->isEnabled());
    list->KeepImage1->trigger();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(list->markText(3), QStringLiteral("Kept in Favourites"));
    QVERIFY(form->lStatus->text().contains(QStringLiteral("kept in Favourites")));
    // The tray keeps the desktop's; both marks show on its row.
    form->tray->Keep1->trigger();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(list->markText(1), QStringLiteral("On the desktop, Kept in Favourites"));
    // Favourites is a channel of its own now.
    QComboBox* channels = form->tsChannels->cbProviders;
    QCOMPARE(channels->itemText(channels->count() - 1), QStringLiteral("Favourites"));

    list->PrepareImageMenu(0);
    QVERIFY(list->NeverAgainImage1->isEnabled());
    list->NeverAgainImage1->trigger();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(list->markText(0), QStringLiteral("Never shown again"));
    QCOMPARE(list->markText(1), QStringLiteral("On the desktop, Kept in Favourites"));
    list->PrepareImageMenu(0);
    QVERIFY(!list->NeverAgainImage1->isEnabled());
    QCOMPARE(form->session().hiddenCount(), std::size_t{1});
}

void DesktopTest::theSubscribedChannelIsTicked() {
    AppWorld world;
    auto form = Subscribed(world);
    QComboBox* list = form->tsChannels->cbProviders;
    QCOMPARE(list->count(), 2);
    QCOMPARE(form->tsChannels->markedChannel(), 1);
    QVERIFY(!list->itemIcon(1).isNull());
    QVERIFY(list->itemData(1, Qt::FontRole).value<QFont>().bold());
    QVERIFY(list->itemIcon(0).isNull());
    // Captions stay the channels' titles.
    QCOMPARE(list->itemText(1), QStringLiteral("Dunes"));

    list->setCurrentIndex(0);
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->tsChannels->markedChannel(), 0);
    QVERIFY(!list->itemIcon(0).isNull());
    QVERIFY(list->itemIcon(1).isNull());
}

void DesktopTest::longTitlesEndBeforeTheThumbnails() {
    QFont font = QApplication::font();
    font.setPixelSize(19);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const QString title = QStringLiteral("A very long title of a photograph ").repeated(4);
    // A row 500 pixels wide with a 120-pixel thumbnail column: the title
    // must end 8 pixels before the column's left edge at 370.
    const QString shown = app::ImagesList::ShownTitle(metrics, title, 0, 500, 120);
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(metrics.horizontalAdvance(shown) <= 370 - 8 - 10);
    // A short title is left whole.
    QCOMPARE(app::ImagesList::ShownTitle(metrics, QStringLiteral("Dunes"), 0, 500, 120),
             QStringLiteral("Dunes"));
    // A row too narrow for any text shows none rather than overlapping.
    QVERIFY(app::ImagesList::ShownTitle(metrics, title, 0, 100, 120).isEmpty());
}

void DesktopTest::aStartWithoutTheHostSaysSoUntilItAnswers() {
    AppWorld world;
    world.Publish({ChannelSpec("sea", "The Sea")});
    world.WriteSettings("CurrentChannel=0\n");
    world.server.Stop();
    auto form = world.StartForm();
    QCOMPARE(form->tsChannels->cbProviders->count(), 0);
    QVERIFY(form->lStatus->text().contains(QStringLiteral("could not be fetched")));
    QVERIFY(AppWorld::Boxes().isEmpty());
    // The ticks keep saying so rather than "Next Change".
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(form->lStatus->text().contains(QStringLiteral("try again")));

    world.server.Restart();
    world.clock.Advance(31.0 / kSecondsPerDay);
    form->tScheduleTimer();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->tsChannels->cbProviders->count(), 1);
    QVERIFY(form->isPageTabVisible(form->tsCurrentChannel));
    QVERIFY(form->lStatus->text().startsWith(QStringLiteral("Next Change : ")));
    QVERIFY(AppWorld::Boxes().isEmpty());
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
