#include "session/DirectoryAddress.h"

#include "channels/ChannelSession.h"
#include "settings/SettingsFile.h"

namespace wylo {

std::string ReadChannelDirectoryUrl(const std::filesystem::path& settingsFile) {
    return ChannelDirectoryUrl(ReadDirectoryUrl(settingsFile));
}

}  // namespace wylo
