// One Wylo at a time on Linux: the lock and the socket in the runtime folder,
// with real processes where it matters.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Instance.h"
#include "support/TempDir.h"

namespace wylo {
namespace {

using namespace std::chrono_literals;

// Stands in for the window's thread: runs what is posted to it, in order.
class WindowThread {
public:
    WindowThread() : thread_([this] { Run(); }) {}
    ~WindowThread() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Post(std::function<void()> work) {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(work));
        }
        wake_.notify_all();
    }
    std::thread::id id() const { return thread_.get_id(); }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return done_ || !queue_.empty(); });
            if (queue_.empty()) {
                return;
            }
            auto work = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            work();
            lock.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool done_ = false;
    std::thread thread_;
};

class Instance : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(runtime_.path().c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    }

    // Listens with a handler that records each command on the window thread
    // and takes all but Previous.
    void Listen(RunningInstance& instance) {
        instance.Listen(
            [this](RemoteCommand command) {
                const std::lock_guard lock(mutex_);
                received_.push_back(command);
                onWindowThread_ = onWindowThread_ && std::this_thread::get_id() == window_.id();
                return command != RemoteCommand::Previous;
            },
            [this](std::function<void()> work) { window_.Post(std::move(work)); });
    }

    std::vector<RemoteCommand> Received() {
        const std::lock_guard lock(mutex_);
        return received_;
    }

    test::TempDir runtime_;
    test::TempDir home_;
    std::filesystem::path appFolder_ = home_ / "data" / "Wylo" / "";
    WindowThread window_;
    std::mutex mutex_;
    std::vector<RemoteCommand> received_;
    bool onWindowThread_ = true;
};

TEST_F(Instance, TheSecondClaimFailsAndItsCommandsReachTheFirstOnTheWindowThread) {
    auto first = ClaimInstance(appFolder_);
    ASSERT_TRUE(first);
    EXPECT_FALSE(ClaimInstance(appFolder_));
    // Another app folder is another Wylo.
    EXPECT_TRUE(ClaimInstance(home_ / "other" / "Wylo" / ""));
    Listen(*first);

    for (RemoteCommand c : {RemoteCommand::Show, RemoteCommand::ChangeNow, RemoteCommand::Next,
                            RemoteCommand::Quit}) {
        EXPECT_EQ(SendToInstance(appFolder_, c, 5s), Delivery::Taken) << RemoteCommandName(c);
    }
    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Previous, 5s), Delivery::Refused);
    EXPECT_EQ(Received(),
              (std::vector{RemoteCommand::Show, RemoteCommand::ChangeNow, RemoteCommand::Next,
                           RemoteCommand::Quit, RemoteCommand::Previous}));
    EXPECT_TRUE(onWindowThread_);

    // The socket and the lock keep others out.
    struct stat info {};
    ASSERT_EQ(::stat((runtime_ / ("wylo-" + InstanceKey(appFolder_) + ".socket")).c_str(), &info),
              0);
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST_F(Instance, NoneRunningIsToldAtOnceAndAGoneWyloFreesItsPlace) {
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Next, 10s), Delivery::NoneRunning);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);

    {
        auto first = ClaimInstance(appFolder_);
        ASSERT_TRUE(first);
        Listen(*first);
    }
    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Next, 10s), Delivery::NoneRunning);
    auto again = ClaimInstance(appFolder_);
    ASSERT_TRUE(again);
    Listen(*again);
    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Next, 5s), Delivery::Taken);
}

TEST_F(Instance, ACommandSentDuringStartUpWaitsForTheWindow) {
    auto first = ClaimInstance(appFolder_);
    ASSERT_TRUE(first);
    Delivery delivery = Delivery::NoAnswer;
    std::thread sender(
        [&] { delivery = SendToInstance(appFolder_, RemoteCommand::ChangeNow, 10s); });
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Received().empty());
    Listen(*first);
    sender.join();
    EXPECT_EQ(delivery, Delivery::Taken);
    EXPECT_EQ(Received(), std::vector{RemoteCommand::ChangeNow});
}

