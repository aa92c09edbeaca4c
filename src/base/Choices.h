#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace wylo {

// Which monitors get an image at a change. Same, Different, Single and Span
// (one picture across all screens) are the user's choices; with fewer than
// two monitors, or no choice made (None), a change shows one image on the
// primary monitor (One).
enum class MultiScreen : std::int8_t { None, One, Same, Different, Single, Span };

// The user's choices in the order the settings and the choice list number
// them: 0 Same, 1 Different, 2 Single, 3 Span; anything else is None (-1).
MultiScreen MultiScreenChoice(std::int32_t position);
std::int32_t MultiScreenChoicePosition(MultiScreen choice);

// The mode a change runs in for a monitor count and the user's choice.
MultiScreen MultiScreenMode(std::size_t monitorCount, MultiScreen choice);

// Units of the schedule's period, in the order of the unit list; None when
// no unit is chosen.
enum class ScheduleUnit : std::int8_t { None = -1, Minutes, Hours, Days, Weeks, Months, Years };
constexpr int kScheduleUnitCount = 6;

// The unit at a position of the unit list; None outside it.
ScheduleUnit ScheduleUnitAt(std::int32_t position);
// The unit's position in the list; -1 for None.
constexpr std::int32_t ScheduleUnitPosition(ScheduleUnit unit) {
    return static_cast<std::int32_t>(unit);
}

// How an image sits on its monitor, in the order of the placement groups:
// fitted and centred on its background (the long-standing rule), repeated
// from the monitor's top-left corner, stretched to the monitor's size, or
// filling the monitor at a percentage of the size that just covers it.
enum class PlacementMode : std::int8_t { Center, Tile, Stretch, Zoom };
constexpr int kPlacementModeCount = 4;

// The mode at a position of a placement group; nothing outside it.
std::optional<PlacementMode> PlacementModeAt(std::int32_t position);
constexpr std::int32_t PlacementModePosition(PlacementMode mode) {
    return static_cast<std::int32_t>(mode);
}

// The percentages the zoom lists offer; 100 is the size that just covers
// the monitor.
inline constexpr std::int32_t kZoomPercentages[] = {10, 20, 50, 100, 110, 120, 150, 175, 200};
inline constexpr std::int32_t kDefaultZoom = 100;
bool IsZoomPercentage(std::int32_t percent);

// One multi-screen page's placement choice.
struct ImagePlacement {
    PlacementMode mode = PlacementMode::Center;
    std::int32_t zoom = kDefaultZoom;
    friend bool operator==(const ImagePlacement&, const ImagePlacement&) = default;
};

}  // namespace wylo
