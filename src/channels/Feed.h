#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "channels/MadeChannel.h"

namespace wylo {

// What a fetched channel address turned out to hold.
enum class ChannelDocumentKind {
    // A Wylo control file (root element "provider").
    ControlFile,
    // A photo feed: RSS 2.0 (with or without Media RSS), Atom, or an image
    // archive of the kind "images/image/url".
    Feed,
    // Neither, or not readable XML at all.
    Unknown,
};

// Which kind of document the file at path is. Never throws: a file that
// cannot be read or parsed is Unknown.
ChannelDocumentKind ChannelDocumentKindOfFile(const std::filesystem::path& path);

// The most items taken from one feed; real photo feeds list a few dozen.
inline constexpr std::size_t kMaxFeedItems = 1000;

// The channel a photo feed describes, read from feedFile, the feed as
// fetched from feedUrl (the address relative picture addresses resolve
// against). Only pictures published as JPEG with an http(s) address are
// kept, each once; texts are plain and cut to what the window shows.
// Throws Error with a message a user can read when the file is not a feed
// Wylo can read or lists no JPEG picture.
ChannelDescription ReadFeed(const std::filesystem::path& feedFile, std::string_view feedUrl);

// The rules ReadFeed is made of, for its tests and for other sources.

// ref resolved against the absolute address base (RFC 3986, section 5.2);
// ref itself when base is not absolute and ref is.
std::string ResolveUrl(std::string_view base, std::string_view ref);

// The original picture behind a MediaWiki thumbnail address
// (".../thumb/a/ab/Name.jpg/800px-Name.jpg" gives ".../a/ab/Name.jpg");
// empty when url is no such address.
std::string MediaWikiOriginalUrl(std::string_view url);

// HTML as plain text: tags (and what scripts and styles hold) dropped,
// character references decoded, runs of white space made one space,
// trimmed. Bytes that are not UTF-8 are read as Latin-1.
std::string HtmlToPlainText(std::string_view html);

}  // namespace wylo
