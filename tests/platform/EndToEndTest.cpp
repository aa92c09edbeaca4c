// The real wylo program on a real X server: run under
// `scripts/with-xvfb --tray` with the default layout (a 3200 x 1080 screen,
// the primary 1920 x 1080 at root x 1280, a 1280 x 1024 on its left 56 pixels
// lower), fed by a channel served over loopback HTTP. $WYLO_PROGRAM names the
// program.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/Clock.h"
#include "compose/BmpFile.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/X11Desktop.h"
#include "settings/DateTimeText.h"
#include "support/JpegWriter.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace wylo {
namespace {

using test::TempDir;
using test::TestHttpServer;

// --- The channel ---

constexpr int kImageCount = 4;
constexpr int kImageWidth = 800;
constexpr int kImageHeight = 600;
constexpr Colour kFill = MakeColour(0x12, 0x34, 0x56);  // the user's background colour

Colour ImageColour(int k) {
    static const Colour colours[kImageCount] = {MakeColour(200, 40, 40), MakeColour(40, 180, 70),
                                                MakeColour(50, 70, 210), MakeColour(220, 200, 40)};
    return colours[k];
}
Colour BackgroundOf(int k) {
    static const Colour colours[kImageCount] = {MakeColour(90, 20, 90), MakeColour(20, 90, 90),
                                                MakeColour(90, 90, 20), MakeColour(250, 250, 250)};
    return colours[k];
}

std::string HexText(Colour c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
}

// Flat JPEG areas come back within a few levels.
bool Near(Colour a, Colour b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 8 && std::abs(GreenOf(a) - GreenOf(b)) <= 8 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 8;
}

void PublishChannel(TestHttpServer& server) {
    server.Serve("/wylo/wylo.xml",
                 "<wylo><PROVIDERS><p><id>meadow</id><url>" + server.Url("/meadow/Channel.xml") +
                     "</url></p></PROVIDERS></wylo>",
                 std::nullopt, "text/xml");
    std::string images;
    for (int k = 0; k < kImageCount; ++k) {
        Bitmap picture(kImageWidth, kImageHeight);
        picture.Fill(ImageColour(k));
        Bitmap thumb(80, 60);
        thumb.Fill(ImageColour(k));
        const std::string name = "img" + std::to_string(k) + ".jpg";
        server.Serve("/meadow/images/" + name, test::EncodeJpeg(picture), std::nullopt,
                     "image/jpeg");
        server.Serve("/meadow/thumbs/" + name, test::EncodeJpeg(thumb), std::nullopt, "image/jpeg");
        images += "<image><loc>" + server.Url("/meadow/images/" + name) + "</loc><thumb>" +
                  server.Url("/meadow/thumbs/" + name) + "</thumb><title>Meadow " +
                  std::to_string(k) + "</title><background>" + HexText(BackgroundOf(k)) +
                  "</background><font>#FFFFFF</font></image>";
    }
    server.Serve("/meadow/Channel.xml",
                 "<provider><title>Meadow</title><description>Grass and sky</description><images>" +
                     images + "</images></provider>",
                 std::nullopt, "text/xml");
}

// --- The settings file ---

std::map<std::string, std::string> ReadSection(const std::filesystem::path& file,
                                               const std::string& section) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && line.find('=') != std::string::npos) {
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    return keys;
}

// Replaces the value of key wherever it stands; the rest of the file stays.
void ReplaceKey(const std::filesystem::path& file, const std::string& key,
                const std::string& value) {
    std::istringstream in(test::ReadFile(file));
    std::string out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) == 0) {
            line = key + "=" + value + (line.back() == '\r' ? "\r" : "");
        }
        out += line + "\n";
    }
    test::WriteFile(file, out);
}

// --- The program ---

