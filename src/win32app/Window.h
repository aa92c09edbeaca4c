#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace wylo::win {

// UTF-8 texts of the core to the UTF-16 of the W functions and back; text
// that is not valid in its encoding becomes empty.
std::wstring Wide(std::string_view text);
std::string Narrow(std::wstring_view text);
// A text for a multi-line edit control, which breaks lines only at a carriage
// return followed by a line feed.
std::wstring EditControlText(std::string_view text);

// The window's text as UTF-8.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

// Dots per inch of the monitor a window is on (96 at 100 %).
UINT DpiOf(HWND window);
// A length laid out at 96 dots per inch, at dpi.
inline int Scaled(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}

// A font owned for its lifetime. pixelHeight is the character height at 96
// dots per inch; 11 is Tahoma 8 point, the window's font.
class Font {
public:
    Font() = default;
    Font(UINT dpi, int pixelHeight, bool bold = false, bool italic = false);
    ~Font();
    Font(Font&& other) noexcept : font_(other.font_) { other.font_ = nullptr; }
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    HFONT get() const { return font_; }

private:
    HFONT font_ = nullptr;
};

void SetFont(HWND control, const Font& font);

// A child control of the given window class, its id and text.
HWND MakeControl(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                 int id = 0, DWORD exStyle = 0);

// Lets a control hold other controls: what they report (commands,
// notifications, colours, owner drawing) goes on to the control's parent, and
// its background is the button face. For group boxes and the tab controls of
// the settings page.
void MakeContainer(HWND control);

// A plain child window whose messages go to an object of a subclass: the
// pages, the status bar, the colour panels and the monitor map.
class Panel {
public:
    Panel() = default;
    virtual ~Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The panel draws the whole of itself into the device context that
    // WM_PRINTCLIENT gives, so its container can paint it along (PaintAtOnce).
    virtual bool PrintsItself() const { return false; }

protected:
    // Creates the window as a child of parent; exStyle for its edge.
    void CreatePanel(HWND parent, int id, DWORD style = 0, DWORD exStyle = 0);
    // Messages of the panel; the default is the system's handling.
    virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Paints window, just shown, now and in one pass: it and every visible
// window in it that can print itself (standard controls and panels that say
// so, without a frame) are drawn into one bitmap, bottom of the z-order
// first, and copied to the screen; they need no paint of their own then, nor
// the erasing of each that precedes a paint. The others (web browsers,
// framed controls) are left waiting for their paint. Under Wine a page of
// dozens of themed controls, each erased and painted on its own (with its own
// calls to Wine's server, and its container drawn again beneath it), came up
// slower than a click should. Does nothing while window is not on screen.
void PaintAtOnce(HWND window);
// PaintAtOnce's drawing: root and the windows in it that can print
// themselves, into dc (a memory device context at least as large as root's
// client area) at root's client origin. Returns the visible windows left to
// paint themselves.
std::vector<HWND> PrintTree(HWND root, HDC dc);

}  // namespace wylo::win
