// The images list: row heights from the thumbnails, where thumbnails and
// titles are painted, and putting an image on the desktop by hand.
#include <QComboBox>
#include <QListWidget>
#include <QScrollBar>
#include <ctime>
#include <thread>

#include "AppFixture.h"
#include "app/ChannelsPage.h"
#include "app/ImagesList.h"
#include "app/SubscribedPages.h"
#include "channels/ChannelSession.h"
#include "channels/DownloadGate.h"
#include "compose/BmpFile.h"
#include "session/Session.h"
#include "settings/Settings.h"

using namespace wylo;
using namespace wylo::test;

namespace {

app::ImagesList* List(app::TFormMain& form) {
    return form.tsCurrentChannel->lbImages;
}

int RowHeight(app::ImagesList* list, int row) {
    return list->visualItemRect(list->item(row)).height();
}

// The list painted on its own with a viewport exactly width pixels wide; it
// goes back into its page afterwards.
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

std::unique_ptr<app::TFormMain> Subscribed(AppWorld& world, ChannelSpec channel) {
    world.Publish({std::move(channel)});
    auto form = world.StartForm();
    form->sbSubscribeClick();
    if (!AppWorld::Settle(*form)) {
        QTest::qFail("the subscription did not end", __FILE__, __LINE__);
    }
    return form;
}

}  // namespace

class ImagesListTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAreAsTallAsTheirThumbnails();
    void thumbnailColumnEndsTenPixelsInsideTheRow();
    void titleIsWrittenSevenAboveTheMiddle();
    void pureRedShowsTheFillColour();
    void rowWithoutThumbnailFileIsNotPainted();
    void thumbnailIsConvertedOnlyWhenNewerThanItsBitmap();
    void unfetchableThumbnailKeepsTheDefaultHeight();
    void thumbnailColumnFollowsTheNewSubscriptionOnly();
    void doubleClickPutsTheImageOnTheDesktopThenSaves();
    void doubleClickWithoutSelectionTakesTheNextImage();
    void failedHandPickedChangeEndsQuietly();
    void doubleClickDuringAChangeRunsAfterIt();
};

void ImagesListTest::rowsAreAsTallAsTheirThumbnails() {
    AppWorld world;
    ChannelSpec c("c", "C");
    c.thumbs = {{120, 75}, {80, 40}, {100, 60}};
    auto form = Subscribed(world, c);
    app::ImagesList* list = List(*form);
    QCOMPARE(list->count(), 3);
    QCOMPARE(form->MaxThumbWidth(), 120);
    QCOMPARE(RowHeight(list, 0), 79);
    QCOMPARE(RowHeight(list, 1), 44);
    QCOMPARE(RowHeight(list, 2), 64);
}

void ImagesListTest::thumbnailColumnEndsTenPixelsInsideTheRow() {
    QCOMPARE(app::ImagesList::ThumbnailLeft(697, 120, 120), 567);
    QCOMPARE(app::ImagesList::ThumbnailLeft(697, 80, 120), 587);
    QCOMPARE(app::ImagesList::ThumbnailLeft(697, 100, 120), 577);

    // And that is where they are painted.
    AppWorld world;
    ChannelSpec c("c", "C");
    c.thumbs = {{120, 75}, {80, 75}, {100, 75}};
    auto form = Subscribed(world, c);
    app::ImagesList* list = List(*form);
    const QImage shot = Paint(list, 697);
    const QColor fill = list->palette().color(QPalette::Base);
    const int lefts[] = {567, 587, 577};
    const int widths[] = {120, 80, 100};
    for (int row = 0; row < 3; ++row) {
        const int y = list->visualItemRect(list->item(row)).top() + 40;
        QCOMPARE(shot.pixelColor(lefts[row] - 1, y), fill);
        QVERIFY(shot.pixelColor(lefts[row], y) != fill);
        QVERIFY(shot.pixelColor(lefts[row] + widths[row] - 1, y) != fill);
        QCOMPARE(shot.pixelColor(lefts[row] + widths[row], y), fill);
    }
}

