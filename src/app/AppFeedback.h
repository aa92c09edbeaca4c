#pragma once

#include <functional>
#include <string>

#include "base/Feedback.h"

class QLabel;
class QProgressBar;

namespace wylo::app {

class TrayIcon;

// How the core's work shows in the window: the status text in the status
// line, the tray hint and the tray menu's first item; download progress on
// the progress bar; the busy cursor. Inside these calls paint and timer
// events run so the window stays alive, but user input waits until the work
// is done, so a click cannot start other work in the middle of it.
class AppFeedback : public Feedback {
public:
    AppFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress);

    void SetStatus(const std::string& text) override;
    void BusyBegin() override;
    void BusyEnd() override;
    void TransferBegin(std::int64_t expected) override;
    void TransferWork(std::int64_t count) override;
    void TransferEnd() override;

    // The progress bar takes the low 32 bits of the counts.
    static int Low32(std::int64_t count);

private:
    static void LetPaintAndTimersRun();

    QLabel* status_;
    TrayIcon* tray_;
    QProgressBar* progress_;
};

}  // namespace wylo::app
