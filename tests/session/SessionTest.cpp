// The program's rules without a window: start-up, subscription, the pick, the
// tick and closing, with nested calls arriving in the middle of work as the
// window's events would.
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "session/Session.h"
#include "support/PublishedChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo {
namespace {

using test::ChannelSpec;
using test::ReadFile;
using test::TempDir;
using test::TestHttpServer;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// An observer that remembers what the window would have shown, and can act
// in the middle of work the way a paint or timer event can.
class RecordingObserver : public SessionObserver {
public:
    void SetStatus(const std::string& text) override {
        statuses.push_back(text);
        if (duringWork) {
            duringWork(text);
        }
    }
    void SettingsLoaded() override { ++settingsLoads; }
    void ShowCurrentImage(int image) override { shownImages.push_back(image); }
    void SetSchedulerRunning(bool running) override { schedulerRunning = running; }
    void ChannelListChanged(const std::vector<ChannelSession::ChannelListEntry>& entries,
                            int) override {
        channelList = entries;
    }
    void SelectedChannelChanged(const SelectedChannel& channel) override { selected = channel; }
    void SubscribedChannelChanged(const SubscribedChannel& channel) override {
        subscribed = channel;
    }
    void SubscriptionOpened(bool hasNews) override { opened.push_back(hasNews); }
    void SubscriptionFailed(const std::string& message) override { failures.push_back(message); }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void RunSoon(std::function<void()> work) override { soon.push_back(std::move(work)); }
    void CloseNow() override { ++closes; }

    // Runs what was put off, as the event loop would once the handler ends.
    void RunPending() {
        while (!soon.empty()) {
            auto work = std::move(soon.front());
            soon.pop_front();
            work();
        }
    }

    std::function<void(const std::string&)> duringWork;
    std::vector<std::string> statuses;
    std::vector<std::string> errors;
    std::vector<std::string> failures;
    std::vector<bool> opened;
    std::vector<int> shownImages;
    std::vector<ChannelSession::ChannelListEntry> channelList;
    SelectedChannel selected;
    SubscribedChannel subscribed;
    std::deque<std::function<void()>> soon;
    int settingsLoads = 0;
    int closes = 0;
    bool schedulerRunning = false;
};

class SessionTest : public ::testing::Test {
protected:
    SessionTest()
        : platform_(root_.path() / "shared"), clock_(EncodeDateTime({2026, 12, 8, 12, 0, 0})) {
        platform_.SetSingleMonitor(320, 200);
    }

    std::filesystem::path AppDir() const { return AppFolder(platform_); }
    std::filesystem::path SettingsFile() const { return AppDir() / "Wylo.ini"; }
    void WriteSettings(const std::string& body) {
        std::filesystem::create_directories(AppDir());
        WriteFile(SettingsFile(), "[Settings]\n" + body);
    }

    Session& Started() {
        session_.Start();
        return session_;
    }

