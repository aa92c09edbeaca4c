#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/Colour.h"
#include "win32app/Window.h"

namespace wylo::win {

// The fonts of the window at one scaling.
struct Fonts {
    explicit Fonts(UINT dpi);
    UINT dpi;
    Font window;    // Tahoma 8 point
    Font italic;    // the same, italic
    Font title;     // the channel title over the subscribed pages, bold
    Font rowTitle;  // image titles in the images list, 14 point bold
    Font monitor;   // monitor numbers on the map, 32 point bold
    Font badge;     // the desktop mark in the images list, bold
    Font bold;      // the window's font, bold: the subscribed channel in the list
};

// A control's place at 100 % in its container; laid out again at every
// change of scaling.
struct Placed {
    HWND window;
    RECT base;
};
void Place(const Placed& placed, UINT dpi);

// A titled group of radio buttons with one index: -1 for none. onClick runs
// whenever its index changes, by the user or by the program, but not when it
// is given the index it already has.
class RadioGroup {
public:
    RadioGroup(HWND parent, int firstId, const wchar_t* title,
               const std::vector<std::wstring>& items);

    HWND box() const { return box_; }
    int itemIndex() const { return index_; }
    // Indexes below -1 become -1, those past the last item the last item.
    void SetItemIndex(int index);
    int count() const { return static_cast<int>(buttons_.size()); }
    HWND button(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }

    // Places the box at rect (100 % units) and spreads the buttons in it.
    void Layout(const RECT& rect, UINT dpi, const Fonts& fonts);
    // A command from one of the buttons; true when it was one.
    bool OnCommand(int id, int code);

    std::function<void()> onClick;

private:
    HWND box_;
    int firstId_;
    std::vector<HWND> buttons_;
    int index_ = -1;
};

// A panel showing one colour. A double-click (or Enter or Space while it has
// the focus) asks to change it; onColourChanged runs whenever the colour
// changes, by the user or by the program.
class ColourPanel : public Panel {
public:
    ColourPanel(HWND parent, int id);
    Colour colour() const { return colour_; }
    void SetColour(Colour colour);
    std::function<void()> onDoubleClick;
    std::function<void()> onColourChanged;
    bool PrintsItself() const override { return true; }

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    Colour colour_ = kBlack;
};

// A number box with up and down arrows whose allowed range can narrow
// without touching the value shown: the value comes into the range when the
// user steps it or leaves the box.
class SpinEdit {
public:
    SpinEdit(HWND parent, int editId, int arrowsId);
    HWND edit() const { return edit_; }
    HWND arrows() const { return arrows_; }

    void SetAllowedRange(int minimum, int maximum);
    int allowedMinimum() const { return min_; }
    int allowedMaximum() const { return max_; }
    // The number shown; the lowest allowed value when the text is no number.
    int value() const;
    // Shows value brought into the allowed range.
    void SetClampedValue(int value);
    // Steps the value as an arrow does.
    void Step(int steps);
    // The user left the box.
    void BringIntoRange();

    // Handles the arrows' notification; true when it was theirs.
    bool OnNotify(const NMHDR& header, LRESULT& result);

private:
    HWND edit_;
    HWND arrows_;
    int min_ = 1;
    int max_ = 9999;
};

// Hints that show when the pointer rests on a control. The pointer's
// messages reach them through RelayToHints from the message loop, not by
// subclassing each control: under Wine a subclassed control costs calls to
// its server at every message it gets, painting included.
class Hints {
public:
    explicit Hints(HWND owner);
    ~Hints();
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;
    void Add(HWND control, const std::wstring& text);
    // Gives control this hint, replacing the one it had.
    void Set(HWND control, const std::wstring& text);
    // A hint for a rectangle of a window, replacing the window's earlier ones.
    void AddArea(HWND window, UINT id, const RECT& area, const std::wstring& text);
    void Clear(HWND window, UINT count);
    // The hint given for control; empty when none.
    std::wstring HintOf(HWND control) const;
    HWND window() const { return tip_; }
    // Whether window is a control or area window with a hint here.
    bool Covers(HWND window) const;

private:
    HWND tip_;
    std::vector<std::pair<HWND, std::wstring>> hints_;
    std::vector<HWND> areaWindows_;
};

// Hands a mouse message on to the hints of the window it is for; the message
// loop calls this for every message it takes.
void RelayToHints(const MSG& message);

}  // namespace wylo::win

namespace wylo::win {

// A page of a tab control inside the settings page: its controls report to
// the settings page.
class Sheet : public Panel {
public:
    Sheet(HWND parent, int id) {
        CreatePanel(parent, id);
        MakeContainer(hwnd());
    }
    bool PrintsItself() const override { return true; }
};

// A panel with a lowered inner bevel: the monitor map's host.
class BevelPanel : public Panel {
public:
    BevelPanel(HWND parent, int id) { CreatePanel(parent, id, WS_VISIBLE); }
    bool PrintsItself() const override { return true; }

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            Paint(BeginPaint(hwnd(), &ps));
            EndPaint(hwnd(), &ps);
            return 0;
        }
        if (message == WM_PRINTCLIENT) {
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        }
        return Default(message, wParam, lParam);
    }

private:
    void Paint(HDC dc) {
        RECT r;
        GetClientRect(hwnd(), &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, BDR_SUNKENINNER, BF_RECT);
    }
};

}  // namespace wylo::win
