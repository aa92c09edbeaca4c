#include "app/AppFeedback.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "app/TrayIcon.h"

namespace wylo::app {

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
    tray_->setHint(QStringLiteral("Wylo - ") + t);
    tray_->NextChange->setText(t);
    LetPaintAndTimersRun();
}

void AppFeedback::BusyBegin() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
void AppFeedback::BusyEnd() {
    QApplication::restoreOverrideCursor();
}

int AppFeedback::Low32(std::int64_t count) {
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(count)));
}

void AppFeedback::TransferBegin(std::int64_t expected) {
    progress_->setValue(0);
    const int maximum = Low32(expected);
    // Without a length the bar cannot show a share; it shows that work goes on.
    progress_->setRange(0, maximum > 0 ? maximum : 0);
    LetPaintAndTimersRun();
}

void AppFeedback::TransferWork(std::int64_t count) {
    if (progress_->maximum() > 0) {
        progress_->setValue(Low32(count));
    }
    LetPaintAndTimersRun();
}

void AppFeedback::TransferEnd() {
    if (progress_->maximum() <= 0) {
        progress_->setRange(0, 1);
    }
    progress_->setValue(0);
    LetPaintAndTimersRun();
}

void AppFeedback::RunSoon(std::function<void()> work) {
    QTimer::singleShot(0, status_, std::move(work));
}

void AppFeedback::LetPaintAndTimersRun() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace wylo::app
