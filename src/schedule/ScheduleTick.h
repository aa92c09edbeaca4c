#pragma once

#include <functional>
#include <string>

#include "base/DateTime.h"

namespace wylo {

class ChannelSource;
class DesktopChange;
class Feedback;
class Platform;
struct Settings;

// The logic of the schedule's one-second tick, free of any timer: the front
// end stops its timer around Tick and skips a tick while a change runs.
class Scheduler {
public:
    // Everything passed in must outlive the object.
    Scheduler(const Platform& platform, Settings& settings, Feedback& feedback,
              ChannelSource& channel, DesktopChange& change);

    // Set by "Change Now": the next tick changes the desktop whatever the
    // schedule says.
    bool forceChange = false;
    // Called after the control file was refreshed, so the front end can refill
    // the pages of the subscribed channel.
    std::function<void()> showSubscribedChannel;
    // The name of what is on the desktop, shown in front of the next change
    // time ("Dunes - Next Change : ..."); empty shows the time alone.
    std::string desktopName;
    // A problem the user should know about until it is solved; while set it
    // is shown instead of the next change time.
    std::string notice;

    bool IsChangeDue(DateTime now) const;
    // "Next Change : " and the time the schedule points at.
    std::string NextChangeText() const;
    // What each tick shows: the notice, or the desktop's name and the next
    // change time (the name alone while the schedule is off).
    std::string StatusText() const;
    void ShowNextChange();

    // Shows the next change time; when a change is due or forced, moves the
    // last change to now, refreshes the subscribed channel's control file and
    // changes the desktop to the next image. True when a change ran. While no
    // channel is subscribed nothing changes and the last change stays, so the
    // first tick after subscribing changes the desktop. An error of the change
    // reaches the caller after the busy cursor is back; the last change has
    // moved by then, so a failing change is not retried every second.
    bool Tick(DateTime now);

private:
    const Platform& platform_;
    Settings& settings_;
    Feedback& feedback_;
    ChannelSource& channel_;
    DesktopChange& change_;
};

}  // namespace wylo
