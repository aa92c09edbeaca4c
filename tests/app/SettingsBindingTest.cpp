// One call binds a control to its setting: the setting shows in the control,
// the user's change goes straight back, and showing is no change.
#include <QCheckBox>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

#include "app/Controls.h"
#include "app/SettingsBinding.h"
#include "settings/PlacementChoice.h"
#include "settings/Settings.h"

using namespace wylo;

class SettingsBindingTest : public QObject {
    Q_OBJECT
private slots:
    void showingIsNoChangeAndTheUsersChangeGoesStraightBack();
    void showingTakesBackWhatTheControlsAllow();
    void aPlacementIsItsModeAndItsZoom();
};

void SettingsBindingTest::showingIsNoChangeAndTheUsersChangeGoesStraightBack() {
    Settings settings;
    settings.randomOrder = false;
    settings.bgColour = 0x123456;
    app::SettingsBinding binding(settings);
    QCheckBox box;
    box.setChecked(true);
    app::ColourPanel panel;
    binding.Bind(&box, &Settings::randomOrder);
    binding.Bind(&panel, &Settings::bgColour);
    QSignalSpy changed(&binding, &app::SettingsBinding::changed);

    binding.ShowAll();
    QVERIFY(!box.isChecked());
    QCOMPARE(panel.colour(), Colour{0x123456});
    QCOMPARE(changed.count(), 0);

    box.click();
    QVERIFY(settings.randomOrder);
    panel.setColour(0xABCDEF);
    QCOMPARE(settings.bgColour, Colour{0xABCDEF});
    QCOMPARE(changed.count(), 2);
}

void SettingsBindingTest::showingTakesBackWhatTheControlsAllow() {
    Settings settings;
    settings.activeSingleMonitor = 3;
    settings.scheduleFrequency = 50;
    settings.frequencyMin = 5;
    settings.frequencyMax = 59;
    app::SettingsBinding binding(settings);
    QComboBox monitors;
    monitors.addItems({QStringLiteral("Monitor 1"), QStringLiteral("Monitor 2")});
    app::SpinEdit frequency;
    binding.Bind(&monitors, &Settings::activeSingleMonitor);
    binding.Bind(&frequency, &Settings::scheduleFrequency);

    binding.ShowAll();
    // The list has no fourth entry: nothing is chosen, and the settings say so.
    QCOMPARE(monitors.currentIndex(), -1);
    QCOMPARE(settings.activeSingleMonitor, -1);
    QCOMPARE(frequency.value(), 50);
    QCOMPARE(frequency.allowedMinimum(), 5);

    settings.scheduleFrequency = 70;
    binding.ShowAll();
    QCOMPARE(settings.scheduleFrequency, 59);
}

void SettingsBindingTest::aPlacementIsItsModeAndItsZoom() {
    Settings settings;
    app::SettingsBinding binding(settings);
    app::RadioGroup group(QStringLiteral("Placement"),
                          {QStringLiteral("Centre"), QStringLiteral("Fit"), QStringLiteral("Fill"),
                           QStringLiteral("Stretch"), QStringLiteral("Zoom")});
    QComboBox zoom;
    zoom.addItems({QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("200")});
    binding.Bind(&group, &zoom, &Settings::placementDifferent);
    binding.ShowAll();

    group.setItemIndex(2);
    QCOMPARE(settings.placementDifferent, PlacementAt(2, zoom.currentIndex()));
    zoom.setCurrentIndex(2);
    QCOMPARE(settings.placementDifferent, PlacementAt(2, 2));
    // The other pages' placements are their own.
    QCOMPARE(settings.placementSame, ImagePlacement{});
}

QTEST_MAIN(SettingsBindingTest)
#include "SettingsBindingTest.moc"
