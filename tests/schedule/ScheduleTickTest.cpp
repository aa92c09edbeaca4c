#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/Error.h"
#include "schedule/ChannelFixture.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTick.h"

namespace wylo {
namespace {

class ScheduleTickTest : public test::ChannelFixture {
protected:
    ScheduleTickTest() : scheduler_(platform_, settings_) {
        platform_.SetSingleMonitor(64, 48);
        settings_.scheduleType = ScheduleUnit::Hours;
        settings_.scheduleFrequency = 1;
        settings_.lastChange = now_ - 2.0 / 24;
    }

    int ControlFileFetches() const { return server_.Count("GET", "/dunes/Channel.xml"); }

    const DateTime now_ = EncodeDateTime({2023, 1, 31, 10, 0, 0});
    Scheduler scheduler_;
};

TEST_F(ScheduleTickTest, NextChangeTextUsesTheUsersDateAndTimeFormats) {
    settings_.lastChange = EncodeDateTime({2023, 1, 31, 10, 0, 0});
    settings_.scheduleType = ScheduleUnit::Months;
    EXPECT_EQ(scheduler_.NextChangeText(), "Next Change : 28/02/2023 10:00:00");
    // At midnight the time is left out.
    settings_.lastChange = EncodeDateTime({2023, 1, 31, 0, 0, 0});
    settings_.scheduleType = ScheduleUnit::Days;
    EXPECT_EQ(scheduler_.NextChangeText(), "Next Change : 01/02/2023");
}

TEST_F(ScheduleTickTest, AChangeIsDueOnceThePeriodHasPassed) {
    settings_.lastChange = now_ - 0.5 / 24;
    EXPECT_FALSE(scheduler_.IsChangeDue(now_));
    EXPECT_EQ(scheduler_.StatusText(), "Next Change : 31/01/2023 10:30:00");
    settings_.lastChange = now_ - 1.0 / 24 - 1.0 / kSecondsPerDay;
    EXPECT_TRUE(scheduler_.IsChangeDue(now_));
    // No unit: never due.
    settings_.scheduleType = ScheduleUnit::None;
    EXPECT_FALSE(scheduler_.IsChangeDue(now_ + 1000));
}

TEST_F(ScheduleTickTest, TheStatusNamesTheDesktopAndANoticeWinsOverIt) {
    settings_.lastChange = now_;
    scheduler_.SetDesktopName("Dunes");
    EXPECT_EQ(scheduler_.StatusText(), "Dunes - Next Change : 31/01/2023 11:00:00");
    settings_.enableScheduler = false;
    EXPECT_EQ(scheduler_.StatusText(), "Dunes");
    scheduler_.SetNotice("The channel directory could not be fetched");
    EXPECT_EQ(scheduler_.StatusText(), "The channel directory could not be fetched");
    scheduler_.SetNotice({});
    EXPECT_EQ(scheduler_.StatusText(), "Dunes");
}

TEST_F(ScheduleTickTest, AScheduledChangeRefreshesTheChannelAndChangesToTheNextImage) {
    Publish(3);
    settings_.currentImage = 0;

    RunScheduledChange(source_, change_, feedback_, 0);

    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_EQ(ControlFileFetches(), 1);
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_EQ(feedback_.statuses.back(), "Positioning Image 1");
    EXPECT_EQ(feedback_.busyBegins, 1);
    EXPECT_EQ(feedback_.busyEnds, 1);
}

TEST_F(ScheduleTickTest, AFailingServerLeavesTheCachedControlFileInUse) {
    Subscribe(2);
    settings_.currentImage = 0;
    // The server answers, but with nothing but errors.
    for (const char* path : {"/dunes/Channel.xml", "/dunes/img0.jpg", "/dunes/img1.jpg"}) {
        server_.Route(path,
                      [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
    }

    const ChangeReport report = RunScheduledChange(source_, change_, feedback_, 0);

    // The cached control file names the next picture, which cannot be had:
    // nothing is installed, and the report says why.
    EXPECT_FALSE(report.installed);
    EXPECT_EQ(report.problem,
              "Could not download \"Image 1\" from Dunes: The server answered with status 503.");
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(ScheduleTickTest, WithoutAControlFileNothingChangesAndTheReportSaysWhy) {
    Publish(2);
    server_.Remove("/dunes/Channel.xml");

    const ChangeReport report = RunScheduledChange(source_, change_, feedback_, 0);

    EXPECT_FALSE(report.installed);
    EXPECT_EQ(report.problem,
              "The channel's control file could not be downloaded: The server answered with "
              "status 404.");
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_EQ(feedback_.busyBegins, feedback_.busyEnds);
}

TEST_F(ScheduleTickTest, AControlFileThatNoLongerParsesIsNotUsed) {
    Publish(2);
    server_.Serve("/dunes/Channel.xml", "<provider><images><i>", std::nullopt, "text/xml");

    const ChangeReport report = RunScheduledChange(source_, change_, feedback_, 0);

    EXPECT_FALSE(report.installed);
    EXPECT_THAT(report.problem,
                ::testing::StartsWith("The channel's control file could not be read: "));
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(ScheduleTickTest, AFailedChangeRestoresTheCursorAndSaysWhy) {
    Publish(2);
    // Neither picture reads: the one tried last is told.
    for (const char* path : {"/dunes/img0.jpg", "/dunes/img1.jpg"}) {
        server_.Serve(path, "GIF89a not a jpeg", std::nullopt, "image/gif");
    }
    settings_.currentImage = 0;

    const ChangeReport report = RunScheduledChange(source_, change_, feedback_, 0);

    EXPECT_FALSE(report.installed);
    EXPECT_THAT(report.problem, ::testing::StartsWith("Could not read \"Dunes\" from Dunes: "));
    EXPECT_EQ(feedback_.busyBegins, 1);
    EXPECT_EQ(feedback_.busyEnds, 1);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

}  // namespace
}  // namespace wylo
