// One Wylo at a time on Windows: a named mutex in the session's own
// namespace says who runs, and a message-only window of the Wylo that runs
// takes the commands of later starts as WM_COPYDATA. Window messages reach
// only windows of the same desktop, so only the user of this logon session
// can send; the command arrives on the window's thread.
// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "base/Error.h"
#include "platform/Instance.h"
#include "platform/win32/WideText.h"

namespace wylo {
namespace {

constexpr wchar_t kWindowClass[] = L"WyloInstance";
// Marks Wylo's own WM_COPYDATA among any others.
constexpr ULONG_PTR kCopyDataMark = 0x57594C4F;  // "WYLO"
constexpr DWORD kNameLimit = 64;
// The answers a command gets; 0, what any other window gives, is none.
constexpr LRESULT kTaken = 1;
constexpr LRESULT kRefused = 2;

std::wstring MutexName(const std::filesystem::path& appFolder) {
    return L"Local\\Wylo-" + WideFromUtf8(InstanceKey(appFolder)).value_or(L"");
}

std::wstring WindowTitle(const std::filesystem::path& appFolder) {
    return L"Wylo-" + WideFromUtf8(InstanceKey(appFolder)).value_or(L"");
}

class WindowsInstance final : public RunningInstance {
public:
    WindowsInstance(HANDLE mutex, std::wstring title) : mutex_(mutex), title_(std::move(title)) {}

    ~WindowsInstance() override {
        StopListening();
        CloseHandle(mutex_);
    }

    void Listen(Handler handler, RunOnWindow) override {
        if (window_ != nullptr) {
            return;
        }
        HINSTANCE instance = GetModuleHandleW(nullptr);
        static const bool registered = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &WindowsInstance::Proc;
            wc.hInstance = instance;
            wc.lpszClassName = kWindowClass;
            return RegisterClassExW(&wc) != 0;
        }();
        static_cast<void>(registered);
        handler_ = std::move(handler);
        window_ = CreateWindowExW(0, kWindowClass, title_.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, instance, nullptr);
        if (window_ == nullptr) {
            throw Error("Unable to take commands: " + SystemErrorText(GetLastError()));
        }
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // A Wylo started with more rights still hears the user's own starts.
        ChangeWindowMessageFilterEx(window_, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    }

    void StopListening() override {
        if (window_ != nullptr) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
            window_ = nullptr;
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<WindowsInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data == nullptr || data->dwData != kCopyDataMark || data->cbData > kNameLimit ||
                (data->cbData > 0 && data->lpData == nullptr)) {
                return 0;
            }
            const std::string name(static_cast<const char*>(data->lpData), data->cbData);
            const std::optional<RemoteCommand> command = RemoteCommandNamed(name);
            if (!command) {
                return kRefused;
            }
            return self->handler_(*command) ? kTaken : kRefused;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HANDLE mutex_;
    std::wstring title_;
    Handler handler_;
    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<RunningInstance> ClaimInstance(const std::filesystem::path& appFolder) {
    const std::wstring name = MutexName(appFolder);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        throw Error("Unable to tell whether Wylo runs: " + SystemErrorText(GetLastError()));
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<WindowsInstance>(mutex, WindowTitle(appFolder));
}

Delivery SendToInstance(const std::filesystem::path& appFolder, RemoteCommand command,
                        std::chrono::milliseconds patience) {
    const std::wstring mutexName = MutexName(appFolder);
    const std::wstring title = WindowTitle(appFolder);
    const std::string name(RemoteCommandName(command));
    const auto deadline = std::chrono::steady_clock::now() + patience;
    // The Wylo that runs may bring its window to the front.
    AllowSetForegroundWindow(ASFW_ANY);
    for (;;) {
        if (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, title.c_str())) {
            COPYDATASTRUCT data{};
            data.dwData = kCopyDataMark;
            data.cbData = static_cast<DWORD>(name.size());
            data.lpData = const_cast<char*>(name.data());
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            DWORD_PTR answer = 0;
            if (SendMessageTimeoutW(
                    window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                    static_cast<UINT>(std::max<long long>(left.count(), 1)), &answer) != 0) {
                if (answer == static_cast<DWORD_PTR>(kTaken)) {
                    return Delivery::Taken;
                }
                if (answer == static_cast<DWORD_PTR>(kRefused)) {
                    return Delivery::Refused;
                }
            }
            return Delivery::NoAnswer;
        }
        // No window yet: the Wylo that holds the mutex is starting up, or
        // none runs.
        HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, mutexName.c_str());
        if (mutex == nullptr) {
            return Delivery::NoneRunning;
        }
        CloseHandle(mutex);
        if (std::chrono::steady_clock::now() >= deadline) {
            return Delivery::NoAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace wylo