    TempDir root_;
    TestHttpServer server_;
    FakePlatform platform_;
    ManualClock clock_;
    RecordingObserver observer_;
    Session session_{platform_, clock_, server_.Url("/wylo/wylo.xml"), observer_};
};

TEST_F(SessionTest, StartBuildsTheListAndReopensTheSubscribedChannel) {
    ChannelSpec news("alps", "The Alps");
    news.news = server_.Url("/news.html");
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea"), news});
    WriteSettings("CurrentChannel=1\nCurrentImage=2\n");

    Started();

    ASSERT_EQ(observer_.channelList.size(), 2u);
    EXPECT_EQ(observer_.channelList[1].title, "The Alps");
    EXPECT_EQ(observer_.settingsLoads, 1);
    EXPECT_THAT(observer_.opened, ElementsAre(true));
    EXPECT_EQ(observer_.subscribed.title, "The Alps");
    ASSERT_EQ(observer_.subscribed.rows.size(), 3u);
    // Rows are as tall as their thumbnails and a margin; the widest sets the
    // thumbnail column.
    EXPECT_EQ(observer_.subscribed.rows[0].height, 79);
    EXPECT_EQ(session_.maxThumbWidth(), 120);
    EXPECT_TRUE(observer_.schedulerRunning);
    EXPECT_THAT(observer_.errors, IsEmpty());
}

TEST_F(SessionTest, AFailingStartStepIsReportedAndTheSettingsAreStillRead) {
    // No host, and a cached directory that does not parse.
    server_.Stop();
    std::filesystem::create_directories(AppDir());
    WriteFile(AppDir() / "wylo.xml", "<wylo><PROVIDERS>");
    WriteSettings("EnableScheduler=0\n");

    Started();

    EXPECT_EQ(observer_.errors.size(), 1u);
    EXPECT_EQ(observer_.settingsLoads, 1);
    EXPECT_FALSE(session_.settings().enableScheduler);
    EXPECT_FALSE(session_.SchedulerRuns());
}

TEST_F(SessionTest, ASubscriptionThatCannotBeHadSaysWhyAndKeepsTheChoice) {
    test::PublishChannels(server_, {ChannelSpec("good", "Good"), ChannelSpec("bad", "Bad")});
    Started();
    ASSERT_EQ(observer_.channelList.size(), 2u);

    // A newer control file that does not parse.
    server_.Serve("/c/bad/Channel.xml", "<provider><images>", std::time(nullptr) + 3600);
    session_.Subscribe(1);
    ASSERT_EQ(observer_.failures.size(), 1u);
    EXPECT_THAT(observer_.failures[0], HasSubstr("problem loading the channel control file"));
    EXPECT_EQ(session_.settings().currentChannel, 1);

    server_.Stop();
    std::filesystem::remove(AppDir() / "cache" / "good" / "Channel.xml");
    session_.Subscribe(0);
    ASSERT_EQ(observer_.failures.size(), 2u);
    EXPECT_THAT(observer_.failures[1], HasSubstr("problem downloading the channel control file"));
    EXPECT_EQ(session_.settings().currentChannel, 0);
    EXPECT_THAT(observer_.opened, IsEmpty());
}

TEST_F(SessionTest, APickedImageGoesOnTheDesktopAndIsSaved) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\n");
    Started();
    clock_.Advance(1.0);

    session_.PickImage(2);

    EXPECT_EQ(session_.settings().currentImage, 2);
    EXPECT_EQ(session_.settings().lastChange, clock_.Now());
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_THAT(ReadFile(SettingsFile()), HasSubstr("CurrentImage=2"));
}

TEST_F(SessionTest, WorkNeverNests) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    session_.ChangeNow();

    // In the middle of the change: a tick, a pick and a close arrive.
    bool asked = false;
    observer_.duringWork = [&](const std::string& status) {
        if (asked || status.rfind("Downloading", 0) != 0) {
            return;
        }
        asked = true;
        session_.Tick(clock_.Now());
        session_.PickImage(2);
        EXPECT_FALSE(session_.RequestClose());
    };
    session_.Tick(clock_.Now());
    ASSERT_TRUE(asked);
    // The nested tick changed nothing; the pick waits for the change to end.
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(session_.settings().currentImage, 1);
    EXPECT_EQ(observer_.closes, 0);

    observer_.RunPending();
    EXPECT_EQ(platform_.wallpaperCalls.size(), 2u);
    EXPECT_EQ(session_.settings().currentImage, 2);
    EXPECT_EQ(observer_.closes, 1);
    EXPECT_TRUE(session_.RequestClose());
}

TEST_F(SessionTest, EachChangeShowsTheImageNowOnTheDesktop) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    WriteSettings("CurrentChannel=0\nCurrentImage=0\nRandomOrder=0\n");
    Started();
    EXPECT_THAT(observer_.shownImages, ElementsAre(0));

    session_.ChangeNow();
    session_.Tick(clock_.Now());
    session_.PickImage(0);
    // A tick with nothing due changes nothing and shows nothing new.
    session_.Tick(clock_.Now());
    EXPECT_THAT(observer_.shownImages, ElementsAre(0, 1, 0));
}

TEST_F(SessionTest, NoTickRunsBeforeTheSettingsAreRead) {
    test::PublishChannels(server_, {ChannelSpec("sea", "The Sea")});
    session_.ChangeNow();
    session_.Tick(clock_.Now());
    EXPECT_THAT(observer_.statuses, IsEmpty());
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(SessionTest, FinishSavesOnceAndReportsAFailedSave) {
    Started();
    std::filesystem::remove(SettingsFile());
    session_.Finish();
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    std::filesystem::remove(SettingsFile());
    session_.Finish();
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

    Session other(platform_, clock_, server_.Url("/wylo/wylo.xml"), observer_);
    std::filesystem::remove_all(AppDir());
    WriteFile(root_.path() / "shared" / "Wylo", "a file where the folder should be");
    other.Finish();
    ASSERT_EQ(observer_.errors.size(), 1u);
    EXPECT_THAT(observer_.errors[0], HasSubstr("Unable to write to"));
}

}  // namespace
}  // namespace wylo
