#include "win32app/StatusBar.h"

#include <algorithm>

#include <commctrl.h>

namespace wylo::win {
namespace {

constexpr UINT_PTR kNoFocusSubclass = 1;
// The narrowest progress bar, at 100 %.
constexpr int kLeastProgress = 120;

// A click on the button does not take the keyboard focus from where the user
// left it: the focus goes straight back.
LRESULT CALLBACK NoFocusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
    if (message == WM_SETFOCUS && wParam != 0) {
        SetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// How wide text is in font on control.
int TextWidth(HWND control, const Font& font, const std::wstring& text) {
    if (text.empty()) {
        return 0;
    }
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font.get());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

}  // namespace

int Low32(std::int64_t count) {
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(count)));
}

StatusBar::StatusBar(HWND parent, int id) {
    CreatePanel(parent, id, WS_VISIBLE, WS_EX_STATICEDGE);
    sbChangeNow =
        MakeControl(hwnd(), L"BUTTON", L"Change Now", WS_VISIBLE | BS_PUSHBUTTON, kChangeNowId);
    // Nothing to go to until Wylo has put a wallpaper on the desktop.
    sbPrevious = MakeControl(hwnd(), L"BUTTON", L"Previous",
                             WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, kPreviousId);
    sbNext =
        MakeControl(hwnd(), L"BUTTON", L"Next", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, kNextId);
    for (HWND button : {sbChangeNow, sbPrevious, sbNext}) {
        SetWindowSubclass(button, NoFocusProc, kNoFocusSubclass, 0);
    }
    hints = std::make_unique<Hints>(hwnd());
    hints->Add(sbChangeNow, L"Put the next picture on the desktop now");
    hints->Add(sbPrevious, L"Put the wallpaper before this one back on the desktop");
    hints->Add(sbNext, L"Go forward again to the wallpaper that followed");
    // Drawn here, so a text too long loses its start rather than its end;
    // SS_NOTIFY lets the label see the pointer, so its hint can show the
    // whole of it.
    lStatus = MakeControl(hwnd(), L"STATIC", L"", WS_VISIBLE | SS_OWNERDRAW | SS_NOTIFY);
    hints->Add(lStatus, L"");
    pbHTTPProgress = MakeControl(hwnd(), PROGRESS_CLASSW, L"", WS_VISIBLE);
    SendMessageW(pbHTTPProgress, PBM_SETRANGE32, 0, 100);
}

void StatusBar::Layout(int top, int width, UINT dpi, const Font& font) {
    const int height = Scaled(kHeight, dpi);
    MoveWindow(hwnd(), 0, top, width, height, TRUE);
    for (HWND control : {sbChangeNow, sbPrevious, sbNext, lStatus}) {
        SetFont(control, font);
    }
    RECT client;
    GetClientRect(hwnd(), &client);
    const int inner = client.bottom;
    const int button = Scaled(72, dpi);
    const int gap = Scaled(2, dpi);
    const int previous = Scaled(56, dpi);
    const int next = Scaled(40, dpi);
    MoveWindow(sbChangeNow, 0, 0, button, inner, TRUE);
    MoveWindow(sbPrevious, button, 0, previous, inner, TRUE);
    MoveWindow(sbNext, button + previous, 0, next, inner, TRUE);
    const int buttons = button + previous + next;
    const int room = std::max(0, static_cast<int>(client.right) - buttons - 2 * gap);
    // The progress bar is idle most of the time; the text that is always
    // there comes first, down to a bar that still shows a share.
    const int usual = TextWidth(lStatus, font, usual_) + Scaled(8, dpi);
    const int progress =
        std::clamp(room - usual, std::min(room, Scaled(kLeastProgress, dpi)), Scaled(368, dpi));
    MoveWindow(lStatus, buttons + gap, 0, room - progress, inner, TRUE);
    MoveWindow(pbHTTPProgress, client.right - progress, 0, progress, inner, TRUE);
}

void StatusBar::SetHistory(bool canGoBack, bool canGoForward) {
    EnableWindow(sbPrevious, canGoBack);
    EnableWindow(sbNext, canGoForward);
}

void StatusBar::SetStatus(const std::wstring& text) {
    SetWindowTextW(lStatus, text.c_str());
    // An owner-drawn label is not painted again by a new text.
    InvalidateRect(lStatus, nullptr, TRUE);
    hints->Set(lStatus, text);
}

void StatusBar::SetMarquee(bool on) {
    const LONG_PTR style = GetWindowLongPtrW(pbHTTPProgress, GWL_STYLE);
    const bool is = (style & PBS_MARQUEE) != 0;
    if (on != is) {
        SetWindowLongPtrW(pbHTTPProgress, GWL_STYLE,
                          on ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
    }
    SendMessageW(pbHTTPProgress, PBM_SETMARQUEE, on ? TRUE : FALSE, 30);
}

void StatusBar::TransferBegin(std::int64_t expected) {
    const int maximum = Low32(expected);
    maximum_ = maximum > 0 ? maximum : 0;
    // Without a length the bar cannot show a share; it shows that work goes on.
    SetMarquee(maximum_ == 0);
    SendMessageW(pbHTTPProgress, PBM_SETRANGE32, 0, maximum_ > 0 ? maximum_ : 1);
    SendMessageW(pbHTTPProgress, PBM_SETPOS, 0, 0);
}

void StatusBar::TransferWork(std::int64_t count) {
    if (maximum_ > 0) {
        SendMessageW(pbHTTPProgress, PBM_SETPOS, static_cast<WPARAM>(Low32(count)), 0);
    }
}

void StatusBar::TransferEnd() {
    SetMarquee(false);
    if (maximum_ <= 0) {
        maximum_ = 1;
        SendMessageW(pbHTTPProgress, PBM_SETRANGE32, 0, 1);
    }
    SendMessageW(pbHTTPProgress, PBM_SETPOS, 0, 0);
}

std::wstring StatusBar::ShownStatus() const {
    const std::wstring text = Wide(status());
    RECT area;
    GetClientRect(lStatus, &area);
    HDC dc = GetDC(lStatus);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(lStatus, WM_GETFONT, 0, 0)));
    const auto width = [dc](const std::wstring& part) {
        SIZE size{};
        GetTextExtentPoint32W(dc, part.c_str(), static_cast<int>(part.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::wstring shown = text;
    if (width(text) > area.right) {
        // The end says the most: the time of the next change, the picture
        // being fetched, when the next try comes. The longest end that fits
        // after an ellipsis.
        std::size_t low = 0;
        std::size_t high = text.size();
        while (low < high) {
            const std::size_t keep = (low + high + 1) / 2;
            if (width(L"\u2026" + text.substr(text.size() - keep)) <= area.right) {
                low = keep;
            } else {
                high = keep - 1;
            }
        }
        shown = L"\u2026" + text.substr(text.size() - low);
    }
    SelectObject(dc, old);
    ReleaseDC(lStatus, dc);
    return shown;
}

void StatusBar::DrawStatus(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring shown = ShownStatus();
    HGDIOBJ old =
        SelectObject(item.hDC, reinterpret_cast<HFONT>(SendMessageW(lStatus, WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_BTNTEXT));
    RECT area = item.rcItem;
    DrawTextW(item.hDC, shown.c_str(), static_cast<int>(shown.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, old);
}

LRESULT StatusBar::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
    }
    if (message == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.hwndItem == lStatus) {
            DrawStatus(item);
            return TRUE;
        }
    }
    return Default(message, wParam, lParam);
}

}  // namespace wylo::win
