// The Windows window's part of bench/compare-responsiveness, run under Wine
// on the script's X display: the real main window on the Windows platform,
// its settings in the program's own data folder, started with a change due.
// A second into the slow picture's download a thread of its own clicks the
// page tabs with SendInput and times each click from the press sent to the
// end of the paint that left the new page and every control on it painted.
//
//   wylo_bench_win32_clicks HOST_LOG SLOW_PART CLICKS
//
// HOST_LOG is the channel host's log as Wine names it (Z:\...). Prints one
// line per click, "click MS DELIVERY-MS THREAD-MS WAIT-MS TAB" (MS is -1
// when the page never came; DELIVERY-MS until the window's thread took the
// press, THREAD-MS its processor time from there to the page painted and
// WAIT-MS its time waiting meanwhile for a processor that others held, both
// -1 where the kernel's statistics cannot be read), each followed by
// "detail HANDLED-MS PAINTS PAINT-MS SERVER-MS SERVER-WAIT-MS" (from the
// press sent to the tab control's end of handling it, the new page shown;
// how many paints of the page's windows it took and how long they ran;
// Wine's server's processor time and waiting time from the press to the
// page painted) and "paints SLOWEST" (the three slowest paints: each
// window's class, text and time), then "stall MS" and
// "download running|ended".
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/Clock.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"
#include "win32app/MainWindow.h"
#include "win32app/Window.h"

namespace {

using wylo::win::MainWindow;

double Frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double MillisecondsBetween(LONGLONG from, LONGLONG to) {
    static const double frequency = Frequency();
    return static_cast<double>(to - from) * 1000.0 / frequency;
}

// How many GETs of a path containing slowPart the channel host's log names.
int SlowRequests(const std::filesystem::path& hostLog, const std::string& slowPart) {
    std::ifstream log(hostLog);
    std::string line;
    int count = 0;
    while (std::getline(log, line)) {
        if (line.rfind("GET ", 0) == 0 && line.find(slowPart) != std::string::npos) {
            ++count;
        }
    }
    return count;
}

// A file of Linux's /proc, read whole through Wine's drive Z:.
std::string ReadProcFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string text;
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        text.append(buffer, count);
    }
    CloseHandle(file);
    return text;
}

