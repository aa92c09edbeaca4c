#include "base/LocalTime.h"

namespace wylo {

std::optional<std::tm> ToLocalTime(std::time_t moment) {
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &moment) != 0) {
        return std::nullopt;
    }
#else
    if (!localtime_r(&moment, &local)) {
        return std::nullopt;
    }
#endif
    return local;
}

}  // namespace wylo
