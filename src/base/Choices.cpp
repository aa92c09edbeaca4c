#include "base/Choices.h"

#include <algorithm>
#include <iterator>

namespace wylo {

MultiScreen MultiScreenChoice(std::int32_t position) {
    switch (position) {
        case 0:
            return MultiScreen::Same;
        case 1:
            return MultiScreen::Different;
        case 2:
            return MultiScreen::Single;
        case 3:
            return MultiScreen::Span;
        default:
            return MultiScreen::None;
    }
}

std::int32_t MultiScreenChoicePosition(MultiScreen choice) {
    switch (choice) {
        case MultiScreen::Same:
            return 0;
        case MultiScreen::Different:
            return 1;
        case MultiScreen::Single:
            return 2;
        case MultiScreen::Span:
            return 3;
        case MultiScreen::None:
        case MultiScreen::One:
            break;
    }
    return -1;
}

MultiScreen MultiScreenMode(std::size_t monitorCount, MultiScreen choice) {
    if (monitorCount <= 1 || choice == MultiScreen::None) {
        return MultiScreen::One;
    }
    return choice;
}

ScheduleUnit ScheduleUnitAt(std::int32_t position) {
    if (position < 0 || position >= kScheduleUnitCount) {
        return ScheduleUnit::None;
    }
    return static_cast<ScheduleUnit>(position);
}

std::optional<PlacementMode> PlacementModeAt(std::int32_t position) {
    if (position < 0 || position >= kPlacementModeCount) {
        return std::nullopt;
    }
    return static_cast<PlacementMode>(position);
}

bool IsZoomPercentage(std::int32_t percent) {
    return std::find(std::begin(kZoomPercentages), std::end(kZoomPercentages), percent) !=
           std::end(kZoomPercentages);
}

}  // namespace wylo
