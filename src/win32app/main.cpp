// Wylo for Windows: the native window on the session.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
// clang-format on

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/CommandLine.h"
#include "platform/AppFolder.h"
#include "platform/Instance.h"
#include "platform/Platform.h"
#include "platform/win32/WideText.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"
#include "win32app/MainWindow.h"
#include "win32app/Window.h"

namespace {

// Writes text where the one who typed the command sees it: into the standard
// stream when it leads somewhere (a pipe, a file), else into the console of
// the command prompt that started Wylo, else into a message box.
void Tell(const std::string& text, bool error) {
    const DWORD stream = error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    HANDLE out = GetStdHandle(stream);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            out = GetStdHandle(stream);
        }
    }
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE &&
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
    }
    MessageBoxW(nullptr, wylo::win::Wide(text).c_str(), L"Wylo",
                MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

// How long a start waits for the Wylo that runs to answer, which may itself
// still be starting up.
constexpr std::chrono::seconds kPatience{20};

// Hands command to the Wylo that runs and tells the user what became of it;
// the exit status.
int Deliver(const std::filesystem::path& appFolder, wylo::RemoteCommand command) {
    try {
        const wylo::DeliveryReport report =
            wylo::ReportDelivery(wylo::SendToInstance(appFolder, command, kPatience), command);
        if (!report.text.empty()) {
            Tell(report.text, report.error);
        }
        return report.status;
    } catch (const std::exception& e) {
        Tell(std::string("Wylo.exe: ") + e.what() + "\n", true);
        return 1;
    }
}

// Makes this start the one Wylo, or brings the one that runs forward and
// gives the exit status. Nothing claimed and no status when the system gives
// no means to tell: Wylo then runs unguarded rather than not at all.
std::unique_ptr<wylo::RunningInstance> ClaimOrHandOver(const std::filesystem::path& appFolder,
                                                       std::optional<int>& ended) {
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
                if (!report.text.empty()) {
                    Tell(report.text, report.error);
                }
                ended = report.status;
                return nullptr;
            }
        }
        Tell("Another Wylo keeps starting and ending; try again.\n", true);
        ended = 1;
    } catch (const std::exception&) {
    }
    return nullptr;
}

// The command line asks for the version, for help or for a command to the
// Wylo that runs, or holds an argument the program does not take: the
// answer, and the program's exit status.
std::optional<int> FollowCommandLine() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) {
        arguments.push_back(wylo::Utf8FromWide(wide[i]).value_or("?"));
    }
    LocalFree(wide);
    const wylo::CommandLineRequest request = wylo::ReadCommandLine(arguments, "Wylo.exe");
    using Action = wylo::CommandLineRequest::Action;
    if (request.action == Action::Run) {
        return std::nullopt;
    }
    if (request.action == Action::Command) {
        return Deliver(wylo::AppFolder(*wylo::CreateSystemPlatform()), request.command);
    }
    const bool mistake = request.action == Action::Mistake;
    Tell(request.text, mistake);
    return mistake ? 2 : 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    if (const std::optional<int> ended = FollowCommandLine()) {
        return *ended;
    }
    std::optional<int> handedOver;
    const std::unique_ptr<wylo::RunningInstance> instance =
        ClaimOrHandOver(wylo::AppFolder(*wylo::CreateSystemPlatform()), handedOver);
    if (handedOver) {
        return *handedOver;
    }
    // The web browser control needs OLE on this thread.
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS |
                                                          ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                          ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    int result = 0;
    try {
        std::unique_ptr<wylo::Platform> platform = wylo::CreateSystemPlatform();
        const std::string directoryUrl =
            wylo::ReadChannelDirectoryUrl(wylo::SettingsFilePath(*platform));

        wylo::win::MainWindow window(*platform, wylo::Clock::System(), directoryUrl);
        window.SetQuitOnClose(true);
        ShowWindow(window.hwnd(), showCommand == SW_HIDE ? SW_SHOWDEFAULT : showCommand);
        UpdateWindow(window.hwnd());
        if (instance) {
            // The commands arrive as window messages, on this thread already.
            instance->Listen(
                [&window](wylo::RemoteCommand command) { return window.TakeCommand(command); },
                [](std::function<void()> work) { work(); });
        }
        window.FormCreate();

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!window.PreTranslateMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        result = static_cast<int>(message.wParam);
        if (instance) {
            instance->StopListening();
        }
        if (window.workLeftBehind()) {
            // The settings are saved and the window is gone, but a job did
            // not end when asked (a system call that cannot be cut short).
            // Nothing more of Wylo runs: the process ends here, that job
            // with it.
            ExitProcess(static_cast<UINT>(result));
        }
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, wylo::win::Wide(e.what()).c_str(), L"Wylo", MB_OK | MB_ICONERROR);
        result = 1;
    }
    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return result;
}
