#include "win32app/Controls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cwchar>

#include <commctrl.h>

namespace wylo::win {

Fonts::Fonts(UINT d)
    : dpi(d),
      window(d, 11),
      italic(d, 11, false, true),
      title(d, 19, true),
      rowTitle(d, 19, true),
      monitor(d, 43, true),
      badge(d, 11, true),
      bold(d, 11, true) {}

void Place(const Placed& placed, UINT dpi) {
    const RECT& r = placed.base;
    MoveWindow(placed.window, Scaled(r.left, dpi), Scaled(r.top, dpi),
               Scaled(r.right - r.left, dpi), Scaled(r.bottom - r.top, dpi), TRUE);
}

RadioGroup::RadioGroup(HWND parent, int firstId, const wchar_t* title,
                       const std::vector<std::wstring>& items)
    : firstId_(firstId) {
    // A control parent, so the dialog keys reach the buttons inside.
    box_ = MakeControl(parent, L"BUTTON", title,
                       WS_VISIBLE | BS_GROUPBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, firstId - 1,
                       WS_EX_CONTROLPARENT);
    MakeContainer(box_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON | WS_TABSTOP;
        if (i == 0) {
            style |= WS_GROUP;
        }
        buttons_.push_back(
            MakeControl(box_, L"BUTTON", items[i].c_str(), style, firstId + static_cast<int>(i)));
    }
}

void RadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, count() - 1);
    if (index == index_) {
        return;
    }
    index_ = index;
    for (int i = 0; i < count(); ++i) {
        SendMessageW(button(i), BM_SETCHECK, i == index_ ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (onClick) {
        onClick();
    }
}

void RadioGroup::Layout(const RECT& rect, UINT dpi, const Fonts& fonts) {
    Place({box_, rect}, dpi);
    SetFont(box_, fonts.window);
    // The buttons share the space below the caption evenly, as the form's
    // radio groups do.
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int top = 15;
    const int rows = std::max(1, count());
    const int step = (height - top - 4) / rows;
    for (int i = 0; i < count(); ++i) {
        const int y = top + i * step + (step - 17) / 2;
        Place({button(i), {8, y, width - 6, y + 17}}, dpi);
        SetFont(button(i), fonts.window);
    }
}

bool RadioGroup::OnCommand(int id, int code) {
    if (id < firstId_ || id >= firstId_ + count()) {
        return false;
    }
    if (code == BN_CLICKED) {
        SetItemIndex(id - firstId_);
    }
    return true;
}

ColourPanel::ColourPanel(HWND parent, int id) {
    CreatePanel(parent, id, WS_VISIBLE | WS_TABSTOP);
}

void ColourPanel::SetColour(Colour colour) {
    colour &= 0xFFFFFF;
    if (colour == colour_) {
        return;
    }
    colour_ = colour;
    InvalidateRect(hwnd(), nullptr, TRUE);
    if (onColourChanged) {
        onColourChanged();
    }
}

void ColourPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(hwnd(), &r);
    DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT | BF_ADJUST);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour_));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    if (GetFocus() == hwnd()) {
        InflateRect(&r, -2, -2);
        DrawFocusRect(dc, &r);
    }
}

LRESULT ColourPanel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            Paint(BeginPaint(hwnd(), &ps));
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd());
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_SPACE) {
                if (onDoubleClick) {
                    onDoubleClick();
                }
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK:
            if (onDoubleClick) {
                onDoubleClick();
            }
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

SpinEdit::SpinEdit(HWND parent, int editId, int arrowsId) {
    edit_ = MakeControl(parent, L"EDIT", L"1", WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL,
                        editId, WS_EX_CLIENTEDGE);
    SendMessageW(edit_, EM_SETLIMITTEXT, 4, 0);
    arrows_ = MakeControl(parent, UPDOWN_CLASSW, L"",
                          WS_VISIBLE | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, arrowsId);
    SendMessageW(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit_), 0);
    SendMessageW(arrows_, UDM_SETRANGE32, 1, 9999);
}

void SpinEdit::SetAllowedRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    // Room to type the largest number allowed, and never less than four digits.
    const std::size_t digits = std::max<std::size_t>(4, std::to_wstring(max_).size());
    SendMessageW(edit_, EM_SETLIMITTEXT, static_cast<WPARAM>(digits), 0);
}

int SpinEdit::value() const {
    wchar_t text[16] = {};
    GetWindowTextW(edit_, text, 16);
    wchar_t* end = nullptr;
    errno = 0;
    const long number = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        return min_;
    }
    return static_cast<int>(number);
}

void SpinEdit::SetClampedValue(int value) {
    SetWindowTextW(edit_, std::to_wstring(std::clamp(value, min_, max_)).c_str());
}

void SpinEdit::Step(int steps) {
    const long long next = static_cast<long long>(value()) + steps;
    SetClampedValue(static_cast<int>(std::clamp<long long>(next, min_, max_)));
}

void SpinEdit::BringIntoRange() {
    const int shown = value();
    if (shown < min_ || shown > max_ || GetWindowTextLengthW(edit_) == 0) {
        SetClampedValue(shown);
    }
}

bool SpinEdit::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != arrows_ || header.code != UDN_DELTAPOS) {
        return false;
    }
    const auto& delta = reinterpret_cast<const NMUPDOWN&>(header);
    Step(delta.iDelta);
    // The arrows' own counting would ignore the allowed range.
    result = TRUE;
    return true;
}

namespace {

// Every Hints of this thread, for RelayToHints.
thread_local std::vector<Hints*> liveHints;

}  // namespace

Hints::Hints(HWND owner) {
    liveHints.push_back(this);
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    // Long hints wrap rather than run across the screen.
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 400);
    SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
}

Hints::~Hints() {
    std::erase(liveHints, this);
    DestroyWindow(tip_);
}

bool Hints::Covers(HWND window) const {
    return std::any_of(hints_.begin(), hints_.end(),
                       [window](const auto& hint) { return hint.first == window; }) ||
           std::find(areaWindows_.begin(), areaWindows_.end(), window) != areaWindows_.end();
}

void RelayToHints(const MSG& message) {
    if (message.message < WM_MOUSEFIRST || message.message > WM_MOUSELAST) {
        return;
    }
    for (const Hints* hints : liveHints) {
        if (hints->Covers(message.hwnd)) {
            SendMessageW(hints->window(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
        }
    }
}

void Hints::Add(HWND control, const std::wstring& text) {
    hints_.emplace_back(control, text);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(hints_.back().second.c_str());
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Hints::Set(HWND control, const std::wstring& text) {
    for (auto& [window, hint] : hints_) {
        if (window != control) {
            continue;
        }
        hint = text;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = GetParent(control);
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        // The tooltip keeps its own copy of the text.
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    Add(control, text);
}

void Hints::AddArea(HWND window, UINT id, const RECT& area, const std::wstring& text) {
    if (std::find(areaWindows_.begin(), areaWindows_.end(), window) == areaWindows_.end()) {
        areaWindows_.push_back(window);
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window;
    tool.uId = id;
    tool.rect = area;
    // The tooltip keeps its own copy of the text.
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Hints::Clear(HWND window, UINT count) {
    for (UINT id = 0; id < count; ++id) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window;
        tool.uId = id;
        SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

std::wstring Hints::HintOf(HWND control) const {
    for (const auto& [window, text] : hints_) {
        if (window == control) {
            return text;
        }
    }
    return {};
}

}  // namespace wylo::win
