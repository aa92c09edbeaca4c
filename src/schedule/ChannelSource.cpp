#include "schedule/ChannelSource.h"

#include "base/Error.h"
#include "channels/ChannelSession.h"
#include "channels/Download.h"
#include "compose/Jpeg.h"

namespace wylo {

std::string SessionChannelSource::RefreshControlFile(std::int32_t channelIndex) {
    // A copy in the cache serves when the host is away.
    const bool fetched = session_.DownloadControlFile(channelIndex);
    if (session_.LoadControlFile(channelIndex)) {
        return {};
    }
    if (!fetched) {
        const std::string& why = session_.LastDownloadError();
        return "The channel's control file could not be downloaded" +
               (why.empty() ? std::string(".") : ": " + why);
    }
    return "The channel's control file could not be read: " + session_.controlFile().LoadError();
}

std::int32_t SessionChannelSource::ImageCount() const {
    return session_.controlFile().ImageCount();
}

ChannelPicture SessionChannelSource::Image(std::int32_t index) const {
    return session_.controlFile().Image(index);
}

std::filesystem::path SessionChannelSource::ImageFilePath(std::int32_t index) {
    return session_.ImageFilePath(session_.selectedChannelId(), index);
}

std::filesystem::path ChannelSource::ConversionPath(std::int32_t /*index*/,
                                                    const std::filesystem::path& picture) const {
    return ConvertedBmpPath(picture);
}

std::filesystem::path SessionChannelSource::ConversionPath(
    std::int32_t index, const std::filesystem::path& picture) const {
    const OwnChannel* own = session_.OwnChannelWithId(session_.selectedChannelId());
    if (!own || own->kind == OwnChannel::Kind::Address) {
        return ConvertedBmpPath(picture);
    }
    // The photo's own folder is the user's: its conversion goes to the cache
    // under the photo's cache name.
    const std::string file = session_.controlFile().Image(index).file;
    const std::filesystem::path folder = session_.CacheFolder(session_.selectedChannelId());
    if (!IsSafeName(file) || folder.empty()) {
        throw Error("The photo has no name in the channel's cache.");
    }
    std::error_code ec;
    std::filesystem::create_directories(folder / "images", ec);
    return folder / "images" / std::filesystem::path(file).replace_extension(".bmp");
}

std::string SessionChannelSource::LastDownloadError() const {
    return session_.LastDownloadError();
}

std::string SessionChannelSource::ChannelId(std::int32_t /*index*/) const {
    return session_.selectedChannelId();
}

std::filesystem::path SessionChannelSource::CachedPicturePath(std::int32_t index) const {
    const std::filesystem::path folder = session_.CacheFolder(session_.selectedChannelId());
    const std::string name = PictureCacheName(session_.controlFile().Image(index));
    if (folder.empty() || !IsSafeName(name)) {
        return {};
    }
    return folder / "images" / name;
}

std::string SessionChannelSource::ChannelName() const {
    const std::string title = session_.controlFile().channel().title;
    // A channel's title can be any length; a message needs a name.
    return ShortenedText(title.empty() ? session_.selectedChannelId() : title, 60);
}

}  // namespace wylo
