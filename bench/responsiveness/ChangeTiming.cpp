#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

#include "Responsiveness.h"
#include "XDisplay.h"
#include "base/Clock.h"
#include "platform/AppFolder.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "session/Session.h"
#include "settings/SettingsFile.h"

extern char** environ;

namespace wylo::bench {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

// The window's part without a window: runs what the session posts back, in
// order, on the thread that drives the session, and notes when it reports
// the desktop.
class EventLoop : public SessionObserver {
public:
    void SetStatus(const std::string&) override {}
    void ShowError(const std::string& message) override {
        std::fprintf(stderr, "Wylo reported: %s\n", message.c_str());
    }
    void DesktopImagesChanged(const DesktopImages& shown) override {
        reportedAt_ = BenchClock::now();
        shown_ = shown;
        ++reports_;
    }
    void RunSoon(std::function<void()> work) override {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(work));
        }
        posted_.notify_one();
    }

    // Runs what was posted until done holds; false when limit passed first.
    bool RunUntil(const std::function<bool()>& done, milliseconds limit) {
        const BenchClock::time_point deadline = BenchClock::now() + limit;
        while (!done()) {
            std::function<void()> work;
            {
                std::unique_lock lock(mutex_);
                if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
                    return done();
                }
                work = std::move(queue_.front());
                queue_.pop_front();
            }
            work();
        }
        return true;
    }

    int reports() const { return reports_; }
    BenchClock::time_point reportedAt() const { return reportedAt_; }
    const DesktopImages& shown() const { return shown_; }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    int reports_ = 0;
    BenchClock::time_point reportedAt_;
    DesktopImages shown_;
};

struct WyloTimes {
    double root = 0;
    double report = 0;
};

struct XwallpaperTimes {
    double exit = 0;
    double root = 0;
};

// "Change Now", to the new pixmap on the root and to the session's report
// of the new desktop; then the rest of the job (the images list) is let end.
WyloTimes ChangeNow(Session& session, EventLoop& loop, RootPixmapWatch& watch) {
    const std::size_t published = watch.count();
    const int reports = loop.reports();
    const BenchClock::time_point asked = BenchClock::now();
    session.ChangeNow();
    if (!loop.RunUntil([&] { return loop.reports() > reports; }, seconds(30))) {
        throw std::runtime_error("Change Now reported no new desktop within 30 s");
    }
    const auto shown = watch.WaitBeyond(published, seconds(5));
    if (!shown) {
        throw std::runtime_error("Change Now put no new pixmap on the X root");
    }
    if (!loop.RunUntil([&] { return !session.busy(); }, seconds(30))) {
        throw std::runtime_error("the change's work did not end within 30 s");
    }
    return {MillisecondsBetween(asked, *shown), MillisecondsBetween(asked, loop.reportedAt())};
}

XwallpaperTimes Xwallpaper(const fs::path& photo, RootPixmapWatch& watch) {
    const std::size_t published = watch.count();
    std::string program = "xwallpaper";
    std::string option = "--tile";
    std::string file = photo.string();
    char* argv[] = {program.data(), option.data(), file.data(), nullptr};
    const BenchClock::time_point started = BenchClock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xwallpaper", nullptr, nullptr, argv, environ) != 0) {
        throw std::runtime_error("xwallpaper cannot be started");
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const BenchClock::time_point ended = BenchClock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("xwallpaper failed");
    }
    const auto shown = watch.WaitBeyond(published, seconds(5));
    if (!shown) {
        throw std::runtime_error("xwallpaper put no new pixmap on the X root");
    }
    return {MillisecondsBetween(started, ended), MillisecondsBetween(started, *shown)};
}

// The photograph the desktop shows: the channel's titles are the file names
// with blanks for dashes.
fs::path ShownPhoto(const EventLoop& loop, const fs::path& photos) {
    if (!loop.shown().images.empty()) {
        std::string name = loop.shown().images.front().title;
        std::replace(name.begin(), name.end(), ' ', '-');
        if (const fs::path file = photos / (name + ".jpg"); fs::exists(file)) {
            return file;
        }
    }
    throw std::runtime_error("the photograph on the desktop is not among " + photos.string());
}

// Makes a change due at the next start, as after a long time away.
void MarkChangeDue(const fs::path& settingsFile) {
    std::ifstream in(settingsFile);
    std::stringstream text;
    std::string line;
    while (std::getline(in, line)) {
        text << (line.rfind("LastChange=", 0) == 0 ? "LastChange=2001-01-01T00:00:00" : line)
             << '\n';
    }
    in.close();
    std::ofstream(settingsFile) << text.str();
}

