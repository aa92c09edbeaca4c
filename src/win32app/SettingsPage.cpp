#include "win32app/SettingsPage.h"

#include <algorithm>

#include <commctrl.h>

#include "base/Choices.h"
#include "session/CachePruning.h"
#include "session/Session.h"
#include "settings/PlacementChoice.h"
#include "win32app/Dialogs.h"
#include "win32app/Window.h"

namespace wylo::win {
namespace {

enum Id : int {
    kScreensId = 501,
    kMetricsId,
    kPanel1Id,
    kMapId,
    kMultiScreenId = 511,  // its buttons 511..514, the box 510
    kMultiScreenPagesId = 520,
    kSameId,
    kDifferentId,
    kSingleId,
    kSpanId,
    kPlacementSameId = 531,  // 531..534
    kZoomSameId = 535,
    kPercentSameId,
    kPlacementDifferentId = 541,
    kZoomDifferentId = 545,
    kPercentDifferentId,
    kSmoothScalingId = 548,
    kSSSmoothScalingId,
    kMonitorToUseLabelId = 550,
    kMonitorToUseId,
    kPlacementSingleId = 553,  // 553..556, the box 552
    kZoomSingleId = 557,
    kPercentSingleId,
    kSingleScreenPagesId = 560,
    kImagePlacementId,
    kPlacementSSId = 563,  // 563..566, the box 562
    kZoomSSId = 567,
    kPercentSSId,
    kMiscId = 570,
    kBGOverrideId,
    kIconTextOverrideId,
    kIconTransparencyId,
    kRandomOrderId,
    kStartAtLoginId,
    kScheduleId = 580,
    kEnableSchedulerId,
    kEveryLabelId,
    kFrequencyId,
    kFrequencyArrowsId,
    kScheduleTypeId,
    kColoursId = 590,
    kBGLabelId,
    kFGLabelId,
    kBGColourId,
    kFGColourId,
    kDoubleClickId,
    kPlacementSpanId = 601,  // 601..604, the box 600
    kZoomSpanId = 605,
    kPercentSpanId,
    kShowHiddenId,
    kCacheLimitLabelId = 610,
    kCacheLimitId,
    kCacheLimitArrowsId,
    kCacheLimitUnitId,
    kCacheSizeId,
    kDifferentMonitorId = 620,
    kMonitorChannelLabelId,
    kMonitorChannelId,
};

const std::vector<std::wstring> kPlacements = {L"Center", L"Tile", L"Stretch", L"Zoom"};
// A drop-down list's window includes its open list.
constexpr int kDropDownHeight = 200;
// What the page's controls keep when the page is short, at 100 %: the
// monitor map's height, the multi-screen choice's (its caption and three
// buttons) and the gap between two controls.
constexpr int kLeastMapHeight = 130;
constexpr int kLeastChoiceHeight = 75;
constexpr int kLeastGap = 3;

const wchar_t kSmoothScalingHint[] =
    L"Ticking this box blends neighbouring pixels when an image is made smaller or larger, "
    L"otherwise whole rows and columns are dropped or repeated.";

// The cache's row, below the monitor map.
constexpr int kCacheRowTop = 359;

const wchar_t kCacheLimitHint[] =
    L"The pictures shown least recently leave the cache when it holds more than this. "
    L"A single picture larger than a quarter of it is not downloaded.";

const wchar_t kColoursHint[] =
    L"These colours are only used if the Icon and and Background colour overrides are unticked. "
    L"They are also used when, in multi monitor configurations, and image is only displayed on a "
    L"single screen. ";

RECT At(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

HWND Label(HWND parent, const wchar_t* text, int id) {
    return MakeControl(parent, L"STATIC", text, WS_VISIBLE | SS_NOPREFIX, id);
}

HWND DropDown(HWND parent, int id) {
    return MakeControl(parent, L"COMBOBOX", L"",
                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id);
}

HWND ZoomBox(HWND parent, int id) {
    HWND box = DropDown(parent, id);
    for (const std::int32_t percent : kZoomPercentages) {
        SendMessageW(box, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(std::to_wstring(percent).c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(ZoomPosition(kDefaultZoom)), 0);
    EnableWindow(box, FALSE);
    return box;
}

HWND Check(HWND parent, const wchar_t* caption, int id) {
    HWND box =
        MakeControl(parent, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, id);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    return box;
}

bool Ticked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Tick(HWND box, bool on) {
    SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Selected(HWND list) {
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}
// An index the list does not hold leaves it without a selection.
void Select(HWND list, int index) {
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void AddTab(HWND tabs, const wchar_t* caption) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    const auto count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(&item));
}

}  // namespace

SettingsPage::SettingsPage(HWND parent, int id) {
    CreatePanel(parent, id);
    hints = std::make_unique<Hints>(hwnd());
    HWND page = hwnd();

    // Created in reading order, which is the order the keyboard visits them:
    // the left column (screens, map, colours), then the right one.
    lScreens = Label(page, L"Screen Metrics", kScreensId);
    Add(lScreens, At(3, 3, 70, 13));
    mScreenMetrics = MakeControl(
        page, L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
        kMetricsId, WS_EX_CLIENTEDGE);
    Add(mScreenMetrics, At(3, 22, 374, 89));
    // The pictures the user asked never to see again come back from here.
    bnShowHidden = MakeControl(page, L"BUTTON", L"Show Hidden Pictures Again",
                               WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kShowHiddenId);
    Add(bnShowHidden, At(197, 0, 180, 21));
    EnableWindow(bnShowHidden, FALSE);
    Panel1 = std::make_unique<BevelPanel>(page, kPanel1Id);
    // The map gives up a row at its foot to the cache's limit.
    Add(Panel1->hwnd(), At(3, 117, 374, 236));
    monitorMap = std::make_unique<MonitorMap>(Panel1->hwnd(), kMapId, *hints);
    lCacheLimit = Label(page, L"Cache Limit", kCacheLimitLabelId);
    Add(lCacheLimit, At(3, kCacheRowTop + 3, 60, 13));
    seCacheLimit = std::make_unique<SpinEdit>(page, kCacheLimitId, kCacheLimitArrowsId);
    seCacheLimit->SetAllowedRange(Settings::kMinCacheLimitMegabytes,
                                  Settings::kMaxCacheLimitMegabytes);
    seCacheLimit->SetClampedValue(1024);
    Add(seCacheLimit->edit(), At(68, kCacheRowTop, 80, 21));
    lCacheLimitUnit = Label(page, L"MB", kCacheLimitUnitId);
    Add(lCacheLimitUnit, At(152, kCacheRowTop + 3, 20, 13));
    lCacheSize = Label(page, L"", kCacheSizeId);
    Add(lCacheSize, At(184, kCacheRowTop + 3, 193, 13));
    for (HWND w : {lCacheLimit, seCacheLimit->edit(), lCacheLimitUnit}) {
        hints->Add(w, kCacheLimitHint);
    }
    SetWindowLongPtrW(lCacheLimit, GWL_STYLE,
                      GetWindowLongPtrW(lCacheLimit, GWL_STYLE) | SS_NOTIFY);
    SetWindowLongPtrW(lCacheLimitUnit, GWL_STYLE,
                      GetWindowLongPtrW(lCacheLimitUnit, GWL_STYLE) | SS_NOTIFY);

    GroupBox3 = MakeControl(page, L"BUTTON", L"Text And Background Colours",
                            WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN, kColoursId);
    MakeContainer(GroupBox3);
    Add(GroupBox3, At(3, 386, 374, 104));
    lBGColour = Label(GroupBox3, L"Background Colour", kBGLabelId);
    Add(lBGColour, At(62, 18, 90, 13));
    lFGColour = Label(GroupBox3, L"Font Colour", kFGLabelId);
    Add(lFGColour, At(238, 18, 60, 13));
    pnBGColour = std::make_unique<ColourPanel>(GroupBox3, kBGColourId);
    Add(pnBGColour->hwnd(), At(42, 37, 125, 41));
    pnFGColour = std::make_unique<ColourPanel>(GroupBox3, kFGColourId);
    Add(pnFGColour->hwnd(), At(204, 37, 125, 41));
    pnBGColour->SetColour(kBlack);
    pnFGColour->SetColour(kWhite);
    lDoubleClick = Label(GroupBox3, L"(Double-click to change)", kDoubleClickId);
    Add(lDoubleClick, At(129, 84, 120, 13));
    for (HWND w :
         {GroupBox3, lBGColour, lFGColour, pnBGColour->hwnd(), pnFGColour->hwnd(), lDoubleClick}) {
        hints->Add(w, kColoursHint);
    }
    // Statics show hints only when they take the pointer's messages.
    for (HWND w : {lBGColour, lFGColour, lDoubleClick}) {
        SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) | SS_NOTIFY);
    }

    rgMultiScreen = std::make_unique<RadioGroup>(
        page, kMultiScreenId, L"How to handle multiple screens ",
        std::vector<std::wstring>{L"Same Image On Each Screen", L"Different Image On Each Screen",
                                  L"Image Only On Single Screen",
                                  L"One Picture Across All Screens"});
    groups_.emplace_back(rgMultiScreen.get(), At(448, 3, 193, 108));

    // The page controls hold controls of their own that the dialog keys
    // reach; the multi-screen choice picks their page from the keyboard.
    pcMultiScreen = MakeControl(page, WC_TABCONTROLW, L"",
                                WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                kMultiScreenPagesId, WS_EX_CONTROLPARENT);
    MakeContainer(pcMultiScreen);
    Add(pcMultiScreen, At(383, 117, 322, 193));
    AddTab(pcMultiScreen, L"Same");
    AddTab(pcMultiScreen, L"Different");
    AddTab(pcMultiScreen, L"Single");
    AddTab(pcMultiScreen, L"Span");
    tsSame = std::make_unique<Sheet>(pcMultiScreen, kSameId);
    tsDifferent = std::make_unique<Sheet>(pcMultiScreen, kDifferentId);
    tsSingle = std::make_unique<Sheet>(pcMultiScreen, kSingleId);
    tsSpan = std::make_unique<Sheet>(pcMultiScreen, kSpanId);

    RadioGroup3 =
        std::make_unique<RadioGroup>(tsSame->hwnd(), kPlacementSameId, L"Placement", kPlacements);
    groups_.emplace_back(RadioGroup3.get(), At(59, 28, 123, 105));
    ComboBox1 = ZoomBox(tsSame->hwnd(), kZoomSameId);
    Add(ComboBox1, At(188, 112, 51, kDropDownHeight));
    Label5 = Label(tsSame->hwnd(), L"%", kPercentSameId);
    Add(Label5, At(245, 115, 10, 13));

    // Which channel a monitor shows sits in a row above the placement.
    cbDifferentMonitor = DropDown(tsDifferent->hwnd(), kDifferentMonitorId);
    Add(cbDifferentMonitor, At(6, 3, 100, kDropDownHeight));
    lMonitorChannel = Label(tsDifferent->hwnd(), L"shows", kMonitorChannelLabelId);
    Add(lMonitorChannel, At(112, 6, 32, 13));
    cbMonitorChannel = DropDown(tsDifferent->hwnd(), kMonitorChannelId);
    Add(cbMonitorChannel, At(150, 3, 160, kDropDownHeight));
    rgPlacementDifferent = std::make_unique<RadioGroup>(tsDifferent->hwnd(), kPlacementDifferentId,
                                                        L"Placement", kPlacements);
    groups_.emplace_back(rgPlacementDifferent.get(), At(96, 28, 123, 105));
    cbZoomDifferent = ZoomBox(tsDifferent->hwnd(), kZoomDifferentId);
    Add(cbZoomDifferent, At(225, 112, 51, kDropDownHeight));
    Label3 = Label(tsDifferent->hwnd(), L"%", kPercentDifferentId);
    Add(Label3, At(282, 115, 10, 13));

    // The monitor choice sits above the placement, so the two never overlap.
    lSingleMonitorToUse = Label(tsSingle->hwnd(), L"Monitor To Use", kMonitorToUseLabelId);
    Add(lSingleMonitorToUse, At(45, 9, 75, 13));
    cbSingleMonitorToUse = DropDown(tsSingle->hwnd(), kMonitorToUseId);
    Add(cbSingleMonitorToUse, At(123, 6, 145, kDropDownHeight));
    RadioGroup1 = std::make_unique<RadioGroup>(tsSingle->hwnd(), kPlacementSingleId, L"Placement",
                                               kPlacements);
    groups_.emplace_back(RadioGroup1.get(), At(59, 33, 123, 105));
    ComboBox2 = ZoomBox(tsSingle->hwnd(), kZoomSingleId);
    Add(ComboBox2, At(188, 117, 51, kDropDownHeight));
    Label4 = Label(tsSingle->hwnd(), L"%", kPercentSingleId);
    Add(Label4, At(245, 120, 10, 13));

    // One picture across all screens: placed in the monitors' bounding box.
    rgPlacementSpan =
        std::make_unique<RadioGroup>(tsSpan->hwnd(), kPlacementSpanId, L"Placement", kPlacements);
    groups_.emplace_back(rgPlacementSpan.get(), At(59, 28, 123, 105));
    cbZoomSpan = ZoomBox(tsSpan->hwnd(), kZoomSpanId);
    Add(cbZoomSpan, At(188, 112, 51, kDropDownHeight));
    lSpanPercent = Label(tsSpan->hwnd(), L"%", kPercentSpanId);
    Add(lSpanPercent, At(245, 115, 10, 13));

    pcSingleScreen =
        MakeControl(page, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                    kSingleScreenPagesId, WS_EX_CONTROLPARENT);
    MakeContainer(pcSingleScreen);
    Add(pcSingleScreen, At(383, 117, 322, 193));
    AddTab(pcSingleScreen, L"Image Placement");
    TabSheet3 = std::make_unique<Sheet>(pcSingleScreen, kImagePlacementId);
    rgSSPlacement =
        std::make_unique<RadioGroup>(TabSheet3->hwnd(), kPlacementSSId, L"Placement", kPlacements);
    groups_.emplace_back(rgSSPlacement.get(), At(3, 3, 123, 105));
    cbSSZoom = ZoomBox(TabSheet3->hwnd(), kZoomSSId);
    Add(cbSSZoom, At(132, 87, 51, kDropDownHeight));
    lSSPercent = Label(TabSheet3->hwnd(), L"%", kPercentSSId);
    Add(lSSPercent, At(189, 90, 10, 13));

    // One switch for every placement, in the free space beside the tabs of
    // either page control; the two are kept in step.
    cbSmoothScaling = Check(pcMultiScreen, L"Smooth Scaling", kSmoothScalingId);
    cbSSSmoothScaling = Check(pcSingleScreen, L"Smooth Scaling", kSSSmoothScalingId);
    for (HWND box : {cbSmoothScaling, cbSSSmoothScaling}) {
        Tick(box, false);
        hints->Add(box, kSmoothScalingHint);
    }

    // Every "%" label starts greyed.
    for (HWND w : {Label5, Label3, Label4, lSSPercent, lSpanPercent}) {
        EnableWindow(w, FALSE);
    }
    for (RadioGroup* g : {rgMultiScreen.get(), RadioGroup3.get(), rgPlacementDifferent.get(),
                          RadioGroup1.get(), rgSSPlacement.get(), rgPlacementSpan.get()}) {
        g->SetItemIndex(0);
    }

    gbMisc = MakeControl(page, L"BUTTON", L"Miscellaneous",
                         WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN, kMiscId);
    MakeContainer(gbMisc);
    Add(gbMisc, At(448, 316, 193, 123));
    struct MiscBox {
        HWND& box;
        const wchar_t* caption;
        int id;
        const wchar_t* hint;
    };
    const MiscBox miscBoxes[] = {
        {cbBGOverride, L"Allow Background Colour Override", kBGOverrideId,
         L"Ticking this box means you are happy to use the background colour specified by the "
         L"photographer for the image being displayed."},
        {cbIconTextOverride, L"Allow Icon Text Colour Override", kIconTextOverrideId,
         L"Ticking this box means you are happy to use the font colour (for desktop icons) "
         L"specified by the photographer for the image being displayed."},
        {cbIconTransparancyOverride, L"Transparent Desktop Icons", kIconTransparencyId,
         L"Ticking this box will enable transparent desktop icons. This will let the desktop "
         L"image show through the icon text where applicable."},
        {cbRandomOrder, L"Random Order", kRandomOrderId,
         L"Ticking this box means Wylo will process the images in a channel randomly, "
         L"otherwise they will be processed sequentially."},
        {cbStartAtLogin, L"Start Wylo when I log in", kStartAtLoginId,
         L"Ticking this box starts Wylo each time you log in, waiting in the notification "
         L"area."},
    };
    // One under the other, 20 pixels apart.
    int top = 17;
    for (const MiscBox& m : miscBoxes) {
        m.box = Check(gbMisc, m.caption, m.id);
        Add(m.box, At(3, top, 187, 17));
        hints->Add(m.box, m.hint);
        top += 20;
    }
    // Shown as the system has it whenever the page opens.
    Tick(cbStartAtLogin, false);

    gbSchedule =
        MakeControl(page, L"BUTTON", L"Schedule",
                    WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, kScheduleId);
    MakeContainer(gbSchedule);
    Add(gbSchedule, At(421, 441, 247, 49));
    Label7 = Label(gbSchedule, L"Change Desktop Every", kEveryLabelId);
    Add(Label7, At(8, 22, 108, 13));
    seScheduleFrequency = std::make_unique<SpinEdit>(gbSchedule, kFrequencyId, kFrequencyArrowsId);
    Add(seScheduleFrequency->edit(), At(119, 19, 52, 21));
    cbScheduleType = DropDown(gbSchedule, kScheduleTypeId);
    for (const wchar_t* unit :
         {L"Minute(s)", L"Hour(s)", L"Day(s)", L"Week(s)", L"Month(s)", L"Year(s)"}) {
        SendMessageW(cbScheduleType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
    }
    Select(cbScheduleType, 1);
    Add(cbScheduleType, At(175, 19, 66, kDropDownHeight));
    // Lies on the group's top edge, outside the group, so it stays usable
    // while the group is greyed.
    cbEnableScheduler = Check(page, L"Enable", kEnableSchedulerId);
    Add(cbEnableScheduler, At(487, 441, 51, 17));
    SetWindowPos(cbEnableScheduler, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    rgMultiScreen->onClick = [this] { rgMultiScreenClick(); };
    for (RadioGroup* g : {rgPlacementDifferent.get(), RadioGroup1.get(), rgPlacementSpan.get()}) {
        g->onClick = [this] { rgPlacementDifferentClick(); };
    }
    // The one-monitor page and the "Same" page are the same choice.
    rgSSPlacement->onClick = [this] {
        RadioGroup3->SetItemIndex(rgSSPlacement->itemIndex());
        rgPlacementDifferentClick();
    };
    RadioGroup3->onClick = [this] {
        rgSSPlacement->SetItemIndex(RadioGroup3->itemIndex());
        rgPlacementDifferentClick();
    };
    pnBGColour->onDoubleClick = [this] { pnBGColourDblClick(); };
    pnFGColour->onDoubleClick = [this] { pnFGColourDblClick(); };
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::Add(HWND control, RECT base) {
    placed_.push_back({control, base});
}

void SettingsPage::SetBase(HWND control, RECT base) {
    for (Placed& p : placed_) {
        if (p.window == control) {
            p.base = base;
        }
    }
    for (auto& [group, rect] : groups_) {
        if (group->box() == control) {
            rect = base;
        }
    }
}

RECT SettingsPage::BaseRect(HWND control) const {
    for (const Placed& p : placed_) {
        if (p.window == control) {
            return p.base;
        }
    }
    for (const auto& [group, rect] : groups_) {
        if (group->box() == control) {
            return rect;
        }
    }
    return {};
}

RECT SettingsPage::PageRect(HWND control) const {
    for (const auto& [window, rect] : fitted_) {
        if (window == control) {
            return rect;
        }
    }
    return BaseRect(control);
}

void SettingsPage::FitToHeight(int available) {
    fitted_.clear();
    struct Item {
        HWND window;
        int least;  // its least height; its own height when it cannot shrink
    };
    const auto fit = [&](const std::vector<Item>& column) {
        std::vector<RECT> rects;
        for (const Item& item : column) {
            rects.push_back(BaseRect(item.window));
        }
        int over = rects.back().bottom - available;
        if (over <= 0) {
            return;
        }
        // A unit more, for the rounding of places and sizes at any scaling.
        ++over;
        std::vector<int> heights;
        std::vector<int> gaps = {0};
        for (std::size_t i = 0; i < rects.size(); ++i) {
            heights.push_back(rects[i].bottom - rects[i].top);
            if (i > 0) {
                gaps.push_back(rects[i].top - rects[i - 1].bottom);
            }
        }
        // What may shrink shrinks first, then the gaps close.
        for (std::size_t i = 0; i < column.size() && over > 0; ++i) {
            const int take = std::clamp(heights[i] - column[i].least, 0, over);
            heights[i] -= take;
            over -= take;
        }
        for (std::size_t i = 1; i < gaps.size() && over > 0; ++i) {
            const int take = std::clamp(gaps[i] - kLeastGap, 0, over);
            gaps[i] -= take;
            over -= take;
        }
        int top = rects.front().top;
        for (std::size_t i = 0; i < column.size(); ++i) {
            top += gaps[i];
            fitted_.emplace_back(column[i].window,
                                 RECT{rects[i].left, top, rects[i].right, top + heights[i]});
            top += heights[i];
        }
    };
    const auto fixed = [this](HWND window) {
        const RECT r = BaseRect(window);
        return Item{window, static_cast<int>(r.bottom - r.top)};
    };
    fit({fixed(lScreens),
         fixed(mScreenMetrics),
         {Panel1->hwnd(), kLeastMapHeight},
         fixed(seCacheLimit->edit()),
         fixed(GroupBox3)});
    // The rest of the cache's row goes where its number went.
    const LONG rowShift = PageRect(seCacheLimit->edit()).top - BaseRect(seCacheLimit->edit()).top;
    if (rowShift != 0) {
        for (HWND w : {lCacheLimit, lCacheLimitUnit, lCacheSize}) {
            RECT r = BaseRect(w);
            OffsetRect(&r, 0, rowShift);
            fitted_.emplace_back(w, r);
        }
    }
    if (oneMonitor_) {
        fit({fixed(pcSingleScreen), fixed(gbMisc), fixed(gbSchedule)});
    } else {
        fit({{rgMultiScreen->box(), kLeastChoiceHeight},
             fixed(pcMultiScreen),
             fixed(gbMisc),
             fixed(gbSchedule)});
    }
    // "Enable" stays on the schedule's top edge.
    RECT enable = BaseRect(cbEnableScheduler);
    OffsetRect(&enable, 0, PageRect(gbSchedule).top - enable.top);
    fitted_.emplace_back(cbEnableScheduler, enable);
}

void SettingsPage::Layout(const Fonts& fonts) {
    fonts_ = &fonts;
    const UINT dpi = fonts.dpi;
    RECT page;
    GetClientRect(hwnd(), &page);
    if (page.bottom > 0) {
        FitToHeight(static_cast<int>(page.bottom) * 96 / static_cast<int>(dpi));
    }
    for (const Placed& p : placed_) {
        Place({p.window, PageRect(p.window)}, dpi);
        SetFont(p.window, fonts.window);
    }
    for (auto& [group, rect] : groups_) {
        group->Layout(PageRect(group->box()), dpi, fonts);
    }
    SetFont(lDoubleClick, fonts.italic);
    // The arrows sit at the number's right edge.
    SendMessageW(seScheduleFrequency->arrows(), UDM_SETBUDDY,
                 reinterpret_cast<WPARAM>(seScheduleFrequency->edit()), 0);
    SendMessageW(seCacheLimit->arrows(), UDM_SETBUDDY,
                 reinterpret_cast<WPARAM>(seCacheLimit->edit()), 0);
    FitCaptions(fonts);
    PlaceSheets(pcMultiScreen, {tsSame.get(), tsDifferent.get(), tsSingle.get(), tsSpan.get()});
    PlaceSheets(pcSingleScreen, {TabSheet3.get()});
    PlaceInCorner(pcMultiScreen, cbSmoothScaling, fonts);
    PlaceInCorner(pcSingleScreen, cbSSSmoothScaling, fonts);
    if (metricsShown_) {
        ShowScreenMetrics(monitors_, virtualDesktop_);
    }
}

int SettingsPage::TextWidth(HWND control, HFONT font, const std::wstring& text) const {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    // Back to 100 % units, rounded up.
    const UINT dpi = fonts_ != nullptr ? fonts_->dpi : 96;
    return (size.cx * 96 + static_cast<int>(dpi) - 1) / static_cast<int>(dpi) + 1;
}

void SettingsPage::FitCaptions(const Fonts& fonts) {
    const UINT dpi = fonts.dpi;
    const auto text = [](HWND w) { return Wide(WindowText(w)); };
    // Labels are as wide as their text.
    const std::pair<HWND, HFONT> labels[] = {{lScreens, fonts.window.get()},
                                             {lBGColour, fonts.window.get()},
                                             {lFGColour, fonts.window.get()},
                                             {lDoubleClick, fonts.italic.get()}};
    for (const auto& [label, font] : labels) {
        RECT r = PageRect(label);
        r.right = std::max<LONG>(r.right, r.left + TextWidth(label, font, text(label)));
        Place({label, r}, dpi);
    }
    {
        // The cache's row: label, number, unit and size side by side, as wide
        // as the font needs, within the column.
        const RECT label = PageRect(lCacheLimit);
        const LONG labelRight = std::max<LONG>(
            label.right,
            label.left + TextWidth(lCacheLimit, fonts.window.get(), text(lCacheLimit)));
        Place({lCacheLimit, {label.left, label.top, labelRight, label.bottom}}, dpi);
        RECT number = PageRect(seCacheLimit->edit());
        const LONG numberLeft = std::max<LONG>(number.left, labelRight + 5);
        number = {numberLeft, number.top, numberLeft + 80, number.bottom};
        Place({seCacheLimit->edit(), number}, dpi);
        SendMessageW(seCacheLimit->arrows(), UDM_SETBUDDY,
                     reinterpret_cast<WPARAM>(seCacheLimit->edit()), 0);
        RECT unit = PageRect(lCacheLimitUnit);
        const LONG unitLeft = number.right + 4;
        unit = {unitLeft, unit.top,
                unitLeft + TextWidth(lCacheLimitUnit, fonts.window.get(), text(lCacheLimitUnit)),
                unit.bottom};
        Place({lCacheLimitUnit, unit}, dpi);
        RECT size = PageRect(lCacheSize);
        size.left = unit.right + 12;
        size.right = std::max<LONG>(size.left, 377);
        Place({lCacheSize, size}, dpi);
    }
    // A label before a list grows to the left, clear of the list, as far as
    // leftmost.
    const auto growLeft = [&](HWND label, LONG leftmost) {
        RECT r = BaseRect(label);
        r.left = std::max<LONG>(
            leftmost,
            std::min<LONG>(r.left, r.right - TextWidth(label, fonts.window.get(), text(label))));
        Place({label, r}, dpi);
    };
    growLeft(lSingleMonitorToUse, 0);
    // "shows" stays clear of the monitor list before it.
    growLeft(lMonitorChannel, BaseRect(cbDifferentMonitor).right + 2);
    // The switches, and their group grows to the right.
    const int box = 20;
    int need = 187;
    for (HWND check : {cbBGOverride, cbIconTextOverride, cbIconTransparancyOverride, cbRandomOrder,
                       cbStartAtLogin}) {
        need = std::max(need, box + TextWidth(check, fonts.window.get(), text(check)));
    }
    for (HWND check : {cbBGOverride, cbIconTextOverride, cbIconTransparancyOverride, cbRandomOrder,
                       cbStartAtLogin}) {
        RECT r = BaseRect(check);
        r.right = r.left + need;
        Place({check, r}, dpi);
    }
    RECT misc = PageRect(gbMisc);
    misc.right = std::max<LONG>(misc.right, misc.left + 3 + need + 6);
    Place({gbMisc, misc}, dpi);
    // Label, number and unit side by side; the group grows to the right.
    const int labelRight = 8 + TextWidth(Label7, fonts.window.get(), text(Label7));
    const RECT label = BaseRect(Label7);
    Place({Label7, {label.left, label.top, std::max<LONG>(label.right, labelRight), label.bottom}},
          dpi);
    const int spinLeft = std::max<LONG>(BaseRect(seScheduleFrequency->edit()).left, labelRight + 3);
    Place({seScheduleFrequency->edit(), {spinLeft, 19, spinLeft + 52, 40}}, dpi);
    SendMessageW(seScheduleFrequency->arrows(), UDM_SETBUDDY,
                 reinterpret_cast<WPARAM>(seScheduleFrequency->edit()), 0);
    int unitWidth = 66;
    const auto units = SendMessageW(cbScheduleType, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < units; ++i) {
        wchar_t item[64] = {};
        SendMessageW(cbScheduleType, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(item));
        unitWidth = std::max(unitWidth, TextWidth(cbScheduleType, fonts.window.get(), item) + 26);
    }
    const int unitLeft = spinLeft + 56;
    Place({cbScheduleType, {unitLeft, 19, unitLeft + unitWidth, 19 + kDropDownHeight}}, dpi);
    RECT schedule = PageRect(gbSchedule);
    schedule.right = std::max<LONG>(schedule.right, schedule.left + unitLeft + unitWidth + 6);
    Place({gbSchedule, schedule}, dpi);
    RECT enable = PageRect(cbEnableScheduler);
    enable.right = std::max<LONG>(enable.right, enable.left + box +
                                                    TextWidth(cbEnableScheduler, fonts.window.get(),
                                                              text(cbEnableScheduler)));
    Place({cbEnableScheduler, enable}, dpi);
}

void SettingsPage::PlaceSheets(HWND tabs, const std::vector<Sheet*>& sheets) {
    RECT area;
    GetClientRect(tabs, &area);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (Sheet* sheet : sheets) {
        MoveWindow(sheet->hwnd(), area.left, area.top, area.right - area.left,
                   area.bottom - area.top, TRUE);
    }
    ShowSheet(tabs, sheets);
}

void SettingsPage::PlaceInCorner(HWND tabs, HWND box, const Fonts& fonts) {
    SetFont(box, fonts.window);
    RECT area;
    GetClientRect(tabs, &area);
    RECT row{};
    const auto count = SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0);
    if (count <= 0 || !SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row))) {
        return;
    }
    RECT last = row;
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(count - 1),
                 reinterpret_cast<LPARAM>(&last));
    // As wide as its caption, at the right end of the tabs' row, and never
    // over the last tab.
    const int width =
        Scaled(20 + TextWidth(box, fonts.window.get(), Wide(WindowText(box))), fonts.dpi);
    const int height = std::min<int>(Scaled(17, fonts.dpi), row.bottom - row.top);
    const int right = area.right - Scaled(2, fonts.dpi);
    const int left = std::max<int>(last.right + Scaled(2, fonts.dpi), right - width);
    MoveWindow(box, left, row.top + (row.bottom - row.top - height) / 2, right - left, height,
               TRUE);
}

void SettingsPage::ShowSheet(HWND tabs, const std::vector<Sheet*>& sheets) {
    const auto current = SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        ShowWindow(sheets[i]->hwnd(), static_cast<LRESULT>(i) == current ? SW_SHOW : SW_HIDE);
    }
}

