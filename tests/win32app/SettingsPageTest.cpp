// The settings page: its layout with one and with several monitors, the
// monitor map, and the controls that keep the settings.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "platform/win32/WindowsAutostart.h"
#include "support/PublishedChannels.h"
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

// Shown once the window and the page are: the control and every container
// up to the page.
bool ShownOnPage(HWND control, HWND page) {
    for (HWND w = control; w != nullptr && w != page; w = GetParent(w)) {
        if (!Visible(w)) {
            return false;
        }
    }
    return true;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

std::vector<HWND> VisibleChildren(HWND parent) {
    std::vector<HWND> children;
    for (HWND w = GetWindow(parent, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (Visible(w)) {
            children.push_back(w);
        }
    }
    return children;
}

// Nothing shown on a sheet lies over anything else on it.
void ExpectNoOverlaps(HWND sheet) {
    const std::vector<HWND> children = VisibleChildren(sheet);
    for (std::size_t i = 0; i < children.size(); ++i) {
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            EXPECT_FALSE(Overlap(RectInParent(children[i]), RectInParent(children[j])))
                << Text(children[i]) << " and " << Text(children[j]);
        }
    }
}

// The smoothing switch lies in the tabs' row, right of the last tab and
// above the sheets, inside the page control.
void ExpectInTheFreeCorner(HWND tabs, HWND box) {
    ASSERT_EQ(GetParent(box), tabs);
    EXPECT_TRUE(Visible(box));
    EXPECT_EQ(Text(box), "Smooth Scaling");
    RECT client;
    GetClientRect(tabs, &client);
    RECT sheets = client;
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&sheets));
    const RECT r = RectInParent(box);
    EXPECT_GE(r.left, client.left);
    EXPECT_LE(r.right, client.right);
    EXPECT_GE(r.top, client.top);
    EXPECT_LE(r.bottom, sheets.top);
    // Wide enough for its caption beside the tick box.
    EXPECT_GT(r.right - r.left, 60);
    const auto count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        RECT tab{};
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab));
        EXPECT_FALSE(Overlap(r, tab)) << "tab " << i;
    }
}

void Pick(WindowWorld& world, HWND list, const wchar_t* text) {
    const auto at = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
    ASSERT_NE(at, CB_ERR);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    world.Command(list, CBN_SELCHANGE);
}

std::string Chosen(HWND list) {
    const auto at = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) {
        return {};
    }
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
    std::wstring item(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(at),
                 reinterpret_cast<LPARAM>(item.data()));
    return win::Narrow(item.c_str());
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(SettingsPageLayout, SeveralMonitorsKeepTheFormsPlaces) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::SettingsPage& s = *world.Start().tsSettings;
    ExpectPlace(s.lScreens, 3, 3, 70, 13);
    ExpectRect(s.mScreenMetrics, 3, 22, 374, 89);
    ExpectRect(s.Panel1->hwnd(), 3, 117, 374, 236);
    ExpectRect(s.rgMultiScreen->box(), 448, 3, 193, 108);
    ExpectRect(s.pcMultiScreen, 383, 117, 322, 193);
    ExpectPlace(s.gbMisc, 448, 316, 193, 123);
    ExpectPlace(s.gbSchedule, 421, 441, 247, 49);
    ExpectPlace(s.cbEnableScheduler, 487, 441, 51, 17);
    ExpectRect(s.GroupBox3, 3, 386, 374, 104);
    ExpectRect(s.pnBGColour->hwnd(), 42, 37, 125, 41);
    ExpectRect(s.pnFGColour->hwnd(), 204, 37, 125, 41);
    ExpectPlace(s.cbRandomOrder, 3, 77, 187, 17);
    ExpectPlace(s.cbStartAtLogin, 3, 97, 187, 17);
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
    ExpectPlace(s.gbMisc, 448, 202, 193, 123);
    ExpectPlace(s.gbSchedule, 421, 327, 247, 49);
    EXPECT_EQ(RectInParent(s.cbEnableScheduler).top, 327);
    EXPECT_EQ(SendMessageW(s.cbSingleMonitorToUse, CB_GETCOUNT, 0, 0), 0);
}

