#include "WindowTestSupport.h"

#include "base/DateTime.h"
#include "support/PublishedChannels.h"
#include "win32app/Dialogs.h"
#include "win32app/Window.h"

namespace wylo::test {

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

void WindowWorld::Close() {
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    Pump();
}

void WindowWorld::Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (window && window->hwnd() != nullptr) {
        window->RunPendingWork();
    }
}

void WindowWorld::Command(HWND control, int code) {
    SendMessageW(GetParent(control), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(control), static_cast<WORD>(code)),
                 reinterpret_cast<LPARAM>(control));
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
