#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/Feedback.h"

namespace wylo {

// Feedback given on the worker thread and shown by the window: every call is
// posted to the window's thread, in order. Progress that comes faster than
// the window takes it is merged: the window gets the latest count.
class PostedFeedback : public Feedback {
public:
    // Runs a call on the window's thread; may be called from any thread.
    using Post = std::function<void(std::function<void()>)>;

    // target is called on the window's thread only.
    PostedFeedback(Feedback& target, Post post);

    void SetStatus(const std::string& text) override;
    void BusyBegin() override;
    void BusyEnd() override;
    void TransferBegin(std::int64_t expected) override;
    void TransferWork(std::int64_t count) override;
    void TransferEnd() override;

private:
    Feedback& target_;
    Post post_;
    // The latest progress count, and whether a call to show it is on its way.
    std::shared_ptr<std::atomic<std::int64_t>> latest_;
    std::shared_ptr<std::atomic<bool>> workPosted_;
};

}  // namespace wylo