class Process {
public:
    Process(const std::string& program, const std::map<std::string, std::string>& overrides,
            const std::vector<std::string>& removed, const std::filesystem::path& log,
            const std::vector<std::string>& arguments = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const std::string name = entry.substr(0, entry.find('='));
            if (overrides.count(name) == 0 &&
                std::find(removed.begin(), removed.end(), name) == removed.end()) {
                env.push_back(entry);
            }
        }
        for (const auto& [name, value] : overrides) {
            env.push_back(name + "=" + value);
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int rc =
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = -1;
        }
    }
    ~Process() {
        if (Running()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }

    bool Running() {
        if (pid_ <= 0 || status_) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return false;
        }
        return true;
    }

    // Sends SIGTERM and waits for the end; the wait status, or nothing when
    // the program did not end in time.
    std::optional<int> Terminate(std::chrono::seconds timeout) {
        if (!Running()) {
            return status_;
        }
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!Running()) {
                return status_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return std::nullopt;
    }

    std::optional<int> ExitStatus() const { return status_; }

    // Waits for the end; the exit code, or nothing when the program did not
    // end in time or ended by a signal.
    std::optional<int> Wait(std::chrono::seconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Running() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!status_ || !WIFEXITED(*status_)) {
            return std::nullopt;
        }
        return WEXITSTATUS(*status_);
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

// --- The X server ---

