#pragma once

#include <ctime>
#include <optional>

namespace wylo {

// The broken-down local time of a moment, as the system's time zone rules
// give it; nothing when the system cannot convert it.
std::optional<std::tm> ToLocalTime(std::time_t moment);

}  // namespace wylo
