// The channel list, the welcome page and the subscription, against channels
// served on loopback.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

#include "AppFixture.h"
#include "app/ChannelsPage.h"
#include "app/ImagesList.h"
#include "app/SubscribedPages.h"

using namespace wylo;
using namespace wylo::test;

namespace {

const QString kDownloadMessage = QStringLiteral(
    "There was a problem downloading the channel control file. Sorry, can't continue with this "
    "channel");
const QString kLoadMessage = QStringLiteral(
    "There was a problem loading the channel control file. Sorry, can't continue with this "
    "channel");

void Pick(app::TFormMain& form, int entry) {
    form.tsChannels->cbProviders->setCurrentIndex(entry);
    form.cbProvidersChange();
    QVERIFY(AppWorld::Settle(form));
}

}  // namespace

class ChannelsTest : public QObject {
    Q_OBJECT
private slots:
    void listHoldsTheChannelsWhoseControlFilesLoadWithTheirIndexes();
    void pickedChannelShowsItsDetails();
    void subscriptionFlagAndButtons();
    void channelWithoutPreviewHidesThePicture();
    void unreadablePreviewIsAnErrorAndTheButtonsStillFollow();
    void termsOpenOnlyWebAddresses();
    void refreshOfflineRebuildsFromTheCacheAndEmptiesTheDetails();
    void subscribingWithNewsEndsOnTheNewsPage();
    void subscribingWithoutNewsEndsOnTheImagesPage();
    void subscriptionDownloadFailure();
    void subscriptionLoadFailure();
    void subscriptionIsReopenedAtStartUp();
    void savedChannelMissingFromTheListSubscribesNothing();
    void rowCaptionsFallBackToTheFileName();
};

void ChannelsTest::listHoldsTheChannelsWhoseControlFilesLoadWithTheirIndexes() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}, {"b", "Beta"}, {"c", "Gamma"}});
    world.server.Remove("/c/b/Channel.xml");
    auto form = world.StartForm();
    QComboBox* list = form->tsChannels->cbProviders;
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("Alpha"));
    QCOMPARE(list->itemData(0).toInt(), 0);
    QCOMPARE(list->itemText(1), QStringLiteral("Gamma"));
    QCOMPARE(list->itemData(1).toInt(), 2);
    QVERIFY(AppWorld::Boxes().isEmpty());
}

void ChannelsTest::pickedChannelShowsItsDetails() {
    AppWorld world;
    ChannelSpec a("a", "Alpha");
    ChannelSpec b("b", "Beta");
    b.description = "First line\nSecond\tline";
    b.legal = "http://example.com/terms";
    world.Publish({a, b});
    auto form = world.StartForm();
    Pick(*form, 1);
    app::ChannelsPage* page = form->tsChannels;
    QCOMPARE(form->SelectedChannelId(), QStringLiteral("b"));
    QCOMPARE(page->edTitle->text(), QStringLiteral("Beta"));
    QCOMPARE(page->edDescription->toPlainText(), QStringLiteral("First line\nSecondline"));
    QCOMPARE(page->edDescription->document()->blockCount(), 2);
    QCOMPARE(form->TermsUrl(), QStringLiteral("http://example.com/terms"));
    QVERIFY(!page->iPreview->isHidden());
    QCOMPARE(page->iPreview->picture().size(), QSize(160, 100));
    QVERIFY(std::filesystem::exists(world.appFolder() / "cache" / "b" / "preview.jpg"));
}

void ChannelsTest::subscriptionFlagAndButtons() {
    AppWorld world;
    ChannelSpec yes("yes", "Yes");
    yes.subscription = "tRuE";
    ChannelSpec one("one", "One");
    one.subscription = "1";
    one.legal = "http://example.com/terms";
    ChannelSpec no("no", "No");
    no.subscription = "yes";
    world.Publish({yes, one, no});
    auto form = world.StartForm();
    app::ChannelsPage* page = form->tsChannels;
    QVERIFY(page->cbSubscription->isChecked());
    QVERIFY(!page->sbSubscribe->isHidden());
    QVERIFY(page->sbTerms->isHidden());
    Pick(*form, 1);
    QVERIFY(page->cbSubscription->isChecked());
    QVERIFY(!page->sbTerms->isHidden());
    Pick(*form, 2);
    QVERIFY(!page->cbSubscription->isChecked());
    // Never shown, never usable.
    QVERIFY(page->cbSubscription->isHidden());
    QVERIFY(!page->cbSubscription->isEnabled());
}

