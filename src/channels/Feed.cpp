#include "channels/Feed.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include <pugixml.hpp>

#include "base/Error.h"
#include "base/Utf8.h"
#include "base/WebAddress.h"
#include "channels/ChannelDirectory.h"
#include "channels/ChannelText.h"
#include "channels/ChannelXml.h"
#include "channels/Download.h"

namespace wylo {

namespace {

constexpr std::string_view kAtomNs = "http://www.w3.org/2005/Atom";
constexpr std::string_view kMediaNs = "http://search.yahoo.com/mrss/";
// Some feeds leave the final slash off the Media RSS namespace.
constexpr std::string_view kMediaNsNoSlash = "http://search.yahoo.com/mrss";
constexpr std::string_view kDcNs = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kContentNs = "http://purl.org/rss/1.0/modules/content/";

// Addresses longer than this are no real picture's; they are dropped.
constexpr std::size_t kMaxUrlBytes = 4096;
// An <img> with a side this small is a tracking pixel or an icon.
constexpr std::int64_t kMaxTinySide = 16;
// The most <img> tags looked at in one piece of HTML.
constexpr std::size_t kMaxHtmlImages = 64;
// Sizes beyond this are not taken as a picture's.
constexpr std::int64_t kMaxPictureSide = 1'000'000;

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAsciiText(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerAscii(c);
    }
    return result;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && LowerAsciiText(a) == LowerAsciiText(b);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsAsciiSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The length of the well-formed UTF-8 sequence at text[i], 0 when there is
// none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return (overlong || surrogate || code > 0x10FFFF) ? 0 : length;
}

// text as valid UTF-8: a byte that starts no well-formed sequence is taken as
// Latin-1, which is what a feed that misstates its encoding usually holds.
std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            AppendUtf8(out, static_cast<unsigned char>(text[i]));
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string CollapsedSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (const char c : text) {
        if (IsAsciiSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) {
            out += ' ';
            pendingSpace = false;
        }
        out += c;
    }
    return out;
}

std::optional<std::uint32_t> NamedCharacter(std::string_view name) {
    static const std::map<std::string_view, std::uint32_t> kNames = {
        {"amp", '&'},      {"lt", '<'},        {"gt", '>'},       {"quot", '"'},
        {"apos", '\''},    {"nbsp", ' '},      {"copy", 0xA9},    {"reg", 0xAE},
        {"trade", 0x2122}, {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013},
        {"lsquo", 0x2018}, {"rsquo", 0x2019},  {"ldquo", 0x201C}, {"rdquo", 0x201D},
        {"laquo", 0xAB},   {"raquo", 0xBB},    {"deg", 0xB0},     {"middot", 0xB7},
        {"eacute", 0xE9},  {"egrave", 0xE8},   {"aacute", 0xE1},  {"agrave", 0xE0},
        {"oacute", 0xF3},  {"uacute", 0xFA},   {"iacute", 0xED},  {"ntilde", 0xF1},
        {"ccedil", 0xE7},  {"auml", 0xE4},     {"ouml", 0xF6},    {"uuml", 0xFC},
        {"Auml", 0xC4},    {"Ouml", 0xD6},     {"Uuml", 0xDC},    {"szlig", 0xDF},
        {"aring", 0xE5},   {"Aring", 0xC5},    {"oslash", 0xF8},  {"Oslash", 0xD8},
        {"aelig", 0xE6},   {"AElig", 0xC6},    {"times", 0xD7},   {"euro", 0x20AC},
    };
    const auto found = kNames.find(name);
    if (found == kNames.end()) {
        return std::nullopt;
    }
    return found->second;
}

// HTML character references in text decoded; one that is not understood
// stays as written.
std::string DecodeCharacterReferences(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        // References are short; looking further would make a text full of
        // "&" cost its length squared.
        const std::size_t end = text.substr(0, i + 14).find(';', i + 1);
        if (end == std::string_view::npos) {
            out += '&';
            continue;
        }
        const std::string_view name = text.substr(i + 1, end - i - 1);
        std::optional<std::uint32_t> code;
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            std::uint32_t value = 0;
            const auto result =
                std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
            if (!digits.empty() && result.ec == std::errc() &&
                result.ptr == digits.data() + digits.size()) {
                const bool bad =
                    value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF);
                code = bad ? 0xFFFD : value;
            }
        } else {
            code = NamedCharacter(name);
        }
        if (!code) {
            out += '&';
            continue;
        }
        AppendUtf8(out, *code);
        i = end;
    }
    return out;
}

bool IsTagNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == ':';
}

// The end of the tag that starts at html[i] ('<'): the index after its '>',
// skipping quoted attribute values.
std::size_t TagEnd(std::string_view html, std::size_t i) {
    char quote = 0;
    for (std::size_t k = i + 1; k < html.size(); ++k) {
        const char c = html[k];
        if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return k + 1;
        }
    }
    return html.size();
}

// An <img> of some HTML, with the attributes that matter here.
struct HtmlImage {
    std::string src;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

std::int64_t ParseSize(std::string_view text) {
    text = Trimmed(text);
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || value <= 0 || value > kMaxPictureSide) {
        return 0;
    }
    return value;
}

