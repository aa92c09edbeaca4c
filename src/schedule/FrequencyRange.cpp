#include "schedule/FrequencyRange.h"

#include "schedule/Schedule.h"
#include "settings/Settings.h"

namespace wylo {

FrequencyRange FrequencyRangeFor(ScheduleUnit unit) {
    switch (unit) {
        case ScheduleUnit::Minutes:
            return {5, 59};
        case ScheduleUnit::Hours:
            return {1, 23};
        case ScheduleUnit::Days:
            return {1, 6};
        case ScheduleUnit::Weeks:
            return {1, 3};
        case ScheduleUnit::Months:
            return {1, 11};
        default:
            return {1, 9999};
    }
}

void PickScheduleUnit(Settings& settings, ScheduleUnit unit) {
    const FrequencyRange range = FrequencyRangeFor(unit);
    settings.scheduleType = unit;
    settings.frequencyMin = range.minimum;
    settings.frequencyMax = range.maximum;
}

}  // namespace wylo
