// The settings page: its layout with one and with several monitors, the
// monitor map, and the controls that keep the settings.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "win32app/Dialogs.h"

using namespace wylo;
using namespace wylo::test;

namespace {

void ExpectRect(HWND control, int left, int top, int width, int height) {
    const RECT r = RectInParent(control);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

// Captions the font cannot fit at the form's width widen their control, so
// only the place and the least width are the form's.
void ExpectPlace(HWND control, int left, int top, int minWidth, int height) {
    const RECT r = RectInParent(control);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_GE(r.right - r.left, minWidth);
    EXPECT_EQ(r.bottom - r.top, height);
}

void TwoMonitors(FakePlatform& platform) {
    platform.SetMonitors({Monitor{{0, 0, 1920, 1080}, true}, Monitor{{-1280, 0, 0, 1024}, false}});
}

}  // namespace

TEST(SettingsPageLayout, SeveralMonitorsKeepTheFormsPlaces) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::SettingsPage& s = *world.Start().tsSettings;
    ExpectPlace(s.lScreens, 3, 3, 70, 13);
    ExpectRect(s.mScreenMetrics, 3, 22, 374, 89);
    ExpectRect(s.Panel1->hwnd(), 3, 117, 374, 263);
    ExpectRect(s.rgMultiScreen->box(), 448, 3, 193, 108);
    ExpectRect(s.pcMultiScreen, 383, 117, 322, 193);
    ExpectPlace(s.gbMisc, 448, 316, 193, 116);
    ExpectPlace(s.gbSchedule, 421, 441, 247, 49);
    ExpectPlace(s.cbEnableScheduler, 487, 441, 51, 17);
    ExpectRect(s.GroupBox3, 3, 386, 374, 104);
    ExpectRect(s.pnBGColour->hwnd(), 42, 37, 125, 41);
    ExpectRect(s.pnFGColour->hwnd(), 204, 37, 125, 41);
    ExpectPlace(s.cbRandomOrder, 3, 86, 187, 17);
    EXPECT_TRUE(Visible(s.rgMultiScreen->box()));
    EXPECT_FALSE(Visible(s.pcSingleScreen));
    // One entry per monitor for the single-screen choice, the first selected.
    EXPECT_EQ(SendMessageW(s.cbSingleMonitorToUse, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(s.cbSingleMonitorToUse, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(s.cbSingleMonitorToUse, CB_GETITEMDATA, 1, 0), 1);
}

TEST(SettingsPageLayout, OneMonitorMovesThePlacementAndSwitchesUp) {
    WindowWorld world;
    win::SettingsPage& s = *world.Start().tsSettings;
    EXPECT_FALSE(Visible(s.rgMultiScreen->box()));
    EXPECT_FALSE(Visible(s.pcMultiScreen));
    EXPECT_TRUE(Visible(s.pcSingleScreen));
    ExpectRect(s.pcSingleScreen, 383, 3, 322, 193);
    ExpectPlace(s.gbMisc, 448, 202, 193, 116);
    ExpectPlace(s.gbSchedule, 421, 327, 247, 49);
    EXPECT_EQ(RectInParent(s.cbEnableScheduler).top, 327);
    EXPECT_EQ(SendMessageW(s.cbSingleMonitorToUse, CB_GETCOUNT, 0, 0), 0);
}

TEST(SettingsPageMonitorMap, TwoMonitorsWithOneLeftOfThePrimary) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::SettingsPage& s = *world.Start().tsSettings;
    ExpectRect(s.monitorMap->hwnd(), 5, 69, 364, 124);
    const RECT primary = s.monitorMap->MonitorRect(0);
    EXPECT_EQ(primary.left, 146);
    EXPECT_EQ(primary.top, 0);
    EXPECT_EQ(primary.right - primary.left, 216);
    EXPECT_EQ(primary.bottom - primary.top, 121);
    const RECT other = s.monitorMap->MonitorRect(1);
    EXPECT_EQ(other.left, 0);
    EXPECT_EQ(other.right - other.left, 144);
    EXPECT_EQ(other.bottom - other.top, 114);
    // Each monitor's resolution is its hint.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = s.monitorMap->hwnd();
    tool.uId = 1;
    wchar_t hint[80] = {};
    tool.lpszText = hint;
    ASSERT_TRUE(
        SendMessageW(s.hints->window(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_STREQ(hint, L"1280x1024");
    EXPECT_EQ(tool.rect.right - tool.rect.left, 144);
    EXPECT_EQ(Text(s.mScreenMetrics),
              "Monitor Count : 2\r\n\r\nMonitor 1 Resolution : 1920x1080\r\n"
              "Monitor 2 Resolution : 1280x1024\r\n\r\nDesktop Resolution : 3200x1080");
}

TEST(SettingsPageControls, ColourPanelsTakeTheChosenColourAndCancelKeepsIt) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    EXPECT_EQ(s.pnBGColour->colour(), kBlack);
    win::ColourDialog::SetNextAnswer(MakeColour(10, 20, 30));
    SendMessageW(s.pnBGColour->hwnd(), WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(s.pnBGColour->colour(), MakeColour(10, 20, 30));
    EXPECT_EQ(w.session().settings().bgColour, MakeColour(10, 20, 30));
    win::ColourDialog::SetNextAnswer(std::nullopt);
    SendMessageW(s.pnFGColour->hwnd(), WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(win::ColourDialog::LastInitial(), kWhite);
    EXPECT_EQ(s.pnFGColour->colour(), kWhite);
    EXPECT_EQ(w.session().settings().fgColour, kWhite);
}

TEST(SettingsPageControls, EnableGreysTheScheduleAndStopsTheTimer) {
    WindowWorld world;
    win::MainWindow& w = world.StartHealthy();
    win::SettingsPage& s = *w.tsSettings;
    ASSERT_TRUE(w.timerRunning());
    SendMessageW(s.cbEnableScheduler, BM_CLICK, 0, 0);
    EXPECT_FALSE(w.timerRunning());
    EXPECT_FALSE(Enabled(s.gbSchedule));
    EXPECT_FALSE(Enabled(s.seScheduleFrequency->edit()));
    EXPECT_FALSE(Enabled(s.cbScheduleType));
    EXPECT_TRUE(Enabled(s.cbEnableScheduler));
    SendMessageW(s.cbEnableScheduler, BM_CLICK, 0, 0);
    EXPECT_TRUE(w.timerRunning());
    EXPECT_TRUE(Enabled(s.cbScheduleType));
}

TEST(SettingsPageControls, PickingAUnitNarrowsTheFrequencyOnlyWhenStepped) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    SendMessageW(s.cbScheduleType, CB_SETCURSEL, 0, 0);  // "Minute(s)"
    world.Command(s.cbScheduleType, CBN_SELCHANGE);
    EXPECT_EQ(Text(s.seScheduleFrequency->edit()), "1");
    EXPECT_EQ(w.session().settings().frequencyMin, 5);
    NMUPDOWN step{};
    step.hdr.hwndFrom = s.seScheduleFrequency->arrows();
    step.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(s.seScheduleFrequency->arrows()));
    step.hdr.code = UDN_DELTAPOS;
    step.iDelta = 1;
    SendMessageW(s.gbSchedule, WM_NOTIFY, step.hdr.idFrom, reinterpret_cast<LPARAM>(&step));
    EXPECT_EQ(Text(s.seScheduleFrequency->edit()), "5");
    EXPECT_EQ(w.session().settings().scheduleFrequency, 5);
    // A box left empty shows the lowest allowed value again.
    SetWindowTextW(s.seScheduleFrequency->edit(), L"");
    world.Command(s.seScheduleFrequency->edit(), EN_KILLFOCUS);
    EXPECT_EQ(Text(s.seScheduleFrequency->edit()), "5");
}

TEST(SettingsPageControls, TheMultiScreenChoiceAndItsPagesStayInStep) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    SendMessageW(s.rgMultiScreen->button(2), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(s.pcMultiScreen, TCM_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(Visible(s.tsSingle->hwnd()));
    EXPECT_EQ(w.session().settings().multiScreenOpt, MultiScreen::Single);
    SendMessageW(s.pcMultiScreen, TCM_SETCURSEL, 1, 0);
    NMHDR change{s.pcMultiScreen, static_cast<UINT_PTR>(GetDlgCtrlID(s.pcMultiScreen)),
                 static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(s.hwnd(), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(s.rgMultiScreen->itemIndex(), 1);
    EXPECT_TRUE(Checked(s.rgMultiScreen->button(1)));
    EXPECT_EQ(w.session().settings().multiScreenOpt, MultiScreen::Different);
}

TEST(SettingsPageControls, SavedSettingsShowInTheControls) {
    WindowWorld world;
    std::filesystem::create_directories(world.appFolder());
    WriteFile(world.settingsFile(),
              "[Settings]\r\nEnableScheduler=0\r\nScheduleType=9\r\nScheduleFrequency=20000\r\n"
              "BGColour=0xFF\r\nIconTransparancy=0\r\n");
    win::MainWindow& w = world.StartHealthy();
    win::SettingsPage& s = *w.tsSettings;
    EXPECT_FALSE(Checked(s.cbEnableScheduler));
    EXPECT_FALSE(Enabled(s.cbScheduleType));
    EXPECT_FALSE(w.timerRunning());
    EXPECT_EQ(SendMessageW(s.cbScheduleType, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(s.seScheduleFrequency->edit()), "9999");
    EXPECT_EQ(s.pnBGColour->colour(), MakeColour(255, 0, 0));
    EXPECT_FALSE(Checked(s.cbIconTransparancyOverride));
    EXPECT_TRUE(Checked(s.cbBGOverride));
}

TEST(SettingsPageControls, HintsOfTheSwitchesAndColours) {
    WindowWorld world;
    win::SettingsPage& s = *world.Start().tsSettings;
    EXPECT_EQ(s.hints->HintOf(s.cbRandomOrder),
              L"Ticking this box means Wylo will process the images in a channel randomly, "
              L"otherwise they will be processed sequentially.");
    EXPECT_EQ(s.hints->HintOf(s.pnBGColour->hwnd()).rfind(L"These colours are only used", 0), 0u);
    EXPECT_EQ(s.hints->HintOf(s.pnBGColour->hwnd()).back(), L' ');
}
