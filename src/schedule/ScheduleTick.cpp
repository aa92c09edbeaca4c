#include "schedule/ScheduleTick.h"

#include "base/Feedback.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {

Scheduler::Scheduler(const Platform& platform, const Settings& settings)
    : platform_(platform), settings_(settings) {}

bool Scheduler::IsChangeDue(DateTime now) const {
    return wylo::IsChangeDue(now, settings_.lastChange, settings_.scheduleType,
                             settings_.scheduleFrequency);
}

std::string Scheduler::NextChangeText() const {
    return wylo::NextChangeText(platform_, settings_.lastChange, settings_.scheduleType,
                                settings_.scheduleFrequency);
}

std::string Scheduler::StatusText() const {
    if (!notice_.empty()) {
        return notice_;
    }
    if (!settings_.enableScheduler) {
        // No change is coming: a time would promise one.
        return desktopName_;
    }
    return desktopName_.empty() ? NextChangeText() : desktopName_ + " - " + NextChangeText();
}

void RunScheduledChange(ChannelSource& channel, DesktopChange& change, Feedback& feedback,
                        std::int32_t channelIndex) {
    const BusyScope busy(feedback);
    channel.RefreshControlFile(channelIndex);
    if (const std::string why = channel.LastDownloadError(); !why.empty()) {
        // The change goes on with the copy in the cache, if there is one.
        feedback.SetStatus("Could not download the channel's control file: " + why);
    }
    change.ChangeDesktop(-1);
}

}  // namespace wylo
