#include "schedule/ChannelSource.h"

#include "channels/ChannelSession.h"

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

std::string SessionChannelSource::ImageValue(std::string_view name, std::int32_t index) const {
    return session_.controlFile().ImageValue(name, index);
}

std::filesystem::path SessionChannelSource::ImageFilePath(std::int32_t index) {
    return session_.ImageFilePath(session_.selectedChannelId(), index);
}

std::string SessionChannelSource::LastDownloadError() const {
    return session_.LastDownloadError();
}

std::string SessionChannelSource::ChannelName() const {
    const std::string title = session_.controlFile().ControlFileValue("title");
    // A channel's title can be any length; a message needs a name.
    return ShortenedText(title.empty() ? session_.selectedChannelId() : title, 60);
}

}  // namespace wylo