// The attributes of the tag whose text (between "<name" and ">") is body.
std::map<std::string, std::string> TagAttributes(std::string_view body) {
    std::map<std::string, std::string> attributes;
    std::size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && (IsAsciiSpace(body[i]) || body[i] == '/')) {
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < body.size() && !IsAsciiSpace(body[i]) && body[i] != '=' && body[i] != '>' &&
               body[i] != '/') {
            ++i;
        }
        const std::string name = LowerAsciiText(body.substr(nameStart, i - nameStart));
        while (i < body.size() && IsAsciiSpace(body[i])) {
            ++i;
        }
        std::string value;
        if (i < body.size() && body[i] == '=') {
            ++i;
            while (i < body.size() && IsAsciiSpace(body[i])) {
                ++i;
            }
            if (i < body.size() && (body[i] == '"' || body[i] == '\'')) {
                const char quote = body[i++];
                const std::size_t end = std::min(body.find(quote, i), body.size());
                value = body.substr(i, end - i);
                i = end + 1;
            } else {
                const std::size_t start = i;
                while (i < body.size() && !IsAsciiSpace(body[i]) && body[i] != '>') {
                    ++i;
                }
                value = body.substr(start, i - start);
            }
        }
        if (name.empty()) {
            ++i;
            continue;
        }
        attributes.emplace(name, DecodeCharacterReferences(value));
    }
    return attributes;
}

std::vector<HtmlImage> HtmlImages(std::string_view html) {
    std::vector<HtmlImage> images;
    std::size_t i = 0;
    while (images.size() < kMaxHtmlImages) {
        i = html.find('<', i);
        if (i == std::string_view::npos) {
            break;
        }
        const std::size_t end = TagEnd(html, i);
        std::size_t nameEnd = i + 1;
        while (nameEnd < html.size() && IsTagNameChar(html[nameEnd])) {
            ++nameEnd;
        }
        if (EqualsNoCase(html.substr(i + 1, nameEnd - i - 1), "img")) {
            const std::size_t bodyEnd = end > nameEnd ? end - 1 : nameEnd;
            auto attributes = TagAttributes(html.substr(nameEnd, bodyEnd - nameEnd));
            HtmlImage image;
            image.src = std::string(Trimmed(attributes["src"]));
            image.width = ParseSize(attributes["width"]);
            image.height = ParseSize(attributes["height"]);
            if (!image.src.empty()) {
                images.push_back(std::move(image));
            }
        }
        i = std::max(end, i + 1);
    }
    return images;
}

// The path of url, without query or fragment.
std::string_view UrlWithoutQuery(std::string_view url) {
    return url.substr(0, std::min(url.find('?'), url.find('#')));
}

// The extension of the last path segment of url, lower case, without the
// dot; empty when it has none.
std::string UrlExtension(std::string_view url) {
    std::string_view path = UrlWithoutQuery(url);
    if (const std::size_t scheme = path.find("://"); scheme != std::string_view::npos) {
        path.remove_prefix(scheme + 3);
        const std::size_t slash = path.find('/');
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : LowerAsciiText(name.substr(dot + 1));
}

// False when the address names a file of another kind than JPEG.
bool MayBeJpegByName(std::string_view url) {
    static const std::set<std::string, std::less<>> kOtherKinds = {
        "png",  "webp", "gif", "bmp", "svg",  "svgz", "tif", "tiff", "avif", "heic",
        "heif", "jxl",  "ico", "jp2", "mp4",  "m4v",  "mov", "webm", "avi",  "mkv",
        "mp3",  "m4a",  "ogg", "oga", "opus", "wav",  "pdf", "html", "htm",
    };
    return !kOtherKinds.contains(UrlExtension(url));
}

// True when a declared media type (parameters allowed) is JPEG.
bool IsJpegType(std::string_view type) {
    type = Trimmed(type.substr(0, type.find(';')));
    return EqualsNoCase(type, "image/jpeg") || EqualsNoCase(type, "image/jpg") ||
           EqualsNoCase(type, "image/pjpeg");
}

// A picture published with this type and address may be a JPEG: its type
// says so, or it has none and the address names no other kind of file.
bool IsJpegPicture(std::string_view type, std::string_view url) {
    return Trimmed(type).empty() ? MayBeJpegByName(url) : IsJpegType(type);
}

// --- Addresses --------------------------------------------------------------

struct UrlParts {
    std::string scheme;
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    bool hasQuery = false;
    std::string query;
    bool hasFragment = false;
    std::string fragment;
};

UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    const std::size_t colon = url.find(':');
    if (colon != std::string_view::npos && colon > 0) {
        const std::string_view scheme = url.substr(0, colon);
        const bool first =
            (scheme[0] >= 'a' && scheme[0] <= 'z') || (scheme[0] >= 'A' && scheme[0] <= 'Z');
        const bool valid =
            first &&
            std::all_of(scheme.begin(), scheme.end(),
                        [](char c) { return IsTagNameChar(c) || c == '+' || c == '.'; }) &&
            scheme.find(':') == std::string_view::npos;
        if (valid) {
            parts.scheme = LowerAsciiText(scheme);
            url.remove_prefix(colon + 1);
        }
    }
    if (const std::size_t hash = url.find('#'); hash != std::string_view::npos) {
        parts.hasFragment = true;
        parts.fragment = url.substr(hash + 1);
        url = url.substr(0, hash);
    }
    if (const std::size_t question = url.find('?'); question != std::string_view::npos) {
        parts.hasQuery = true;
        parts.query = url.substr(question + 1);
        url = url.substr(0, question);
    }
    if (url.starts_with("//")) {
        parts.hasAuthority = true;
        const std::size_t slash = std::min(url.find('/', 2), url.size());
        parts.authority = url.substr(2, slash - 2);
        url.remove_prefix(slash);
    }
    parts.path = url;
    return parts;
}

std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./")) {
            input.remove_prefix(2);
        } else if (input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../") || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const std::size_t slash = output.rfind('/');
            output.resize(slash == std::string::npos ? 0 : slash);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', input[0] == '/' ? 1 : 0);
            const std::size_t length = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, length));
            input.remove_prefix(length);
        }
    }
    return output;
}

