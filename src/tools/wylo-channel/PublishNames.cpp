#include "tools/wylo-channel/PublishNames.h"

#include <cstdint>

#include "base/Error.h"
#include "base/WebAddress.h"
#include "channels/Download.h"
#include "channels/HttpClient.h"

namespace wylo::tool {
namespace {

// Longest published file name once percent-encoded; the cache stores it as
// it is, and file systems stop at 255 bytes.
constexpr std::size_t kMaxEncodedName = 150;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

std::string_view WithoutExtension(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

// Length of the well-formed UTF-8 sequence at the start of text and its code
// point; 0 when it is malformed (overlong, a surrogate, beyond U+10FFFF, cut
// off).
std::size_t Utf8Sequence(std::string_view text, std::uint32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = codePoint << 6 | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool IsBlank(char c) {
    return c == ' ';
}

std::string CollapseBlanks(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (IsBlank(c)) {
            if (!result.empty() && !IsBlank(result.back())) {
                result += ' ';
            }
        } else {
            result += c;
        }
    }
    while (!result.empty() && IsBlank(result.back())) {
        result.pop_back();
    }
    return result;
}

// Characters some file systems refuse in a name.
bool IsUnsafeNameCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' ||
           c == '\\' || c == '|' || c == '?' || c == '*';
}

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

// Drops the last UTF-8 character of text.
void DropLastCharacter(std::string& text) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((c & 0xC0) != 0x80) {
            return;
        }
    }
}

bool IsPublishable(const std::string& name) {
    const std::string encoded = PercentEncode(name);
    return IsSafeName(name) && IsSafeName(encoded) && encoded.size() <= kMaxEncodedName;
}

}  // namespace

std::string CleanText(std::string_view text, bool keepLineFeeds) {
    std::string result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Sequence(text.substr(i), codePoint);
        if (length == 0) {
            result += kReplacement;
            ++i;
            continue;
        }
        if (codePoint == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            // CR LF ends one line, as LF does.
        } else if (codePoint == '\r' && keepLineFeeds) {
            result += '\n';
        } else if (codePoint == '\n' && keepLineFeeds) {
            result += '\n';
        } else if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) {
            result += ' ';
        } else {
            result.append(text.substr(i, length));
        }
        i += length;
    }
    return result;
}

std::string TitleFromFileName(std::string_view fileName) {
    const std::string stem = CleanText(WithoutExtension(fileName));
    std::string spaced = stem;
    for (char& c : spaced) {
        if (c == '_' || c == '-') {
            c = ' ';
        }
    }
    std::string title = CollapseBlanks(spaced);
    return title.empty() ? CollapseBlanks(stem) : title;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            result += ch;
        } else {
            result += '%';
            result += kHex[c >> 4];
            result += kHex[c & 0x0F];
        }
    }
    return result;
}

std::string BaseUrl(std::string_view url, std::string_view option) {
    const std::string name(option);
    if (!IsFetchableUrl(url)) {
        throw Error(name + " must be an http or https address");
    }
    if (url.find_first_of("?#") != std::string_view::npos) {
        throw Error(name + " must not hold a query (?) or a fragment (#)");
    }
    std::string base(url);
    const std::size_t afterScheme = base.find("://") + 3;
    while (base.size() > afterScheme && base.back() == '/') {
        base.pop_back();
    }
    if (base.size() == afterScheme || base[afterScheme] == '/') {
        throw Error(name + " must name a host");
    }
    return base;
}

void CheckPageUrl(std::string_view url, std::string_view option) {
    if (!url.empty() && !IsFetchableUrl(url)) {
        throw Error(std::string(option) + " must be an http or https address");
    }
}

std::string UrlUnder(std::string_view base, std::string_view relative) {
    std::string url(base);
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos) {
            end = relative.size();
        }
        url += '/';
        url += PercentEncode(relative.substr(start, end - start));
        start = end + 1;
    }
    return url;
}

std::string PublishedName(std::string_view fileName, std::set<std::string>& taken) {
    std::string stem = CleanText(WithoutExtension(fileName));
    for (char& c : stem) {
        if (IsUnsafeNameCharacter(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    // Windows drops trailing dots and blanks from names; web servers often
    // hide names that start with a dot.
    while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) {
        stem.pop_back();
    }
    stem.erase(0, stem.find_first_not_of('.'));
    if (stem.empty()) {
        stem = "photo";
    }
    if (!IsSafeName(stem + ".jpg")) {
        stem = "_" + stem;  // a device name such as "con"
    }
    while (PercentEncode(stem + "-999.jpg").size() > kMaxEncodedName) {
        DropLastCharacter(stem);
    }
    std::string candidate = stem;
    for (int n = 2; taken.count(LowerAscii(candidate)) != 0 || !IsPublishable(candidate + ".jpg");
         ++n) {
        if (n > 999) {
            throw Error("No publishable file name left for " + CleanText(fileName));
        }
        candidate = stem + "-" + std::to_string(n);
    }
    taken.insert(LowerAscii(candidate));
    return candidate + ".jpg";
}

}  // namespace wylo::tool
