#pragma once

#include <filesystem>
#include <functional>

#include <windows.h>

#include "base/Colour.h"

namespace wylo {

// Where Windows keeps the user's wallpaper, under HKEY_CURRENT_USER.
inline constexpr const wchar_t* kDesktopSettingsKey = L"Control Panel\\Desktop";

// Writes "Wallpaper" = path (made absolute) and "TileWallpaper" = "1" or "0"
// as REG_SZ into an open key. Throws Error naming the value that was refused.
void WriteWallpaperValues(HKEY key, const std::filesystem::path& path, bool tile);

// Opens root\subKey with full access (creating it when missing), writes
// "Wallpaper" = path and "TileWallpaper" = "1" or "0" as REG_SZ, closes the
// key and calls notifySystem. Throws Error naming the value that could not be
// written (a key that cannot be opened counts as refusing "Wallpaper");
// notifySystem is then not called.
void WriteWallpaperSetting(HKEY root, const wchar_t* subKey, const std::filesystem::path& path,
                           bool tile, const std::function<void()>& notifySystem);

// Has the system take up the wallpaper values just written and tell the other
// top-level windows. Its result says nothing useful and is ignored.
void NotifyWallpaperChanged();

// The window search and the messages that recolour the desktop's icon
// captions. The system's calls in production; tests record them instead.
struct IconListCalls {
    std::function<HWND(const wchar_t* className, const wchar_t* title)> findWindow;
    // First child of parent with that class, any title.
    std::function<HWND(HWND parent, const wchar_t* className)> findChild;
    std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)> send;
    std::function<void(HWND window)> update;
};

IconListCalls SystemIconListCalls();

// Finds the shell's icon list view (Progman, SHELLDLL_DefView, SysListView32)
// and sets its caption background (none when transparent) and text colours,
// then redraws every icon. Stops quietly at the first window that is missing,
// so a desktop hosted by another shell is left alone.
void RecolourIconCaptions(const IconListCalls& calls, Colour text, Colour background,
                          bool transparent);

}  // namespace wylo
