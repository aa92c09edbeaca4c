// The settings page: its layout for one and for several monitors, the
// monitor map, the controls kept in step, the colour panels, and the
// settings file behind them.
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include "AppFixture.h"
#include "app/ChannelsPage.h"
#include "app/Controls.h"
#include "app/MonitorMapWidget.h"
#include "app/SettingsPage.h"
#include "platform/linux/LinuxPlatform.h"

using namespace wylo;
using namespace wylo::test;

namespace {

std::vector<Monitor> ThreeMonitors() {
    return {
        {{0, 0, 1920, 1080}, true}, {{1920, 0, 3840, 1080}, false}, {{-1280, 0, 0, 1024}, false}};
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The test's system with the real start-at-login entry of Linux, in the
// XDG_CONFIG_HOME the test sets.
class LoginPlatform : public FakePlatform {
public:
    using FakePlatform::FakePlatform;
    bool StartsAtLogin() const override { return system_.StartsAtLogin(); }
    void SetStartAtLogin(bool start) override { system_.SetStartAtLogin(start); }

private:
    LinuxPlatform system_;
};

// XDG_CONFIG_HOME set for as long as it lives.
class PrivateConfig {
public:
    explicit PrivateConfig(const std::filesystem::path& folder) {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder.string()));
    }
    ~PrivateConfig() { qunsetenv("XDG_CONFIG_HOME"); }
    PrivateConfig(const PrivateConfig&) = delete;
    PrivateConfig& operator=(const PrivateConfig&) = delete;
};

}  // namespace

class SettingsPageTest : public QObject {
    Q_OBJECT
private slots:
    void controlsSitWhereTheFormPutsThem();
    void checkBoxesAreTickedAndShowTheirHints();
    void threeMonitorsAreListedForTheSingleScreenMode();
    void oneMonitorTakesTheSingleScreenLayout();
    void monitorMapOfTwoMonitors();
    void multiScreenChoiceAndPagesStayInStep();
    void zoomBoxFollowsItsPlacement();
    void placementsLoadIntoTheirPagesAndSaveBack();
    void colourPanelsTakeTheDialogsColourUnlessCancelled();
    void leavingTheSettingsPageWritesTheWholeFile();
    void hidingTheWindowDoesNotCountAsLeaving();
    void settingsLoadIntoTheControls();
    void minutesWithFrequencyOneKeepsOneUntilTheUserPicksAUnit();
    void pickingAUnitNarrowsTheRangeWhenTheUserStepsOrLeaves();
    void disabledSchedulerGreysItsControls();
    void firstStartDefaults();
    void everyControlIsReachableByKeyboard();
    void startAtLoginBoxWritesAndRemovesTheAutostartEntry();
    void openingThePageShowsTheEntryAsTheSystemHasIt();
    void startAtLoginTheSystemRefusesIsShownAndTheBoxStaysTrue();
    void cacheRowFitsBelowTheMapClearOfEverything();
    void cacheLimitLoadsChangesAndIsSavedOnLeaving();
    void openingThePageShowsWhatTheCacheHolds();
    void eachMonitorCanShowAChannelOfItsOwn();
};

