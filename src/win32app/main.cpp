// Wylo for Windows: the native window on the session.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
// clang-format on

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/CommandLine.h"
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

// The command line asks for the version or for help, or holds an argument
// the program does not take: the answer, and the program's exit status.
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
    const bool mistake = request.action == Action::Mistake;
    Tell(request.text, mistake);
    return mistake ? 2 : 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    if (const std::optional<int> ended = FollowCommandLine()) {
        return *ended;
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
        window.FormCreate();

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (!window.PreTranslateMessage(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        result = static_cast<int>(message.wParam);
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
