#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/DateTime.h"

namespace wylo {

class ChannelSource;
class DesktopChange;
class Feedback;
class Platform;
struct Settings;

// What the schedule's one-second tick decides and shows, free of any timer
// and of the change itself: whether a change is due, and the text that
// names the desktop and the next change time.
class Scheduler {
public:
    // Everything passed in must outlive the object.
    Scheduler(const Platform& platform, const Settings& settings);

    bool IsChangeDue(DateTime now) const;
    // "Next Change : " and the time the schedule points at.
    std::string NextChangeText() const;
    // What each tick shows: the notice, or the desktop's name and the next
    // change time (the name alone while the schedule is off).
    std::string StatusText() const;

    // The name of what is on the desktop, shown in front of the next change
    // time ("Dunes - Next Change : ..."); empty shows the time alone.
    void SetDesktopName(std::string name) { desktopName_ = std::move(name); }
    // A problem the user should know about until it is solved; while set it
    // is shown instead of the next change time. Empty clears it.
    void SetNotice(std::string notice) { notice_ = std::move(notice); }
    const std::string& notice() const { return notice_; }
    // Why the last change put nothing, or not everything, on the desktop;
    // shown instead of the next change time until the next change works or
    // the user moves on (after a notice, which concerns all changes). Empty
    // clears it.
    void SetChangeProblem(std::string problem) { changeProblem_ = std::move(problem); }
    const std::string& changeProblem() const { return changeProblem_; }
    // "10:15:30": a time of day in the user's format, for the texts.
    std::string TimeText(DateTime time) const;

private:
    const Platform& platform_;
    const Settings& settings_;
    std::string desktopName_;
    std::string notice_;
    std::string changeProblem_;
};

// What a change came to.
struct ChangeReport {
    // A new desktop was handed on.
    bool installed = false;
    // Why the change installed nothing, or which monitors kept their
    // picture, in words a user can read; empty when every picture came.
    std::string problem;
};

// The reasons of the pictures a change could not have, one after another.
std::string MissingImagesText(const DesktopChange& change);

// The change the schedule makes: refreshes (or confirms) the control file of
// the channel at channelIndex in the directory, then changes the desktop to
// the next image by the rotation rule. A control file that cannot be fetched
// is said in the status line and the change goes on with the copy in the
// cache; without one nothing changes. Errors of the change (a file that
// cannot be written) reach the caller after the busy cursor is back.
// loaded, when given, runs once the control file is loaded, before the
// change (the monitors' own channels are made ready there).
ChangeReport RunScheduledChange(ChannelSource& channel, DesktopChange& change, Feedback& feedback,
                                std::int32_t channelIndex,
                                const std::function<void()>& loaded = {});

}  // namespace wylo
