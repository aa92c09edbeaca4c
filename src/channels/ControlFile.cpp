#include "channels/ControlFile.h"

#include <charconv>
#include <exception>
#include <system_error>

#include <pugixml.hpp>

#include "base/PathText.h"
#include "channels/ChannelDirectory.h"
#include "channels/ChannelXml.h"

namespace wylo {

namespace {

std::string TextOf(pugi::xml_node node, const char* name) {
    return node.child(name).text().get();
}

// A size as the entry writes it: a whole positive number, else 0.
std::int32_t SizeOf(pugi::xml_node node, const char* name) {
    const std::string text = TextOf(node, name);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

ChannelPicture PictureOf(pugi::xml_node entry) {
    ChannelPicture picture;
    picture.title = TextOf(entry, "title");
    picture.loc = TextOf(entry, "loc");
    picture.path = PathFromText(TextOf(entry, "path"));
    picture.thumb = TextOf(entry, "thumb");
    picture.file = TextOf(entry, "file");
    picture.credit = TextOf(entry, "credit");
    picture.background = TextOf(entry, "background");
    picture.font = TextOf(entry, "font");
    picture.width = SizeOf(entry, "width");
    picture.height = SizeOf(entry, "height");
    picture.stamp = TextOf(entry, "stamp");
    return picture;
}

}  // namespace

bool ControlFile::Load(const std::filesystem::path& path) {
    Close();
    try {
        pugi::xml_document doc;
        LoadChannelDocument(doc, path);
        const pugi::xml_node provider = doc.child("provider");
        ChannelDescription channel;
        channel.title = TextOf(provider, "title");
        channel.description = TextOf(provider, "description");
        channel.copyright = TextOf(provider, "copyright");
        channel.news = TextOf(provider, "news");
        channel.legal = TextOf(provider, "legal");
        channel.preview = TextOf(provider, "preview");
        channel.subscription = TextOf(provider, "subscription");
        for (pugi::xml_node entry : provider.child("images").children()) {
            if (entry.type() == pugi::node_element) {
                channel.images.push_back(PictureOf(entry));
            }
        }
        channel_ = std::move(channel);
        loaded_ = true;
        loadError_.clear();
    } catch (const std::exception& e) {
        Close();
        loadError_ = e.what();
    }
    return loaded_;
}

void ControlFile::Close() {
    channel_ = {};
    loaded_ = false;
}

const ChannelPicture& ControlFile::Image(int index) const {
    static const ChannelPicture kNone;
    if (index < 0 || index >= ImageCount()) {
        return kNone;
    }
    return channel_.images[static_cast<std::size_t>(index)];
}

}  // namespace wylo