struct DisplayCloser {
    void operator()(Display* d) const { XCloseDisplay(d); }
};
struct ImageDeleter {
    void operator()(XImage* i) const { XDestroyImage(i); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const char* program = std::getenv("WYLO_PROGRAM");
        ASSERT_TRUE(program && *program) << "WYLO_PROGRAM must name the wylo program";
        program_ = program;
        display_.reset(XOpenDisplay(nullptr));
        ASSERT_TRUE(display_) << "needs an X display (scripts/with-xvfb)";
        Display* d = display_.get();
        ASSERT_EQ(DisplayWidth(d, DefaultScreen(d)), 3200) << "needs the default layout";
        ASSERT_EQ(DisplayHeight(d, DefaultScreen(d)), 1080) << "needs the default layout";
        std::filesystem::create_directories(AppFolder());
        PublishChannel(server_);
    }

    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "---- wylo's output ----\n" << test::ReadFile(log_) << "----\n";
            std::error_code ignored;
            for (const auto& entry :
                 std::filesystem::recursive_directory_iterator(AppFolder(), ignored)) {
                std::cerr << entry.path().string() << " "
                          << (entry.is_regular_file() ? entry.file_size() : 0) << "\n";
            }
            std::cerr << test::ReadFile(SettingsFile()) << "----\n";
        }
    }

    std::filesystem::path AppFolder() const { return home_ / "data" / "Wylo"; }
    std::filesystem::path SettingsFile() const { return AppFolder() / "Wylo.ini"; }
    std::filesystem::path DesktopFile() const { return AppFolder() / "desktop.bmp"; }

    // The settings text of the C locale the program runs in.
    std::string DateTimeText(DateTime value) const { return FormatDateTimeText(platform_, value); }
    std::string OverdueText() const {
        return DateTimeText(EncodeDateTime({2020, 3, 14, 10, 30, 0, 0}));
    }

    void WriteSettings(int multiScreenOpt) {
        test::WriteFile(SettingsFile(),
                        "[Settings]\n"
                        "CurrentChannel=0\n"
                        "CurrentImage=0\n"
                        "MultiScreenOpt=" +
                            std::to_string(multiScreenOpt) +
                            "\n"
                            "IconTransparancy=1\n"
                            "RandomOrder=0\n"
                            "ActiveSingleMonitor=0\n"
                            "EnableScheduler=1\n"
                            "LastChange=" +
                            OverdueText() +
                            "\n"
                            "ScheduleType=2\n"
                            "ScheduleFrequency=1\n"
                            "BGColour=" +
                            std::to_string(kFill) +
                            "\n"
                            "FGColour=16777215\n"
                            "\n"
                            "[Channels]\n"
                            "DirectoryUrl=" +
                            server_.Url("/wylo/wylo.xml") + "\n");
    }

    // args: a command for the Wylo that runs; its output goes to log.
    std::unique_ptr<Process> StartWylo(const std::vector<std::string>& args = {},
                                       const std::filesystem::path& log = {}) {
        std::filesystem::create_directories(home_ / "runtime");
        std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
        auto process = std::make_unique<Process>(
            program_,
            std::map<std::string, std::string>{
                {"XDG_RUNTIME_DIR", (home_ / "runtime").string()},
                {"XDG_DATA_HOME", (home_ / "data").string()},
                {"XDG_CONFIG_HOME", (home_ / "config").string()},
                {"XDG_CACHE_HOME", (home_ / "cache").string()},
                {"HOME", home_.path().string()},
                {"LC_ALL", "C"},
                {"QT_QPA_PLATFORM", "xcb"},
                {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
            },
            std::vector<std::string>{"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "LANG", "LANGUAGE"},
            log.empty() ? log_ : log, args);
        return process;
    }

    // Runs a second start with args to its end: its exit code (-1 when it
    // did not end) and what it printed.
    std::pair<int, std::string> Command(const std::vector<std::string>& args) {
        const std::filesystem::path out = home_ / "command.log";
        std::filesystem::remove(out);
        auto process = StartWylo(args, out);
        const std::optional<int> code = process->Wait(std::chrono::seconds(60));
        return {code.value_or(-1), test::ReadFile(out)};
    }

    // Waits for a wallpaper other than before on the root window.
    bool WaitForNewWallpaper(std::optional<Pixmap> before) {
        return WaitFor([&] { return RootPixmap() && RootPixmap() != before; },
                       std::chrono::seconds(120));
    }

    std::optional<Pixmap> RootPixmap() {
        return RootPixmapProperty(display_.get(), "_XROOTPMAP_ID");
    }

    // Runs wylo until the scheduled change has put a new wallpaper on the
    // root window.
    std::unique_ptr<Process> RunUntilChanged() {
        const std::optional<Pixmap> before = RootPixmap();
        auto wylo = StartWylo();
        EXPECT_TRUE(wylo->Started());
        const bool changed = WaitFor(
            [&] {
                return !wylo->Running() || (std::filesystem::exists(DesktopFile()) &&
                                            RootPixmap() && RootPixmap() != before);
            },
            std::chrono::seconds(180));
        EXPECT_TRUE(wylo->Running()) << "wylo ended early";
        EXPECT_TRUE(changed) << "no new wallpaper on the root window";
        return wylo;
    }

    // The root wallpaper and what the root window shows where no window
    // covers it, at points of known colour.
    void ExpectRootShows(int primaryImage, int leftImage) {
        Display* d = display_.get();
        const auto pixmap = RootPixmap();
        ASSERT_TRUE(pixmap);
        ImagePtr wallpaper(XGetImage(d, *pixmap, 0, 0, 3200, 1080, AllPlanes, ZPixmap));
        ASSERT_TRUE(wallpaper);
        ImagePtr shown(XGetImage(d, DefaultRootWindow(d), 0, 0, 3200, 1080, AllPlanes, ZPixmap));
        ASSERT_TRUE(shown);

        struct Sample {
            int x, y;
            Colour colour;
            const char* what;
        };
        // The primary sits at root x 1280 and shows its 800 x 600 image centred
        // (root 1840..2639, 240..839); the left monitor covers root x 0..1279,
        // y 56..1079 with its image at root 240..1039, 268..867. The strip
        // above the left monitor belongs to no monitor: the fill colour.
        const Sample samples[] = {
            {2240, 540, ImageColour(primaryImage), "primary image centre"},
            {1845, 245, ImageColour(primaryImage), "primary image corner"},
            {1300, 540, BackgroundOf(primaryImage), "primary margin left"},
            {3190, 1070, BackgroundOf(primaryImage), "primary margin bottom right"},
            {640, 568, ImageColour(leftImage), "left image centre"},
            {245, 272, ImageColour(leftImage), "left image corner"},
            {20, 568, BackgroundOf(leftImage), "left margin"},
            {640, 1075, BackgroundOf(leftImage), "left margin bottom"},
            {640, 20, kFill, "above the left monitor"},
            {5, 5, kFill, "root corner"},
        };
        for (const Sample& s : samples) {
            const unsigned long p = XGetPixel(wallpaper.get(), s.x, s.y);
            const Colour got =
                MakeColour(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                           static_cast<std::uint8_t>(p));
            EXPECT_TRUE(Near(got, s.colour))
                << s.what << " at root (" << s.x << ", " << s.y << "): " << HexText(got)
                << " instead of " << HexText(s.colour);
            if (!Covered(s.x, s.y)) {
                EXPECT_EQ(XGetPixel(shown.get(), s.x, s.y), p)
                    << "the root window does not show its wallpaper at " << s.what;
            }
        }
    }

    // True when a mapped window lies over the root point.
    bool Covered(int x, int y) {
        Display* d = display_.get();
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(d, DefaultRootWindow(d), &rootReturn, &parent, &children, &count)) {
            return true;
        }
        bool covered = false;
        for (unsigned i = 0; i < count && !covered; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable) {
                covered = x >= a.x && x < a.x + a.width + 2 * a.border_width && y >= a.y &&
                          y < a.y + a.height + 2 * a.border_width;
            }
        }
        if (children) {
            XFree(children);
        }
        return covered;
    }

    void EndAndExpectSaved(Process& wylo, int currentImage) {
        const std::optional<int> status = wylo.Terminate(std::chrono::seconds(30));
        ASSERT_TRUE(status) << "wylo did not end on SIGTERM";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
            << "wylo ended with wait status " << *status;
        const auto keys = ReadSection(SettingsFile(), "Settings");
        ASSERT_TRUE(keys.count("CurrentImage") && keys.count("LastChange"));
        EXPECT_EQ(keys.at("CurrentImage"), std::to_string(currentImage));
        const std::optional<DateTime> last = ParseDateTimeText(platform_, keys.at("LastChange"));
        ASSERT_TRUE(last) << keys.at("LastChange");
        EXPECT_LT(std::abs(*last - Clock::System().Now()), 1.0)
            << "LastChange " << keys.at("LastChange") << " is not the change just made";
    }

    TempDir home_;
    TestHttpServer server_;
    LinuxPlatform platform_;
    std::string program_;
    std::unique_ptr<Display, DisplayCloser> display_;
    std::filesystem::path log_ = home_ / "wylo.log";
};

