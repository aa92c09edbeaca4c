#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "session/Session.h"
#include "support/PostedWork.h"

namespace wylo::bench {

// The window's side of a session run by a benchmark: what the session posts
// waits here to be run on the benchmark's thread; errors are printed.
class BenchObserver : public SessionObserver {
public:
    void RunSoon(std::function<void()> work) override { posted.Post(std::move(work)); }
    void SetStatus(const std::string&) override {}
    void ShowError(const std::string& message) override {
        std::fprintf(stderr, "error: %s\n", message.c_str());
    }

    // Runs what the session posts until done() holds; a session that never
    // gets there ends the benchmark.
    void RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::minutes(5)) {
        if (!posted.RunUntil(done, limit)) {
            std::fprintf(stderr, "the session did not finish its work\n");
            std::exit(2);
        }
    }
    void Settle(const Session& session) {
        RunUntil([&session] { return !session.busy(); });
    }

    test::PostedWork posted;
};

}  // namespace wylo::bench