std::string JoinUrl(const UrlParts& parts) {
    std::string url = parts.scheme + ":";
    if (parts.hasAuthority) {
        url += "//" + parts.authority;
    }
    url += parts.path;
    if (parts.hasQuery) {
        url += "?" + parts.query;
    }
    if (parts.hasFragment) {
        url += "#" + parts.fragment;
    }
    return url;
}

// The host of an absolute address, empty when it has none.
std::string UrlHost(std::string_view url) {
    std::string authority = SplitUrl(url).authority;
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
        authority.erase(0, at + 1);
    }
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        authority.erase(colon);
    }
    return authority;
}

// --- The XML of a feed ------------------------------------------------------

// The namespace declarations in force at an element: each element that may
// declare some is entered once, so a document with many declarations costs
// no more than one look at each.
class NamespaceScope {
public:
    NamespaceScope(const NamespaceScope* parent, pugi::xml_node element) : parent_(parent) {
        for (pugi::xml_attribute attribute : element.attributes()) {
            const std::string_view name = attribute.name();
            if (name == "xmlns") {
                declared_.emplace("", attribute.value());
            } else if (name.starts_with("xmlns:")) {
                declared_.emplace(std::string(name.substr(6)), attribute.value());
            }
        }
    }

    std::string_view Uri(std::string_view prefix) const {
        for (const NamespaceScope* scope = this; scope; scope = scope->parent_) {
            if (const auto found = scope->declared_.find(prefix); found != scope->declared_.end()) {
                return found->second;
            }
        }
        return {};
    }

private:
    const NamespaceScope* parent_;
    std::map<std::string, std::string, std::less<>> declared_;
};

// An element's namespace and its name without prefix.
struct QualifiedName {
    std::string_view ns;
    std::string_view local;
    bool prefixed = false;

    bool Is(std::string_view wantedNs, std::string_view wantedLocal) const {
        if (local != wantedLocal) {
            return false;
        }
        if (wantedNs == kMediaNs) {
            return ns == kMediaNs || ns == kMediaNsNoSlash;
        }
        return ns == wantedNs;
    }
    // An RSS element: RSS 2.0 puts its own in no namespace.
    bool IsRss(std::string_view wantedLocal) const { return !prefixed && local == wantedLocal; }
};

QualifiedName NameOf(pugi::xml_node element, const NamespaceScope& scope) {
    QualifiedName name;
    const std::string_view full = element.name();
    const std::size_t colon = full.find(':');
    const std::string_view prefix =
        colon == std::string_view::npos ? std::string_view() : full.substr(0, colon);
    name.local = colon == std::string_view::npos ? full : full.substr(colon + 1);
    name.prefixed = !prefix.empty();
    // The element's own declarations come first.
    const std::string own = prefix.empty() ? std::string("xmlns") : "xmlns:" + std::string(prefix);
    if (pugi::xml_attribute declared = element.attribute(own.c_str())) {
        name.ns = declared.value();
    } else {
        name.ns = scope.Uri(prefix);
    }
    return name;
}

// The text an element holds directly (text and CDATA sections, in order).
std::string ElementText(pugi::xml_node element) {
    std::string text;
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            text += child.value();
            if (text.size() > kMaxChannelDocumentBytes) {
                break;
            }
        }
    }
    return text;
}

// What an element holds, as the markup it is: for XHTML content.
std::string ElementMarkup(pugi::xml_node element) {
    std::ostringstream out;
    for (pugi::xml_node child : element.children()) {
        child.print(out, "", pugi::format_raw);
    }
    return out.str();
}

std::string PlainTitle(std::string_view text) {
    return ShownTitle(HtmlToPlainText(text));
}

// The base address in force at element, given the one in force at its
// parent: its xml:base resolved against that.
// A base longer than any address Wylo keeps is no base: relative addresses
// under it are dropped, and no element copies a huge text along.
std::string BaseOf(pugi::xml_node element, const std::string& parentBase) {
    const pugi::xml_attribute attribute = element.attribute("xml:base");
    if (!attribute) {
        return parentBase;
    }
    const std::string_view value = Trimmed(attribute.value());
    std::string base = value.size() > kMaxUrlBytes ? std::string() : ResolveUrl(parentBase, value);
    return base.size() > kMaxUrlBytes ? std::string() : base;
}

// An address from the feed made absolute, or empty when it is not one Wylo
// may fetch.
std::string FetchableAddress(const std::string& base, std::string_view ref) {
    ref = Trimmed(ref);
    if (ref.empty() || ref.size() > kMaxUrlBytes) {
        return {};
    }
    std::string url = ResolveUrl(base, ref);
    if (url.size() > kMaxUrlBytes || !IsFetchableUrl(url)) {
        return {};
    }
    return url;
}

// --- Choosing an item's pictures --------------------------------------------

// One picture an item offers.
struct Offer {
    std::string url;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bytes = 0;
    bool isDefault = false;
    // Media RSS: the media:content and the media:group it came from, for the
    // title, credit and thumbnail that belong to it.
    pugi::xml_node content;
    pugi::xml_node group;
    std::string contentBase;
    std::string groupBase;
};

// The largest offer: widest, then tallest, then the most bytes, then the
// one marked as default; the first of equals.
const Offer* LargestOffer(const std::vector<Offer>& offers) {
    const Offer* best = nullptr;
    for (const Offer& offer : offers) {
        if (!best || std::tie(offer.width, offer.height, offer.bytes, offer.isDefault) >
                         std::tie(best->width, best->height, best->bytes, best->isDefault)) {
            best = &offer;
        }
    }
    return best;
}