void SettingsPage::ArrangeSettingsPage(int monitorCount) {
    if (monitorCount != 1) {
        return;
    }
    const int d = BaseRect(pcMultiScreen).top - BaseRect(rgMultiScreen->box()).top;
    for (HWND w : {pcSingleScreen, gbMisc, gbSchedule}) {
        RECT r = BaseRect(w);
        OffsetRect(&r, 0, -d);
        SetBase(w, r);
    }
    RECT enable = BaseRect(cbEnableScheduler);
    OffsetRect(&enable, 0, BaseRect(gbSchedule).top - enable.top);
    SetBase(cbEnableScheduler, enable);
    oneMonitor_ = true;
    ShowWindow(rgMultiScreen->box(), SW_HIDE);
    ShowWindow(pcMultiScreen, SW_HIDE);
    ShowWindow(pcSingleScreen, SW_SHOW);
    if (fonts_ != nullptr) {
        Layout(*fonts_);
    }
}

void SettingsPage::ShowScreenMetrics(const std::vector<Monitor>& monitors, Size virtualDesktop) {
    monitors_ = monitors;
    virtualDesktop_ = virtualDesktop;
    metricsShown_ = true;
    const RECT host = PageRect(Panel1->hwnd());
    const MonitorMapLayout layout = LayoutMonitorMap(
        {host.right - host.left, host.bottom - host.top}, monitors, virtualDesktop);
    if (fonts_ != nullptr) {
        monitorMap->Show(layout, fonts_->dpi, *fonts_);
    }
    SetWindowTextW(mScreenMetrics, EditControlText(MetricsText(layout)).c_str());
}

