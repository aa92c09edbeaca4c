#include "app/InputHold.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace wylo::app {
namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::NativeGesture:
            return true;
        default:
            return false;
    }
}

// The widget a top-level window shows.
QWidget* WidgetOf(const QWindow* window) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window) {
            return widget;
        }
    }
    return nullptr;
}

}  // namespace

InputHold::InputHold(std::function<bool()> working, QAction* exit, QObject* parent)
    : QObject(parent), working_(std::move(working)), exit_(exit) {
    qApp->installEventFilter(this);
}

InputHold::~InputHold() {
    qApp->removeEventFilter(this);
}

bool InputHold::LetsThrough(QObject* watched, const QEvent* event) const {
    // A message box shown in the middle of the work runs its own loop and
    // blocks every other window: it must be answerable.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
        return true;
    }
    if (event->type() == QEvent::Shortcut) {
        return watched == exit_;
    }
    // Input is held where it enters, at the top-level window, so that it is
    // later delivered exactly as it would have been.
    const auto* window = qobject_cast<QWindow*>(watched);
    if (!window) {
        return true;
    }
    const QWidget* widget = WidgetOf(window);
    return widget && (qobject_cast<const QMenu*>(widget) || widget->inherits("QSystemTrayIconSys"));
}

bool InputHold::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !active() || LetsThrough(watched, event)) {
        return false;
    }
    if (event->type() == QEvent::MouseMove &&
        static_cast<const QMouseEvent*>(event)->buttons() == Qt::NoButton) {
        return true;  // a pointer passing by starts nothing; not worth keeping
    }
    held_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    return true;
}

void InputHold::Release() {
    std::vector<Held> held = std::move(held_);
    held_.clear();
    for (Held& each : held) {
        if (each.receiver) {
            QCoreApplication::postEvent(each.receiver, each.event.release());
        }
    }
}

}  // namespace wylo::app
