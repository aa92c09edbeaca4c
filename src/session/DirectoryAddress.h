#pragma once

#include <filesystem>
#include <string>

namespace wylo {

// The address to fetch the channel directory from, as the settings file at
// settingsFile sets it (key "DirectoryUrl" of section "Channels"), else the
// built-in one. Read once, before the directory is first fetched; never
// written.
std::string ReadChannelDirectoryUrl(const std::filesystem::path& settingsFile);

}  // namespace wylo