void ImagesListTest::titleIsWrittenSevenAboveTheMiddle() {
    QCOMPARE(app::ImagesList::TitleTop(0, 79), 32);
    QCOMPARE(app::ImagesList::TitleTop(79, 158), 111);
    QCOMPARE(app::ImagesList::TitleTop(0, 16), 1);
}

void ImagesListTest::pureRedShowsTheFillColour() {
    AppWorld world;
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    app::ImagesList* list = List(*form);
    // The first thumbnail's bitmap conversion, newer than the thumbnail, has a
    // pure red left half. (A JPEG never decodes to exactly pure red, so the
    // conversion is written directly.)
    Bitmap converted(120, 75);
    converted.Fill(MakeColour(0, 128, 0));
    converted.Fill(Rect{0, 0, 60, 75}, MakeColour(255, 0, 0));
    const auto folder = world.appFolder() / "cache" / "c" / "thumbs";
    WriteBmpFile(folder / "t0.bmp", converted);
    std::filesystem::last_write_time(
        folder / "t0.bmp",
        std::filesystem::last_write_time(folder / "t0.jpg") + std::chrono::seconds(2));
    list->ReleasePictures();
    const std::optional<QImage> picture = list->ThumbnailPicture(folder / "t0.jpg");
    QVERIFY(picture.has_value());
    QCOMPARE(qAlpha(picture->pixel(30, 37)), 0);
    QCOMPARE(qAlpha(picture->pixel(90, 37)), 255);

    QImage shot = Paint(list, 697);
    const int y = list->visualItemRect(list->item(0)).top() + 2 + 37;
    QCOMPARE(shot.pixelColor(567 + 30, y), list->palette().color(QPalette::Base));
    list->selectRow(0);
    shot = Paint(list, 697);
    QCOMPARE(shot.pixelColor(567 + 30, y), list->palette().color(QPalette::Highlight));
}

void ImagesListTest::rowWithoutThumbnailFileIsNotPainted() {
    AppWorld world;
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    app::ImagesList* list = List(*form);
    std::filesystem::remove(world.appFolder() / "cache" / "c" / "thumbs" / "t1.jpg");
    list->selectRow(1);
    const QImage shot = Paint(list, 697);
    const QRect row = list->visualItemRect(list->item(1));
    // Not even the selection's highlight is painted.
    QCOMPARE(shot.pixelColor(5, row.center().y()), list->palette().color(QPalette::Base));
    list->selectRow(0);
    const QImage other = Paint(list, 697);
    QCOMPARE(other.pixelColor(5, list->visualItemRect(list->item(0)).center().y()),
             list->palette().color(QPalette::Highlight));
}

void ImagesListTest::thumbnailIsConvertedOnlyWhenNewerThanItsBitmap() {
    AppWorld world;
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    app::ImagesList* list = List(*form);
    const auto thumb = world.appFolder() / "cache" / "c" / "thumbs" / "t0.jpg";
    const auto bmp = world.appFolder() / "cache" / "c" / "thumbs" / "t0.bmp";
    Paint(list, 697);
    QVERIFY(std::filesystem::exists(bmp));
    // Times set apart by whole seconds; writes within a test share one tick.
    const auto t0 = std::filesystem::last_write_time(bmp) - std::chrono::seconds(60);
    std::filesystem::last_write_time(bmp, t0);
    std::filesystem::last_write_time(thumb, t0 - std::chrono::seconds(30));
    list->ReleasePictures();
    Paint(list, 697);
    QCOMPARE(std::filesystem::last_write_time(bmp), t0);
    // A thumbnail newer than its conversion is converted again.
    std::filesystem::last_write_time(thumb, t0 + std::chrono::seconds(30));
    Paint(list, 697);
    QVERIFY(std::filesystem::last_write_time(bmp) != t0);
}

void ImagesListTest::unfetchableThumbnailKeepsTheDefaultHeight() {
    AppWorld world;
    ChannelSpec c("c", "C");
    c.thumbs = {{120, 75}, {200, 75}};
    world.Publish({c});
    world.server.Remove("/c/c/thumbs/t1.jpg");
    auto form = world.StartForm();
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(RowHeight(List(*form), 1), 16);
    QCOMPARE(form->MaxThumbWidth(), 120);
}

