#include "session/RetryBackoff.h"

#include <algorithm>

namespace wylo {

void RetryBackoff::Failed(DateTime now) {
    delaySeconds_ =
        delaySeconds_ == 0 ? kFirstDelaySeconds : std::min(delaySeconds_ * 2, kLongestDelaySeconds);
    dueAt_ = now + delaySeconds_ / kSecondsPerDay;
}

void RetryBackoff::Succeeded() {
    dueAt_.reset();
    delaySeconds_ = 0;
}

}  // namespace wylo