bool IsTiny(const HtmlImage& image) {
    return (image.width > 0 && image.width <= kMaxTinySide) ||
           (image.height > 0 && image.height <= kMaxTinySide);
}

// What one item (an RSS item, an Atom entry) offers, gathered from its
// elements before a choice is made.
struct ItemOffers {
    std::string title;
    std::string mediaTitle;
    std::string credit;
    std::string mediaCredit;
    std::vector<Offer> contents;
    std::vector<Offer> enclosures;
    std::vector<Offer> thumbnails;
    // <img> tags of the item's HTML, their addresses resolved.
    std::vector<HtmlImage> htmlImages;
};

// The first media:<local> child of element, as text.
std::string MediaChildText(pugi::xml_node element, const NamespaceScope& scope,
                           std::string_view local) {
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_element && NameOf(child, scope).Is(kMediaNs, local)) {
            return ElementText(child);
        }
    }
    return {};
}

// The first media:thumbnail child of element that may be a JPEG.
std::string MediaThumbnail(pugi::xml_node element, const NamespaceScope& scope,
                           const std::string& base) {
    for (pugi::xml_node child : element.children()) {
        if (child.type() == pugi::node_element && NameOf(child, scope).Is(kMediaNs, "thumbnail")) {
            std::string url = FetchableAddress(BaseOf(child, base), child.attribute("url").value());
            if (!url.empty() && MayBeJpegByName(url)) {
                return url;
            }
        }
    }
    return {};
}

// A media:thumbnail, when it may be a JPEG.
void AddThumbnailOffer(pugi::xml_node thumbnail, const std::string& base,
                       std::vector<Offer>& thumbnails) {
    Offer offer;
    offer.url = FetchableAddress(BaseOf(thumbnail, base), thumbnail.attribute("url").value());
    offer.width = ParseSize(thumbnail.attribute("width").value());
    offer.height = ParseSize(thumbnail.attribute("height").value());
    if (!offer.url.empty() && MayBeJpegByName(offer.url)) {
        thumbnails.push_back(std::move(offer));
    }
}

// A media:content, when it is a picture that may be a JPEG.
std::optional<Offer> ContentOffer(pugi::xml_node content, const std::string& base) {
    const std::string contentBase = BaseOf(content, base);
    const std::string_view medium = Trimmed(content.attribute("medium").value());
    const std::string_view type = content.attribute("type").value();
    if (!medium.empty() && !EqualsNoCase(medium, "image")) {
        return std::nullopt;
    }
    Offer offer;
    offer.url = FetchableAddress(contentBase, content.attribute("url").value());
    if (offer.url.empty() || !IsJpegPicture(type, offer.url)) {
        return std::nullopt;
    }
    offer.width = ParseSize(content.attribute("width").value());
    offer.height = ParseSize(content.attribute("height").value());
    offer.bytes = ParseSize(content.attribute("fileSize").value());
    offer.isDefault = EqualsNoCase(Trimmed(content.attribute("isDefault").value()), "true");
    offer.content = content;
    offer.contentBase = contentBase;
    return offer;
}

// The Media RSS elements among an item's children (or an entry's).
void ReadMediaElement(pugi::xml_node child, const QualifiedName& name,
                      const NamespaceScope& itemScope, const std::string& itemBase,
                      ItemOffers& offers) {
    if (name.Is(kMediaNs, "content")) {
        if (std::optional<Offer> offer = ContentOffer(child, itemBase)) {
            offers.contents.push_back(std::move(*offer));
        }
    } else if (name.Is(kMediaNs, "group")) {
        const NamespaceScope groupScope(&itemScope, child);
        const std::string groupBase = BaseOf(child, itemBase);
        for (pugi::xml_node member : child.children()) {
            if (member.type() != pugi::node_element) {
                continue;
            }
            const QualifiedName memberName = NameOf(member, groupScope);
            if (memberName.Is(kMediaNs, "content")) {
                if (std::optional<Offer> offer = ContentOffer(member, groupBase)) {
                    offer->group = child;
                    offer->groupBase = groupBase;
                    offers.contents.push_back(std::move(*offer));
                }
            } else if (memberName.Is(kMediaNs, "thumbnail")) {
                AddThumbnailOffer(member, groupBase, offers.thumbnails);
            }
        }
    } else if (name.Is(kMediaNs, "thumbnail")) {
        AddThumbnailOffer(child, itemBase, offers.thumbnails);
    } else if (name.Is(kMediaNs, "title") && offers.mediaTitle.empty()) {
        offers.mediaTitle = ElementText(child);
    } else if (name.Is(kMediaNs, "credit") && offers.mediaCredit.empty()) {
        offers.mediaCredit = ElementText(child);
    }
}

void AddHtmlImages(std::string_view html, const std::string& base, ItemOffers& offers) {
    for (HtmlImage& image : HtmlImages(html)) {
        image.src = FetchableAddress(base, image.src);
        if (!image.src.empty()) {
            offers.htmlImages.push_back(std::move(image));
        }
    }
}

