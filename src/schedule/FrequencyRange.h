#pragma once

#include <cstdint>

#include "base/Choices.h"

namespace wylo {

struct Settings;

// The frequencies the schedule allows for a unit: 5..59 minutes, 1..23 hours,
// 1..6 days, 1..3 weeks, 1..11 months, 1..9999 years. A unit outside the list
// allows 1..9999.
struct FrequencyRange {
    std::int32_t minimum = 1;
    std::int32_t maximum = 9999;
    friend bool operator==(const FrequencyRange&, const FrequencyRange&) = default;
};
FrequencyRange FrequencyRangeFor(ScheduleUnit unit);

// The user picked a unit: it becomes the schedule's unit and narrows the
// allowed frequencies. The frequency itself is left as it is; the control
// showing it brings it into the range when the user next steps it or leaves
// it.
void PickScheduleUnit(Settings& settings, ScheduleUnit unit);

}  // namespace wylo
