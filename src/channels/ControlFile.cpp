#include "channels/ControlFile.h"

#include <exception>

#include "channels/ChannelDirectory.h"

namespace wylo {

namespace {

// The element's text; empty for a null node.
std::string TextOf(pugi::xml_node node) {
    return node.text().get();
}

}  // namespace

bool ControlFile::Load(const std::filesystem::path& path) {
    Close();
    try {
        LoadChannelDocument(doc_, path);
        if (pugi::xml_node images = doc_.child("provider").child("images")) {
            for (pugi::xml_node entry : images.children()) {
                if (entry.type() == pugi::node_element) {
                    images_.push_back(entry);
                }
            }
        }
        loaded_ = true;
        loadError_.clear();
    } catch (const std::exception& e) {
        Close();
        loadError_ = e.what();
    }
    return loaded_;
}

void ControlFile::Close() {
    images_.clear();
    doc_.reset();
    loaded_ = false;
}

std::string ControlFile::ControlFileValue(std::string_view name) const {
    if (!loaded_) {
        return {};
    }
    return TextOf(doc_.child("provider").child(std::string(name).c_str()));
}

int ControlFile::ImageCount() const {
    return static_cast<int>(images_.size());
}

std::string ControlFile::ImageValue(std::string_view name, int index) const {
    if (index < 0 || index >= ImageCount()) {
        return {};
    }
    return TextOf(images_[static_cast<std::size_t>(index)].child(std::string(name).c_str()));
}

}  // namespace wylo
