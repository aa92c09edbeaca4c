#pragma once

#include <cstdint>
#include <string>

#include "base/Choices.h"
#include "base/DateTime.h"

namespace wylo {

class Platform;

// Whole periods of the unit between two moments, in either direction: the
// distance in days is converted to the unit (months and years as 30.4375 and
// 365.25 days), rounded to a double and cut toward zero. No unit counts 0.
double ElapsedScheduleUnits(DateTime now, DateTime lastChange, ScheduleUnit unit);

// True when at least frequency whole units lie between lastChange and now.
// A last change in the future counts too (the clock was set back).
bool IsChangeDue(DateTime now, DateTime lastChange, ScheduleUnit unit, std::int32_t frequency);

// lastChange advanced by frequency units: minutes and hours as fractions of a
// day, days and weeks as whole days, months and years by the calendar (the day
// cut to a shorter month's last day, the time kept). No unit means hours.
// Never later than the last moment of the year 9999.
DateTime NextChangeTime(DateTime lastChange, ScheduleUnit unit, std::int32_t frequency);

// "Next Change : " followed by the next change time in the user's short date
// and long time formats.
std::string NextChangeText(const Platform& platform, DateTime lastChange, ScheduleUnit unit,
                           std::int32_t frequency);

}  // namespace wylo
