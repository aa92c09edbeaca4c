#pragma once

#include <QIcon>

namespace wylo::app {

// Wylo's own artwork, painted at whatever size and pixel ratio is asked for,
// so it stays sharp at every display scaling.

// The program's icon: a framed landscape under a sun.
QIcon ProgramIcon();

// The pictures of the page tabs, by picture number: 0 welcome (a globe),
// 1 channel list, 2 images (a framed picture), 3 news (a newspaper),
// 4 settings (a gear).
QIcon TabIcon(int picture);
inline constexpr int kTabIconCount = 5;

// The channel page's buttons.
QIcon RefreshIcon();
QIcon SubscribeIcon();
QIcon TermsIcon();
// The channel list's mark on the subscribed channel: a tick.
QIcon SubscribedMarkIcon();

}  // namespace wylo::app