TEST_F(EndToEnd, SameImageTiledFromThePrimaryThenFromTheCacheWithTheHostDown) {
    WriteSettings(0);
    {
        auto wylo = RunUntilChanged();
        ASSERT_FALSE(HasFailure());
        ExpectRootShows(1, 1);
        const Bitmap desktop = ReadBmpFile(DesktopFile());
        EXPECT_EQ(desktop.width(), 3200);
        EXPECT_EQ(desktop.height(), 1080);
        EndAndExpectSaved(*wylo, 1);
    }

    // The channel host goes away; the next start still works, and the next
    // change comes from the cache. Only image 1 is cached, so the rotation is
    // set back to give image 1 again.
    server_.Stop();
    ReplaceKey(SettingsFile(), "LastChange", OverdueText());
    ReplaceKey(SettingsFile(), "CurrentImage", "0");
    std::filesystem::remove(DesktopFile());
    {
        auto wylo = RunUntilChanged();
        ASSERT_FALSE(HasFailure());
        ExpectRootShows(1, 1);
        EndAndExpectSaved(*wylo, 1);
    }
}

// The commands a key of the desktop runs reach the Wylo that runs; a second
// start without arguments ends, leaving the first one alone.
TEST_F(EndToEnd, SecondStartsHandTheirCommandsToTheFirst) {
    WriteSettings(0);
    auto wylo = RunUntilChanged();
    ASSERT_FALSE(HasFailure());
    ExpectRootShows(1, 1);

    auto before = RootPixmap();
    auto [code, said] = Command({"--change-now"});
    EXPECT_EQ(code, 0) << said;
    ASSERT_TRUE(WaitForNewWallpaper(before));
    ExpectRootShows(2, 2);

    before = RootPixmap();
    std::tie(code, said) = Command({"--previous"});
    EXPECT_EQ(code, 0) << said;
    ASSERT_TRUE(WaitForNewWallpaper(before));
    ExpectRootShows(1, 1);

    before = RootPixmap();
    std::tie(code, said) = Command({"--next"});
    EXPECT_EQ(code, 0) << said;
    ASSERT_TRUE(WaitForNewWallpaper(before));
    ExpectRootShows(2, 2);
    // Nothing lies ahead now: refused, and said so.
    std::tie(code, said) = Command({"--next"});
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("no later wallpaper"), std::string::npos) << said;

    // A start without arguments brings the window forward and ends.
    std::tie(code, said) = Command({});
    EXPECT_EQ(code, 0) << said;
    EXPECT_TRUE(wylo->Running());

    std::tie(code, said) = Command({"--quit"});
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(wylo->Wait(std::chrono::seconds(30)), 0);
    EXPECT_EQ(ReadSection(SettingsFile(), "Settings").at("CurrentImage"), "2");

    std::tie(code, said) = Command({"--change-now"});
    EXPECT_EQ(code, 1);
    EXPECT_NE(said.find("No Wylo is running"), std::string::npos) << said;
}

