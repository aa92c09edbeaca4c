#pragma once

namespace wylo {

// A local date and time as a day count since 30 December 1899 00:00, the time
// of day being the fraction. For days before that date the fraction still
// counts forward from midnight (-1.25 is 29 December 1899, 06:00).
using DateTime = double;

struct CivilDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

constexpr double kMinutesPerDay = 1440.0;
constexpr double kSecondsPerDay = 86400.0;

bool IsValidCivil(const CivilDateTime& civil);
// Precondition: IsValidCivil(civil).
DateTime EncodeDateTime(const CivilDateTime& civil);
CivilDateTime DecodeDateTime(DateTime value);

int DaysInMonth(int year, int month);

// Adds calendar months, cutting the day to the last day of a shorter month and
// keeping the time of day (31 January + 1 month = 28 or 29 February).
DateTime IncMonth(DateTime value, int months);

// True when the time of day is exactly midnight.
bool IsMidnight(DateTime value);

}  // namespace wylo
