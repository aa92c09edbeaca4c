#include "base/Clock.h"

#include <chrono>
#include <ctime>

#include "base/LocalTime.h"

namespace wylo {
namespace {

class SystemClock : public Clock {
public:
    DateTime Now() const override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
        const std::tm local = ToLocalTime(seconds).value_or(std::tm{});
        CivilDateTime c{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,       local.tm_hour,
                        local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
        if (c.second > 59) {  // a leap second
            c.second = 59;
        }
        return EncodeDateTime(c);
    }
};

}  // namespace

const Clock& Clock::System() {
    static const SystemClock clock;
    return clock;
}

}  // namespace wylo