// The item Wylo makes of what an item offers; nothing when it offers no
// picture that may be a JPEG.
std::optional<ChannelPicture> ChooseImage(const ItemOffers& offers, const NamespaceScope& scope) {
    std::string full;
    std::int64_t width = 0;
    std::int64_t height = 0;
    const Offer* chosen = LargestOffer(offers.contents);
    if (!chosen) {
        chosen = LargestOffer(offers.enclosures);
    }
    if (chosen) {
        full = chosen->url;
        width = chosen->width;
        height = chosen->height;
    } else {
        // No picture but thumbnails: a MediaWiki thumbnail's original first,
        // then the largest thumbnail, then the largest <img> that is no
        // tracking pixel.
        for (const Offer& thumbnail : offers.thumbnails) {
            if (std::string original = MediaWikiOriginalUrl(thumbnail.url); !original.empty()) {
                full = std::move(original);
                break;
            }
        }
        for (const HtmlImage& image : offers.htmlImages) {
            if (!full.empty()) {
                break;
            }
            if (!IsTiny(image)) {
                full = MediaWikiOriginalUrl(image.src);
            }
        }
        if (full.empty()) {
            if (const Offer* thumbnail = LargestOffer(offers.thumbnails)) {
                full = thumbnail->url;
                width = thumbnail->width;
                height = thumbnail->height;
            }
        }
        if (full.empty()) {
            const HtmlImage* largest = nullptr;
            for (const HtmlImage& image : offers.htmlImages) {
                if (!IsTiny(image) && MayBeJpegByName(image.src) &&
                    (!largest || std::tie(image.width, image.height) >
                                     std::tie(largest->width, largest->height))) {
                    largest = &image;
                }
            }
            if (largest) {
                full = largest->src;
                width = largest->width;
                height = largest->height;
            }
        }
    }
    // A MediaWiki thumbnail stands for the original, the largest there is.
    if (std::string original = MediaWikiOriginalUrl(full); !original.empty()) {
        full = std::move(original);
        width = 0;
        height = 0;
    }
    if (full.empty() || !MayBeJpegByName(full)) {
        return std::nullopt;
    }

    ChannelPicture image;
    image.loc = full;
    if (width > 0 && height > 0) {
        image.width = static_cast<std::int32_t>(width);
        image.height = static_cast<std::int32_t>(height);
    }
    // The most specific title, credit and thumbnail: the chosen
    // media:content's, then its group's, then the item's.
    std::string title;
    std::string credit;
    if (chosen && chosen->content) {
        title = MediaChildText(chosen->content, scope, "title");
        credit = MediaChildText(chosen->content, scope, "credit");
        image.thumb = MediaThumbnail(chosen->content, scope, chosen->contentBase);
    }
    if (chosen && chosen->group) {
        if (title.empty()) {
            title = MediaChildText(chosen->group, scope, "title");
        }
        if (credit.empty()) {
            credit = MediaChildText(chosen->group, scope, "credit");
        }
        if (image.thumb.empty()) {
            image.thumb = MediaThumbnail(chosen->group, scope, chosen->groupBase);
        }
    }
    if (title.empty()) {
        title = offers.mediaTitle.empty() ? offers.title : offers.mediaTitle;
    }
    if (credit.empty()) {
        credit = offers.mediaCredit.empty() ? offers.credit : offers.mediaCredit;
    }
    for (const Offer& thumbnail : offers.thumbnails) {
        if (!image.thumb.empty()) {
            break;
        }
        if (thumbnail.url != full) {
            image.thumb = thumbnail.url;
        }
    }
    for (const HtmlImage& html : offers.htmlImages) {
        if (!image.thumb.empty()) {
            break;
        }
        if (html.src != full && !IsTiny(html) && MayBeJpegByName(html.src)) {
            image.thumb = html.src;
        }
    }
    if (image.thumb == full) {
        image.thumb.clear();
    }
    image.title = PlainTitle(title);
    image.credit = PlainTitle(credit);
    return image;
}

// "nobody@example.com (Jane Doe)" gives "Jane Doe"; an RSS author is an
// address, with the name in brackets when there is one.
std::string NameFromRssAuthor(std::string_view author) {
    author = Trimmed(author);
    const std::size_t open = author.find('(');
    if (open != std::string_view::npos && author.ends_with(')')) {
        return std::string(Trimmed(author.substr(open + 1, author.size() - open - 2)));
    }
    return author.find('@') == std::string_view::npos ? std::string(author) : std::string();
}

// --- The three kinds of feed ------------------------------------------------

class FeedReader {
public:
    explicit FeedReader(std::string_view feedUrl) : feedUrl_(feedUrl) {}

    ChannelDescription Read(const pugi::xml_document& doc);

private:
    void ReadRss(pugi::xml_node rss, const NamespaceScope& rootScope);
    void ReadRssItem(pugi::xml_node item, const NamespaceScope& channelScope,
                     const std::string& channelBase);
    void ReadAtom(pugi::xml_node feed, const NamespaceScope& rootScope);
    void ReadAtomEntry(pugi::xml_node entry, const NamespaceScope& feedScope,
                       const std::string& feedBase, const std::string& feedAuthor);
    void ReadImageArchive(pugi::xml_node images);
    void Add(ChannelPicture image);
    bool Full() const { return channel_.images.size() >= kMaxFeedItems; }

    std::string feedUrl_;
    ChannelDescription channel_;
    std::set<std::string> taken_;
    std::set<std::string> locs_;
};

void FeedReader::Add(ChannelPicture image) {
    if (Full() || !locs_.insert(image.loc).second) {
        return;
    }
    image.file = UniqueCacheName(FileNameFromUrl(UrlWithoutQuery(image.loc)), image.loc, taken_);
    channel_.images.push_back(std::move(image));
}

