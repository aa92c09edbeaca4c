#include "win32app/TrayIcon.h"

#include <algorithm>
#include <cwchar>

namespace wylo::win {
namespace {

TrayIcon::ShellCall& ShellCallHook() {
    static TrayIcon::ShellCall call;
    return call;
}

// An ampersand in a status text is shown as it is, not as a shortcut mark.
std::wstring MenuText(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        out += c;
        if (c == L'&') {
            out += L'&';
        }
    }
    return out;
}

}  // namespace

void TrayIcon::SetShellCallForTests(ShellCall call) {
    ShellCallHook() = std::move(call);
}

TrayIcon::TrayIcon(HWND owner, HICON icon) : owner_(owner), icon_(icon), menu_(CreatePopupMenu()) {
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, kNextChangeId, L"moo");
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_, MF_STRING, kChangeNowId, L"&Change Now");
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, kPreviousId, L"&Previous");
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, kNextId, L"&Next");
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, kKeepId, L"&Keep This Picture");
    AppendMenuW(menu_, MF_STRING | MF_GRAYED, kNeverAgainId, L"Ne&ver Show This Picture Again");
    AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_, MF_STRING, kExitId, L"E&xit\tAlt+X");
    shown_ = Call(NIM_ADD, NIF_ICON | NIF_MESSAGE | NIF_TIP) != FALSE;
}

TrayIcon::~TrayIcon() {
    Call(NIM_DELETE, 0);
    DestroyMenu(menu_);
}

BOOL TrayIcon::Call(DWORD message, UINT flags) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = 1;
    data.uFlags = flags;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    const std::size_t room = sizeof data.szTip / sizeof data.szTip[0] - 1;
    const std::size_t length = std::min(hint_.size(), room);
    std::wmemcpy(data.szTip, hint_.data(), length);
    data.szTip[length] = L'\0';
    if (ShellCallHook()) {
        return ShellCallHook()(message, data);
    }
    return Shell_NotifyIconW(message, &data);
}

void TrayIcon::SetHint(const std::wstring& hint) {
    hint_ = hint;
    Call(NIM_MODIFY, NIF_TIP);
}

void TrayIcon::SetHistory(bool canGoBack, bool canGoForward) {
    EnableMenuItem(menu_, kPreviousId, MF_BYCOMMAND | (canGoBack ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu_, kNextId, MF_BYCOMMAND | (canGoForward ? MF_ENABLED : MF_GRAYED));
}

void TrayIcon::SetPictureShown(bool shown) {
    EnableMenuItem(menu_, kKeepId, MF_BYCOMMAND | (shown ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu_, kNeverAgainId, MF_BYCOMMAND | (shown ? MF_ENABLED : MF_GRAYED));
}

void TrayIcon::SetNextChange(const std::wstring& text) {
    const std::wstring shown = MenuText(text);
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<wchar_t*>(shown.c_str());
    SetMenuItemInfoW(menu_, kNextChangeId, FALSE, &item);
}

std::wstring TrayIcon::nextChange() const {
    wchar_t text[512] = {};
    GetMenuStringW(menu_, kNextChangeId, text, 512, MF_BYCOMMAND);
    std::wstring shown;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        shown += *p;
        if (*p == L'&' && p[1] == L'&') {
            ++p;
        }
    }
    return shown;
}

void TrayIcon::ShowMenu() {
    POINT at;
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere.
    SetForegroundWindow(owner_);
    TrackPopupMenu(menu_, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y, 0, owner_, nullptr);
    PostMessageW(owner_, WM_NULL, 0, 0);
}

void TrayIcon::Readd() {
    shown_ = Call(NIM_ADD, NIF_ICON | NIF_MESSAGE | NIF_TIP) != FALSE;
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace wylo::win
