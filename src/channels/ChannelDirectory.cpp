#include "channels/ChannelDirectory.h"

#include <fstream>
#include <system_error>

#include "base/Error.h"
#include "channels/ChannelXml.h"

namespace wylo {

namespace {

bool SameNameIgnoringCase(const char* name, std::string_view upperName) {
    return UpperAscii(name) == upperName;
}

// The text of node's first child element named upperName, in either case;
// empty when it has none.
std::string FirstChildText(pugi::xml_node node, std::string_view upperName) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && SameNameIgnoringCase(child.name(), upperName)) {
            return child.text().get();
        }
    }
    return {};
}

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

void LoadChannelDocument(pugi::xml_document& doc, const std::filesystem::path& path) {
    doc.reset();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        throw Error("Cannot read \"" + path.string() + "\": " + ec.message());
    }
    if (size > kMaxChannelDocumentBytes) {
        throw Error("Cannot read \"" + path.string() + "\": the file is " + std::to_string(size) +
                    " bytes, more than the " + std::to_string(kMaxChannelDocumentBytes) +
                    " allowed");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        throw Error("Cannot open \"" + path.string() + "\" for reading");
    }
    std::string content(static_cast<std::size_t>(size), '\0');
    // The file may have changed since its size was taken; read no more than
    // was measured and parse what arrived.
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (in.bad()) {
        throw Error("Cannot read \"" + path.string() + "\"");
    }
    content.resize(static_cast<std::size_t>(in.gcount()));

    const pugi::xml_parse_result result =
        doc.load_buffer(content.data(), content.size(), pugi::parse_default);
    if (!result) {
        doc.reset();
        throw Error("\"" + path.string() + "\" is not a well-formed XML document: " +
                    result.description() + " (at byte " + std::to_string(result.offset) + ")");
    }
}

void ChannelDirectory::Open(const std::filesystem::path& path) {
    Close();
    pugi::xml_document doc;
    LoadChannelDocument(doc, path);
    const auto section = [&doc](std::string_view name) {
        const std::string wanted = UpperAscii(name);
        pugi::xml_node result;
        for (pugi::xml_node top : doc.children()) {
            for (pugi::xml_node child : top.children()) {
                if (child.type() == pugi::node_element &&
                    SameNameIgnoringCase(child.name(), wanted)) {
                    result = child;
                    break;
                }
            }
        }
        return result;
    };
    if (const pugi::xml_node providers = section("PROVIDERS")) {
        listsChannels_ = true;
        for (pugi::xml_node entry : providers.children()) {
            if (entry.type() != pugi::node_element) {
                continue;
            }
            channels_.push_back({FirstChildText(entry, "ID"), FirstChildText(entry, "URL")});
        }
    }
    for (pugi::xml_node child : section("PROPERTIES").children()) {
        if (child.type() == pugi::node_element && SameNameIgnoringCase(child.name(), "NEWS")) {
            news_ = child.text().get();
        }
    }
    open_ = true;
}

void ChannelDirectory::Close() {
    channels_.clear();
    news_.clear();
    listsChannels_ = false;
    open_ = false;
}

const DirectoryChannel& ChannelDirectory::Channel(int index) const {
    if (index < 0 || index >= ChannelCount()) {
        throw Error("The channel directory has no channel " + std::to_string(index) +
                    " (it lists " + std::to_string(ChannelCount()) + ")");
    }
    return channels_[static_cast<std::size_t>(index)];
}

}  // namespace wylo
