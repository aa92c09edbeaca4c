#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QEvent;

namespace wylo::app {

// Keeps the user's input back while the session works, so that a click or a
// key cannot start other work in the middle of it, and lets it through, in
// order, once the work has ended. Only the ways out pass at once: the Exit
// shortcut, the tray icon and its menu (whose items only ask for a change or
// for the close), and the window manager's close, which is no input; and
// everything while a message box or menu is open, since it blocks the rest.
class InputHold : public QObject {
    Q_OBJECT

public:
    // working tells whether the session works; exit is the action that ends
    // the program. Installed on the application from construction on.
    InputHold(std::function<bool()> working, QAction* exit, QObject* parent = nullptr);
    ~InputHold() override;

    // True while input is being held back.
    bool active() const { return working_ && working_(); }
    // Delivers what was held back, in the order it came.
    void Release();
    std::size_t heldCount() const { return held_.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };
    bool LetsThrough(QObject* watched, const QEvent* event) const;

    std::function<bool()> working_;
    QPointer<QAction> exit_;
    std::vector<Held> held_;
};

}  // namespace wylo::app