void SettingsPage::FillMonitorList(int count) {
    for (HWND list : {cbSingleMonitorToUse, cbDifferentMonitor}) {
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < count; ++i) {
            const std::wstring entry = L"Monitor " + std::to_wstring(i + 1);
            const auto at =
                SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
            SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), i);
        }
        Select(list, 0);
    }
    if (session_ != nullptr) {
        ShowMonitorChannels(*session_);
    }
}

void SettingsPage::ShowMonitorChannels(const Session& session) {
    SendMessageW(cbMonitorChannel, CB_RESETCONTENT, 0, 0);
    const int chosen = session.MonitorChannel(std::max(0, Selected(cbDifferentMonitor)));
    const auto add = [this, chosen](const std::wstring& title, int channel) {
        const LRESULT at = SendMessageW(cbMonitorChannel, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(title.c_str()));
        SendMessageW(cbMonitorChannel, CB_SETITEMDATA, static_cast<WPARAM>(at), channel);
        if (channel == chosen) {
            Select(cbMonitorChannel, static_cast<int>(at));
        }
    };
    add(L"Subscribed Channel", -1);
    for (const ChannelSession::ChannelListEntry& entry : session.channelList()) {
        add(Wide(entry.title), entry.index);
    }
}

void SettingsPage::MonitorChannelPicked() {
    const int entry = Selected(cbMonitorChannel);
    if (session_ == nullptr || entry < 0) {
        return;
    }
    const auto channel = static_cast<int>(
        SendMessageW(cbMonitorChannel, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0));
    session_->SetMonitorChannel(std::max(0, Selected(cbDifferentMonitor)), channel);
}

