#pragma once

#include <cstdint>
#include <string>

namespace wylo {

// Progress of one HTTP transfer. Counts are 64-bit; a front end that shows
// them on a 32-bit bar takes the low 32 bits.
class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    virtual void TransferBegin(std::int64_t expected) = 0;
    virtual void TransferWork(std::int64_t count) = 0;
    virtual void TransferEnd() = 0;
    // Called every few tens of milliseconds while transfers run, also while
    // the network is silent, so that a front end can repaint, follow a resize
    // and notice that the user asked to close (and then cancel the
    // transfers). It must not start other work.
    virtual void TransferPulse() {}
};

// What the core tells the front end while it works: the status text, the
// progress of downloads and when to show the busy cursor. The front end lets
// pending paint and timer events run inside these calls, never user input.
class Feedback : public TransferObserver {
public:
    virtual void SetStatus(const std::string& text) = 0;
    virtual void BusyBegin() {}
    virtual void BusyEnd() {}
    void TransferBegin(std::int64_t) override {}
    void TransferWork(std::int64_t) override {}
    void TransferEnd() override {}
};

// Feedback that goes nowhere.
class SilentFeedback : public Feedback {
public:
    void SetStatus(const std::string&) override {}
};

// Restores the cursor on every path out of a busy block.
class BusyScope {
public:
    explicit BusyScope(Feedback& feedback) : feedback_(feedback) { feedback_.BusyBegin(); }
    ~BusyScope() { feedback_.BusyEnd(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Feedback& feedback_;
};

}  // namespace wylo
