#pragma once

#include <QWidget>

#include "desktop/MonitorMap.h"
#include "settings/Settings.h"

namespace wylo {
class Session;
}

class QCheckBox;
class QComboBox;
class QPushButton;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

namespace wylo::app {

class ColourPanel;
class MonitorMap;
class RadioGroup;
class SettingsBinding;
class SpinEdit;

// The "Settings" page: what is known of the screens, how several monitors are
// used, the two fallback colours, the caption and order switches, and the
// schedule. Controls sit at fixed places, like the form they come from.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // On a system with exactly one monitor: hides the multi-screen choice and
    // moves the controls below it up into its place.
    void ArrangeSettingsPage(int monitorCount);
    // Fills the screen metrics text and builds the monitor map in Panel1.
    void ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualDesktop);

    // Ties each control to its setting; session keeps what the system holds.
    void BindSettings(SettingsBinding& binding, Session& session);

    // Shows the multi-screen page of the option chosen.
    void rgMultiScreenClick();
    // Chooses the option of the multi-screen page shown.
    void pcMultiScreenChange();
    // A zoom box is usable only while its placement is "Zoom".
    void rgPlacementDifferentClick();
    // Let the user pick a colour for a panel; true when it changed.
    bool pnBGColourDblClick();
    bool pnFGColourDblClick();

    QLabel* lScreens;
    QPlainTextEdit* mScreenMetrics;
    QFrame* Panel1;
    MonitorMap* monitorMap = nullptr;
    // "Show Hidden Pictures Again", enabled while some are hidden.
    QPushButton* bnShowHidden;
    void ShowHiddenCount(std::size_t count);
    // The cache's limit in megabytes, and what the cache holds now.
    QLabel* lCacheLimit;
    QSpinBox* seCacheLimit;
    QLabel* lCacheLimitUnit;
    QLabel* lCacheSize;
    void ShowCacheSize(std::uintmax_t bytes);
    RadioGroup* rgMultiScreen;
    QTabWidget* pcMultiScreen;
    QWidget* tsSame;
    QWidget* tsDifferent;
    QWidget* tsSingle;
    RadioGroup* RadioGroup3;
    QComboBox* ComboBox1;
    QLabel* Label5;
    RadioGroup* rgPlacementDifferent;
    QComboBox* cbZoomDifferent;
    QLabel* Label3;
    // "Different": each monitor may show a channel of its own.
    QComboBox* cbDifferentMonitor;
    QLabel* lMonitorChannel;
    QComboBox* cbMonitorChannel;
    // Lists a monitor per entry, for both monitor choices.
    void FillMonitorLists(int count);
    // The channel choice made again from the channel list, showing the
    // channel of the monitor chosen.
    void ShowMonitorChannels(const Session& session);
    QLabel* lSingleMonitorToUse;
    QComboBox* cbSingleMonitorToUse;
    RadioGroup* RadioGroup1;
    QComboBox* ComboBox2;
    QLabel* Label4;
    // "One Picture Across All Screens".
    QWidget* tsSpan;
    RadioGroup* rgPlacementSpan;
    QComboBox* cbZoomSpan;
    QLabel* lSpanPercent;
    QTabWidget* pcSingleScreen;
    QWidget* TabSheet3;
    RadioGroup* rgSSPlacement;
    QComboBox* cbSSZoom;
    QLabel* lSSPercent;
    // Smoothing for every placement, beside the tabs of whichever page
    // control shows; the two boxes are kept in step.
    QCheckBox* cbSmoothScaling;
    QCheckBox* cbSSSmoothScaling;
    QGroupBox* gbMisc;
    QCheckBox* cbBGOverride;
    QCheckBox* cbIconTextOverride;
    QCheckBox* cbIconTransparancyOverride;
    QCheckBox* cbRandomOrder;
    QCheckBox* cbStartAtLogin;
    QGroupBox* gbSchedule;
    QCheckBox* cbEnableScheduler;
    QLabel* Label7;
    SpinEdit* seScheduleFrequency;
    QComboBox* cbScheduleType;
    QGroupBox* GroupBox3;
    ColourPanel* pnBGColour;
    ColourPanel* pnFGColour;

signals:
    // The user gave a panel a new colour.
    void colourChanged();
    // The user changed a placement, a zoom or the smoothing.
    void placementChanged();

private:
    bool PickColour(ColourPanel* panel);
    QCheckBox* SmoothScalingBox(const QString& name);
    void KeepInStep(RadioGroup* a, RadioGroup* b);
    void KeepInStep(QComboBox* a, QComboBox* b);
    void KeepInStep(QCheckBox* a, QCheckBox* b);
};

}  // namespace wylo::app
