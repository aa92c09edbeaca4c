#pragma once

#include <optional>

#include "base/DateTime.h"

namespace wylo {

// When to try again after a fetch failed: 30 seconds after the first
// failure, then twice as long after each further one, never more than 15
// minutes apart, so a host that comes back is reached soon without asking an
// absent one every second.
class RetryBackoff {
public:
    static constexpr int kFirstDelaySeconds = 30;
    static constexpr int kLongestDelaySeconds = 15 * 60;

    // The fetch failed at now: the next try is due after the next delay.
    void Failed(DateTime now);
    // The fetch worked: no try is due any more, and the next failure starts
    // again with the first delay.
    void Succeeded();

    bool pending() const { return dueAt_.has_value(); }
    bool IsDue(DateTime now) const { return dueAt_ && now >= *dueAt_; }
    // When the next try is due; only while pending.
    DateTime dueAt() const { return dueAt_.value_or(0); }
    // The wait before the try that is now pending.
    int delaySeconds() const { return delaySeconds_; }

private:
    std::optional<DateTime> dueAt_;
    int delaySeconds_ = 0;
};

}  // namespace wylo