void FeedReader::ReadRss(pugi::xml_node rss, const NamespaceScope& rootScope) {
    const std::string rssBase = BaseOf(rss, feedUrl_);
    pugi::xml_node channel;
    for (pugi::xml_node child : rss.children()) {
        if (child.type() == pugi::node_element && NameOf(child, rootScope).IsRss("channel")) {
            channel = child;
            break;
        }
    }
    if (!channel) {
        return;
    }
    const NamespaceScope scope(&rootScope, channel);
    const std::string base = BaseOf(channel, rssBase);
    std::string alternate;
    for (pugi::xml_node child : channel.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const QualifiedName name = NameOf(child, scope);
        if (name.IsRss("item")) {
            if (!Full()) {
                ReadRssItem(child, scope, base);
            }
        } else if (name.IsRss("title") && channel_.title.empty()) {
            channel_.title = PlainTitle(ElementText(child));
        } else if (name.IsRss("description") && channel_.description.empty()) {
            channel_.description = ShownDescription(HtmlToPlainText(ElementText(child)));
        } else if (name.IsRss("link") && channel_.news.empty()) {
            channel_.news = FetchableAddress(BaseOf(child, base), ElementText(child));
        } else if (name.IsRss("copyright") && channel_.copyright.empty()) {
            channel_.copyright = PlainTitle(ElementText(child));
        } else if (name.Is(kAtomNs, "link") && alternate.empty() &&
                   Trimmed(child.attribute("rel").value()) == "alternate") {
            alternate = FetchableAddress(BaseOf(child, base), child.attribute("href").value());
        }
    }
    if (channel_.news.empty()) {
        channel_.news = alternate;
    }
}

void FeedReader::ReadRssItem(pugi::xml_node item, const NamespaceScope& channelScope,
                             const std::string& channelBase) {
    const NamespaceScope scope(&channelScope, item);
    const std::string base = BaseOf(item, channelBase);
    ItemOffers offers;
    std::string creator;
    std::string author;
    for (pugi::xml_node child : item.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const QualifiedName name = NameOf(child, scope);
        if (name.IsRss("title") && offers.title.empty()) {
            offers.title = ElementText(child);
        } else if (name.IsRss("enclosure")) {
            Offer offer;
            offer.url = FetchableAddress(BaseOf(child, base), child.attribute("url").value());
            offer.bytes = ParseSize(child.attribute("length").value());
            if (!offer.url.empty() && IsJpegPicture(child.attribute("type").value(), offer.url)) {
                offers.enclosures.push_back(std::move(offer));
            }
        } else if (name.IsRss("description") || name.Is(kContentNs, "encoded")) {
            AddHtmlImages(ElementText(child), BaseOf(child, base), offers);
        } else if (name.Is(kDcNs, "creator") && creator.empty()) {
            creator = ElementText(child);
        } else if (name.IsRss("author") && author.empty()) {
            author = NameFromRssAuthor(ElementText(child));
        } else {
            ReadMediaElement(child, name, scope, base, offers);
        }
    }
    offers.credit = creator.empty() ? author : creator;
    if (std::optional<ChannelPicture> image = ChooseImage(offers, scope)) {
        Add(std::move(*image));
    }
}

// An Atom text construct as HTML, whatever its type: plain text has its
// markup characters escaped, so that reading it as HTML gives it back.
std::string AtomTextAsHtml(pugi::xml_node element) {
    const std::string_view type = Trimmed(element.attribute("type").value());
    if (type == "xhtml") {
        return ElementMarkup(element);
    }
    const std::string text = ElementText(element);
    if (type == "html") {
        return text;
    }
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        escaped += c == '&'   ? std::string("&amp;")
                   : c == '<' ? std::string("&lt;")
                              : std::string(1, c);
    }
    return escaped;
}

// An Atom text construct as plain text.
std::string AtomText(pugi::xml_node element) {
    return HtmlToPlainText(AtomTextAsHtml(element));
}

std::string AtomAuthorName(pugi::xml_node author, const NamespaceScope& scope) {
    for (pugi::xml_node child : author.children()) {
        if (child.type() == pugi::node_element && NameOf(child, scope).Is(kAtomNs, "name")) {
            return ElementText(child);
        }
    }
    return {};
}

void FeedReader::ReadAtom(pugi::xml_node feed, const NamespaceScope& rootScope) {
    const std::string base = BaseOf(feed, feedUrl_);
    std::string feedAuthor;
    std::vector<pugi::xml_node> entries;
    for (pugi::xml_node child : feed.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const QualifiedName name = NameOf(child, rootScope);
        if (name.Is(kAtomNs, "entry")) {
            // Entries are read once the feed's author is known (it may come
            // after them); the list is bounded like the items kept.
            if (entries.size() < kMaxFeedItems * 4) {
                entries.push_back(child);
            }
        } else if (name.Is(kAtomNs, "title") && channel_.title.empty()) {
            channel_.title = ShownTitle(AtomText(child));
        } else if (name.Is(kAtomNs, "subtitle") && channel_.description.empty()) {
            channel_.description = ShownDescription(AtomText(child));
        } else if (name.Is(kAtomNs, "rights") && channel_.copyright.empty()) {
            channel_.copyright = ShownTitle(AtomText(child));
        } else if (name.Is(kAtomNs, "author") && feedAuthor.empty()) {
            feedAuthor = AtomAuthorName(child, rootScope);
        } else if (name.Is(kAtomNs, "link") && channel_.news.empty()) {
            const std::string_view rel = Trimmed(child.attribute("rel").value());
            if (rel.empty() || rel == "alternate") {
                channel_.news =
                    FetchableAddress(BaseOf(child, base), child.attribute("href").value());
            }
        }
    }
    for (pugi::xml_node entry : entries) {
        if (Full()) {
            break;
        }
        ReadAtomEntry(entry, rootScope, base, feedAuthor);
    }
}