TEST_F(Instance, AWyloThatDiedLeavesNothingInTheWay) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Claims and dies without cleaning up: the socket file stays.
        auto claimed = ClaimInstance(appFolder_);
        std::_Exit(claimed ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(
        std::filesystem::exists(runtime_ / ("wylo-" + InstanceKey(appFolder_) + ".socket")));

    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Next, 5s), Delivery::NoneRunning);
    auto claimed = ClaimInstance(appFolder_);
    ASSERT_TRUE(claimed);
    Listen(*claimed);
    EXPECT_EQ(SendToInstance(appFolder_, RemoteCommand::Next, 5s), Delivery::Taken);
}

TEST_F(Instance, StoppingDoesNotWaitForAnAnswerThatNeverComes) {
    auto first = ClaimInstance(appFolder_);
    ASSERT_TRUE(first);
    // A window that never runs what is posted to it.
    first->Listen([](RemoteCommand) { return true; }, [](std::function<void()>) {});
    Delivery delivery = Delivery::Taken;
    std::thread sender([&] { delivery = SendToInstance(appFolder_, RemoteCommand::Next, 30s); });
    std::this_thread::sleep_for(300ms);
    const auto before = std::chrono::steady_clock::now();
    first.reset();
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_NE(delivery, Delivery::Taken);
}

TEST_F(Instance, AnotherUserIsNotHeardEvenWhereTheFolderLetsThemIn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    auto first = ClaimInstance(appFolder_);
    ASSERT_TRUE(first);
    Listen(*first);
    const std::filesystem::path socket = runtime_ / ("wylo-" + InstanceKey(appFolder_) + ".socket");
    // Rights opened up by mistake: the sender's credentials still decide.
    ::chmod(runtime_.path().c_str(), 0711);
    ::chmod(socket.c_str(), 0777);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            std::_Exit(10);
        }
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket.c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::_Exit(11);
        }
        // The answer may come, and the socket close, before the request goes.
        static_cast<void>(::send(fd, "next\n", 5, MSG_NOSIGNAL));
        char answer[16] = {};
        const ssize_t got = ::read(fd, answer, sizeof answer - 1);
        std::_Exit(got > 0 && std::string(answer) == "denied\n" ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(Received().empty());
}

TEST_F(Instance, ARuntimeFolderOthersCanWriteIsNotUsed) {
    ::chmod(runtime_.path().c_str(), 0777);
    test::TempDir temp;
    const char* old = std::getenv("TMPDIR");
    const std::string oldTemp = old ? old : "";
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    auto first = ClaimInstance(appFolder_);
    if (old) {
        ::setenv("TMPDIR", oldTemp.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    ASSERT_TRUE(first);
    const std::filesystem::path fallback = temp / ("wylo-" + std::to_string(::geteuid()));
    struct stat info {};
    ASSERT_EQ(::stat(fallback.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(runtime_ / ("wylo-" + InstanceKey(appFolder_) + ".lock")));
}

TEST(InstanceReport, EveryOutcomeTellsTheUserAndSetsTheStatus) {
    EXPECT_EQ(ReportDelivery(Delivery::Taken, RemoteCommand::Next).status, 0);
    const DeliveryReport none = ReportDelivery(Delivery::NoneRunning, RemoteCommand::Next);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.text, "No Wylo is running: start Wylo first.\n");
    const DeliveryReport refused = ReportDelivery(Delivery::Refused, RemoteCommand::Previous);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.text.find("--previous"), std::string::npos);
    EXPECT_EQ(ReportDelivery(Delivery::NoAnswer, RemoteCommand::Quit).status, 1);
    EXPECT_NE(InstanceKey("/a/Wylo/"), InstanceKey("/b/Wylo/"));
    EXPECT_EQ(InstanceKey("/a/Wylo/").size(), 16u);
}

}  // namespace
}  // namespace wylo
