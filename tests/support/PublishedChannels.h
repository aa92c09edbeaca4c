#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Colour.h"
#include "support/TestHttpServer.h"

namespace wylo::test {

// One published channel: its control file and pictures.
struct ChannelSpec {
    ChannelSpec(std::string channelId, std::string channelTitle)
        : id(std::move(channelId)), title(std::move(channelTitle)) {}

    std::string id;
    std::string title;
    std::string description;
    std::string subscription;
    std::string legal;
    std::string news;
    std::string copyright;
    bool preview = true;
    // Thumbnail widths and heights of its images (one image per entry).
    std::vector<std::pair<int, int>> thumbs = {{120, 75}, {80, 75}, {100, 75}};
    // Image titles; empty ones fall back to the file name.
    std::vector<std::string> imageTitles;
    // The control file's Last-Modified; without one a cached copy is kept.
    std::optional<std::time_t> lastModified;
};

// Publishes on server the channel directory at "/wylo/wylo.xml" listing the
// channels (with the directory's news page when news is not empty), and each
// channel's control file, images, thumbnails and preview under "/c/<id>/".
void PublishChannels(TestHttpServer& server, const std::vector<ChannelSpec>& channels,
                     const std::string& news = {});
// One channel's files.
void PublishChannel(TestHttpServer& server, const ChannelSpec& channel);

// A channel "dunes" of flat pictures, for tests that look at pixels: image k
// is a 40 x 30 picture of FlatImageColour(k) suggesting FlatBackgroundOf(k)
// and FlatFontOf(k), titled "Dunes" for the first and "Image k" for the
// others. The directory is at "/wylo.xml" and lists it alone; extraImages is
// appended inside <images>; the pictures carry lastModified when given.
struct FlatChannel {
    static Colour ImageColour(int k) { return MakeColour(40 * k + 20, 200 - 30 * k, 90); }
    static Colour BackgroundOf(int k) { return MakeColour(10 + k, 20 + k, 30 + k); }
    static Colour FontOf(int k) { return MakeColour(200 + k, 210 + k, 220 + k); }
    static constexpr int kImageWidth = 40;
    static constexpr int kImageHeight = 30;
};
void PublishFlatChannel(TestHttpServer& server, int count, const std::string& extraImages = {},
                        std::optional<std::time_t> lastModified = std::nullopt);

// "#RRGGBB" of a colour.
std::string HexText(Colour c);

}  // namespace wylo::test
