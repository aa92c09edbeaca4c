#include "platform/win32/WindowsPlatform.h"

#include <filesystem>
#include <memory>
#include <system_error>

// windows.h comes before the other Windows headers.
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include "base/WebAddress.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WindowsAutostart.h"
#include "platform/win32/WindowsDesktop.h"

namespace wylo {
namespace {

struct ItemIdListFree {
    void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using ItemIdList = std::unique_ptr<ITEMIDLIST, ItemIdListFree>;

// FOLDERID_Pictures, spelt out so no GUID library is needed.
constexpr KNOWNFOLDERID kPicturesFolder = {
    0x33E28130, 0x4E1E, 0x4676, {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};

bool IsFolder(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& monitors = *reinterpret_cast<std::vector<Monitor>*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        // Windows puts the primary monitor's top-left at 0,0, as the program's
        // coordinates do.
        const RECT& r = info.rcMonitor;
        monitors.push_back(
            {{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

WindowsPlatform::WindowsPlatform(std::optional<std::wstring> localeName)
    : dateTime_(std::move(localeName)) {}

std::filesystem::path WindowsPlatform::SharedDataFolder() const {
    ITEMIDLIST* raw = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, &raw)) || !raw) {
        return {};
    }
    const ItemIdList location(raw);
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(location.get(), buffer)) {
        return {};
    }
    buffer[MAX_PATH - 1] = L'\0';
    return std::filesystem::path(std::wstring(buffer));
}

std::vector<Monitor> WindowsPlatform::Monitors() const {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

Size WindowsPlatform::VirtualDesktopSize() const {
    return {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void WindowsPlatform::SetWallpaper(const std::filesystem::path& path, bool tile) {
    WriteWallpaperSetting(HKEY_CURRENT_USER, kDesktopSettingsKey, path, tile,
                          NotifyWallpaperChanged);
}

void WindowsPlatform::SetDesktopIconColours(Colour text, Colour background, bool transparent) {
    RecolourIconCaptions(SystemIconListCalls(), text, background, transparent);
}

void WindowsPlatform::OpenUrl(const std::string& url) {
    // Only web addresses: the shell would run a program or open a file just
    // as readily.
    if (!IsWebAddress(url)) {
        return;
    }
    const auto wide = WideFromUtf8(ShellSafeAddress(url));
    if (!wide) {
        return;
    }
    // The shell's default action for the address; whether it worked is not
    // reported.
    ShellExecuteW(nullptr, nullptr, wide->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WindowsPlatform::Beep() {
    MessageBeep(0);
}

bool WindowsPlatform::StartsAtLogin() const {
    return RunEntryActive(HKEY_CURRENT_USER);
}

void WindowsPlatform::SetStartAtLogin(bool start) {
    if (start) {
        WriteRunEntry(HKEY_CURRENT_USER, RunningProgramPath());
    } else {
        RemoveRunEntry(HKEY_CURRENT_USER);
    }
}

std::string WindowsPlatform::FormatShortDate(const CivilDateTime& value) const {
    return dateTime_.FormatShortDate(value);
}

std::string WindowsPlatform::FormatLongTime(const CivilDateTime& value) const {
    return dateTime_.FormatLongTime(value);
}

std::optional<CivilDateTime> WindowsPlatform::ParseDateTime(std::string_view text) const {
    return dateTime_.Parse(text);
}

std::string ShellSafeAddress(std::string_view url) {
    static constexpr std::string_view kAllowed =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
        "-._~:/?#[]@!$&'()*+,;=%";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string safe;
    safe.reserve(url.size());
    for (const char c : url) {
        if (kAllowed.find(c) != std::string_view::npos) {
            safe += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            safe += '%';
            safe += kHex[byte >> 4];
            safe += kHex[byte & 0x0F];
        }
    }
    return safe;
}

std::unique_ptr<Platform> CreateSystemPlatform() {
    return std::make_unique<WindowsPlatform>();
}

std::vector<PictureFolder> WindowsPlatform::PictureFolders() const {
    std::vector<PictureFolder> folders;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const std::filesystem::path wallpapers =
            std::filesystem::path(std::wstring(windows, length)) / L"Web" / L"Wallpaper";
        if (IsFolder(wallpapers)) {
            folders.push_back({"Wallpapers", wallpapers, false});
        }
    }
    wchar_t* pictures = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(kPicturesFolder, 0, nullptr, &pictures)) && pictures) {
        const std::filesystem::path path{std::wstring(pictures)};
        if (IsFolder(path)) {
            folders.push_back({"Pictures", path, false});
        }
    }
    // Freed even when the call fails.
    CoTaskMemFree(pictures);
    return folders;
}

}  // namespace wylo