TEST(SettingsPageLayout, EveryMultiScreenPageOffersItsPlacementClearOfTheRest) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::SettingsPage& s = *world.Start().tsSettings;
    const struct {
        HWND sheet;
        win::RadioGroup* group;
        HWND zoom;
        HWND percent;
        POINT groupAt;
        POINT zoomAt;
    } pages[] = {
        {s.tsSame->hwnd(), s.RadioGroup3.get(), s.ComboBox1, s.Label5, {59, 28}, {188, 112}},
        {s.tsDifferent->hwnd(),
         s.rgPlacementDifferent.get(),
         s.cbZoomDifferent,
         s.Label3,
         {96, 28},
         {225, 112}},
        {s.tsSingle->hwnd(), s.RadioGroup1.get(), s.ComboBox2, s.Label4, {59, 33}, {188, 117}}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& page = pages[i];
        SendMessageW(s.rgMultiScreen->button(i), BM_CLICK, 0, 0);
        for (HWND w : {page.group->box(), page.zoom, page.percent}) {
            EXPECT_TRUE(ShownOnPage(w, s.hwnd())) << Text(w);
        }
        ExpectRect(page.group->box(), page.groupAt.x, page.groupAt.y, 123, 105);
        EXPECT_EQ(RectInParent(page.zoom).left, page.zoomAt.x);
        EXPECT_EQ(RectInParent(page.zoom).top, page.zoomAt.y);
        EXPECT_EQ(RectInParent(page.percent).left, page.zoomAt.x + 57);
        EXPECT_EQ(Text(page.group->button(3)), "Zoom");
        // The zoom is offered only for "Zoom", at 100 % until chosen.
        EXPECT_FALSE(Enabled(page.zoom));
        EXPECT_EQ(Chosen(page.zoom), "100");
        for (HWND w : VisibleChildren(page.sheet)) {
            EXPECT_NE(Text(w), "No Settings");
        }
        ExpectNoOverlaps(page.sheet);
    }
    // The monitor choice sits above the "Single" page's placement.
    EXPECT_EQ(RectInParent(s.lSingleMonitorToUse).top, 9);
    EXPECT_LE(RectInParent(s.lSingleMonitorToUse).left, 45);
    EXPECT_EQ(RectInParent(s.cbSingleMonitorToUse).left, 123);
    EXPECT_EQ(RectInParent(s.cbSingleMonitorToUse).top, 6);
    EXPECT_LE(RectInParent(s.cbSingleMonitorToUse).bottom, RectInParent(s.RadioGroup1->box()).top);
    ExpectInTheFreeCorner(s.pcMultiScreen, s.cbSmoothScaling);
    EXPECT_FALSE(Checked(s.cbSmoothScaling));
    EXPECT_EQ(s.hints->HintOf(s.cbSmoothScaling).rfind(L"Ticking this box blends", 0), 0u);
}

TEST(SettingsPageLayout, OneMonitorOffersThePlacementAndTheSmoothingBesideItsTab) {
    WindowWorld world;
    win::SettingsPage& s = *world.Start().tsSettings;
    EXPECT_TRUE(ShownOnPage(s.rgSSPlacement->box(), s.hwnd()));
    EXPECT_TRUE(ShownOnPage(s.cbSSZoom, s.hwnd()));
    ExpectRect(s.rgSSPlacement->box(), 3, 3, 123, 105);
    ExpectNoOverlaps(s.TabSheet3->hwnd());
    // The page control moved up; the switch went with it.
    ExpectInTheFreeCorner(s.pcSingleScreen, s.cbSSSmoothScaling);
    EXPECT_TRUE(ShownOnPage(s.cbSSSmoothScaling, s.hwnd()));
}

TEST(SettingsPageMonitorMap, TwoMonitorsWithOneLeftOfThePrimary) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::SettingsPage& s = *world.Start().tsSettings;
    ExpectRect(s.monitorMap->hwnd(), 5, 56, 364, 124);
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