void SettingsPageTest::controlsSitWhereTheFormPutsThem() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->lScreens->pos(), QPoint(3, 3));
    QCOMPARE(s->mScreenMetrics->geometry(), QRect(3, 22, 374, 89));
    // The map gives up a row at its foot to the cache's limit.
    QCOMPARE(s->Panel1->geometry(), QRect(3, 117, 374, 236));
    QCOMPARE(s->rgMultiScreen->pos(), QPoint(448, 3));
    QCOMPARE(s->rgMultiScreen->title(), QStringLiteral("How to handle multiple screens "));
    QCOMPARE(s->pcMultiScreen->geometry(), QRect(383, 117, 322, 193));
    QCOMPARE(s->pcSingleScreen->geometry(), QRect(383, 117, 322, 193));
    QCOMPARE(s->gbMisc->pos(), QPoint(448, 316));
    QCOMPARE(s->gbSchedule->pos(), QPoint(421, 441));
    QCOMPARE(s->cbEnableScheduler->pos(), QPoint(487, 441));
    QCOMPARE(s->GroupBox3->geometry(), QRect(3, 386, 374, 104));
    QCOMPARE(s->pnBGColour->geometry(), QRect(42, 37, 125, 41));
    QCOMPARE(s->pnFGColour->geometry(), QRect(204, 37, 125, 41));
    QCOMPARE(s->cbSingleMonitorToUse->geometry().topLeft(), QPoint(123, 6));
    QVERIFY(!s->rgMultiScreen->isHidden());
    QVERIFY(!s->pcMultiScreen->isHidden());
    QVERIFY(s->pcSingleScreen->isHidden());
    QCOMPARE(s->pcMultiScreen->tabText(0), QStringLiteral("Same"));
    QCOMPARE(s->pcMultiScreen->tabText(1), QStringLiteral("Different"));
    QCOMPARE(s->pcMultiScreen->tabText(2), QStringLiteral("Single"));
    QCOMPARE(s->pcSingleScreen->tabText(0), QStringLiteral("Image Placement"));
    // Every multi-screen page offers its placement; the zoom only for "Zoom".
    for (QWidget* w :
         {static_cast<QWidget*>(s->RadioGroup3), static_cast<QWidget*>(s->ComboBox1),
          static_cast<QWidget*>(s->rgPlacementDifferent), static_cast<QWidget*>(s->cbZoomDifferent),
          static_cast<QWidget*>(s->RadioGroup1), static_cast<QWidget*>(s->ComboBox2)}) {
        QVERIFY2(!w->isHidden(), qPrintable(w->objectName()));
    }
    QVERIFY(!s->cbZoomDifferent->isEnabled());
    // Nothing on the "Single" page lies over anything else on it.
    const QList<QWidget*> single = s->tsSingle->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : single) {
        for (QWidget* b : single) {
            if (a != b && !a->isHidden() && !b->isHidden()) {
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " and " + b->objectName()));
            }
        }
    }
    // The smoothing switch sits in the tab bar's free corner, clear of the tabs.
    QVERIFY(!s->cbSmoothScaling->isChecked());
    QCOMPARE(s->pcMultiScreen->cornerWidget(), s->cbSmoothScaling);
    QCOMPARE(s->cbSSZoom->currentText(), QStringLiteral("100"));
}

void SettingsPageTest::checkBoxesAreTickedAndShowTheirHints() {
    AppWorld world;
    auto form = world.MakeForm();
    app::SettingsPage* s = form->tsSettings;
    const QList<QCheckBox*> boxes = {s->cbBGOverride, s->cbIconTextOverride,
                                     s->cbIconTransparancyOverride, s->cbRandomOrder};
    const int tops[] = {17, 37, 57, 77};
    for (int i = 0; i < boxes.size(); ++i) {
        QVERIFY(boxes[i]->isChecked());
        QCOMPARE(boxes[i]->pos(), QPoint(3, tops[i]));
        QVERIFY(!boxes[i]->toolTip().isEmpty());
        // The caption is never cut.
        QVERIFY(boxes[i]->width() >= boxes[i]->sizeHint().width());
    }
    QCOMPARE(s->cbRandomOrder->toolTip(),
             QStringLiteral("Ticking this box means Wylo will process the images in a channel "
                            "randomly, otherwise they will be processed sequentially."));
    QVERIFY(s->pnBGColour->toolTip().endsWith(QStringLiteral("single screen. ")));
}

void SettingsPageTest::threeMonitorsAreListedForTheSingleScreenMode() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    auto form = world.StartForm();
    QComboBox* list = form->tsSettings->cbSingleMonitorToUse;
    QCOMPARE(list->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(list->itemText(i), QStringLiteral("Monitor %1").arg(i + 1));
        QCOMPARE(list->itemData(i).toInt(), i);
    }
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(form->tsSettings->monitorMap->monitorPanels().size(), 3);
}

void SettingsPageTest::oneMonitorTakesTheSingleScreenLayout() {
    AppWorld world;
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->cbSingleMonitorToUse->count(), 0);
    QVERIFY(s->rgMultiScreen->isHidden());
    QVERIFY(s->pcMultiScreen->isHidden());
    QVERIFY(!s->pcSingleScreen->isHidden());
    QCOMPARE(s->pcSingleScreen->y(), 3);
    QCOMPARE(s->gbMisc->y(), 202);
    QCOMPARE(s->gbSchedule->y(), 327);
    QCOMPARE(s->cbEnableScheduler->y(), 327);
    // The empty list saves as no choice.
    form->SaveSettings();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(Has(ReadFile(world.settingsFile()), "ActiveSingleMonitor=-1"));
    // The map of one 1920 x 1080 monitor.
    QCOMPARE(s->monitorMap->geometry(), QRect(5, 15, 364, 206));
    QCOMPARE(s->monitorMap->monitorPanels().at(0)->geometry(), QRect(0, 0, 362, 203));
    QCOMPARE(s->mScreenMetrics->toPlainText(),
             QStringLiteral("Monitor Count : 1\n\nMonitor 1 Resolution : 1920x1080\n\n"
                            "Desktop Resolution : 1920x1080"));
}

