#include "win32app/Window.h"

#include <vector>

#include <commctrl.h>

#include "platform/win32/WideText.h"

namespace wylo::win {
namespace {

constexpr wchar_t kPanelClass[] = L"WyloPanel";
constexpr UINT_PTR kContainerSubclass = 0x57594C4F;

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
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
            return DefSubclassProc(window, message, wParam, lParam);
    }
}

}  // namespace

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
    SetWindowSubclass(control, ContainerProc, kContainerSubclass, 0);
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
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

}  // namespace wylo::win