TEST(SettingsPageControls, TheCacheLimitLoadsIsTypedAndTheSizeShowsWhenThePageOpens) {
    WindowWorld world;
    std::filesystem::create_directories(world.appFolder());
    WriteFile(world.settingsFile(), "[Settings]\r\nCacheLimit=300\r\n");
    const std::filesystem::path images = world.appFolder() / "cache" / "dunes" / "images";
    std::filesystem::create_directories(images);
    WriteFile(images / "a.jpg", std::string(3 * 1024 * 1024, 'a'));
    win::MainWindow& w = world.StartHealthy();
    win::SettingsPage& s = *w.tsSettings;
    EXPECT_EQ(Text(s.lCacheLimit), "Cache Limit");
    EXPECT_EQ(Text(s.lCacheLimitUnit), "MB");
    EXPECT_EQ(Text(s.seCacheLimit->edit()), "300");

    w.SetActivePage(win::MainWindow::Page::Settings);
    EXPECT_TRUE(world.PumpUntil([&] { return Text(s.lCacheSize) == "The cache holds 3 MB."; }));

    SetWindowTextW(s.seCacheLimit->edit(), L"2048");
    world.Command(s.seCacheLimit->edit(), EN_CHANGE);
    EXPECT_EQ(w.session().settings().cacheLimit, std::uint64_t{2048} * 1024 * 1024);
    // Less than the page offers comes back as the least it offers.
    SetWindowTextW(s.seCacheLimit->edit(), L"7");
    world.Command(s.seCacheLimit->edit(), EN_KILLFOCUS);
    EXPECT_EQ(Text(s.seCacheLimit->edit()), "50");
    EXPECT_EQ(w.session().settings().cacheLimit, std::uint64_t{50} * 1024 * 1024);

    // The row lies between the map and the colours, clear of both.
    const RECT panel = RectInParent(s.Panel1->hwnd());
    const RECT colours = RectInParent(s.GroupBox3);
    for (HWND control : {s.lCacheLimit, s.seCacheLimit->edit(), s.lCacheLimitUnit, s.lCacheSize}) {
        const RECT r = RectInParent(control);
        EXPECT_GE(r.top, panel.bottom);
        EXPECT_LE(r.bottom, colours.top);
        EXPECT_LE(r.right, panel.right);
    }
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

// The pointer's messages reach the hints from the message loop: a control
// subclassed for its hint cost calls to Wine's server at every message it got,
// its paint included.
TEST(SettingsPageControls, HintsShowWithoutSubclassingTheirControls) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    for (HWND control : {s.cbRandomOrder, s.cbSmoothScaling, s.pnBGColour->hwnd()}) {
        EXPECT_EQ(GetWindowLongPtrW(control, GWLP_WNDPROC),
                  static_cast<LONG_PTR>(GetClassLongPtrW(control, GCLP_WNDPROC)));
    }

    w.SetActivePage(win::MainWindow::Page::Settings);
    ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
    SetWindowPos(w.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    world.Pump();
    SendMessageW(s.hints->window(), TTM_SETDELAYTIME, TTDT_INITIAL, 1);
    RECT box;
    GetClientRect(s.cbRandomOrder, &box);
    POINT centre{box.right / 2, box.bottom / 2};
    MSG move{s.cbRandomOrder, WM_MOUSEMOVE, 0, MAKELPARAM(centre.x, centre.y), 0, {}};
    ClientToScreen(s.cbRandomOrder, &centre);
    SetCursorPos(centre.x, centre.y);
    move.pt = centre;
    w.PreTranslateMessage(move);
    EXPECT_TRUE(world.PumpUntil([&] { return IsWindowVisible(s.hints->window()) != FALSE; },
                                std::chrono::seconds(5)));
}

TEST(SettingsPagePlacement, SavedPlacementsShowOnTheirPagesAndTheUsersChoiceIsSaved) {
    WindowWorld world;
    TwoMonitors(world.platform);
    std::filesystem::create_directories(world.appFolder());
    WriteFile(world.settingsFile(),
              "[Settings]\r\nPlacementSame=3\r\nZoomSame=150\r\nPlacementDifferent=1\r\n"
              "ZoomDifferent=20\r\nPlacementSingle=2\r\nZoomSingle=77\r\nSmoothScaling=1\r\n");
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    EXPECT_EQ(s.RadioGroup3->itemIndex(), 3);
    EXPECT_TRUE(Checked(s.RadioGroup3->button(3)));
    EXPECT_EQ(Chosen(s.ComboBox1), "150");
    EXPECT_TRUE(Enabled(s.ComboBox1));
    EXPECT_TRUE(Enabled(s.Label5));
    EXPECT_EQ(s.rgPlacementDifferent->itemIndex(), 1);
    EXPECT_EQ(Chosen(s.cbZoomDifferent), "20");
    EXPECT_FALSE(Enabled(s.cbZoomDifferent));
    EXPECT_EQ(s.RadioGroup1->itemIndex(), 2);
    EXPECT_EQ(Chosen(s.ComboBox2), "100");  // 77 is no choice
    EXPECT_TRUE(Checked(s.cbSmoothScaling));
    EXPECT_TRUE(Checked(s.cbSSSmoothScaling));
    // The one-monitor page shows the "Same" choice too.
    EXPECT_EQ(s.rgSSPlacement->itemIndex(), 3);
    EXPECT_EQ(Chosen(s.cbSSZoom), "150");

    // The user's choice reaches the settings at once and the file on leaving.
    SendMessageW(s.rgPlacementDifferent->button(3), BM_CLICK, 0, 0);
    EXPECT_TRUE(Enabled(s.cbZoomDifferent));
    Pick(world, s.cbZoomDifferent, L"175");
    SendMessageW(s.RadioGroup1->button(1), BM_CLICK, 0, 0);
    SendMessageW(s.RadioGroup3->button(0), BM_CLICK, 0, 0);
    EXPECT_FALSE(Enabled(s.ComboBox1));
    SendMessageW(s.cbSmoothScaling, BM_CLICK, 0, 0);
    EXPECT_FALSE(Checked(s.cbSSSmoothScaling));
    const Settings& settings = w.session().settings();
    EXPECT_EQ(settings.placementSame, (ImagePlacement{PlacementMode::Center, 150}));
    EXPECT_EQ(settings.placementDifferent, (ImagePlacement{PlacementMode::Zoom, 175}));
    EXPECT_EQ(settings.placementSingle, (ImagePlacement{PlacementMode::Tile, 100}));
    EXPECT_FALSE(settings.smoothScaling);
    w.SetActivePage(win::MainWindow::Page::Settings);
    w.SelectTab(0);
    // The file is written beside the window.
    world.PumpUntil([&] { return Has(ReadFile(world.settingsFile()), "SmoothScaling=0"); });
    const std::string text = ReadFile(world.settingsFile());
    EXPECT_TRUE(Has(text, "PlacementSame=0")) << text;
    EXPECT_TRUE(Has(text, "ZoomSame=150"));
    EXPECT_TRUE(Has(text, "PlacementDifferent=3"));
    EXPECT_TRUE(Has(text, "ZoomDifferent=175"));
    EXPECT_TRUE(Has(text, "PlacementSingle=1"));
    EXPECT_TRUE(Has(text, "ZoomSingle=100"));
    EXPECT_TRUE(Has(text, "SmoothScaling=0"));
}

TEST(SettingsPagePlacement, TheOneMonitorPageIsTheSameChoice) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    SendMessageW(s.rgSSPlacement->button(3), BM_CLICK, 0, 0);
    EXPECT_TRUE(Enabled(s.cbSSZoom));
    EXPECT_TRUE(Enabled(s.lSSPercent));
    EXPECT_EQ(s.RadioGroup3->itemIndex(), 3);
    Pick(world, s.cbSSZoom, L"50");
    EXPECT_EQ(Chosen(s.ComboBox1), "50");
    SendMessageW(s.cbSSSmoothScaling, BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(s.cbSmoothScaling));
    EXPECT_EQ(w.session().settings().placementSame, (ImagePlacement{PlacementMode::Zoom, 50}));
    EXPECT_TRUE(w.session().settings().smoothScaling);
    // And back: the "Same" page's controls move the one-monitor page's.
    SendMessageW(s.RadioGroup3->button(2), BM_CLICK, 0, 0);
    EXPECT_EQ(s.rgSSPlacement->itemIndex(), 2);
    EXPECT_FALSE(Enabled(s.cbSSZoom));
    EXPECT_EQ(w.session().settings().placementSame.mode, PlacementMode::Stretch);
}

