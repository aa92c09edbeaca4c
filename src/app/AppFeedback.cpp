#include "app/AppFeedback.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>

#include "app/TrayIcon.h"
#include "session/SessionObserver.h"

namespace wylo::app {

AppFeedback::AppFeedback() = default;
AppFeedback::AppFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress) {
    BindFeedback(status, tray, progress);
}
AppFeedback::~AppFeedback() {
    while (busyDepth_ > 0) {
        BusyEnd();
    }
}

void AppFeedback::BindFeedback(QLabel* status, TrayIcon* tray, QProgressBar* progress) {
    status_ = status;
    tray_ = tray;
    progress_ = progress;
}

void AppFeedback::SetStatus(const std::string& text) {
    const QString t = QString::fromStdString(text);
    status_->setText(t);
    // A long text is cut at the label's edges; the whole of it is a hover away.
    status_->setToolTip(t);
    const QString brief = QString::fromStdString(TrayStatusText(text));
    tray_->setHint(QStringLiteral("Wylo - ") + brief);
    tray_->NextChange->setText(brief);
}

void AppFeedback::BusyBegin() {
    // Work runs beside the window, which still takes every click: the
    // pointer says so rather than showing the hourglass.
    if (busyDepth_++ == 0) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
}
void AppFeedback::BusyEnd() {
    if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

int AppFeedback::Low32(std::int64_t count) {
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(count)));
}

void AppFeedback::TransferBegin(std::int64_t expected) {
    progress_->setValue(0);
    const int maximum = Low32(expected);
    // Without a length the bar cannot show a share; it shows that work goes on.
    progress_->setRange(0, maximum > 0 ? maximum : 0);
}

void AppFeedback::TransferWork(std::int64_t count) {
    if (progress_->maximum() > 0) {
        progress_->setValue(Low32(count));
    }
}

void AppFeedback::TransferEnd() {
    if (progress_->maximum() <= 0) {
        progress_->setRange(0, 1);
    }
    progress_->setValue(0);
}

void AppFeedback::RunSoon(std::function<void()> work) {
    // Queued to the status line's thread, the window's, from whichever thread
    // asks; dropped when the window has gone.
    QMetaObject::invokeMethod(status_, std::move(work), Qt::QueuedConnection);
}

}  // namespace wylo::app
