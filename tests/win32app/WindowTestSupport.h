#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"
#include "win32app/MainWindow.h"
#include "win32app/TrayIcon.h"

namespace wylo::test {

// What the window asked of the notification area.
struct TrayCall {
    DWORD message;
    std::wstring tip;
};

// The fake platform, whose start at login may instead be the real one: the
// value "Wylo" in the Run key of the prefix's user.
class WorldPlatform : public FakePlatform {
public:
    using FakePlatform::FakePlatform;
    bool StartsAtLogin() const override;
    void SetStartAtLogin(bool start) override;

    bool systemStartAtLogin = false;
};

// The window on a fake platform with its data in a folder of its own. Message
// boxes are recorded, not shown; the notification area takes the icon unless
// a test says otherwise.
class WindowWorld {
public:
    WindowWorld();
    ~WindowWorld();

    // The window, created and started with the directory at directoryUrl
    // (a closed port: no channels).
    win::MainWindow& Start(const std::string& directoryUrl = "http://127.0.0.1:9/wylo.xml");
    // The window started with a channel directory that answers, so the timer
    // follows the schedule alone (a directory that cannot be had is fetched
    // again by the tick).
    win::MainWindow& StartHealthy();
    // The window started subscribed to the channel "alpha" (three pictures)
    // on a host of its own, its last change a minute ago, so no change is
    // due for a day; the channel's pages are filled.
    win::MainWindow& StartSubscribed();
    // The window created but not started.
    win::MainWindow& Make(const std::string& directoryUrl = "http://127.0.0.1:9/wylo.xml");
    void Close();

    // Runs the window's messages and the work the session posts back until
    // the session has nothing left to do; a test fails when that takes
    // longer than a generous limit.
    void Pump();
    // The same until done() holds; false when it did not within limit.
    bool PumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));
    // The user's command from a control (a button click, a list's choice),
    // and what it set off, to its end.
    void Command(HWND control, int code);
    // The command alone: the work it asks for may still run.
    void Send(HWND control, int code);
    // The session's work is done and nothing waits to be shown.
    bool Idle() const;

    std::filesystem::path appFolder() const { return folder / "Wylo"; }
    std::filesystem::path settingsFile() const { return appFolder() / "Wylo.ini"; }

    TempDir folder;
    WorldPlatform platform;
    ManualClock clock;
    std::vector<TrayCall> trayCalls;
    bool trayAccepts = true;
    std::unique_ptr<TestHttpServer> server;
    std::unique_ptr<win::MainWindow> window;
};

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
std::string Text(HWND control);
bool Visible(HWND control);
bool Enabled(HWND control);
bool Checked(HWND button);

}  // namespace wylo::test