TEST(SettingsPagePlacement, TheTabKeyReachesThePlacementControlsAndTheSmoothing) {
    WindowWorld world;
    TwoMonitors(world.platform);
    win::MainWindow& w = world.Start();
    w.SetActivePage(win::MainWindow::Page::Settings);
    ShowWindow(w.hwnd(), SW_SHOW);
    win::SettingsPage& s = *w.tsSettings;
    SendMessageW(s.rgMultiScreen->button(1), BM_CLICK, 0, 0);
    std::vector<HWND> reached;
    HWND at = GetNextDlgTabItem(w.hwnd(), nullptr, FALSE);
    for (int i = 0; i < 200 && at != nullptr; ++i) {
        reached.push_back(at);
        at = GetNextDlgTabItem(w.hwnd(), at, FALSE);
        if (at == reached.front()) {
            break;
        }
    }
    const auto has = [&](HWND control) {
        return std::find(reached.begin(), reached.end(), control) != reached.end();
    };
    EXPECT_TRUE(has(s.rgMultiScreen->button(1)));
    EXPECT_TRUE(has(s.rgPlacementDifferent->button(0)));
    EXPECT_TRUE(has(s.cbSmoothScaling));
    // Only the page shown is visited.
    EXPECT_FALSE(has(s.RadioGroup3->button(0)));
    ShowWindow(w.hwnd(), SW_HIDE);
}

