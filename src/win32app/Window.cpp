#include "win32app/Window.h"

#include <unordered_map>
#include <vector>

#include <commctrl.h>

#include "platform/win32/WideText.h"

namespace wylo::win {
namespace {

constexpr wchar_t kPanelClass[] = L"WyloPanel";

// Each container's own window procedure. Kept here rather than through
// comctl32's SetWindowSubclass, which looks its chain up in a window property
// at every message, and under Wine every such look is a call to its server:
// a page switch sent hundreds of them.
thread_local std::unordered_map<HWND, WNDPROC> containerProcs;

// The window PaintAtOnce draws now, and the device context it draws into,
// which holds what lies beneath that window already.
struct Printing {
    HWND window = nullptr;
    HDC dc = nullptr;
};
thread_local Printing printing;

// A themed control asks its container to draw its background into the
// device context it paints in; while PaintAtOnce draws, that background is
// there already, and drawing the container again for each of its controls
// would cost more than the controls themselves.
bool DrawnBeneath(HWND window, UINT message, WPARAM wParam) {
    return (message == WM_ERASEBKGND || message == WM_PRINTCLIENT) && printing.dc != nullptr &&
           reinterpret_cast<HDC>(wParam) == printing.dc && window != printing.window;
}

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto own = containerProcs.find(window);
    if (own == containerProcs.end()) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const WNDPROC original = own->second;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        containerProcs.erase(own);
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    if (DrawnBeneath(window, message, wParam)) {
        return message == WM_ERASEBKGND ? 1 : 0;
    }
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_VKEYTOITEM:
            return SendMessageW(GetParent(window), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(window, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        default:
            return CallWindowProcW(original, window, message, wParam, lParam);
    }
}

// Whether a window draws all of itself on WM_PRINTCLIENT, as it would on
// WM_PAINT. A window with a frame is left to paint itself, frame and all, and
// so are a number box's arrows, which draw over its frame.
bool Printable(HWND window) {
    RECT client;
    RECT frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    if (client.right != frame.right - frame.left || client.bottom != frame.bottom - frame.top) {
        return false;
    }
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, kPanelClass) == 0) {
        const auto* panel =
            reinterpret_cast<const Panel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return panel != nullptr && panel->PrintsItself();
    }
    for (const wchar_t* standard : {L"Button", L"Static", L"ComboBox", WC_TABCONTROLW}) {
        if (lstrcmpiW(name, standard) == 0) {
            return true;
        }
    }
    return false;
}

// One pass of PrintTree: the picture of the root's client area and a scratch
// bitmap as large, both memory device contexts.
struct Printer {
    HWND root;
    HDC picture;
    HDC scratch;
    // Visible windows left to paint themselves.
    std::vector<HWND> own;

    // Draws window, whose rectangle in the root is at, over what lies
    // beneath it in the picture, within bounds (its ancestors' client
    // areas), then its children.
    void Print(HWND window, const RECT& at, const RECT& bounds) {
        RECT shown;
        if (!IntersectRect(&shown, &at, &bounds)) {
            return;
        }
        const int width = at.right - at.left;
        const int height = at.bottom - at.top;
        // Each window draws at its own origin: controls take their device
        // context's origin as their client area's.
        BitBlt(scratch, 0, 0, width, height, picture, at.left, at.top, SRCCOPY);
        const Printing outer = printing;
        printing = {window, scratch};
        const int saved = SaveDC(scratch);
        IntersectClipRect(scratch, 0, 0, width, height);
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(scratch), 0);
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch), PRF_CLIENT);
        RestoreDC(scratch, saved);
        printing = outer;
        BitBlt(picture, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top,
               scratch, shown.left - at.left, shown.top - at.top, SRCCOPY);
        HWND first = GetWindow(window, GW_CHILD);
        for (HWND child = first != nullptr ? GetWindow(first, GW_HWNDLAST) : nullptr;
             child != nullptr; child = GetWindow(child, GW_HWNDPREV)) {
            if ((GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) == 0) {
                continue;
            }
            if (!Printable(child)) {
                own.push_back(child);
                continue;
            }
            RECT place;
            GetWindowRect(child, &place);
            MapWindowPoints(HWND_DESKTOP, root, reinterpret_cast<POINT*>(&place), 2);
            Print(child, place, shown);
        }
    }
};

}  // namespace

std::vector<HWND> PrintTree(HWND root, HDC dc) {
    RECT area;
    GetClientRect(root, &area);
    if (area.right <= 0 || area.bottom <= 0) {
        return {};
    }
    Printer printer{root, dc, CreateCompatibleDC(dc), {}};
    HBITMAP scratch = CreateCompatibleBitmap(dc, area.right, area.bottom);
    HGDIOBJ oldScratch = SelectObject(printer.scratch, scratch);
    printer.Print(root, area, area);
    SelectObject(printer.scratch, oldScratch);
    DeleteObject(scratch);
    DeleteDC(printer.scratch);
    return printer.own;
}

void PaintAtOnce(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    if (!IsWindowVisible(window) || area.right <= 0 || area.bottom <= 0) {
        return;
    }
    // Over the children too, but not over those that paint themselves.
    HDC screen = GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    HDC picture = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, area.right, area.bottom);
    HGDIOBJ oldBits = SelectObject(picture, bits);
    const std::vector<HWND> own = PrintTree(window, picture);
    for (HWND w : own) {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(screen, r.left, r.top, r.right, r.bottom);
    }
    BitBlt(screen, 0, 0, area.right, area.bottom, picture, 0, 0, SRCCOPY);
    SelectObject(picture, oldBits);
    DeleteObject(bits);
    DeleteDC(picture);
    ReleaseDC(window, screen);
    // What was drawn needs no erasing or paint of its own; the rest paints
    // itself.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_ALLCHILDREN);
    for (HWND w : own) {
        RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

std::wstring Wide(std::string_view text) {
    return WideFromUtf8(text).value_or(std::wstring());
}

std::string Narrow(std::wstring_view text) {
    return Utf8FromWide(text).value_or(std::string());
}

std::wstring EditControlText(std::string_view text) {
    std::wstring out;
    for (wchar_t c : Wide(text)) {
        if (c == L'\n') {
            out += L'\r';
        }
        out += c;
    }
    return out;
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Narrow(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
    SetWindowTextW(window, Wide(text).c_str());
}

UINT DpiOf(HWND window) {
    // Windows 10 1607 and later know each monitor's own scaling.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

Font::Font(UINT dpi, int pixelHeight, bool bold, bool italic) {
    font_ =
        CreateFontW(-Scaled(pixelHeight, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                    italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

Font::~Font() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
        font_ = other.font_;
        other.font_ = nullptr;
    }
    return *this;
}

void SetFont(HWND control, const Font& font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
}

HWND MakeControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
                 DWORD exStyle) {
    return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void MakeContainer(HWND control) {
    if (control == nullptr || containerProcs.contains(control)) {
        return;
    }
    containerProcs[control] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerProc)));
}

Panel::~Panel() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Panel::CreatePanel(HWND parent, int id, DWORD style, DWORD exStyle) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &Panel::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kPanelClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
    CreateWindowExW(exStyle | WS_EX_CONTROLPARENT, kPanelClass, L"",
                    WS_CHILD | WS_CLIPCHILDREN | style, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                    this);
}

LRESULT Panel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK Panel::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Panel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Panel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (DrawnBeneath(window, message, wParam)) {
        return message == WM_ERASEBKGND ? 1 : 0;
    }
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

}  // namespace wylo::win