void ChannelsTest::channelWithoutPreviewHidesThePicture() {
    AppWorld world;
    ChannelSpec bare("bare", "Bare");
    bare.preview = false;
    world.Publish({{"a", "Alpha"}, bare});
    auto form = world.StartForm();
    QVERIFY(!form->tsChannels->iPreview->isHidden());
    Pick(*form, 1);
    QVERIFY(form->tsChannels->iPreview->isHidden());
}

void ChannelsTest::unreadablePreviewIsAnErrorAndTheButtonsStillFollow() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}});
    world.server.Serve("/c/a/Channel.xml", "<provider><title>Alpha</title><preview>" +
                                               world.server.Url("/c/a/preview.png") +
                                               "</preview></provider>");
    world.server.Serve("/c/a/preview.png", "not really a picture");
    auto form = world.StartForm();
    const auto boxes = AppWorld::Boxes();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].text.contains(QStringLiteral("preview")));
    QVERIFY(!form->tsChannels->sbSubscribe->isHidden());
}

void ChannelsTest::termsOpenOnlyWebAddresses() {
    AppWorld world;
    ChannelSpec web("web", "Web");
    web.legal = "https://example.com/terms";
    ChannelSpec local("local", "Local");
    local.legal = "file:///etc/passwd";
    world.Publish({web, local});
    auto form = world.StartForm();
    form->sbTermsClick();
    QVERIFY(AppWorld::Settle(*form));
    Pick(*form, 1);
    QVERIFY(!form->tsChannels->sbTerms->isHidden());
    form->sbTermsClick();
    QVERIFY(AppWorld::Settle(*form));
    form->ShellOpen(QStringLiteral("/usr/bin/xterm"));
    QCOMPARE(world.platform.openedUrls, std::vector<std::string>{"https://example.com/terms"});
}

void ChannelsTest::refreshOfflineRebuildsFromTheCacheAndEmptiesTheDetails() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}, {"b", "Beta"}}, "http://news.example/");
    auto form = world.StartForm();
    world.server.Stop();
    form->sbRefreshClick();
    QVERIFY(AppWorld::Settle(*form));
    app::ChannelsPage* page = form->tsChannels;
    QCOMPARE(page->cbProviders->count(), 2);
    QVERIFY(page->edTitle->text().isEmpty());
    QVERIFY(page->edDescription->toPlainText().isEmpty());
    QVERIFY(page->sbSubscribe->isHidden());
    QVERIFY(page->iPreview->isHidden());
    QCOMPARE(form->tsWelcome->wbWelcome->url(), QStringLiteral("http://news.example/"));
    QVERIFY(AppWorld::Boxes().isEmpty());
}

void ChannelsTest::subscribingWithNewsEndsOnTheNewsPage() {
    AppWorld world;
    ChannelSpec dunes("dunes", "Dunes");
    dunes.news = "http://news.example/dunes.html";
    dunes.copyright = "(c) Dunes";
    world.Publish({{"a", "Alpha"}, dunes});
    auto form = world.StartForm();
    Pick(*form, 1);
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(form->CurrentChannel(), 1);
    QVERIFY(form->isPageTabVisible(form->tsChannelNews));
    QVERIFY(form->isPageTabVisible(form->tsCurrentChannel));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsChannelNews);
    QCOMPARE(form->tsChannelNews->wbBrowser->url(),
             QStringLiteral("http://news.example/dunes.html"));
    QCOMPARE(form->tsChannelNews->lNewsChannelTitle->text(), QStringLiteral("Dunes"));
    QCOMPARE(form->tsCurrentChannel->lTitle->text(), QStringLiteral("Dunes"));
    QCOMPARE(form->tsChannelNews->lNewsChannelCopyright->text(), QStringLiteral("(c) Dunes"));
    QCOMPARE(form->tsCurrentChannel->lCopyright->text(), QStringLiteral("(c) Dunes"));
    QCOMPARE(form->tsCurrentChannel->lbImages->count(), 3);
    QCOMPARE(form->tsCurrentChannel->lbImages->selectedRow(), -1);
}

