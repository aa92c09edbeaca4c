#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Choices.h"
#include "base/Colour.h"
#include "base/DateTime.h"

namespace wylo {

// Every user setting and the three fields the settings file keeps. The front
// end shows these values in its controls and writes the user's changes back,
// so this struct is the one place the core reads them from. The initial
// values are those of a fresh start before the settings file is read.
struct Settings {
    // Position of the subscribed channel in the channel directory; -1 none.
    // 0 until the settings are read. One of the user's own channels is at
    // kOwnChannelBase and on, and the file keeps it by its address instead.
    std::int32_t currentChannel = 0;
    // The address (or folder) of the subscribed own channel; empty when the
    // subscription is a directory channel's.
    std::string ownChannel;
    // Index of the image shown last.
    std::int32_t currentImage = 0;
    // When the last change started.
    DateTime lastChange = 0;

    MultiScreen multiScreenOpt = MultiScreen::Same;
    bool iconTransparency = true;
    bool randomOrder = true;
    // Entry of the single-monitor list; -1 none.
    std::int32_t activeSingleMonitor = 0;
    bool enableScheduler = true;
    ScheduleUnit scheduleType = ScheduleUnit::Hours;
    std::int32_t scheduleFrequency = 1;
    // Allowed range of the frequency; picking a unit narrows it.
    std::int32_t frequencyMin = 1;
    std::int32_t frequencyMax = 9999;
    Colour bgColour = kBlack;
    Colour fgColour = kWhite;

    // How images sit on their monitors, one choice per multi-screen page.
    // With one monitor, or no multi-screen choice, the "Same" choice holds.
    ImagePlacement placementSame;
    ImagePlacement placementDifferent;
    ImagePlacement placementSingle;
    // One picture across all screens: how it sits in the monitors' bounding
    // box.
    ImagePlacement placementSpan;
    // In "Different Image On Each Screen" a monitor may show the pictures of
    // a channel of its own instead of the subscribed one's: by monitor, in
    // the order of the monitor list. A monitor beyond the list, or one with
    // no channel named, shows the subscribed channel.
    struct MonitorChannel {
        // The channel: a directory channel's id, or one of the user's own
        // channels by its address or folder, as the subscription to one is
        // kept; empty: the subscribed channel.
        std::string channel;
        // The image of that channel the monitor showed last.
        std::int32_t currentImage = -1;
        friend bool operator==(const MonitorChannel&, const MonitorChannel&) = default;
    };
    std::vector<MonitorChannel> monitorChannels;
    static constexpr std::size_t kMaxMonitorChannels = 16;
    // The channel monitor shows in that mode; empty for the subscribed one.
    std::string MonitorChannelOf(std::size_t monitor) const {
        return monitor < monitorChannels.size() ? monitorChannels[monitor].channel : std::string();
    }
    // Monitor's entry, made (for the subscribed channel) when it has none.
    MonitorChannel& MonitorChannelEntry(std::size_t monitor) {
        if (monitorChannels.size() <= monitor) {
            monitorChannels.resize(monitor + 1);
        }
        return monitorChannels[monitor];
    }

    // Scaled images are smoothed rather than drawn nearest-pixel.
    bool smoothScaling = false;
    // The cache is kept within this many bytes by removing the pictures
    // shown least recently; the file keeps it in megabytes.
    std::uint64_t cacheLimit = kDefaultCacheLimit;
    static constexpr std::uint64_t kMegabyte = 1024 * 1024;
    static constexpr std::uint64_t kDefaultCacheLimit = 1024 * kMegabyte;
    // What the settings page lets the user choose, in megabytes: less would
    // refuse most photographs (a picture may take a quarter of the limit).
    static constexpr std::int32_t kMinCacheLimitMegabytes = 50;
    static constexpr std::int32_t kMaxCacheLimitMegabytes = 1024 * 1024;

    ImagePlacement& PlacementFor(MultiScreen mode) {
        switch (mode) {
            case MultiScreen::Different:
                return placementDifferent;
            case MultiScreen::Single:
                return placementSingle;
            case MultiScreen::Span:
                return placementSpan;
            default:
                return placementSame;
        }
    }
    const ImagePlacement& PlacementFor(MultiScreen mode) const {
        return const_cast<Settings*>(this)->PlacementFor(mode);
    }

    // Not kept in the file: ticked at every start.
    bool bgOverride = true;
    bool iconTextOverride = true;
};

}  // namespace wylo