void SettingsPageTest::monitorMapOfTwoMonitors() {
    AppWorld world;
    world.platform.SetMonitors({{{0, 0, 1920, 1080}, true}, {{-1280, 0, 0, 1024}, false}});
    auto form = world.StartForm();
    app::MonitorMap* map = form->tsSettings->monitorMap;
    QCOMPARE(map->parentWidget(), form->tsSettings->Panel1);
    QCOMPARE(map->geometry(), QRect(5, 56, 364, 124));
    const auto panels = map->monitorPanels();
    QCOMPARE(panels.size(), 2);
    QCOMPARE(panels[0]->geometry(), QRect(146, 0, 216, 121));
    QCOMPARE(panels[0]->caption(), QStringLiteral("1"));
    QCOMPARE(panels[0]->toolTip(), QStringLiteral("1920x1080"));
    QCOMPARE(panels[1]->geometry(), QRect(0, 0, 144, 114));
    QCOMPARE(panels[1]->caption(), QStringLiteral("2"));
    QCOMPARE(panels[1]->toolTip(), QStringLiteral("1280x1024"));
    QCOMPARE(
        form->tsSettings->mScreenMetrics->toPlainText().split('\n'),
        QStringList({"Monitor Count : 2", "", "Monitor 1 Resolution : 1920x1080",
                     "Monitor 2 Resolution : 1280x1024", "", "Desktop Resolution : 3200x1080"}));
}

void SettingsPageTest::multiScreenChoiceAndPagesStayInStep() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    s->rgMultiScreen->button(1)->click();
    QCOMPARE(s->pcMultiScreen->currentWidget(), s->tsDifferent);
    QCOMPARE(form->settings().multiScreenOpt, MultiScreen::Different);
    s->pcMultiScreen->setCurrentIndex(2);
    QCOMPARE(s->rgMultiScreen->itemIndex(), 2);
    QCOMPARE(form->settings().multiScreenOpt, MultiScreen::Single);
    // One picture across all screens, with a placement of its own.
    QCOMPARE(s->rgMultiScreen->button(3)->text(), QStringLiteral("One Picture Across All Screens"));
    s->rgMultiScreen->button(3)->click();
    QCOMPARE(s->pcMultiScreen->currentWidget(), s->tsSpan);
    QCOMPARE(s->pcMultiScreen->tabText(3), QStringLiteral("Span"));
    QCOMPARE(form->settings().multiScreenOpt, MultiScreen::Span);
    s->rgPlacementSpan->button(3)->click();
    QVERIFY(s->cbZoomSpan->isEnabled());
    s->cbZoomSpan->setCurrentIndex(s->cbZoomSpan->findText(QStringLiteral("120")));
    QCOMPARE(form->settings().placementSpan, (ImagePlacement{PlacementMode::Zoom, 120}));
    form->SaveSettings();
    QVERIFY(AppWorld::Settle(*form));
    const std::string text = ReadFile(world.settingsFile());
    QVERIFY(Has(text, "MultiScreenOpt=3"));
    QVERIFY(Has(text, "PlacementSpan=3"));
    QVERIFY(Has(text, "ZoomSpan=120"));
}

void SettingsPageTest::zoomBoxFollowsItsPlacement() {
    AppWorld world;
    auto form = world.MakeForm();
    app::SettingsPage* s = form->tsSettings;
    s->rgPlacementDifferent->setItemIndex(3);
    QVERIFY(s->cbZoomDifferent->isEnabled());
    QVERIFY(s->Label3->isEnabled());
    s->rgPlacementDifferent->setItemIndex(1);
    QVERIFY(!s->cbZoomDifferent->isEnabled());
    s->rgSSPlacement->setItemIndex(3);
    QVERIFY(s->cbSSZoom->isEnabled());
    // The one-monitor page shows the "Same" choice.
    QCOMPARE(s->RadioGroup3->itemIndex(), 3);
    s->cbSSZoom->setCurrentIndex(s->cbSSZoom->findText(QStringLiteral("50")));
    QCOMPARE(s->ComboBox1->currentText(), QStringLiteral("50"));
    s->cbSSSmoothScaling->click();
    QVERIFY(s->cbSmoothScaling->isChecked());
    QCOMPARE(form->settings().placementSame, (ImagePlacement{PlacementMode::Zoom, 50}));
    QVERIFY(form->settings().smoothScaling);
}