namespace {

// Wine's display-less screen is 1024 x 768; the window at 150 % needs a
// larger one, as a real screen at that scaling is.
LRESULT CALLBACK LargerScreen(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {4000, 4000};
    }
    return result;
}

// The window moved to a monitor at dpi, at its default size there.
void AtDefaultSize(win::MainWindow& w, UINT dpi) {
    if (dpi == 96) {
        return;
    }
    SetWindowSubclass(w.hwnd(), LargerScreen, 1, 0);
    RECT outer;
    RECT client;
    GetWindowRect(w.hwnd(), &outer);
    GetClientRect(w.hwnd(), &client);
    outer.right += win::Scaled(715, dpi) - client.right;
    outer.bottom += win::Scaled(561, dpi) - client.bottom;
    SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&outer));
    GetClientRect(w.hwnd(), &client);
    ASSERT_EQ(client.right, win::Scaled(715, dpi));
    ASSERT_EQ(client.bottom, win::Scaled(561, dpi));
}

RECT InWindow(HWND control, HWND window) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(SettingsPageLayout, WithTwoRowsOfTabsEveryGroupLiesAboveTheStatusBar) {
    for (const int monitors : {1, 2}) {
        for (const UINT dpi : {96u, 144u}) {
            SCOPED_TRACE(testing::Message() << monitors << " monitors at " << dpi << " dpi");
            WindowWorld world;
            if (monitors == 2) {
                TwoMonitors(world.platform);
            }
            win::MainWindow& w = world.Start();
            AtDefaultSize(w, dpi);
            w.SetPageTabVisible(win::MainWindow::Page::News, true);
            w.SetPageTabVisible(win::MainWindow::Page::Images, true);
            w.SetActivePage(win::MainWindow::Page::Settings);
            ASSERT_EQ(SendMessageW(w.PageControl1, TCM_GETROWCOUNT, 0, 0), 2);
            win::SettingsPage& s = *w.tsSettings;
            const RECT page = InWindow(s.hwnd(), w.hwnd());
            ASSERT_LE(page.bottom, InWindow(w.Panel2->hwnd(), w.hwnd()).top);
            // Each column top to bottom, in the form's order, none over the next.
            const std::vector<HWND> right =
                monitors == 2 ? std::vector<HWND>{s.rgMultiScreen->box(), s.pcMultiScreen, s.gbMisc,
                                                  s.cbEnableScheduler}
                              : std::vector<HWND>{s.pcSingleScreen, s.gbMisc, s.cbEnableScheduler};
            for (const auto& column :
                 {std::vector<HWND>{s.lScreens, s.mScreenMetrics, s.Panel1->hwnd(), s.GroupBox3},
                  right}) {
                for (std::size_t i = 1; i < column.size(); ++i) {
                    EXPECT_LE(InWindow(column[i - 1], w.hwnd()).bottom,
                              InWindow(column[i], w.hwnd()).top)
                        << Text(column[i]);
                }
                EXPECT_LE(InWindow(column.back(), w.hwnd()).bottom, page.bottom);
            }
            EXPECT_LE(InWindow(s.gbSchedule, w.hwnd()).bottom, page.bottom);
            EXPECT_EQ(InWindow(s.gbSchedule, w.hwnd()).top,
                      InWindow(s.cbEnableScheduler, w.hwnd()).top);
            // The map shrank with its panel; every monitor is on it.
            const RECT map = InWindow(s.monitorMap->hwnd(), w.hwnd());
            const RECT panel = InWindow(s.Panel1->hwnd(), w.hwnd());
            EXPECT_GE(map.top, panel.top);
            EXPECT_LE(map.bottom, panel.bottom);
            EXPECT_LE(s.monitorMap->MonitorRect(0).bottom, map.bottom - map.top);

            // One row of tabs again: the form's places come back.
            w.SetPageTabVisible(win::MainWindow::Page::News, false);
            w.SetPageTabVisible(win::MainWindow::Page::Images, false);
            EXPECT_EQ(RectInParent(s.gbSchedule).top, win::Scaled(monitors == 2 ? 441 : 327, dpi));
            EXPECT_EQ(RectInParent(s.Panel1->hwnd()).bottom - RectInParent(s.Panel1->hwnd()).top,
                      win::Scaled(236, dpi));
        }
    }
}

