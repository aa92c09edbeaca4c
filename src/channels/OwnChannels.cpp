#include "channels/OwnChannels.h"

#include <algorithm>

#include "base/WebAddress.h"
#include "channels/ChannelText.h"

namespace wylo {

namespace {

constexpr std::string_view kHeader =
    "# Wylo's own channels, listed after the channel directory's.\n"
    "# One block per channel, blocks apart by a blank line:\n"
    "#   title: the caption in the channel list\n"
    "#   address: a photo feed or a channel's control file (http or https)\n"
    "#   folder: a folder of photos, read with its subfolders\n"
    "#   wallpapers: a folder with one folder per wallpaper in its sizes\n";

std::string_view KindName(OwnChannel::Kind kind) {
    switch (kind) {
        case OwnChannel::Kind::Address:
            return "address";
        case OwnChannel::Kind::Folder:
            return "folder";
        case OwnChannel::Kind::Wallpapers:
            return "wallpapers";
    }
    return "address";
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// A line of the file cannot hold a line break.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

// 64-bit FNV-1a, stable across runs and platforms.
std::uint64_t StableHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

}  // namespace

std::string OwnChannel::Id() const {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::uint64_t hash = StableHash(std::string(KindName(kind)) + '\n' + source);
    std::string id = "own-" + std::string(16, '0');
    for (std::size_t i = id.size(); i-- > 4;) {
        id[i] = kDigits[hash & 0xF];
        hash >>= 4;
    }
    return id;
}

std::string OwnChannelsText(const std::vector<OwnChannel>& channels) {
    std::string text(kHeader);
    for (const OwnChannel& channel : channels) {
        text += '\n';
        if (!channel.title.empty()) {
            text += "title: " + OneLine(channel.title) + '\n';
        }
        text += std::string(KindName(channel.kind)) + ": " + OneLine(channel.source) + '\n';
    }
    return text;
}

std::vector<OwnChannel> ParseOwnChannels(std::string_view text) {
    std::vector<OwnChannel> channels;
    std::string title;
    const auto add = [&channels, &title](OwnChannel::Kind kind, std::string_view source) {
        OwnChannel channel{kind, std::string(source), ShownTitle(title)};
        title.clear();
        const bool usable =
            kind == OwnChannel::Kind::Address ? IsFetchableUrl(channel.source) : !source.empty();
        const bool repeated =
            std::any_of(channels.begin(), channels.end(), [&channel](const OwnChannel& c) {
                return c.kind == channel.kind && c.source == channel.source;
            });
        if (usable && !repeated && channels.size() < kMaxOwnChannels) {
            channels.push_back(std::move(channel));
        }
    };
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty()) {
            title.clear();  // a title belongs to the block it opens
            continue;
        }
        const std::size_t colon = line.find(':');
        if (line.front() == '#' || colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = Trimmed(line.substr(0, colon));
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (name == "title") {
            title = value;
        } else if (name == "address") {
            add(OwnChannel::Kind::Address, value);
        } else if (name == "folder") {
            add(OwnChannel::Kind::Folder, value);
        } else if (name == "wallpapers") {
            add(OwnChannel::Kind::Wallpapers, value);
        }
    }
    return channels;
}

}  // namespace wylo