void ChannelsTest::subscribingWithoutNewsEndsOnTheImagesPage() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}});
    auto form = world.StartForm();
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(!form->isPageTabVisible(form->tsChannelNews));
    QVERIFY(form->isPageTabVisible(form->tsCurrentChannel));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsCurrentChannel);
    QVERIFY(AppWorld::Boxes().isEmpty());
}

void ChannelsTest::subscriptionDownloadFailure() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}, {"b", "Beta"}});
    auto form = world.StartForm();
    Pick(*form, 1);
    // The control file is gone from the server and from the cache.
    world.server.Remove("/c/b/Channel.xml");
    std::filesystem::remove(world.appFolder() / "cache" / "b" / "Channel.xml");
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    const auto boxes = AppWorld::Boxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[0].text, kDownloadMessage);
    QVERIFY(!form->isPageTabVisible(form->tsChannelNews));
    QVERIFY(!form->isPageTabVisible(form->tsCurrentChannel));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsChannels);
    QCOMPARE(form->CurrentChannel(), 1);
}

void ChannelsTest::subscriptionLoadFailure() {
    AppWorld world;
    ChannelSpec a("a", "Alpha");
    a.news = "http://news.example/";
    world.Publish({a});
    auto form = world.StartForm();
    // A cached copy the server cannot replace, and that is not well-formed.
    world.server.Remove("/c/a/Channel.xml");
    WriteFile(world.appFolder() / "cache" / "a" / "Channel.xml", "<provider><title>");
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    const auto boxes = AppWorld::Boxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].caption, QStringLiteral("Error"));
    QCOMPARE(boxes[0].text, kLoadMessage);
    QVERIFY(!form->isPageTabVisible(form->tsChannelNews));
    QVERIFY(!form->isPageTabVisible(form->tsCurrentChannel));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsChannels);
    QCOMPARE(form->CurrentChannel(), 0);
}

void ChannelsTest::subscriptionIsReopenedAtStartUp() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}, {"b", "Beta"}});
    world.WriteSettings("CurrentChannel=1\nCurrentImage=2\n");
    auto form = world.StartForm();
    QCOMPARE(form->tsChannels->cbProviders->currentIndex(), 1);
    QCOMPARE(form->tsCurrentChannel->lTitle->text(), QStringLiteral("Beta"));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsCurrentChannel);
    QCOMPARE(form->tsCurrentChannel->lbImages->selectedRow(), 2);
}

void ChannelsTest::savedChannelMissingFromTheListSubscribesNothing() {
    AppWorld world;
    world.Publish({{"a", "Alpha"}});
    world.WriteSettings("CurrentChannel=5\n");
    auto form = world.StartForm();
    QCOMPARE(form->tsChannels->cbProviders->currentIndex(), -1);
    QVERIFY(!form->isPageTabVisible(form->tsCurrentChannel));
    QCOMPARE(form->PageControl1->currentWidget(), form->tsWelcome);
    QVERIFY(AppWorld::Boxes().isEmpty());
    QCOMPARE(form->CurrentChannel(), 5);
}

void ChannelsTest::rowCaptionsFallBackToTheFileName() {
    AppWorld world;
    ChannelSpec a("a", "Alpha");
    a.imageTitles = {"", "Named", ""};
    world.Publish({a});
    auto form = world.StartForm();
    form->sbSubscribeClick();
    QVERIFY(AppWorld::Settle(*form));
    app::ImagesList* list = form->tsCurrentChannel->lbImages;
    QCOMPARE(list->item(0)->text(), QStringLiteral("i0.jpg"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("Named"));
    QCOMPARE(list->item(2)->data(Qt::UserRole).toInt(), 2);
}

QTEST_MAIN(ChannelsTest)
#include "ChannelsTest.moc"
