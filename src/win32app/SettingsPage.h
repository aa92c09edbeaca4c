#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/Monitor.h"
#include "settings/Settings.h"
#include "win32app/Controls.h"
#include "win32app/MonitorMap.h"
#include "win32app/SettingsBinding.h"

namespace wylo {
class Session;
}

namespace wylo::win {

// The "Settings" page: what is known of the screens, how several monitors are
// used, the two fallback colours, the caption and order switches, and the
// schedule. Controls sit at fixed places, like the form they come from,
// scaled with the window's dots per inch. When the page is shorter than the
// form (the window's tabs take two rows), the monitor map and the
// multi-screen choice give up height and the gaps close, so nothing lies
// below the page's edge.
class SettingsPage : public Panel {
public:
    SettingsPage(HWND parent, int id);
    ~SettingsPage() override;

    // Lays the page out again at dpi.
    void Layout(const Fonts& fonts);

    // On a system with exactly one monitor: hides the multi-screen choice and
    // moves the controls below it up into its place.
    void ArrangeSettingsPage(int monitorCount);
    // Fills the screen metrics text and builds the monitor map in Panel1.
    void ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualDesktop);
    // "Monitor 1" ... for the single-screen choice, the first selected.
    void FillMonitorList(int count);
    // The channel choice of "Different" made again from the channel list,
    // showing the channel of the monitor chosen: each monitor may show a
    // channel of its own.
    void ShowMonitorChannels(const Session& session);

    // Binds each control that shows a setting; binding must outlive the
    // page's commands, session (which keeps what the system holds) too.
    void BindSettings(SettingsBinding& binding, Session& session);

    // Shows the multi-screen page of the option chosen.
    void rgMultiScreenClick();
    // Chooses the option of the multi-screen page shown.
    void pcMultiScreenChange();
    // A zoom box is usable only while its placement is "Zoom".
    void rgPlacementDifferentClick();
    // Lets the user pick a colour for a panel.
    void pnBGColourDblClick();
    void pnFGColourDblClick();
    // Greys the schedule's controls unless the scheduler is enabled.
    void EnableScheduleControls(bool on);
    bool schedulerTicked() const;

    // The user ticked or cleared "Enable".
    std::function<void()> onEnableSchedulerClick;
    // The user picked a unit of the schedule.
    std::function<void(int index)> onScheduleTypePicked;
    // "Show Hidden Pictures Again" was clicked.
    std::function<void()> onShowHiddenClick;
    // The button is enabled while some pictures are hidden.
    void ShowHiddenCount(std::size_t count);

    HWND lScreens, mScreenMetrics, bnShowHidden;
    std::unique_ptr<BevelPanel> Panel1;
    // The cache's limit in megabytes, and what the cache holds now.
    HWND lCacheLimit, lCacheLimitUnit, lCacheSize;
    std::unique_ptr<SpinEdit> seCacheLimit;
    void ShowCacheSize(std::uintmax_t bytes);
    std::unique_ptr<MonitorMap> monitorMap;
    std::unique_ptr<RadioGroup> rgMultiScreen;
    HWND pcMultiScreen;
    std::unique_ptr<Sheet> tsSame, tsDifferent, tsSingle, tsSpan;
    std::unique_ptr<RadioGroup> RadioGroup3, rgPlacementDifferent, RadioGroup1, rgSSPlacement,
        rgPlacementSpan;
    HWND ComboBox1, Label5, cbZoomDifferent, Label3, ComboBox2, Label4, cbSSZoom, lSSPercent;
    // "One Picture Across All Screens".
    HWND cbZoomSpan, lSpanPercent;
    HWND lSingleMonitorToUse, cbSingleMonitorToUse;
    HWND cbDifferentMonitor, lMonitorChannel, cbMonitorChannel;
    HWND pcSingleScreen;
    std::unique_ptr<Sheet> TabSheet3;
    // Smoothing for every placement, beside the tabs of whichever page
    // control shows; the two boxes are kept in step.
    HWND cbSmoothScaling, cbSSSmoothScaling;
    HWND gbMisc, cbBGOverride, cbIconTextOverride, cbIconTransparancyOverride, cbRandomOrder;
    // Kept by the system, not in the settings file.
    HWND cbStartAtLogin;
    HWND gbSchedule, cbEnableScheduler, Label7, cbScheduleType;
    std::unique_ptr<SpinEdit> seScheduleFrequency;
    HWND GroupBox3, lBGColour, lFGColour, lDoubleClick;
    std::unique_ptr<ColourPanel> pnBGColour, pnFGColour;
    std::unique_ptr<Hints> hints;

    // Where a control lies at 100 %, in its container, as the form has it.
    RECT BaseRect(HWND control) const;
    // Where it lies at 100 % in the page as the page is now: the form's
    // place, moved up or made shorter to fit the page's height.
    RECT PageRect(HWND control) const;

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The user chose a channel for the monitor shown.
    void MonitorChannelPicked();
    void Add(HWND control, RECT base);
    void SetBase(HWND control, RECT base);
    // Fits the page's own controls into a page available units high (100 %).
    void FitToHeight(int available);
    void PlaceSheets(HWND tabs, const std::vector<Sheet*>& sheets);
    void ShowSheet(HWND tabs, const std::vector<Sheet*>& sheets);
    void PlaceInCorner(HWND tabs, HWND box, const Fonts& fonts);
    void PickColour(ColourPanel& panel);
    // Widens captions that the font cannot fit at their form's width, and
    // the groups around them; places and heights stay.
    void FitCaptions(const Fonts& fonts);
    int TextWidth(HWND control, HFONT font, const std::wstring& text) const;

    std::vector<Placed> placed_;
    std::vector<std::pair<RadioGroup*, RECT>> groups_;
    // The page's controls whose place FitToHeight changed.
    std::vector<std::pair<HWND, RECT>> fitted_;
    bool oneMonitor_ = false;
    const Fonts* fonts_ = nullptr;
    std::vector<Monitor> monitors_;
    Size virtualDesktop_;
    bool metricsShown_ = false;
    SettingsBinding* binding_ = nullptr;
    Session* session_ = nullptr;
};

}  // namespace wylo::win
