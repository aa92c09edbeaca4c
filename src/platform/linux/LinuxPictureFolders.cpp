#include "platform/linux/LinuxPictureFolders.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace wylo {
namespace fs = std::filesystem;

namespace {

// user-dirs.dirs is a few lines; anything much larger is not it.
constexpr std::streamsize kMaxUserDirsBytes = 64 * 1024;

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    std::string text(static_cast<std::size_t>(kMaxUserDirsBytes), '\0');
    in.read(text.data(), kMaxUserDirsBytes);
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// The value of a shell-quoted "..." string with its backslash escapes
// undone; nothing when the quotes do not close.
bool Unquote(const std::string& text, std::string& value) {
    if (text.size() < 2 || text.front() != '"') {
        return false;
    }
    value.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            value += text[++i];
        } else if (text[i] == '"') {
            return true;
        } else {
            value += text[i];
        }
    }
    return false;
}

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

fs::path XdgPicturesFolder(const std::string& userDirs, const fs::path& home) {
    std::istringstream lines(userDirs);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        static constexpr std::string_view kKey = "XDG_PICTURES_DIR=";
        if (!line.starts_with(kKey)) {
            continue;
        }
        std::string value;
        if (!Unquote(line.substr(kKey.size()), value)) {
            continue;
        }
        fs::path folder;
        if (value == "$HOME" || value == "$HOME/") {
            return {};
        }
        if (value.starts_with("$HOME/")) {
            folder = home / value.substr(6);
        } else if (value.starts_with('/')) {
            folder = value;
        } else {
            continue;
        }
        return folder.lexically_normal();
    }
    return home / "Pictures";
}

std::vector<PictureFolder> LinuxPictureFolders(const fs::path& systemRoot, const fs::path& home,
                                               const fs::path& configHome) {
    std::vector<PictureFolder> folders;
    const fs::path share = systemRoot / "usr" / "share";
    if (IsFolder(share / "backgrounds")) {
        folders.push_back({"Desktop Backgrounds", share / "backgrounds", false});
    }
    if (IsFolder(share / "wallpapers")) {
        folders.push_back({"Wallpapers", share / "wallpapers", true});
    }
    if (!home.empty()) {
        const fs::path config = configHome.empty() ? home / ".config" : configHome;
        const fs::path pictures = XdgPicturesFolder(ReadSmallFile(config / "user-dirs.dirs"), home);
        if (IsFolder(pictures)) {
            folders.push_back({"Pictures", pictures, false});
        }
    }
    return folders;
}

}  // namespace wylo