// The first Linux process (Z:\proc\PID) that accepts; empty when none does.
std::wstring FindProcess(const std::function<bool(const std::wstring& folder)>& accepts) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::wstring result;
    do {
        const std::wstring pid = found.cFileName;
        if (pid.empty() || pid.find_first_not_of(L"0123456789") != std::wstring::npos) {
            continue;
        }
        const std::wstring folder = L"Z:\\proc\\" + pid;
        if (accepts(folder)) {
            result = folder;
            break;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return result;
}

// The kernel's scheduler statistics of one Linux thread: its processor time
// and its time waiting for a processor that others held, read from a file
// kept open. Without the file the times read as absent.
class SchedulerStatistics {
public:
    struct Times {
        double runningMs = -1;
        double waitingMs = -1;
    };

    SchedulerStatistics() = default;
    explicit SchedulerStatistics(const std::wstring& task) {
        if (!task.empty()) {
            file_ =
                CreateFileW((task + L"\\schedstat").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        }
    }
    ~SchedulerStatistics() {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
        }
    }
    SchedulerStatistics(const SchedulerStatistics&) = delete;
    SchedulerStatistics& operator=(const SchedulerStatistics&) = delete;

    Times Read() const {
        Times times;
        if (file_ == INVALID_HANDLE_VALUE) {
            return times;
        }
        // From the start each time: the kernel writes the numbers anew.
        char buffer[128];
        DWORD count = 0;
        OVERLAPPED at{};
        if (!ReadFile(file_, buffer, sizeof buffer - 1, &count, &at)) {
            return times;
        }
        buffer[count] = '\0';
        unsigned long long running = 0;
        unsigned long long waiting = 0;
        if (std::sscanf(buffer, "%llu %llu", &running, &waiting) == 2) {
            times.runningMs = static_cast<double>(running) / 1e6;
            times.waitingMs = static_cast<double>(waiting) / 1e6;
        }
        return times;
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The times from one reading to a later one; absent when either is.
SchedulerStatistics::Times Difference(const SchedulerStatistics::Times& from,
                                      const SchedulerStatistics::Times& to) {
    if (from.runningMs < 0 || to.runningMs < 0) {
        return {};
    }
    return {to.runningMs - from.runningMs, to.waitingMs - from.waitingMs};
}

// The Linux thread Wine runs the calling thread on. Wine gives a thread's
// Linux thread the name SetThreadDescription sets, so the thread takes a
// name no other has. It must be its process's first thread, whose Linux
// thread id is the process id. Empty when not found (not under Wine).
std::wstring OwnLinuxThread() {
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const auto setDescription = reinterpret_cast<SetDescription>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
    if (setDescription == nullptr) {
        return {};
    }
    // Linux keeps 15 characters of a thread's name.
    wchar_t name[16];
    std::swprintf(name, 16, L"wylo-ui-%07lx",
                  static_cast<unsigned long>((GetCurrentProcessId() * 2654435761UL) ^
                                             static_cast<unsigned long>(Now())) &
                      0xfffffffUL);
    if (FAILED(setDescription(GetCurrentThread(), name))) {
        return {};
    }
    const std::string wanted = wylo::win::Narrow(name) + "\n";
    const std::wstring process = FindProcess(
        [&](const std::wstring& folder) { return ReadProcFile(folder + L"\\comm") == wanted; });
    if (process.empty()) {
        return {};
    }
    return process + L"\\task\\" + process.substr(process.rfind(L'\\') + 1);
}

// Wine's server of this program's prefix, whose work for the window's
// thread (every call that reads or changes the windows' state asks it) the
// thread waits for. It runs on one thread. Empty when not found.
std::wstring WineServer() {
    char prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (length == 0 || length >= sizeof prefix) {
        return {};
    }
    std::string wanted = std::string("WINEPREFIX=") + prefix;
    wanted += '\0';
    return FindProcess([&](const std::wstring& folder) {
        if (ReadProcFile(folder + L"\\comm").rfind("wineserver", 0) != 0) {
            return false;
        }
        const std::string environment = '\0' + ReadProcFile(folder + L"\\environ");
        return environment.find('\0' + wanted) != std::string::npos;
    });
}

// What the window's thread did with one click.
struct Answer {
    // When the press reached the tab control, when the control had handled
    // it (the new page shown), and when the page was painted.
    LONGLONG pressed = 0;
    LONGLONG handled = 0;
    LONGLONG painted = 0;
    SchedulerStatistics::Times threadAtPress;
    SchedulerStatistics::Times serverAtPress;
    // The window thread's processor time from the press to the page
    // painted, and its time waiting for a processor meanwhile; the same of
    // Wine's server.
    double threadMs = -1;
    double waitMs = -1;
    double serverMs = -1;
    double serverWaitMs = -1;
    // How many paints of the page's windows it took, and their time.
    int paints = 0;
    double paintMs = 0;
    // The slowest of them: the time, the window's class and text.
    std::string slowestPaints;
};

// Sees the window's thread take the press on the tabs and paint the pages.
// A page counts as painted at the end of the paint, of the page or of a
// control on it, after which none of the page's windows that waited for a
// paint once the press was handled waits any more.
class Timing {
public:
    // thread: the window's thread's statistics; server: Wine's server's.
    Timing(const SchedulerStatistics& thread, const SchedulerStatistics& server)
        : thread_(thread), server_(server) {}

    // From the clicking thread: the page the next click should bring up.
    void Expect(HWND page) {
        {
            const std::lock_guard lock(mutex_);
            answer_ = {};
            pressSeen_ = false;
            done_ = false;
        }
        expected_.store(page);
    }
    std::optional<Answer> WaitPainted(DWORD limitMs) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                               [this] { return done_; })) {
            return std::nullopt;
        }
        return answer_;
    }

    // On the window's thread.
    void Watch(HWND tabs, const std::vector<HWND>& pages) {
        SetWindowSubclass(tabs, &Timing::TabsProc, 1, reinterpret_cast<DWORD_PTR>(this));
        for (HWND page : pages) {
            WatchTree(page);
        }
    }
    void Unwatch(HWND tabs, const std::vector<HWND>& pages) {
        RemoveWindowSubclass(tabs, &Timing::TabsProc, 1);
        for (HWND page : pages) {
            RemoveWindowSubclass(page, &Timing::PaintProc, 2);
            EnumChildWindows(
                page,
                [](HWND child, LPARAM) {
                    RemoveWindowSubclass(child, &Timing::PaintProc, 2);
                    return TRUE;
                },
                0);
        }
    }

private:
    // A control made later is watched once its page paints.
    void WatchTree(HWND page) {
        SetWindowSubclass(page, &Timing::PaintProc, 2, reinterpret_cast<DWORD_PTR>(this));
        EnumChildWindows(
            page,
            [](HWND child, LPARAM self) {
                SetWindowSubclass(child, &Timing::PaintProc, 2, static_cast<DWORD_PTR>(self));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    }

    static bool WaitsForPaint(HWND window) {
        return IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE);
    }

    void Pressed() {
        if (expected_.load() == nullptr) {
            return;
        }
        const LONGLONG now = Now();
        const SchedulerStatistics::Times thread = thread_.Read();
        const SchedulerStatistics::Times server = server_.Read();
        const std::lock_guard lock(mutex_);
        if (!pressSeen_) {
            pressSeen_ = true;
            answer_.pressed = now;
            answer_.threadAtPress = thread;
            answer_.serverAtPress = server;
            paints_ = 0;
            paintTime_ = 0;
            slowest_.clear();
            waitingKnown_ = false;
            overhead_ = 0;
            overheadThread_ = {0, 0};
            overheadServer_ = {0, 0};
        }
    }
    // The press has shown the page: its windows that wait for a paint now
    // are the ones it takes. (Asking after every paint would cost that look
    // each time.)
    void PressHandled() {
        HWND page = expected_.load();
        if (page == nullptr || waitingKnown_) {
            return;
        }
        const LONGLONG now = Now();
        {
            const std::lock_guard lock(mutex_);
            answer_.handled = now;
        }
        const SchedulerStatistics::Times threadBefore = thread_.Read();
        const SchedulerStatistics::Times serverBefore = server_.Read();
        waiting_.clear();
        if (WaitsForPaint(page)) {
            waiting_.push_back(page);
        }
        EnumChildWindows(
            page,
            [](HWND child, LPARAM list) {
                if (WaitsForPaint(child)) {
                    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&waiting_));
        waitingKnown_ = true;
        // Painted while the press was handled.
        if (paints_ > 0 && waiting_.empty()) {
            Done(page, lastPaint_);
            return;
        }
        // That look costs a call to Wine's server per window (up to 10 ms
        // for the Settings page on a busy machine) and the page's paint
        // waits for it, so its time is left out, with the processor time it
        // took.
        overhead_ = Now() - now;
        overheadThread_ = Difference(threadBefore, thread_.Read());
        overheadServer_ = Difference(serverBefore, server_.Read());
    }

    void Painted(HWND window, LONGLONG began) {
        HWND page = expected_.load();
        if (page == nullptr || (window != page && !IsChild(page, window))) {
            return;
        }
        lastPaint_ = Now();
        ++paints_;
        if (paintDepth_ == 0) {
            paintTime_ += lastPaint_ - began;
            slowest_.push_back({lastPaint_ - began, window});
            std::sort(slowest_.begin(), slowest_.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
            if (slowest_.size() > 3) {
                slowest_.pop_back();
            }
        }
        if (!waitingKnown_) {
            return;
        }
        waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), window), waiting_.end());
        if (paintDepth_ == 0 && waiting_.empty()) {
            Done(page, lastPaint_);
        }
    }

    void Done(HWND page, LONGLONG painted) {
        const SchedulerStatistics::Times thread = thread_.Read();
        const SchedulerStatistics::Times server = server_.Read();
        expected_.store(nullptr);
        std::string slowest;
        for (const auto& [time, window] : slowest_) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            slowest += (slowest.empty() ? "" : ", ") + wylo::win::Narrow(name);
            const std::string text = wylo::win::WindowText(window);
            if (!text.empty()) {
                slowest += " \"" + text.substr(0, 24) + "\"";
            }
            char ms[32];
            std::snprintf(ms, sizeof ms, " %.1f ms", MillisecondsBetween(0, time));
            slowest += ms;
        }
        {
            const std::lock_guard lock(mutex_);
            answer_.painted = painted - overhead_;
            answer_.paints = paints_;
            answer_.paintMs = MillisecondsBetween(0, paintTime_);
            answer_.slowestPaints = slowest;
            const SchedulerStatistics::Times threadTimes =
                Difference(overheadThread_, Difference(answer_.threadAtPress, thread));
            const SchedulerStatistics::Times serverTimes =
                Difference(overheadServer_, Difference(answer_.serverAtPress, server));
            answer_.threadMs = threadTimes.runningMs;
            answer_.waitMs = threadTimes.waitingMs;
            answer_.serverMs = serverTimes.runningMs;
            answer_.serverWaitMs = serverTimes.waitingMs;
            done_ = true;
        }
        changed_.notify_all();
        WatchTree(page);
    }

    static LRESULT CALLBACK TabsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
        if (message != WM_LBUTTONDOWN) {
            return DefSubclassProc(window, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Timing*>(data);
        self->Pressed();
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        self->PressHandled();
        return result;
    }
    // Stamps after the window's own handling of the paint.
    static LRESULT CALLBACK PaintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
        if (message != WM_PAINT) {
            return DefSubclassProc(window, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Timing*>(data);
        const LONGLONG began = Now();
        ++self->paintDepth_;
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        --self->paintDepth_;
        self->Painted(window, began);
        return result;
    }

    const SchedulerStatistics& thread_;
    const SchedulerStatistics& server_;
    std::atomic<HWND> expected_{nullptr};
    // Of the window's thread alone.
    int paintDepth_ = 0;
    int paints_ = 0;
    LONGLONG lastPaint_ = 0;
    // The paints' time, and the slowest three with their windows.
    LONGLONG paintTime_ = 0;
    std::vector<std::pair<LONGLONG, HWND>> slowest_;
    bool waitingKnown_ = false;
    LONGLONG overhead_ = 0;
    SchedulerStatistics::Times overheadThread_;
    SchedulerStatistics::Times overheadServer_;
    std::vector<HWND> waiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pressSeen_ = false;
    bool done_ = false;
    Answer answer_;
};

struct Tab {
    POINT centre;
    HWND page;
    std::string caption;
};

struct Click {
    std::string caption;
    // From the press sent to the page painted; -1 when it never came.
    double milliseconds = -1;
    // From the press sent to the window's thread handling it.
    double delivery = -1;
    double threadMs = -1;
    double waitMs = -1;
    // From the press sent to the press handled, the new page shown.
    double handled = -1;
    int paints = 0;
    double paintMs = 0;
    std::string slowestPaints;
    double serverMs = -1;
    double serverWaitMs = -1;
};

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    if (SendInput(1, &input, sizeof input) != 1) {
        throw std::runtime_error("SendInput failed");
    }
}

