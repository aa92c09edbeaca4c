#include "settings/IniFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/Error.h"
#include "settings/AtomicFile.h"

namespace wylo {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

enum class Kind { Blank, Comment, Section, Key, Other };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;       // section or key name, trimmed
    std::string_view value;      // key value, trimmed
    std::size_t valueStart = 0;  // where the value's text begins in the line
};

Parsed ParseLine(std::string_view line) {
    Parsed p;
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) {
        p.kind = Kind::Blank;
        return p;
    }
    if (trimmed.front() == ';' || trimmed.front() == '#') {
        p.kind = Kind::Comment;
        return p;
    }
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.find(']');
        if (close != std::string_view::npos) {
            p.kind = Kind::Section;
            p.name = Trim(trimmed.substr(1, close - 1));
        }
        return p;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return p;
    }
    p.name = Trim(line.substr(0, equals));
    if (p.name.empty()) {
        return p;
    }
    p.kind = Kind::Key;
    std::size_t start = equals + 1;
    while (start < line.size() && kBlanks.find(line[start]) != std::string_view::npos) {
        ++start;
    }
    p.valueStart = start;
    p.value = Trim(line.substr(start));
    return p;
}

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t i) -> char16_t {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char16_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    const std::size_t count = bytes.size() / 2;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// Decodes one UTF-8 sequence at text[i], advancing i; malformed input gives
// the replacement character.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            return kReplacement;
        }
        c = c << 6 | (byte(i++) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return kReplacement;
    }
    return c;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    const auto put = [&](char16_t u) {
        const auto hi = static_cast<char>(u >> 8);
        const auto lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = NextCodePoint(text, i);
        if (c >= 0x10000) {
            put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
    return out;
}

// A name must come back as the same name when the line is read again.
void CheckName(std::string_view name, std::string_view forbidden, std::string_view forbiddenFirst,
               const char* what) {
    if (name.empty() || Trim(name) != name ||
        name.find_first_of(forbidden) != std::string_view::npos ||
        forbiddenFirst.find(name.front()) != std::string_view::npos) {
        throw Error(std::string("The settings file cannot hold the ") + what + " name \"" +
                    std::string(name) + "\".");
    }
}

}  // namespace

void IniFile::Load(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found ||
        ec == std::errc::not_a_directory) {
        Parse({});
        return;
    }
    const auto unreadable = [&path]() { return Error("Unable to read " + FullPathText(path)); };
    if (ec || std::filesystem::is_directory(status)) {
        throw unreadable();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw unreadable();
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw unreadable();
    }
    Parse(bytes);
}

void IniFile::Parse(std::string_view bytes) {
    lines_.clear();
    newline_ = kDefaultNewline;
    encoding_ = Encoding::Utf8;

    std::string decoded;
    if (bytes.starts_with(kUtf8Bom)) {
        encoding_ = Encoding::Utf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const bool bigEndian = bytes[0] == '\xFE';
        encoding_ = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        decoded = Utf16ToUtf8(bytes.substr(2), bigEndian);
        bytes = decoded;
    }

    bool newlineSeen = false;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        Line line;
        if (end == std::string_view::npos) {
            line.text = std::string(bytes);
            bytes = {};
        } else {
            line.text = std::string(bytes.substr(0, end));
            line.eol = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.eol = "\r\n";
            }
            bytes.remove_prefix(end + 1);
            if (!newlineSeen) {
                // Lines the program adds follow the file's own convention.
                newline_ = line.eol;
                newlineSeen = true;
            }
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniFile::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.eol;
    }
    switch (encoding_) {
        case Encoding::Utf8:
            return text;
        case Encoding::Utf8Bom:
            return std::string(kUtf8Bom) + text;
        case Encoding::Utf16Le:
            return "\xFF\xFE" + Utf8ToUtf16(text, false);
        case Encoding::Utf16Be:
            return "\xFE\xFF" + Utf8ToUtf16(text, true);
    }
    return text;
}

std::optional<std::size_t> IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = ParseLine(lines_[i].text);
        if (p.kind == Kind::Section && EqualsNoCase(p.name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && ParseLine(lines_[i].text).kind != Kind::Section) {
        ++i;
    }
    return i;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
    const auto header = FindSection(section);
    if (!header) {
        return std::nullopt;
    }
    const std::size_t end = SectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const Parsed p = ParseLine(lines_[i].text);
        if (p.kind == Kind::Key && EqualsNoCase(p.name, key)) {
            return std::string(StripQuotes(p.value));
        }
    }
    return std::nullopt;
}

void IniFile::InsertLine(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].eol.empty()) {
        lines_[at - 1].eol = newline_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), newline_});
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    CheckName(section, std::string_view("]\r\n\0", 4), ";#", "section");
    CheckName(key, std::string_view("=\r\n\0", 4), "[;#", "key");
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        throw Error("The settings file cannot hold a value with a line break for \"" +
                    std::string(key) + "\".");
    }

    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto header = FindSection(section);
    if (!header) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) {
            InsertLine(lines_.size(), {});
        }
        InsertLine(lines_.size(), "[" + std::string(section) + "]");
        InsertLine(lines_.size(), entry);
        return;
    }

    const std::size_t end = SectionEnd(*header);
    std::size_t insertAt = *header + 1;
    for (std::size_t i = *header + 1; i < end; ++i) {
        const Parsed p = ParseLine(lines_[i].text);
        if (p.kind == Kind::Key && EqualsNoCase(p.name, key)) {
            std::string& text = lines_[i].text;
            text = text.substr(0, p.valueStart) + std::string(value);
            return;
        }
        // New keys go after the section's last entry, before the blank lines
        // and comments that lead into the next section.
        if (p.kind == Kind::Key || p.kind == Kind::Other) {
            insertAt = i + 1;
        }
    }
    InsertLine(insertAt, entry);
}

void IniFile::Save(const std::filesystem::path& path) const {
    WriteFileAtomically(path, Text());
}

}  // namespace wylo
