#include "schedule/ScheduleTick.h"

#include "base/Feedback.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {

Scheduler::Scheduler(const Platform& platform, Settings& settings, Feedback& feedback,
                     ChannelSource& channel, DesktopChange& change)
    : platform_(platform),
      settings_(settings),
      feedback_(feedback),
      channel_(channel),
      change_(change) {}

bool Scheduler::IsChangeDue(DateTime now) const {
    return wylo::IsChangeDue(now, settings_.lastChange, settings_.scheduleType,
                             settings_.scheduleFrequency);
}

std::string Scheduler::NextChangeText() const {
    return wylo::NextChangeText(platform_, settings_.lastChange, settings_.scheduleType,
                                settings_.scheduleFrequency);
}

std::string Scheduler::StatusText() const {
    if (!notice.empty()) {
        return notice;
    }
    if (!settings_.enableScheduler) {
        // No change is coming: a time would promise one.
        return desktopName;
    }
    return desktopName.empty() ? NextChangeText() : desktopName + " - " + NextChangeText();
}

void Scheduler::ShowNextChange() {
    feedback_.SetStatus(StatusText());
}

bool Scheduler::Tick(DateTime now) {
    ShowNextChange();
    if (!forceChange && !IsChangeDue(now)) {
        return false;
    }
    if (settings_.currentChannel < 0) {
        // Nothing to show yet: keep the user's own wallpaper rather than a
        // plain colour, and keep the change due for the first subscription.
        forceChange = false;
        return false;
    }
    settings_.lastChange = now;
    forceChange = false;
    const BusyScope busy(feedback_);
    channel_.RefreshControlFile(settings_.currentChannel);
    if (const std::string why = channel_.LastDownloadError(); !why.empty()) {
        // The change goes on with the copy in the cache, if there is one.
        feedback_.SetStatus("Could not download the channel's control file: " + why);
    }
    if (showSubscribedChannel) {
        showSubscribedChannel();
    }
    change_.ChangeDesktop(-1);
    return true;
}

}  // namespace wylo
