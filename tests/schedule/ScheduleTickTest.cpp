#include <gtest/gtest.h>

#include "base/Error.h"
#include "schedule/ChannelFixture.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduleTick.h"

namespace wylo {
namespace {

class ScheduleTickTest : public test::ChannelFixture {
protected:
    ScheduleTickTest() : scheduler_(platform_, settings_, feedback_, source_, change_) {
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

TEST_F(ScheduleTickTest, ATickBeforeTheTimeOnlyShowsTheNextChange) {
    Publish(2);
    settings_.lastChange = now_ - 0.5 / 24;

    EXPECT_FALSE(scheduler_.Tick(now_));

    EXPECT_EQ(feedback_.statuses, std::vector<std::string>{"Next Change : 31/01/2023 10:30:00"});
    EXPECT_EQ(settings_.lastChange, now_ - 0.5 / 24);
    EXPECT_EQ(ControlFileFetches(), 0);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
}

TEST_F(ScheduleTickTest, ADueTickRefreshesTheChannelAndChangesToTheNextImage) {
    Publish(3);
    settings_.currentImage = 0;
    std::vector<std::string> events;
    scheduler_.showSubscribedChannel = [&] {
        events.push_back("show " + std::to_string(source_.ImageCount()));
    };

    EXPECT_TRUE(scheduler_.Tick(now_));

    EXPECT_EQ(settings_.lastChange, now_);
    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_EQ(ControlFileFetches(), 1);
    EXPECT_EQ(events, std::vector<std::string>{"show 3"});
    ASSERT_EQ(platform_.wallpaperCalls.size(), 1u);
    // The text is worked out before the change moves the last change.
    EXPECT_EQ(feedback_.statuses.front(), "Next Change : 31/01/2023 09:00:00");
    EXPECT_EQ(feedback_.statuses.back(), "Positioning Image 1");
    EXPECT_EQ(feedback_.busyBegins, 1);
    EXPECT_EQ(feedback_.busyEnds, 1);

    // The next tick counts from the new last change.
    EXPECT_FALSE(scheduler_.Tick(now_ + 30.0 / 1440));
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
}

TEST_F(ScheduleTickTest, ChangeNowChangesAtTheNextTickWhateverTheSchedule) {
    Publish(2);
    settings_.lastChange = now_;
    scheduler_.forceChange = true;

    EXPECT_TRUE(scheduler_.Tick(now_ + 1.0 / kSecondsPerDay));

    EXPECT_FALSE(scheduler_.forceChange);
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    EXPECT_FALSE(scheduler_.Tick(now_ + 2.0 / kSecondsPerDay));
}

TEST_F(ScheduleTickTest, NoUnitIsNeverDueButChangeNowStillWorks) {
    Publish(2);
    settings_.scheduleType = ScheduleUnit::None;
    settings_.lastChange = now_ - 1000;
    EXPECT_FALSE(scheduler_.Tick(now_));
    scheduler_.forceChange = true;
    EXPECT_TRUE(scheduler_.Tick(now_));
}

TEST_F(ScheduleTickTest, WithoutASubscriptionTheUsersWallpaperStays) {
    Publish(2);
    settings_.currentChannel = -1;
    const DateTime before = settings_.lastChange;

    EXPECT_FALSE(scheduler_.Tick(now_));

    EXPECT_EQ(settings_.lastChange, before);
    EXPECT_EQ(ControlFileFetches(), 0);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_TRUE(platform_.iconColourCalls.empty());

    // The first tick after subscribing changes the desktop.
    settings_.currentChannel = 0;
    EXPECT_TRUE(scheduler_.Tick(now_ + 1.0 / kSecondsPerDay));
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
}

TEST_F(ScheduleTickTest, AFailingServerLeavesTheCachedControlFileInUse) {
    Subscribe(2);
    settings_.currentImage = 0;
    // The server answers, but with nothing but errors.
    for (const char* path : {"/dunes/Channel.xml", "/dunes/img0.jpg", "/dunes/img1.jpg"}) {
        server_.Route(path,
                      [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
    }

    EXPECT_TRUE(scheduler_.Tick(now_));

    EXPECT_EQ(settings_.currentImage, 1);
    EXPECT_EQ(platform_.wallpaperCalls.size(), 1u);
    // The images are cached from nothing, so the monitor shows the fill.
    EXPECT_TRUE(change_.drawnImages().empty());
}

TEST_F(ScheduleTickTest, AFailedChangeRestoresTheCursorAndIsNotRetriedAtOnce) {
    Publish(2);
    server_.Serve("/dunes/img1.jpg", "GIF89a not a jpeg", std::nullopt, "image/gif");
    settings_.currentImage = 0;
    scheduler_.forceChange = true;

    EXPECT_THROW(scheduler_.Tick(now_), Error);

    EXPECT_EQ(feedback_.busyBegins, 1);
    EXPECT_EQ(feedback_.busyEnds, 1);
    EXPECT_EQ(settings_.lastChange, now_);
    EXPECT_FALSE(scheduler_.forceChange);
    EXPECT_TRUE(platform_.wallpaperCalls.empty());
    EXPECT_FALSE(scheduler_.Tick(now_ + 1.0 / kSecondsPerDay));
}

}  // namespace
}  // namespace wylo
