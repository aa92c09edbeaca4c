#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/FormMain.h"
#include "app/Icons.h"
#include "app/SignalHandler.h"
#include "base/Clock.h"
#include "channels/ChannelSession.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"

int main(int argc, char** argv) {
    // Wylo talks to the X server for monitors and wallpaper, and places its
    // web pages in X windows; under a Wayland session it runs through
    // XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication app(argc, argv);
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
