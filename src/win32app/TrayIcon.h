#pragma once

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <string>

namespace wylo::win {

// The icon in the notification area and its menu: the time of the next change
// (a label), "&Change Now", "&Previous", "&Next", "Ne&ver Show This Picture
// Again" and "E&xit". Its messages arrive at the owner
// window as kCallbackMessage; the menu's choices as WM_COMMAND with the ids
// below.
class TrayIcon {
public:
    static constexpr UINT kCallbackMessage = WM_APP + 1;
    static constexpr int kNextChangeId = 40001;
    static constexpr int kChangeNowId = 40002;
    static constexpr int kExitId = 40003;
    static constexpr int kPreviousId = 40004;
    static constexpr int kNextId = 40005;
    static constexpr int kNeverAgainId = 40006;
    static constexpr int kKeepId = 40007;

    // The one call into the shell, so tests can see what was asked of it.
    using ShellCall = std::function<BOOL(DWORD message, NOTIFYICONDATAW& data)>;
    static void SetShellCallForTests(ShellCall call);

    TrayIcon(HWND owner, HICON icon);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // The tooltip, cut to what the notification area can show.
    void SetHint(const std::wstring& hint);
    const std::wstring& hint() const { return hint_; }
    // Whether there is a wallpaper of the history to go back or forward to.
    void SetHistory(bool canGoBack, bool canGoForward);
    // Whether a picture Wylo put there is on the desktop, to be hidden.
    void SetPictureShown(bool shown);
    // The first menu item's text.
    void SetNextChange(const std::wstring& text);
    std::wstring nextChange() const;
    // Whether the shell took the icon; without it minimising must not hide
    // the window, or the user could not get it back.
    bool shown() const { return shown_; }

    HMENU menu() const { return menu_; }
    // Opens the menu at the pointer.
    void ShowMenu();
    // The shell restarted (the taskbar was recreated): the icon comes back.
    void Readd();
    // The message the shell broadcasts when the taskbar is recreated.
    static UINT TaskbarCreatedMessage();

private:
    BOOL Call(DWORD message, UINT flags);

    HWND owner_;
    HICON icon_;
    HMENU menu_;
    std::wstring hint_;
    bool shown_ = false;
};

}  // namespace wylo::win