// Absolute coordinates run from 0 to 65535 across the primary monitor.
void MoveTo(POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, MulDiv(at.x, 65535, width - 1),
              MulDiv(at.y, 65535, height - 1));
}

// Clicks a tab other than the one shown, waits for its page, lets go, and
// pauses as a person would before the next.
std::vector<Click> ClickTabs(Timing& timing, const std::vector<Tab>& tabs, int shown, int count) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(150, 350);
    std::vector<Click> clicks;
    for (int n = 0; n < count; ++n) {
        int next = std::uniform_int_distribution<int>(0, static_cast<int>(tabs.size()) - 2)(random);
        if (next >= shown) {
            ++next;
        }
        const Tab& tab = tabs[static_cast<std::size_t>(next)];
        MoveTo(tab.centre);
        // The tab's hover highlight is painted before the press.
        Sleep(40);
        timing.Expect(tab.page);
        const LONGLONG pressed = Now();
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        const std::optional<Answer> painted = timing.WaitPainted(3000);
        SendMouse(MOUSEEVENTF_LEFTUP);
        Click click;
        click.caption = tab.caption;
        if (painted) {
            click.milliseconds = MillisecondsBetween(pressed, painted->painted);
            click.delivery = MillisecondsBetween(pressed, painted->pressed);
            click.threadMs = painted->threadMs;
            click.waitMs = painted->waitMs;
            click.handled = MillisecondsBetween(pressed, painted->handled);
            click.paints = painted->paints;
            click.paintMs = painted->paintMs;
            click.slowestPaints = painted->slowestPaints;
            click.serverMs = painted->serverMs;
            click.serverWaitMs = painted->serverWaitMs;
            shown = next;
        } else {
            timing.Expect(nullptr);
        }
        clicks.push_back(click);
        Sleep(static_cast<DWORD>(pause(random)));
    }
    return clicks;
}

