#include <QApplication>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <time.h>

#include "Responsiveness.h"
#include "XDisplay.h"
#include "app/FormMain.h"
#include "base/Clock.h"
#include "platform/Platform.h"
#include "session/DirectoryAddress.h"
#include "settings/SettingsFile.h"

namespace wylo::bench {
namespace {

// The processor time the calling thread has used.
double ThreadMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// How long the calling thread has waited for a processor while it could
// run: the kernel's scheduler statistics, 0 where it keeps none.
double ThreadWaitMilliseconds() {
    std::ifstream stats("/proc/thread-self/schedstat");
    double running = 0;
    double waiting = 0;
    stats >> running >> waiting;
    return waiting / 1e6;
}

// What the window's thread did with one click.
struct Answer {
    // When the press reached the window's thread.
    BenchClock::time_point pressed;
    double pressedThreadMs = 0;
    BenchClock::time_point painted;
    double pressedWaitMs = 0;
    // The window thread's processor time from the press to the page
    // painted, and its time waiting for a processor meanwhile.
    double threadMs = 0;
    double waitMs = 0;
};

// Sees every event the program handles. A click's page counts as painted
// when the event in which it (or a widget on it) got its paint event has
// been handled whole: the repaint of the window, and its copy to the X
// server, happen inside that one event.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;

    // From the clicking thread: the page the next click should bring up.
    void Expect(QWidget* page) {
        {
            const std::lock_guard lock(mutex_);
            answer_ = {};
            pressSeen_ = false;
            done_ = false;
        }
        expected_.store(page);
    }
    std::optional<Answer> WaitPainted(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, limit, [this] { return done_; })) {
            return std::nullopt;
        }
        return answer_;
    }

    bool notify(QObject* receiver, QEvent* event) override {
        QWidget* page = expected_.load();
        if (page && event->type() == QEvent::MouseButtonPress) {
            const std::lock_guard lock(mutex_);
            if (!pressSeen_) {
                pressSeen_ = true;
                answer_.pressed = BenchClock::now();
                answer_.pressedThreadMs = ThreadMilliseconds();
                answer_.pressedWaitMs = ThreadWaitMilliseconds();
            }
        }
        if (page && event->type() == QEvent::Paint && receiver->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(receiver);
            if (widget == page || page->isAncestorOf(widget)) {
                pagePainted_ = true;
            }
        }
        ++depth_;
        const bool result = QApplication::notify(receiver, event);
        --depth_;
        if (depth_ == 0 && pagePainted_) {
            pagePainted_ = false;
            expected_.store(nullptr);
            {
                const std::lock_guard lock(mutex_);
                answer_.painted = BenchClock::now();
                answer_.threadMs = ThreadMilliseconds() - answer_.pressedThreadMs;
                answer_.waitMs = ThreadWaitMilliseconds() - answer_.pressedWaitMs;
                done_ = true;
            }
            changed_.notify_all();
        }
        return result;
    }

private:
    std::atomic<QWidget*> expected_{nullptr};
    int depth_ = 0;
    bool pagePainted_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pressSeen_ = false;
    bool done_ = false;
    Answer answer_;
};

// The longest time the window's thread went without running a 5 ms timer.
class StallProbe {
public:
    StallProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const BenchClock::time_point now = BenchClock::now();
            longest_ = std::max(longest_, MillisecondsBetween(last_, now));
            last_ = now;
        });
    }
    void Start() {
        last_ = BenchClock::now();
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    double longest() const { return longest_; }

private:
    QTimer timer_;
    BenchClock::time_point last_;
    double longest_ = 0;
};

struct Tab {
    QPoint centre;
    QWidget* page = nullptr;
    std::string caption;
};

struct Click {
    std::string caption;
    // From the press sent to the page painted; -1 when it never came.
    double milliseconds = -1;
    // From the press sent to the window's thread handling it.
    double delivery = -1;
    double threadMs = -1;
    double waitMs = -1;
};