void SettingsPageTest::placementsLoadIntoTheirPagesAndSaveBack() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    world.WriteSettings(
        "PlacementSame=3\nZoomSame=150\nPlacementDifferent=1\nZoomDifferent=20\n"
        "PlacementSingle=2\nZoomSingle=77\nSmoothScaling=1\n");
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->RadioGroup3->itemIndex(), 3);
    QCOMPARE(s->ComboBox1->currentText(), QStringLiteral("150"));
    QVERIFY(s->ComboBox1->isEnabled());
    QCOMPARE(s->rgPlacementDifferent->itemIndex(), 1);
    QCOMPARE(s->cbZoomDifferent->currentText(), QStringLiteral("20"));
    QCOMPARE(s->RadioGroup1->itemIndex(), 2);
    QCOMPARE(s->ComboBox2->currentText(), QStringLiteral("100"));  // 77 is no choice
    QVERIFY(s->cbSmoothScaling->isChecked());
    QCOMPARE(form->settings().placementDifferent, (ImagePlacement{PlacementMode::Tile, 20}));

    // The user's choice reaches the core at once and the file on leaving.
    s->rgPlacementDifferent->button(3)->click();
    s->cbZoomDifferent->setCurrentIndex(s->cbZoomDifferent->findText(QStringLiteral("175")));
    s->cbSmoothScaling->click();
    QCOMPARE(form->settings().placementDifferent, (ImagePlacement{PlacementMode::Zoom, 175}));
    QVERIFY(!form->settings().smoothScaling);
    form->SaveSettings();
    QVERIFY(AppWorld::Settle(*form));
    const std::string text = ReadFile(world.settingsFile());
    QVERIFY(Has(text, "PlacementDifferent=3"));
    QVERIFY(Has(text, "ZoomDifferent=175"));
    QVERIFY(Has(text, "SmoothScaling=0"));
}

void SettingsPageTest::colourPanelsTakeTheDialogsColourUnlessCancelled() {
    AppWorld world;
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    app::ColourDialog::setNextColour(QColor(255, 0, 0));
    QVERIFY(s->pnBGColourDblClick());
    QCOMPARE(app::ColourDialog::lastInitial(), QColor(0, 0, 0));
    QCOMPARE(s->pnBGColour->colour(), Colour{0x0000FF});
    QCOMPARE(form->settings().bgColour, Colour{0x0000FF});
    app::ColourDialog::setNextColour(std::nullopt);
    QVERIFY(!s->pnFGColourDblClick());
    QCOMPARE(s->pnFGColour->colour(), kWhite);
    // A double-click on the panel opens the dialog too.
    app::ColourDialog::setNextColour(QColor(0, 0, 255));
    QTest::mouseDClick(s->pnFGColour, Qt::LeftButton);
    QCOMPARE(s->pnFGColour->colour(), Colour{0xFF0000});

    // The real dialog, under its own name, starts from the panel's colour;
    // closing it without choosing changes nothing.
    QString shownName;
    QColor shownColour;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            shownName = dialog->objectName();
            shownColour = dialog->currentColor();
            dialog->reject();
        }
    });
    QVERIFY(!s->pnFGColourDblClick());
    QCOMPARE(shownName, QStringLiteral("ColorDialog"));
    QCOMPARE(shownColour, QColor(0, 0, 255));
    QCOMPARE(s->pnFGColour->colour(), Colour{0xFF0000});
}

void SettingsPageTest::leavingTheSettingsPageWritesTheWholeFile() {
    AppWorld world;
    auto form = world.StartForm();
    std::filesystem::remove(world.settingsFile());
    form->PageControl1->setCurrentWidget(form->tsSettings);
    QVERIFY(!std::filesystem::exists(world.settingsFile()));
    form->PageControl1->setCurrentWidget(form->tsChannels);
    // Written beside the window.
    QVERIFY(AppWorld::Settle(*form));
    const std::string saved = ReadFile(world.settingsFile());
    for (const char* key :
         {"CurrentChannel=", "CurrentImage=", "MultiScreenOpt=", "IconTransparancy=",
          "RandomOrder=", "ActiveSingleMonitor=", "EnableScheduler=", "LastChange=",
          "ScheduleType=", "ScheduleFrequency=", "BGColour=", "FGColour="}) {
        QVERIFY2(Has(saved, key), key);
    }
}

