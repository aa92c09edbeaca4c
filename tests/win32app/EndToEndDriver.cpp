// Drives a running Wylo.exe from outside, as the end-to-end run needs: waits
// for its window, sends it the command a menu item or button sends, closes it
// and waits for it to go.
//
//   wylo-e2e-driver wait-window SECONDS
//   wylo-e2e-driver command ID
//   wylo-e2e-driver close
//   wylo-e2e-driver wait-gone SECONDS
#include <cstdio>
#include <cwchar>
#include <string>

#include <windows.h>

namespace {

HWND FindWylo() {
    return FindWindowW(L"WyloMainWindow", L"Wylo");
}

bool WaitFor(bool wantWindow, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if ((FindWylo() != nullptr) == wantWindow) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: wylo-e2e-driver wait-window|command|close|wait-gone ...\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    const int number = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;
    if (verb == L"wait-window") {
        return WaitFor(true, number) ? 0 : 1;
    }
    if (verb == L"wait-gone") {
        return WaitFor(false, number) ? 0 : 1;
    }
    HWND window = FindWylo();
    if (window == nullptr) {
        std::fwprintf(stderr, L"wylo-e2e-driver: no Wylo window\n");
        return 1;
    }
    if (verb == L"command") {
        return PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(number), 0) ? 0 : 1;
    }
    if (verb == L"close") {
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fwprintf(stderr, L"wylo-e2e-driver: unknown command\n");
    return 2;
}