void FeedReader::ReadAtomEntry(pugi::xml_node entry, const NamespaceScope& feedScope,
                               const std::string& feedBase, const std::string& feedAuthor) {
    const NamespaceScope scope(&feedScope, entry);
    const std::string base = BaseOf(entry, feedBase);
    ItemOffers offers;
    std::string author;
    std::string creator;
    for (pugi::xml_node child : entry.children()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        const QualifiedName name = NameOf(child, scope);
        const std::string childBase = BaseOf(child, base);
        if (name.Is(kAtomNs, "title") && offers.title.empty()) {
            offers.title = AtomTextAsHtml(child);
        } else if (name.Is(kAtomNs, "author") && author.empty()) {
            author = AtomAuthorName(child, scope);
        } else if (name.Is(kDcNs, "creator") && creator.empty()) {
            creator = ElementText(child);
        } else if (name.Is(kAtomNs, "link") &&
                   Trimmed(child.attribute("rel").value()) == "enclosure") {
            Offer offer;
            offer.url = FetchableAddress(childBase, child.attribute("href").value());
            offer.bytes = ParseSize(child.attribute("length").value());
            if (!offer.url.empty() && IsJpegPicture(child.attribute("type").value(), offer.url)) {
                offers.enclosures.push_back(std::move(offer));
            }
        } else if (name.Is(kAtomNs, "content") || name.Is(kAtomNs, "summary")) {
            const std::string_view type = Trimmed(child.attribute("type").value());
            if (name.local == "content" && child.attribute("src")) {
                Offer offer;
                offer.url = FetchableAddress(childBase, child.attribute("src").value());
                if (!offer.url.empty() && IsJpegType(type)) {
                    offers.enclosures.push_back(std::move(offer));
                }
            } else if (type == "html") {
                AddHtmlImages(ElementText(child), childBase, offers);
            } else if (type == "xhtml") {
                AddHtmlImages(ElementMarkup(child), childBase, offers);
            }
        } else {
            ReadMediaElement(child, name, scope, base, offers);
        }
    }
    offers.credit = !author.empty() ? author : !creator.empty() ? creator : feedAuthor;
    if (std::optional<ChannelPicture> image = ChooseImage(offers, scope)) {
        Add(std::move(*image));
    }
}

// An image archive's "copyright": "Caption (© Photographer/Agency)". The
// caption is the title, the bracketed part the credit.
void SplitCaption(std::string_view text, std::string& title, std::string& credit) {
    text = Trimmed(text);
    const std::size_t open = text.rfind("(\xC2\xA9");
    if (open != std::string_view::npos && text.ends_with(')')) {
        title = std::string(Trimmed(text.substr(0, open)));
        credit = std::string(Trimmed(text.substr(open + 1, text.size() - open - 2)));
    } else {
        title = std::string(text);
    }
}

void FeedReader::ReadImageArchive(pugi::xml_node images) {
    for (pugi::xml_node entry : images.children("image")) {
        if (Full()) {
            break;
        }
        const std::string_view url = Trimmed(entry.child("url").text().get());
        pugi::xml_node urlBaseNode = entry.child("urlBase");
        if (!urlBaseNode) {
            urlBaseNode = entry.child("urlbase");
        }
        const std::string_view urlBase = Trimmed(urlBaseNode.text().get());
        std::string loc;
        if (!url.empty()) {
            loc = FetchableAddress(feedUrl_, url);
        } else if (!urlBase.empty()) {
            // The archive's pictures come in sizes named after the base.
            loc = FetchableAddress(feedUrl_, std::string(urlBase) + "_1920x1080.jpg");
        }
        if (loc.empty() || !MayBeJpegByName(loc)) {
            continue;
        }
        std::string title;
        std::string credit;
        SplitCaption(ElementText(entry.child("copyright")), title, credit);
        for (const char* name : {"title", "headline"}) {
            if (const std::string own = ElementText(entry.child(name)); !Trimmed(own).empty()) {
                title = own;
                break;
            }
        }
        ChannelPicture image;
        image.loc = std::move(loc);
        image.title = PlainTitle(title);
        image.credit = PlainTitle(credit);
        Add(std::move(image));
    }
}

ChannelDescription FeedReader::Read(const pugi::xml_document& doc) {
    const pugi::xml_node root = doc.document_element();
    const NamespaceScope rootScope(nullptr, root);
    const QualifiedName name = NameOf(root, rootScope);
    if (name.IsRss("rss")) {
        ReadRss(root, rootScope);
    } else if (name.Is(kAtomNs, "feed")) {
        ReadAtom(root, rootScope);
    } else {
        ReadImageArchive(root);
    }
    if (Trimmed(channel_.title).empty()) {
        // A feed without a title is named after its host.
        channel_.title = ShownTitle(UrlHost(feedUrl_));
    }
    return std::move(channel_);
}

ChannelDocumentKind KindOf(const pugi::xml_document& doc) {
    const pugi::xml_node root = doc.document_element();
    if (!root) {
        return ChannelDocumentKind::Unknown;
    }
    if (std::string_view(root.name()) == "provider") {
        return ChannelDocumentKind::ControlFile;
    }
    const NamespaceScope scope(nullptr, root);
    const QualifiedName name = NameOf(root, scope);
    if (name.IsRss("rss") || name.Is(kAtomNs, "feed")) {
        return ChannelDocumentKind::Feed;
    }
    if (std::string_view(root.name()) == "images") {
        for (pugi::xml_node image : root.children("image")) {
            if (image.child("url") || image.child("urlBase") || image.child("urlbase")) {
                return ChannelDocumentKind::Feed;
            }
        }
    }
    return ChannelDocumentKind::Unknown;
}

}  // namespace

