#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "channels/ChannelDescription.h"

namespace wylo {

class ChannelSession;

// What a desktop change and the schedule need of the subscribed channel.
class ChannelSource {
public:
    virtual ~ChannelSource() = default;

    // Fetches (or confirms) and loads the control file of the channel at
    // index in the directory; when the host is away, the copy in the cache
    // is loaded (LastDownloadError() then says why it was not fetched).
    // Returns why no control file could be loaded, in words a user can
    // read; empty when one is loaded. An index the directory does not hold
    // throws Error.
    virtual std::string RefreshControlFile(std::int32_t channelIndex) = 0;

    // The loaded channel's pictures: how many, and the one at index (an
    // empty one when there is none there).
    virtual std::int32_t ImageCount() const = 0;
    virtual ChannelPicture Image(std::int32_t index) const = 0;

    // Fetches image index into the cache of the channel fetched last and
    // returns its path; empty when there is nothing to fetch or it failed.
    virtual std::filesystem::path ImageFilePath(std::int32_t index) = 0;

    // Where the conversion of image index, fetched to picture, is kept:
    // beside it, unless the picture is not in the cache.
    virtual std::filesystem::path ConversionPath(std::int32_t index,
                                                 const std::filesystem::path& picture) const;

    // Why the last fetch (control file or image) failed or was refused, in
    // words a user can read; empty when it worked or nothing says more.
    virtual std::string LastDownloadError() const { return {}; }

    // The channel's name for messages: its title, or nothing when unknown.
    virtual std::string ChannelName() const { return {}; }
    // The name of the channel image index comes from, where a source holds
    // more than one channel.
    virtual std::string ChannelNameOf(std::int32_t /*index*/) const { return ChannelName(); }
    // The id (cache folder name) of the channel image index comes from;
    // empty when unknown.
    virtual std::string ChannelId(std::int32_t /*index*/) const { return {}; }
    // Where image index's picture is kept in the cache once fetched; empty
    // when it has no safe name there.
    virtual std::filesystem::path CachedPicturePath(std::int32_t /*index*/) const { return {}; }
};

// The program's channel session as a source.
class SessionChannelSource : public ChannelSource {
public:
    explicit SessionChannelSource(ChannelSession& session) : session_(session) {}

    std::string RefreshControlFile(std::int32_t channelIndex) override;
    std::int32_t ImageCount() const override;
    ChannelPicture Image(std::int32_t index) const override;
    std::filesystem::path ImageFilePath(std::int32_t index) override;
    std::filesystem::path ConversionPath(std::int32_t index,
                                         const std::filesystem::path& picture) const override;
    std::string LastDownloadError() const override;
    std::string ChannelName() const override;
    std::string ChannelId(std::int32_t index) const override;
    std::filesystem::path CachedPicturePath(std::int32_t index) const override;

private:
    ChannelSession& session_;
};

}  // namespace wylo
