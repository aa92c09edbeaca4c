#pragma once

#include <chrono>
#include <filesystem>
#include <string>

// The parts of wylo_bench_responsiveness; see ResponsivenessHelper.cpp.
namespace wylo::bench {

using BenchClock = std::chrono::steady_clock;

inline double MillisecondsBetween(BenchClock::time_point from, BenchClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Serves folder on 127.0.0.1: prints the port, then one line per request
// ("GET /path", and "END /path ok|cut" when a body has gone or was given
// up), and runs until its input closes. Bodies of files whose path contains
// slowPart are spread evenly over trickleSeconds; everything else, and every
// HEAD, is answered at once.
int ServeChannels(const std::filesystem::path& folder, double trickleSeconds,
                  const std::string& slowPart);

// How many GETs of a path containing slowPart the channel host's log names.
int SlowRequests(const std::filesystem::path& hostLog, const std::string& slowPart);

// The real main window on the system platform: waits for the slow request,
// clicks the page tabs through the X server and prints one line per click,
// "click MS DELIVERY-MS THREAD-MS WAIT-MS TAB" (MS is -1 when the page never
// came; DELIVERY-MS until the window's thread took the press, THREAD-MS its
// processor time from there to the page painted and WAIT-MS its time
// waiting meanwhile for a processor that others held), then "stall MS" and
// "download running|ended".
int TimeTabClicks(const std::filesystem::path& hostLog, const std::string& slowPart, int clicks);

// A session on the system platform, started and settled; then runs times
// "Change Now" against `xwallpaper --tile` of the same photograph, in turns,
// printing "wylo ROOT-MS REPORT-MS" and "xwallpaper EXIT-MS ROOT-MS" lines.
int TimeChangeNow(const std::filesystem::path& photos, int runs);
// "Change Now" with the channel's pictures gone from the cache, to the new
// pixmap on the root; prints "fresh <ms>" per run.
int TimeFreshChangeNow(int runs);

}  // namespace wylo::bench