ChannelDocumentKind ChannelDocumentKindOfFile(const std::filesystem::path& path) {
    pugi::xml_document doc;
    try {
        LoadChannelDocument(doc, path);
    } catch (const Error&) {
        return ChannelDocumentKind::Unknown;
    }
    return KindOf(doc);
}

ChannelDescription ReadFeed(const std::filesystem::path& feedFile, std::string_view feedUrl) {
    pugi::xml_document doc;
    LoadChannelDocument(doc, feedFile);
    switch (KindOf(doc)) {
        case ChannelDocumentKind::Feed:
            break;
        case ChannelDocumentKind::ControlFile:
            throw Error("This is a channel's control file, not a photo feed.");
        case ChannelDocumentKind::Unknown:
            throw Error(
                "This is neither a channel nor a photo feed Wylo can read (RSS, Atom or an "
                "image archive).");
    }
    ChannelDescription channel = FeedReader(feedUrl).Read(doc);
    if (channel.images.empty()) {
        throw Error("The feed lists no JPEG pictures.");
    }
    return channel;
}

std::string ResolveUrl(std::string_view base, std::string_view ref) {
    const UrlParts r = SplitUrl(ref);
    if (!r.scheme.empty()) {
        UrlParts target = r;
        target.path = RemoveDotSegments(r.path);
        return JoinUrl(target);
    }
    const UrlParts b = SplitUrl(base);
    if (b.scheme.empty()) {
        return std::string(ref);
    }
    UrlParts target;
    target.scheme = b.scheme;
    if (r.hasAuthority) {
        target.hasAuthority = true;
        target.authority = r.authority;
        target.path = RemoveDotSegments(r.path);
        target.hasQuery = r.hasQuery;
        target.query = r.query;
    } else {
        target.hasAuthority = b.hasAuthority;
        target.authority = b.authority;
        if (r.path.empty()) {
            target.path = b.path;
            target.hasQuery = r.hasQuery || b.hasQuery;
            target.query = r.hasQuery ? r.query : b.query;
        } else {
            if (r.path.starts_with('/')) {
                target.path = RemoveDotSegments(r.path);
            } else if (b.hasAuthority && b.path.empty()) {
                target.path = RemoveDotSegments("/" + r.path);
            } else {
                const std::size_t slash = b.path.rfind('/');
                const std::string merged =
                    (slash == std::string::npos ? std::string() : b.path.substr(0, slash + 1)) +
                    r.path;
                target.path = RemoveDotSegments(merged);
            }
            target.hasQuery = r.hasQuery;
            target.query = r.query;
        }
    }
    target.hasFragment = r.hasFragment;
    target.fragment = r.fragment;
    return JoinUrl(target);
}

std::string MediaWikiOriginalUrl(std::string_view url) {
    const std::string_view path = UrlWithoutQuery(url);
    const std::size_t thumb = path.rfind("/thumb/");
    if (thumb == std::string_view::npos) {
        return {};
    }
    // After "/thumb/": "a/ab/Name.jpg/800px-Name.jpg", exactly.
    std::vector<std::string_view> segments;
    std::string_view rest = path.substr(thumb + 7);
    while (segments.size() < 5) {
        const std::size_t slash = rest.find('/');
        segments.push_back(rest.substr(0, slash));
        if (slash == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(slash + 1);
    }
    if (segments.size() != 4) {
        return {};
    }
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    const std::string_view first = segments[0];
    const std::string_view second = segments[1];
    const std::string_view name = segments[2];
    const std::string_view sized = segments[3];
    if (first.size() != 1 || second.size() != 2 || second[0] != first[0] || !isHex(first[0]) ||
        !isHex(second[1]) || name.empty() || sized.find("px-") == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, thumb)) + "/" + std::string(first) + "/" +
           std::string(second) + "/" + std::string(name);
}

std::string HtmlToPlainText(std::string_view html) {
    std::string text;
    text.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        const bool tagStart = c == '<' && i + 1 < html.size() &&
                              (IsTagNameChar(html[i + 1]) || html[i + 1] == '/' ||
                               html[i + 1] == '!' || html[i + 1] == '?');
        if (!tagStart) {
            text += c;
            ++i;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            text += ' ';
            continue;
        }
        const bool closing = html[i + 1] == '/';
        const std::size_t nameStart = i + (closing ? 2 : 1);
        std::size_t nameEnd = nameStart;
        while (nameEnd < html.size() && IsTagNameChar(html[nameEnd])) {
            ++nameEnd;
        }
        const std::string name = LowerAsciiText(html.substr(nameStart, nameEnd - nameStart));
        i = TagEnd(html, i);
        if (!closing && (name == "script" || name == "style")) {
            const std::string close = "</" + name;
            std::size_t k = i;
            while (k < html.size() && !EqualsNoCase(html.substr(k, close.size()), close)) {
                k = html.find('<', k + 1);
                if (k == std::string_view::npos) {
                    k = html.size();
                }
            }
            i = k < html.size() ? TagEnd(html, k) : html.size();
        }
        // Blocks and line breaks separate words ("<p>One</p><p>Two</p>" reads
        // "One Two"); inline tags do not ("<b>Bo</b>ld" reads "Bold").
        static const std::set<std::string, std::less<>> kInline = {
            "a",   "b",   "i",    "u",    "em",   "strong", "span", "small", "big",
            "sub", "sup", "font", "abbr", "cite", "code",   "q",    "s",     "mark"};
        if (!kInline.contains(name)) {
            text += ' ';
        }
    }
    return CollapsedSpaces(ValidUtf8(DecodeCharacterReferences(text)));
}

}  // namespace wylo
