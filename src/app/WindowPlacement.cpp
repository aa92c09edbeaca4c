#include "app/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace wylo::app {
namespace {

// Room for the title bar and borders before the window manager has framed
// the window and its real frame is known.
constexpr QSize kFrameAllowance(8, 32);

QSize FrameOf(const QWidget& window) {
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    return window.isVisible() && frame.isValid() && !frame.isNull() ? frame : kFrameAllowance;
}

// Sets the size limits for screen; moves the window into the screen's
// available area when it sticks out.
void FitToScreen(QWidget& window, const QScreen& screen, QSize size, QSize minimum, bool centre) {
    const QRect area = screen.availableGeometry();
    const QSize frame = FrameOf(window);
    const QSize room = (area.size() - frame).expandedTo(QSize(1, 1));
    window.setMinimumSize(FitInto(minimum, room));
    const QSize client = FitInto(centre ? size : window.size(), room);
    window.resize(client);
    const QSize outer = client + frame;
    QPoint topLeft = centre ? area.center() - QPoint(outer.width() / 2, outer.height() / 2)
                            : window.frameGeometry().topLeft();
    topLeft.setX(std::clamp(topLeft.x(), area.left(), area.right() + 1 - outer.width()));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), area.bottom() + 1 - outer.height()));
    window.move(topLeft);
}

// Follows the window to other screens once it has a native window.
class ScreenFollower : public QObject {
public:
    ScreenFollower(QWidget& window, QSize size, QSize minimum)
        : QObject(&window), window_(&window), size_(size), minimum_(minimum) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show && !connected_ &&
            window_->windowHandle()) {
            connected_ = true;
            connect(window_->windowHandle(), &QWindow::screenChanged, this, [this](QScreen* s) {
                if (s && window_) {
                    FitToScreen(*window_, *s, size_, minimum_, false);
                }
            });
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    QSize size_;
    QSize minimum_;
    bool connected_ = false;
};

}  // namespace

QSize FitInto(QSize wanted, QSize available) {
    return wanted.boundedTo(available);
}

void PlaceOnMainMonitor(QWidget& window, QSize size, QSize minimum) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window.setMinimumSize(minimum);
        window.resize(size);
        return;
    }
    FitToScreen(window, *screen, size, minimum, true);
    new ScreenFollower(window, size, minimum);
}

}  // namespace wylo::app
