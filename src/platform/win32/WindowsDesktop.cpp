#include "platform/win32/WindowsDesktop.h"

#include <string>
#include <system_error>

#include <commctrl.h>

#include "base/Error.h"
#include "platform/win32/WideText.h"

namespace wylo {
namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

[[noreturn]] void ThrowValueError(const wchar_t* valueName, LSTATUS status) {
    throw Error("Unable to write the wallpaper setting \"" + Utf8FromWide(valueName).value_or("") +
                "\" to the registry: " + SystemErrorText(static_cast<unsigned long>(status)));
}

// A REG_SZ value, stored with its terminating null.
LSTATUS SetText(HKEY key, const wchar_t* valueName, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes);
}

}  // namespace

void WriteWallpaperValues(HKEY key, const std::filesystem::path& path, bool tile) {
    // The system reads the value long after this program's working folder
    // may have changed, so it gets a full path.
    std::error_code ignored;
    std::filesystem::path fullPath = std::filesystem::absolute(path, ignored);
    if (fullPath.empty()) {
        fullPath = path;
    }
    if (const LSTATUS s = SetText(key, L"Wallpaper", fullPath.wstring()); s != ERROR_SUCCESS) {
        ThrowValueError(L"Wallpaper", s);
    }
    if (const LSTATUS s = SetText(key, L"TileWallpaper", tile ? L"1" : L"0"); s != ERROR_SUCCESS) {
        ThrowValueError(L"TileWallpaper", s);
    }
}

void WriteWallpaperSetting(HKEY root, const wchar_t* subKey, const std::filesystem::path& path,
                           bool tile, const std::function<void()>& notifySystem) {
    {
        RegistryKey key;
        const LSTATUS opened = RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
        // A key that cannot be opened refuses the first value.
        if (opened != ERROR_SUCCESS) {
            ThrowValueError(L"Wallpaper", opened);
        }
        WriteWallpaperValues(key.get(), path, tile);
    }
    notifySystem();
}

void NotifyWallpaperChanged() {
    // No path: the system reads the values just written. No SPIF_UPDATEINIFILE:
    // they are already stored.
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, nullptr, SPIF_SENDWININICHANGE);
}

IconListCalls SystemIconListCalls() {
    IconListCalls calls;
    calls.findWindow = [](const wchar_t* className, const wchar_t* title) {
        return FindWindowW(className, title);
    };
    calls.findChild = [](HWND parent, const wchar_t* className) {
        return FindWindowExW(parent, nullptr, className, nullptr);
    };
    calls.send = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(window, message, wParam, lParam);
    };
    calls.update = [](HWND window) { UpdateWindow(window); };
    return calls;
}

void RecolourIconCaptions(const IconListCalls& calls, Colour text, Colour background,
                          bool transparent) {
    // A null parent would make FindWindowExW search the top-level windows and
    // could hit some other program's list view, so every step needs the one
    // before it.
    const HWND progman = calls.findWindow(L"Progman", L"Program Manager");
    if (!progman) {
        return;
    }
    const HWND shellView = calls.findChild(progman, L"SHELLDLL_DefView");
    if (!shellView) {
        return;
    }
    const HWND listView = calls.findChild(shellView, L"SysListView32");
    if (!listView) {
        return;
    }
    const COLORREF captionBackground = transparent ? CLR_NONE : background;
    calls.send(listView, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(captionBackground));
    calls.send(listView, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    const LRESULT count = calls.send(listView, LVM_GETITEMCOUNT, 0, 0);
    // With no icons this asks for items 0 to -1, which redraws nothing.
    calls.send(listView, LVM_REDRAWITEMS, 0, static_cast<LPARAM>(count - 1));
    calls.update(listView);
}

}  // namespace wylo