// Clicks a tab other than the one shown, waits for its page, lets go, and
// pauses as a person would before the next.
std::vector<Click> ClickTabs(TimingApplication& app, const std::vector<Tab>& tabs, int shown,
                             int count) {
    FakeInput input;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(150, 350);
    std::vector<Click> clicks;
    for (int n = 0; n < count; ++n) {
        int next = std::uniform_int_distribution<int>(0, static_cast<int>(tabs.size()) - 2)(random);
        if (next >= shown) {
            ++next;
        }
        const Tab& tab = tabs[static_cast<std::size_t>(next)];
        input.MoveTo(tab.centre.x(), tab.centre.y());
        // The tab's hover highlight is painted before the press.
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        app.Expect(tab.page);
        const BenchClock::time_point pressed = BenchClock::now();
        input.LeftButton(true);
        const auto painted = app.WaitPainted(std::chrono::seconds(3));
        input.LeftButton(false);
        Click click{tab.caption};
        if (painted) {
            click.milliseconds = MillisecondsBetween(pressed, painted->painted);
            click.delivery = MillisecondsBetween(pressed, painted->pressed);
            click.threadMs = painted->threadMs;
            click.waitMs = painted->waitMs;
            shown = next;
        } else {
            app.Expect(nullptr);
        }
        clicks.push_back(click);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    }
    return clicks;
}

}  // namespace

int TimeTabClicks(const std::filesystem::path& hostLog, const std::string& slowPart, int clicks) {
    // As the program itself starts on an X display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    int argc = 1;
    char name[] = "wylo";
    char* argv[] = {name, nullptr};
    TimingApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wylo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Wylo"));
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<Platform> platform = CreateSystemPlatform();
    app::TFormMain form(*platform, Clock::System(),
                        ReadChannelDirectoryUrl(SettingsFilePath(*platform)));
    QObject::connect(&form, &app::TFormMain::closed, &app, &QCoreApplication::quit);
    form.show();
    form.FormCreate();

    StallProbe probe;
    std::vector<Click> results;
    std::thread clicker;
    bool downloadRunning = false;
    int status = 0;
    const auto finish = [&] {
        probe.Stop();
        const QProgressBar* bar = form.pbHTTPProgress;
        downloadRunning = bar->maximum() > 0 && bar->value() < bar->maximum();
        form.close();
    };
    const auto startClicking = [&] {
        std::vector<Tab> tabs;
        int shown = -1;
        QTabBar* bar = form.PageControl1->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i)) {
                continue;
            }
            if (i == bar->currentIndex()) {
                shown = static_cast<int>(tabs.size());
            }
            tabs.push_back({bar->mapToGlobal(bar->tabRect(i).center()),
                            form.PageControl1->widget(i), bar->tabText(i).toStdString()});
        }
        if (tabs.size() < 2 || shown < 0) {
            std::fprintf(stderr, "the window shows fewer than two tabs\n");
            status = 1;
            form.close();
            return;
        }
        probe.Start();
        clicker = std::thread([&, tabs, shown] {
            try {
                results = ClickTabs(app, tabs, shown, clicks);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                status = 1;
            }
            QMetaObject::invokeMethod(&app, finish, Qt::QueuedConnection);
        });
    };

    // Clicking starts a second into the slow picture's download.
    const int before = SlowRequests(hostLog, slowPart);
    QTimer watch;
    const BenchClock::time_point started = BenchClock::now();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (SlowRequests(hostLog, slowPart) > before) {
            watch.stop();
            QTimer::singleShot(1000, startClicking);
        } else if (MillisecondsBetween(started, BenchClock::now()) > 60000) {
            watch.stop();
            std::fprintf(stderr, "the slow picture was not asked for within 60 s\n");
            status = 1;
            form.close();
        }
    });
    watch.start(50);

    QApplication::exec();
    if (clicker.joinable()) {
        clicker.join();
    }
    for (const Click& click : results) {
        std::printf("click %.2f %.2f %.2f %.2f %s\n", click.milliseconds, click.delivery,
                    click.threadMs, click.waitMs, click.caption.c_str());
    }
    std::printf("stall %.2f\n", probe.longest());
    std::printf("download %s\n", downloadRunning ? "running" : "ended");
    std::fflush(stdout);
    if (!form.workEnded()) {
        std::_Exit(status);
    }
    return status;
}

}  // namespace wylo::bench
