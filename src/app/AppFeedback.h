#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "session/SessionObserver.h"

class QLabel;
class QProgressBar;

namespace wylo::app {

class TrayIcon;

// How the core's work shows in the window: the status text in the status
// line, the tray hint and the tray menu's first item; download progress on
// the progress bar; the busy cursor while work runs beside the window. The
// window never waits for the work: these calls only set what is shown, and
// the session's results reach the window's thread as queued calls. The main
// window adds the rest of what the session reports.
class AppFeedback : public SessionObserver {
public:
    AppFeedback();
    ~AppFeedback() override;
    AppFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress);
    // The controls that show the feedback, and the object whose thread runs
    // the session's results; set before any work runs.
    void BindFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress);

    void SetStatus(const std::string& text) override;
    void BusyBegin() override;
    void BusyEnd() override;
    void TransferBegin(std::int64_t expected) override;
    void TransferWork(std::int64_t count) override;
    void TransferEnd() override;
    void RunSoon(std::function<void()> work) override;

    // The progress bar takes the low 32 bits of the counts.
    static int Low32(std::int64_t count);

private:
    QLabel* status_ = nullptr;
    TrayIcon* tray_ = nullptr;
    QProgressBar* progress_ = nullptr;
    int busyDepth_ = 0;
};

}  // namespace wylo::app
