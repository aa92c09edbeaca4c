// The window as a whole: its pages, the status bar, the tray, resizing,
// minimising and saving the settings when it goes.
#include <cstdlib>
#include <utility>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "support/TempDir.h"
#include "win32app/Dialogs.h"
#include "win32app/Window.h"

using namespace wylo;
using namespace wylo::test;
using Page = win::MainWindow::Page;

namespace {

std::vector<std::wstring> TabCaptions(win::MainWindow& w) {
    std::vector<std::wstring> captions;
    for (int i = 0; i < w.TabCount(); ++i) {
        captions.push_back(w.TabCaption(i));
    }
    return captions;
}

}  // namespace

TEST(MainWindow, TitleClientSizeBordersAndIcon) {
    WindowWorld world;
    win::MainWindow& w = world.Make();
    EXPECT_EQ(Text(w.hwnd()), "Wylo");
    RECT client;
    GetClientRect(w.hwnd(), &client);
    EXPECT_EQ(client.right, 715);
    EXPECT_EQ(client.bottom, 561);
    const LONG_PTR style = GetWindowLongPtrW(w.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_NE(SendMessageW(w.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
    MINMAXINFO limits{};
    SendMessageW(w.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 722);
    EXPECT_EQ(limits.ptMinTrackSize.y, 588);
}

TEST(MainWindow, StartsOnWelcomeWithTheSubscribedChannelsTabsHidden) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    EXPECT_EQ(TabCaptions(w),
              (std::vector<std::wstring>{L"Welcome", L"Channels List", L"Settings"}));
    EXPECT_EQ(w.ActivePage(), Page::Welcome);
    EXPECT_TRUE(Visible(w.tsWelcome->hwnd()));
    EXPECT_FALSE(Visible(w.tsSettings->hwnd()));
    // Showing both tabs puts them in their places, between the list and the settings.
    w.SetPageTabVisible(Page::Images, true);
    w.SetPageTabVisible(Page::News, true);
    EXPECT_EQ(TabCaptions(w),
              (std::vector<std::wstring>{L"Welcome", L"Channels List", L"Subscribed Channel News",
                                         L"Subscribed Channel Images", L"Settings"}));
    // Each tab has its picture.
    TCITEMW item{};
    item.mask = TCIF_IMAGE;
    SendMessageW(w.PageControl1, TCM_GETITEMW, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, 3);
    EXPECT_EQ(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(
                  SendMessageW(w.PageControl1, TCM_GETIMAGELIST, 0, 0))),
              5);
    // Without a channel directory no message was shown.
    EXPECT_TRUE(win::MessageBoxes::Recorded().empty());
}

TEST(MainWindow, StatusBarHoldsChangeNowTheTextAndTheProgressBar) {
    WindowWorld world;
    win::MainWindow& w = world.StartSubscribed();
    const win::StatusBar& bar = *w.Panel2;
    EXPECT_EQ(Text(bar.sbChangeNow), "Change Now");
    EXPECT_EQ(bar.hints->HintOf(bar.sbChangeNow), L"Put the next picture on the desktop now");
    RECT r = RectInParent(bar.hwnd());
    EXPECT_EQ(r.bottom - r.top, 20);
    EXPECT_EQ(r.bottom, 561);
    r = RectInParent(bar.sbChangeNow);
    EXPECT_EQ(r.right - r.left, 72);
    // The progress bar is at most 368 wide; at this size it leaves the text
    // its room (MainWindowLayout below).
    r = RectInParent(bar.pbHTTPProgress);
    EXPECT_LE(r.right - r.left, 368);

    // A click on the button leaves the focus where it was.
    SetFocus(w.tsSettings->cbRandomOrder);
    SendMessageW(bar.sbChangeNow, WM_SETFOCUS,
                 reinterpret_cast<WPARAM>(w.tsSettings->cbRandomOrder), 0);
    EXPECT_EQ(GetFocus(), w.tsSettings->cbRandomOrder);
    // And changes the desktop.
    world.Command(bar.sbChangeNow, BN_CLICKED);
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 1u);
    EXPECT_EQ(w.session().settings().currentImage, 1);
}

