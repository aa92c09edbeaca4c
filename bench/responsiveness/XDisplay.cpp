#include "XDisplay.h"

#include <stdexcept>

#include <X11/Xlib.h>
#include <dlfcn.h>
#include <poll.h>
#include <unistd.h>

namespace wylo::bench {

FakeInput::FakeInput() {
    library_ = dlopen("libXtst.so.6", RTLD_NOW);
    if (!library_) {
        throw std::runtime_error("libXtst.so.6 is missing: apt-get install xdotool");
    }
    motion_ = reinterpret_cast<Motion>(dlsym(library_, "XTestFakeMotionEvent"));
    button_ = reinterpret_cast<Button>(dlsym(library_, "XTestFakeButtonEvent"));
    display_ = XOpenDisplay(nullptr);
    if (!motion_ || !button_ || !display_) {
        throw std::runtime_error("XTEST cannot be used on this display");
    }
}

FakeInput::~FakeInput() {
    if (display_) {
        XCloseDisplay(display_);
    }
    if (library_) {
        dlclose(library_);
    }
}

void FakeInput::MoveTo(int x, int y) {
    motion_(display_, -1, x, y, 0);
    XFlush(display_);
}

void FakeInput::LeftButton(bool down) {
    button_(display_, 1, down ? True : False, 0);
    XFlush(display_);
}

RootPixmapWatch::RootPixmapWatch() {
    display_ = XOpenDisplay(nullptr);
    if (!display_ || pipe(wake_) != 0) {
        throw std::runtime_error("the X display cannot be watched");
    }
    atom_ = XInternAtom(display_, "_XROOTPMAP_ID", False);
    XSelectInput(display_, DefaultRootWindow(display_), PropertyChangeMask);
    XSync(display_, False);
    thread_ = std::thread([this] { Run(); });
}

RootPixmapWatch::~RootPixmapWatch() {
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(wake_[1], &byte, 1);
    thread_.join();
    XCloseDisplay(display_);
    close(wake_[0]);
    close(wake_[1]);
}

void RootPixmapWatch::Run() {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            const BenchClock::time_point now = BenchClock::now();
            if (event.type == PropertyNotify && event.xproperty.atom == atom_ &&
                event.xproperty.state == PropertyNewValue) {
                {
                    const std::lock_guard lock(mutex_);
                    published_.push_back(now);
                }
                changed_.notify_all();
            }
        }
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
    }
}

std::size_t RootPixmapWatch::count() {
    const std::lock_guard lock(mutex_);
    return published_.size();
}

std::optional<BenchClock::time_point> RootPixmapWatch::WaitBeyond(std::size_t count,
                                                                  std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, limit, [&] { return published_.size() > count; })) {
        return std::nullopt;
    }
    return published_[count];
}

}  // namespace wylo::bench
