#include "channels/MadeChannel.h"

#include <sstream>

#include <pugixml.hpp>

#include "base/PathText.h"
#include "channels/ChannelDirectory.h"
#include "channels/ControlFile.h"
#include "channels/Download.h"

namespace wylo {

namespace {

void AddValue(pugi::xml_node parent, const char* name, std::string_view value) {
    if (!value.empty()) {
        parent.append_child(name).text().set(std::string(value).c_str());
    }
}

// 64-bit FNV-1a: stable across runs and platforms, so a picture keeps its
// cache name from one refresh to the next.
std::uint64_t StableHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string Hex16(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return text;
}

bool HasJpegExtension(std::string_view name) {
    const std::string upper = UpperAscii(name);
    return upper.ends_with(".JPG") || upper.ends_with(".JPEG");
}

// The name's stem, cut to a few safe characters for a readable cache name.
std::string ShortSafeStem(std::string_view name) {
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name = name.substr(0, dot);
    }
    std::string stem;
    for (const char c : name) {
        if (stem.size() >= 40) {
            break;
        }
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        stem += plain ? c : '_';
    }
    return stem;
}

}  // namespace

std::string MadeControlFileText(const ChannelDescription& channel) {
    pugi::xml_document doc;
    pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node provider = doc.append_child("provider");
    AddValue(provider, "title", channel.title);
    AddValue(provider, "description", channel.description);
    AddValue(provider, "copyright", channel.copyright);
    AddValue(provider, "news", channel.news);
    pugi::xml_node images = provider.append_child("images");
    for (const ChannelPicture& image : channel.images) {
        pugi::xml_node entry = images.append_child("image");
        AddValue(entry, "title", image.title);
        AddValue(entry, "loc", image.loc);
        AddValue(entry, "path", PathText(image.path));
        AddValue(entry, "thumb", image.thumb);
        AddValue(entry, "file", image.file);
        AddValue(entry, "credit", image.credit);
        AddValue(entry, "background", image.background);
        AddValue(entry, "font", image.font);
        if (image.width > 0 && image.height > 0) {
            AddValue(entry, "width", std::to_string(image.width));
            AddValue(entry, "height", std::to_string(image.height));
        }
        AddValue(entry, "stamp", image.stamp);
    }
    std::ostringstream text;
    doc.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    return text.str();
}

std::string UniqueCacheName(std::string_view wanted, std::string_view key,
                            std::set<std::string>& taken) {
    std::string name(wanted);
    if (!IsSafeName(name) || !HasJpegExtension(name) || taken.contains(UpperAscii(name))) {
        name = ShortSafeStem(wanted);
        name += (name.empty() ? "" : "-") + Hex16(StableHash(key)) + ".jpg";
        // Two keys with one hash: count on until the name is free.
        for (int n = 2; taken.contains(UpperAscii(name)); ++n) {
            name = ShortSafeStem(wanted) + "-" + Hex16(StableHash(key)) + "-" + std::to_string(n) +
                   ".jpg";
        }
    }
    taken.insert(UpperAscii(name));
    return name;
}

std::string PictureCacheName(std::string_view file, std::string_view loc) {
    return IsSafeName(file) ? std::string(file) : FileNameFromUrl(loc);
}

std::string PictureCacheName(const ChannelPicture& picture) {
    return PictureCacheName(picture.file, picture.loc);
}

}  // namespace wylo
