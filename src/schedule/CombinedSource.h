#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "schedule/ChannelSource.h"

namespace wylo {

// Several channels as one source, for monitors that show channels of their
// own: the images of each part follow those of the part before, so an index
// names one picture of one channel. The first part is the subscribed
// channel, whose indexes are its own.
class CombinedSource : public ChannelSource {
public:
    // first, and every part added, must outlive the source.
    explicit CombinedSource(ChannelSource& first) : parts_{&first} {}

    // Adds a part after the others; it is part PartCount() - 1.
    void Add(ChannelSource& part) { parts_.push_back(&part); }
    // Back to the first part alone.
    void RemoveAdded() { parts_.resize(1); }
    std::size_t PartCount() const { return parts_.size(); }
    ChannelSource& Part(std::size_t part) const { return *parts_[part]; }
    // The index of the first image of part, in the combined source.
    std::int32_t FirstOf(std::size_t part) const;

    // The part an index of the combined source falls in, and the index
    // within that part; an index outside every part stays with the first.
    struct Place {
        std::size_t part = 0;
        std::int32_t index = 0;
    };
    Place Locate(std::int32_t index) const;

    // The first part's control file; the others are refreshed by whoever
    // added them.
    std::string RefreshControlFile(std::int32_t channelIndex) override;
    std::int32_t ImageCount() const override;
    ChannelPicture Image(std::int32_t index) const override;
    std::filesystem::path ImageFilePath(std::int32_t index) override;
    std::filesystem::path ConversionPath(std::int32_t index,
                                         const std::filesystem::path& picture) const override;
    // Of the part fetched from last.
    std::string LastDownloadError() const override;
    // The first part's.
    std::string ChannelName() const override;
    std::string ChannelNameOf(std::int32_t index) const override;
    std::string ChannelId(std::int32_t index) const override;
    std::filesystem::path CachedPicturePath(std::int32_t index) const override;

private:
    std::vector<ChannelSource*> parts_;
    std::size_t fetchedFrom_ = 0;
};

}  // namespace wylo