// A session started with a change due and its picture in the cache, to the
// new pixmap on the root: the program's own part of its first wallpaper.
double StartToFirstWallpaper(Platform& platform, EventLoop& loop, RootPixmapWatch& watch) {
    MarkChangeDue(SettingsFilePath(platform));
    const std::size_t published = watch.count();
    const BenchClock::time_point started = BenchClock::now();
    Session session(platform, Clock::System(), ReadChannelDirectoryUrl(SettingsFilePath(platform)),
                    loop);
    session.Start();
    // The worker installs the desktop; the loop runs the steps before it.
    loop.RunUntil([&] { return watch.count() > published; }, seconds(30));
    const auto shown = watch.WaitBeyond(published, seconds(5));
    if (!shown) {
        throw std::runtime_error("the start put no new pixmap on the X root");
    }
    if (!loop.RunUntil([&] { return !session.busy(); }, seconds(60))) {
        throw std::runtime_error("the start's work did not end within 60 s");
    }
    if (!session.Finish()) {
        std::_Exit(0);
    }
    return MillisecondsBetween(started, *shown);
}

// Starts the session and runs its start-up to the end (the channel list,
// the thumbnails, a change that was due).
void StartAndSettle(Session& session, EventLoop& loop) {
    session.Start();
    if (!loop.RunUntil([&] { return !session.busy(); }, seconds(120))) {
        throw std::runtime_error("the session's start-up did not end within 120 s");
    }
}

}  // namespace

int TimeChangeNow(const fs::path& photos, int runs) {
    std::unique_ptr<Platform> platform = CreateSystemPlatform();
    EventLoop loop;
    RootPixmapWatch watch;
    Session session(*platform, Clock::System(),
                    ReadChannelDirectoryUrl(SettingsFilePath(*platform)), loop);
    StartAndSettle(session, loop);
    // Every picture into the cache, and a first run of each setter, so the
    // timed runs find the files in memory as a running program does.
    for (int i = 0; i < 4; ++i) {
        ChangeNow(session, loop, watch);
        Xwallpaper(ShownPhoto(loop, photos), watch);
    }
    for (int run = 0; run < runs; ++run) {
        // Each goes first in every other run, so neither always finds the
        // server and the caches as the other left them.
        const bool wyloFirst = run % 2 == 0;
        WyloTimes wylo;
        XwallpaperTimes xwallpaper;
        if (wyloFirst) {
            wylo = ChangeNow(session, loop, watch);
            std::this_thread::sleep_for(milliseconds(50));
            xwallpaper = Xwallpaper(ShownPhoto(loop, photos), watch);
        } else {
            // The photograph of the change before: the same size and kind.
            xwallpaper = Xwallpaper(ShownPhoto(loop, photos), watch);
            std::this_thread::sleep_for(milliseconds(50));
            wylo = ChangeNow(session, loop, watch);
        }
        std::printf("wylo %.2f %.2f\n", wylo.root, wylo.report);
        std::printf("xwallpaper %.2f %.2f\n", xwallpaper.exit, xwallpaper.root);
        std::fflush(stdout);
        std::this_thread::sleep_for(milliseconds(50));
    }
    if (!session.Finish()) {
        std::_Exit(0);
    }
    for (int run = 0; run < std::max(1, runs / 3); ++run) {
        std::printf("start %.2f\n", StartToFirstWallpaper(*platform, loop, watch));
        std::fflush(stdout);
    }
    // The session's own peak: the process's, without xwallpaper's, which
    // the resource usage of its children would add.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::printf("peak %s\n", line.substr(6).c_str());
        }
    }
    return 0;
}

int TimeFreshChangeNow(int runs) {
    std::unique_ptr<Platform> platform = CreateSystemPlatform();
    EventLoop loop;
    RootPixmapWatch watch;
    Session session(*platform, Clock::System(),
                    ReadChannelDirectoryUrl(SettingsFilePath(*platform)), loop);
    StartAndSettle(session, loop);
    const fs::path images = AppFolder(*platform) / "cache" / "bench" / "images";
    for (int run = 0; run < runs; ++run) {
        // Nothing in the cache: the picture is fetched, converted and shown.
        std::error_code ignored;
        fs::remove_all(images, ignored);
        std::printf("fresh %.2f\n", ChangeNow(session, loop, watch).root);
        std::fflush(stdout);
    }
    if (!session.Finish()) {
        std::_Exit(0);
    }
    return 0;
}

}  // namespace wylo::bench
