#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/DateTime.h"
#include "platform/Platform.h"

namespace wylo {

// The date in the user's short date format, a blank and the time in the
// user's long time format; only the date when the time is exactly midnight
// to the second.
std::string FormatDateTimeText(const Platform& platform, DateTime value);

// Reads a date-time text in the user's current formats; failing that, as
// ISO 8601 "YYYY-MM-DDTHH:MM:SS" (a blank may stand for the "T") or
// "YYYY-MM-DD", so a text written under other regional settings or by another
// tool still counts. Nothing when neither reading gives a valid date.
std::optional<DateTime> ParseDateTimeText(const Platform& platform, std::string_view text);

// The ISO 8601 reading alone.
std::optional<DateTime> ParseIsoDateTime(std::string_view text);

}  // namespace wylo
