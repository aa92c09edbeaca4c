#include "WindowTestSupport.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "base/DateTime.h"
#include "platform/win32/WindowsAutostart.h"
#include "support/PublishedChannels.h"
#include "win32app/Dialogs.h"
#include "win32app/Window.h"

namespace wylo::test {

bool WorldPlatform::StartsAtLogin() const {
    return systemStartAtLogin ? RunEntryActive(HKEY_CURRENT_USER) : FakePlatform::StartsAtLogin();
}

void WorldPlatform::SetStartAtLogin(bool start) {
    if (!systemStartAtLogin) {
        FakePlatform::SetStartAtLogin(start);
    } else if (start) {
        WriteRunEntry(HKEY_CURRENT_USER, RunningProgramPath());
    } else {
        RemoveRunEntry(HKEY_CURRENT_USER);
    }
}

WindowWorld::WindowWorld() : platform(folder.path()) {
    platform.SetSingleMonitor(1920, 1080);
    clock.Set(EncodeDateTime({2026, 12, 8, 10, 0, 0, 0}));
    win::MessageBoxes::SetRecording(true);
    win::MessageBoxes::ClearRecorded();
    win::TrayIcon::SetShellCallForTests([this](DWORD message, NOTIFYICONDATAW& data) {
        trayCalls.push_back({message, data.szTip});
        return trayAccepts ? TRUE : FALSE;
    });
}

WindowWorld::~WindowWorld() {
    window.reset();
    server.reset();
    win::TrayIcon::SetShellCallForTests({});
}

win::MainWindow& WindowWorld::Make(const std::string& directoryUrl) {
    window = std::make_unique<win::MainWindow>(platform, clock, directoryUrl);
    return *window;
}

win::MainWindow& WindowWorld::Start(const std::string& directoryUrl) {
    Make(directoryUrl);
    window->FormCreate();
    Pump();
    return *window;
}

win::MainWindow& WindowWorld::StartHealthy() {
    server = std::make_unique<TestHttpServer>();
    PublishChannels(*server, {ChannelSpec("alpha", "Alpha Photos")});
    return Start(server->Url("/wylo/wylo.xml"));
}

win::MainWindow& WindowWorld::StartSubscribed() {
    std::filesystem::create_directories(appFolder());
    WriteFile(settingsFile(),
              "[Settings]\r\nCurrentChannel=0\r\nCurrentImage=0\r\nRandomOrder=0\r\n"
              "LastChange=08/12/2026 09:59:00\r\n");
    win::MainWindow& w = StartHealthy();
    EXPECT_EQ(w.tsCurrentChannel->lbImages->count(), 3);
    return w;
}

void WindowWorld::Close() {
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    Pump();
}

bool WindowWorld::Idle() const {
    // A window that has gone has nothing more to show.
    return !window || window->hwnd() == nullptr ||
           (!window->session().busy() && !window->HasPendingWork());
}

bool WindowWorld::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (window && window->hwnd() != nullptr) {
            window->RunPendingWork();
        }
        if (done()) {
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        // Woken by what the worker posts.
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<long long>(left.count(), 50)),
                                  QS_ALLINPUT);
    }
}

void WindowWorld::Pump() {
    EXPECT_TRUE(PumpUntil([this] { return Idle(); })) << "the session's work did not end";
}

void WindowWorld::Send(HWND control, int code) {
    SendMessageW(GetParent(control), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(control), static_cast<WORD>(code)),
                 reinterpret_cast<LPARAM>(control));
}

void WindowWorld::Command(HWND control, int code) {
    Send(control, code);
    Pump();
}

RECT RectInParent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Text(HWND control) {
    return win::WindowText(control);
}

bool Visible(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Enabled(HWND control) {
    return IsWindowEnabled(control) != FALSE;
}

bool Checked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

}  // namespace wylo::test