// Without any display the program says so and ends with a failure status,
// rather than aborting.
TEST_F(EndToEnd, WithoutADisplayItSaysSoAndEnds) {
    const std::filesystem::path log = home_ / "nodisplay.log";
    std::filesystem::create_directories(home_ / "runtime");
    std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
    Process wylo(program_,
                 {{"XDG_RUNTIME_DIR", (home_ / "runtime").string()},
                  {"XDG_DATA_HOME", (home_ / "data").string()},
                  {"XDG_CONFIG_HOME", (home_ / "config").string()},
                  {"HOME", home_.path().string()},
                  {"LC_ALL", "C"}},
                 {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}, log);
    ASSERT_TRUE(wylo.Started());
    const std::optional<int> code = wylo.Wait(std::chrono::seconds(60));
    EXPECT_EQ(code, 1);
    EXPECT_NE(test::ReadFile(log).find("wylo: no display could be opened"), std::string::npos)
        << test::ReadFile(log);
}

// Started twice at once, one Wylo runs and the other hands over and ends.
TEST_F(EndToEnd, TwoStartsAtOnceLeaveOneRunning) {
    WriteSettings(0);
    auto first = StartWylo({}, home_ / "first.log");
    auto second = StartWylo({}, home_ / "second.log");
    ASSERT_TRUE(first->Started() && second->Started());
    ASSERT_TRUE(
        WaitFor([&] { return !first->Running() || !second->Running(); }, std::chrono::seconds(60)))
        << "both run";
    Process& ended = first->Running() ? *second : *first;
    Process& running = first->Running() ? *first : *second;
    EXPECT_EQ(ended.Wait(std::chrono::seconds(1)), 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    EXPECT_TRUE(running.Running());
    const std::optional<int> status = running.Terminate(std::chrono::seconds(30));
    EXPECT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

TEST_F(EndToEnd, DifferentImageOnEachScreen) {
    WriteSettings(1);
    auto wylo = RunUntilChanged();
    ASSERT_FALSE(HasFailure());
    // The primary comes first in the monitor order, the left monitor next.
    ExpectRootShows(1, 2);
    EndAndExpectSaved(*wylo, 2);
}

}  // namespace
}  // namespace wylo
