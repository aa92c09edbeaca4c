#include "win32app/MainWindow.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <commctrl.h>

#include "base/Clock.h"
#include "platform/Platform.h"
#include "schedule/FrequencyRange.h"
#include "schedule/Schedule.h"
#include "win32app/Dialogs.h"
#include "win32app/Resources.h"

namespace wylo::win {
namespace {

constexpr wchar_t kWindowClass[] = L"WyloMainWindow";
constexpr int kTabsId = 100;
constexpr int kStatusBarId = 300;
// The client area at creation and the smallest outer size, at 100 %.
constexpr SIZE kClientSize = {715, 561};
constexpr SIZE kMinimumSize = {722, 588};

struct PageInfo {
    const wchar_t* caption;
    int picture;
};
// In tab order.
constexpr PageInfo kPages[] = {{L"Welcome", 0},
                               {L"Channels List", 1},
                               {L"Subscribed Channel News", 3},
                               {L"Subscribed Channel Images", 2},
                               {L"Settings", 4}};

int Index(MainWindow::Page page) {
    return static_cast<int>(page);
}

RECT OuterRect(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    RECT r = {0, 0, Scaled(client.cx, dpi), Scaled(client.cy, dpi)};
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjustForDpi != nullptr) {
        adjustForDpi(&r, style, FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    }
    return r;
}

constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

}  // namespace

template <typename Request>
void MainWindow::Ask(Request&& request) {
    Guarded(hwnd_, std::forward<Request>(request));
    FollowBusy();
}

MainWindow::MainWindow(Platform& platform, const Clock& clock, std::string directoryUrl)
    : platform_(platform), clock_(clock), directoryUrl_(std::move(directoryUrl)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    static const bool registered = [instance] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &MainWindow::Proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;

    // Centred on the primary monitor's work area.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const UINT screenDpi = DpiOf(nullptr);
    const RECT outer = OuterRect(kClientSize, kStyle, kExStyle, screenDpi);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    CreateWindowExW(kExStyle, kWindowClass, L"Wylo", kStyle,
                    work.left + std::max(0L, (work.right - work.left - width) / 2),
                    work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                    nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) {
        throw std::runtime_error("Unable to create the main window");
    }
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    postTo_ = hwnd_;
    // While a box is open, a further error is said in the status line.
    MessageBoxes::SetOverflow([this](const std::string& text) {
        if (Panel2 != nullptr && hwnd_ != nullptr) {
            SetStatus(text);
        }
    });

    Build();
    session_ = std::make_unique<Session>(platform_, clock_, directoryUrl_,
                                         static_cast<SessionObserver&>(*this));
    tsCurrentChannel = std::make_unique<ImagesPage>(hwnd_, 203, *session_);
    BindControls();
    ApplyDpi(DpiOf(hwnd_));
    // The window's own size at its first layout makes no beep.
    RECT client;
    GetClientRect(hwnd_, &client);
    lastSize_ = {client.right, client.bottom};
}

MainWindow::~MainWindow() {
    MessageBoxes::SetOverflow({});
    if (hwnd_ != nullptr) {
        if (!destroyed_) {
            FormDestroy();
        }
        DestroyWindow(hwnd_);
    }
    // Finish closed the session's way back to the window, and a job it left
    // behind is not waited for.
    session_.reset();
    if (tabPictures_ != nullptr) {
        ImageList_Destroy(tabPictures_);
    }
    if (accelerators_ != nullptr) {
        DestroyAcceleratorTable(accelerators_);
    }
    for (HICON icon : {bigIcon_, smallIcon_}) {
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}

void MainWindow::Build() {
    PageControl1 = MakeControl(hwnd_, WC_TABCONTROLW, L"",
                               WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_BUTTONS |
                                   TCS_FLATBUTTONS | TCS_MULTILINE | TCS_HOTTRACK,
                               kTabsId);
    const auto open = [this](const std::string& url) { session_->OpenUrl(url); };
    tsWelcome = std::make_unique<WelcomePage>(hwnd_, 200, open);
    tsChannels = std::make_unique<ChannelsPage>(hwnd_, 201);
    tsChannelNews = std::make_unique<NewsPage>(hwnd_, 202, open);
    tsSettings = std::make_unique<SettingsPage>(hwnd_, 204);
    Panel2 = std::make_unique<StatusBar>(hwnd_, kStatusBarId);
    // The text the status line shows most of the time: the next change, with
    // a date and time of wide digits in the user's formats, after the cut
    // end of the desktop's name.
    Panel2->SetRoomFor(L"\u2026 - " +
                       Wide(NextChangeText(platform_, EncodeDateTime({2028, 12, 28, 20, 58, 58, 0}),
                                           ScheduleUnit::Hours, 0)));
    tray = std::make_unique<TrayIcon>(
        hwnd_, smallIcon_ != nullptr ? smallIcon_ : LoadIconW(nullptr, IDI_APPLICATION));
    // Alt+X ends the program from the window as well as from the tray menu.
    ACCEL exit = {FALT | FVIRTKEY, 'X', static_cast<WORD>(TrayIcon::kExitId)};
    accelerators_ = CreateAcceleratorTableW(&exit, 1);
}

void MainWindow::BindControls() {
    ChannelsPage& c = *tsChannels;
    c.onProvidersChange = [this] {
        Ask([this] {
            if (const std::optional<int> channel = tsChannels->SelectedChannel()) {
                session_->SelectChannel(*channel);
            }
        });
    };
    c.onRefresh = [this] { Ask([this] { session_->RefreshChannelList(); }); };
    c.onAddAddress = [this] {
        if (const std::optional<std::string> address = SourceDialog::GetAddress(hwnd())) {
            Ask([this, address] { session_->AddOwnChannel(OwnChannel::Kind::Address, *address); });
        }
    };
    c.onAddFolder = [this] {
        if (const std::optional<std::string> folder = SourceDialog::GetFolder(hwnd())) {
            Ask([this, folder] { session_->AddOwnChannel(OwnChannel::Kind::Folder, *folder); });
        }
    };
    c.onRemove = [this] {
        Ask([this] {
            if (const std::optional<int> channel = tsChannels->SelectedChannel()) {
                session_->RemoveOwnChannel(*channel);
            }
        });
    };
    c.onTerms = [this] { Ask([this] { session_->OpenTerms(); }); };
    c.onSubscribe = [this] {
        Ask([this] {
            if (const std::optional<int> channel = tsChannels->SelectedChannel()) {
                session_->Subscribe(*channel);
            }
        });
    };
    tsCurrentChannel->lbImages->onPick = [this](int row) {
        Ask([this, row] { session_->PickImage(row); });
    };
    tsCurrentChannel->lbImages->onKeep = [this](int row) {
        Ask([this, row] { session_->KeepImage(row); });
    };
    tsCurrentChannel->lbImages->onNeverAgain = [this](int row) {
        Ask([this, row] { session_->NeverShowImageAgain(row); });
    };

    SettingsPage& s = *tsSettings;
    s.onEnableSchedulerClick = [this] { cbEnableSchedulerClick(); };
    s.onShowHiddenClick = [this] {
        Ask([this] { session_->ShowHiddenPicturesAgain(); });
        tsSettings->ShowHiddenCount(session_->hiddenCount());
    };
    s.onScheduleTypePicked = [this](int index) {
        Settings& settings = session_->settings();
        PickScheduleUnit(settings, ScheduleUnitAt(index));
        tsSettings->seScheduleFrequency->SetAllowedRange(settings.frequencyMin,
                                                         settings.frequencyMax);
    };
    // Every other change of a setting goes straight into the settings the
    // core reads.
    binding_ = std::make_unique<SettingsBinding>(session_->settings());
    s.BindSettings(*binding_, *session_);
}

void MainWindow::FormCreate() {
    Ask([this] { session_->Start(); });
}

void MainWindow::FormDestroy() {
    destroyed_ = true;
    // Whatever still waits to be shown is for a window that is going.
    {
        const std::lock_guard lock(pendingMutex_);
        pending_.clear();
    }
    workLeftBehind_ = !session_->Finish();
}

Panel* MainWindow::PagePanel(Page page) const {
    switch (page) {
        case Page::Welcome:
            return tsWelcome.get();
        case Page::Channels:
            return tsChannels.get();
        case Page::News:
            return tsChannelNews.get();
        case Page::Images:
            return tsCurrentChannel.get();
        case Page::Settings:
            return tsSettings.get();
    }
    return nullptr;
}

void MainWindow::ApplyDpi(UINT dpi) {
    fonts_ = std::make_unique<Fonts>(dpi);
    SetFont(PageControl1, fonts_->window);
    // The tab pictures at this scaling.
    if (tabPictures_ != nullptr) {
        ImageList_Destroy(tabPictures_);
    }
    const int side = Scaled(32, dpi);
    tabPictures_ = ImageList_Create(side, side, ILC_COLOR32, 5, 0);
    for (int id : kTabIconIds) {
        HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                   IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
        ImageList_AddIcon(tabPictures_,
                          icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION));
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
    SendMessageW(PageControl1, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(tabPictures_));
    RebuildTabs();
    Layout();
}

void MainWindow::RebuildTabs() {
    SendMessageW(PageControl1, TCM_DELETEALLITEMS, 0, 0);
    int position = 0;
    int activePosition = -1;
    for (int i = 0; i < 5; ++i) {
        if (!visible_[i]) {
            continue;
        }
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        item.pszText = const_cast<wchar_t*>(kPages[i].caption);
        item.iImage = kPages[i].picture;
        item.lParam = i;
        SendMessageW(PageControl1, TCM_INSERTITEMW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&item));
        if (i == Index(active_)) {
            activePosition = position;
        }
        ++position;
    }
    SendMessageW(PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(activePosition), 0);
}

void MainWindow::Layout() {
    if (fonts_ == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    const int statusHeight = Scaled(StatusBar::kHeight, fonts_->dpi);
    const int tabsHeight = std::max(0L, client.bottom - statusHeight);
    Panel2->Layout(tabsHeight, client.right, fonts_->dpi, fonts_->window);
    MoveWindow(PageControl1, 0, 0, client.right, tabsHeight, TRUE);
    RECT area = {0, 0, client.right, tabsHeight};
    SendMessageW(PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (int i = 0; i < 5; ++i) {
        Panel* page = PagePanel(static_cast<Page>(i));
        if (page == nullptr) {
            continue;
        }
        SetWindowPos(page->hwnd(), HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, i == Index(active_) ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    }
    tsWelcome->Layout(*fonts_);
    tsChannels->Layout(*fonts_);
    tsChannelNews->Layout(*fonts_);
    tsCurrentChannel->Layout(*fonts_);
    tsSettings->Layout(*fonts_);
}

bool MainWindow::IsPageTabVisible(Page page) const {
    return visible_[Index(page)];
}

void MainWindow::SetPageTabVisible(Page page, bool visible) {
    if (visible_[Index(page)] == visible) {
        return;
    }
    visible_[Index(page)] = visible;
    if (!visible && active_ == page) {
        // The page whose tab goes gives way to the first page still shown.
        for (int i = 0; i < 5; ++i) {
            if (visible_[i]) {
                SetActivePage(static_cast<Page>(i));
                break;
            }
        }
    }
    RebuildTabs();
    // More or fewer tabs may change the rows of tabs, and so the pages' area.
    Layout();
}

void MainWindow::SetActivePage(Page page) {
    if (!visible_[Index(page)]) {
        return;
    }
    const Page previous = active_;
    active_ = page;
    // What the system keeps may have changed while the page was away.
    if (page == Page::Settings && previous != Page::Settings && binding_) {
        binding_->ShowSystemSwitches();
        tsSettings->ShowHiddenCount(session_->hiddenCount());
        session_->MeasureCache();
    }
    // The others go first, so that none uncovers the page once painted.
    for (int i = 0; i < 5; ++i) {
        Panel* panel = PagePanel(static_cast<Page>(i));
        if (panel != nullptr && i != Index(page)) {
            ShowWindow(panel->hwnd(), SW_HIDE);
        }
    }
    // A page of many controls is painted now, in one pass over them rather
    // than an erase and a paint of each; the others gain nothing from it.
    Panel* shown = PagePanel(page);
    const bool manyControls = page == Page::Settings || page == Page::Channels;
    if (shown != nullptr && manyControls && !IsWindowVisible(shown->hwnd())) {
        // Shown without erasing it and each of its controls first.
        SetWindowPos(shown->hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         SWP_DEFERERASE);
        PaintAtOnce(shown->hwnd());
        UpdateWindow(shown->hwnd());
    } else if (shown != nullptr) {
        ShowWindow(shown->hwnd(), SW_SHOW);
    }
    const int count = TabCount();
    for (int position = 0; position < count; ++position) {
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        SendMessageW(PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&item));
        if (item.lParam == Index(page)) {
            SendMessageW(PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(position), 0);
        }
    }
    // Leaving the Settings page saves the settings.
    if (previous == Page::Settings && page != Page::Settings) {
        tsSettingsHide();
    }
}

void MainWindow::SelectTab(int position) {
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    if (SendMessageW(PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(&item))) {
        SetActivePage(static_cast<Page>(item.lParam));
    }
}

std::wstring MainWindow::TabCaption(int position) const {
    wchar_t text[128] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(&item));
    return text;
}

int MainWindow::TabCount() const {
    return static_cast<int>(SendMessageW(PageControl1, TCM_GETITEMCOUNT, 0, 0));
}

void MainWindow::tsSettingsHide() {
    Guarded(hwnd_, [this] { session_->SaveSettings(); });
}

void MainWindow::cbEnableSchedulerClick() {
    const bool on = tsSettings->schedulerTicked();
    tsSettings->EnableScheduleControls(on);
    Ask([this, on] { session_->SetSchedulerEnabled(on); });
}

bool MainWindow::PreTranslateMessage(MSG& message) {
    if (hwnd_ == nullptr) {
        return false;
    }
    RelayToHints(message);
    if (accelerators_ != nullptr && TranslateAcceleratorW(hwnd_, accelerators_, &message)) {
        return true;
    }
    // Enter in the images list puts the image on the desktop; it is not the
    // window's default button.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        message.hwnd == tsCurrentChannel->lbImages->hwnd()) {
        return false;
    }
    return IsDialogMessageW(hwnd_, &message) != FALSE;
}

void MainWindow::RunPendingWork() {
    // One piece at a time: a piece may open a message box, whose own loop
    // runs the pieces after it, in order.
    while (hwnd_ != nullptr && !destroyed_) {
        std::function<void()> work;
        {
            const std::lock_guard lock(pendingMutex_);
            if (pending_.empty()) {
                break;
            }
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        Guarded(hwnd_, work);
    }
    if (hwnd_ != nullptr && !destroyed_) {
        FollowBusy();
    }
}

bool MainWindow::HasPendingWork() const {
    const std::lock_guard lock(pendingMutex_);
    return !pending_.empty();
}

void MainWindow::FollowBusy() {
    const bool working = session_ != nullptr && (session_->busy() || busyDepth_ > 0);
    if (working == showsWorking_) {
        return;
    }
    showsWorking_ = working;
    // The pointer changes where it rests, without waiting for it to move.
    POINT at;
    if (hwnd_ == nullptr || !GetCursorPos(&at)) {
        return;
    }
    HWND under = WindowFromPoint(at);
    if (under != nullptr && GetAncestor(under, GA_ROOT) == hwnd_) {
        const auto hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
        SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                     MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
    }
}

bool MainWindow::OnSetCursor(WPARAM, LPARAM lParam) {
    // Over the client area only: the frame keeps its sizing arrows. The
    // arrow with the hourglass says that work goes on and the window still
    // takes clicks.
    if (!showsWorking_ || LOWORD(lParam) != HTCLIENT) {
        return false;
    }
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    return true;
}

void MainWindow::OnResize(WPARAM kind, int width, int height) {
    if (kind == SIZE_MINIMIZED) {
        // Without a notification area the window stays minimised on the
        // taskbar, where the user can find it again.
        if (tray->shown()) {
            HideToTray();
        }
        return;
    }
    Layout();
    // A control repaints only the strip a resize uncovered: a centred or
    // right-aligned text, an ellipsis or a group's frame would stay drawn
    // where it was.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    // A beep for every change of size; none for the first layout, a restore
    // to the same size or a change of scaling.
    if (lastSize_.cx >= 0 && (lastSize_.cx != width || lastSize_.cy != height) && !dpiChanging_) {
        platform_.Beep();
    }
    lastSize_ = {width, height};
}

void MainWindow::HideToTray() {
    ShowWindow(hwnd_, SW_HIDE);
    // The decoded thumbnails are what costs memory; they come back when the
    // window does.
    session_->ReleaseThumbnails();
}

void MainWindow::RestoreFromTray() {
    if (active_ == Page::Settings && binding_) {
        binding_->ShowSystemSwitches();
    }
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
}

bool MainWindow::TakeCommand(RemoteCommand command) {
    if (hwnd_ == nullptr) {
        return false;
    }
    switch (command) {
        case RemoteCommand::Show:
            RestoreFromTray();
            return true;
        case RemoteCommand::Quit:
            // After the answer has gone back.
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            return true;
        default: {
            bool taken = false;
            Ask([this, command, &taken] { taken = session_->TakeCommand(command); });
            return taken;
        }
    }
}

void MainWindow::OnTrayMessage(LPARAM event) {
    if (!tray) {
        return;
    }
    switch (LOWORD(event)) {
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            // Also while work runs: its results keep arriving in the menu's
            // own loop.
            tray->ShowMenu();
            break;
        case WM_LBUTTONDBLCLK:
            RestoreFromTray();
            break;
        default:
            break;
    }
}

void MainWindow::OnClose() {
    if (hwnd_ == nullptr) {
        return;
    }
    // The window and its icon go at once; saving and ending the work follow
    // out of sight.
    ShowWindow(hwnd_, SW_HIDE);
    tray.reset();
    if (!destroyed_) {
        FormDestroy();
    }
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->Handle(message, wParam, lParam);
    } catch (const std::exception& e) {
        // An error no handler caught ends that event only.
        ShowDefaultError(window, e.what());
        return 0;
    }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TrayIcon::TaskbarCreatedMessage() && message != 0) {
        tray->Readd();
        return 0;
    }
    switch (message) {
        case WM_SIZE:
            if (fonts_ != nullptr) {
                OnResize(wParam, LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const UINT dpi = DpiOf(hwnd_);
            info->ptMinTrackSize = {Scaled(kMinimumSize.cx, dpi), Scaled(kMinimumSize.cy, dpi)};
            return 0;
        }
        case WM_DPICHANGED: {
            dpiChanging_ = true;
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ApplyDpi(HIWORD(wParam));
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            RECT client;
            GetClientRect(hwnd_, &client);
            lastSize_ = {client.right, client.bottom};
            dpiChanging_ = false;
            return 0;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == PageControl1 && header->code == TCN_SELCHANGE) {
                SelectTab(static_cast<int>(SendMessageW(PageControl1, TCM_GETCURSEL, 0, 0)));
                return 0;
            }
            break;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case StatusBar::kChangeNowId:
                case TrayIcon::kChangeNowId:
                    Ask([this] { session_->ChangeNow(); });
                    return 0;
                case StatusBar::kPreviousId:
                case TrayIcon::kPreviousId:
                    Ask([this] { session_->GoBack(); });
                    return 0;
                case StatusBar::kNextId:
                case TrayIcon::kNextId:
                    Ask([this] { session_->GoForward(); });
                    return 0;
                case TrayIcon::kKeepId:
                    Ask([this] { session_->KeepPicture(); });
                    return 0;
                case TrayIcon::kNeverAgainId:
                    Ask([this] { session_->NeverShowAgain(); });
                    return 0;
                case TrayIcon::kExitId:
                    OnClose();
                    return 0;
                default:
                    break;
            }
            break;
        case WM_TIMER:
            if (wParam == kScheduleTimerId) {
                Ask([this] { session_->Tick(clock_.Now()); });
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (OnSetCursor(wParam, lParam)) {
                return TRUE;
            }
            break;
        case TrayIcon::kCallbackMessage:
            OnTrayMessage(lParam);
            return 0;
        case kRunSoonMessage:
            RunPendingWork();
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The logon ends: the settings are saved before the system ends
            // the program.
            if (wParam != FALSE) {
                OnClose();
            }
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd_, kScheduleTimerId);
            timerRunning_ = false;
            tray.reset();
            if (quitOnClose_) {
                PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY: {
            HWND window = hwnd_;
            hwnd_ = nullptr;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return DefWindowProcW(window, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace wylo::win