void SettingsPageTest::hidingTheWindowDoesNotCountAsLeaving() {
    AppWorld world;
    auto form = world.StartForm();
    form->PageControl1->setCurrentWidget(form->tsSettings);
    form->show();
    std::filesystem::remove(world.settingsFile());
    form->hide();
    QVERIFY(!std::filesystem::exists(world.settingsFile()));
}

void SettingsPageTest::settingsLoadIntoTheControls() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    world.WriteSettings(
        "MultiScreenOpt=7\nRandomOrder=0x0\nIconTransparancy=true\nActiveSingleMonitor=2\n"
        "ScheduleType=9\nScheduleFrequency=20000\nBGColour=0xFF\nFGColour=255\n");
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->rgMultiScreen->itemIndex(), 2);
    QCOMPARE(s->pcMultiScreen->currentWidget(), s->tsSingle);
    QVERIFY(!s->cbRandomOrder->isChecked());
    QVERIFY(s->cbIconTransparancyOverride->isChecked());
    QCOMPARE(s->cbSingleMonitorToUse->currentIndex(), 2);
    QCOMPARE(s->cbScheduleType->currentIndex(), -1);
    QCOMPARE(s->seScheduleFrequency->value(), 9999);
    QCOMPARE(s->pnBGColour->colour(), Colour{255});
    QCOMPARE(form->settings().scheduleType, ScheduleUnit::None);

    AppWorld other;
    other.WriteSettings("ScheduleFrequency=0\nMultiScreenOpt=-5\n");
    auto second = other.StartForm();
    QCOMPARE(second->tsSettings->seScheduleFrequency->value(), 1);
    QCOMPARE(second->tsSettings->rgMultiScreen->itemIndex(), -1);
}

void SettingsPageTest::minutesWithFrequencyOneKeepsOneUntilTheUserPicksAUnit() {
    AppWorld world;
    world.WriteSettings("ScheduleType=0\nScheduleFrequency=1\n");
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->cbScheduleType->currentIndex(), 0);
    QCOMPARE(s->seScheduleFrequency->value(), 1);
    QCOMPARE(form->settings().scheduleFrequency, 1);
    form->SaveSettings();
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(Has(ReadFile(world.settingsFile()), "ScheduleFrequency=1"));
}

void SettingsPageTest::pickingAUnitNarrowsTheRangeWhenTheUserStepsOrLeaves() {
    AppWorld world;
    world.WriteSettings("ScheduleType=1\nScheduleFrequency=1\n");
    auto form = world.StartForm();
    app::SpinEdit* spin = form->tsSettings->seScheduleFrequency;
    form->cbScheduleTypeChange(0);
    QCOMPARE(spin->allowedMinimum(), 5);
    QCOMPARE(spin->allowedMaximum(), 59);
    QCOMPARE(spin->value(), 1);
    spin->stepBy(1);
    QCOMPARE(spin->value(), 5);
    QCOMPARE(form->settings().scheduleFrequency, 5);
    form->cbScheduleTypeChange(3);
    QCOMPARE(spin->value(), 5);
    spin->stepBy(-1);
    QCOMPARE(spin->value(), 3);
}

void SettingsPageTest::disabledSchedulerGreysItsControls() {
    AppWorld world;
    // A host that answers, so no retry of the directory keeps the timer on.
    world.Publish({ChannelSpec("sea", "The Sea")});
    world.WriteSettings("EnableScheduler=0\n");
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QVERIFY(!s->cbEnableScheduler->isChecked());
    QVERIFY(!s->gbSchedule->isEnabled());
    QVERIFY(!s->Label7->isEnabled());
    QVERIFY(!s->seScheduleFrequency->isEnabled());
    QVERIFY(!s->cbScheduleType->isEnabled());
    QVERIFY(s->cbEnableScheduler->isEnabled());
    QVERIFY(!form->tSchedule->isActive());
    s->cbEnableScheduler->setChecked(true);
    QVERIFY(s->gbSchedule->isEnabled());
    QVERIFY(form->tSchedule->isActive());
}

void SettingsPageTest::firstStartDefaults() {
    AppWorld world;
    auto form = world.StartForm();
    const Settings& st = form->settings();
    QVERIFY(st.enableScheduler);
    QCOMPARE(st.scheduleType, ScheduleUnit::Minutes);
    QCOMPARE(st.scheduleFrequency, 1);
    QVERIFY(st.randomOrder);
    QVERIFY(st.iconTransparency);
    QCOMPARE(st.multiScreenOpt, MultiScreen::Same);
    QCOMPARE(st.bgColour, kBlack);
    QCOMPARE(st.fgColour, kWhite);
    QCOMPARE(st.currentChannel, -1);
    QCOMPARE(st.lastChange, world.clock.Now());
}

