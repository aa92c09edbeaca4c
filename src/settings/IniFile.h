#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wylo {

// An INI document that is edited in place. Section and key names match without
// regard to case (ASCII), values are read trimmed, and a write touches only the
// one line it changes: comments, blank lines, line endings and every section
// and key the program does not know stay exactly as they were.
//
// Lines whose first non-blank character is ";" or "#" are comments. A line
// starting with "[" and holding a "]" opens a section; the name is the trimmed
// text up to the first "]". Any other line with an "=" is a key. Lines before
// the first section and lines of no known kind are kept but never read.
class IniFile {
public:
    IniFile() = default;

    // Replaces the document with the file's content. A missing file is an
    // empty document; a file that exists but cannot be read throws Error.
    void Load(const std::filesystem::path& path);

    // Replaces the document with bytes as they would lie in a file. UTF-8
    // (with or without a byte-order mark) and UTF-16 with a byte-order mark
    // are understood; the encoding is kept for Text().
    void Parse(std::string_view bytes);

    // The document as the bytes of a file, in the encoding it was read in.
    std::string Text() const;

    // The value of the first key named key in the first section named section,
    // trimmed and without one pair of enclosing double or single quotes.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;

    // Sets the value of the first key named key in the first section named
    // section: its line is rewritten in place, keeping the key's spelling and
    // the blanks around "="; a missing key is added after the last entry of
    // the section; a missing section is added at the end. Throws Error for a
    // name or value that a line cannot hold (line breaks, "=" or "]" in names).
    void Write(std::string_view section, std::string_view key, std::string_view value);

    // Writes Text() to path atomically (see WriteFileAtomically). Throws
    // Error("Unable to write to <full path>") and leaves the old file intact
    // when it cannot.
    void Save(const std::filesystem::path& path) const;

private:
    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

    struct Line {
        std::string text;  // without its line ending
        std::string eol;   // "\n", "\r\n" or "" for a last line without one
    };

    // Index of the header line of the first section named section.
    std::optional<std::size_t> FindSection(std::string_view section) const;
    // Index one past the section's last line (the next header or the end).
    std::size_t SectionEnd(std::size_t header) const;
    void InsertLine(std::size_t at, std::string text);

    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::Utf8;
    std::string newline_ = kDefaultNewline;

#ifdef _WIN32
    static constexpr const char* kDefaultNewline = "\r\n";
#else
    static constexpr const char* kDefaultNewline = "\n";
#endif
};

}  // namespace wylo
