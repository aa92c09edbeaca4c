#include "app/SignalHandler.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace wylo::app {
namespace {

int pipeFds[2] = {-1, -1};
volatile sig_atomic_t signalsSeen = 0;

extern "C" void OnSignal(int sig) {
    if (signalsSeen != 0) {
        _exit(128 + sig);
    }
    signalsSeen = 1;
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = write(pipeFds[1], &byte, 1);
}

}  // namespace

SignalHandler::SignalHandler(QObject* parent) : QObject(parent) {
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (read(pipeFds[0], &byte, 1) > 0) {
        }
        emit closeRequested();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

SignalHandler::~SignalHandler() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

}  // namespace wylo::app
