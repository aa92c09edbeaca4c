#include "schedule/FrequencyRange.h"

#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {

FrequencyRange FrequencyRangeFor(std::int32_t scheduleType) {
    switch (scheduleType) {
        case kScheduleMinutes:
            return {5, 59};
        case kScheduleHours:
            return {1, 23};
        case kScheduleDays:
            return {1, 6};
        case kScheduleWeeks:
            return {1, 3};
        case kScheduleMonths:
            return {1, 11};
        default:
            return {1, 9999};
    }
}

void PickScheduleUnit(Settings& settings, std::int32_t scheduleType) {
    const FrequencyRange range = FrequencyRangeFor(scheduleType);
    settings.scheduleType = scheduleType;
    settings.frequencyMin = range.minimum;
    settings.frequencyMax = range.maximum;
}

}  // namespace wylo
