// Wylo for Windows: the native window on the session.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
// clang-format on

#include <exception>
#include <memory>

#include "base/Clock.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"
#include "win32app/MainWindow.h"
#include "win32app/Window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
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