void SettingsPage::rgMultiScreenClick() {
    // With no option chosen the page shown stays as it is.
    const int index = rgMultiScreen->itemIndex();
    if (index >= 0 && SendMessageW(pcMultiScreen, TCM_GETCURSEL, 0, 0) != index) {
        SendMessageW(pcMultiScreen, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
        ShowSheet(pcMultiScreen, {tsSame.get(), tsDifferent.get(), tsSingle.get(), tsSpan.get()});
    }
}

void SettingsPage::pcMultiScreenChange() {
    rgMultiScreen->SetItemIndex(static_cast<int>(SendMessageW(pcMultiScreen, TCM_GETCURSEL, 0, 0)));
}

void SettingsPage::rgPlacementDifferentClick() {
    // Each placement group governs its own zoom box.
    const struct {
        RadioGroup* group;
        HWND zoom;
        HWND percent;
    } pairs[] = {{rgPlacementDifferent.get(), cbZoomDifferent, Label3},
                 {rgSSPlacement.get(), cbSSZoom, lSSPercent},
                 {RadioGroup3.get(), ComboBox1, Label5},
                 {RadioGroup1.get(), ComboBox2, Label4},
                 {rgPlacementSpan.get(), cbZoomSpan, lSpanPercent}};
    for (const auto& p : pairs) {
        if (p.group == nullptr || p.zoom == nullptr) {
            continue;  // still being built
        }
        const bool zoom = p.group->itemIndex() == 3;
        EnableWindow(p.zoom, zoom);
        EnableWindow(p.percent, zoom);
    }
}

void SettingsPage::PickColour(ColourPanel& panel) {
    const std::optional<Colour> chosen =
        ColourDialog::GetColour(GetAncestor(hwnd(), GA_ROOT), panel.colour());
    if (chosen) {
        panel.SetColour(*chosen);
    }
}

void SettingsPage::pnBGColourDblClick() {
    PickColour(*pnBGColour);
}
void SettingsPage::pnFGColourDblClick() {
    PickColour(*pnFGColour);
}

void SettingsPage::EnableScheduleControls(bool on) {
    for (HWND w : {gbSchedule, Label7, seScheduleFrequency->edit(), seScheduleFrequency->arrows(),
                   cbScheduleType}) {
        EnableWindow(w, on);
    }
}

void SettingsPage::ShowCacheSize(std::uintmax_t bytes) {
    SetWindowTextW(lCacheSize, Wide(CacheSizeText(bytes)).c_str());
}

void SettingsPage::ShowHiddenCount(std::size_t count) {
    EnableWindow(bnShowHidden, count > 0);
}

bool SettingsPage::schedulerTicked() const {
    return Ticked(cbEnableScheduler);
}

void SettingsPage::BindSettings(SettingsBinding& b, Session& session) {
    binding_ = &b;
    session_ = &session;
    // A monitor clicked on the map is the one whose channel the "Different"
    // page shows.
    monitorMap->onMonitorClick = [this, &session](int monitor) {
        Select(cbDifferentMonitor, monitor);
        ShowMonitorChannels(session);
    };
    b.Bind(*rgMultiScreen, &Settings::multiScreenOpt);
    b.Bind(cbIconTransparancyOverride, &Settings::iconTransparency);
    b.Bind(cbRandomOrder, &Settings::randomOrder);
    b.Bind(cbSingleMonitorToUse, &Settings::activeSingleMonitor);
    b.Bind(cbEnableScheduler, &Settings::enableScheduler);
    b.Bind(cbScheduleType, &Settings::scheduleType);
    b.Bind(*seScheduleFrequency, &Settings::scheduleFrequency);
    b.Bind(*pnBGColour, &Settings::bgColour);
    b.Bind(*pnFGColour, &Settings::fgColour);
    b.Bind(cbBGOverride, &Settings::bgOverride);
    b.Bind(cbIconTextOverride, &Settings::iconTextOverride);
    // The one-monitor page shows the "Same" placement and the smoothing a
    // second time; either copy the user changes is the setting.
    b.Bind(*RadioGroup3, ComboBox1, &Settings::placementSame);
    b.Bind(*rgSSPlacement, cbSSZoom, &Settings::placementSame);
    b.Bind(*rgPlacementDifferent, cbZoomDifferent, &Settings::placementDifferent);
    b.Bind(*RadioGroup1, ComboBox2, &Settings::placementSingle);
    b.Bind(*rgPlacementSpan, cbZoomSpan, &Settings::placementSpan);
    b.Bind(cbSmoothScaling, &Settings::smoothScaling);
    b.Bind(cbSSSmoothScaling, &Settings::smoothScaling);
    b.Bind(*seCacheLimit, &Settings::cacheLimit, Settings::kMegabyte);
    b.Bind(
        cbStartAtLogin, [&session] { return session.StartsAtLogin(); },
        [&session](bool start) { return session.SetStartAtLogin(start); });
    // The schedule's controls and the zoom boxes follow the settings shown.
    b.onShown = [this, &session] {
        EnableScheduleControls(schedulerTicked());
        rgPlacementDifferentClick();
        ShowHiddenCount(session.hiddenCount());
        ShowMonitorChannels(session);
    };
}

LRESULT SettingsPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            // The setting goes into the settings before the page follows it.
            if (binding_ != nullptr) {
                binding_->OnCommand(reinterpret_cast<HWND>(lParam), code);
            }
            for (auto& [group, rect] : groups_) {
                if (group->OnCommand(id, code)) {
                    return 0;
                }
            }
            switch (id) {
                case kDifferentMonitorId:
                    if (code == CBN_SELCHANGE && session_ != nullptr) {
                        ShowMonitorChannels(*session_);
                    }
                    return 0;
                case kMonitorChannelId:
                    if (code == CBN_SELCHANGE) {
                        MonitorChannelPicked();
                    }
                    return 0;
                case kShowHiddenId:
                    if (code == BN_CLICKED && onShowHiddenClick) {
                        onShowHiddenClick();
                    }
                    return 0;
                case kEnableSchedulerId:
                    if (code == BN_CLICKED && onEnableSchedulerClick) {
                        onEnableSchedulerClick();
                    }
                    return 0;
                case kScheduleTypeId:
                    if (code == CBN_SELCHANGE) {
                        if (onScheduleTypePicked) {
                            onScheduleTypePicked(Selected(cbScheduleType));
                        }
                    }
                    return 0;
                case kZoomSameId:
                case kZoomSSId:
                    if (code == CBN_SELCHANGE) {
                        Select(id == kZoomSameId ? cbSSZoom : ComboBox1,
                               Selected(id == kZoomSameId ? ComboBox1 : cbSSZoom));
                    }
                    return 0;
                case kSmoothScalingId:
                case kSSSmoothScalingId:
                    if (code == BN_CLICKED) {
                        const bool on =
                            Ticked(id == kSmoothScalingId ? cbSmoothScaling : cbSSSmoothScaling);
                        Tick(cbSmoothScaling, on);
                        Tick(cbSSSmoothScaling, on);
                    }
                    return 0;
                case kFrequencyId:
                    if (code == EN_KILLFOCUS) {
                        seScheduleFrequency->BringIntoRange();
                    }
                    return 0;
                case kCacheLimitId:
                    if (code == EN_KILLFOCUS) {
                        seCacheLimit->BringIntoRange();
                    }
                    return 0;
                default:
                    break;
            }
            break;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            LRESULT result = 0;
            if (seScheduleFrequency && seScheduleFrequency->OnNotify(*header, result)) {
                return result;
            }
            if (seCacheLimit && seCacheLimit->OnNotify(*header, result)) {
                return result;
            }
            if (header->code == TCN_SELCHANGE && header->hwndFrom == pcMultiScreen) {
                ShowSheet(pcMultiScreen,
                          {tsSame.get(), tsDifferent.get(), tsSingle.get(), tsSpan.get()});
                pcMultiScreenChange();
                return 0;
            }
            if (header->code == TCN_SELCHANGE && header->hwndFrom == pcSingleScreen) {
                ShowSheet(pcSingleScreen, {TabSheet3.get()});
                pcMultiScreenChange();
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace wylo::win