void SettingsPageTest::everyControlIsReachableByKeyboard() {
    AppWorld world;
    world.platform.SetMonitors(ThreeMonitors());
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    const QList<QWidget*> controls = {s->mScreenMetrics,
                                      s->rgMultiScreen->button(0),
                                      s->cbSingleMonitorToUse,
                                      s->cbBGOverride,
                                      s->cbIconTextOverride,
                                      s->cbIconTransparancyOverride,
                                      s->cbRandomOrder,
                                      s->cbEnableScheduler,
                                      s->seScheduleFrequency,
                                      s->cbScheduleType,
                                      s->pnBGColour,
                                      s->pnFGColour,
                                      form->PageControl1->tabBar()};
    for (QWidget* w : controls) {
        QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(w->objectName()));
    }
    // Enter on a focused colour panel opens the colour dialog.
    app::ColourDialog::setNextColour(QColor(0, 255, 0));
    QTest::keyClick(s->pnBGColour, Qt::Key_Return);
    QCOMPARE(s->pnBGColour->colour(), Colour{0x00FF00});
}

void SettingsPageTest::startAtLoginBoxWritesAndRemovesTheAutostartEntry() {
    AppWorld world;
    PrivateConfig config(world.root / "config");
    LoginPlatform platform(world.root.path() / "shared");
    app::TFormMain form(platform, world.clock, world.directoryUrl());
    form.FormCreate();
    QVERIFY(AppWorld::Settle(form));
    form.PageControl1->setCurrentWidget(form.tsSettings);
    QCheckBox* box = form.tsSettings->cbStartAtLogin;
    QCOMPARE(box->text(), QStringLiteral("Start Wylo when I log in"));
    QVERIFY(box->isVisible() || !form.isVisible());
    QVERIFY(!box->isChecked());
    // Inside its group, clear of the other switches and of the schedule.
    QVERIFY(form.tsSettings->gbMisc->rect().contains(box->geometry()));
    QVERIFY(!box->geometry().intersects(form.tsSettings->cbRandomOrder->geometry()));
    QVERIFY(
        !form.tsSettings->gbMisc->geometry().intersects(form.tsSettings->gbSchedule->geometry()));

    const std::filesystem::path entry = world.root / "config" / "autostart" / "wylo.desktop";
    box->click();
    QVERIFY(box->isChecked());
    QVERIFY(std::filesystem::exists(entry));
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    QVERIFY(Has(ReadFile(entry), "\nExec=" + self + "\n"));
    // Not a setting of the settings file.
    form.PageControl1->setCurrentWidget(form.tsChannels);
    QVERIFY(AppWorld::Settle(form));
    QVERIFY(!Has(ReadFile(world.settingsFile()), "ogin"));

    form.PageControl1->setCurrentWidget(form.tsSettings);
    QVERIFY(box->isChecked());
    box->click();
    QVERIFY(!box->isChecked());
    QVERIFY(!std::filesystem::exists(entry));
    QVERIFY(AppWorld::Boxes().isEmpty());
}

void SettingsPageTest::openingThePageShowsTheEntryAsTheSystemHasIt() {
    AppWorld world;
    PrivateConfig config(world.root / "config");
    LoginPlatform platform(world.root.path() / "shared");
    app::TFormMain form(platform, world.clock, world.directoryUrl());
    form.FormCreate();
    QVERIFY(AppWorld::Settle(form));
    QCheckBox* box = form.tsSettings->cbStartAtLogin;
    const std::filesystem::path entry = world.root / "config" / "autostart" / "wylo.desktop";
    form.PageControl1->setCurrentWidget(form.tsSettings);
    box->click();
    QVERIFY(std::filesystem::exists(entry));

    // The user removes the entry with the desktop's own tool meanwhile.
    form.PageControl1->setCurrentWidget(form.tsChannels);
    std::filesystem::remove(entry);
    form.PageControl1->setCurrentWidget(form.tsSettings);
    QVERIFY(!box->isChecked());

    // ... or switches it off there, which leaves the file hidden.
    box->click();
    form.PageControl1->setCurrentWidget(form.tsWelcome);
    WriteFile(entry, ReadFile(entry) + "Hidden=true\n");
    form.PageControl1->setCurrentWidget(form.tsSettings);
    QVERIFY(!box->isChecked());
    // Ticking it again makes an entry that runs.
    box->click();
    QVERIFY(box->isChecked());
    QVERIFY(!Has(ReadFile(entry), "Hidden"));

    // An entry made by other means shows too.
    form.PageControl1->setCurrentWidget(form.tsWelcome);
    std::filesystem::remove(entry);
    form.PageControl1->setCurrentWidget(form.tsSettings);
    QVERIFY(!box->isChecked());
    form.PageControl1->setCurrentWidget(form.tsWelcome);
    WriteFile(entry, "[Desktop Entry]\nType=Application\nName=Wylo\nExec=wylo\n");
    form.PageControl1->setCurrentWidget(form.tsSettings);
    QVERIFY(box->isChecked());
}

