#pragma once

#include <set>
#include <string>
#include <string_view>

namespace wylo::tool {

// Texts and names a published channel is made of.

// The image title a photo's file name gives: the name without its
// extension, underscores and dashes read as blanks, runs of blanks made one
// and trimmed ("Sunset_over-the_Bay.jpg" gives "Sunset over the Bay"). Falls
// back to the name without extension when nothing else is left.
std::string TitleFromFileName(std::string_view fileName);

// text as valid UTF-8 for an XML document: malformed sequences become U+FFFD
// and control characters blanks (line feeds stay when keepLineFeeds is set;
// a carriage return before a line feed goes).
std::string CleanText(std::string_view text, bool keepLineFeeds = false);

// Percent-encodes every byte of a path element except the unreserved
// characters of URLs (letters, digits, "-", ".", "_", "~").
std::string PercentEncode(std::string_view text);

// Checks an address that published documents are placed under: http or
// https, no query or fragment. Returns it without trailing slashes; throws
// Error naming option otherwise.
std::string BaseUrl(std::string_view url, std::string_view option);

// Checks an address a channel document points to (news, terms): empty, or
// an http or https address. Throws Error naming option otherwise.
void CheckPageUrl(std::string_view url, std::string_view option);

// base (from BaseUrl) followed by "/" and every element of relative, each
// percent-encoded; relative's elements are separated by "/".
std::string UrlUnder(std::string_view base, std::string_view relative);

// The name a photo is published under in images/ and thumbs/: its name
// without extension, characters that are not allowed in file names on some
// systems replaced by "_", followed by ".jpg". The name is safe as one
// element of Wylo's cache also once percent-encoded; it differs, ignoring
// ASCII case and the extension, from every name in taken (a suffix "-2",
// "-3"... is added), since the cache keeps a ".bmp" conversion beside each
// picture and may live on a case-insensitive file system. The chosen stem,
// lower-cased, is added to taken.
std::string PublishedName(std::string_view fileName, std::set<std::string>& taken);

}  // namespace wylo::tool
