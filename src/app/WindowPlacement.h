#pragma once

#include <QSize>

class QWidget;

namespace wylo::app {

// wanted, made no larger than available (each side on its own).
QSize FitInto(QSize wanted, QSize available);

// Opens window centred on the main monitor with the given size and minimum
// size, both made smaller where the monitor's available area (without panels
// and docks, and leaving room for the window frame) is smaller, so the whole
// window, status bar included, is on screen also at high scaling. Whenever
// the window moves to another screen, it is fitted to that screen again.
void PlaceOnMainMonitor(QWidget& window, QSize size, QSize minimum);

}  // namespace wylo::app