void SettingsPageTest::startAtLoginTheSystemRefusesIsShownAndTheBoxStaysTrue() {
    AppWorld world;
    auto form = world.StartForm();
    form->PageControl1->setCurrentWidget(form->tsSettings);
    QCheckBox* box = form->tsSettings->cbStartAtLogin;
    world.platform.failStartAtLogin = true;
    box->click();
    QVERIFY(!box->isChecked());
    QVERIFY(!world.platform.startsAtLogin);
    QCOMPARE(AppWorld::Boxes().size(), 1);
    QVERIFY(AppWorld::Boxes().front().text.contains(QStringLiteral("permission denied")));
}

void SettingsPageTest::cacheRowFitsBelowTheMapClearOfEverything() {
    for (const int monitors : {3, 1}) {
        AppWorld world;
        if (monitors == 3) {
            world.platform.SetMonitors(ThreeMonitors());
        }
        auto form = world.StartForm();
        app::SettingsPage* s = form->tsSettings;
        const QList<QWidget*> row = {s->lCacheLimit, s->seCacheLimit, s->lCacheLimitUnit,
                                     s->lCacheSize};
        QCOMPARE(s->lCacheLimit->text(), QStringLiteral("Cache Limit"));
        QCOMPARE(s->lCacheLimitUnit->text(), QStringLiteral("MB"));
        QCOMPARE(s->lCacheLimit->buddy(), s->seCacheLimit);
        QVERIFY(s->seCacheLimit->focusPolicy() & Qt::TabFocus);
        // Between the map and the colours, inside the left column.
        for (QWidget* w : row) {
            QVERIFY2(!w->isHidden(), qPrintable(w->objectName()));
            QVERIFY2(w->geometry().top() > s->Panel1->geometry().bottom(),
                     qPrintable(w->objectName()));
            QVERIFY2(w->geometry().bottom() < s->GroupBox3->geometry().top(),
                     qPrintable(w->objectName()));
            QVERIFY2(w->geometry().right() <= s->Panel1->geometry().right(),
                     qPrintable(w->objectName()));
        }
        // Nothing shown on the page lies over anything else on it.
        const QList<QWidget*> all = s->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : row) {
            for (QWidget* b : all) {
                if (a != b && !b->isHidden()) {
                    QVERIFY2(!a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " and " + b->objectName()));
                }
            }
        }
        // The number fits its largest value.
        s->seCacheLimit->setValue(s->seCacheLimit->maximum());
        QVERIFY(s->seCacheLimit->width() >= s->seCacheLimit->sizeHint().width());
    }
}

void SettingsPageTest::cacheLimitLoadsChangesAndIsSavedOnLeaving() {
    AppWorld world;
    world.WriteSettings("CacheLimit=300\n");
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QCOMPARE(s->seCacheLimit->value(), 300);
    QCOMPARE(form->settings().cacheLimit, std::uint64_t{300} * 1024 * 1024);
    QCOMPARE(s->seCacheLimit->minimum(), 50);
    QCOMPARE(s->seCacheLimit->maximum(), 1024 * 1024);

    form->PageControl1->setCurrentWidget(form->tsSettings);
    QVERIFY(AppWorld::Settle(*form));
    s->seCacheLimit->setFocus();
    s->seCacheLimit->selectAll();
    QTest::keyClicks(s->seCacheLimit, QStringLiteral("2048"));
    QCOMPARE(form->settings().cacheLimit, std::uint64_t{2048} * 1024 * 1024);
    form->PageControl1->setCurrentWidget(form->tsChannels);
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(Has(ReadFile(world.settingsFile()), "CacheLimit=2048"));

    // A limit below what the page offers comes up at the least it offers.
    AppWorld small;
    small.WriteSettings("CacheLimit=10\n");
    auto second = small.StartForm();
    QCOMPARE(second->tsSettings->seCacheLimit->value(), 50);
    QCOMPARE(second->settings().cacheLimit, std::uint64_t{50} * 1024 * 1024);

    // A user who never touches it keeps a file without the key.
    AppWorld plain;
    auto third = plain.StartForm();
    QCOMPARE(third->tsSettings->seCacheLimit->value(), 1024);
    third->PageControl1->setCurrentWidget(third->tsSettings);
    third->PageControl1->setCurrentWidget(third->tsChannels);
    QVERIFY(AppWorld::Settle(*third));
    QVERIFY(!Has(ReadFile(plain.settingsFile()), "CacheLimit"));
}

