#pragma once

#include <functional>
#include <memory>
#include <string>

#include "session/SessionObserver.h"

class QAction;
class QLabel;
class QProgressBar;

namespace wylo::app {

class InputHold;
class TrayIcon;

// How the core's work shows in the window: the status text in the status
// line, the tray hint and the tray menu's first item; download progress on
// the progress bar; the busy cursor. Inside these calls, and every few tens
// of milliseconds while transfers wait for the network, paint, resize,
// timer and close events run so the window stays alive, but user input
// waits until the work is done, so a click cannot start other work in the
// middle of it; only the ways to end the program go through at once. The
// main window adds the rest of what the session reports.
class AppFeedback : public SessionObserver {
public:
    AppFeedback();
    ~AppFeedback() override;
    AppFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress);
    // The controls that show the feedback; set before any work runs.
    void BindFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress);
    // Holds user input back while working says work runs, but for exit and
    // the tray; without it, input waits at the window system.
    void HoldInputWhile(std::function<bool()> working, QAction* exit);

    void SetStatus(const std::string& text) override;
    void BusyBegin() override;
    void BusyEnd() override;
    void TransferBegin(std::int64_t expected) override;
    void TransferWork(std::int64_t count) override;
    void TransferEnd() override;
    void TransferPulse() override;
    void WorkEnded() override;
    void RunSoon(std::function<void()> work) override;

    // The progress bar takes the low 32 bits of the counts.
    static int Low32(std::int64_t count);

private:
    void LetPaintAndTimersRun();

    QLabel* status_ = nullptr;
    TrayIcon* tray_ = nullptr;
    QProgressBar* progress_ = nullptr;
    std::unique_ptr<InputHold> hold_;
};

}  // namespace wylo::app
