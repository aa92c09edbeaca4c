#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace wylo {

// The user's pictures folder from the XDG_PICTURES_DIR line of the text of
// user-dirs.dirs ("$HOME/..." or an absolute path); home/Pictures when the
// text has no usable line. Empty when the line sets it to home itself, which
// switches the folder off.
std::filesystem::path XdgPicturesFolder(const std::string& userDirs,
                                        const std::filesystem::path& home);

// The picture folders of a Linux system whose files lie under systemRoot
// ("/" but in tests), for the user whose home and XDG configuration folder
// are given: the distribution's backgrounds, its wallpaper packages and the
// user's pictures, those that exist as folders.
std::vector<PictureFolder> LinuxPictureFolders(const std::filesystem::path& systemRoot,
                                               const std::filesystem::path& home,
                                               const std::filesystem::path& configHome);

}  // namespace wylo