namespace {

using Page = win::MainWindow::Page;

// The Run key's value "Wylo" as stored; empty when there is none.
std::wstring RunValue() {
    wchar_t text[1024] = {};
    DWORD bytes = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Wylo", RRF_RT_REG_SZ, nullptr, text, &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    return text;
}

void SetRunValue(const std::wstring& command) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Wylo", REG_SZ, command.c_str(),
                    static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

// What Task Manager writes when the user switches the entry off there.
void SwitchOffInTaskManager() {
    const BYTE off[12] = {3};
    RegSetKeyValueW(HKEY_CURRENT_USER, kStartupApprovedKey, L"Wylo", REG_BINARY, off, sizeof off);
}

// The prefix's Run key is shared by every test: each starts and ends without
// the value.
struct CleanRunKey {
    CleanRunKey() { RemoveRunEntry(HKEY_CURRENT_USER); }
    ~CleanRunKey() { RemoveRunEntry(HKEY_CURRENT_USER); }
};

}  // namespace

TEST(SettingsPageStartAtLogin, TickingWritesTheRunValueAndClearingRemovesIt) {
    CleanRunKey clean;
    WindowWorld world;
    world.platform.systemStartAtLogin = true;
    win::MainWindow& w = world.Start();
    w.SetActivePage(Page::Settings);
    HWND box = w.tsSettings->cbStartAtLogin;
    EXPECT_EQ(Text(box), "Start Wylo when I log in");
    EXPECT_FALSE(Checked(box));

    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(box));
    EXPECT_EQ(RunValue(), L"\"" + RunningProgramPath() + L"\"");
    EXPECT_TRUE(RunEntryActive(HKEY_CURRENT_USER));

    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_FALSE(Checked(box));
    EXPECT_EQ(RunValue(), L"");
    EXPECT_TRUE(win::MessageBoxes::Recorded().empty());
}