// The visible tabs in their order, their centres on the screen; shown is
// set to the position of the one whose page is shown.
std::vector<Tab> VisibleTabs(MainWindow& window, int& shown) {
    const HWND pages[] = {window.tsWelcome->hwnd(), window.tsChannels->hwnd(),
                          window.tsChannelNews->hwnd(), window.tsCurrentChannel->hwnd(),
                          window.tsSettings->hwnd()};
    std::vector<Tab> tabs;
    shown = static_cast<int>(SendMessageW(window.PageControl1, TCM_GETCURSEL, 0, 0));
    for (int position = 0; position < window.TabCount(); ++position) {
        RECT r;
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        if (!SendMessageW(window.PageControl1, TCM_GETITEMRECT, static_cast<WPARAM>(position),
                          reinterpret_cast<LPARAM>(&r)) ||
            !SendMessageW(window.PageControl1, TCM_GETITEMW, static_cast<WPARAM>(position),
                          reinterpret_cast<LPARAM>(&item)) ||
            item.lParam < 0 || item.lParam >= 5) {
            continue;
        }
        POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        MapWindowPoints(window.PageControl1, HWND_DESKTOP, &centre, 1);
        tabs.push_back(
            {centre, pages[item.lParam], wylo::win::Narrow(window.TabCaption(position))});
    }
    return tabs;
}

