#pragma once

#include <functional>

#include "desktop/MonitorMap.h"
#include "win32app/Controls.h"

namespace wylo::win {

// The scaled map of the monitors inside its host panel: one blue panel per
// monitor with its number in large white type, its resolution as the hint.
class MonitorMap : public Panel {
public:
    MonitorMap(HWND host, int id, Hints& hints);

    // Shows layout (in 100 % units) at dpi.
    void Show(const MonitorMapLayout& layout, UINT dpi, const Fonts& fonts);
    const MonitorMapLayout& layout() const { return layout_; }
    // A monitor panel's rectangle in the map's own pixels.
    RECT MonitorRect(std::size_t i) const;
    // The user clicked the panel of monitor (its place in the monitor list).
    std::function<void(int monitor)> onMonitorClick;
    bool PrintsItself() const override { return true; }

protected:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);

    Hints& hints_;
    MonitorMapLayout layout_;
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    UINT hintCount_ = 0;
};

}  // namespace wylo::win
