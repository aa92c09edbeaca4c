#pragma once

#include "base/DateTime.h"

namespace wylo {

// The source of "now". Replaceable, so that the schedule and the cache's
// freshness rules are tested without waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time.
    virtual DateTime Now() const = 0;

    // The machine's clock.
    static const Clock& System();
};

// A clock that stands still until told otherwise.
class ManualClock : public Clock {
public:
    explicit ManualClock(DateTime now = 0) : now_(now) {}
    DateTime Now() const override { return now_; }
    void Set(DateTime now) { now_ = now; }
    void Advance(double days) { now_ += days; }

private:
    DateTime now_;
};

}  // namespace wylo
