#include "schedule/ScheduleTick.h"

#include "base/Feedback.h"
#include "platform/Platform.h"
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
    if (!changeProblem_.empty()) {
        return changeProblem_;
    }
    if (!settings_.enableScheduler) {
        // No change is coming: a time would promise one.
        return desktopName_;
    }
    return desktopName_.empty() ? NextChangeText() : desktopName_ + " - " + NextChangeText();
}

std::string Scheduler::TimeText(DateTime time) const {
    return platform_.FormatLongTime(DecodeDateTime(time));
}

std::string MissingImagesText(const DesktopChange& change) {
    std::string text;
    for (const DesktopChange::MissingImage& missing : change.missingImages()) {
        if (text.find(missing.reason) != std::string::npos) {
            continue;  // the same picture on another monitor
        }
        text += (text.empty() ? "" : " ") + missing.reason;
    }
    return text;
}

ChangeReport RunScheduledChange(ChannelSource& channel, DesktopChange& change, Feedback& feedback,
                                std::int32_t channelIndex, const std::function<void()>& loaded) {
    const BusyScope busy(feedback);
    ChangeReport report;
    report.problem = channel.RefreshControlFile(channelIndex);
    if (!report.problem.empty()) {
        return report;
    }
    if (const std::string why = channel.LastDownloadError(); !why.empty()) {
        // The change goes on with the copy in the cache.
        feedback.SetStatus("Could not download the channel's control file: " + why);
    }
    if (channel.ImageCount() == 0) {
        const std::string name = channel.ChannelName();
        report.problem =
            "The channel " + (name.empty() ? std::string() : name + " ") + "lists no pictures.";
        return report;
    }
    if (loaded) {
        loaded();
    }
    report.installed = change.ChangeDesktop(-1);
    report.problem = MissingImagesText(change);
    return report;
}

}  // namespace wylo
