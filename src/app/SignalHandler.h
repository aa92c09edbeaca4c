#pragma once

#include <QObject>

class QSocketNotifier;

namespace wylo::app {

// Turns SIGTERM and SIGINT into a request to close the window, delivered on
// the event loop like any other event, so the window saves on the way out. A
// second signal ends the program at once.
class SignalHandler : public QObject {
    Q_OBJECT
public:
    explicit SignalHandler(QObject* parent = nullptr);
    ~SignalHandler() override;

signals:
    void closeRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace wylo::app
