#pragma once

#include <cstdint>
#include <memory>

#include "win32app/Controls.h"
#include "win32app/Window.h"

namespace wylo::win {

// The bar along the bottom of the window: the "Change Now", "Previous" and
// "Next" buttons, which take no keyboard focus, the centred status text and
// the download progress. The text keeps room for the usual status; the
// progress bar takes what is left, up to its full width. A text still too
// long keeps its end, and the text's hint shows all of it.
class StatusBar : public Panel {
public:
    static constexpr int kChangeNowId = 1001;
    static constexpr int kPreviousId = 1002;
    static constexpr int kNextId = 1003;
    static constexpr int kHeight = 20;

    StatusBar(HWND parent, int id);

    // Places the bar at the bottom of a client area of width at dpi.
    void Layout(int top, int width, UINT dpi, const Font& font);
    // The text the status keeps room for at any width that allows it.
    void SetRoomFor(const std::wstring& usual) { usual_ = usual; }

    void SetStatus(const std::wstring& text);
    std::string status() const { return WindowText(lStatus); }
    // The status as the label shows it: whole and centred, or, when it is too
    // long, its end after an ellipsis.
    std::wstring ShownStatus() const;

    // The progress of one transfer; an unknown length shows work going on.
    void TransferBegin(std::int64_t expected);
    void TransferWork(std::int64_t count);
    void TransferEnd();
    int progressMaximum() const { return maximum_; }

    // Whether there is a wallpaper of the history to go back or forward to.
    void SetHistory(bool canGoBack, bool canGoForward);

    HWND sbChangeNow = nullptr;
    HWND sbPrevious = nullptr;
    HWND sbNext = nullptr;
    HWND lStatus = nullptr;
    HWND pbHTTPProgress = nullptr;
    std::unique_ptr<Hints> hints;

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetMarquee(bool on);
    void DrawStatus(const DRAWITEMSTRUCT& item) const;
    int maximum_ = 100;
    std::wstring usual_;
};

// The progress bar takes the low 32 bits of the counts.
int Low32(std::int64_t count);

}  // namespace wylo::win