void SettingsPageTest::openingThePageShowsWhatTheCacheHolds() {
    AppWorld world;
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    const std::filesystem::path images = world.appFolder() / "cache" / "dunes" / "images";
    std::filesystem::create_directories(images);
    WriteFile(images / "a.jpg", std::string(3 * 1024 * 1024, 'a'));
    WriteFile(images / "a.bmp", std::string(9 * 1024 * 1024, 'b'));
    form->PageControl1->setCurrentWidget(form->tsSettings);
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(s->lCacheSize->text(), QStringLiteral("The cache holds 12 MB."));

    // Measured anew each time the page opens.
    std::filesystem::remove(images / "a.bmp");
    form->PageControl1->setCurrentWidget(form->tsChannels);
    form->PageControl1->setCurrentWidget(form->tsSettings);
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(s->lCacheSize->text(), QStringLiteral("The cache holds 3 MB."));
}

void SettingsPageTest::eachMonitorCanShowAChannelOfItsOwn() {
    AppWorld world;
    world.Publish({ChannelSpec("sea", "The Sea"), ChannelSpec("alps", "Alps")});
    world.platform.SetMonitors(ThreeMonitors());
    auto form = world.StartForm();
    app::SettingsPage* s = form->tsSettings;
    QComboBox* monitors = s->cbDifferentMonitor;
    QComboBox* channels = s->cbMonitorChannel;
    QCOMPARE(monitors->count(), 3);
    QCOMPARE(monitors->itemText(2), QStringLiteral("Monitor 3"));
    // The subscribed channel first, then the channel list.
    QCOMPARE(channels->count(), 3);
    QCOMPARE(channels->itemText(0), QStringLiteral("Subscribed Channel"));
    QCOMPARE(channels->itemText(2), QStringLiteral("Alps"));
    QCOMPARE(channels->currentIndex(), 0);

    monitors->setCurrentIndex(1);
    channels->setCurrentIndex(2);
    emit channels->activated(2);
    QCOMPARE(form->session().MonitorChannel(1), 1);
    // Each monitor shows its own choice.
    monitors->setCurrentIndex(0);
    QCOMPARE(channels->currentIndex(), 0);
    monitors->setCurrentIndex(1);
    QCOMPARE(channels->currentText(), QStringLiteral("Alps"));
    // Clicking a monitor on the map chooses it here too.
    QTest::mouseClick(s->monitorMap->monitorPanels().at(2), Qt::LeftButton);
    QCOMPARE(monitors->currentIndex(), 2);
    QCOMPARE(channels->currentIndex(), 0);
    QTest::mouseClick(s->monitorMap->monitorPanels().at(1), Qt::LeftButton);
    QCOMPARE(channels->currentText(), QStringLiteral("Alps"));
    // A refreshed channel list keeps the choice.
    form->session().RefreshChannelList();
    QVERIFY(AppWorld::Settle(*form));
    QCOMPARE(channels->currentText(), QStringLiteral("Alps"));
    form->PageControl1->setCurrentWidget(form->tsSettings);
    form->PageControl1->setCurrentWidget(form->tsChannels);
    QVERIFY(AppWorld::Settle(*form));
    QVERIFY(Has(ReadFile(world.settingsFile()), "MonitorChannel2=alps"));
    // Nothing on the "Different" page lies over anything else on it.
    const QList<QWidget*> page = s->tsDifferent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : page) {
        for (QWidget* b : page) {
            if (a != b && !a->isHidden() && !b->isHidden()) {
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " and " + b->objectName()));
            }
        }
    }
}

QTEST_MAIN(SettingsPageTest)
#include "SettingsPageTest.moc"