// Messages of the window's thread for the benchmark itself.
constexpr UINT kClicksDoneMessage = WM_APP + 40;

int TimeTabClicks(const std::filesystem::path& hostLog, const std::string& slowPart,
                  int clickCount) {
    const SchedulerStatistics threadStatistics(OwnLinuxThread());
    const SchedulerStatistics serverStatistics(WineServer());
    Timing timing(threadStatistics, serverStatistics);

    std::unique_ptr<wylo::Platform> platform = wylo::CreateSystemPlatform();
    MainWindow window(*platform, wylo::Clock::System(),
                      wylo::ReadChannelDirectoryUrl(wylo::SettingsFilePath(*platform)));
    window.SetQuitOnClose(true);
    ShowWindow(window.hwnd(), SW_SHOWNORMAL);
    UpdateWindow(window.hwnd());
    SetForegroundWindow(window.hwnd());
    window.FormCreate();

    const std::vector<HWND> pages = {window.tsWelcome->hwnd(), window.tsChannels->hwnd(),
                                     window.tsChannelNews->hwnd(), window.tsCurrentChannel->hwnd(),
                                     window.tsSettings->hwnd()};
    const DWORD thread = GetCurrentThreadId();
    std::vector<Click> results;
    std::thread clicker;
    // Set by the clicking thread too.
    std::atomic<int> status{0};
    bool downloadRunning = false;
    double longestStall = 0;
    LONGLONG lastTick = 0;
    UINT_PTR stallTimer = 0;

    // Clicking starts a second into the slow picture's download.
    const int before = SlowRequests(hostLog, slowPart);
    const LONGLONG started = Now();
    UINT_PTR watchTimer = SetTimer(nullptr, 0, 50, nullptr);
    UINT_PTR startTimer = 0;
    const auto startClicking = [&] {
        int shown = -1;
        const std::vector<Tab> tabs = VisibleTabs(window, shown);
        if (tabs.size() < 2 || shown < 0 || shown >= static_cast<int>(tabs.size())) {
            std::fprintf(stderr, "the window shows fewer than two tabs\n");
            status = 1;
            SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
            return;
        }
        timing.Watch(window.PageControl1, pages);
        // The longest time the thread went without running a timer of the
        // shortest period Windows allows.
        stallTimer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, nullptr);
        lastTick = Now();
        clicker = std::thread([&, tabs, shown] {
            try {
                results = ClickTabs(timing, tabs, shown, clickCount);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                status = 1;
            }
            PostThreadMessageW(thread, kClicksDoneMessage, 0, 0);
        });
    };
    const auto finish = [&] {
        KillTimer(nullptr, stallTimer);
        stallTimer = 0;
        const HWND bar = window.Panel2->pbHTTPProgress;
        const auto position = SendMessageW(bar, PBM_GETPOS, 0, 0);
        const auto maximum = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
        // The bar goes back to nought when a transfer ends.
        downloadRunning = position > 0 && position < maximum;
        timing.Unwatch(window.PageControl1, pages);
        SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
    };

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_TIMER) {
            if (message.wParam == stallTimer && stallTimer != 0) {
                const LONGLONG now = Now();
                longestStall = std::max(longestStall, MillisecondsBetween(lastTick, now));
                lastTick = now;
            } else if (message.wParam == watchTimer && watchTimer != 0) {
                if (SlowRequests(hostLog, slowPart) > before) {
                    KillTimer(nullptr, watchTimer);
                    watchTimer = 0;
                    startTimer = SetTimer(nullptr, 0, 1000, nullptr);
                } else if (MillisecondsBetween(started, Now()) > 60000) {
                    KillTimer(nullptr, watchTimer);
                    watchTimer = 0;
                    std::fprintf(stderr, "the slow picture was not asked for within 60 s\n");
                    status = 1;
                    SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
                }
            } else if (message.wParam == startTimer && startTimer != 0) {
                KillTimer(nullptr, startTimer);
                startTimer = 0;
                startClicking();
            }
            continue;
        }
        if (message.hwnd == nullptr && message.message == kClicksDoneMessage) {
            finish();
            continue;
        }
        if (!window.PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (clicker.joinable()) {
        clicker.join();
    }
    for (const Click& click : results) {
        std::printf("click %.2f %.2f %.2f %.2f %s\n", click.milliseconds, click.delivery,
                    click.threadMs, click.waitMs, click.caption.c_str());
        std::printf("detail %.2f %d %.2f %.2f %.2f\n", click.handled, click.paints, click.paintMs,
                    click.serverMs, click.serverWaitMs);
        std::printf("paints %s\n", click.slowestPaints.c_str());
    }
    std::printf("stall %.2f\n", longestStall);
    std::printf("download %s\n", downloadRunning ? "running" : "ended");
    std::fflush(stdout);
    if (window.workLeftBehind()) {
        // As the program does: a job that did not end when asked ends with
        // the process.
        ExitProcess(static_cast<UINT>(status.load()));
    }
    return status.load();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wylo_bench_win32_clicks HOST_LOG SLOW_PART CLICKS\n");
        return 2;
    }
    // As the program starts: OLE for the web browser control, and the
    // common controls.
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS |
                                                          ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                          ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    int status = 0;
    try {
        status = TimeTabClicks(std::filesystem::path(argv[1]), wylo::win::Narrow(argv[2]),
                               static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return status;
}
