#include "schedule/ChannelSource.h"

#include "channels/ChannelSession.h"

namespace wylo {

void SessionChannelSource::RefreshControlFile(std::int32_t channelIndex) {
    // Neither result matters: the change goes on with whatever control file
    // is loaded afterwards (a cached copy when the server is away).
    session_.DownloadControlFile(channelIndex);
    session_.LoadControlFile(channelIndex);
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

}  // namespace wylo