TEST(MainWindow, TrayShowsTheIconAndTheMenuReadsMooBeforeAnyStatus) {
    WindowWorld world;
    win::MainWindow& w = world.Make();
    ASSERT_FALSE(world.trayCalls.empty());
    EXPECT_EQ(world.trayCalls.front().message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(w.tray->nextChange(), L"moo");
    HMENU menu = w.tray->menu();
    ASSERT_EQ(GetMenuItemCount(menu), 9);
    EXPECT_TRUE(GetMenuState(menu, win::TrayIcon::kNextChangeId, MF_BYCOMMAND) & MF_GRAYED);
    wchar_t text[64];
    GetMenuStringW(menu, win::TrayIcon::kChangeNowId, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Change Now");
    // Nothing to go back or forward to before the first change.
    EXPECT_TRUE(GetMenuState(menu, win::TrayIcon::kPreviousId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, win::TrayIcon::kNextId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, win::TrayIcon::kKeepId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, win::TrayIcon::kNeverAgainId, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, 7, MF_BYPOSITION) & MF_SEPARATOR);
    GetMenuStringW(menu, win::TrayIcon::kExitId, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"E&xit\tAlt+X");
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST(MainWindow, EachTickShowsTheNextChangeInStatusLineTooltipAndMenu) {
    WindowWorld world;
    win::MainWindow& w = world.StartHealthy();
    ASSERT_TRUE(w.timerRunning());
    SendMessageW(w.hwnd(), WM_TIMER, win::MainWindow::kScheduleTimerId, 0);
    world.Pump();
    const std::string status = w.Panel2->status();
    EXPECT_EQ(status.rfind("Next Change : ", 0), 0u) << status;
    EXPECT_EQ(w.tray->hint(), L"Wylo - " + win::Wide(status));
    EXPECT_EQ(w.tray->nextChange(), win::Wide(status));
    // The shell was asked for that tooltip.
    EXPECT_EQ(world.trayCalls.back().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(world.trayCalls.back().tip, L"Wylo - " + win::Wide(status));
}

TEST(MainWindow, ChangeNowFromTheTrayMenuAndExitCloses) {
    WindowWorld world;
    win::MainWindow& w = world.StartSubscribed();
    SendMessageW(w.hwnd(), WM_COMMAND, win::TrayIcon::kChangeNowId, 0);
    world.Pump();
    EXPECT_EQ(world.platform.wallpaperCalls.size(), 1u);
    SendMessageW(w.hwnd(), WM_COMMAND, win::TrayIcon::kExitId, 0);
    world.Pump();
    EXPECT_EQ(w.hwnd(), nullptr);
    EXPECT_FALSE(w.workLeftBehind());
    EXPECT_NE(ReadFile(world.settingsFile()).find("CurrentImage=1"), std::string::npos);
}

TEST(MainWindow, ResizeBeepsOnceForEachChangeOfSizeAndNeverForAMove) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    RECT r;
    GetWindowRect(w.hwnd(), &r);
    SetWindowPos(w.hwnd(), nullptr, r.left + 10, r.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(world.platform.beeps, 0);
    SetWindowPos(w.hwnd(), nullptr, 0, 0, r.right - r.left + 40, r.bottom - r.top + 30,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(world.platform.beeps, 1);
    SetWindowPos(w.hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(world.platform.beeps, 2);
}

TEST(MainWindow, MinimisingHidesToTheTrayAndADoubleClickRestores) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    ShowWindow(w.hwnd(), SW_SHOW);
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    world.Pump();
    EXPECT_FALSE(IsWindowVisible(w.hwnd()));
    SendMessageW(w.hwnd(), win::TrayIcon::kCallbackMessage, 1, WM_LBUTTONDBLCLK);
    world.Pump();
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    EXPECT_FALSE(IsIconic(w.hwnd()));
}

TEST(MainWindow, WithoutANotificationAreaMinimisingKeepsTheWindowOnTheTaskbar) {
    WindowWorld world;
    world.trayAccepts = false;
    win::MainWindow& w = world.Start();
    ShowWindow(w.hwnd(), SW_SHOW);
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    world.Pump();
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    EXPECT_TRUE(IsIconic(w.hwnd()));
}

TEST(MainWindowSaving, ClosingSavesTheSettingsAndKeepsForeignContent) {
    WindowWorld world;
    std::filesystem::create_directories(world.appFolder());
    WriteFile(world.settingsFile(),
              "; kept\r\n[Other]\r\nKey=Value\r\n[Settings]\r\nRandomOrder=0\r\nMine=1\r\n");
    win::MainWindow& w = world.Start();
    EXPECT_FALSE(Checked(w.tsSettings->cbRandomOrder));
    SendMessageW(w.tsSettings->cbRandomOrder, BM_CLICK, 0, 0);
    world.Close();
    const std::string saved = ReadFile(world.settingsFile());
    EXPECT_NE(saved.find("; kept"), std::string::npos);
    EXPECT_NE(saved.find("Key=Value"), std::string::npos);
    EXPECT_NE(saved.find("Mine=1"), std::string::npos);
    EXPECT_NE(saved.find("RandomOrder=1"), std::string::npos);
    EXPECT_NE(saved.find("CurrentChannel=-1"), std::string::npos);
    EXPECT_NE(saved.find("ScheduleType=0"), std::string::npos);
}

TEST(MainWindowSaving, TheEndOfTheLogonSavesTheSettings) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    EXPECT_EQ(SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(w.hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(std::filesystem::exists(world.settingsFile()));
    // The window has gone as for any close, its work cancelled.
    EXPECT_EQ(w.hwnd(), nullptr);
}

TEST(MainWindowSaving, LeavingTheSettingsPageSavesAndAFailedSaveIsReported) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    w.SetActivePage(Page::Settings);
    EXPECT_FALSE(std::filesystem::exists(world.settingsFile()));
    w.SelectTab(0);
    EXPECT_EQ(w.ActivePage(), Page::Welcome);
    EXPECT_TRUE(world.PumpUntil([&] { return std::filesystem::exists(world.settingsFile()); }));

    // A settings file that cannot be written: its path is reported.
    world.Pump();
    std::filesystem::remove(world.settingsFile());
    std::filesystem::create_directory(world.settingsFile());
    w.SetActivePage(Page::Settings);
    w.SetActivePage(Page::Channels);
    world.PumpUntil([] { return !win::MessageBoxes::Recorded().empty(); });
    ASSERT_EQ(win::MessageBoxes::Recorded().size(), 1u);
    EXPECT_EQ(win::MessageBoxes::Recorded()[0].text.rfind("Unable to write to ", 0), 0u);
    EXPECT_EQ(w.ActivePage(), Page::Channels);
}

TEST(MainWindowScaling, AtOneHundredAndFiftyPercentEveryPlaceAndPictureGrows) {
    WindowWorld world;
    world.platform.SetMonitors(
        {Monitor{{0, 0, 1920, 1080}, true}, Monitor{{-1280, 0, 0, 1024}, false}});
    win::MainWindow& w = world.Start();
    RECT suggested;
    GetWindowRect(w.hwnd(), &suggested);
    suggested.right = suggested.left + 1100;
    suggested.bottom = suggested.top + 900;
    SendMessageW(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    // A change of scaling is no resize by the user.
    EXPECT_EQ(world.platform.beeps, 0);
    const win::SettingsPage& s = *w.tsSettings;
    RECT r = RectInParent(s.rgMultiScreen->box());
    EXPECT_EQ(r.left, 672);
    EXPECT_EQ(r.top, win::Scaled(3, 144));
    EXPECT_EQ(r.right - r.left, win::Scaled(193, 144));
    r = RectInParent(s.Panel1->hwnd());
    EXPECT_EQ(r.top, win::Scaled(117, 144));
    EXPECT_EQ(r.right - r.left, 561);
    // The map keeps its proportions: 364 x 124 at 5, 69 at 100 %.
    r = RectInParent(s.monitorMap->hwnd());
    EXPECT_EQ(r.left, win::Scaled(5, 144));
    EXPECT_EQ(r.right - r.left, 546);
    r = RectInParent(w.Panel2->hwnd());
    EXPECT_EQ(r.bottom - r.top, 30);
    EXPECT_EQ(RectInParent(w.Panel2->sbChangeNow).right - RectInParent(w.Panel2->sbChangeNow).left,
              108);
    int side = 0;
    int other = 0;
    ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(SendMessageW(w.PageControl1, TCM_GETIMAGELIST, 0, 0)), &side,
        &other);
    EXPECT_EQ(side, 48);
    MINMAXINFO limits{};
    SendMessageW(w.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GE(limits.ptMinTrackSize.x, 722);
}

TEST(MainWindow, AnAmpersandInAStatusTextShowsAsItIsInTheTrayMenu) {
    WindowWorld world;
    win::MainWindow& w = world.Make();
    w.tray->SetNextChange(L"Downloading Sun & Sea");
    EXPECT_EQ(w.tray->nextChange(), L"Downloading Sun & Sea");
    wchar_t text[64];
    GetMenuStringW(w.tray->menu(), win::TrayIcon::kNextChangeId, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Downloading Sun && Sea");
    // The tooltip is cut to what the notification area holds.
    w.tray->SetHint(std::wstring(300, L'x'));
    EXPECT_EQ(world.trayCalls.back().tip.size(), 127u);
}

namespace {

// How wide text is in control's own font.
int TextWidthIn(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

int Width(HWND control) {
    const RECT r = RectInParent(control);
    return r.right - r.left;
}

// The text the tooltip shows for control.
std::wstring TooltipText(const win::Hints& hints, HWND control) {
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text;
    SendMessageW(hints.window(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
}

// The columns of the status label, as it paints itself, that hold ink.
std::pair<int, int> InkedColumns(const win::StatusBar& bar) {
    RECT area;
    GetClientRect(bar.lStatus, &area);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = bar.lStatus;
    item.hDC = dc;
    item.rcItem = area;
    SendMessageW(bar.hwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    int first = -1;
    int last = -1;
    for (int x = 0; x < area.right; ++x) {
        for (int y = 0; y < area.bottom; ++y) {
            if (GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE)) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return {first, last};
}

}  // namespace

TEST(MainWindowLayout, TheStatusLineShowsAWholeNextChangeTimeAtTheDefaultSize) {
    WindowWorld world;
    win::MainWindow& w = world.StartHealthy();
    const win::StatusBar& bar = *w.Panel2;
    SendMessageW(w.hwnd(), WM_TIMER, win::MainWindow::kScheduleTimerId, 0);
    world.Pump();
    const std::wstring status = win::Wide(bar.status());
    ASSERT_EQ(status.size(), std::wstring(L"Next Change : 09/12/2026 10:00:00").size())
        << bar.status();
    RECT label;
    GetClientRect(bar.lStatus, &label);
    EXPECT_LE(TextWidthIn(bar.lStatus, status), label.right);
    // The progress bar gave up what the text needs, and keeps a useful width.
    EXPECT_LT(Width(bar.pbHTTPProgress), 368);
    EXPECT_GE(Width(bar.pbHTTPProgress), 120);
    RECT inside;
    GetClientRect(bar.hwnd(), &inside);
    EXPECT_EQ(RectInParent(bar.pbHTTPProgress).right, inside.right);

    // Shown whole and centred.
    EXPECT_EQ(bar.ShownStatus(), status);
    const auto [first, last] = InkedColumns(bar);
    EXPECT_GT(first, 0);
    EXPECT_LE(std::abs(first - (label.right - 1 - last)), 2);

    // A text too long keeps its end, the time of the next change; hovering
    // shows all of it.
    EXPECT_EQ(TooltipText(*bar.hints, bar.lStatus), status);
    EXPECT_TRUE(GetWindowLongPtrW(bar.lStatus, GWL_STYLE) & SS_NOTIFY);
    const std::wstring longer = L"Sand Dunes at Dawn over the Long Valley - " + status;
    w.Panel2->SetStatus(longer);
    EXPECT_EQ(TooltipText(*bar.hints, bar.lStatus), longer);
    const std::wstring shown = bar.ShownStatus();
    ASSERT_EQ(shown.front(), L'\u2026');
    EXPECT_EQ(longer.substr(longer.size() - (shown.size() - 1)), shown.substr(1));
    EXPECT_GE(shown.size(), status.size() + 1);
    EXPECT_LE(TextWidthIn(bar.lStatus, shown), label.right);

    // A wider window: the progress bar has its full width, the text the rest.
    RECT r;
    GetWindowRect(w.hwnd(), &r);
    SetWindowPos(w.hwnd(), nullptr, 0, 0, r.right - r.left + 200, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Width(bar.pbHTTPProgress), 368);
    EXPECT_GT(Width(bar.lStatus), label.right + 100);
}

TEST(MainWindowLayout, AResizeRepaintsTheLabelsWhole) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    w.Panel2->SetStatus(L"Next Change : 09/12/2026 10:00:00");
    w.SetPageTabVisible(Page::Images, true);
    w.SetActivePage(Page::Images);
    ShowWindow(w.hwnd(), SW_SHOW);
    UpdateWindow(w.hwnd());
    const HWND labels[] = {w.Panel2->lStatus, w.tsCurrentChannel->lTitle,
                           w.tsCurrentChannel->lCopyright};
    RECT dirty{};
    for (HWND label : labels) {
        ASSERT_FALSE(GetUpdateRect(label, &dirty, FALSE)) << Text(label);
    }
    RECT r;
    GetWindowRect(w.hwnd(), &r);
    SetWindowPos(w.hwnd(), nullptr, 0, 0, r.right - r.left + 60, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    // Their texts moved: all of each label is painted again, not only the
    // strip the resize uncovered.
    for (HWND label : labels) {
        RECT all;
        GetClientRect(label, &all);
        ASSERT_TRUE(GetUpdateRect(label, &dirty, FALSE)) << Text(label);
        EXPECT_EQ(dirty.left, 0) << Text(label);
        EXPECT_EQ(dirty.right, all.right) << Text(label);
    }
    ShowWindow(w.hwnd(), SW_HIDE);
}
