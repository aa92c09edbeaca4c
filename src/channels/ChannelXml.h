#pragma once

#include <filesystem>

#include <pugixml.hpp>

namespace wylo {

// Parses the XML file at path into doc (replacing what it held), for the
// readers of channel documents inside this layer; the rest of the program
// sees only what they make of it. Throws Error naming the file when it is
// missing, larger than kMaxChannelDocumentBytes or not well-formed; doc is
// then empty. Entities declared in a DTD are never expanded.
void LoadChannelDocument(pugi::xml_document& doc, const std::filesystem::path& path);

}  // namespace wylo
