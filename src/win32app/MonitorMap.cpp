#include "win32app/MonitorMap.h"

namespace wylo::win {

MonitorMap::MonitorMap(HWND host, int id, Hints& hints) : hints_(hints) {
    CreatePanel(host, id, WS_VISIBLE);
}

RECT MonitorMap::MonitorRect(std::size_t i) const {
    const Rect& b = layout_.monitors.at(i).bounds;
    return {Scaled(b.left, dpi_), Scaled(b.top, dpi_), Scaled(b.right, dpi_),
            Scaled(b.bottom, dpi_)};
}

void MonitorMap::Show(const MonitorMapLayout& layout, UINT dpi, const Fonts& fonts) {
    layout_ = layout;
    dpi_ = dpi;
    font_ = fonts.monitor.get();
    const Rect& m = layout_.map;
    MoveWindow(hwnd(), Scaled(m.left, dpi), Scaled(m.top, dpi), Scaled(m.Width(), dpi),
               Scaled(m.Height(), dpi), TRUE);
    hints_.Clear(hwnd(), hintCount_);
    hintCount_ = static_cast<UINT>(layout_.monitors.size());
    for (std::size_t i = 0; i < layout_.monitors.size(); ++i) {
        hints_.AddArea(hwnd(), static_cast<UINT>(i), MonitorRect(i),
                       Wide(layout_.monitors[i].hint));
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void MonitorMap::Paint(HDC dc) {
    RECT all;
    GetClientRect(hwnd(), &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    // Solid blue panels with a raised edge of one pixel.
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (std::size_t i = 0; i < layout_.monitors.size(); ++i) {
        RECT r = MonitorRect(i);
        FillRect(dc, &r, blue);
        DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
        const std::wstring caption = Wide(layout_.monitors[i].caption);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    DeleteObject(blue);
}

LRESULT MonitorMap::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            Paint(dc);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN: {
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            for (std::size_t i = 0; i < layout_.monitors.size(); ++i) {
                const RECT r = MonitorRect(i);
                if (PtInRect(&r, at) && onMonitorClick) {
                    onMonitorClick(static_cast<int>(i));
                }
            }
            return 0;
        }
        default:
            return Default(message, wParam, lParam);
    }
}

}  // namespace wylo::win
