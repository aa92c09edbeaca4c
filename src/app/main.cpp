#include <QApplication>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FormMain.h"
#include "app/Icons.h"
#include "app/SignalHandler.h"
#include "base/Clock.h"
#include "base/CommandLine.h"
#include "channels/ChannelSession.h"
#include "platform/AppFolder.h"
#include "platform/Instance.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"

namespace {

constexpr const char* kQtOptions =
    "Qt's own options (such as -platform NAME or -display DISPLAY) are taken too.\n";

// How long a start waits for the Wylo that runs to answer, which may itself
// still be starting up.
constexpr std::chrono::seconds kPatience{20};

// Hands command to the Wylo that runs and tells the user what became of it;
// the exit status.
int Deliver(const std::filesystem::path& appFolder, wylo::RemoteCommand command) {
    try {
        const wylo::DeliveryReport report =
            wylo::ReportDelivery(wylo::SendToInstance(appFolder, command, kPatience), command);
        std::fputs(report.text.c_str(), report.error ? stderr : stdout);
        return report.status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wylo: %s\n", e.what());
        return 1;
    }
}

// Ends the program when the command line asks for the version, for help or
// for a command to the Wylo that runs, or holds an argument it does not
// take; Qt's own options are gone by now when toolkitDone.
void FollowCommandLine(int argc, char** argv, bool toolkitDone) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const wylo::CommandLineRequest request = wylo::ReadCommandLine(arguments, "wylo", kQtOptions);
    using Action = wylo::CommandLineRequest::Action;
    switch (request.action) {
        case Action::Run:
            return;
        case Action::Version:
        case Action::Help:
            std::fputs(request.text.c_str(), stdout);
            std::exit(0);
        case Action::Command:
            std::exit(Deliver(wylo::AppFolder(*wylo::CreateSystemPlatform()), request.command));
        case Action::Mistake:
            if (toolkitDone || !request.unknownArgument) {
                std::fputs(request.text.c_str(), stderr);
                std::exit(2);
            }
            return;
    }
}

// Makes this start the one Wylo, or brings the one that runs forward and
// ends. Nothing when the system gives no means to tell: Wylo then runs
// unguarded rather than not at all.
std::unique_ptr<wylo::RunningInstance> ClaimOrHandOver(const std::filesystem::path& appFolder) {
    try {
        // The one that runs may end between a failed claim and the hand-over.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (auto claimed = wylo::ClaimInstance(appFolder)) {
                return claimed;
            }
            const wylo::Delivery delivery =
                wylo::SendToInstance(appFolder, wylo::RemoteCommand::Show, kPatience);
            if (delivery != wylo::Delivery::NoneRunning) {
                const wylo::DeliveryReport report =
                    wylo::ReportDelivery(delivery, wylo::RemoteCommand::Show);
                std::fputs(report.text.c_str(), stderr);
                std::exit(report.status);
            }
        }
        std::fputs("wylo: another Wylo keeps starting and ending; try again.\n", stderr);
        std::exit(1);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wylo: %s; a second Wylo would not be noticed.\n", e.what());
        return nullptr;
    }
}

// The toolkit ends the program with an abort when it can open no display;
// the user gets a sentence and an exit status instead. Its other messages
// go out as they would.
void SayWhyNoDisplay(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    std::fprintf(stderr,
                 "wylo: no display could be opened, so Wylo cannot start. Start it within a "
                 "desktop session (where DISPLAY or WAYLAND_DISPLAY is set).\n");
    std::fflush(stderr);
    std::_Exit(1);
}

// Stops the commands reaching a window that is about to go.
struct StopListening {
    wylo::RunningInstance* instance;
    ~StopListening() {
        if (instance != nullptr) {
            instance->StopListening();
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Before the window's toolkit: the version, the help and the commands
    // need no display, and neither does a second start.
    FollowCommandLine(argc, argv, false);
    const std::unique_ptr<wylo::RunningInstance> instance =
        ClaimOrHandOver(wylo::AppFolder(*wylo::CreateSystemPlatform()));
    // Wylo talks to the X server for monitors and wallpaper, and places its
    // web pages in X windows; under a Wayland session it runs through
    // XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    qInstallMessageHandler(SayWhyNoDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    FollowCommandLine(argc, argv, true);
    QApplication::setApplicationName(QStringLiteral("Wylo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Wylo"));
    QApplication::setWindowIcon(wylo::app::ProgramIcon());
    // The window spends its life hidden in the tray; closing a message box
    // then must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    try {
        std::unique_ptr<wylo::Platform> platform = wylo::CreateSystemPlatform();
        const std::string directoryUrl =
            wylo::ChannelDirectoryUrl(wylo::ReadDirectoryUrl(wylo::SettingsFilePath(*platform)));

        wylo::app::TFormMain form(*platform, wylo::Clock::System(), directoryUrl);
        QObject::connect(&form, &wylo::app::TFormMain::closed, &app, &QCoreApplication::quit);

        // A signal or the end of the session closes the window as its close
        // button does, so the settings are saved.
        wylo::app::SignalHandler signalHandler;
        QObject::connect(&signalHandler, &wylo::app::SignalHandler::closeRequested, &form,
                         &QWidget::close);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, &QWidget::close);

        const StopListening stopListening{instance.get()};
        if (instance) {
            instance->Listen(
                [&form](wylo::RemoteCommand command) { return form.TakeCommand(command); },
                [&form](std::function<void()> work) {
                    QMetaObject::invokeMethod(&form, std::move(work), Qt::QueuedConnection);
                });
        }

        form.show();
        form.FormCreate();
        const int status = QApplication::exec();
        if (!form.workEnded()) {
            // The settings are saved; what still runs beside the window uses
            // what the program would now take down under it.
            std::fflush(nullptr);
            std::_Exit(status);
        }
        return status;
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Wylo"), QString::fromStdString(e.what()));
        return 1;
    }
}