void ImagesListTest::thumbnailColumnFollowsTheNewSubscriptionOnly() {
    AppWorld world;
    ChannelSpec wide("wide", "Wide");
    wide.thumbs = {{150, 75}};
    ChannelSpec narrow("narrow", "Narrow");
    narrow.thumbs = {{90, 75}};
    world.Publish({wide, narrow});
    auto form = world.StartForm();
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->MaxThumbWidth(), 150);
    form->tsChannels->cbProviders->setCurrentIndex(1);
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->MaxThumbWidth(), 90);
    form->tsChannels->cbProviders->setCurrentIndex(0);
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->MaxThumbWidth(), 150);

    // The channel's thumbnail gets narrower (in a new control file, so the
    // thumbnails are fetched again); refilling the list at the next change
    // never narrows the column.
    narrow.id = "wide";
    narrow.lastModified = std::time(nullptr) + 3600;
    world.PublishChannel(narrow);
    std::filesystem::remove_all(world.appFolder() / "cache" / "wide" / "thumbs");
    form->sbChangeNowClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(RowHeight(List(*form), 0), 79);
    QCOMPARE(form->MaxThumbWidth(), 150);
}

void ImagesListTest::doubleClickPutsTheImageOnTheDesktopThenSaves() {
    AppWorld world;
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    std::filesystem::remove(world.settingsFile());
    world.clock.Advance(0.5);
    List(*form)->selectRow(2);
    form->lbImagesDblClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
    QCOMPARE(form->settings().currentImage, 2);
    QCOMPARE(form->settings().lastChange, world.clock.Now());
    const std::string saved = ReadFile(world.settingsFile());
    QVERIFY(saved.find("CurrentImage=2") != std::string::npos);
    QVERIFY(std::filesystem::exists(world.appFolder() / "desktop.bmp"));
}

void ImagesListTest::doubleClickWithoutSelectionTakesTheNextImage() {
    AppWorld world;
    world.WriteSettings("RandomOrder=0\nCurrentImage=0\n");
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    List(*form)->clearSelection();
    form->lbImagesDblClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(world.platform.wallpaperCalls.size(), 1u);
    // No row: the current image becomes -1, and the rotation goes on from it.
    QCOMPARE(form->settings().currentImage, 0);
}

void ImagesListTest::failedHandPickedChangeEndsQuietly() {
    AppWorld world;
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    std::filesystem::remove(world.settingsFile());
    const DateTime before = form->settings().lastChange;
    const int image = form->settings().currentImage;
    world.clock.Advance(1);
    world.platform.FailWallpaper(true);
    List(*form)->selectRow(1);
    form->lbImagesDblClick();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(AppWorld::Boxes().isEmpty());
    // Nothing reached the desktop: the rotation stays where it was.
    QCOMPARE(form->settings().currentImage, image);
    QCOMPARE(form->settings().lastChange, before);
    QVERIFY(!std::filesystem::exists(world.settingsFile()));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void ImagesListTest::doubleClickDuringAChangeRunsAfterIt() {
    AppWorld world;
    GateOpener opener;
    world.WriteSettings("RandomOrder=0\nCurrentImage=0\n");
    auto form = Subscribed(world, ChannelSpec("c", "C"));
    world.Hold("/c/c/images/i1.jpg", opener.gate, AppWorld::Picture());
    form->sbChangeNowClick();
    QTRY_VERIFY(world.server.Count("GET", "/c/c/images/i1.jpg") > 0);

    List(*form)->selectRow(2);
    form->lbImagesDblClick();
    QCOMPARE(world.platform.wallpaperCalls.size(), 0u);
    opener.gate->Open();
    QVERIFY(AppWorld::Settle(*form));
    // The change, then the picture picked meanwhile.
    QCOMPARE(world.platform.wallpaperCalls.size(), 2u);
    QCOMPARE(form->settings().currentImage, 2);
    QCOMPARE(List(*form)->selectedRow(), 2);
}

QTEST_MAIN(ImagesListTest)
#include "ImagesListTest.moc"
