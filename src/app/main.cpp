#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/FormMain.h"
#include "app/Icons.h"
#include "app/SignalHandler.h"
#include "base/Clock.h"
#include "base/CommandLine.h"
#include "channels/ChannelSession.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"

namespace {

constexpr const char* kQtOptions =
    "Qt's own options (such as -platform NAME or -display DISPLAY) are taken too.\n";

// Ends the program when the command line asks for the version or for help,
// or holds an argument it does not take; Qt's own options are gone by now
// when toolkitDone.
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
        case Action::Mistake:
            if (toolkitDone) {
                std::fputs(request.text.c_str(), stderr);
                std::exit(2);
            }
            return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Before the window's toolkit: the version and the help need no display.
    FollowCommandLine(argc, argv, false);
    // Wylo talks to the X server for monitors and wallpaper, and places its
    // web pages in X windows; under a Wayland session it runs through
    // XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
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
