#include "base/DateTime.h"

#include <cmath>
#include <cstdint>

namespace wylo {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool IsValidCivil(const CivilDateTime& c) {
    return c.year >= 1 && c.year <= 9999 && c.month >= 1 && c.month <= 12 && c.day >= 1 &&
           c.day <= DaysInMonth(c.year, c.month) && c.hour >= 0 && c.hour < 24 && c.minute >= 0 &&
           c.minute < 60 && c.second >= 0 && c.second < 60 && c.millisecond >= 0 &&
           c.millisecond < 1000;
}

DateTime EncodeDateTime(const CivilDateTime& c) {
    const auto days = static_cast<double>(
        DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) -
        kEpochOffset);
    const double time = (((c.hour * 60.0 + c.minute) * 60.0 + c.second) * 1000.0 + c.millisecond) /
                        (kSecondsPerDay * 1000.0);
    return days >= 0 ? days + time : days - time;
}

CivilDateTime DecodeDateTime(DateTime value) {
    CivilDateTime c;
    // Round to the millisecond first so that 0.99999999 becomes the next midnight.
    double days = std::trunc(value);
    double ms = std::round(std::fabs(value - days) * kSecondsPerDay * 1000.0);
    if (ms >= kSecondsPerDay * 1000.0) {
        ms -= kSecondsPerDay * 1000.0;
        days += value >= 0 ? 1 : -1;
    }
    CivilFromDays(static_cast<std::int64_t>(days) + kEpochOffset, c.year, c.month, c.day);
    auto total = static_cast<std::int64_t>(ms);
    c.millisecond = static_cast<int>(total % 1000);
    total /= 1000;
    c.second = static_cast<int>(total % 60);
    total /= 60;
    c.minute = static_cast<int>(total % 60);
    c.hour = static_cast<int>(total / 60);
    return c;
}

DateTime IncMonth(DateTime value, int months) {
    CivilDateTime c = DecodeDateTime(value);
    const int index = c.year * 12 + (c.month - 1) + months;
    c.year = index / 12;
    c.month = index % 12 + 1;
    if (c.day > DaysInMonth(c.year, c.month)) {
        c.day = DaysInMonth(c.year, c.month);
    }
    return EncodeDateTime(c);
}

bool IsMidnight(DateTime value) {
    const CivilDateTime c = DecodeDateTime(value);
    return c.hour == 0 && c.minute == 0 && c.second == 0 && c.millisecond == 0;
}

}  // namespace wylo
