#include "session/HiddenPictures.h"

#include <fstream>

#include "settings/AtomicFile.h"

namespace wylo {
namespace {

bool Nameable(std::string_view text) {
    return !text.empty() && text.size() < HiddenPictures::kMaxLineBytes &&
           text.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

std::filesystem::path HiddenPictures::FilePath(const std::filesystem::path& appFolder) {
    return appFolder / "Hidden.txt";
}

HiddenPictures HiddenPictures::Load(const std::filesystem::path& path) {
    HiddenPictures hidden;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (hidden.size() < kMaxEntries && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t tab = line.find('\t');
        if (line.size() > kMaxLineBytes || tab == std::string::npos) {
            continue;
        }
        hidden.Add(std::string_view(line).substr(0, tab), std::string_view(line).substr(tab + 1));
    }
    return hidden;
}

void HiddenPictures::Save(const std::filesystem::path& path) const {
    std::string text;
    for (const auto& [channel, file] : entries_) {
        text += channel + "\t" + file + "\n";
    }
    WriteFileAtomically(path, text);
}

bool HiddenPictures::Contains(std::string_view channelId, std::string_view fileName) const {
    return entries_.count(std::pair<std::string, std::string>(channelId, fileName)) > 0;
}

bool HiddenPictures::Add(std::string_view channelId, std::string_view fileName) {
    if (!Nameable(channelId) || !Nameable(fileName) || entries_.size() >= kMaxEntries) {
        return false;
    }
    return entries_.emplace(channelId, fileName).second;
}

}  // namespace wylo
