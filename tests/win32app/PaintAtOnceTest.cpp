#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "base/Colour.h"
#include "win32app/MonitorMap.h"
#include "win32app/Window.h"

using namespace wylo;
using namespace wylo::test;
using Page = win::MainWindow::Page;

namespace {

// A 32-bit picture as large as a window's client area.
class Picture {
public:
    explicit Picture(HWND window) {
        RECT area;
        GetClientRect(window, &area);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = area.right;
        info.bmiHeader.biHeight = -area.bottom;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bits_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        old_ = SelectObject(dc_, bits_);
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bits_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // The colour at a point of window, which lies in root.
    COLORREF At(HWND root, HWND window, POINT point) const {
        MapWindowPoints(window, root, &point, 1);
        return GetPixel(dc_, point.x, point.y);
    }
    // How many colours window's rectangle shows.
    std::size_t ColoursOf(HWND root, HWND window) const {
        RECT r;
        GetClientRect(window, &r);
        MapWindowPoints(window, root, reinterpret_cast<POINT*>(&r), 2);
        std::set<COLORREF> seen;
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                seen.insert(GetPixel(dc_, x, y));
            }
        }
        return seen.size();
    }

private:
    HDC dc_;
    HBITMAP bits_;
    HGDIOBJ old_;
};

POINT Centre(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return {r.right / 2, r.bottom / 2};
}

bool Contains(const std::vector<HWND>& windows, HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

}  // namespace

TEST(PaintAtOnce, TheSettingsPageIsDrawnWholeButForTheFramedControls) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    win::SettingsPage& s = *w.tsSettings;
    s.pnBGColour->SetColour(MakeColour(10, 20, 30));
    s.pnFGColour->SetColour(MakeColour(200, 150, 100));
    w.SetActivePage(Page::Settings);
    world.Pump();

    const HWND page = s.hwnd();
    const Picture picture(page);
    const std::vector<HWND> own = win::PrintTree(page, picture.dc());

    // The panels that draw themselves show what they hold.
    EXPECT_EQ(picture.At(page, s.pnBGColour->hwnd(), Centre(s.pnBGColour->hwnd())),
              RGB(10, 20, 30));
    EXPECT_EQ(picture.At(page, s.pnFGColour->hwnd(), Centre(s.pnFGColour->hwnd())),
              RGB(200, 150, 100));
    const RECT monitor = s.monitorMap->MonitorRect(0);
    EXPECT_EQ(picture.At(page, s.monitorMap->hwnd(), {monitor.left + 8, monitor.top + 8}),
              RGB(0, 0, 255));
    // Standard controls draw their captions.
    for (HWND control : {s.cbBGOverride, s.cbRandomOrder, s.lScreens, s.cbScheduleType}) {
        EXPECT_GT(picture.ColoursOf(page, control), 1u);
    }
    // Framed controls, and the arrows drawn over a frame, paint themselves;
    // hidden ones not at all.
    EXPECT_TRUE(Contains(own, s.mScreenMetrics));
    EXPECT_TRUE(Contains(own, s.seScheduleFrequency->edit()));
    EXPECT_TRUE(Contains(own, s.seScheduleFrequency->arrows()));
    EXPECT_FALSE(Contains(own, s.cbBGOverride));
    EXPECT_FALSE(Contains(own, s.pcMultiScreen));
}

TEST(PaintAtOnce, AClickedTabLeavesNoWindowOfItsPageWaitingForAPaint) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(w.hwnd());
    world.Pump();
    const auto waiting = [](HWND page) {
        std::vector<HWND> found;
        if (GetUpdateRect(page, nullptr, FALSE)) {
            found.push_back(page);
        }
        EnumChildWindows(
            page,
            [](HWND child, LPARAM list) {
                if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
                    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    };
    for (Page page : {Page::Settings, Page::Channels, Page::Settings, Page::Welcome}) {
        for (int position = 0; position < w.TabCount(); ++position) {
            TCITEMW item{};
            item.mask = TCIF_PARAM;
            SendMessageW(w.PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                         reinterpret_cast<LPARAM>(&item));
            if (item.lParam == static_cast<LPARAM>(page)) {
                w.SelectTab(position);
            }
        }
        ASSERT_EQ(w.ActivePage(), page);
        if (page == Page::Welcome) {
            continue;  // its web page paints when it will
        }
        // Painted within the click, the framed controls too.
        const HWND shown = page == Page::Settings ? w.tsSettings->hwnd() : w.tsChannels->hwnd();
        EXPECT_TRUE(IsWindowVisible(shown));
        EXPECT_TRUE(waiting(shown).empty());
    }
    // The settings still show their values.
    EXPECT_EQ(SendMessageW(w.tsSettings->cbBGOverride, BM_GETCHECK, 0, 0), BST_CHECKED);
}

namespace {

// What reached a control: its own paints and erasing on the screen, and the
// prints of the page's one pass.
struct Reached {
    int painted = 0;
    int erasedOnScreen = 0;
    int printed = 0;
};

LRESULT CALLBACK CountPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR data) {
    auto& reached = *reinterpret_cast<Reached*>(data);
    if (message == WM_PAINT) {
        ++reached.painted;
    } else if (message == WM_ERASEBKGND &&
               GetObjectType(reinterpret_cast<HDC>(wParam)) != OBJ_MEMDC) {
        ++reached.erasedOnScreen;
    } else if (message == WM_PRINTCLIENT) {
        ++reached.printed;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

TEST(PaintAtOnce, AClickedTabsControlsAreDrawnOnceNotErasedAndPaintedEach) {
    WindowWorld world;
    win::MainWindow& w = world.Start();
    ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(w.hwnd());
    win::SettingsPage& s = *w.tsSettings;
    w.SetActivePage(Page::Welcome);
    world.Pump();

    const std::vector<HWND> watched = {s.cbRandomOrder, s.cbBGOverride, s.lScreens,
                                       s.cbScheduleType};
    std::vector<Reached> reached(watched.size());
    for (std::size_t i = 0; i < watched.size(); ++i) {
        SetWindowSubclass(watched[i], CountPaints, 1, reinterpret_cast<DWORD_PTR>(&reached[i]));
    }
    for (int position = 0; position < w.TabCount(); ++position) {
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        SendMessageW(w.PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&item));
        if (item.lParam == static_cast<LPARAM>(Page::Settings)) {
            w.SelectTab(position);
        }
    }
    world.Pump();
    for (std::size_t i = 0; i < watched.size(); ++i) {
        RemoveWindowSubclass(watched[i], CountPaints, 1);
        SCOPED_TRACE(testing::Message() << "control " << i);
        EXPECT_EQ(reached[i].painted, 0);
        EXPECT_EQ(reached[i].erasedOnScreen, 0);
        EXPECT_GE(reached[i].printed, 1);
    }
}
