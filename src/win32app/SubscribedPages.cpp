#include "win32app/SubscribedPages.h"

namespace wylo::win {
namespace {

HWND TitleLabel(HWND parent, int id) {
    return MakeControl(parent, L"STATIC", L"Channel Title",
                       WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX | SS_ENDELLIPSIS, id);
}

HWND CopyrightLabel(HWND parent, int id) {
    return MakeControl(parent, L"STATIC", L"Channel Copyright",
                       WS_VISIBLE | SS_RIGHT | SS_NOPREFIX | SS_ENDELLIPSIS, id);
}

// Title on top, copyright at the bottom, the middle for the page's content.
RECT LayOutLabels(HWND page, HWND title, HWND copyright, const Fonts& fonts) {
    RECT area;
    GetClientRect(page, &area);
    const UINT dpi = fonts.dpi;
    const int margin = Scaled(4, dpi);
    const int titleHeight = Scaled(26, dpi);
    const int copyrightHeight = Scaled(16, dpi);
    const int width = area.right - 2 * margin;
    MoveWindow(title, margin, margin, width, titleHeight, TRUE);
    MoveWindow(copyright, margin, area.bottom - margin - copyrightHeight, width, copyrightHeight,
               TRUE);
    SetFont(title, fonts.title);
    SetFont(copyright, fonts.italic);
    const int top = margin + titleHeight + margin;
    return {margin, top, margin + width, area.bottom - 2 * margin - copyrightHeight};
}

}  // namespace

NewsPage::NewsPage(HWND parent, int id, WebBrowserHost::OpenExternally open) {
    CreatePanel(parent, id);
    lNewsChannelTitle = TitleLabel(hwnd(), 221);
    wbBrowser = std::make_unique<WebBrowserHost>(hwnd(), 222, std::move(open));
    lNewsChannelCopyright = CopyrightLabel(hwnd(), 223);
}

void NewsPage::Layout(const Fonts& fonts) {
    const RECT middle = LayOutLabels(hwnd(), lNewsChannelTitle, lNewsChannelCopyright, fonts);
    MoveWindow(wbBrowser->hwnd(), middle.left, middle.top, middle.right - middle.left,
               middle.bottom - middle.top, TRUE);
    wbBrowser->SetFont(fonts.window);
}

ImagesPage::ImagesPage(HWND parent, int id, Session& session) {
    CreatePanel(parent, id);
    lTitle = TitleLabel(hwnd(), 231);
    lbImages = std::make_unique<ImagesList>(hwnd(), session);
    lCopyright = CopyrightLabel(hwnd(), 233);
}

void ImagesPage::Layout(const Fonts& fonts) {
    const RECT middle = LayOutLabels(hwnd(), lTitle, lCopyright, fonts);
    MoveWindow(lbImages->hwnd(), middle.left, middle.top, middle.right - middle.left,
               middle.bottom - middle.top, TRUE);
    lbImages->SetDpi(fonts.dpi, fonts);
}

LRESULT ImagesPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DRAWITEM:
            if (lbImages->OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (lbImages->OnCommand(LOWORD(wParam), HIWORD(wParam))) {
                return 0;
            }
            break;
        case WM_CONTEXTMENU:
            if (lbImages->OnContextMenu(reinterpret_cast<HWND>(wParam), lParam)) {
                return 0;
            }
            break;
        case WM_VKEYTOITEM: {
            LRESULT result = -1;
            if (lbImages->OnVKeyToItem(wParam, lParam, result)) {
                return result;
            }
            break;
        }
        case WM_CTLCOLORLISTBOX:
            // The list's colour is the button face, like the pages around it.
            if (reinterpret_cast<HWND>(lParam) == lbImages->hwnd()) {
                SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace wylo::win
