#pragma once

#include <string>
#include <utility>
#include <vector>

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
};

// Publishes on server the channel directory at "/wylo/wylo.xml" listing the
// channels (with the directory's news page when news is not empty), and each
// channel's control file, images, thumbnails and preview under "/c/<id>/".
void PublishChannels(TestHttpServer& server, const std::vector<ChannelSpec>& channels,
                     const std::string& news = {});
// One channel's files.
void PublishChannel(TestHttpServer& server, const ChannelSpec& channel);

}  // namespace wylo::test