TEST(SettingsPageStartAtLogin, OpeningThePageShowsTheRunValueAsTheSystemHasIt) {
    CleanRunKey clean;
    WindowWorld world;
    world.platform.systemStartAtLogin = true;
    win::MainWindow& w = world.Start();
    HWND box = w.tsSettings->cbStartAtLogin;
    w.SetActivePage(Page::Settings);
    SendMessageW(box, BM_CLICK, 0, 0);
    ASSERT_TRUE(Checked(box));

    // Removed by other means while the page was away.
    w.SetActivePage(Page::Channels);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Wylo");
    w.SetActivePage(Page::Settings);
    EXPECT_FALSE(Checked(box));

    // Written by the installer, then switched off in Task Manager.
    w.SetActivePage(Page::Welcome);
    SetRunValue(L"\"C:\\Wylo\\Wylo.exe\"");
    w.SetActivePage(Page::Settings);
    EXPECT_TRUE(Checked(box));
    w.SetActivePage(Page::Welcome);
    SwitchOffInTaskManager();
    w.SetActivePage(Page::Settings);
    EXPECT_FALSE(Checked(box));

    // Ticking it again switches it on for good.
    SendMessageW(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(box));
    EXPECT_TRUE(RunEntryActive(HKEY_CURRENT_USER));
    EXPECT_EQ(RunValue(), L"\"" + RunningProgramPath() + L"\"");
}

TEST(SettingsPageStartAtLogin, ARefusalIsShownAndTheBoxTellsTheTruth) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    w.SetActivePage(Page::Settings);
    world.platform.failStartAtLogin = true;
    SendMessageW(w.tsSettings->cbStartAtLogin, BM_CLICK, 0, 0);
    EXPECT_FALSE(Checked(w.tsSettings->cbStartAtLogin));
    ASSERT_EQ(win::MessageBoxes::Recorded().size(), 1u);
    EXPECT_NE(win::MessageBoxes::Recorded()[0].text.find("permission denied"), std::string::npos);
}

TEST(SettingsPageControls, EachMonitorCanShowAChannelOfItsOwn) {
    WindowWorld world;
    TwoMonitors(world.platform);
    world.server = std::make_unique<TestHttpServer>();
    PublishChannels(*world.server,
                    {ChannelSpec("alpha", "Alpha Photos"), ChannelSpec("beta", "Beta Photos")});
    win::MainWindow& w = world.Start(world.server->Url("/wylo/wylo.xml"));
    win::SettingsPage& s = *w.tsSettings;
    SendMessageW(s.rgMultiScreen->button(1), BM_CLICK, 0, 0);
    // A row above the placement: the monitor, and the channel it shows.
    for (HWND control : {s.cbDifferentMonitor, s.lMonitorChannel, s.cbMonitorChannel}) {
        EXPECT_TRUE(ShownOnPage(control, s.hwnd())) << Text(control);
        EXPECT_LE(RectInParent(control).bottom, RectInParent(s.rgPlacementDifferent->box()).top);
    }
    ExpectNoOverlaps(s.tsDifferent->hwnd());
    EXPECT_EQ(SendMessageW(s.cbDifferentMonitor, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(Chosen(s.cbDifferentMonitor), "Monitor 1");
    // The subscribed channel first, then the channel list.
    EXPECT_EQ(SendMessageW(s.cbMonitorChannel, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(Chosen(s.cbMonitorChannel), "Subscribed Channel");

    Pick(world, s.cbDifferentMonitor, L"Monitor 2");
    Pick(world, s.cbMonitorChannel, L"Beta Photos");
    EXPECT_EQ(w.session().MonitorChannel(1), 1);
    EXPECT_EQ(w.session().MonitorChannel(0), -1);
    // Each monitor shows its own choice.
    Pick(world, s.cbDifferentMonitor, L"Monitor 1");
    EXPECT_EQ(Chosen(s.cbMonitorChannel), "Subscribed Channel");
    Pick(world, s.cbDifferentMonitor, L"Monitor 2");
    EXPECT_EQ(Chosen(s.cbMonitorChannel), "Beta Photos");
    // Clicking a monitor on the map chooses it here too.
    for (const int monitor : {0, 1}) {
        const RECT r = s.monitorMap->MonitorRect(static_cast<std::size_t>(monitor));
        SendMessageW(s.monitorMap->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        EXPECT_EQ(Chosen(s.cbDifferentMonitor), "Monitor " + std::to_string(monitor + 1));
        EXPECT_EQ(Chosen(s.cbMonitorChannel), monitor == 0 ? "Subscribed Channel" : "Beta Photos");
    }
    w.session().SaveSettings();
    world.Pump();
    EXPECT_TRUE(Has(ReadFile(world.settingsFile()), "MonitorChannel2=beta"));
}
