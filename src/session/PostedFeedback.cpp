#include "session/PostedFeedback.h"

#include <utility>

namespace wylo {

PostedFeedback::PostedFeedback(Feedback& target, Post post)
    : target_(target),
      post_(std::move(post)),
      latest_(std::make_shared<std::atomic<std::int64_t>>(0)),
      workPosted_(std::make_shared<std::atomic<bool>>(false)) {}

void PostedFeedback::SetStatus(const std::string& text) {
    post_([&target = target_, text] { target.SetStatus(text); });
}

void PostedFeedback::BusyBegin() {
    post_([&target = target_] { target.BusyBegin(); });
}

void PostedFeedback::BusyEnd() {
    post_([&target = target_] { target.BusyEnd(); });
}

void PostedFeedback::TransferBegin(std::int64_t expected) {
    post_([&target = target_, expected] { target.TransferBegin(expected); });
}

void PostedFeedback::TransferWork(std::int64_t count) {
    latest_->store(count);
    if (workPosted_->exchange(true)) {
        return;  // the call on its way shows this count too
    }
    post_([&target = target_, latest = latest_, posted = workPosted_] {
        posted->store(false);
        target.TransferWork(latest->load());
    });
}

void PostedFeedback::TransferEnd() {
    post_([&target = target_] { target.TransferEnd(); });
}

}  // namespace wylo
