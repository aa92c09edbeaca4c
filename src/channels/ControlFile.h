#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

namespace wylo {

// A channel's control file (Channel.xml): a root element "provider" whose
// children carry the channel's values, and an "images" child whose element
// children are the image entries, taken by position whatever their names.
// Element names match exactly, case included. No lookup ever fails: a
// missing element, a document that is not loaded or any other trouble
// answers an empty text or 0.
class ControlFile {
public:
    // Replaces the document with the file at path. False, and the document
    // closed, when the file is missing, too large or not well-formed;
    // LoadError() then tells why.
    bool Load(const std::filesystem::path& path);
    void Close();
    bool IsLoaded() const { return loaded_; }
    // Why the last Load failed; empty after a successful one.
    const std::string& LoadError() const { return loadError_; }

    // Text of the child of "provider" named name.
    std::string ControlFileValue(std::string_view name) const;
    // Number of image entries.
    int ImageCount() const;
    // Text of the child named name of the image entry at index.
    std::string ImageValue(std::string_view name, int index) const;

private:
    pugi::xml_document doc_;
    // The image entries in document order, for lookups by position without
    // walking the list each time.
    std::vector<pugi::xml_node> images_;
    std::string loadError_;
    bool loaded_ = false;
};

}  // namespace wylo
