#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "Responsiveness.h"

struct _XDisplay;  // Xlib's Display

namespace wylo::bench {

// Pointer input through the X server's XTEST extension, from a connection
// of its own, as a user's would come, whatever the window's thread is doing.
// The library (the one xdotool uses) is loaded at run time, so the build
// needs no headers of it. Throws std::runtime_error when it cannot be used.
class FakeInput {
public:
    FakeInput();
    ~FakeInput();
    FakeInput(const FakeInput&) = delete;
    FakeInput& operator=(const FakeInput&) = delete;

    void MoveTo(int x, int y);
    void LeftButton(bool down);

private:
    using Motion = int (*)(_XDisplay*, int, int, int, unsigned long);
    using Button = int (*)(_XDisplay*, unsigned, int, unsigned long);
    void* library_ = nullptr;
    Motion motion_ = nullptr;
    Button button_ = nullptr;
    _XDisplay* display_ = nullptr;
};

// Notes the moment each new root pixmap is published in _XROOTPMAP_ID, as
// every wallpaper setter of the X root does once the picture is in the
// server, from a connection and a thread of its own.
class RootPixmapWatch {
public:
    RootPixmapWatch();
    ~RootPixmapWatch();
    RootPixmapWatch(const RootPixmapWatch&) = delete;
    RootPixmapWatch& operator=(const RootPixmapWatch&) = delete;

    std::size_t count();
    // When the publication after the first count ones came; nothing when it
    // did not come within limit.
    std::optional<BenchClock::time_point> WaitBeyond(std::size_t count,
                                                     std::chrono::milliseconds limit);

private:
    void Run();

    _XDisplay* display_ = nullptr;
    unsigned long atom_ = 0;
    int wake_[2] = {-1, -1};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<BenchClock::time_point> published_;
    std::thread thread_;
};

}  // namespace wylo::bench
