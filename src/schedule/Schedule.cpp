#include "schedule/Schedule.h"

#include <algorithm>
#include <cmath>

#include "settings/DateTimeText.h"

namespace wylo {
namespace {

constexpr double kDaysPerMonth = 30.4375;
constexpr double kDaysPerYear = 365.25;

// The last moment a date text can show; later times would not format.
DateTime LastMoment(int hour = 23, int minute = 59, int second = 59, int millisecond = 999) {
    return EncodeDateTime({9999, 12, 31, hour, minute, second, millisecond});
}

DateTime AddMonths(DateTime value, std::int64_t months) {
    const CivilDateTime c = DecodeDateTime(value);
    const std::int64_t index = static_cast<std::int64_t>(c.year) * 12 + (c.month - 1) + months;
    if (index > 9999LL * 12 + 11) {
        return LastMoment(c.hour, c.minute, c.second, c.millisecond);
    }
    return IncMonth(value, static_cast<int>(months));
}

}  // namespace

double ElapsedScheduleUnits(DateTime now, DateTime lastChange, ScheduleUnit unit) {
    const double elapsed = std::fabs(now - lastChange);
    double units = 0;
    switch (unit) {
        case ScheduleUnit::Minutes:
            units = elapsed * kMinutesPerDay;
            break;
        case ScheduleUnit::Hours:
            units = elapsed * 24.0;
            break;
        case ScheduleUnit::Days:
            units = elapsed;
            break;
        case ScheduleUnit::Weeks:
            units = elapsed / 7.0;
            break;
        case ScheduleUnit::Months:
            units = elapsed / kDaysPerMonth;
            break;
        case ScheduleUnit::Years:
            units = elapsed / kDaysPerYear;
            break;
        default:
            return 0;
    }
    // Each step above already rounds to a double; only the cut is left.
    return std::trunc(units);
}

bool IsChangeDue(DateTime now, DateTime lastChange, ScheduleUnit unit, std::int32_t frequency) {
    return ElapsedScheduleUnits(now, lastChange, unit) >= static_cast<double>(frequency);
}

DateTime NextChangeTime(DateTime lastChange, ScheduleUnit unit, std::int32_t frequency) {
    const double n = frequency;
    DateTime next = lastChange;
    switch (unit) {
        case ScheduleUnit::Minutes:
            next = lastChange + n / kMinutesPerDay;
            break;
        case ScheduleUnit::Days:
            next = lastChange + n;
            break;
        case ScheduleUnit::Weeks:
            next = lastChange + 7.0 * n;
            break;
        case ScheduleUnit::Months:
            next = AddMonths(lastChange, frequency);
            break;
        case ScheduleUnit::Years:
            next = AddMonths(lastChange, 12LL * frequency);
            break;
        default:
            next = lastChange + n / 24.0;
            break;
    }
    return std::min(next, LastMoment());
}

std::string NextChangeText(const Platform& platform, DateTime lastChange, ScheduleUnit unit,
                           std::int32_t frequency) {
    return "Next Change : " +
           FormatDateTimeText(platform, NextChangeTime(lastChange, unit, frequency));
}

}  // namespace wylo
