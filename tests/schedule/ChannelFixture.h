#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/Feedback.h"
#include "channels/ChannelSession.h"
#include "channels/HttpClient.h"
#include "platform/AppFolder.h"
#include "platform/fake/FakePlatform.h"
#include "schedule/ChannelSource.h"
#include "schedule/DesktopChange.h"
#include "settings/Settings.h"
#include "support/JpegWriter.h"
#include "support/PublishedChannels.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

namespace wylo::test {

// Feedback that remembers what it was told.
class RecordingFeedback : public Feedback {
public:
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void BusyBegin() override { ++busyBegins; }
    void BusyEnd() override { ++busyEnds; }

    std::vector<std::string> statuses;
    int busyBegins = 0;
    int busyEnds = 0;
};

// True when two colours differ by at most a few levels in every channel, as a
// flat JPEG area does after compression.
inline bool Near(Colour a, Colour b) {
    return std::abs(RedOf(a) - RedOf(b)) <= 6 && std::abs(GreenOf(a) - GreenOf(b)) <= 6 &&
           std::abs(BlueOf(a) - BlueOf(b)) <= 6;
}

// A channel "dunes" served over real HTTP, subscribed as channel 0, with a
// change wired to the fake platform the way the program wires it.
class ChannelFixture : public ::testing::Test {
protected:
    // The published channel's pictures and colours.
    static Colour ImageColour(int k) { return FlatChannel::ImageColour(k); }
    static Colour BackgroundOf(int k) { return FlatChannel::BackgroundOf(k); }
    static Colour FontOf(int k) { return FlatChannel::FontOf(k); }
    static constexpr int kImageWidth = FlatChannel::kImageWidth;
    static constexpr int kImageHeight = FlatChannel::kImageHeight;

    ChannelFixture()
        : platform_(root_ / "shared"),
          session_(client_, Clock::System(), AppFolder(platform_), server_.Url("/wylo.xml")),
          source_(session_),
          change_(platform_, settings_, source_, feedback_, random_) {
        settings_.currentChannel = 0;
        settings_.randomOrder = false;
        EnsureAppFolder(platform_);
    }

    // Publishes the channel with count images; titles "Image k", the first
    // titled "Dunes". extraImages is appended inside <images>.
    void Publish(int count, const std::string& extraImages = {}) {
        PublishFlatChannel(server_, count, extraImages);
        ASSERT_TRUE(session_.FetchChannelDirectory());
        ASSERT_TRUE(session_.OpenChannelDirectory());
    }

    // Publishes and loads the control file, as the tick does before a change.
    void Subscribe(int count, const std::string& extraImages = {}) {
        Publish(count, extraImages);
        source_.RefreshControlFile(0);
        ASSERT_EQ(source_.ImageCount(), count + (extraImages.empty() ? 0 : 1));
    }

    std::filesystem::path DesktopFile() const { return AppFolder(platform_) / "desktop.bmp"; }

    TempDir root_;
    TestHttpServer server_;
    HttpClient client_;
    FakePlatform platform_;
    ChannelSession session_;
    SessionChannelSource source_;
    Settings settings_;
    RecordingFeedback feedback_;
    RandomEngine random_{42};
    DesktopChange change_;
};

}  // namespace wylo::test
